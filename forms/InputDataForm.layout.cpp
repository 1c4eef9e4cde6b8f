// The wizard, control by control. Positions of page controls are inside
// their page; a page's name is its window text. Tab order follows the rows:
// the buttons, then the page.
#include "InputDataForm.layout.h"

using namespace toolkit;

#define CONTACT_EMAIL "karta@veltran.ru"
#define PRODUCT_QUOTED "\"Карта Тальмирской\nобласти 2.0\""

const FormDecl kWizardForm = {"WizardForm",
                              "Установка программы \"Карта Тальмирской области 2.0\"",
                              WS_CAPTION | WS_SYSMENU | WS_CLIPSIBLINGS,
                              WS_EX_DLGMODALFRAME,
                              0,
                              0,
                              520,
                              369,
                              SystemColor(COLOR_BTNFACE),
                              Placement::DesktopCenter,
                              "MS Sans Serif",
                              8,
                              "Microsoft Sans Serif",
                              16};

// clang-format off
const ControlDecl kWizardFormControls[] = {
  // kind              name             parent               x    y    w    h  text                        style
  {Kind::Button,      "BackBtn",       "",                 255, 339,  75,  23, "< Назад",                   kNoStyle},
  {Kind::Button,      "NextBtn",       "",                 335, 339,  75,  23, "Далее >",                   kDefault},
  {Kind::Button,      "CancelBtn",     "",                 432, 339,  75,  23, "Отмена",                    kNoStyle},
  {Kind::Notebook,    "Notebook",      "",                   8,   8, 505, 313, "",                          kNoStyle, SystemColor(COLOR_INACTIVEBORDER)},
  // Bevel1: the line between the pages and the buttons.
  {Kind::Bevel,       "Bevel1",        "",                   8, 328, 505,   2, "",                          kNoStyle},

  // Page 0: welcome (install and uninstall)
  {Kind::Page,        "Start",         "Notebook",           0,   0, 505, 313, "Start",                     kFill | kHidden},
  // Image1: the welcome picture behind the page's texts.
  {Kind::Image,       "Image1",        "Start",              0,   0, 505, 313, "IMAGE1",                    kNoStyle},
  // Shape1, Shape2, Shape3: the frame around a page-sized picture.
  {Kind::Shape,       "Shape1",        "Start",              0,   0, 505, 313, "",                          kNoStyle},
  {Kind::Label,       "InstIntro1",    "Start",             16,  24,   0,   0, "Добро пожаловать в\nмастер установки программы", kNoStyle},
  {Kind::Label,       "Label3",        "Start",             16,  56,   0,   0, "Карта Тальмирской\nобласти 2.0", kBold},
  {Kind::Label,       "InstIntro2",    "Start",             16, 112,   0,   0, "Для продолжения установки\nнажмите кнопку \"Далее\".", kNoStyle},
  {Kind::Label,       "UninstIntro1",  "Start",             16, 176,   0,   0, "С помощью этого диалога\nВы удалите программу", kHidden},
  {Kind::Label,       "UninstIntro2",  "Start",             16, 240,   0,   0, "Если Вы действительно\nхотите удалить программу\nс компьютера, нажмите\nкнопку \"Удалить\".", kHidden},

  // Page 1: install directory and components
  {Kind::Page,        "SelectDirectory", "Notebook",         0,   0, 505, 313, "SelectDirectory",           kFill | kHidden},
  // Image2: the header strip of this page (Image3 and Image4 copy it).
  {Kind::Image,       "Image2",        "SelectDirectory",    0,   0, 505,  54, "IMAGE2",                    kNoStyle},
  {Kind::GroupBox,    "GroupBox1",     "SelectDirectory",    8,  72, 489,  57, "Установить в папку",        kNoStyle},
  {Kind::Label,       "Directory",     "GroupBox1",         16,  29, 377,  13, "",                          kFixedSize},
  // Button1: the folder browser ("Обзор..."); Directory: the install folder D.
  {Kind::Button,      "Button1",       "GroupBox1",        400,  24,  75,  23, "Обзор...",                  kNoStyle},
  {Kind::Label,       "Label8",        "SelectDirectory",    8, 152,   0,   0, "Тип установки:",            kNoStyle},
  {Kind::CheckList,   "CheckList",     "SelectDirectory",    8, 200, 201, 105, "Файлы программы\nСправочная система\nПоддержка баз данных\nИзображение карты", kNoStyle},
  // ComboBox1: the setup type; CheckList above: one row per component of
  // install/Components.h, in its order.
  {Kind::ComboBox,    "ComboBox1",     "SelectDirectory",    8, 168, 201,  21, "Минимальная\nПолная\nВыборочная", kNoStyle},
  {Kind::GroupBox,    "GroupBox2",     "SelectDirectory",  224, 160, 273, 145, "Описание выбранного компонента", kNoStyle},
  {Kind::Label,       "Description",   "GroupBox2",         24,  24, 233,  81, "",                          kFixedSize | kWordWrap},
  {Kind::Label,       "Megabytes",     "GroupBox2",         24, 112, 233,  13, "",                          kFixedSize},

  // Page 2: summary
  {Kind::Page,        "StartCopyingFiles", "Notebook",       0,   0, 505, 313, "StartCopyingFiles",         kFill | kHidden},
  // Image3, Image4: the header strip of Image2; Image6: the picture of Image5.
  {Kind::Image,       "Image3",        "StartCopyingFiles",  0,   0, 505,  54, "",                          kNoStyle},
  {Kind::Label,       "Label7",        "StartCopyingFiles", 40,  64,   0,   0, "Всё готово для начала копирования файлов", kBigFont},
  {Kind::Label,       "Label9",        "StartCopyingFiles", 48, 104,   0,   0, "Компоненты:",               kNoStyle},
  {Kind::ListBox,     "ComponentList", "StartCopyingFiles", 72, 128, 169,  65, "",                          kNoTab},
  {Kind::Label,       "Label14",       "StartCopyingFiles", 48, 216,   0,   0, "Будут установлены в папку:", kNoStyle},
  {Kind::Label,       "Directory2",    "StartCopyingFiles", 80, 240,   0,   0, "",                          kNoStyle},
  {Kind::Label,       "Label16",       "StartCopyingFiles", 48, 280,   0,   0, "Для начала копирования файлов нажмите кнопку \"Далее\"", kNoStyle},

  // Page 3: installation completed
  {Kind::Page,        "InstallCompleted", "Notebook",        0,   0, 505, 313, "InstallCompleted",          kFill | kHidden},
  {Kind::Image,       "Image6",        "InstallCompleted",   0,   0, 505, 313, "",                          kNoStyle},
  {Kind::Shape,       "Shape3",        "InstallCompleted",   0,   0, 505, 313, "",                          kNoStyle},
  {Kind::Label,       "Label4",        "InstallCompleted", 336,   7,   0,   0, PRODUCT_QUOTED,              kBold},
  {Kind::Label,       "Label5",        "InstallCompleted", 336,  35,   0,   0, "успешно установлена\nна Ваш компьютер.", kNoStyle},
  {Kind::Label,       "Label6",        "InstallCompleted", 336, 104,   0,   0, "Спасибо за то, что уделили\nвнимание моей программе.\n\nПри возникновении проблем\nили вопросов, связанных с\nиспользованием программы,\nпишите на E-Mail:", kNoStyle},
  {Kind::Label,       "Label10",       "InstallCompleted", 336, 200,   0,   0, CONTACT_EMAIL,               kBold},
  {Kind::Label,       "Label1",        "InstallCompleted", 336, 248,   0,   0, "Для выхода нажмите\nкнопку \"Готово\".", kNoStyle},

  // Page 4: uninstall progress
  {Kind::Page,        "UninstallProgress", "Notebook",       0,   0, 505, 313, "UninstallProgress",         kFill | kHidden},
  {Kind::Image,       "Image4",        "UninstallProgress",  0,   0, 505,  54, "",                          kNoStyle},
  {Kind::Label,       "Label2",        "UninstallProgress", 24,  72,   0,   0, "Удаление программы...",     kNoStyle},
  {Kind::Label,       "CurrentAction", "UninstallProgress", 32, 136,   0,   0, "",                          kNoStyle},
  {Kind::ProgressBar, "UninstallProgress", "UninstallProgress", 32, 160, 441, 16, "",                       kNoStyle},

  // Page 5: uninstall completed
  {Kind::Page,        "UninstallCompleted", "Notebook",      0,   0, 505, 313, "UninstallCompleted",        kFill | kHidden},
  // Image5: the closing picture behind the texts (Image6 copies it).
  {Kind::Image,       "Image5",        "UninstallCompleted", 0,   0, 505, 313, "IMAGE5",                    kNoStyle},
  {Kind::Shape,       "Shape2",        "UninstallCompleted", 0,   0, 505, 313, "",                          kNoStyle},
  {Kind::Label,       "Label11",       "UninstallCompleted", 336,  7,   0,   0, PRODUCT_QUOTED,              kBold},
  {Kind::Label,       "Label12",       "UninstallCompleted", 336, 35,   0,   0, "успешно удалена\nс Вашего компьютера", kNoStyle},
  {Kind::Label,       "Label13",       "UninstallCompleted", 336, 104,  0,   0, "Спасибо за то, что уделили\nвнимание моей программе.\n\nЕсли у Вас возникали\nпроблемы при использовании\nпрограммы, можете написать\nна E-Mail:", kNoStyle},
  {Kind::Label,       "Label15",       "UninstallCompleted", 336, 200,  0,   0, CONTACT_EMAIL,               kBold},
  {Kind::Label,       "Label17",       "UninstallCompleted", 336, 248,  0,   0, "Для выхода нажмите\nкнопку \"Готово\".", kNoStyle},
};
// clang-format on
const size_t kWizardFormControlCount = sizeof kWizardFormControls / sizeof *kWizardFormControls;

