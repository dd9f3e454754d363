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

}  // namespace

TToolbarDM::TToolbarDM(forms::TComponent* owner) : TDataModule(owner) {
  forms::BuildLayout(*this, Layout(), {});
  RefreshTimer = forms::LayoutComponent<forms::TTimer>(*this, L"RefreshTimer");
  SpyHintTimer = forms::LayoutComponent<forms::TTimer>(*this, L"SpyHintTimer");
  CommonHintTimer = forms::LayoutComponent<forms::TTimer>(*this, L"CommonHintTimer");
  CardHintTimer = forms::LayoutComponent<forms::TTimer>(*this, L"CardHintTimer");
}

}  // namespace vorn
