// Folder creation and file copy with their retry prompts, answered from a
// helper thread; and the silent folder deletion.
#include "FilesAndFolders.h"

#include "DialogDriver.h"
#include "RetryDialog.h"
#include "TempFolder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

using dialogdriver::Click;
using dialogdriver::CloseBox;
using dialogdriver::DialogFacts;
using dialogdriver::DialogResponder;
using testfiles::TempFolder;
using testing::ElementsAre;
using testing::IsEmpty;

constexpr char kErrorCaption[] = "Ошибка";

// The installer's own question, as the installation asks it.
TRetryDialog prompt;

std::function<void(HWND)> InspectThen(DialogFacts* facts, std::function<void(HWND)> action) {
  return [facts, action](HWND dialog) {
    *facts = dialogdriver::Inspect(dialog);
    action(dialog);
  };
}

std::vector<std::string> CaptionsOf(const DialogFacts& facts) {
  std::vector<std::string> captions;
  for (const auto& button : facts.buttons) captions.push_back(button.caption);
  return captions;
}

TEST(CreateFolderWithRetry, ExistingFolderWithFilesIsEmptiedWithoutPrompt) {
  TempFolder temp;
  const std::string folder = temp / "Карта";
  testfiles::MakeFolder(folder);
  testfiles::MakeFolder(folder + "\\Sub");
  testfiles::WriteTextFile(folder + "\\a.txt", "a");
  testfiles::WriteTextFile(folder + "\\Sub\\b.txt", "b");
  DialogResponder noDialogs({});
  EXPECT_TRUE(CreateFolderWithRetry(folder, prompt));
  EXPECT_THAT(noDialogs.Finish(), IsEmpty());
  EXPECT_TRUE(testfiles::IsFolder(folder));
  EXPECT_EQ(testfiles::EntriesIn(folder), 0u);
}

TEST(CreateFolderWithRetry, NewFolderUnderAnExistingParentIsCreated) {
  TempFolder temp;
  const std::string folder = temp / "Карта Тальмирской области 2.0";
  DialogResponder noDialogs({});
  EXPECT_TRUE(CreateFolderWithRetry(folder, prompt));
  EXPECT_THAT(noDialogs.Finish(), IsEmpty());
  EXPECT_TRUE(testfiles::IsFolder(folder));
}

TEST(CreateFolderWithRetry, MissingParentPromptsWithTheFolderPath) {
  TempFolder temp;
  const std::string folder = temp / "Нет\\Папка";
  DialogFacts facts;
  DialogResponder responder({{kErrorCaption, InspectThen(&facts, Click("Прервать"))}});
  EXPECT_FALSE(CreateFolderWithRetry(folder, prompt));
  EXPECT_THAT(responder.Finish(), IsEmpty());
  EXPECT_EQ(facts.text, "Не удается создать папку \r\n" + folder);
  EXPECT_THAT(CaptionsOf(facts), ElementsAre("Прервать", "Повтор"));
  EXPECT_TRUE(facts.hasIcon);
  EXPECT_FALSE(testfiles::Exists(folder));
}

TEST(CreateFolderWithRetry, RetryPromptsAgainAndAbortGivesUp) {
  TempFolder temp;
  const std::string folder = temp / "Нет\\Папка";
  DialogResponder responder({{kErrorCaption, Click("Повтор")},
                             {kErrorCaption, Click("Повтор")},
                             {kErrorCaption, Click("Прервать")}});
  EXPECT_FALSE(CreateFolderWithRetry(folder, prompt));
  EXPECT_THAT(responder.Finish(), IsEmpty());
}

TEST(CreateFolderWithRetry, CloseBoxGivesUpLikeAbort) {
  TempFolder temp;
  DialogResponder responder({{kErrorCaption, CloseBox()}});
  EXPECT_FALSE(CreateFolderWithRetry(temp / "Нет\\Папка", prompt));
  EXPECT_THAT(responder.Finish(), IsEmpty());
}

