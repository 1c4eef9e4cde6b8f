// The application's main form. For now a plain window titled with the
// application title: it stands for the backdrop until the wizard exists.
#pragma once

#include <windows.h>

#include "Handles.h"

class TMainForm {
 public:
  // Creates the window, owned by the application window, and makes it the
  // application's main form. Not shown yet.
  TMainForm();
  ~TMainForm();
  TMainForm(const TMainForm&) = delete;
  TMainForm& operator=(const TMainForm&) = delete;

  HWND Handle() const { return handle_.get(); }
  void Show();

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

  toolkit::WindowHandle handle_;
};

// The single instance while it exists (set by its constructor), else nullptr.
extern TMainForm* MainForm;
