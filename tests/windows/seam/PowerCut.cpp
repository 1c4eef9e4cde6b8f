#include "PowerCut.h"

#include <algorithm>
#include <cwctype>
#include <utility>

namespace failingcalls {

namespace {

// The list's lines, one change each, tab-separated, the kind first:
//   F <length> <path>            a file cut back to its flushed length
//   D <path>                     a folder made: removed with what is in it
//   R <from> <to>                an entry renamed: named back
//   V <key> <name> <type|-> <hex>  a value as it was (- : there was none)
//   K <key>                      a key made: removed with what is in it
//   E <key>                      a key deleted: made again

const std::pair<const wchar_t*, HKEY> kRoots[] = {{L"HKLM", HKEY_LOCAL_MACHINE},
                                                  {L"HKCU", HKEY_CURRENT_USER},
                                                  {L"HKCR", HKEY_CLASSES_ROOT},
                                                  {L"HKU", HKEY_USERS}};

std::wstring Lower(std::wstring text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](wchar_t c) { return static_cast<wchar_t>(std::towlower(c)); });
  while (text.size() > 3 && text.back() == L'\\') text.pop_back();
  if (text.size() == 3 && text[1] == L':') text.pop_back();
  return text;
}

std::wstring FolderOf(const std::wstring& path) {
  const size_t cut = path.find_last_of(L'\\');
  return cut == std::wstring::npos ? std::wstring() : path.substr(0, cut);
}

std::vector<std::wstring> Fields(const std::wstring& line) {
  std::vector<std::wstring> fields;
  size_t start = 0;
  for (size_t end; (end = line.find(L'\t', start)) != std::wstring::npos; start = end + 1)
    fields.push_back(line.substr(start, end - start));
  fields.push_back(line.substr(start));
  return fields;
}

std::wstring Hex(const BYTE* data, DWORD size) {
  static const wchar_t kDigits[] = L"0123456789abcdef";
  std::wstring text;
  for (DWORD i = 0; i < size; ++i) {
    text += kDigits[data[i] >> 4];
    text += kDigits[data[i] & 15];
  }
  return text;
}

std::vector<BYTE> Bytes(const std::wstring& hex) {
  std::vector<BYTE> data;
  for (size_t i = 0; i + 1 < hex.size(); i += 2)
    data.push_back(BYTE(std::stoi(hex.substr(i, 2), nullptr, 16)));
  return data;
}

// "HKLM\a\b" as its root and the path below it.
std::pair<HKEY, std::wstring> KeyNamed(const std::wstring& path) {
  const size_t cut = path.find(L'\\');
  for (const auto& [name, root] : kRoots)
    if (path.compare(0, cut, name) == 0)
      return {root, cut == std::wstring::npos ? std::wstring() : path.substr(cut + 1)};
  return {nullptr, std::wstring()};
}

void RemoveFolderTree(const std::wstring& path) {
  WIN32_FIND_DATAW entry;
  const HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &entry);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = entry.cFileName, inside = path + L"\\" + name;
      if (name == L"." || name == L"..") continue;
      SetFileAttributesW(inside.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        RemoveFolderTree(inside);
      else
        DeleteFileW(inside.c_str());
    } while (FindNextFileW(find, &entry));
    FindClose(find);
  }
  RemoveDirectoryW(path.c_str());
}

void RemoveKeyTree(HKEY root, const std::wstring& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
  std::vector<std::wstring> children;
  wchar_t name[256];
  for (DWORD length = 256; RegEnumKeyExW(key, DWORD(children.size()), name, &length, nullptr,
                                         nullptr, nullptr, nullptr) == ERROR_SUCCESS;
       length = 256)
    children.emplace_back(name, length);
  RegCloseKey(key);
  for (const std::wstring& child : children) RemoveKeyTree(root, path + L"\\" + child);
  RegDeleteKeyW(root, path.c_str());
}

void CutBack(const std::wstring& path, LONGLONG flushed) {
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, 0, nullptr);
  LARGE_INTEGER size{}, length{};
  length.QuadPart = flushed;
  if (GetFileSizeEx(file, &size) && size.QuadPart > length.QuadPart &&
      SetFilePointerEx(file, length, nullptr, FILE_BEGIN))
    SetEndOfFile(file);
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
}

void Undo(const std::vector<std::wstring>& f) {
  if (f[0] == L"D" && f.size() == 2) RemoveFolderTree(f[1]);
  if (f[0] == L"R" && f.size() == 3) MoveFileExW(f[2].c_str(), f[1].c_str(), 0);
  if (f[0] != L"V" && f[0] != L"K" && f[0] != L"E") return;
  const auto [root, path] = KeyNamed(f[1]);
  if (f[0] == L"K") return RemoveKeyTree(root, path);
  HKEY key = nullptr;
  if (RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
      ERROR_SUCCESS)
    return;
  if (f[0] == L"V" && f.size() == 5 && f[3] == L"-") RegDeleteValueW(key, f[2].c_str());
  if (f[0] == L"V" && f.size() == 5 && f[3] != L"-") {
    const std::vector<BYTE> data = Bytes(f[4]);
    RegSetValueExW(key, f[2].c_str(), 0, DWORD(std::stoul(f[3])), data.data(), DWORD(data.size()));
  }
  RegCloseKey(key);
}

}  // namespace

void TPowerCut::FileOpened(HANDLE file, const std::wstring& path, DWORD access, DWORD disposition) {
  if (file == INVALID_HANDLE_VALUE || !(access & GENERIC_WRITE)) return;
  writing_[file] = path;
  if (disposition != OPEN_EXISTING && disposition != OPEN_ALWAYS) flushed_[path] = 0;
}