TEST(CreateFolderWithRetry, RetrySucceedsOnceTheParentExists) {
  TempFolder temp;
  const std::string parent = temp / "Позже";
  const std::string folder = parent + "\\Папка";
  DialogResponder responder({{kErrorCaption, [&](HWND dialog) {
                                testfiles::MakeFolder(parent);
                                dialogdriver::ClickButton(dialog, "Повтор");
                              }}});
  EXPECT_TRUE(CreateFolderWithRetry(folder, prompt));
  EXPECT_THAT(responder.Finish(), IsEmpty());
  EXPECT_TRUE(testfiles::IsFolder(folder));
}

TEST(CopyFileWithRetry, ReplacesAnExistingDestinationWithoutPrompt) {
  TempFolder temp;
  testfiles::WriteTextFile(temp / "источник.exe", "new contents");
  testfiles::WriteTextFile(temp / "Setup.exe", "old");
  DialogResponder noDialogs({});
  EXPECT_TRUE(CopyFileWithRetry(temp / "источник.exe", temp / "Setup.exe", prompt));
  EXPECT_THAT(noDialogs.Finish(), IsEmpty());
  EXPECT_EQ(testfiles::ReadTextFile(temp / "Setup.exe"), "new contents");
  EXPECT_EQ(testfiles::ReadTextFile(temp / "источник.exe"), "new contents");
}

TEST(CopyFileWithRetry, PromptNamesTheSourceAndAbortGivesUp) {
  TempFolder temp;
  const std::string source = temp / "нет.exe";
  const std::string destination = temp / "Setup.exe";
  DialogFacts facts;
  DialogResponder responder({{kErrorCaption, InspectThen(&facts, Click("Прервать"))}});
  EXPECT_FALSE(CopyFileWithRetry(source, destination, prompt));
  EXPECT_THAT(responder.Finish(), IsEmpty());
  EXPECT_EQ(facts.text, "Не удается создать/скопировать файл \r\n" + source);
  EXPECT_THAT(CaptionsOf(facts), ElementsAre("Прервать", "Повтор"));
  EXPECT_FALSE(testfiles::Exists(destination));
}

TEST(CopyFileWithRetry, RetryCopiesOnceTheSourceExists) {
  TempFolder temp;
  const std::string source = temp / "Map.maptl";
  DialogResponder responder(
      {{kErrorCaption, Click("Повтор")}, {kErrorCaption, [&](HWND dialog) {
                                            testfiles::WriteTextFile(source, "map");
                                            dialogdriver::ClickButton(dialog, "Повтор");
                                          }}});
  EXPECT_TRUE(CopyFileWithRetry(source, temp / "copy", prompt));
  EXPECT_THAT(responder.Finish(), IsEmpty());
  EXPECT_EQ(testfiles::ReadTextFile(temp / "copy"), "map");
}

TEST(CopyFileWithRetry, MissingDestinationFolderPromptsWithTheSourceToo) {
  TempFolder temp;
  const std::string source = temp / "a.txt";
  testfiles::WriteTextFile(source, "a");
  DialogFacts facts;
  DialogResponder responder({{kErrorCaption, InspectThen(&facts, CloseBox())}});
  EXPECT_FALSE(CopyFileWithRetry(source, temp / "Нет\\a.txt", prompt));
  EXPECT_THAT(responder.Finish(), IsEmpty());
  EXPECT_EQ(facts.text, "Не удается создать/скопировать файл \r\n" + source);
}

TEST(DeleteFolderIfExists, DeletesAFolderTree) {
  TempFolder temp;
  const std::string folder = temp / "Дерево";
  testfiles::MakeFolder(folder);
  testfiles::MakeFolder(folder + "\\Глубже");
  testfiles::WriteTextFile(folder + "\\Глубже\\f.txt", "f");
  DialogResponder noDialogs({});
  DeleteFolderIfExists(folder);
  EXPECT_THAT(noDialogs.Finish(), IsEmpty());
  EXPECT_FALSE(testfiles::Exists(folder));
}

TEST(DeleteFolderIfExists, LeavesAPlainFileAndIgnoresAMissingPath) {
  TempFolder temp;
  const std::string file = temp / "файл";
  testfiles::WriteTextFile(file, "keep");
  DialogResponder noDialogs({});
  DeleteFolderIfExists(file);
  DeleteFolderIfExists(temp / "нет");
  EXPECT_THAT(noDialogs.Finish(), IsEmpty());
  EXPECT_EQ(testfiles::ReadTextFile(file), "keep");
}

}  // namespace
