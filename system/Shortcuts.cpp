#include "Shortcuts.h"

#include "Application.h"
#include "ComApartment.h"
#include "FilesAndFolders.h"
#include "RegisterInWindows.h"
#include "SpecialFolders.h"
#include "SystemCalls.h"
#include "Utf.h"

namespace {

std::string HexCode(HRESULT result) {
  char text[16];
  wsprintfA(text, "0x%08lX", static_cast<unsigned long>(result));
  return text;
}

}  // namespace

std::string CreateProgramGroup(const std::string& group) {
  const std::string programs = GetShellFolder("Programs");
  if (programs.empty()) return std::string();
  const std::string path = programs + "\\" + group;
  syscalls::CreateFolder(toolkit::Widen(path));
  return path;
}

void CreateGroupLink(const std::string& group, const std::string& target,
                     const std::string& linkName) {
  const std::string folder = CreateProgramGroup(group);
  if (folder.empty()) return;
  CreateShellLink(target, folder + "\\" + linkName + ".lnk");
}

void CreateDesktopLink(const std::string& target, const std::string& linkName) {
  const std::string desktop = GetShellFolder("Desktop");
  if (desktop.empty()) return;
  CreateShellLink(target, desktop + "\\" + linkName + ".lnk");
}

void DeleteProgramGroup(const std::string& group, const std::vector<std::string>& linkNames) {
  const std::string programs = ShellFolderOf("Programs");
  if (programs.empty()) return;
  // By their names, never as a tree: the group lies in the user's own
  // folders, where the user may have put a link to anything in its place.
  const std::string folder = programs + "\\" + group;
  for (const std::string& name : linkNames)
    syscalls::DeleteFileAt(toolkit::Widen(folder + "\\" + name + ".lnk"));
  syscalls::RemoveFolder(toolkit::Widen(folder));
}

void DeleteDesktopLink(const std::string& linkFileName) {
  const std::string desktop = ShellFolderOf("Desktop");
  if (desktop.empty()) return;
  syscalls::DeleteFileAt(toolkit::Widen(desktop + "\\" + linkFileName));
}

void CreateShellLink(const std::string& target, const std::string& linkPath) {
  TComPtr<IShellLinkW> link;
  const HRESULT created = syscalls::CreateShellLinkObject(link.Receive());
  if (FAILED(created) || link.Get() == nullptr)
    throw EShellLinkError("Cannot create the shell link object (" + HexCode(created) + ")");
  TComPtr<IPersistFile> file;
  const HRESULT persist = link->QueryInterface(IID_IPersistFile, file.ReceiveVoid());
  if (FAILED(persist) || file.Get() == nullptr)
    throw EShellLinkError("The shell link object cannot be saved (" + HexCode(persist) + ")");
  link->SetArguments(L"");
  link->SetDescription(L"");
  link->SetPath(toolkit::Widen(target).c_str());
  syscalls::SaveShellLink(file.Get(), toolkit::Widen(linkPath));
}
