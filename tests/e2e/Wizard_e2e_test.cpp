// The real Setup.exe worked as a user works it: the install-mode walk over
// pages 0 to 2 and back with the component choice, the close question, the
// space warning on a small drive, and the uninstall mode from its welcome
// page to the end. Everything is read from the windows of the running
// program; nothing inside it knows it is being tested.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>

#include "DialogDriver.h"
#include "StartupProcesses.h"
#include "Utf.h"
#include "WizardView.h"

namespace {

using dialogdriver::WindowText;
using e2e::CheckItem;
using e2e::WaitUntil;
using e2e::WizardView;

constexpr DWORD kStartMs = 30000;
constexpr int kBack = 0, kNext = 1, kCancel = 2;
const char kProduct[] = "Карта Тальмирской области 2.0";
const char kInstallCaption[] = "Установка программы \"Карта Тальмирской области 2.0\"";
const char kUninstallCaption[] = "Удаление программы \"Карта Тальмирской области 2.0\"";
const char kExitQuestion[] = "Действительно прервать работу программы установки ?";
const char kSizePrefix[] = "Объём, занимаемый на диске: ";

const char* const kDescriptions[] = {
    "Файлы программы необходимы для корректной работы всего приложения. Установка этого "
    "компонента обязательна.",
    "Справочная система необходима для ознакомления с возможностями и обучения работе в "
    "программе. Установка этого компонента обязательна.",
    "Набор библиотек пакета BDE версии 5.1. Необходим для поиска географических объектов, "
    "содержащихся на карте. Если на Вашем компьютере установлена более новая версия этого "
    "пакета, то данный компонент можно не устанавливать.",
    "Если не устанавливать данный компонент, то для работы программы будет требоваться "
    "наличие компакт-диска с дистрибутивом.",
};
const char* const kSizes[] = {"2,5 Мб.", "1,5 Мб.", "6 Мб.", "167 Мб"};

// Check-list rows are 20 pixels high; the box takes the row's first 17.
constexpr int kBoxX = 8, kTextX = 80;
int RowY(int item) { return item * 20 + 10; }

struct LabelRow {
  const char* page;
  int x, y;
  const char* text;
  bool shown;
};

const LabelRow kInstallWelcome[] = {
    {"Start", 16, 24, "Добро пожаловать в\nмастер установки программы", true},
    {"Start", 16, 56, "Карта Тальмирской\nобласти 2.0", true},
    {"Start", 16, 112, "Для продолжения установки\nнажмите кнопку \"Далее\".", true},
    {"Start", 16, 176, "С помощью этого диалога\nВы удалите программу", false},
    {"Start", 16, 240,
     "Если Вы действительно\nхотите удалить программу\nс компьютера, нажмите\nкнопку "
     "\"Удалить\".",
     false},
};

const LabelRow kSummary[] = {
    {"StartCopyingFiles", 40, 64, "Всё готово для начала копирования файлов", true},
    {"StartCopyingFiles", 48, 104, "Компоненты:", true},
    {"StartCopyingFiles", 48, 216, "Будут установлены в папку:", true},
    {"StartCopyingFiles", 48, 280, "Для начала копирования файлов нажмите кнопку \"Далее\"", true},
};

const LabelRow kUninstallWelcome[] = {
    {"Start", 16, 24, "С помощью этого диалога\nВы удалите программу", true},
    {"Start", 16, 56, "Карта Тальмирской\nобласти 2.0", true},
    {"Start", 16, 112,
     "Если Вы действительно\nхотите удалить программу\nс компьютера, нажмите\nкнопку "
     "\"Удалить\".",
     true},
};

const LabelRow kUninstallCompleted[] = {
    {"UninstallCompleted", 336, 7, "\"Карта Тальмирской\nобласти 2.0\"", true},
    {"UninstallCompleted", 336, 35, "успешно удалена\nс Вашего компьютера", true},
    {"UninstallCompleted", 336, 104,
     "Спасибо за то, что уделили\nвнимание моей программе.\n\nЕсли у Вас возникали\nпроблемы при "
     "использовании\nпрограммы, можете написать\nна E-Mail:",
     true},
    {"UninstallCompleted", 336, 248, "Для выхода нажмите\nкнопку \"Готово\".", true},
};

template <size_t N>
void ExpectLabels(const WizardView& wizard, const LabelRow (&rows)[N]) {
  for (const LabelRow& row : rows) {
    HWND label = wizard.LabelAt(wizard.Page(row.page), row.x, row.y);
    ASSERT_TRUE(label) << row.page << ": no label at " << row.x << "," << row.y;
    EXPECT_EQ(WindowText(label), row.text) << row.page << " " << row.x << "," << row.y;
    EXPECT_EQ(IsWindowVisible(label) != 0, row.shown) << row.text;
  }
}

// What a button should look like; an empty caption: hidden, nothing else.
struct ButtonRow {
  const char* caption;
  bool enabled, isDefault, focused;
};

void ExpectButtons(const WizardView& wizard, const ButtonRow (&rows)[3], const char* where) {
  for (int i = 0; i < 3; ++i) {
    const e2e::ButtonState state = wizard.Button(i);
    const ButtonRow& want = rows[i];
    if (!*want.caption) {
      EXPECT_FALSE(state.shown) << where << ": button " << i << " \"" << state.caption << "\"";
      continue;
    }
    EXPECT_TRUE(state.shown) << where << ": " << want.caption;
    EXPECT_EQ(state.caption, want.caption) << where;
    EXPECT_EQ(state.enabled, want.enabled) << where << ": " << want.caption << " enabled";
    EXPECT_EQ(state.isDefault, want.isDefault) << where << ": " << want.caption << " default";
    EXPECT_EQ(state.focused, want.focused) << where << ": " << want.caption << " focused";
  }
}

// The dialog's label may break lines with CR LF where the message has CR.
std::string Normalized(const std::string& text) {
  std::string lines;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    lines += text[i] == '\r' ? '\n' : text[i];
  }
  return lines;
}

