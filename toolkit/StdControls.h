// The kinds of controls the forms declare (see Controls.h for the rows).
#pragma once

#include <memory>

#include "Container.h"
#include "Picture.h"

namespace toolkit {

class TLabel : public TWinControl {
 public:
  TLabel(const ControlDecl& decl, TContainer* parent);
  void SetText(const std::string& text) override;
  HFONT Font() const { return font_; }
  void SetLabelFont(HFONT font);

 private:
  static LRESULT CALLBACK WindowProc(HWND, UINT, WPARAM, LPARAM);
  void OnPaint();
  void AutoSize();
  UINT TextFormat() const;

  HFONT font_;
};

class TImage : public TControl {
 public:
  TImage(const ControlDecl& decl, TContainer* parent);
  void Paint(HDC dc) override;
  const std::shared_ptr<const TPicture>& Picture() const { return picture_; }
  // Shows the same picture as `other` (the bitmap is shared, not copied).
  void AssignPicture(const TImage& other) { picture_ = other.picture_; }

 private:
  std::shared_ptr<const TPicture> picture_;
};

class TShape : public TControl {
 public:
  using TControl::TControl;
  void Paint(HDC dc) override;
};

class TBevel : public TControl {
 public:
  using TControl::TControl;
  void Paint(HDC dc) override;
};

class TButton : public TWinControl {
 public:
  TButton(const ControlDecl& decl, TContainer* parent);
  void HandleCommand(int code) override;
  // The result a click gives the form's modal run (0: none).
  void SetModalResult(int result) { modalResult_ = result; }
  void SetDefaultLook(bool isDefault);

 private:
  int modalResult_ = 0;
};

class TComboBox : public TWinControl {
 public:
  TComboBox(const ControlDecl& decl, TContainer* parent);
  void HandleCommand(int code) override;
  int ItemIndex() const;
  void SetItemIndex(int index);  // does not fire Change
};

// The plain list: no border, the button face behind it, 16-pixel rows.
class TListBox : public TWinControl {
 public:
  TListBox(const ControlDecl& decl, TContainer* parent);
  HBRUSH ControlColor(HDC dc) override;
  void Clear();
  void Add(const std::string& item);
  int ItemIndex() const;
  void SetItemIndex(int index);

 private:
  void AfterInput(UINT msg, WPARAM wp, LPARAM lp) override;
};

// Check boxes in a list. Each item's state is kept in its item data (bit 0
// checked, bit 1 disabled), where a screen reader or a test can read it.
class TCheckListBox : public TWinControl {
 public:
  static constexpr LPARAM kCheckedBit = 1;
  static constexpr LPARAM kDisabledBit = 2;

  TCheckListBox(const ControlDecl& decl, TContainer* parent);
  void DrawItem(const DRAWITEMSTRUCT& item) override;
  int Count() const;
  int ItemIndex() const;
  bool Checked(int index) const;
  void SetChecked(int index, bool checked);
  bool ItemEnabled(int index) const;
  void SetItemEnabled(int index, bool enabled);

 private:
  void AfterInput(UINT msg, WPARAM wp, LPARAM lp) override;
  void ToggleByUser(int index);
  LPARAM State(int index) const;
  void SetState(int index, LPARAM state);
};

class TProgressBar : public TWinControl {
 public:
  TProgressBar(const ControlDecl& decl, TContainer* parent);
  int Max() const;
  void SetMax(int max);
  int Position() const;
  void SetPosition(int position);
};

class TNotebook : public TContainer {
 public:
  using TContainer::TContainer;
  int PageIndex() const { return pageIndex_; }
  // Shows the page with this index, hides the others, fires PageChanged.
  void SetPageIndex(int index);
  TContainer* Page(int index) const;

 private:
  int pageIndex_ = -1;
};

}  // namespace toolkit
