#include "FilesInUseRules.h"

namespace {

constexpr size_t kLongestName = 64;
constexpr size_t kMostListed = 10;

// The length of the UTF-8 sequence that `lead` begins (1 for a stray byte).
size_t SequenceLength(unsigned char lead) {
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  if (lead >= 0xE0) return lead <= 0xEF ? 3 : 1;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  return 1;
}

// Characters that could make a title pass for more than one line, or show
// its text in another order than it is stored: C0, DEL, C1, the line and
// paragraph separators and the bidirectional marks and overrides.
bool IsHidden(const std::string& c) {
  const auto b = [&c](size_t i) { return static_cast<unsigned char>(c[i]); };
  if (c.size() == 1) return b(0) < 0x20 || b(0) >= 0x7F;
  if (c.size() == 2) return b(0) == 0xC2 && b(1) < 0xA0;
  if (c.size() == 3 && b(0) == 0xE2 && b(1) == 0x80)
    return b(2) == 0x8E || b(2) == 0x8F || (b(2) >= 0xA8 && b(2) <= 0xAE);
  if (c.size() == 3 && b(0) == 0xE2 && b(1) == 0x81) return b(2) >= 0xA6 && b(2) <= 0xA9;
  if (c.size() == 3 && b(0) == 0xEF && b(1) == 0xBB) return b(2) == 0xBF;
  return false;
}

std::string Cleaned(const std::string& text) {
  std::string out;
  size_t characters = 0;
  for (size_t at = 0; at < text.size();) {
    size_t length = SequenceLength(static_cast<unsigned char>(text[at]));
    if (at + length > text.size()) length = 1;
    std::string c = text.substr(at, length);
    at += length;
    for (size_t i = 1; i < c.size(); ++i) {
      if ((static_cast<unsigned char>(c[i]) & 0xC0) != 0x80) c = "\x7F";  // not UTF-8
    }
    if (IsHidden(c) || c == " ") {
      if (!out.empty() && out.back() != ' ') out += ' ';
      continue;
    }
    if (characters == kLongestName) return out + "...";
    out += c;
    ++characters;
  }
  while (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

std::string Listed(const std::vector<TProgramInUse>& programs) {
  std::string lines;
  for (size_t i = 0; i < programs.size() && i < kMostListed; ++i)
    lines += "    " + programs[i].name + "\r";
  if (programs.size() > kMostListed)
    lines += "    и ещё " + std::to_string(programs.size() - kMostListed) + "\r";
  return lines;
}

}  // namespace

std::string ShownName(const std::string& title, const std::string& file) {
  const std::string shown = Cleaned(title);
  if (!shown.empty()) return shown;
  const std::string name = Cleaned(file);
  return name.empty() ? "?" : name;
}

bool AnyOwn(const std::vector<TProgramInUse>& programs) {
  for (const TProgramInUse& program : programs)
    if (program.own) return true;
  return false;
}

bool AnyOther(const std::vector<TProgramInUse>& programs) {
  for (const TProgramInUse& program : programs)
    if (!program.own) return true;
  return false;
}

std::string FilesInUseMessage(const std::vector<TProgramInUse>& programs, const std::string& folder,
                              bool uninstalling) {
  std::string text = "Файлы папки\r" + folder + "\rиспользуются программами:\r" + Listed(programs);
  if (AnyOther(programs)) {
    text += "Закройте их и нажмите «Повтор».";
  } else {
    text +=
        uninstalling ? "Закрыть их и продолжить удаление?" : "Закрыть их и продолжить установку?";
    text += "\r«Повтор» — проверить снова, если вы закрыли их сами.";
  }
  if (uninstalling) text += "\r«Пропустить» — удалить их файлы после перезагрузки.";
  return text;
}

std::string ProgramsForLog(const std::vector<TProgramInUse>& programs) {
  std::string line;
  for (const TProgramInUse& program : programs) {
    line += (line.empty() ? "\"" : ", \"") + program.name + "\" (" +
            (program.file.empty() ? "" : program.file + ", ") + "process " +
            std::to_string(program.id) + (program.own ? ", the product's" : ", another program") +
            ")";
  }
  return line;
}

TFilesInUseAnswer UnattendedAnswer(const std::vector<TProgramInUse>& programs, bool mayClose,
                                   bool closedOnce, bool othersBlock) {
  if (!mayClose || closedOnce || !AnyOwn(programs)) return TFilesInUseAnswer::kStop;
  if (othersBlock && AnyOther(programs)) return TFilesInUseAnswer::kStop;
  return TFilesInUseAnswer::kClose;
}
