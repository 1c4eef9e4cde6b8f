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
// The descriptor search reads this much at a time; the hunt for a local
// header starts with the smaller block and doubles it up to the larger.
constexpr size_t kSearchBlock = 65536;
constexpr size_t kHuntFirstBlock = 512;

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

// Counts bytes hunted through that are not "P", processing pending
// messages after every kScanMessageInterval of them.
void TUnZip::CountHunted(size_t bytes, int& counted) {
  while (bytes > 0) {
    const size_t step = std::min(bytes, size_t(kScanMessageInterval - counted));
    counted += int(step);
    bytes -= step;
    if (counted == kScanMessageInterval) {
      counted = 0;
      ProcessMessages();
    }
  }
}

// Byte by byte in effect, but a run of bytes without "P" is passed over at
// once: after a damaged member the hunt may cross the rest of a large file.
// Reads start small, since the next header mostly follows at once.
bool TUnZip::HuntLocalSignature() {
  static constexpr uint8_t kSignature[4] = {'P', 'K', 3, 4};
  std::vector<uint8_t> block(kHuntFirstBlock);
  int matched = 0;
  int counted = 0;
  for (int64_t base = stream_->Position();;) {
    const size_t got = stream_->Read(block.data(), block.size());
    if (got == 0) return false;
    for (size_t i = 0; i < got; ++i) {
      if (matched == 0) {
        const void* hit = std::memchr(block.data() + i, 'P', got - i);
        const size_t next = hit ? size_t(static_cast<const uint8_t*>(hit) - block.data()) : got;
        CountHunted(next - i, counted);
        if ((i = next) == got) break;
      }
      const uint8_t b = block[i];
      if (b == kSignature[matched]) {
        if (++matched < 4) continue;
        stream_->SetPosition(base + int64_t(i) - 3);
        return true;
      }
      // A byte that breaks the pattern may itself begin it.
      matched = b == 'P' ? 1 : 0;
      if (matched == 0) CountHunted(1, counted);
    }
    base += int64_t(got);
    if (block.size() < kSearchBlock) block.resize(block.size() * 2);
  }
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
    AddMember(std::move(owned));
    stream_->SetPosition(dataStart + int64_t(size));
    return true;
  }
  SkipStreamedData(member, HasZip64Extra(extra.data(), extra.size()), dataStart);
  AddMember(std::move(owned));
  return true;
}

// A member with flag bit 3: its sizes may be missing from the local header
// (0, or 0xFFFFFFFF behind a ZIP64 extra field) and its data descriptor is
// 12, 16, 20 or 24 bytes long. Leaves the stream behind the descriptor, or
// where the walk goes on without one.
void TUnZip::SkipStreamedData(TZipHeaderInfo& member, bool zip64, int64_t dataStart) {
  // Streamed members keep their local 32-bit sizes here (no ZIP64 block applied).
  const uint64_t localSize = member.CompressedSize;
  if (localSize != 0 && localSize != 0xFFFFFFFF) {
    if (ProbeDescriptor(member, zip64, dataStart)) return;
    // Taking whatever stands there as the descriptor would pass a member on
    // made-up values, and step into the next header. The member fails when
    // extracted; the walk goes on at the next local header after its data
    // (right there when a writer only forgot the descriptor), or, when none
    // follows, where its data ends, where central records may stand.
    member.Damage = TMemberFault::NoDescriptor;
    const int64_t end = OffsetPosition(dataStart, int64_t(localSize));
    stream_->SetPosition(end);
    if (!HuntLocalSignature()) stream_->SetPosition(end);
    return;
  }
  // An empty member: a descriptor right at the data.
  if (localSize == 0 && DescriptorAt(member, zip64, dataStart, 0)) return;
  // Listed with the zero sizes of its local header, the member would extract
  // as an empty file that passes its check; left out, the walk would end
  // here and every later member would be lost too.
  if (!FindDescriptor(member, zip64, dataStart))
    throw EFatalUnzipError("No data descriptor ends the member \"" + member.FullName() + "\"");
}

// Where a writer can have put the descriptor of a member whose local header
// gives its size: at that size, or, for a writer that kept only the low 32
// bits of a larger member's size, 4 GiB further for each time it wrapped.
// A few reads per member, however large the archive: a search through the
// rest of the file for each member would take members times bytes.
bool TUnZip::ProbeDescriptor(TZipHeaderInfo& member, bool zip64, int64_t dataStart) {
  constexpr uint64_t kWrap = uint64_t(1) << 32;
  const uint64_t size = uint64_t(stream_->Size());
  for (uint64_t length = member.CompressedSize;
       uint64_t(dataStart) <= size && length <= size - uint64_t(dataStart); length += kWrap)
    if (DescriptorAt(member, zip64, OffsetPosition(dataStart, int64_t(length)), length))
      return true;
  return false;
}

// The descriptor at the end of the data, with or without its signature,
// when its compressed size is the data's length; the stream then goes
// behind it. False when there is none.
bool TUnZip::DescriptorAt(TZipHeaderInfo& member, bool zip64, int64_t end, uint64_t length) {
  uint8_t d[kDescriptorWindow];
  stream_->SetPosition(end);
  const size_t got = stream_->Read(d, sizeof d);
  const size_t sign = got >= 4 && GetLe32(d) == kDescriptorSignature ? 4 : 0;
  TDescriptor found;
  const size_t body = MatchDescriptor(d + sign, got - sign, zip64, length, sign != 0, found);
  if (body == 0) return false;
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
    // A full block leaves its overlap to the next one; the last block is
    // searched up to the last place a 16-byte descriptor fits.
    const size_t fits = got < 16 ? 0 : got - 15;
    const size_t last = got == block.size() ? kSearchBlock : fits;
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
