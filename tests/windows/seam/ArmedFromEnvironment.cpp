// Linked into a copy of the whole program beside the failing seam: a sweep
// arms it through the environment the program, and the copies it starts,
// inherit. SWEEP_END_AT=n ends the process at its n-th call, when its own
// path holds SWEEP_END_IN (so that one of the processes of a run is picked),
// and leaves the file SWEEP_END_MARK as it ends; SWEEP_COUNT_FILE gets a line "<program
// path>\t<calls>" from every process that ends of itself.
#include "FailingSystemCalls.h"

#include <windows.h>

#include <cwchar>
#include <string>

namespace {

std::wstring Variable(const wchar_t* name) {
  wchar_t value[MAX_PATH] = {};
  const DWORD length = GetEnvironmentVariableW(name, value, MAX_PATH);
  return length && length < MAX_PATH ? std::wstring(value, length) : std::wstring();
}

std::wstring Lower(std::wstring text) {
  CharLowerBuffW(text.data(), DWORD(text.size()));
  return text;
}

std::wstring ThisProgram() {
  wchar_t path[MAX_PATH] = {};
  return std::wstring(path, GetModuleFileNameW(nullptr, path, MAX_PATH));
}

struct TArmedFromEnvironment {
  TArmedFromEnvironment() {
    failingcalls::AllCalls();  // the seam's counts outlive this object
    const std::wstring at = Variable(L"SWEEP_END_AT"), in = Lower(Variable(L"SWEEP_END_IN"));
    if (!at.empty() && !in.empty() && Lower(ThisProgram()).find(in) != std::wstring::npos)
      failingcalls::CutPowerAnyNth(std::wcstol(at.c_str(), nullptr, 10),
                                   Variable(L"SWEEP_END_MARK"));
  }
  ~TArmedFromEnvironment() {
    const std::wstring counts = Variable(L"SWEEP_COUNT_FILE");
    if (counts.empty()) return;
    const std::wstring line =
        ThisProgram() + L'\t' + std::to_wstring(failingcalls::AllCalls()) + L'\n';
    HANDLE file = CreateFileW(counts.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, line.data(), DWORD(line.size() * sizeof(wchar_t)), &written, nullptr);
    CloseHandle(file);
  }
} armed;

}  // namespace
