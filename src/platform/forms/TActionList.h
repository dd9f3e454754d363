// The actions of a form, in order, with the images their controls show.
// The actions are owned by the form, not by the list: freeing the list only
// unlinks them, freeing an action takes it out of the list.
#pragma once

#include <functional>
#include <vector>

#include "platform/forms/TComponent.h"

namespace forms {

class TAction;
class TImageList;

// An action list's update or execute hook: set handled to stop the action's own handler.
using TActionEvent = std::function<void(TAction* action, bool& handled)>;

class TActionList : public TComponent {
 public:
  explicit TActionList(TComponent* owner);
  ~TActionList() override;

  int ActionCount() const { return static_cast<int>(actions_.size()); }
  // EComponentError outside 0..ActionCount()-1.
  TAction* Actions(int index) const;

  TImageList* Images() const { return images_; }
  void SetImages(TImageList* value);

  TActionEvent OnUpdate;
  TActionEvent OnExecute;

  // Runs Update on every action, in list order. An action freed by an update is skipped.
  void UpdateActions();

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  friend class TAction;
  void AddAction(TAction* action);
  void RemoveAction(TAction* action);

  std::vector<TAction*> actions_;
  TImageList* images_ = nullptr;
};

}  // namespace forms
