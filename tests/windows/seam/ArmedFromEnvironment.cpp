// Linked into a copy of the whole program beside the failing seam: a sweep
// arms it through the environment the program, and the copies it starts,
// inherit. SWEEP_END_AT=n ends the process at its n-th call, when its own
// path holds SWEEP_END_IN (so that one of the processes of a run is picked),
// and leaves the file SWEEP_END_MARK as it ends.
#include "FailingSystemCalls.h"

#include <windows.h>

#include <cwchar>
#include <string>

namespace {

std::wstring Variable(const wchar_t* name) {
  wchar_t value[MAX_PATH] = {};
  const DWORD length = GetEnvironmentVariableW(name, value, MAX_PATH);
  return length < MAX_PATH ? CharLowerW(value) : L"";
}

const bool armed = [] {
  const std::wstring at = Variable(L"SWEEP_END_AT"), in = Variable(L"SWEEP_END_IN");
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  if (at.empty() || in.empty() || std::wstring(CharLowerW(self)).find(in) == std::wstring::npos)
    return false;
  failingcalls::CutPowerAnyNth(std::wcstol(at.c_str(), nullptr, 10), Variable(L"SWEEP_END_MARK"));
  return true;
}();

}  // namespace
