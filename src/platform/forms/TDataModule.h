// A non-visual container: it owns components (timers, say) and has creation
// and destruction handlers, run as a form's are (see TForm): the creator calls
// DoCreate() after construction; freeing it in any way runs DoDestroy()
// first. Each runs once; a handler that throws is stopped there and the call
// answers false.
#pragma once

#include "platform/forms/TComponent.h"

namespace forms {

class TDataModule : public TComponent {
 public:
  explicit TDataModule(TComponent* owner) : TComponent(owner) {}

  TNotifyEvent OnCreate;
  TNotifyEvent OnDestroy;

  bool DoCreate();
  bool DoDestroy();

 protected:
  // The module's own handlers; they run before OnCreate / OnDestroy.
  virtual void DataModuleCreate() {}
  virtual void DataModuleDestroy() {}
  void BeforeDestruction() override { DoDestroy(); }

 private:
  bool createRan_ = false;
  bool createSucceeded_ = false;
  bool destroyRan_ = false;
};

}  // namespace forms
