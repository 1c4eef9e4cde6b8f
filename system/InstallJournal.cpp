#include "InstallJournal.h"

#include <windows.h>

#include "KeySnapshot.h"
#include "SystemCalls.h"
#include "Utf.h"

TInstallJournal::TInstallJournal(std::string path) : path_(std::move(path)) {}

TInstallJournal::~TInstallJournal() { Close(); }

void TInstallJournal::Close() {
  if (file_) CloseHandle(file_);
  file_ = nullptr;
}

bool TInstallJournal::Exists() const {
  return GetFileAttributesW(toolkit::Widen(path_).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<TJournalFields> TInstallJournal::Read() const {
  std::vector<TJournalFields> entries;
  HANDLE file = CreateFileW(toolkit::Widen(path_).c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return entries;
  std::string text;
  char block[4096];
  DWORD got = 0;
  while (ReadFile(file, block, sizeof block, &got, nullptr) && got > 0) text.append(block, got);
  CloseHandle(file);
  size_t start = 0;
  for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    entries.push_back(SplitAt(text.substr(start, end - start), '\t'));
  }
  return entries;
}

bool TInstallJournal::Create() {
  Close();
  HANDLE file = syscalls::CreateFileAt(toolkit::Widen(path_), GENERIC_WRITE, FILE_SHARE_READ,
                                       CREATE_NEW, FILE_ATTRIBUTE_NORMAL);
  if (file == INVALID_HANDLE_VALUE) return false;
  file_ = file;
  return true;
}

bool TInstallJournal::Append(const TJournalEntry& entry) {
  return Append(std::vector<TJournalEntry>{entry});
}

bool TInstallJournal::Append(const std::vector<TJournalEntry>& entries) {
  if (!file_) return false;
  std::string lines;
  for (const TJournalEntry& entry : entries) {
    const TJournalFields fields = FieldsOf(entry);
    for (size_t i = 0; i < fields.size(); ++i) lines += (i ? "\t" : "") + fields[i];
    lines += "\n";
  }
  DWORD written = 0;
  return syscalls::WriteToFile(file_, lines.data(), DWORD(lines.size()), &written) &&
         written == lines.size() && syscalls::FlushFile(file_);
}

bool TInstallJournal::Remove() {
  Close();
  return syscalls::DeleteFileAt(toolkit::Widen(path_)) || !Exists();
}
