// Defines every function of the system-call seam (so that the real one is not
// linked) and forwards to the system, failing the call armed by FailNth.
#include "FailingSystemCalls.h"

#include "SystemCalls.h"

#include <array>

namespace failingcalls {

namespace {

struct Plan {
  std::array<int, static_cast<size_t>(Call::kCount)> calls{};
  Call armedCall = Call::kCount;
  int armedAt = 0;
  long error = 0;
  int openKeys = 0;
};

Plan& ThePlan() {
  static Plan plan;
  return plan;
}

// Counts the call; true (with the armed error) when this is the one to fail.
bool Fails(Call call, long* error) {
  Plan& plan = ThePlan();
  const int count = ++plan.calls[static_cast<size_t>(call)];
  if (call != plan.armedCall || count != plan.armedAt) return false;
  *error = plan.error;
  return true;
}

LSTATUS CountOpened(LSTATUS status) {
  if (status == ERROR_SUCCESS) ++ThePlan().openKeys;
  return status;
}

}  // namespace

void FailNth(Call call, int n, long error) {
  Plan& plan = ThePlan();
  plan.armedCall = call;
  plan.armedAt = plan.calls[static_cast<size_t>(call)] + n;
  plan.error = error;
}

void Reset() { ThePlan() = Plan(); }

int CallsOf(Call call) { return ThePlan().calls[static_cast<size_t>(call)]; }

int OpenKeys() { return ThePlan().openKeys; }

}  // namespace failingcalls

namespace syscalls {

using failingcalls::Call;
using failingcalls::Fails;

LSTATUS CreateKey(HKEY root, const std::wstring& subKey, HKEY* key) {
  long error;
  if (Fails(Call::CreateKey, &error)) return error;
  return failingcalls::CountOpened(RegCreateKeyExW(root, subKey.c_str(), 0, nullptr,
                                                   REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                                                   key, nullptr));
}

LSTATUS OpenKey(HKEY root, const std::wstring& subKey, HKEY* key) {
  long error;
  if (Fails(Call::OpenKey, &error)) return error;
  return failingcalls::CountOpened(RegOpenKeyExW(root, subKey.c_str(), 0, KEY_ALL_ACCESS, key));
}

void CloseKey(HKEY key) {
  --failingcalls::ThePlan().openKeys;
  RegCloseKey(key);
}

LSTATUS SetValue(HKEY key, const std::wstring& name, DWORD type, const BYTE* data, DWORD size) {
  long error;
  if (Fails(Call::SetValue, &error)) return error;
  return RegSetValueExW(key, name.c_str(), 0, type, data, size);
}

LSTATUS QueryValue(HKEY key, const std::wstring& name, DWORD* type, BYTE* data, DWORD* size) {
  long error;
  if (Fails(Call::QueryValue, &error)) return error;
  return RegQueryValueExW(key, name.c_str(), nullptr, type, data, size);
}

LSTATUS DeleteValue(HKEY key, const std::wstring& name) {
  long error;
  if (Fails(Call::DeleteValue, &error)) return error;
  return RegDeleteValueW(key, name.c_str());
}

LSTATUS EnumKey(HKEY key, DWORD index, std::wstring* name) {
  long error;
  if (Fails(Call::EnumKey, &error)) return error;
  wchar_t buffer[256];
  DWORD length = 256;
  const LSTATUS status =
      RegEnumKeyExW(key, index, buffer, &length, nullptr, nullptr, nullptr, nullptr);
  if (status == ERROR_SUCCESS) name->assign(buffer, length);
  return status;
}

LSTATUS DeleteKey(HKEY key, const std::wstring& subKey) {
  long error;
  if (Fails(Call::DeleteKey, &error)) return error;
  return RegDeleteKeyW(key, subKey.c_str());
}

HRESULT CreateShellLinkObject(IShellLinkW** link) {
  long error;
  if (Fails(Call::CreateShellLinkObject, &error)) return static_cast<HRESULT>(error);
  return CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                          reinterpret_cast<void**>(link));
}

int ShellFileOperation(SHFILEOPSTRUCTW* operation) {
  long error;
  if (Fails(Call::ShellFileOperation, &error)) return static_cast<int>(error);
  return SHFileOperationW(operation);
}

}  // namespace syscalls