// Waits for the message dialog `caption`, checks its text and buttons and
// presses `answer`.
void Answer(DWORD pid, const char* caption, const std::string& text,
            const std::vector<std::string>& buttons, const char* answer) {
  HWND dialog = dialogdriver::WaitForWindow(caption, e2e::kWaitMs, pid);
  ASSERT_TRUE(dialog) << "no dialog \"" << caption << "\"";
  const dialogdriver::DialogFacts facts = dialogdriver::Inspect(dialog);
  EXPECT_EQ(Normalized(facts.text), text);
  std::vector<std::string> captions;
  for (const auto& button : facts.buttons) captions.push_back(button.caption);
  EXPECT_EQ(captions, buttons);
  EXPECT_TRUE(dialogdriver::ClickButton(dialog, answer));
  EXPECT_TRUE(dialogdriver::WaitUntilGone(dialog));
}

void AnswerExit(DWORD pid, const char* answer) {
  Answer(pid, "Выход", kExitQuestion, {"Да", "Нет"}, answer);
}

std::string DescriptionText(const WizardView& w) {
  HWND label = w.LabelAt(w.Container("Описание выбранного компонента"), 24, 24);
  return label ? WindowText(label) : "(none)";
}

std::string MegabytesText(const WizardView& w) {
  HWND label = w.LabelAt(w.Container("Описание выбранного компонента"), 24, 112);
  return label ? WindowText(label) : "(none)";
}

std::string DirectoryText(const WizardView& w) {
  HWND label = w.LabelAt(w.Container("Установить в папку"), 16, 29);
  return label ? WindowText(label) : "(none)";
}

std::vector<CheckItem> Items(bool database, bool mapImage) {
  return {{true, true}, {true, true}, {database, false}, {mapImage, false}};
}

// Waits until the check list and the setup type show the expected choice.
void ExpectChoice(const WizardView& w, bool database, bool mapImage, int setupType,
                  const char* after) {
  const bool settled = WaitUntil(
      [&] { return w.CheckItems() == Items(database, mapImage) && w.SetupType() == setupType; });
  EXPECT_TRUE(settled) << after << ": database " << w.CheckItems()[2].checked << ", map image "
                       << w.CheckItems()[3].checked << ", setup type " << w.SetupType();
}

