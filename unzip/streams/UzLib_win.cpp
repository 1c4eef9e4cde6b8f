// The component's system calls on Windows, through the wide (W) functions:
// paths arrive as UTF-8 and are converted here.
#include <windows.h>

#include <algorithm>

#include "streams/FileCalls_win.h"
#include "streams/UzLib.h"
#include "uzExceptions.h"
#include "streams/uzUtf8_win.h"

namespace uz {

namespace {

std::string Reason(DWORD error) {
  wchar_t* text = nullptr;
  DWORD n = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string reason = n ? Narrow(text, n) : "System error " + std::to_string(error);
  if (text) LocalFree(text);
  while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r')) reason.pop_back();
  return reason;
}

DWORD Attributes(const std::string& name) {
  return name.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(Widen(name).c_str());
}

HANDLE ToHandle(intptr_t h) { return reinterpret_cast<HANDLE>(h); }

// Length of the part of path that names a root: "C:\", "\\server\share\", "\".
std::size_t RootLength(const std::string& path) {
  if (path.size() >= 2 && path[1] == ':') return path.size() >= 3 && path[2] == '\\' ? 3 : 2;
  if (path.compare(0, 2, "\\\\") == 0) {
    std::size_t server = path.find('\\', 2);
    if (server == std::string::npos) return path.size();
    std::size_t share = path.find('\\', server + 1);
    return share == std::string::npos ? path.size() : share + 1;
  }
  return !path.empty() && path[0] == '\\' ? 1 : 0;
}

}  // namespace

bool FileExists(const std::string& name) {
  DWORD a = Attributes(name);
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool FolderExists(const std::string& name) {
  DWORD a = Attributes(name);
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

// The folder itself first: below a destination being filled its parent
// mostly exists, and one call makes it. Only when a parent is missing are
// the levels above (past the root) tried, from the deepest up, and then made
// downwards.
bool CreateFolderPath(const std::string& path) {
  std::string p = path;
  SlashesToBackslashes(p);
  const std::size_t root = RootLength(p);
  while (p.size() > root && p.size() > 1 && p.back() == '\\') p.pop_back();
  if (syscalls::CreateFolder(Widen(p))) return true;
  if (GetLastError() == ERROR_PATH_NOT_FOUND) {
    std::size_t made = p.size();
    while (made != std::string::npos && made > root) {
      made = p.rfind('\\', made - 1);
      if (made == std::string::npos || made < root) break;
      if (syscalls::CreateFolder(Widen(p.substr(0, made))) ||
          GetLastError() != ERROR_PATH_NOT_FOUND)
        break;
    }
    if (made == std::string::npos || made < root) made = root;
    for (std::size_t at = made; at != std::string::npos && at < p.size();) {
      at = p.find('\\', at + 1);
      syscalls::CreateFolder(Widen(p.substr(0, at)));
    }
  }
  return FolderExists(p);
}

std::string CurrentDirectory() {
  DWORD n = GetCurrentDirectoryW(0, nullptr);
  std::wstring buffer(n, L'\0');
  n = GetCurrentDirectoryW(n, &buffer[0]);
  return Narrow(buffer.data(), n);
}

void ChangeDirectory(const std::string& path) {
  if (!SetCurrentDirectoryW(Widen(path).c_str())) {
    throw EInOutError("Cannot change directory to \"" + path + "\". " + Reason(GetLastError()));
  }
}

bool ClearRestrictiveAttributes(const std::string& name) {
  DWORD a = Attributes(name);
  if (a == INVALID_FILE_ATTRIBUTES || (a & FILE_ATTRIBUTE_DIRECTORY)) return false;
  const DWORD restrictive = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
  if (!(a & restrictive)) return true;
  DWORD rest = a & ~restrictive;
  return syscalls::SetAttributesOf(Widen(name), rest ? rest : FILE_ATTRIBUTE_NORMAL) != 0;
}

bool SetAttributes(const std::string& name, uint32_t attributes) {
  // Archives made on other systems keep their own permission bits in the
  // high half; only the four settable DOS bits are meaningful here.
  DWORD a = attributes & (kAttrReadOnly | kAttrHidden | kAttrSystem | kAttrArchive);
  return syscalls::SetAttributesOf(Widen(name), a ? a : FILE_ATTRIBUTE_NORMAL) != 0;
}

bool SetAttributes(TFileStream& file, uint32_t attributes) {
  // Attributes have no handle-based call before Vista; by name they may be
  // set while the file is open.
  return SetAttributes(file.FileName(), attributes);
}

namespace {

// The last-write time of a DOS date-time taken as local time; false when it
// names no moment.
bool DosDateTimeToUtc(uint32_t dosDateTime, FILETIME& utc) {
  TDosDateTime check{};
  if (!DecodeDosDateTime(dosDateTime, check)) return false;
  FILETIME local;
  return DosDateTimeToFileTime(static_cast<WORD>(dosDateTime >> 16),
                               static_cast<WORD>(dosDateTime & 0xFFFF), &local) &&
         LocalFileTimeToFileTime(&local, &utc);
}

}  // namespace

bool SetFileDosDateTime(const std::string& name, uint32_t dosDateTime) {
  FILETIME utc;
  if (!DosDateTimeToUtc(dosDateTime, utc)) return false;
  // Attribute-write access suffices for the time, so a read-only file gets it too.
  HANDLE h =
      syscalls::CreateFileAt(Widen(name), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL);
  if (h == INVALID_HANDLE_VALUE) return false;
  bool ok = syscalls::SetLastWriteTime(h, &utc) != 0;
  CloseHandle(h);
  return ok;
}

bool DosDateTimeToFileTime(uint32_t dosDateTime, int64_t& fileTime) {
  FILETIME utc;
  if (!DosDateTimeToUtc(dosDateTime, utc)) return false;
  fileTime =
      static_cast<int64_t>((static_cast<uint64_t>(utc.dwHighDateTime) << 32) | utc.dwLowDateTime);
  return true;
}

bool SetModificationTime(TFileStream& file, int64_t fileTime) {
  FILETIME utc;
  utc.dwLowDateTime = static_cast<DWORD>(static_cast<uint64_t>(fileTime) & 0xFFFFFFFFu);
  utc.dwHighDateTime = static_cast<DWORD>(static_cast<uint64_t>(fileTime) >> 32);
  return syscalls::SetLastWriteTime(ToHandle(file.Handle()), &utc) != 0;
}

bool DeleteFileAt(const std::string& name) { return syscalls::DeleteFileAt(Widen(name)) != 0; }

std::string VolumeLabel(const std::string& root) {
  wchar_t label[MAX_PATH + 1] = {};
  if (!GetVolumeInformationW(Widen(root).c_str(), label, MAX_PATH + 1, nullptr, nullptr, nullptr,
                             nullptr, 0)) {
    return std::string();
  }
  return Narrow(std::wstring(label));
}

bool IsRemovableDrive(const std::string& root) {
  return GetDriveTypeW(Widen(root).c_str()) == DRIVE_REMOVABLE;
}

// ---- TFileStream ----

TFileStream::TFileStream(const std::string& fileName, uint16_t mode, bool clearRestrictive)
    : fileName_(fileName) {
  DWORD access = GENERIC_READ | GENERIC_WRITE;
  DWORD share = FILE_SHARE_READ;
  DWORD disposition = CREATE_ALWAYS;
  if (mode != kFmCreate) {
    static const DWORD kAccess[4] = {GENERIC_READ, GENERIC_WRITE, GENERIC_READ | GENERIC_WRITE,
                                     GENERIC_READ};
    // 0x00 (compatible) lets others read; 0x10 exclusive; 0x20 deny write;
    // 0x30 deny read; 0x40 deny none.
    static const DWORD kShare[5] = {FILE_SHARE_READ, 0, FILE_SHARE_READ, FILE_SHARE_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE};
    access = kAccess[mode & 0x3];
    share = kShare[((mode & 0xF0) >> 4) % 5];
    disposition = OPEN_EXISTING;
  }
  // Read-only, hidden and system files refuse to be opened for writing or
  // replaced. Their attributes are cleared first: asking the open to fail
  // would not do, as a file system that ignores them (Wine run by the
  // super-user) would keep a read-only attribute on the new content.
  if (clearRestrictive && (mode == kFmCreate || (mode & 0x3) != kFmOpenRead))
    ClearRestrictiveAttributes(fileName);
  HANDLE h =
      syscalls::CreateFileAt(Widen(fileName), access, share, disposition, FILE_ATTRIBUTE_NORMAL);
  if (h == INVALID_HANDLE_VALUE) {
    std::string reason = Reason(GetLastError());
    if (mode == kFmCreate) {
      throw EFCreateError("Cannot create file \"" + fileName + "\". " + reason);
    }
    throw EFOpenError("Cannot open file \"" + fileName + "\". " + reason);
  }
  handle_ = reinterpret_cast<intptr_t>(h);
}

TFileStream::~TFileStream() { CloseHandle(ToHandle(handle_)); }

std::size_t TFileStream::Read(void* buffer, std::size_t count) {
  auto* out = static_cast<char*>(buffer);
  std::size_t done = 0;
  while (done < count) {
    DWORD want = static_cast<DWORD>(std::min<std::size_t>(count - done, 1u << 30));
    DWORD got = 0;
    if (!ReadFile(ToHandle(handle_), out + done, want, &got, nullptr) || got == 0) break;
    done += got;
  }
  if (position_ >= 0) position_ += static_cast<int64_t>(done);
  return done;
}

std::size_t TFileStream::Write(const void* buffer, std::size_t count) {
  const auto* in = static_cast<const char*>(buffer);
  std::size_t done = 0;
  while (done < count) {
    DWORD want = static_cast<DWORD>(std::min<std::size_t>(count - done, 1u << 30));
    DWORD put = 0;
    if (!syscalls::WriteToFile(ToHandle(handle_), in + done, want, &put) || put == 0) break;
    done += put;
  }
  if (position_ >= 0) position_ += static_cast<int64_t>(done);
  return done;
}

int64_t TFileStream::Seek(int64_t offset, int origin) {
  if (origin != kSeekBeginning && origin != kSeekCurrent && origin != kSeekEnd) return -1;
  if (origin == kSeekCurrent && offset == 0 && position_ >= 0) return position_;
  static const DWORD kMethod[3] = {FILE_BEGIN, FILE_CURRENT, FILE_END};
  LARGE_INTEGER distance, result;
  distance.QuadPart = offset;
  if (!SetFilePointerEx(ToHandle(handle_), distance, &result, kMethod[origin])) {
    position_ = -1;  // a failed move leaves the pointer where it was; ask next time
    return -1;
  }
  position_ = result.QuadPart;
  return position_;
}

int64_t TFileStream::Size() {
  LARGE_INTEGER size;
  return GetFileSizeEx(ToHandle(handle_), &size) ? size.QuadPart : -1;
}

int64_t TFileStream::ModificationTime() const {
  FILETIME written;
  if (!GetFileTime(ToHandle(handle_), nullptr, nullptr, &written)) return 0;
  return static_cast<int64_t>((static_cast<uint64_t>(written.dwHighDateTime) << 32) |
                              written.dwLowDateTime);
}

}  // namespace uz