void TPowerCut::HandleFlushed(HANDLE file) {
  const auto it = writing_.find(file);
  if (it == writing_.end()) return;
  LARGE_INTEGER size{};
  if (flushed_.count(it->second) && GetFileSizeEx(file, &size))
    flushed_[it->second] = size.QuadPart;
  Flushed(Lower(it->second), false);
}

void TPowerCut::FolderMade(const std::wstring& path) { Risk(L"D\t" + path, {FolderOf(path)}); }

void TPowerCut::Renamed(const std::wstring& from, const std::wstring& to, DWORD flags) {
  if (to.empty() || (flags & (MOVEFILE_WRITE_THROUGH | MOVEFILE_DELAY_UNTIL_REBOOT))) return;
  Risk(L"R\t" + from + L"\t" + to, {FolderOf(from), FolderOf(to)});
}

std::wstring TPowerCut::PathOf(HKEY key) const {
  for (const auto& [name, root] : kRoots)
    if (key == root) return name;
  const auto it = keys_.find(key);
  return it == keys_.end() ? std::wstring() : it->second;
}

void TPowerCut::KeyOpened(HKEY root, const std::wstring& subKey, HKEY key) {
  const std::wstring base = PathOf(root);
  if (!base.empty()) keys_[key] = subKey.empty() ? base : base + L"\\" + subKey;
}

void TPowerCut::KeyMaking(HKEY root, const std::wstring& subKey) {
  const std::wstring base = PathOf(root);
  if (base.empty()) return;
  for (size_t end = 0; end != std::wstring::npos;) {
    end = subKey.find(L'\\', end + 1);
    const std::wstring part = subKey.substr(0, end);
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, part.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
      return Risk(L"K\t" + base + L"\\" + part, {base + L"\\" + part});
    RegCloseKey(key);
  }
}

void TPowerCut::ValueLine(HKEY key, const std::wstring& path, const std::wstring& name) {
  DWORD type = 0, size = 0;
  std::wstring was = L"-\t";
  if (RegQueryValueExW(key, name.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
    std::vector<BYTE> data(size + 1);
    RegQueryValueExW(key, name.c_str(), nullptr, &type, data.data(), &size);
    was = std::to_wstring(type) + L"\t" + Hex(data.data(), size);
  }
  Risk(L"V\t" + path + L"\t" + name + L"\t" + was, {path});
}

void TPowerCut::ValueChanging(HKEY key, const std::wstring& name) {
  const std::wstring path = PathOf(key);
  if (!path.empty()) ValueLine(key, path, name);
}

void TPowerCut::KeyDeleting(HKEY key, const std::wstring& subKey) {
  const std::wstring base = PathOf(key);
  HKEY doomed = nullptr;
  if (base.empty() || RegOpenKeyExW(key, subKey.c_str(), 0, KEY_READ, &doomed) != ERROR_SUCCESS)
    return;
  const std::wstring path = base + L"\\" + subKey;
  Risk(L"E\t" + path, {path});
  wchar_t name[16384];
  for (DWORD i = 0, length = 16384;
       RegEnumValueW(doomed, i, name, &length, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
       ++i, length = 16384)
    ValueLine(doomed, path, std::wstring(name, length));
  RegCloseKey(doomed);
}

void TPowerCut::KeyFlushed(HKEY key) {
  const std::wstring path = PathOf(key);
  if (!path.empty()) Flushed(Lower(path), true);
}

void TPowerCut::Risk(std::wstring undo, std::vector<std::wstring> scopes) {
  for (std::wstring& scope : scopes) scope = Lower(scope);
  scopes.erase(std::unique(scopes.begin(), scopes.end()), scopes.end());
  changes_.push_back({std::move(undo), std::move(scopes)});
}

void TPowerCut::Flushed(const std::wstring& scope, bool below) {
  const auto covered = [&](const std::wstring& s) {
    return s == scope || (below && s.size() > scope.size() &&
                          s.compare(0, scope.size(), scope) == 0 && s[scope.size()] == L'\\');
  };
  for (TChange& change : changes_)
    change.scopes.erase(std::remove_if(change.scopes.begin(), change.scopes.end(), covered),
                        change.scopes.end());
  changes_.erase(std::remove_if(changes_.begin(), changes_.end(),
                                [](const TChange& c) { return c.scopes.empty(); }),
                 changes_.end());
}

void TPowerCut::Leave(const std::wstring& list) const {
  std::wstring text;
  for (const auto& [path, length] : flushed_)
    text += L"F\t" + std::to_wstring(length) + L'\t' + path + L'\n';
  for (const TChange& change : changes_) text += change.undo + L'\n';
  const HANDLE file =
      CreateFileW(list.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  WriteFile(file, text.data(), DWORD(text.size() * sizeof(wchar_t)), &written, nullptr);
  CloseHandle(file);
}

bool TPowerCut::LoseUnflushed(const std::wstring& list) {
  const HANDLE file =
      CreateFileW(list.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  std::wstring text(GetFileSize(file, nullptr) / sizeof(wchar_t), L'\0');
  DWORD got = 0;
  ReadFile(file, text.data(), DWORD(text.size() * sizeof(wchar_t)), &got, nullptr);
  CloseHandle(file);
  DeleteFileW(list.c_str());
  std::vector<std::vector<std::wstring>> changes;
  for (size_t start = 0, end; (end = text.find(L'\n', start)) != std::wstring::npos;
       start = end + 1) {
    const std::vector<std::wstring> f = Fields(text.substr(start, end - start));
    if (f[0] == L"F" && f.size() == 3)
      CutBack(f[2], std::stoll(f[1]));
    else
      changes.push_back(f);
  }
  for (auto change = changes.rbegin(); change != changes.rend(); ++change) Undo(*change);
  return true;
}

}  // namespace failingcalls