const EventDecl<TWizardForm> kWizardFormEvents[] = {
    {"", Event::Create, &TWizardForm::FormCreate},
    {"", Event::CloseQuery, &TWizardForm::FormCloseQuery},
    {"Notebook", Event::PageChanged, &TWizardForm::NotebookPageChanged},
    {"BackBtn", Event::Click, &TWizardForm::BackBtnClick},
    {"NextBtn", Event::Click, &TWizardForm::NextBtnClick},
    {"CancelBtn", Event::Click, &TWizardForm::CancelBtnClick},
    {"Button1", Event::Click, &TWizardForm::Button1Click},
    {"CheckList", Event::MouseDown, &TWizardForm::CheckListMouseDown},
    {"CheckList", Event::KeyDown, &TWizardForm::CheckListKeyDown},
    {"CheckList", Event::KeyUp, &TWizardForm::CheckListKeyDown},
    {"CheckList", Event::ClickCheck, &TWizardForm::CheckListClickCheck},
    {"ComboBox1", Event::Change, &TWizardForm::ComboBox1Change},
    {"ComponentList", Event::MouseDown, &TWizardForm::ComponentListMouseDown},
    {"ComponentList", Event::KeyDown, &TWizardForm::ComponentListKeyDown},
};
const size_t kWizardFormEventCount = sizeof kWizardFormEvents / sizeof *kWizardFormEvents;
