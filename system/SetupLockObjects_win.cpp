// The setup lock's kernel objects, made where no program without
// administrator rights can make them first.
#include "SetupLockObjects_win.h"

#include <aclapi.h>
#include <sddl.h>

#include "AccessCheck.h"
#include "Utf.h"

namespace {

constexpr wchar_t kAlias[] = L"TalmirMap20Setup";
constexpr wchar_t kGlobalPrefix[] = L"Global\\Talmir Map 2.0 Setup ";
// Administrators and SYSTEM alone may use or change the objects, and the
// owner is Administrators: the owner check below accepts nothing else.
constexpr wchar_t kAccess[] = L"O:BAD:P(A;;GA;;;BA)(A;;GA;;;SY)";

using CreateBoundaryFn = HANDLE(WINAPI*)(LPCWSTR, ULONG);
using AddSidFn = BOOL(WINAPI*)(HANDLE*, PSID);
using CreateNamespaceFn = HANDLE(WINAPI*)(LPSECURITY_ATTRIBUTES, LPVOID, LPCWSTR);
using OpenNamespaceFn = HANDLE(WINAPI*)(LPVOID, LPCWSTR);
using CloseNamespaceFn = BOOLEAN(WINAPI*)(HANDLE, ULONG);
using DeleteBoundaryFn = VOID(WINAPI*)(HANDLE);

// Looked up at run time: older systems have no private namespaces, and
// Wine (8.0) has none either (its boundary descriptor is a stub that fails).
struct TNamespaceApi {
  CreateBoundaryFn createBoundary;
  AddSidFn addSid;
  CreateNamespaceFn create;
  OpenNamespaceFn open;
  CloseNamespaceFn close;
  DeleteBoundaryFn deleteBoundary;
};

// A procedure of kernel32 as its own type (through void*: the address has
// no type of its own).
template <typename Fn>
void Find(HMODULE kernel, const char* name, Fn& fn) {
  fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(kernel, name)));
}

bool FindNamespaceApi(TNamespaceApi& api) {
  const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  if (!kernel) return false;
  Find(kernel, "CreateBoundaryDescriptorW", api.createBoundary);
  Find(kernel, "AddSIDToBoundaryDescriptor", api.addSid);
  Find(kernel, "CreatePrivateNamespaceW", api.create);
  Find(kernel, "OpenPrivateNamespaceW", api.open);
  Find(kernel, "ClosePrivateNamespace", api.close);
  Find(kernel, "DeleteBoundaryDescriptor", api.deleteBoundary);
  return api.createBoundary && api.addSid && api.create && api.open && api.close &&
         api.deleteBoundary;
}

std::string ErrorText(DWORD error) { return "system error " + std::to_string(error); }

// An object that someone else than an administrator made or may change:
// they can then hold or change it at will.
bool OwnedByAdministrators(HANDLE object) {
  return OtherWhoMayChange(object, SE_KERNEL_OBJECT).empty();
}

}  // namespace

TLockObjects::~TLockObjects() {
  if (record) UnmapViewOfFile(record);
  for (HANDLE handle : {mapping, guard, semaphore})
    if (handle) CloseHandle(handle);
  if (privateNamespace) closeNamespace(privateNamespace, 0);
  if (boundary) deleteBoundary(boundary);
  if (descriptor) LocalFree(descriptor);
}

bool TLockObjects::Fail(const std::string& what, DWORD error) {
  if (error == ERROR_ACCESS_DENIED) {
    denied = true;
  } else if (problem.empty()) {
    problem = what + " (" + ErrorText(error) + ")";
  }
  return false;
}

// With private namespaces every run uses them; without, every run uses the
// global names: the choice depends on the system alone, so two runs never
// look for each other in different places.
bool TLockObjects::MakeNamespace() {
  TNamespaceApi api;
  if (!FindNamespaceApi(api)) return true;
  boundary = api.createBoundary(kAlias, 0);
  if (!boundary) return true;
  deleteBoundary = api.deleteBoundary;
  closeNamespace = api.close;
  BYTE sid[SECURITY_MAX_SID_SIZE];
  DWORD size = sizeof sid;
  if (!CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, sid, &size) ||
      !api.addSid(&boundary, sid))
    return Fail("the setup lock's namespace cannot be bounded", GetLastError());
  for (int attempt = 0; attempt < 10 && !privateNamespace; ++attempt) {
    privateNamespace = api.create(&attributes, boundary, kAlias);
    if (privateNamespace) break;
    const DWORD error = GetLastError();
    if (error != ERROR_ALREADY_EXISTS)
      return Fail("the setup lock's namespace cannot be made", error);
    privateNamespace = api.open(boundary, kAlias);  // gone meanwhile: make it again
  }
  if (!privateNamespace) return Fail("the setup lock's namespace cannot be opened", GetLastError());
  prefix = std::wstring(kAlias) + L"\\";
  return true;
}

bool TLockObjects::Check(HANDLE object, const wchar_t* name) {
  if (!object) {
    const DWORD error = GetLastError();
    // Another kind of object under our name: someone else made it.
    if (error == ERROR_INVALID_HANDLE) {
      problem = "the name of the setup lock " + toolkit::Narrow(prefix + name) +
                " is taken by an object of another program";
      return false;
    }
    return Fail("the setup lock " + toolkit::Narrow(prefix + name) + " cannot be made", error);
  }
  if (OwnedByAdministrators(object)) return true;
  problem = "the setup lock " + toolkit::Narrow(prefix + name) +
            " was made by a program without administrator rights";
  return false;
}

bool TLockObjects::Make() {
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(kAccess, SDDL_REVISION_1, &descriptor,
                                                            nullptr))
    return Fail("the setup lock's access list cannot be made", GetLastError());
  attributes = {sizeof attributes, descriptor, FALSE};
  prefix = kGlobalPrefix;
  if (!MakeNamespace()) return false;
  semaphore = CreateSemaphoreW(&attributes, 1, 1, (prefix + L"Lock").c_str());
  if (!Check(semaphore, L"Lock")) return false;
  guard = CreateMutexW(&attributes, FALSE, (prefix + L"Guard").c_str());
  if (!Check(guard, L"Guard")) return false;
  mapping = CreateFileMappingW(INVALID_HANDLE_VALUE, &attributes, PAGE_READWRITE, 0,
                               sizeof(THolder), (prefix + L"Holder").c_str());
  if (!Check(mapping, L"Holder")) return false;
  record = static_cast<THolder*>(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, sizeof(THolder)));
  if (!record) return Fail("the setup lock's record cannot be read", GetLastError());
  return true;
}

bool TLockObjects::KeepAliveIn(HANDLE process) const {
  for (HANDLE object : {semaphore, guard, mapping}) {
    HANDLE copy = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), object, process, &copy, 0, FALSE,
                         DUPLICATE_SAME_ACCESS))
      return false;
  }
  return true;
}
