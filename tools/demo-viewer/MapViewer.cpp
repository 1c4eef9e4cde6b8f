// The demo medium's stand-in for the map viewer: one window that draws the
// region's map. Its picture comes from the map image's header when the image
// was installed beside it; without it the viewer says that the distribution
// disc is needed, as the real one would. A file named on the command line
// (an object database opened from the shell) is named in the status line.
// Started with "/ASKSAVE" first, it asks whether to save the changes before
// it closes, as a viewer with an edited map does: until the question is
// answered, a request to close it (its close box, an installer) waits.
#include <windows.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

namespace {

struct TMapInfo {
  bool installed = false;
  uint32_t seed = 2024;
};

// What the window shows, read once at start; the window holds a pointer to it.
struct TViewer {
  TMapInfo map;
  std::wstring opened;
  bool askToSave = false;
  bool asking = false;
};

constexpr wchar_t kAskSave[] = L"/ASKSAVE";

// The command line less the "/ASKSAVE" option, which it sets.
std::wstring OpenedFile(const std::wstring& commandLine, bool* askToSave) {
  const size_t length = wcslen(kAskSave);
  *askToSave = commandLine.size() >= length &&
               CompareStringOrdinal(commandLine.c_str(), int(length), kAskSave, int(length),
                                    TRUE) == CSTR_EQUAL &&
               (commandLine.size() == length || commandLine[length] == L' ');
  if (!*askToSave) return commandLine;
  const size_t rest = commandLine.find_first_not_of(L' ', length);
  return rest == std::wstring::npos ? std::wstring() : commandLine.substr(rest);
}

// True when the window may close: "Да" and "Нет" say so, "Отмена" keeps it.
// A second request while the question shows is not asked again.
bool MayClose(HWND window, TViewer& viewer) {
  if (!viewer.askToSave) return true;
  if (viewer.asking) return false;
  viewer.asking = true;
  const int answer =
      MessageBoxW(window, L"Сохранить изменения в карте?", L"Карта Тальмирской области 2.0",
                  MB_YESNOCANCEL | MB_ICONQUESTION);
  viewer.asking = false;
  return answer != IDCANCEL;
}

std::wstring ModuleFolder() {
  wchar_t path[MAX_PATH];
  DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path, n);
  return folder.substr(0, folder.find_last_of(L"\\/") + 1);
}

