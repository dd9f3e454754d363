// Data modules: created like forms, owning their components, with creation
// and destruction handlers that fail silently.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "platform/forms/TDataModule.h"
#include "platform/forms/TTimer.h"

namespace {

using namespace forms;

class ProbeModule : public TDataModule {
 public:
  ProbeModule(TComponent* owner, std::vector<std::wstring>& log, bool failCreate)
      : TDataModule(owner), log_(log), failCreate_(failCreate) {
    timer_ = new TTimer(this);
    timer_->SetName(L"RefreshTimer");
    timer_->SetEnabled(false);
    timer_->SetInterval(500);
  }
  ~ProbeModule() override { log_.push_back(L"destructor"); }
  TTimer* timer_;

 protected:
  void DataModuleCreate() override {
    log_.push_back(L"DataModuleCreate");
    if (failCreate_) throw std::runtime_error("creation failed");
  }
  void DataModuleDestroy() override { log_.push_back(L"DataModuleDestroy " + timer_->Name()); }

 private:
  std::vector<std::wstring>& log_;
  bool failCreate_;
};

TEST(TDataModuleTest, CreationAndDestructionHandlersRunOnceInOrder) {
  for (bool failCreate : {false, true}) {
    SCOPED_TRACE(failCreate);
    std::vector<std::wstring> log;
    {
      TOwned<ProbeModule> module(new ProbeModule(nullptr, log, failCreate));
      module->OnCreate = [&](TComponent*) { log.push_back(L"OnCreate"); };
      module->OnDestroy = [&](TComponent*) { log.push_back(L"OnDestroy"); };
      EXPECT_EQ(module->DoCreate(), !failCreate);
      EXPECT_EQ(module->DoCreate(), !failCreate);  // once; the answer repeats
      EXPECT_EQ(module->FindComponent(L"refreshtimer"), module->timer_);
      EXPECT_FALSE(module->timer_->Running());
    }
    std::vector<std::wstring> expected = {L"DataModuleCreate"};
    if (!failCreate) expected.push_back(L"OnCreate");
    // The destruction handlers still see the module whole, its timer included.
    expected.insert(expected.end(), {L"DataModuleDestroy RefreshTimer", L"OnDestroy", L"destructor"});
    EXPECT_EQ(log, expected);
  }
}

TEST(TDataModuleTest, AThrowingDestructionHandlerStillFreesEverything) {
  std::vector<std::wstring> log;
  TComponent owner(nullptr);
  auto* module = new ProbeModule(&owner, log, false);
  module->OnDestroy = [](TComponent*) { throw std::runtime_error("destroy failed"); };
  EXPECT_FALSE(module->DoDestroy());
  EXPECT_TRUE(module->DoDestroy());  // ran already: nothing more
  owner.DestroyComponents();
  EXPECT_EQ(owner.ComponentCount(), 0);
  EXPECT_EQ(log, (std::vector<std::wstring>{L"DataModuleDestroy RefreshTimer", L"destructor"}));
}

}  // namespace
