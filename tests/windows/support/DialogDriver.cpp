#include "DialogDriver.h"

#include "Utf.h"

#include <algorithm>

namespace dialogdriver {

namespace {

constexpr UINT kSendTimeoutMs = 2000;
constexpr DWORD kPollMs = 10;

struct FindContext {
  DWORD pid;
  std::vector<HWND>* windows;
};

BOOL CALLBACK CollectVisible(HWND hwnd, LPARAM lp) {
  auto* context = reinterpret_cast<FindContext*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  RECT r = {};
  GetWindowRect(hwnd, &r);
  const bool hasSize = r.right > r.left && r.bottom > r.top;
  if (pid == context->pid && IsWindowVisible(hwnd) && hasSize) context->windows->push_back(hwnd);
  return TRUE;
}

LRESULT SendWithTimeout(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutW(hwnd, msg, wp, lp, SMTO_ABORTIFHUNG, kSendTimeoutMs, &result)) {
    return 0;
  }
  return static_cast<LRESULT>(result);
}

GUITHREADINFO ThreadInfoOf(HWND window) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof(info);
  GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info);
  return info;
}

bool HoldsFocus(HWND window) {
  const GUITHREADINFO info = ThreadInfoOf(window);
  return info.hwndFocus && (info.hwndFocus == window || IsChild(window, info.hwndFocus));
}

template <typename Predicate>
bool WaitFor(Predicate done, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start >= timeoutMs) return false;
    Sleep(kPollMs);
  }
  return true;
}

int LineHeightOf(HWND control) {
  HFONT font = reinterpret_cast<HFONT>(SendWithTimeout(control, WM_GETFONT, 0, 0));
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, font ? static_cast<HGDIOBJ>(font) : GetStockObject(SYSTEM_FONT));
  TEXTMETRICW tm = {};
  GetTextMetricsW(dc, &tm);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  return tm.tmHeight;
}

BOOL CALLBACK CollectChild(HWND hwnd, LPARAM lp) {
  reinterpret_cast<std::vector<HWND>*>(lp)->push_back(hwnd);
  return TRUE;
}

}  // namespace

std::vector<HWND> Children(HWND parent) {
  std::vector<HWND> children;
  EnumChildWindows(parent, CollectChild, reinterpret_cast<LPARAM>(&children));
  return children;
}

std::string WindowText(HWND window) {
  const LRESULT length = SendWithTimeout(window, WM_GETTEXTLENGTH, 0, 0);
  if (length <= 0) return std::string();
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  const LRESULT got =
      SendWithTimeout(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(std::max<LRESULT>(got, 0)));
  return toolkit::Narrow(text);
}

std::string ClassName(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return toolkit::Narrow(name, static_cast<size_t>(lstrlenW(name)));
}

std::vector<HWND> VisibleTopLevelWindows(DWORD pid) {
  std::vector<HWND> windows;
  FindContext context{pid, &windows};
  EnumWindows(CollectVisible, reinterpret_cast<LPARAM>(&context));
  return windows;
}

HWND FindTopLevelWindow(const std::string& caption, DWORD pid) {
  for (HWND window : VisibleTopLevelWindows(pid)) {
    if (WindowText(window) == caption) return window;
  }
  return nullptr;
}

HWND WaitForWindow(const std::string& caption, DWORD timeoutMs, DWORD pid) {
  HWND found = nullptr;
  WaitFor(
      [&] {
        found = FindTopLevelWindow(caption, pid);
        return found && IsWindowEnabled(found) && HoldsFocus(found);
      },
      timeoutMs);
  return found && HoldsFocus(found) ? found : nullptr;
}

bool WaitUntilGone(HWND window, DWORD timeoutMs) {
  return WaitFor([&] { return !IsWindow(window) || !IsWindowVisible(window); }, timeoutMs);
}

HWND FindControl(HWND parent, const std::string& className, const std::string& text) {
  const std::wstring wideClass = toolkit::Widen(className);
  for (HWND child : Children(parent)) {
    wchar_t name[64] = {};
    GetClassNameW(child, name, 64);
    if (lstrcmpiW(name, wideClass.c_str()) == 0 && WindowText(child) == text) return child;
  }
  return nullptr;
}

bool ClickButton(HWND window, const std::string& caption) {
  HWND button = FindControl(window, "Button", caption);
  if (!button) return false;
  DWORD_PTR ignored = 0;
  return SendMessageTimeoutW(button, BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &ignored) !=
         0;
}