// The HKLM value the wizard takes its directory from, replaced for the
// guard's lifetime (this 32-bit test sees the registry view Setup.exe sees).
class ProgramFilesDirOverride {
 public:
  explicit ProgramFilesDirOverride(const std::string& value) {
    RegOpenKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &key_);
    wchar_t buffer[MAX_PATH] = {};
    DWORD size = sizeof buffer - sizeof(wchar_t);
    had_ = RegQueryValueExW(key_, L"ProgramFilesDir", nullptr, nullptr,
                            reinterpret_cast<BYTE*>(buffer), &size) == ERROR_SUCCESS;
    old_ = buffer;
    Set(toolkit::Widen(value));
  }
  ~ProgramFilesDirOverride() {
    if (had_) {
      Set(old_);
    } else {
      RegDeleteValueW(key_, L"ProgramFilesDir");
    }
    RegCloseKey(key_);
  }
  ProgramFilesDirOverride(const ProgramFilesDirOverride&) = delete;
  ProgramFilesDirOverride& operator=(const ProgramFilesDirOverride&) = delete;

 private:
  static constexpr const wchar_t* kKey = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
  void Set(const std::wstring& value) {
    RegSetValueExW(key_, L"ProgramFilesDir", 0, REG_SZ,
                   reinterpret_cast<const BYTE*>(value.c_str()),
                   DWORD((value.size() + 1) * sizeof(wchar_t)));
  }
  HKEY key_ = nullptr;
  bool had_ = false;
  std::wstring old_;
};

std::string ProgramFilesDir() {
  wchar_t buffer[MAX_PATH] = {};
  DWORD size = sizeof buffer - sizeof(wchar_t);
  RegGetValueW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion",
               L"ProgramFilesDir", RRF_RT_REG_SZ, nullptr, buffer, &size);
  return toolkit::Narrow(buffer, size_t(lstrlenW(buffer)));
}

// A dialog of the system's (class #32770) shown by the program, or nullptr.
HWND SystemDialogOf(DWORD pid) {
  for (HWND window : dialogdriver::VisibleTopLevelWindows(pid)) {
    if (dialogdriver::ClassName(window) == "#32770") return window;
  }
  return nullptr;
}

class Wizard : public ::testing::Test {
 protected:
  void SetUp() override {
    CreateDirectoryW(folder_.c_str(), nullptr);
    program_ = e2e::ReadWholeFile(toolkit::Widen(SETUP_EXE_PATH));
    ASSERT_FALSE(program_.empty()) << "cannot read " << SETUP_EXE_PATH;
  }

  void TearDown() override {
    for (const wchar_t* name : {L"Setup.exe", L"Setup1.exe", L"wizard.log"})
      DeleteFileW((folder_ + name).c_str());
    RemoveDirectoryW(folder_.c_str());
  }

  // Starts the program placed in the test's folder under `name`; no map
  // container lies beside it, so no installation could run by mistake.
  e2e::Process StartAs(const std::wstring& name, const std::wstring& arguments) {
    const std::wstring path = folder_ + name;
    EXPECT_TRUE(e2e::WriteWholeFile(path, program_));
    return e2e::Start(path, arguments, folder_);
  }

  // The wizard with its first page ready for the user (focus placed).
  static HWND WizardOf(const e2e::Process& setup, const char* caption) {
    HWND window = e2e::FindProgramWindow(setup.Id(), caption, kStartMs);
    if (!window) return nullptr;
    WizardView view(window);
    WaitUntil([&] { return view.CurrentPage() == "Start" && view.Focus() != nullptr; });
    return window;
  }

  const std::wstring folder_ = e2e::TempFolder() + L"wizard-e2e\\";
  std::string program_;
};

