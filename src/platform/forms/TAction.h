// An action: one command with its caption, hint, image, enabled, checked and
// visible state, shared by the controls and menu items linked to it (they
// follow every change) and by code that executes it.
//
// Update() recomputes the state: the action list's OnUpdate first (it may
// handle the update), else the action's own OnUpdate. Execute() runs Update()
// first and goes on only when the action is then enabled: the list's
// OnExecute (it may handle it), else OnExecute; true when a handler ran.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/forms/TComponent.h"
#include "platform/forms/TControl.h"

namespace forms {

class TActionList;

class TAction : public TComponent {
 public:
  explicit TAction(TComponent* owner);
  ~TAction() override;

  const std::wstring& Caption() const { return caption_; }
  void SetCaption(const std::wstring& value);
  const std::wstring& Hint() const { return hint_; }
  void SetHint(const std::wstring& value);
  // -1: no image.
  int ImageIndex() const { return imageIndex_; }
  void SetImageIndex(int value);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value);
  bool Checked() const { return checked_; }
  void SetChecked(bool value);
  bool Visible() const { return visible_; }
  void SetVisible(bool value);

  TActionList* ActionList() const { return actionList_; }
  // Joins the list (at its end), leaving the previous one; null leaves.
  void SetActionList(TActionList* list);

  TNotifyEvent OnExecute;
  TNotifyEvent OnUpdate;

  // True when a handler handled it.
  bool Update();
  bool Execute();

  // The components linked to the action (controls, menu items), in the order they linked.
  int ClientCount() const { return static_cast<int>(clients_.size()); }
  void AddClient(TComponent* component, IActionClient* client);
  void RemoveClient(TComponent* component);

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  friend class TActionList;
  void Changed();

  std::wstring caption_;
  std::wstring hint_;
  int imageIndex_ = -1;
  bool enabled_ = true;
  bool checked_ = false;
  bool visible_ = true;
  TActionList* actionList_ = nullptr;
  std::vector<std::pair<TComponent*, IActionClient*>> clients_;
};

// Points `link` (a control's or menu item's action) at `action`: leaves the
// previous action, watches the new one for being freed, and takes over its state.
void LinkAction(TComponent& component, IActionClient& client, TAction*& link, TAction* action);

}  // namespace forms
