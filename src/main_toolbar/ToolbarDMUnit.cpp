#include "main_toolbar/ToolbarDMUnit.h"

#include "platform/forms/LayoutBuilder.h"

namespace vorn {
namespace {

const forms::DataModuleLayout& Layout() {
  using forms::TimerDecl;
  static const forms::DataModuleLayout layout = {
      .children = {
          TimerDecl{.name = L"RefreshTimer", .enabled = false, .interval = 500},
          TimerDecl{.name = L"SpyHintTimer", .enabled = false, .interval = 100},
          TimerDecl{.name = L"CommonHintTimer", .enabled = false, .interval = 100},
          TimerDecl{.name = L"CardHintTimer", .enabled = false, .interval = 100},
      },
  };
  return layout;
}

forms::TTimer* TimerNamed(const forms::TComponent& module, const wchar_t* name) {
  return static_cast<forms::TTimer*>(module.FindComponent(name));
}

}  // namespace

TToolbarDM::TToolbarDM(forms::TComponent* owner) : TDataModule(owner) {
  forms::BuildLayout(*this, Layout(), {});
  RefreshTimer = TimerNamed(*this, L"RefreshTimer");
  SpyHintTimer = TimerNamed(*this, L"SpyHintTimer");
  CommonHintTimer = TimerNamed(*this, L"CommonHintTimer");
  CardHintTimer = TimerNamed(*this, L"CardHintTimer");
}

}  // namespace vorn
