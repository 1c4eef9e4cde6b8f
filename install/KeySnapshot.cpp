#include "KeySnapshot.h"

#include <cctype>

namespace {

std::string Hex(const std::string& bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string text;
  text.reserve(bytes.size() * 2);
  for (unsigned char byte : bytes) {
    text.push_back(kDigits[byte >> 4]);
    text.push_back(kDigits[byte & 15]);
  }
  return text;
}

// Lower-case hex of whole bytes only: what Hex writes.
std::optional<std::string> Unhex(const std::string& text) {
  if (text.size() % 2) return std::nullopt;
  const auto digit = [](char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
  };
  std::string bytes;
  bytes.reserve(text.size() / 2);
  for (size_t i = 0; i < text.size(); i += 2) {
    const int high = digit(text[i]), low = digit(text[i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    bytes.push_back(static_cast<char>(high * 16 + low));
  }
  return bytes;
}

std::optional<uint32_t> Number32(const std::string& text) {
  if (text.empty() || text.size() > 10) return std::nullopt;
  for (char c : text)
    if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
  const unsigned long long value = std::stoull(text);
  if (value > 0xFFFFFFFFull) return std::nullopt;
  return static_cast<uint32_t>(value);
}

std::optional<TSnapshotItem> ParseItem(const std::string& text) {
  const std::vector<std::string> f = SplitAt(text, '/');
  TSnapshotItem item;
  item.isValue = f[0] == "v";
  if (!(f[0] == "k" && f.size() == 2) && !(item.isValue && f.size() == 5)) return std::nullopt;
  const std::optional<std::string> key = Unhex(f[1]);
  if (!key) return std::nullopt;
  item.key = *key;
  if (!item.isValue) return item;
  const std::optional<std::string> name = Unhex(f[2]), data = Unhex(f[4]);
  const std::optional<uint32_t> type = Number32(f[3]);
  if (!name || !data || !type) return std::nullopt;
  item.name = *name;
  item.type = *type;
  item.data = *data;
  return item;
}

}  // namespace

std::vector<std::string> SplitAt(const std::string& text, char separator) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (size_t end; (end = text.find(separator, start)) != std::string::npos; start = end + 1)
    parts.push_back(text.substr(start, end - start));
  parts.push_back(text.substr(start));
  return parts;
}

std::string SnapshotItemText(const TSnapshotItem& item) {
  if (!item.isValue) return "k/" + Hex(item.key);
  return "v/" + Hex(item.key) + "/" + Hex(item.name) + "/" + std::to_string(item.type) + "/" +
         Hex(item.data);
}

std::optional<std::vector<TSnapshotItem>> ParseKeySnapshot(const std::string& text) {
  std::vector<TSnapshotItem> items;
  if (text == kAbsentSnapshot) return items;
  for (const std::string& part : SplitAt(text, ' ')) {
    std::optional<TSnapshotItem> item = ParseItem(part);
    if (!item) return std::nullopt;
    items.push_back(std::move(*item));
  }
  // The top of the tree comes first: it is made even when it holds nothing.
  if (items[0].isValue || !items[0].key.empty()) return std::nullopt;
  return items;
}
