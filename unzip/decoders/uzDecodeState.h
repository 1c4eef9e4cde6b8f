#pragma once
// Per-operation state shared by the extraction driver and the decoders.
// The driver (TUnZip::ExtractFiles) owns one TDecodeState for a whole
// operation, resets it per member and implements TDecodeHost; each decoder
// is a free function over the state that returns when the member is finished
// or abandoned, after its final write. Decoders never throw on bad data: they
// stop and say so (uzDecodeResult.h), and the driver fails the member. Only
// the host may throw (premature end of file, user cancel), and that unwinds
// the decoder.
#include <cstdint>
#include <cstring>

namespace uz {

constexpr uint32_t kIoBlockSize = 16000;   // compressed-input and output block
constexpr uint32_t kWorkAreaSize = 32780;  // windows and tables of the decoders
// Zero bytes kept after the data of every input block: a decoder that reads
// in words may read past the block's end, and finds nothing there.
constexpr uint32_t kInputPadding = 32;

class TDecodeHost {
 public:
  virtual ~TDecodeHost() = default;
  // Refill: reads the next block of at most n (<= kIoBlockSize) compressed
  // bytes of the current member into dst, crossing to the next part of a
  // multi-part archive when needed, and decrypts them for an encrypted member.
  // Processes pending GUI messages first when processMessages is set and the
  // component's DoProcessMessages is on. Returns the number of bytes placed.
  // Throws EFatalUnzipError "Premature end of file reached" when the archive
  // ends early and no further part can be had.
  virtual uint32_t ReadCompressed(uint8_t* dst, uint32_t n, bool processMessages) = 0;
  // Progress step: writes the block to the output file, updates the CRC and
  // fires the percentage events. Returns false when the member must stop
  // (its output would exceed the size the catalogue gives).
  virtual bool WriteDecoded(const uint8_t* data, uint32_t n) = 0;
  // Compressed bytes of the member not yet requested through ReadCompressed
  // (the current member record's compressed size, as the driver counts it).
  virtual int64_t CompressedBytesUnrequested() const = 0;
  // A decoder that cannot work says so in an error box; a host without a
  // user interface has nobody to tell (the member then fails its check).
  virtual void ShowError(const char* text) { (void)text; }
};

struct TDecodeState {
  TDecodeHost* host = nullptr;

  // Member facts, set by the driver before a decoder runs.
  int64_t csizeLeft = 0;        // compressed bytes not yet delivered to the decoder
  int64_t expectedSize = 0;     // uncompressed size from the catalogue
  uint64_t compressedSize = 0;  // the member's compressed size (without the encryption header)
  uint16_t generalFlags = 0;    // general-purpose flags of the member (implode uses bits 1, 2)

  // Current block of compressed input.
  uint8_t inbuf[kIoBlockSize + kInputPadding];
  uint32_t inLeft = 0;
  const uint8_t* inPos = inbuf;

  // Decoded bytes waiting to be written.
  uint8_t outbuf[kIoBlockSize + 1];
  uint32_t outCount = 0;

  // Bit buffer of shrink and reduce (deflate and implode keep their own).
  uint32_t bitbuf = 0;
  uint32_t bitcount = 0;
  bool endOfData = false;

  // Set when the host refused output: every decoder returns as soon as it sees it.
  bool stopped = false;
  // What a decoder that names its exits found wrong when it returned bad
  // data: a fixed text, null otherwise.
  const char* badDataReason = nullptr;

  alignas(8) uint8_t work[kWorkAreaSize];

  // Resets the per-member fields; buffers keep their memory.
  void Reset(int64_t compressed, int64_t expected, uint16_t flags) {
    csizeLeft = compressed;
    expectedSize = expected;
    compressedSize = compressed < 0 ? 0 : static_cast<uint64_t>(compressed);
    generalFlags = flags;
    inLeft = 0;
    inPos = inbuf;
    outCount = 0;
    bitbuf = 0;
    bitcount = 0;
    endOfData = false;
    stopped = false;
    badDataReason = nullptr;
  }

  // Refills the input block; false when nothing more comes.
  bool Refill() {
    int64_t want = host->CompressedBytesUnrequested();
    if (want > kIoBlockSize) want = kIoBlockSize;
    if (want <= 0) return false;
    inLeft = host->ReadCompressed(inbuf, static_cast<uint32_t>(want), true);
    std::memset(inbuf + inLeft, 0, kInputPadding);
    inPos = inbuf;
    return inLeft != 0;
  }

  // The next compressed byte of the member; false at the end of its data.
  bool NextByte(uint8_t& b) {
    if (csizeLeft <= 0) {
      --csizeLeft;
      return false;
    }
    --csizeLeft;
    if (inLeft == 0 && !Refill()) return false;
    --inLeft;
    b = *inPos++;
    return true;
  }

  // Writes what is held through the host; does nothing when nothing is held.
  void WriteOutput() {
    if (outCount == 0) return;
    if (!stopped && !host->WriteDecoded(outbuf, outCount)) stopped = true;
    outCount = 0;
  }

  void PutByte(uint8_t b) {
    outbuf[outCount++] = b;
    if (outCount == kIoBlockSize) WriteOutput();
  }

  // Moves n bytes from a window into the output, writing each full block.
  void FlushWindow(const uint8_t* window, uint32_t n) {
    while (n > 0 && !stopped) {
      uint32_t room = kIoBlockSize - outCount;
      uint32_t take = n < room ? n : room;
      std::memcpy(outbuf + outCount, window, take);
      outCount += take;
      window += take;
      n -= take;
      if (outCount == kIoBlockSize) WriteOutput();
    }
  }
};

}  // namespace uz
