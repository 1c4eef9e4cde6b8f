// The controls a form is built from. A form declares its controls as rows of
// data (ControlDecl); the toolkit creates them, keeps them by name and routes
// their events to the handlers the form binds by name (EventDecl).
//
// Windowed controls are real child windows: buttons, lists, the progress bar,
// and the containers (pages, group boxes, panels), which are all one window
// class of the toolkit. Labels are child windows too, so that their texts can
// be read from outside like any other window text (by screen readers and by
// the end-to-end driver), but they paint their parent's picture behind their
// text themselves and so stay transparent over pictures. Images, shapes and
// bevels have no window: their container paints them.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Colors.h"
#include "Handles.h"

namespace toolkit {

enum class Kind {
  Form,         // the form's own window (not declared as a row)
  Notebook,     // pages without tabs; one page shows at a time
  Page,         // a page of the notebook; text = the page's name
  GroupBox,     // etched frame with its caption
  Panel,        // raised edge; text = none
  Label,        // text; multi-line with "\n"; auto-sized unless kFixedSize
  Image,        // picture from a resource (JPEG or 24-bit BMP); text = resource name
  Shape,        // one-pixel frame
  Bevel,        // a lowered horizontal line
  Button,       // push button
  CheckList,    // list of check boxes, 20-pixel rows
  ComboBox,     // drop-down list without typing
  ListBox,      // plain list without border on the button face, 16-pixel rows
  ProgressBar,  // smooth, continuous
};

enum Style : unsigned {
  kNoStyle = 0,
  kBold = 1u << 0,
  kHidden = 1u << 1,
  kDefault = 1u << 2,    // the form's default button
  kFixedSize = 1u << 3,  // labels: keep the declared size
  kWordWrap = 1u << 4,   // labels: wrap at the declared width
  kNoTab = 1u << 5,      // not reachable with Tab
  kFill = 1u << 6,       // fills its parent's client area
  kBigFont = 1u << 7,    // the 16-pixel bold heading font
};

// One control of a form. `parent` is the name of the containing control, or
// "" for the form itself. Width and height 0 mean "from the content".
struct ControlDecl {
  Kind kind;
  const char* name;
  const char* parent;
  int left, top, width, height;
  const char* text;
  unsigned style;
  unsigned color = kParentColor;  // containers: background (see Colors.h)
};

enum class Event {
  Click,        // button pressed
  Change,       // selection changed by the user (combo box)
  MouseDown,    // after the control has handled the press
  KeyDown,      // after the control has handled the key
  KeyUp,        //
  ClickCheck,   // a check box of a check list toggled by the user
  PageChanged,  // notebook
  Create,       // the form: every control exists
  Activate,     // the form became active (delivered after the activation)
  Paint,        // the form's background, before its windowless controls
  Resize,       // the form's client area changed size
  CloseQuery,   // a request to close the form; clear *canClose to refuse
  Count
};

struct EventArgs {
  int key = 0;  // virtual key (KeyDown, KeyUp)
  int x = 0, y = 0;
  HDC dc = nullptr;          // Paint: the buffer being painted
  RECT client = {};          // Paint: the form's client area
  bool* canClose = nullptr;  // CloseQuery
};

using Handler = std::function<void(const EventArgs&)>;

class TContainer;

class TControl {
 public:
  TControl(const ControlDecl& decl, TContainer* parent);
  virtual ~TControl() = default;
  TControl(const TControl&) = delete;
  TControl& operator=(const TControl&) = delete;

  const std::string& Name() const { return name_; }
  Kind GetKind() const { return kind_; }
  TContainer* Parent() const { return parent_; }
  // The window of this control, nullptr for windowless controls.
  virtual HWND Handle() const { return nullptr; }

  RECT Bounds() const { return bounds_; }  // in the parent's client coordinates
  int Left() const { return bounds_.left; }
  int Top() const { return bounds_.top; }
  int Width() const { return bounds_.right - bounds_.left; }
  int Height() const { return bounds_.bottom - bounds_.top; }
  virtual void SetBounds(int left, int top, int width, int height);
  void SetTop(int top) { SetBounds(Left(), top, Width(), Height()); }

  bool Visible() const { return visible_; }
  virtual void SetVisible(bool visible);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  // Visible and every container up to the form visible too.
  bool Showing() const;

  virtual const std::string& Text() const { return text_; }
  virtual void SetText(const std::string& text);

  // Paints the control now (the change is on screen when this returns).
  virtual void Repaint();

  // Windowless controls paint themselves into their container's buffer.
  virtual void Paint(HDC) {}

  void SetHandler(Event event, Handler handler) {
    handlers_[static_cast<int>(event)] = std::move(handler);
  }
  void Fire(Event event, const EventArgs& args = {}) const {
    const Handler& handler = handlers_[static_cast<int>(event)];
    if (handler) handler(args);
  }
  bool HasHandler(Event event) const { return bool(handlers_[static_cast<int>(event)]); }

 protected:
  // Marks the control's area of its container for repainting.
  void InvalidateInParent() const;

  std::string name_;
  Kind kind_;
  TContainer* parent_;
  RECT bounds_;
  bool visible_;
  std::string text_;
  unsigned style_;

 private:
  Handler handlers_[static_cast<int>(Event::Count)];
};

// Controls with a window of their own.
class TWinControl : public TControl {
 public:
  using TControl::TControl;
  ~TWinControl() override;
  HWND Handle() const override { return handle_.get(); }
  void SetBounds(int left, int top, int width, int height) override;
  void SetVisible(bool visible) override;
  void SetText(const std::string& text) override;
  void Repaint() override;
  bool Enabled() const;
  void SetEnabled(bool enabled);
  void SetFocus();
  void SetFont(HFONT font);

  // Notifications the container passes on (WM_COMMAND codes).
  virtual void HandleCommand(int /*code*/) {}
  // Owner-drawn controls draw their items (WM_DRAWITEM).
  virtual void DrawItem(const DRAWITEMSTRUCT&) {}
  // Colours of controls that ask their parent (WM_CTLCOLOR*); nullptr: default.
  virtual HBRUSH ControlColor(HDC) { return nullptr; }

  // The control object behind a window of the toolkit, or nullptr.
  static TWinControl* FromHandle(HWND hwnd);

 protected:
  // Creates the window as a child of the parent's window and registers it.
  void CreateHandle(const wchar_t* className, DWORD style, DWORD exStyle = 0);
  // Moves the focus elsewhere before this control is hidden or disabled.
  void FocusAway();
  // Subclasses the window so that its mouse and key input reaches
  // AfterInput once the window has handled it.
  void HookInput();
  virtual void AfterInput(UINT, WPARAM, LPARAM) {}

  WindowHandle handle_;

 private:
  static LRESULT CALLBACK InputHook(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
};

// Registers the toolkit's window class `name` once per process; its windows
// carry the program's icon.
void RegisterWindowClass(const wchar_t* name, WNDPROC proc);

std::unique_ptr<TControl> CreateControl(const ControlDecl& decl, TContainer* parent);

}  // namespace toolkit
