#include "StartupProcesses.h"

#include <tlhelp32.h>
#include <winternl.h>

#include <fstream>
#include <iterator>
#include <sstream>

namespace e2e {

namespace {

constexpr DWORD kPollMs = 50;

struct WindowSearch {
  DWORD processId;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND hwnd, LPARAM param) {
  auto* search = reinterpret_cast<WindowSearch*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(hwnd, &owner);
  if (owner == search->processId && IsWindowVisible(hwnd)) search->found.push_back(hwnd);
  return TRUE;
}

bool ReadRemote(HANDLE process, const void* address, void* buffer, SIZE_T size) {
  SIZE_T read = 0;
  return ReadProcessMemory(process, address, buffer, size, &read) && read == size;
}

}  // namespace

Process::Process(Process&& other) noexcept : handle_(other.handle_), id_(other.id_) {
  other.handle_ = nullptr;
}

Process& Process::operator=(Process&& other) noexcept {
  if (this != &other) {
    Release();
    handle_ = other.handle_;
    id_ = other.id_;
    other.handle_ = nullptr;
  }
  return *this;
}

Process::~Process() { Release(); }

void Process::Release() {
  if (handle_ == nullptr) return;
  if (Running()) Close(10000);
  CloseHandle(handle_);
  handle_ = nullptr;
}

bool Process::Running() const { return handle_ && WaitForSingleObject(handle_, 0) == WAIT_TIMEOUT; }

bool Process::WaitForExit(DWORD timeoutMs) const {
  return WaitForSingleObject(handle_, timeoutMs) == WAIT_OBJECT_0;
}

bool Process::WaitForExitWatchingWindows(DWORD timeoutMs, bool& sawWindow) const {
  sawWindow = false;
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  for (;;) {
    if (!VisibleWindowsOf(id_).empty()) sawWindow = true;
    if (WaitForSingleObject(handle_, kPollMs) == WAIT_OBJECT_0) return true;
    if (GetTickCount64() >= deadline) return false;
  }
}

bool Process::WaitForWindow(DWORD timeoutMs) const {
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  for (;;) {
    if (!VisibleWindowsOf(id_).empty()) return true;
    if (!Running() || GetTickCount64() >= deadline) return false;
    Sleep(kPollMs);
  }
}

bool Process::Close(DWORD timeoutMs) {
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  while (Running() && GetTickCount64() < deadline) {
    for (HWND hwnd : VisibleWindowsOf(id_)) PostMessageW(hwnd, WM_CLOSE, 0, 0);
    if (WaitForExit(500)) return true;
  }
  if (!Running()) return true;
  TerminateProcess(handle_, 1);
  WaitForExit(5000);
  return false;
}

std::wstring Process::CommandLine() const {
  using QueryFn = NTSTATUS(NTAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
  auto query = reinterpret_cast<QueryFn>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
  PROCESS_BASIC_INFORMATION basic{};
  ULONG length = 0;
  if (!query || query(handle_, ProcessBasicInformation, &basic, sizeof basic, &length) != 0)
    return std::wstring();
  PEB peb{};
  RTL_USER_PROCESS_PARAMETERS parameters{};
  if (!ReadRemote(handle_, basic.PebBaseAddress, &peb, sizeof peb) ||
      !ReadRemote(handle_, peb.ProcessParameters, &parameters, sizeof parameters))
    return std::wstring();
  std::wstring text(parameters.CommandLine.Length / sizeof(wchar_t), L'\0');
  if (!ReadRemote(handle_, parameters.CommandLine.Buffer, text.data(),
                  parameters.CommandLine.Length))
    return std::wstring();
  return text;
}

Process Start(const std::wstring& program, const std::wstring& arguments,
              const std::wstring& folder) {
  std::wstring commandLine = L"\"" + program + L"\" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      folder.c_str(), &startup, &info))
    return Process();
  CloseHandle(info.hThread);
  return Process(info.hProcess, info.dwProcessId);
}

std::vector<Process> FindProcesses(const std::wstring& fileName) {
  std::vector<Process> result;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return result;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32FirstW(snapshot, &entry); more;
       more = Process32NextW(snapshot, &entry)) {
    if (lstrcmpiW(entry.szExeFile, fileName.c_str()) != 0) continue;
    const DWORD access =
        SYNCHRONIZE | PROCESS_TERMINATE | PROCESS_QUERY_INFORMATION | PROCESS_VM_READ;
    HANDLE handle = OpenProcess(access, FALSE, entry.th32ProcessID);
    if (handle) result.emplace_back(handle, entry.th32ProcessID);
  }
  CloseHandle(snapshot);
  return result;
}

std::vector<HWND> VisibleWindowsOf(DWORD processId) {
  WindowSearch search{processId, {}};
  EnumWindows(&CollectWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::wstring TempFolder() {
  wchar_t buffer[MAX_PATH + 1];
  const DWORD length = GetTempPathW(MAX_PATH + 1, buffer);
  return std::wstring(buffer, length);
}

bool FileExists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string ReadWholeFile(const std::wstring& path) {
  std::ifstream in(path.c_str(), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool WriteWholeFile(const std::wstring& path, const std::string& data) {
  std::ofstream out(path.c_str(), std::ios::binary | std::ios::trunc);
  out << data;
  return static_cast<bool>(out);
}

}  // namespace e2e