void PressKey(HWND window, UINT virtualKey) {
  const GUITHREADINFO info = ThreadInfoOf(window);
  HWND target = info.hwndFocus ? info.hwndFocus : window;
  const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC)) << 16;
  PostMessageW(target, WM_KEYDOWN, virtualKey, 1 | scan);
  PostMessageW(target, WM_KEYUP, virtualKey, 1 | scan | (LPARAM{1} << 30) | (LPARAM{1} << 31));
}

void PressCloseBox(HWND window) { PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0); }

DialogFacts Inspect(HWND dialog) {
  DialogFacts facts;
  facts.caption = WindowText(dialog);
  GetWindowRect(dialog, &facts.rect);
  const LRESULT defId = SendWithTimeout(dialog, DM_GETDEFID, 0, 0);
  if (HIWORD(defId) == DC_HASDEFID) facts.defaultId = LOWORD(defId);
  for (HWND child : Children(dialog)) {
    if (GetParent(child) != dialog) continue;
    const std::string cls = ClassName(child);
    const LONG_PTR style = GetWindowLongPtrW(child, GWL_STYLE);
    if (lstrcmpiW(toolkit::Widen(cls).c_str(), L"Button") == 0) {
      ButtonFacts button{child, GetDlgCtrlID(child), WindowText(child), {}, false};
      GetWindowRect(child, &button.rect);
      button.defaultStyle = (style & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
      facts.buttons.push_back(button);
    } else if (lstrcmpiW(toolkit::Widen(cls).c_str(), L"Static") == 0) {
      if ((style & SS_TYPEMASK) == SS_ICON) {
        facts.hasIcon = SendWithTimeout(child, STM_GETICON, 0, 0) != 0;
      } else {
        facts.text = WindowText(child);
        GetWindowRect(child, &facts.textRect);
        DWORD pid = 0;
        GetWindowThreadProcessId(child, &pid);
        const int lineHeight = pid == GetCurrentProcessId() ? LineHeightOf(child) : 0;
        const int height = facts.textRect.bottom - facts.textRect.top;
        facts.textLines = lineHeight > 0 ? height / lineHeight : 0;
      }
    }
  }
  std::sort(facts.buttons.begin(), facts.buttons.end(),
            [](const ButtonFacts& a, const ButtonFacts& b) { return a.rect.left < b.rect.left; });
  return facts;
}

DialogResponder::DialogResponder(std::vector<Step> steps, DWORD stepTimeoutMs)
    : steps_(std::move(steps)), stepTimeoutMs_(stepTimeoutMs), thread_([this] { Run(); }) {}

DialogResponder::~DialogResponder() {
  if (thread_.joinable()) Finish();
}

std::vector<std::string> DialogResponder::Finish() {
  finished_ = true;
  if (thread_.joinable()) thread_.join();
  std::lock_guard<std::mutex> lock(mutex_);
  return failures_;
}

void DialogResponder::Fail(const std::string& what) {
  std::lock_guard<std::mutex> lock(mutex_);
  failures_.push_back(what);
}

void DialogResponder::CloseStrayDialogs() {
  for (HWND window : VisibleTopLevelWindows()) {
    if (ClassName(window) != "#32770") continue;
    Fail("unexpected dialog \"" + WindowText(window) + "\"");
    PressCloseBox(window);
    WaitUntilGone(window, 2000);
  }
}

void DialogResponder::Run() {
  for (size_t i = 0; i < steps_.size(); ++i) {
    const Step& step = steps_[i];
    const std::string name = "step " + std::to_string(i + 1) + " (\"" + step.caption + "\")";
    HWND dialog = nullptr;
    const bool shown = WaitFor(
        [&] {
          dialog = finished_ ? nullptr : WaitForWindow(step.caption, 0);
          return dialog || finished_;
        },
        stepTimeoutMs_);
    if (!shown || !dialog) {
      Fail(name + ": the dialog was not shown");
      break;
    }
    step.action(dialog);
    if (!WaitUntilGone(dialog, stepTimeoutMs_)) {
      Fail(name + ": the dialog stayed open");
      PressCloseBox(dialog);
      WaitUntilGone(dialog, 2000);
    }
  }
  while (!finished_) {
    CloseStrayDialogs();
    Sleep(kPollMs * 2);
  }
}

std::function<void(HWND)> Click(const std::string& caption) {
  return [caption](HWND dialog) { ClickButton(dialog, caption); };
}

std::function<void(HWND)> Key(UINT virtualKey) {
  return [virtualKey](HWND dialog) { PressKey(dialog, virtualKey); };
}

std::function<void(HWND)> CloseBox() {
  return [](HWND dialog) { PressCloseBox(dialog); };
}

}  // namespace dialogdriver