TEST_F(Wizard, InstallModeWalkWithComponentChoiceAndCloseQuestion) {
  e2e::Process setup = StartAs(L"Setup.exe", L"/LOG=wizard.log");
  ASSERT_TRUE(setup.Valid());
  HWND window = WizardOf(setup, kInstallCaption);
  ASSERT_TRUE(window) << "no wizard";
  WizardView w(window);

  // The backdrop: borderless, without caption, over the whole screen.
  HWND backdrop = e2e::FindProgramWindow(setup.Id(), "");
  ASSERT_TRUE(backdrop);
  RECT screen;
  GetWindowRect(backdrop, &screen);
  EXPECT_EQ(screen.right - screen.left, GetSystemMetrics(SM_CXSCREEN));
  EXPECT_EQ(screen.bottom - screen.top, GetSystemMetrics(SM_CYSCREEN));
  EXPECT_FALSE(GetWindowLongPtrW(backdrop, GWL_STYLE) & WS_CAPTION);

  EXPECT_EQ(w.CurrentPage(), "Start");
  ExpectLabels(w, kInstallWelcome);
  ExpectButtons(w,
                {{"< Назад", false, false, false},
                 {"Далее >", true, true, true},
                 {"Отмена", true, false, false}},
                "page 0");

  // The close box asks; No keeps the page.
  dialogdriver::PressCloseBox(window);
  AnswerExit(setup.Id(), "Нет");
  EXPECT_TRUE(setup.Running());
  EXPECT_EQ(w.CurrentPage(), "Start");

  w.Press(kNext);
  ASSERT_TRUE(w.WaitForPage("SelectDirectory"));
  ExpectButtons(w,
                {{"< Назад", true, false, false},
                 {"Далее >", true, true, true},
                 {"Отмена", true, false, false}},
                "page 1");
  std::string programFiles = ProgramFilesDir();
  if (!programFiles.empty() && programFiles.back() == '\\') programFiles.pop_back();
  const std::string directory = programFiles + "\\" + kProduct;
  EXPECT_EQ(DirectoryText(w), directory);

  // The folder browser holds the whole program while it is open; cancelled,
  // it changes nothing.
  HWND browse = dialogdriver::FindControl(window, "Button", "Обзор...");
  ASSERT_TRUE(browse);
  PostMessageW(browse, BM_CLICK, 0, 0);
  HWND browser = nullptr;
  EXPECT_TRUE(WaitUntil([&] { return (browser = SystemDialogOf(setup.Id())) != nullptr; }));
  EXPECT_FALSE(IsWindowEnabled(window)) << "the wizard takes clicks beside the folder browser";
  PostMessageW(browser, WM_COMMAND, IDCANCEL, 0);
  EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(window) != FALSE; }));
  EXPECT_EQ(DirectoryText(w), directory);
  ExpectChoice(w, true, true, 1, "at start");
  EXPECT_EQ(w.SetupTypeText(), "Полная");
  EXPECT_EQ(w.CheckListHighlight(), -1);
  EXPECT_EQ(DescriptionText(w), "");
  EXPECT_EQ(MegabytesText(w), "");

  // A click on an item's text shows its description and toggles nothing.
  w.ClickCheckList(kTextX, RowY(3));
  EXPECT_TRUE(WaitUntil([&] { return DescriptionText(w) == kDescriptions[3]; }));
  EXPECT_EQ(MegabytesText(w), std::string(kSizePrefix) + kSizes[3]);
  ExpectChoice(w, true, true, 1, "click on the text of item 3");

  // The box of a fixed item does not toggle; the description follows.
  w.ClickCheckList(kBoxX, RowY(0));
  EXPECT_TRUE(WaitUntil([&] { return w.CheckListHighlight() == 0; }));
  ExpectChoice(w, true, true, 1, "click on the box of item 0");
  EXPECT_EQ(DescriptionText(w), kDescriptions[0]);
  EXPECT_EQ(MegabytesText(w), std::string(kSizePrefix) + kSizes[0]);

  // Arrow keys move the highlight and the description with it.
  dialogdriver::PressKey(window, VK_DOWN);
  EXPECT_TRUE(WaitUntil([&] { return DescriptionText(w) == kDescriptions[1]; }));
  EXPECT_EQ(MegabytesText(w), std::string(kSizePrefix) + kSizes[1]);
  ExpectChoice(w, true, true, 1, "arrow key");

  // Boxes set the setup type...
  w.ClickCheckList(kBoxX, RowY(2));
  ExpectChoice(w, false, true, 2, "database unchecked");
  EXPECT_EQ(DescriptionText(w), kDescriptions[2]);
  w.ClickCheckList(kBoxX, RowY(3));
  ExpectChoice(w, false, false, 2, "map image unchecked too");
  w.ClickCheckList(kBoxX, RowY(2));
  ExpectChoice(w, true, false, 0, "database checked again");
  EXPECT_EQ(w.SetupTypeText(), "Минимальная");
  // ...and setup types set the boxes.
  w.ChooseSetupType(1);
  ExpectChoice(w, true, true, 1, "Полная chosen");
  w.ChooseSetupType(2);
  ExpectChoice(w, true, true, 2, "Выборочная chosen");
  w.ChooseSetupType(0);
  ExpectChoice(w, true, false, 0, "Минимальная chosen");
  w.ChooseSetupType(1);
  ExpectChoice(w, true, true, 1, "Полная chosen again");

  w.Press(kNext);
  ASSERT_TRUE(w.WaitForPage("StartCopyingFiles")) << "a full installation fits on drive C";
  ExpectLabels(w, kSummary);
  HWND page2 = w.Page("StartCopyingFiles");
  HWND directory2 = w.LabelAt(page2, 80, 240);
  ASSERT_TRUE(directory2);
  EXPECT_EQ(WindowText(directory2), directory);
  const std::vector<std::string> all = {"Файлы программы", "Cправочная система",
                                        "Поддержка баз данных", "Изображение карты"};
  EXPECT_EQ(w.ComponentListItems(), all);
  ExpectButtons(w,
                {{"< Назад", true, false, false},
                 {"Далее >", true, true, true},
                 {"Отмена", true, false, false}},
                "page 2");

  // The summary is text to read: clicks and keys leave no selection and
  // no focused control in the list.
  e2e::ClickWithMouse(w.ComponentList(), 20, 24);
  EXPECT_TRUE(WaitUntil([&] { return w.Focus() == window; })) << "focus left on a control";
  EXPECT_EQ(w.ComponentListSelection(), -1);
  dialogdriver::PressKey(w.ComponentList(), VK_DOWN);
  EXPECT_EQ(w.ComponentListSelection(), -1);

  // Closing from the summary asks too.
  dialogdriver::PressCloseBox(window);
  AnswerExit(setup.Id(), "Нет");
  EXPECT_EQ(w.CurrentPage(), "StartCopyingFiles");

  // Back keeps the choice; on page 0 Back is disabled again.
  w.Press(kBack);
  ASSERT_TRUE(w.WaitForPage("SelectDirectory"));
  ExpectChoice(w, true, true, 1, "back on page 1");
  w.ClickCheckList(kBoxX, RowY(2));
  // One click at a time: on a busy machine two quick clicks may not both land.
  ExpectChoice(w, false, true, 2, "database unchecked again");
  w.ClickCheckList(kBoxX, RowY(3));
  ExpectChoice(w, false, false, 2, "both unchecked");
  w.Press(kNext);
  ASSERT_TRUE(w.WaitForPage("StartCopyingFiles"));
  EXPECT_EQ(w.ComponentListItems(), std::vector<std::string>(all.begin(), all.begin() + 2));
  w.Press(kBack);
  ASSERT_TRUE(w.WaitForPage("SelectDirectory"));
  w.Press(kBack);
  ASSERT_TRUE(w.WaitForPage("Start"));
  EXPECT_TRUE(WaitUntil([&] { return !w.Button(kBack).enabled; }));

  // Cancel asks; Yes ends the program.
  w.Press(kCancel);
  AnswerExit(setup.Id(), "Да");
  EXPECT_TRUE(setup.WaitForExit(e2e::kWaitMs)) << "Yes must end the program";
  DWORD exitCode = 0;
  GetExitCodeProcess(setup.Handle(), &exitCode);
  EXPECT_EQ(exitCode, 1u) << "a cancelled installation";
  // The log's last line says why.
  const std::string log = e2e::ReadWholeFile(folder_ + L"wizard.log");
  const std::string last = "cancelled by the user\r\n";
  EXPECT_TRUE(log.size() > last.size() &&
              log.compare(log.size() - last.size(), last.size(), last) == 0)
      << log;
}