TMapInfo ReadMapInfo() {
  TMapInfo info;
  HANDLE file = CreateFileW((ModuleFolder() + L"Map.maptl").c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return info;
  unsigned char head[64] = {};
  DWORD got = 0;
  if (ReadFile(file, head, sizeof head, &got, nullptr) && got == sizeof head &&
      std::memcmp(head, "TLMAP\x1a", 6) == 0) {
    info.installed = true;
    std::memcpy(&info.seed, head + 16, 4);
  }
  CloseHandle(file);
  return info;
}

// A small deterministic generator, so the same image always draws the same map.
struct TRandom {
  uint32_t state;
  int Next(int range) {
    state = state * 1664525u + 1013904223u;
    return static_cast<int>((state >> 8) % static_cast<uint32_t>(range));
  }
};

void Pen(HDC dc, COLORREF colour, int width, void (*draw)(HDC, const RECT&, TRandom&),
         const RECT& area, TRandom& random) {
  HPEN pen = CreatePen(PS_SOLID, width, colour);
  HGDIOBJ old = SelectObject(dc, pen);
  draw(dc, area, random);
  SelectObject(dc, old);
  DeleteObject(pen);
}

void Contours(HDC dc, const RECT& r, TRandom& random) {
  SelectObject(dc, GetStockObject(NULL_BRUSH));
  for (int hill = 0; hill < 4; ++hill) {
    int cx = r.left + random.Next(r.right - r.left), cy = r.top + random.Next(r.bottom - r.top);
    for (int ring = 1; ring <= 5; ++ring)
      Ellipse(dc, cx - ring * 22, cy - ring * 15, cx + ring * 22, cy + ring * 15);
  }
}

void River(HDC dc, const RECT& r, TRandom& random) {
  const int h = r.bottom - r.top, phase = random.Next(100);
  MoveToEx(dc, r.left, r.top + h / 2, nullptr);
  for (int x = r.left; x <= r.right; x += 6)
    LineTo(dc, x, r.top + h / 2 + static_cast<int>(h / 5 * std::sin((x + phase) / 70.0)));
}

void Roads(HDC dc, const RECT& r, TRandom& random) {
  for (int i = 0; i < 3; ++i) {
    MoveToEx(dc, r.left + random.Next(r.right - r.left), r.top, nullptr);
    LineTo(dc, r.left + random.Next(r.right - r.left), r.bottom);
  }
}

void Paint(HWND window, const TViewer& viewer) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(window, &ps);
  RECT client;
  GetClientRect(window, &client);
  RECT map = {client.left + 10, client.top + 40, client.right - 10, client.bottom - 30};
  // Without the image only an empty sheet can be shown, as the real viewer
  // shows nothing until the disc is in the drive.
  HBRUSH land = CreateSolidBrush(viewer.map.installed ? RGB(214, 232, 190) : RGB(225, 225, 225));
  FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  FillRect(dc, &map, land);
  DeleteObject(land);
  if (viewer.map.installed) {
    TRandom random{viewer.map.seed};
    HRGN clip = CreateRectRgnIndirect(&map);
    SelectClipRgn(dc, clip);
    Pen(dc, RGB(170, 120, 70), 1, Contours, map, random);
    Pen(dc, RGB(70, 130, 210), 5, River, map, random);
    Pen(dc, RGB(200, 40, 40), 3, Roads, map, random);
    SelectClipRgn(dc, nullptr);
    DeleteObject(clip);
  }
  SetBkMode(dc, TRANSPARENT);
  // The DC's own font has no Cyrillic letters on every system.
  HFONT font = CreateFontW(-15, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, RUSSIAN_CHARSET, 0, 0, 0, 0,
                           L"Tahoma");
  HGDIOBJ oldFont = SelectObject(dc, font);
  const wchar_t* title = L"Карта Тальмирской области 2.0";
  TextOutW(dc, 12, 12, title, static_cast<int>(wcslen(title)));
  std::wstring status = viewer.map.installed
                            ? L"Изображение карты: Map.maptl"
                            : L"Изображение карты не установлено: вставьте диск дистрибутива";
  if (!viewer.opened.empty()) status += L"    Импорт: " + viewer.opened;
  TextOutW(dc, 12, client.bottom - 22, status.c_str(), static_cast<int>(status.size()));
  SelectObject(dc, oldFont);
  DeleteObject(font);
  EndPaint(window, &ps);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* viewer = reinterpret_cast<TViewer*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  switch (message) {
    case WM_PAINT:
      if (!viewer) break;
      Paint(window, *viewer);
      return 0;
    case WM_SIZE:
      InvalidateRect(window, nullptr, FALSE);
      return 0;
    case WM_CLOSE:
      if (viewer && !MayClose(window, *viewer)) return 0;
      break;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int show) {
  TViewer viewer{ReadMapInfo(), L""};
  viewer.opened = OpenedFile(commandLine, &viewer.askToSave);
  WNDCLASSW wc = {};
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = instance;
  wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
  wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // the arrow
  wc.lpszClassName = L"TalmirMapViewer";
  RegisterClassW(&wc);
  HWND window =
      CreateWindowW(wc.lpszClassName, L"Карта Тальмирской области 2.0", WS_OVERLAPPEDWINDOW,
                    CW_USEDEFAULT, CW_USEDEFAULT, 720, 540, nullptr, nullptr, instance, &viewer);
  ShowWindow(window, show);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return 0;
}
