#pragma once
// Small routines of the archive component: strings, numbers, and every call
// it makes to the operating system (UzLib_posix.cpp / UzLib_win.cpp).
//
// Paths are UTF-8 everywhere. The component builds paths with "\" as its
// folder separator, as the catalogue holds member names. On POSIX systems
// every path given to these routines may therefore use "\" as well as "/";
// each "\" is taken as a separator and mapped to "/" before the system is
// called (so a POSIX file name that itself contains "\" cannot be reached).
// Paths returned by the system (CurrentDirectory) are in its own spelling.
#include <cstdint>
#include <memory>
#include <string>

#include "streams/uzSStrm.h"

namespace uz {

// ---- Portable routines (UzLib.cpp) ----

int32_t Min(int32_t a, int32_t b);
int32_t Max(int32_t a, int32_t b);

// Replaces every "/" by "\", in place.
void SlashesToBackslashes(std::string& name);
// The last n characters (bytes); the whole text when it is shorter.
std::string RightPart(const std::string& text, int n);
// The first n characters (bytes); the whole text when it is shorter.
std::string LeftPart(const std::string& text, int n);
// pattern with its first "%s" or "%d" replaced by arg (the component's
// messages take one argument each; nothing else in pattern is interpreted).
std::string FormatWith(const std::string& pattern, const std::string& arg);

// part as a percentage of whole, rounded to the nearest integer (halves to
// even), at most 100; 0 when whole is 0. Exact for every 64-bit value.
int Percentage(uint64_t part, uint64_t whole);

// Broken-down MS-DOS date and time (time in the low 16 bits, date in the high).
struct TDosDateTime {
  int year, month, day, hour, minute, second;
};
// Splits a DOS date-time; false when it names no real moment (month 0, day
// 31 in a 30-day month, hour 24, second 60 ...).
bool DecodeDosDateTime(uint32_t dosDateTime, TDosDateTime& out);
// The moment as days since 1899-12-30 with the time as fraction (the
// date-time the catalogue orders by); false when it does not convert.
bool DosDateTimeToDays(uint32_t dosDateTime, double& days);

// File attribute bits (the archive's external attributes use them too).
constexpr uint32_t kAttrReadOnly = 0x01;
constexpr uint32_t kAttrHidden = 0x02;
constexpr uint32_t kAttrSystem = 0x04;
constexpr uint32_t kAttrDirectory = 0x10;
constexpr uint32_t kAttrArchive = 0x20;

// ---- Platform routines (UzLib_posix.cpp, UzLib_win.cpp) ----

bool FileExists(const std::string& name);    // a file, not a folder
bool FolderExists(const std::string& name);  // a folder
// Creates the folder and every missing parent; true when it exists afterwards.
bool CreateFolderPath(const std::string& path);
// The current directory (on Windows of the current drive).
std::string CurrentDirectory();
// Makes path current; raises EInOutError naming the folder on failure.
void ChangeDirectory(const std::string& path);
// Clears the read-only, hidden and system attributes of an existing file
// (on POSIX: makes it writable by its owner). False when that failed or
// there is no such file; callers do not need to check.
bool ClearRestrictiveAttributes(const std::string& name);
// Sets the attribute bits above (on POSIX only read-only has a meaning:
// it removes every write permission, its absence grants the owner's).
bool SetAttributes(const std::string& name, uint32_t attributes);
// Sets the file's last-write time to a DOS date-time taken as local time.
bool SetFileDosDateTime(const std::string& name, uint32_t dosDateTime);
bool DeleteFileAt(const std::string& name);
// The label of the volume whose root is given ("A:\"); empty when it has
// none or cannot be read, and always on POSIX.
std::string VolumeLabel(const std::string& root);
// True when root ("A:\") is a removable drive; always false on POSIX.
bool IsRemovableDrive(const std::string& root);

// ---- File streams ----

// A DOS date-time taken as local time, as a file time: 100-ns units since
// 1601-01-01 UTC, the scale of TFileStream::ModificationTime on every
// platform. False when it names no moment.
bool DosDateTimeToFileTime(uint32_t dosDateTime, int64_t& fileTime);

class TFileStream;
// The last-write time and the attributes of a file the caller holds open
// for writing, through its handle: no second open and no path lookup. Its
// pending writes must have reached the file, and none may follow (they
// would move the time again).
bool SetModificationTime(TFileStream& file, int64_t fileTime);
bool SetAttributes(TFileStream& file, uint32_t attributes);

// Open modes: access in the low bits, sharing in 0xF0, or kFmCreate.
constexpr uint16_t kFmOpenRead = 0x0000;
constexpr uint16_t kFmOpenWrite = 0x0001;
constexpr uint16_t kFmOpenReadWrite = 0x0002;
constexpr uint16_t kFmShareDenyWrite = 0x0020;  // others may read, not write
constexpr uint16_t kFmCreate = 0xFFFF;          // create or truncate, read-write

// The platform file, unbuffered. 64-bit positions and sizes. The position is
// tracked as reads, writes and seeks move it, so asking for it costs no system
// call; the file must therefore not be moved through Handle() behind its back.
class TFileStream : public TStream {
 public:
  // Raises EFOpenError 'Cannot open file "<name>". <reason>' or, for
  // kFmCreate, EFCreateError 'Cannot create file "<name>". <reason>'.
  // With clearRestrictive, a writing mode replaces a file whose read-only,
  // hidden or system attributes stand in the way: they are cleared as
  // ClearRestrictiveAttributes does. (On POSIX systems the permissions are
  // looked at only when the open is refused or the opened file is not
  // writable by its owner, so that the common case costs no extra call.)
  TFileStream(const std::string& fileName, uint16_t mode, bool clearRestrictive = false);
  ~TFileStream() override;  // closes the file

  std::size_t Read(void* buffer, std::size_t count) override;
  std::size_t Write(const void* buffer, std::size_t count) override;
  int64_t Seek(int64_t offset, int origin) override;
  int64_t Size() override;

  const std::string& FileName() const { return fileName_; }
  // The platform handle (a file descriptor, or a Windows HANDLE).
  intptr_t Handle() const { return handle_; }
  // Last-write time of the open file in 100-ns units since 1601-01-01 UTC
  // (the same scale on every platform); 0 when it cannot be read.
  int64_t ModificationTime() const;

 private:
  std::string fileName_;
  intptr_t handle_;
  int64_t position_ = 0;  // -1 when a failed seek left it unknown
};

namespace detail {
// Holds the file so that it is opened before, and closed after, the buffer
// that works over it (a base class constructed first, destroyed last).
struct TOwnedFile {
  TOwnedFile(const std::string& fileName, uint16_t mode);
  std::unique_ptr<TFileStream> file;
};
}  // namespace detail

// The component's file stream: a TS_BufferStream over a file it opens and
// owns. The read-only, hidden and system attributes of an existing file are
// cleared before it is opened, so an output file can always be replaced.
// Destruction flushes pending data and then closes the file.
class TLFNFileStream : private detail::TOwnedFile, public TS_BufferStream {
 public:
  TLFNFileStream(const std::string& fileName, uint16_t mode);
  ~TLFNFileStream() override;

  TFileStream& File() { return *file; }
  intptr_t Handle() const { return file->Handle(); }
  int64_t ModificationTime() const { return file->ModificationTime(); }
};

}  // namespace uz
