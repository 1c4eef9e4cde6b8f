// A form: one top-level window with the controls its declaration lists, and
// the wiring of their events to the form's handlers. A concrete form passes
// its tables to the constructor, binds its handlers with Bind() and fires its
// creation with Created() at the end of its own constructor.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "Container.h"
#include "StdControls.h"

namespace toolkit {

enum class Placement { AsDeclared, DesktopCenter, Maximized };

struct FormDecl {
  const char* name;
  const char* caption;
  DWORD style, exStyle;
  int left, top, clientWidth, clientHeight;
  unsigned color;
  Placement placement;
  const char* fontName;  // the form's font, bold for kBold controls
  int fontPoints;
  const char* headingFontName;  // kBigFont controls: bold, of this height
  int headingPixels;
};

// Wires one event of one control ("" = the form) to a handler of form F.
template <class F>
struct EventDecl {
  const char* control;
  Event event;
  void (F::*handler)(const EventArgs&);
};

class TForm {
 public:
  TForm(const FormDecl& form, const ControlDecl* controls, size_t count, HWND owner);
  virtual ~TForm();
  TForm(const TForm&) = delete;
  TForm& operator=(const TForm&) = delete;

  HWND Handle() const { return window_->Handle(); }
  TContainer& Window() const { return *window_; }

  TControl* Find(const std::string& name) const;
  // The control of this name and kind (a page and a control may share a
  // name: the kind tells them apart).
  template <class T>
  T& Get(const char* name) const {
    for (const auto& control : controls_) {
      if (control->Name() != name) continue;
      if (T* typed = dynamic_cast<T*>(control.get())) return *typed;
    }
    throw std::logic_error(std::string("form has no such control: ") + name);
  }

  std::string Caption() const;
  void SetCaption(const std::string& caption);
  void Show();
  void Hide();
  bool Visible() const { return IsWindowVisible(Handle()) != FALSE; }
  void BringToFront();
  // Shows the form modally; returns its modal result.
  int ShowModal();
  // A close request, as from the close box: the CloseQuery event decides.
  void Close();
  // Paints the whole window now.
  void Repaint();
  RECT BoundsOnScreen() const;
  void MoveTo(int left, int top);

 protected:
  template <class F>
  void Bind(F* self, const EventDecl<F>* rows, size_t count) {
    for (size_t i = 0; i < count; ++i) {
      TControl* control = rows[i].control[0] ? Find(rows[i].control) : window_.get();
      if (!control) throw std::logic_error(std::string("no control to wire: ") + rows[i].control);
      auto handler = rows[i].handler;
      control->SetHandler(rows[i].event,
                          [self, handler](const EventArgs& e) { (self->*handler)(e); });
    }
  }
  void Created() { window_->Fire(Event::Create); }
  // What a granted close request does: ends the modal run (result Cancel), or
  // hides a form that is not modal.
  virtual void CloseGranted();

 private:
  Placement placement_;
  FontHandle font_, boldFont_, headingFont_;
  std::unique_ptr<TContainer> window_;
  std::vector<std::unique_ptr<TControl>> controls_;
  bool modal_ = false;
};

}  // namespace toolkit
