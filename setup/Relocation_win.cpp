#include "Relocation_win.h"

#include <windows.h>

#include <cstdio>

#include "AccessCheck.h"
#include "DeleteAtRestart.h"
#include "FilesAndFolders.h"
#include "RunMode.h"
#include "SpecialFolders.h"
#include "SystemCalls.h"
#include "Utf.h"

namespace {

class HandleGuard {
 public:
  explicit HandleGuard(HANDLE handle) : handle_(handle) {}
  ~HandleGuard() {
    if (handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }
  HandleGuard(HandleGuard&& other) noexcept : handle_(other.handle_) { other.handle_ = nullptr; }
  HandleGuard(const HandleGuard&) = delete;
  HandleGuard& operator=(const HandleGuard&) = delete;
  HANDLE Get() const { return handle_; }
  void Reset() {
    if (handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    handle_ = nullptr;
  }

 private:
  HANDLE handle_;
};

// An earlier copy may carry read-only, hidden or system attributes (the file
// it came from may have had them); they would make its deletion fail.
void RemoveEarlierCopy(const std::wstring& copy) {
  const DWORD attributes = GetFileAttributesW(copy.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    const DWORD blocking = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    syscalls::SetAttributesOf(copy, attributes & ~blocking);
  }
  syscalls::DeleteFileAt(copy);
}

// A folder of the copy's own in the temporary folder: made new (a name
// that stands already, whatever it is, is passed over) with the product
// folders' access list. The user's programs without administrator rights
// write in the temporary folder; in this folder they can neither replace the
// copy nor put a library beside it. Empty when none can be made.
std::wstring MakeCopyFolder(const std::string& temp) {
  TSecurityAttributes security(kProductFolderSecurity);
  if (!security.Get()) return std::wstring();
  const uint32_t seed = GetTickCount() * 2654435761u ^ GetCurrentProcessId();
  for (uint32_t attempt = 0; attempt < 16; ++attempt) {
    const std::string folder = RelocationFolderIn(temp, seed + attempt * 0x9E3779B9u);
    if (syscalls::CreateSecuredFolder(toolkit::Widen(folder), security.Get()))
      return IsPlainFolderAt(folder) ? toolkit::Widen(folder) : std::wstring();
    if (GetLastError() != ERROR_ALREADY_EXISTS) break;
  }
  return std::wstring();
}

// Opened without write or delete sharing, the copy can be neither changed nor
// renamed nor replaced until the handle closes, while the system can still
// open it for execution.
HANDLE PinFile(const std::wstring& path) {
  return CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool ReadChunk(HANDLE file, char* buffer, DWORD size, DWORD& got) {
  got = 0;
  return ReadFile(file, buffer, size, &got, nullptr) != 0;
}

// True when the pinned file holds exactly the bytes of the program file.
bool HoldsProgram(HANDLE pinned, const std::wstring& programPath) {
  HandleGuard guard(CreateFileW(programPath.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  HANDLE program = guard.Get();
  if (pinned == INVALID_HANDLE_VALUE || program == INVALID_HANDLE_VALUE) return false;
  constexpr DWORD kChunk = 64 * 1024;
  std::string a(kChunk, '\0'), b(kChunk, '\0');
  for (;;) {
    DWORD gotA = 0, gotB = 0;
    if (!ReadChunk(pinned, a.data(), kChunk, gotA) || !ReadChunk(program, b.data(), kChunk, gotB))
      return false;
    if (gotA != gotB || a.compare(0, gotA, b, 0, gotB) != 0) return false;
    if (gotA == 0) return true;
  }
}

// Names the pipe in the environment the copy inherits, for as long as the
// copy is being started.
class TResultPipeVariable {
 public:
  explicit TResultPipeVariable(HANDLE pipe) : set_(pipe != nullptr) {
    if (set_)
      SetEnvironmentVariableW(name_.c_str(),
                              std::to_wstring(reinterpret_cast<uintptr_t>(pipe)).c_str());
  }
  ~TResultPipeVariable() {
    if (set_) SetEnvironmentVariableW(name_.c_str(), nullptr);
  }
  TResultPipeVariable(const TResultPipeVariable&) = delete;
  TResultPipeVariable& operator=(const TResultPipeVariable&) = delete;

 private:
  const std::wstring name_ = toolkit::Widen(kResultPipeVariable);
  bool set_;
};

// Starts the copy suspended; `handOver` gives it the setup lock before it
// runs a single instruction, and the copy runs only when it holds the lock.
// The started copy's process, or null. With `result`, the copy's standard
// output is that pipe, through which it reports its exit code.
HANDLE StartCopy(const std::wstring& copy, std::wstring commandLine, const std::wstring& folder,
                 HANDLE result, const std::function<bool(HANDLE)>& handOver) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOW;
  if (result) {
    startup.dwFlags |= STARTF_USESTDHANDLES;
    startup.hStdOutput = result;
  }
  PROCESS_INFORMATION process{};
  TResultPipeVariable variable(result);
  // The program path is given apart from the command line, so the system runs
  // exactly that file and never guesses at a path with blanks. The copy works
  // in its own folder: a working folder inherited from this instance may be
  // the install folder, which the copy is about to delete.
  if (!CreateProcessW(copy.c_str(), commandLine.data(), nullptr, nullptr, result != nullptr,
                      CREATE_SUSPENDED, nullptr, folder.c_str(), &startup, &process))
    return nullptr;
  HandleGuard thread(process.hThread);
  if (!handOver(process.hProcess)) {
    TerminateProcess(process.hProcess, kExitFailed);
    CloseHandle(process.hProcess);
    SetLastError(ERROR_NOT_OWNER);
    return nullptr;
  }
  ResumeThread(process.hThread);
  return process.hProcess;
}

// The pipe through which a waited-for copy reports its result.
struct TResultPipe {
  HandleGuard read;
  HandleGuard write;
};

TResultPipe MakeResultPipe() {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE read = nullptr, write = nullptr;
  if (!CreatePipe(&read, &write, &inherit, 0)) return {HandleGuard(nullptr), HandleGuard(nullptr)};
  SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
  return {HandleGuard(read), HandleGuard(write)};
}

// The copy reports its result before it ends: this instance runs from the
// install folder, and the folder can only go once this instance has ended,
// which the copy waits for. A copy that ended without a report (it crashed,
// or was ended from outside) has logged no reason, whatever its status: the
// uninstallation failed, and this instance says so.
void ResultOf(HANDLE process, TResultPipe& pipe, TRelocation& relocation) {
  pipe.write.Reset();  // the copy's end alone keeps the pipe open
  int32_t code = 0;
  DWORD got = 0;
  const bool reported =
      ReadFile(pipe.read.Get(), &code, sizeof code, &got, nullptr) && got == sizeof code;
  relocation.exitCode = CopyResult(reported, code);
  if (reported) {
    if (relocation.exitCode != code)
      relocation.failure = "the uninstaller's copy reported " + std::to_string(code);
    return;
  }
  WaitForSingleObject(process, INFINITE);
  DWORD status = STILL_ACTIVE;
  GetExitCodeProcess(process, &status);
  char text[96];
  std::snprintf(text, sizeof text, "the uninstaller's copy ended without a result (status 0x%08lX)",
                static_cast<unsigned long>(status));
  relocation.failure = text;
}

}  // namespace

// Races this survives:
// - An earlier copy still running (an uninstall wizard left open) cannot be
//   deleted or overwritten: the copy fails and the retry prompt asks the user,
//   who can close it and retry. After Abort the earlier copy is started
//   if it is this very program, and nothing is started otherwise.
// - The temporary folder belongs to the user, whose unelevated programs could
//   swap the file between the copy and the start, or put a library beside
//   it, and so run their own code with our rights: the copy goes into a new
//   folder of its own that only administrators may change, is pinned against
//   changes and checked to hold this program's bytes before it is started,
//   and stays pinned until the process is created.
// - A file planted at the copy's path before the copy is replaced by it.
// - Another run of the setup: this instance holds the setup lock while it
//   replaces the copy, and hands it to the copy while the copy is still
//   suspended: no run waiting meanwhile can slip in between, so runs queued
//   behind this uninstallation run after it, in their order.
TRelocation RelocateUninstaller(const std::string& programPath, const std::string& switches,
                                TRetryPrompt& prompt, bool wait,
                                const std::function<bool(HANDLE)>& handOver) {
  TRelocation relocation;
  const std::wstring temp = toolkit::Widen(TemporaryFolder());
  if (temp.empty()) {
    relocation.failure = "the temporary folder cannot be found";
    return relocation;
  }
  // Earlier versions copied themselves into the temporary folder itself.
  RemoveEarlierCopy(toolkit::Widen(RelocatedCopyPath(toolkit::Narrow(temp))));
  const std::wstring folder = MakeCopyFolder(toolkit::Narrow(temp));
  if (folder.empty()) {
    relocation.failure = "cannot make a folder for the uninstaller's copy in " +
                         toolkit::Narrow(temp) + " (system error " +
                         std::to_string(GetLastError()) + ")";
    return relocation;
  }
  const std::string folderUtf8 = toolkit::Narrow(folder);
  const std::wstring copy = toolkit::Widen(RelocatedCopyPath(folderUtf8));
  // Gone with the copy that did not start; a started copy removes it itself.
  struct TUnstarted {
    const std::string& folder;
    const TRelocation& relocation;
    ~TUnstarted() {
      if (!relocation.started) DeleteNowOrAtRestart(folder);
    }
  } unstarted{folderUtf8, relocation};
  const bool copied = CopyFileWithRetry(programPath, toolkit::Narrow(copy), prompt);
  TResultPipe pipe =
      wait ? MakeResultPipe() : TResultPipe{HandleGuard(nullptr), HandleGuard(nullptr)};
  if (wait && !pipe.write.Get()) {
    relocation.failure = "no pipe can be made for the result of the uninstaller's copy";
    return relocation;
  }
  HandleGuard process([&] {
    HandleGuard pin(PinFile(copy));
    if (!HoldsProgram(pin.Get(), toolkit::Widen(programPath))) {
      relocation.failure =
          copied ? "the uninstaller's copy " + toolkit::Narrow(copy) +
                       " changed before it could be started"
                 : "cannot copy the uninstaller " + programPath + " to " + toolkit::Narrow(copy);
      return HANDLE{nullptr};
    }
    HANDLE started = StartCopy(copy, toolkit::Widen(RelocatedCopyCommandLine(folderUtf8, switches)),
                               folder, pipe.write.Get(), handOver);
    if (!started)
      relocation.failure = "cannot start the uninstaller's copy " + toolkit::Narrow(copy) +
                           " (error " + std::to_string(GetLastError()) + ")";
    return started;
  }());
  if (process.Get() == nullptr) return relocation;
  relocation.started = true;
  relocation.exitCode = kExitDone;
  if (wait) ResultOf(process.Get(), pipe, relocation);
  return relocation;
}
