// The one holder of an open registry key, and the errors of the registry
// records. Keys are opened, created and deleted through the system-call seam.
#pragma once

#include <windows.h>

#include <stdexcept>
#include <string>

// A registry key that could not be opened or created, a value that could not
// be written or read, or a value of the wrong type. The text names the key or
// value; the code is the system's, or ERROR_INVALID_DATATYPE for a value of
// another type than the one asked for.
class ERegistryError : public std::runtime_error {
 public:
  ERegistryError(const std::string& what, long code) : std::runtime_error(what), code_(code) {}
  long Code() const { return code_; }
  bool WrongType() const { return code_ == ERROR_INVALID_DATATYPE; }

 private:
  long code_;
};

// An open registry key, closed on every path out of the scope that opened
// it. Open and Create return the system's status; the key is held only on
// success. A key asked for below HKEY_CLASSES_ROOT is the machine's own
// (HKEY_LOCAL_MACHINE\Software\Classes), never the view that mixes in the
// user's classes; so for DeleteKeyTree.
class TRegistryKey {
 public:
  TRegistryKey() = default;
  ~TRegistryKey() { Close(); }
  TRegistryKey(const TRegistryKey&) = delete;
  TRegistryKey& operator=(const TRegistryKey&) = delete;

  LSTATUS Open(HKEY root, const std::wstring& path);
  LSTATUS Create(HKEY root, const std::wstring& path);
  HKEY Get() const { return key_; }

 private:
  LSTATUS Keep(LSTATUS status, HKEY key);
  void Close();

  HKEY key_ = nullptr;
};

// Deletes the key `name` below `parent`: sub-keys first, deepest first, then
// the key itself. A sub-key that cannot go keeps only its parents. True when
// the key is gone, or never was.
bool DeleteKeyTree(HKEY parent, const std::wstring& name);
