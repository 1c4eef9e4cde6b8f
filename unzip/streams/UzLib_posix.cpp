// The component's system calls on POSIX systems. Paths may use "\" as the
// component does; they are mapped to "/" here (see UzLib.h).
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>

#include "streams/UzLib.h"
#include "uzExceptions.h"

namespace uz {

static_assert(sizeof(off_t) == 8, "archives beyond 2 GiB need 64-bit file offsets");

namespace {

std::string NativePath(std::string path) {
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

bool StatPath(const std::string& name, struct stat& st) {
  return !name.empty() && ::stat(NativePath(name).c_str(), &st) == 0;
}

std::string Reason() { return std::strerror(errno); }

}  // namespace

bool FileExists(const std::string& name) {
  struct stat st;
  return StatPath(name, st) && !S_ISDIR(st.st_mode);
}

bool FolderExists(const std::string& name) {
  struct stat st;
  return StatPath(name, st) && S_ISDIR(st.st_mode);
}

// The folder itself first: below a destination being filled its parent
// mostly exists, and one call makes it. Only when a parent is missing are
// the levels above tried, from the deepest up, and then made downwards.
bool CreateFolderPath(const std::string& path) {
  std::string native = NativePath(path);
  while (native.size() > 1 && native.back() == '/') native.pop_back();
  if (::mkdir(native.c_str(), 0777) == 0) return true;
  if (errno == ENOENT) {
    std::size_t made = native.size();
    while (made != std::string::npos && made > 0) {
      made = native.rfind('/', made - 1);
      if (made == std::string::npos || made == 0) break;
      if (::mkdir(native.substr(0, made).c_str(), 0777) == 0 || errno != ENOENT) break;
    }
    for (std::size_t at = made; at != std::string::npos && at < native.size();) {
      at = native.find('/', at + 1);
      ::mkdir(native.substr(0, at).c_str(), 0777);
    }
  }
  return FolderExists(native);
}

std::string CurrentDirectory() {
  std::string buffer(256, '\0');
  while (::getcwd(&buffer[0], buffer.size()) == nullptr) {
    if (errno != ERANGE) return std::string();
    buffer.resize(buffer.size() * 2);
  }
  return buffer.c_str();
}

void ChangeDirectory(const std::string& path) {
  if (::chdir(NativePath(path).c_str()) != 0) {
    throw EInOutError("Cannot change directory to \"" + path + "\". " + Reason());
  }
}

bool ClearRestrictiveAttributes(const std::string& name) {
  struct stat st;
  if (!StatPath(name, st) || S_ISDIR(st.st_mode)) return false;
  if (st.st_mode & S_IWUSR) return true;
  return ::chmod(NativePath(name).c_str(), (st.st_mode & 07777) | S_IWUSR) == 0;
}

namespace {

mode_t ModeFor(const struct stat& st, uint32_t attributes) {
  mode_t mode = st.st_mode & 07777;
  return (attributes & kAttrReadOnly) ? (mode & ~0222) : (mode | S_IWUSR);
}

int Descriptor(const TFileStream& file) { return static_cast<int>(file.Handle()); }

constexpr int64_t kSecondsFrom1601To1970 = 11644473600LL;
constexpr int64_t kTicksPerSecond = 10000000;  // file times count 100 ns

// The last-write time as utimensat and futimens take it, the last-access
// time left as it is.
void ToTimes(int64_t fileTime, struct timespec (&times)[2]) {
  times[0].tv_sec = 0;
  times[0].tv_nsec = UTIME_OMIT;
  int64_t seconds = fileTime / kTicksPerSecond, ticks = fileTime % kTicksPerSecond;
  if (ticks < 0) {
    --seconds;
    ticks += kTicksPerSecond;
  }
  times[1].tv_sec = static_cast<std::time_t>(seconds - kSecondsFrom1601To1970);
  times[1].tv_nsec = static_cast<long>(ticks * 100);
}

}  // namespace

bool SetAttributes(const std::string& name, uint32_t attributes) {
  struct stat st;
  if (!StatPath(name, st)) return false;
  return ::chmod(NativePath(name).c_str(), ModeFor(st, attributes)) == 0;
}

bool SetAttributes(TFileStream& file, uint32_t attributes) {
  struct stat st;
  if (::fstat(Descriptor(file), &st) != 0) return false;
  const mode_t mode = ModeFor(st, attributes);
  return mode == (st.st_mode & 07777) || ::fchmod(Descriptor(file), mode) == 0;
}

bool DosDateTimeToFileTime(uint32_t dosDateTime, int64_t& fileTime) {
  TDosDateTime t{};
  if (!DecodeDosDateTime(dosDateTime, t)) return false;
  std::tm local{};
  local.tm_year = t.year - 1900;
  local.tm_mon = t.month - 1;
  local.tm_mday = t.day;
  local.tm_hour = t.hour;
  local.tm_min = t.minute;
  local.tm_sec = t.second;
  local.tm_isdst = -1;  // as the local clock showed it then
  std::time_t when = std::mktime(&local);
  if (when == static_cast<std::time_t>(-1)) return false;
  fileTime = (static_cast<int64_t>(when) + kSecondsFrom1601To1970) * kTicksPerSecond;
  return true;
}

bool SetFileDosDateTime(const std::string& name, uint32_t dosDateTime) {
  int64_t fileTime = 0;
  if (!DosDateTimeToFileTime(dosDateTime, fileTime)) return false;
  struct timespec times[2];
  ToTimes(fileTime, times);
  return ::utimensat(AT_FDCWD, NativePath(name).c_str(), times, 0) == 0;
}

bool SetModificationTime(TFileStream& file, int64_t fileTime) {
  struct timespec times[2];
  ToTimes(fileTime, times);
  return ::futimens(Descriptor(file), times) == 0;
}

bool DeleteFileAt(const std::string& name) {
  return !name.empty() && ::unlink(NativePath(name).c_str()) == 0;
}

std::string VolumeLabel(const std::string& /*root*/) { return std::string(); }

bool IsRemovableDrive(const std::string& /*root*/) { return false; }

// ---- TFileStream ----
// Sharing bits have no counterpart here (POSIX locks are advisory) and are ignored.

TFileStream::TFileStream(const std::string& fileName, uint16_t mode, bool clearRestrictive)
    : fileName_(fileName) {
  int flags = O_CLOEXEC;
  if (mode == kFmCreate) {
    flags |= O_RDWR | O_CREAT | O_TRUNC;
  } else {
    int access = mode & 0x3;
    flags |= access == kFmOpenWrite ? O_WRONLY : access == kFmOpenReadWrite ? O_RDWR : O_RDONLY;
  }
  clearRestrictive = clearRestrictive && (mode == kFmCreate || (mode & 0x3) != kFmOpenRead);
  const std::string native = NativePath(fileName);
  if (mode == kFmCreate) {
    // A file this call creates is neither a folder nor read-only: nothing
    // below needs to look at it. Only a name already taken goes the long way.
    int fd = ::open(native.c_str(), flags | O_EXCL, 0666);
    if (fd >= 0 || errno != EEXIST) {
      if (fd < 0) throw EFCreateError("Cannot create file \"" + fileName + "\". " + Reason());
      handle_ = fd;
      return;
    }
  }
  int fd = ::open(native.c_str(), flags, 0666);
  if (fd < 0 && errno == EACCES && clearRestrictive) {
    // Only a file that refuses the write has its permissions looked at.
    if (ClearRestrictiveAttributes(fileName))
      fd = ::open(native.c_str(), flags, 0666);
    else
      errno = EACCES;
  }
  if (fd >= 0) {
    struct stat st;
    const bool known = ::fstat(fd, &st) == 0;
    if (known && S_ISDIR(st.st_mode)) {
      ::close(fd);
      fd = -1;
      errno = EISDIR;
    } else if (known && clearRestrictive && !(st.st_mode & S_IWUSR)) {
      // Opened all the same (the super-user may): the file is made writable
      // as it would have been had the open been refused.
      ::fchmod(fd, (st.st_mode & 07777) | S_IWUSR);
    }
  }
  if (fd < 0) {
    if (mode == kFmCreate) {
      throw EFCreateError("Cannot create file \"" + fileName + "\". " + Reason());
    }
    throw EFOpenError("Cannot open file \"" + fileName + "\". " + Reason());
  }
  handle_ = fd;
}

TFileStream::~TFileStream() { ::close(static_cast<int>(handle_)); }

std::size_t TFileStream::Read(void* buffer, std::size_t count) {
  auto* out = static_cast<char*>(buffer);
  std::size_t done = 0;
  while (done < count) {
    ssize_t n = ::read(static_cast<int>(handle_), out + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  if (position_ >= 0) position_ += static_cast<int64_t>(done);
  return done;
}

std::size_t TFileStream::Write(const void* buffer, std::size_t count) {
  const auto* in = static_cast<const char*>(buffer);
  std::size_t done = 0;
  while (done < count) {
    ssize_t n = ::write(static_cast<int>(handle_), in + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  if (position_ >= 0) position_ += static_cast<int64_t>(done);
  return done;
}

int64_t TFileStream::Seek(int64_t offset, int origin) {
  if (origin != kSeekBeginning && origin != kSeekCurrent && origin != kSeekEnd) return -1;
  if (origin == kSeekCurrent && offset == 0 && position_ >= 0) return position_;
  int whence = origin == kSeekBeginning ? SEEK_SET : origin == kSeekCurrent ? SEEK_CUR : SEEK_END;
  position_ = ::lseek(static_cast<int>(handle_), offset, whence);
  return position_;
}

int64_t TFileStream::Size() {
  struct stat st;
  return ::fstat(static_cast<int>(handle_), &st) == 0 ? st.st_size : -1;
}

int64_t TFileStream::ModificationTime() const {
  struct stat st;
  if (::fstat(static_cast<int>(handle_), &st) != 0) return 0;
  return (static_cast<int64_t>(st.st_mtim.tv_sec) + kSecondsFrom1601To1970) * kTicksPerSecond +
         st.st_mtim.tv_nsec / 100;
}

}  // namespace uz