// Run by small_drive.sh, which mounts a 16 MB file system and maps it to the
// drive letter it names in SMALL_DRIVE: a full installation (187 MB with its
// margin) and the minimal one (20) do not fit there, the fixed items (14) do.
TEST_F(Wizard, SpaceWarningOnSmallDrive) {
  const char* drive = std::getenv("SMALL_DRIVE");
  if (!drive || !*drive) {
    GTEST_SKIP() << "no small drive: run through tests/e2e/small_drive.sh as root (it mounts a "
                    "tmpfs) to check the space warning";
  }
  // A lower-case letter, as a registry value may hold it, names the drive too.
  const std::string letter(1, char(std::tolower(static_cast<unsigned char>(drive[0]))));
  ProgramFilesDirOverride override(letter + ":\\Programs\\");
  e2e::Process setup = StartAs(L"Setup.exe", L"");
  ASSERT_TRUE(setup.Valid());
  HWND window = WizardOf(setup, kInstallCaption);
  ASSERT_TRUE(window) << "no wizard";
  WizardView w(window);
  w.Press(kNext);
  ASSERT_TRUE(w.WaitForPage("SelectDirectory"));
  const std::string directory = letter + ":\\Programs\\" + kProduct;
  EXPECT_EQ(DirectoryText(w), directory);

  const std::string warning = "Недостаточно свободного места на диске \"" + letter +
                              "\".\nВыберите другой диск или устанавливайте минимум компонентов.";
  w.Press(kNext);
  Answer(setup.Id(), "Недостаточно места", warning, {"OK"}, "OK");
  EXPECT_EQ(w.CurrentPage(), "SelectDirectory");
  w.ChooseSetupType(0);
  ExpectChoice(w, true, false, 0, "Минимальная chosen");
  w.Press(kNext);
  Answer(setup.Id(), "Недостаточно места", warning, {"OK"}, "OK");
  EXPECT_EQ(w.CurrentPage(), "SelectDirectory");

  w.ClickCheckList(kBoxX, RowY(2));
  ExpectChoice(w, false, false, 2, "both unchecked");
  w.Press(kNext);
  ASSERT_TRUE(w.WaitForPage("StartCopyingFiles")) << "14 MB fit on a 16 MB drive";
  EXPECT_EQ(WindowText(w.LabelAt(w.Page("StartCopyingFiles"), 80, 240)), directory);

  dialogdriver::PressCloseBox(window);
  AnswerExit(setup.Id(), "Да");
  EXPECT_TRUE(setup.WaitForExit(e2e::kWaitMs));
}

