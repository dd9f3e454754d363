#include "platform/forms/TDataModule.h"

namespace forms {

bool TDataModule::DoCreate() {
  if (createRan_) return createSucceeded_;
  createRan_ = true;
  try {
    DataModuleCreate();
    if (OnCreate) OnCreate(this);
    createSucceeded_ = true;
  } catch (...) {
    createSucceeded_ = false;
  }
  return createSucceeded_;
}

bool TDataModule::DoDestroy() {
  if (destroyRan_) return true;
  destroyRan_ = true;
  try {
    DataModuleDestroy();
    if (OnDestroy) OnDestroy(this);
    return true;
  } catch (...) {
    return false;
  }
}

}  // namespace forms
