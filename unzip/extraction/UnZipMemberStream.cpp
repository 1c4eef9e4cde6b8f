// The decoders' host: compressed bytes in, decoded bytes out.
//
// Input. unrequested_ counts the member's compressed bytes not yet requested
// from the archive; it is 64 bits wide so that taking the encryption header
// off a nonsensical catalogue size cannot wrap. Member data that reaches the
// end of one part of a multi-part archive continues at the start of the
// next; a part that ends early anywhere else is a premature end of the
// archive. Stored members take the same road as every other method, so they
// too cross parts, are decrypted, and cannot write bytes that never arrived.
//
// Output. Each block goes through the output file's buffered stream (so the
// file is written in chunks of its buffer size), then into the CRC and the
// progress events. A member never writes more than the catalogue's
// uncompressed size: a lying header cannot fill the disk, and the member
// fails its check.
#include <algorithm>

#include "extraction/UnZipExtraction.h"
#include "decoders/uzCrc32.h"

namespace uz {

namespace {

constexpr const char* kPrematureEnd = "Premature end of file reached";

}  // namespace

int64_t TExtraction::CompressedBytesUnrequested() const { return unrequested_; }

uint32_t TExtraction::ReadCompressed(uint8_t* dst, uint32_t n, bool processMessages) {
  if (processMessages) zip_.ProcessMessages();
  if (unrequested_ <= 0) return 0;
  if (static_cast<int64_t>(n) > unrequested_) n = static_cast<uint32_t>(unrequested_);
  unrequested_ -= n;
  ReadMemberData(dst, n);
  if (encrypted_) crypt_.DecryptBlock(dst, n);
  return n;
}

void TExtraction::ReadMemberData(uint8_t* dst, uint32_t n) {
  uint32_t got = static_cast<uint32_t>(zip_.stream_->Read(dst, n));
  if (got == n) return;
  if (zip_.end_.ThisPart == 0 || !zip_.OnGetNextDisk) throw EFatalUnzipError(kPrematureEnd);
  while (got < n) {
    // The last part holds the central directory: data never continues past it.
    if (zip_.currentPart_ >= zip_.end_.ThisPart) throw EFatalUnzipError(kPrematureEnd);
    TLFNFileStream& part = zip_.RequestNextDisk(zip_.currentPart_ + 2);
    got += static_cast<uint32_t>(part.Read(dst + got, n - got));
  }
}

void TExtraction::ShowError(const char* text) {
  if (zip_.UI()) zip_.UI()->ShowMessage(text, "Error");
}

void TExtraction::SkipCompressedData() {
  if (unrequested_ > 0) zip_.stream_->Seek(unrequested_, kSeekCurrent);
}

bool TExtraction::WriteDecoded(const uint8_t* data, uint32_t n) {
  // memberWritten_ never passes the size, so the difference cannot wrap.
  if (n > current_.UncompressedSize - memberWritten_) {
    overflowed_ = true;
    return false;
  }
  // A flush that fails at the end of a write still counts its chunk as
  // taken; the position (no system call) tells whether every byte so far
  // went to the file or waits in the buffer. A test run has no file: the
  // bytes only go into the check.
  if (output_ &&
      (output_->Write(data, n) != n || uint64_t(output_->Position()) != memberWritten_ + n))
    throw EStreamError("Cannot write file \"" + outputName_ + "\"");
  crc_ = UpdateCrc32(crc_, data, n);
  memberWritten_ += n;
  FirePercentages(n);
  return true;
}

void TExtraction::FirePercentages(uint32_t n) {
  if (zip_.OnFilePercentDone)
    zip_.OnFilePercentDone(&zip_, Percentage(memberWritten_, current_.UncompressedSize));
  if (zip_.OnTotalPercentDone) {
    // Members may write more than the catalogue's total when sizes lie; the
    // sum saturates like the total does.
    writtenTotal_ += std::min<uint64_t>(n, UINT64_MAX - writtenTotal_);
    zip_.OnTotalPercentDone(&zip_, Percentage(writtenTotal_, selectedTotal_));
  }
}

}  // namespace uz
