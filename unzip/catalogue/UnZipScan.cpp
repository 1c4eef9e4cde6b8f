// The local-header scan: for archives whose central directory is missing or
// cannot be found, members are found by walking their local headers.
#include <algorithm>
#include <cstring>
#include <initializer_list>
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

// A data descriptor: CRC and sizes, 8-byte sizes in the ZIP64 form.
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

// The descriptor whose compressed size is the data's length, when the held
// bytes (starting behind the optional signature, up to the end of the file
// or 4 bytes past the longer form) make one. A ZIP64 extra field announces
// the 8-byte form, but writers also use that form without one once a member
// passes 4 GiB; as the two forms can read the same bytes with the same
// compressed size, the one that a record (or the end of the file) follows
// wins, else the announced one. A descriptor without its signature is taken
// only where a record follows: nothing else tells it from data. Returns the
// body's length, 0 for no match.
size_t MatchDescriptor(const uint8_t* p, size_t held, bool zip64, uint64_t length, bool signed_,
                       TDescriptor& d) {
  size_t chosen = 0;
  for (const bool wide : {zip64, !zip64}) {
    const size_t body = DescriptorBody(wide);
    if (held < body) continue;
    const TDescriptor candidate = ParseDescriptor(p, wide);
    if (candidate.compressed != length) continue;
    const bool followed =
        held == body || (held >= body + 4 && IsRecordSignature(GetLe32(p + body)));
    if (followed || (chosen == 0 && signed_)) {
      d = candidate;
      chosen = body;
    }
    if (followed) break;
  }
  return chosen;
}

// Read at a possible descriptor: its signature, the longer form, and the
// signature of the record behind it.
constexpr size_t kDescriptorWindow = 4 + 20 + 4;

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
// data; false (with the stream back at start) when no header is there.
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
  SkipStreamedData(member, HasZip64Extra(extra.data(), extra.size()), dataStart);
  members_->Add(owned.release());
  return true;
}

// A member with flag bit 3: its sizes may be missing from the local header
// (0, or 0xFFFFFFFF behind a ZIP64 extra field) and its data descriptor is
// 12, 16, 20 or 24 bytes long. Leaves the stream behind the descriptor.
void TUnZip::SkipStreamedData(TZipHeaderInfo& member, bool zip64, int64_t dataStart) {
  // Streamed members keep their local 32-bit sizes here (no ZIP64 block applied).
  const uint64_t localSize = member.CompressedSize;
  if (localSize != 0 && localSize != 0xFFFFFFFF) {
    // The local size gives the end of the data when a descriptor there agrees
    // with it; a writer that kept only the low 32 bits of a larger member's
    // size points into its data instead, and the descriptor is searched for.
    const int64_t end = OffsetPosition(dataStart, int64_t(localSize));
    if (DescriptorAt(member, zip64, end, true) || FindDescriptor(member, zip64, dataStart)) return;
    // Found nowhere: the local sizes stand (with what lies where the
    // descriptor should be), and the member fails when it is extracted.
    DescriptorAt(member, zip64, end, false);
    return;
  }
  // An empty member: a descriptor right at the data.
  if (localSize == 0 && DescriptorAt(member, zip64, dataStart, true)) return;
  // Listed with the zero sizes of its local header, the member would extract
  // as an empty file that passes its check; left out, the walk would end
  // here and every later member would be lost too.
  if (!FindDescriptor(member, zip64, dataStart))
    throw EFatalUnzipError("No data descriptor ends the member \"" + member.FullName() + "\"");
}

// The descriptor at the end of the data, with or without its signature. With
// matching, only one whose compressed size is the data's length is taken;
// without, whatever stands there is (when the file holds that much), and
// the stream goes behind it in any case. False when nothing was taken.
bool TUnZip::DescriptorAt(TZipHeaderInfo& member, bool zip64, int64_t end, bool matching) {
  uint8_t d[kDescriptorWindow];
  stream_->SetPosition(end);
  const size_t got = stream_->Read(d, sizeof d);
  const size_t sign = got >= 4 && GetLe32(d) == kDescriptorSignature ? 4 : 0;
  TDescriptor found;
  size_t body = DescriptorBody(zip64);
  if (matching) {
    // The member still holds its local sizes: the length the data should have.
    body = MatchDescriptor(d + sign, got - sign, zip64, member.CompressedSize, sign != 0, found);
    if (body == 0) return false;
  } else if (got < sign + body) {
    stream_->SetPosition(OffsetPosition(end, int64_t(sign + body)));
    return false;
  } else {
    found = ParseDescriptor(d + sign, zip64);
  }
  TakeDescriptor(member, found);
  stream_->SetPosition(OffsetPosition(end, int64_t(sign + body)));
  return true;
}

// The data ends at the first descriptor signature whose compressed-size
// field equals its full distance from the start of the data; false when
// there is none.
bool TUnZip::FindDescriptor(TZipHeaderInfo& member, bool zip64, int64_t dataStart) {
  std::vector<uint8_t> block(kSearchBlock + kDescriptorWindow);
  for (int64_t base = dataStart;; base += int64_t(kSearchBlock)) {
    stream_->SetPosition(base);
    const size_t got = stream_->Read(block.data(), block.size());
    const size_t last = std::min(kSearchBlock, got < 16 ? 0 : got - 15);
    for (size_t i = 0; i < last; ++i) {
      // Large members are mostly searched through: the library's scan for
      // the signature's first byte is many times faster than a loop.
      const void* hit = std::memchr(block.data() + i, 'P', last - i);
      if (!hit) break;
      i = size_t(static_cast<const uint8_t*>(hit) - block.data());
      const uint8_t* p = block.data() + i;
      if (GetLe32(p) != kDescriptorSignature) continue;
      TDescriptor d;
      const uint64_t distance = uint64_t(base - dataStart) + i;
      if (const size_t body = MatchDescriptor(p + 4, got - i - 4, zip64, distance, true, d)) {
        TakeDescriptor(member, d);
        stream_->SetPosition(base + int64_t(i + 4 + body));
        return true;
      }
    }
    if (got < block.size()) return false;
    ProcessMessages();
  }
}

}  // namespace uz
