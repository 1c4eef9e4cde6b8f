// Windows that hold other controls: the form itself, notebook pages, group
// boxes and panels. They paint their background, their decoration and their
// windowless controls into one buffer (no flicker), and pass the children's
// notifications on to the children's objects.
#pragma once

#include "Controls.h"

namespace toolkit {

class TContainer : public TWinControl {
 public:
  // `parent` nullptr: a top-level window with `style`/`exStyle`, owned by
  // `owner`, with `caption`.
  TContainer(const ControlDecl& decl, TContainer* parent);
  TContainer(const ControlDecl& decl, DWORD style, DWORD exStyle, HWND owner);

  void Add(TControl* child) { children_.push_back(child); }
  const std::vector<TControl*>& Children() const { return children_; }

  COLORREF Color() const;
  HBRUSH Brush() const { return static_cast<HBRUSH>(brush_.get()); }
  void SetColor(unsigned color);

  // Paints what lies behind the children with windows, in client coordinates
  // of this container: background, decoration, windowless controls.
  void PaintBackground(HDC dc, const RECT& area);

  // The top-level container (the form's window object).
  TContainer* Root();

  // Top-level only: the font of the form's windowed controls and labels.
  void SetFonts(HFONT normal, HFONT bold, HFONT big) {
    fonts_[0] = normal;
    fonts_[1] = bold;
    fonts_[2] = big;
  }
  HFONT Font(unsigned style) const;

  // Top-level only: the button Enter presses.
  void SetDefaultButton(TWinControl* button);
  TWinControl* DefaultButton() const { return defaultButton_; }

  // Top-level only: what a granted close request does.
  std::function<void()> onCloseGranted;

  // Top-level only, as a standard dialog keeps it: the control that gets the
  // focus whenever the form becomes active again.
  void RememberFocus(HWND control) { focus_ = control; }
  // Remembers the control that holds the focus now, if it is one of ours
  // (before the form loses it to a modal window or another program).
  void RememberFocus();
  // `control` is about to be hidden or disabled: the focus, held now or to
  // be given back later, moves to the default button, else to the next
  // control the user can reach, else to the form.
  void FocusAwayFrom(HWND control);

  // Identifiers of the child windows, unique within the form.
  int NextControlId() { return ++lastControlId_; }

 private:
  static LRESULT CALLBACK WindowProc(HWND, UINT, WPARAM, LPARAM);
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);
  void OnPaint();
  void PaintDecoration(HDC dc);
  LRESULT ForwardToChild(HWND child, UINT msg, WPARAM wp, LPARAM lp, bool* handled);
  bool Owns(HWND window) const;
  bool CanTakeFocus(HWND window, HWND leaving) const;
  HWND FocusCandidate(HWND leaving) const;
  void RestoreFocus();

  std::vector<TControl*> children_;
  unsigned color_ = kParentColor;
  GdiObjectHandle brush_;
  HFONT fonts_[3] = {};
  TWinControl* defaultButton_ = nullptr;
  HWND focus_ = nullptr;
  int lastControlId_ = 1000;
};

}  // namespace toolkit
