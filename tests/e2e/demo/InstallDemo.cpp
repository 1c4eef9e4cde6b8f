// The headless demo's hands: installs the demo medium with every component,
// saves a picture of the screen on every page and at every step of the
// progress window (the billboards show during the map image's copy), checks
// the installed files against the medium's plan, the records and the links,
// uninstalls through the record's command and prints a summary.
//   install_demo.exe MEDIUM_FOLDER PLAN_FILE PICTURE_FOLDER (folders end in "\\")
// Exit status 0 when everything was installed and removed again.
#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <map>
#include <string>

#include "InstallSession.h"
#include "InstalledProduct.h"
#include "RegistryValues.h"
#include "Utf.h"

namespace {

// The whole screen as the bytes of a 24-bit BMP file.
std::string CaptureScreen() {
  const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
  GdiFlush();
  const DWORD stride = DWORD((width * 3 + 3) & ~3), size = stride * DWORD(height);
  BITMAPFILEHEADER file = {0x4D42, DWORD(sizeof file + sizeof info.bmiHeader + size), 0, 0,
                           DWORD(sizeof file + sizeof info.bmiHeader)};
  std::string picture(reinterpret_cast<const char*>(&file), sizeof file);
  picture.append(reinterpret_cast<const char*>(&info.bmiHeader), sizeof info.bmiHeader);
  picture.append(static_cast<const char*>(bits), size);
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return picture;
}

void Save(const std::string& path, const std::string& picture) {
  if (FILE* out = _wfopen(toolkit::Widen(path).c_str(), L"wb")) {
    fwrite(picture.data(), picture.size(), 1, out);
    fclose(out);
  }
}

void SaveScreen(const std::string& path) { Save(path, CaptureScreen()); }

bool Exists(const std::string& path) {
  return GetFileAttributesW(toolkit::Widen(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: install_demo MEDIUM\\ PLAN_FILE PICTURE_FOLDER\\\n");
    return 2;
  }
  const std::string medium = toolkit::Narrow(argv[1]), plan = toolkit::Narrow(argv[2]),
                    pictures = toolkit::Narrow(argv[3]);
  CoInitialize(nullptr);
  const ULONGLONG start = GetTickCount64();
  int shots = 0;
  e2e::InstallOptions options;
  options.choice = e2e::SetupChoice::Full;
  // "-" for no pictures: the installation's own time, for benchmarks.
  const bool takePictures = pictures != "-";
  options.onPage = [&](const std::string& page) {
    if (!takePictures) return;
    Sleep(300);  // the page's first paint
    SaveScreen(pictures + std::to_string(++shots) + "-" + page + ".bmp");
  };
  // One picture per step of the bar: the last one taken while it stood there
  // (a billboard shows only while its half of the image is copied, so the
  // pictures are kept in memory until the end, to take them as often as can be).
  std::map<int, std::string> steps;
  options.onProgress = [&](int position) {
    if (takePictures && position > 0) steps[position] = CaptureScreen();
  };
  const e2e::InstallOutcome outcome = e2e::Install(toolkit::Widen(medium + "Setup.exe"), options);
  const double installSeconds = double(GetTickCount64() - start) / 1000;
  for (const auto& [position, picture] : steps)
    Save(pictures + "progress-" + std::to_string(position) + ".bmp", picture);
  const std::string& d = outcome.directory;
  if (!outcome.completed) {
    std::printf("demo: the installation did not complete\n");
    for (const auto& m : outcome.messages)
      std::printf("  [%s] %s\n", m.caption.c_str(), m.text.c_str());
    return 1;
  }

  // What was installed, against the medium's plan.
  const auto expected = e2e::ReadPlan(plan);
  const auto installed = e2e::FilesBelow(d, nullptr);
  int problems = 0;
  uint64_t bytes = 0;
  for (const auto& [path, facts] : installed) bytes += facts.size;
  for (const auto& [path, facts] : expected) {
    const auto found = installed.find(path);
    if (found == installed.end() || found->second.crc != facts.crc) {
      std::printf("demo: %s is missing or differs\n", path.c_str());
      ++problems;
    }
  }
  const std::string key = e2e::UninstallKey();
  const size_t values = testregistry::ValueNames(HKEY_LOCAL_MACHINE, key).size();
  int links = 0;
  const std::string group = e2e::ShellFolder("Programs") + "\\" + e2e::kProductName;
  for (const std::string& link :
       {group + "\\" + e2e::kProductName + ".lnk", group + "\\Справка.lnk",
        e2e::ShellFolder("Desktop") + "\\" + e2e::kProductName + ".lnk"})
    links += e2e::ReadLink(link).exists;
  int types = 0;
  for (const char* ext : {".maptl", ".maptldb"})
    types += testregistry::ReadString(HKEY_CLASSES_ROOT, ext, "").has_value();

  const ULONGLONG uninstallStart = GetTickCount64();
  const std::string uninstall = e2e::UninstallThroughRecord([&](const std::string& page) {
    if (!takePictures) return;
    Sleep(300);
    SaveScreen(pictures + std::to_string(++shots) + "-" + page + ".bmp");
  });
  const double uninstallSeconds = double(GetTickCount64() - uninstallStart) / 1000;
  const bool removed = uninstall.empty() && !Exists(d) &&
                       !testregistry::KeyExists(HKEY_LOCAL_MACHINE, key) && !Exists(group);

  std::printf("demo: installed into %s\n", d.c_str());
  std::printf("demo: %zu files, %llu bytes (plan: %zu archive files%s)\n", installed.size(),
              (unsigned long long)bytes, expected.size(),
              problems ? ", MISMATCHES" : ", all match");
  std::printf(
      "demo: uninstall record with %zu values, %d file types, %d links; progress %d of %d\n",
      values, types, links, outcome.position, outcome.maximum);
  std::printf("demo: installation %.1f s, uninstallation %.1f s\n", installSeconds,
              uninstallSeconds);
  std::printf("demo: %s\n", removed ? "all removed again through the record's uninstall command"
                                    : ("NOT all removed: " + uninstall).c_str());
  CoUninitialize();
  return problems == 0 && removed && values == 13 && links == 3 && types == 2 ? 0 : 1;
}
