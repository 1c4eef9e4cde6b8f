#include "RegistryValueAt.h"

namespace registry {

LSTATUS ValueAt(HKEY key, DWORD index, std::wstring* name, DWORD* type, std::vector<BYTE>* data) {
  // Most values fit a first guess: one trip to the registry instead of two.
  std::wstring buffer(256, L'\0');
  data->assign(1024, 0);
  DWORD length = 256, size = 1024;
  LSTATUS status =
      RegEnumValueW(key, index, buffer.data(), &length, nullptr, type, data->data(), &size);
  if (status == ERROR_MORE_DATA) {
    DWORD nameLength = 0, dataSize = 0;
    status = RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                              &nameLength, &dataSize, nullptr, nullptr);
    if (status != ERROR_SUCCESS) return status;
    buffer.assign(nameLength + 1, L'\0');
    data->assign(dataSize + 1, 0);
    length = nameLength + 1;
    size = dataSize + 1;
    status = RegEnumValueW(key, index, buffer.data(), &length, nullptr, type, data->data(), &size);
  }
  if (status != ERROR_SUCCESS) return status;
  name->assign(buffer.data(), length);
  data->resize(size);
  return status;
}

}  // namespace registry
