// Helpers of the start-up end-to-end tests: starting programs, watching their
// windows, finding processes by file name and ending whatever was started.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace e2e {

// A started or found process. Ends it on destruction if it still runs: first
// by closing its windows as a user would, then, if that does not end it in
// time, by terminating it.
class Process {
 public:
  Process() = default;
  Process(HANDLE handle, DWORD id) : handle_(handle), id_(id) {}
  Process(Process&& other) noexcept;
  Process& operator=(Process&& other) noexcept;
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;
  ~Process();

  bool Valid() const { return handle_ != nullptr; }
  DWORD Id() const { return id_; }
  HANDLE Handle() const { return handle_; }
  bool Running() const;

  // Waits for the process to end; true when it ended within the time.
  bool WaitForExit(DWORD timeoutMs) const;
  // Waits for the process to end while watching its windows; `sawWindow`
  // tells whether a visible top-level window of it appeared meanwhile.
  bool WaitForExitWatchingWindows(DWORD timeoutMs, bool& sawWindow) const;
  // Waits until the process shows a visible top-level window.
  bool WaitForWindow(DWORD timeoutMs) const;
  // Posts WM_CLOSE to its visible top-level windows and waits for the end;
  // true when it ended so. Terminates it otherwise.
  bool Close(DWORD timeoutMs);

  // The command line the process was started with.
  std::wstring CommandLine() const;

 private:
  void Release();

  HANDLE handle_ = nullptr;
  DWORD id_ = 0;
};

// Starts `program` with the command line `"program" arguments` in `folder`.
Process Start(const std::wstring& program, const std::wstring& arguments,
              const std::wstring& folder);

// Every running process whose program file is named `fileName`.
std::vector<Process> FindProcesses(const std::wstring& fileName);

// Visible top-level windows of a process.
std::vector<HWND> VisibleWindowsOf(DWORD processId);

// The system's temporary folder, with its trailing separator.
std::wstring TempFolder();

bool FileExists(const std::wstring& path);
std::string ReadWholeFile(const std::wstring& path);
bool WriteWholeFile(const std::wstring& path, const std::string& data);

}  // namespace e2e
