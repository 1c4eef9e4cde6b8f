// The local-header scan: for archives whose central directory is missing or
// cannot be found, members are found by walking their local headers.
#include <vector>

#include "UnZip.h"
#include "selection/uzZipNames.h"
#include "catalogue/uzZipRecords.h"

namespace uz {

namespace {

// Pending messages are processed after this many bytes of hunting.
constexpr int kScanMessageInterval = 10240;
// The descriptor search reads this much at a time.
constexpr size_t kSearchBlock = 65536;

bool IsRecordSignature(uint32_t signature) {
  return signature == kLocalHeaderSignature || signature == kCentralHeaderSignature ||
         signature == kEndCentralSignature;
}

uint64_t GetLe64(const uint8_t* p) { return GetLe32(p) | (uint64_t(GetLe32(p + 4)) << 32); }

// A data descriptor: CRC and sizes, 8-byte sizes behind a ZIP64 header.
struct TDescriptor {
  uint32_t crc = 0;
  uint64_t compressed = 0;
  uint64_t uncompressed = 0;
};

// p points behind the optional signature.
TDescriptor ParseDescriptor(const uint8_t* p, bool zip64) {
  TDescriptor d;
  d.crc = GetLe32(p);
  d.compressed = zip64 ? GetLe64(p + 4) : GetLe32(p + 4);
  d.uncompressed = zip64 ? GetLe64(p + 12) : GetLe32(p + 8);
  return d;
}

void TakeDescriptor(TZipHeaderInfo& member, const TDescriptor& d) {
  member.CRC32 = d.crc;
  member.CompressedSize = d.compressed;
  member.UncompressedSize = d.uncompressed;
}

// Bytes of a descriptor after its optional signature.
size_t DescriptorBody(bool zip64) { return zip64 ? 20 : 12; }

}  // namespace

bool TUnZip::HuntLocalSignature() {
  static constexpr uint8_t kSignature[4] = {'P', 'K', 3, 4};
  int matched = 0;
  int counted = 0;
  uint8_t b;
  while (stream_->Read(&b, 1) == 1) {
    if (b == kSignature[matched]) {
      if (++matched == 4) {
        stream_->Seek(-4, kSeekCurrent);
        return true;
      }
      continue;
    }
    // A byte that breaks the pattern may itself begin it.
    matched = b == 'P' ? 1 : 0;
    if (matched == 0 && ++counted == kScanMessageInterval) {
      counted = 0;
      ProcessMessages();
    }
  }
  return false;
}

bool TUnZip::ScanLocalHeaders() {
  scanned_ = true;
  FreeLists();
  stream_->SetPosition(0);
  if (!HuntLocalSignature()) return false;
  members_ = std::make_unique<TSortedZip>(TZipSortMode::ByNone, dupError, true);
  while (ReadLocalMember(stream_->Position())) {
  }
  end_.ThisPart = 0;
  currentPart_ = 0;
  end_.DirectoryOffset = static_cast<uint64_t>(stream_->Position());
  end_.TotalEntries = static_cast<uint16_t>(members_->Count());
  return true;
}

// Reads the local header at start into a new member and moves behind its
// data; false (with the stream back at start) when no header is there, and
// false, without the member, when the end of its data cannot be found.
bool TUnZip::ReadLocalMember(int64_t start) {
  uint8_t fixed[kLocalHeaderSize];
  TLocalHeader header;
  bool ok = stream_->Read(fixed, sizeof fixed) == sizeof fixed && ParseLocalHeader(fixed, header);
  std::string raw(ok ? header.FileNameLength : 0, '\0');
  std::vector<uint8_t> extra(ok ? header.ExtraFieldLength : 0);
  auto readAll = [this](void* to, size_t n) { return n == 0 || stream_->Read(to, n) == n; };
  ok = ok && readAll(&raw[0], raw.size()) && readAll(extra.data(), extra.size());
  if (!ok) {
    stream_->SetPosition(start);
    return false;
  }
  const bool streamed = header.Flags & kFlagDataDescriptor;
  if (!streamed) ApplyLocalZip64Extra(extra.data(), extra.size(), header);
  auto owned = std::make_unique<TZipHeaderInfo>();
  TZipHeaderInfo& member = *owned;
  member.VersionMadeBy = 0;
  member.VersionNeeded = header.VersionNeeded;
  member.Flags = header.Flags;
  member.Method = header.Method;
  member.DateTime = header.DateTime;
  member.CRC32 = header.CRC32;
  member.CompressedSize = header.CompressedSize;
  member.UncompressedSize = header.UncompressedSize;
  member.ExtraFieldLength = header.ExtraFieldLength;
  member.CommentLength = 0;
  member.PartNumber = 0;
  member.InternalAttributes = 0;
  member.ExternalAttributes = 0;
  member.LocalHeaderOffset = static_cast<uint64_t>(start);
  member.CentralRecordPosition = 0;
  member.SetStoredName(ConvertStoredName(raw, header.Flags));
  const int64_t dataStart = stream_->Position();
  if (!streamed) {
    // A size past the end of any file only ends the walk at the next read.
    const uint64_t size = header.CompressedSize < uint64_t(INT64_MAX) - uint64_t(dataStart)
                              ? header.CompressedSize
                              : uint64_t(INT64_MAX) - uint64_t(dataStart);
    members_->Add(owned.release());
    stream_->SetPosition(dataStart + int64_t(size));
    return true;
  }
  // A streamed member whose end cannot be found is left out: listed with the
  // zero sizes of its local header it would extract as an empty file that
  // passes its check, silently losing the member's content.
  if (!SkipStreamedData(member, HasZip64Extra(extra.data(), extra.size()), dataStart)) return false;
  members_->Add(owned.release());
  return true;
}

// A member with flag bit 3: its sizes may be missing from the local header
// (0, or 0xFFFFFFFF behind a ZIP64 extra field) and its data descriptor is
// 12, 16, 20 or 24 bytes long. Leaves the stream behind the descriptor.
bool TUnZip::SkipStreamedData(TZipHeaderInfo& member, bool zip64, int64_t dataStart) {
  // Streamed members keep their local 32-bit sizes here (no ZIP64 block applied).
  const uint64_t localSize = member.CompressedSize;
  const size_t body = DescriptorBody(zip64);
  uint8_t d[4 + 20];
  if (localSize != 0 && localSize != 0xFFFFFFFF) {
    // The local size gives the end of the data; the descriptor is there.
    const int64_t end = OffsetPosition(dataStart, int64_t(localSize));
    stream_->SetPosition(end);
    const size_t got = stream_->Read(d, 4 + body);
    const bool signed_ = got >= 4 && GetLe32(d) == kDescriptorSignature;
    const size_t length = (signed_ ? 4 : 0) + body;
    if (got >= length) TakeDescriptor(member, ParseDescriptor(d + (signed_ ? 4 : 0), zip64));
    stream_->SetPosition(OffsetPosition(end, int64_t(length)));
    return true;
  }
  if (localSize == 0) {
    // An empty member: a descriptor right at the data, with its signature,
    // or without one when the next record follows it.
    stream_->SetPosition(dataStart);
    const size_t got = stream_->Read(d, 4 + body);
    if (got == 4 + body && GetLe32(d) == kDescriptorSignature) {
      TakeDescriptor(member, ParseDescriptor(d + 4, zip64));
      stream_->SetPosition(dataStart + int64_t(4 + body));
      return true;
    }
    uint8_t next[4];
    stream_->SetPosition(dataStart + int64_t(body));
    if (got >= body && stream_->Read(next, 4) == 4 && IsRecordSignature(GetLe32(next))) {
      TakeDescriptor(member, ParseDescriptor(d, zip64));
      stream_->SetPosition(dataStart + int64_t(body));
      return true;
    }
  }
  return FindDescriptor(member, zip64, dataStart);
}

// The data ends at the first descriptor signature whose compressed-size
// field equals its distance from the start of the data.
bool TUnZip::FindDescriptor(TZipHeaderInfo& member, bool zip64, int64_t dataStart) {
  const size_t length = 4 + DescriptorBody(zip64);
  std::vector<uint8_t> block(kSearchBlock + length);
  for (int64_t base = dataStart;; base += int64_t(kSearchBlock)) {
    stream_->SetPosition(base);
    const size_t got = stream_->Read(block.data(), block.size());
    for (size_t i = 0; i + length <= got && i < kSearchBlock; ++i) {
      const uint8_t* p = block.data() + i;
      if (p[0] != 'P' || GetLe32(p) != kDescriptorSignature) continue;
      const TDescriptor d = ParseDescriptor(p + 4, zip64);
      if (d.compressed != uint64_t(base - dataStart) + i) continue;
      TakeDescriptor(member, d);
      stream_->SetPosition(base + int64_t(i + length));
      return true;
    }
    if (got < block.size()) {
      stream_->SetPosition(dataStart);
      return false;
    }
    ProcessMessages();
  }
}

}  // namespace uz