TEST_F(Wizard, UninstallModeFromWelcomeToEnd) {
  e2e::Process setup = StartAs(L"Setup1.exe", L"/u");
  ASSERT_TRUE(setup.Valid());
  HWND window = WizardOf(setup, kUninstallCaption);
  ASSERT_TRUE(window) << "no uninstall wizard";
  WizardView w(window);
  EXPECT_EQ(w.CurrentPage(), "Start");
  ExpectLabels(w, kUninstallWelcome);
  EXPECT_FALSE(IsWindowVisible(w.Label(w.Page("Start"), kInstallWelcome[0].text)));
  EXPECT_FALSE(IsWindowVisible(w.Label(w.Page("Start"), kInstallWelcome[2].text)));
  ExpectButtons(
      w, {{"", false, false, false}, {"", false, false, false}, {"Удалить", true, true, true}},
      "uninstall page 0");

  w.Press(kCancel);
  ASSERT_TRUE(w.WaitForPage("UninstallCompleted"));
  // The progress page has been worked on the way.
  HWND action = w.LabelAt(w.Page("UninstallProgress"), 32, 136);
  ASSERT_TRUE(action);
  EXPECT_EQ(WindowText(action), "Подготовка к удалению...");
  ExpectLabels(w, kUninstallCompleted);
  ExpectButtons(
      w, {{"", false, false, false}, {"", false, false, false}, {"Готово", true, true, true}},
      "uninstall page 5");

  // "Готово" ends the program without a question.
  w.Press(kCancel);
  EXPECT_TRUE(setup.WaitForExit(e2e::kWaitMs)) << "Готово must end the program";
  DWORD exitCode = 2;
  GetExitCodeProcess(setup.Handle(), &exitCode);
  EXPECT_EQ(exitCode, 0u) << "an uninstallation done";
}

}  // namespace
