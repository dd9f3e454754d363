// A menu item and, through its items, a menu tree. A caption of "-" makes a
// separator line; '&' marks the accelerator. An item frees the items under it
// when freed (they leave their owner first), and leaves its parent item.
//
// Click() runs OnClick when set, else the linked action's Execute; a disabled
// item does nothing. Checked radio items (RadioItem with the same GroupIndex
// under one parent) uncheck each other.
//
// Owner drawing (the menu's OwnerDraw): MeasureItem gives the standard size,
// then OnMeasureItem may change it; DrawItem calls OnAdvancedDrawItem, else
// OnDrawItem, else draws the item's image (from the menu's Images) at the left.
// Standard size: a separator is 8 high and 0 wide; another item is as wide
// as its caption (accelerators stripped) plus 16, plus the image width + 8 with
// images, and as high as max(line height + 6, image height + 3).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/forms/TComponent.h"
#include "platform/forms/TControl.h"
#include "platform/win/WindowTypes.h"

namespace forms {

class TAction;
class TCanvas;
class TImageList;
class TPopupMenu;

using TMenuMeasureItemEvent = std::function<void(TComponent* sender, TCanvas* canvas, int& width, int& height)>;
using TMenuDrawItemEvent = std::function<void(TComponent* sender, TCanvas* canvas, RECT rect, bool selected)>;
enum TOwnerDrawStateBits : unsigned { odSelected = 1, odGrayed = 2, odDisabled = 4, odChecked = 8, odDefault = 32 };
using TOwnerDrawState = unsigned;
using TAdvancedMenuDrawItemEvent =
    std::function<void(TComponent* sender, TCanvas* canvas, RECT rect, TOwnerDrawState state)>;

class TMenuItem : public TComponent, public IActionClient {
 public:
  explicit TMenuItem(TComponent* owner);
  ~TMenuItem() override;

  const std::wstring& Caption() const { return caption_; }
  void SetCaption(const std::wstring& value) { caption_ = value; }
  bool IsLine() const { return caption_ == L"-"; }
  const std::wstring& Hint() const { return hint_; }
  void SetHint(const std::wstring& value) { hint_ = value; }
  int ImageIndex() const { return imageIndex_; }
  void SetImageIndex(int value) { imageIndex_ = value; }
  bool Checked() const { return checked_; }
  void SetChecked(bool value);
  bool RadioItem() const { return radioItem_; }
  void SetRadioItem(bool value) { radioItem_ = value; }
  int GroupIndex() const { return groupIndex_; }
  void SetGroupIndex(int value) { groupIndex_ = value; }
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value) { enabled_ = value; }
  bool Visible() const { return visible_; }
  void SetVisible(bool value) { visible_ = value; }
  bool Default() const { return default_; }
  void SetDefault(bool value) { default_ = value; }
  bool AutoCheck() const { return autoCheck_; }
  void SetAutoCheck(bool value) { autoCheck_ = value; }

  TAction* Action() const { return action_; }
  void SetAction(TAction* action);

  // The tree.
  TMenuItem* Parent() const { return parent_; }
  int Count() const { return static_cast<int>(items_.size()); }
  // EComponentError outside 0..Count()-1.
  TMenuItem* Items(int index) const;
  int IndexOf(const TMenuItem* item) const;
  // Appends / inserts (index clamped to 0..Count()); an item that has a parent
  // leaves it first. EInvalidOperation for null, the item itself or one of its parents.
  void Add(TMenuItem* item);
  void Insert(int index, TMenuItem* item);
  // Takes the item out of the tree without freeing it.
  void Remove(TMenuItem* item);
  void Delete(int index);
  // Frees every item under this one.
  void Clear();

  // The popup menu whose tree this item is in, or null.
  TPopupMenu* Menu() const;
  // The images the item's ImageIndex refers to (its menu's), or null.
  TImageList* Images() const;

  TNotifyEvent OnClick;
  TMenuMeasureItemEvent OnMeasureItem;
  TMenuDrawItemEvent OnDrawItem;
  TAdvancedMenuDrawItemEvent OnAdvancedDrawItem;

  virtual void Click();
  void MeasureItem(TCanvas* canvas, int& width, int& height);
  void DrawItem(TCanvas& canvas, RECT rect, TOwnerDrawState state);

  void ActionChange(TAction& action) override;

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  friend class TPopupMenu;

  std::wstring caption_;
  std::wstring hint_;
  int imageIndex_ = -1;
  bool checked_ = false;
  bool radioItem_ = false;
  int groupIndex_ = 0;
  bool enabled_ = true;
  bool visible_ = true;
  bool default_ = false;
  bool autoCheck_ = false;
  TAction* action_ = nullptr;
  TMenuItem* parent_ = nullptr;
  std::vector<TMenuItem*> items_;
  TPopupMenu* menu_ = nullptr;  // set on a menu's root item
};

}  // namespace forms
