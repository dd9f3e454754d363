#include "server_link/BHOMngUnit.h"

#include <atomic>

#include "platform/win/WinTypes.h"
#include "server_link/RegistryUtils.h"
#include "type_library/ResourceStrings.h"

namespace vorn {
namespace {

std::atomic<const TSettingsStore*> g_store{nullptr};

bool ReadSwitch(unsigned nameId) noexcept {
  try {
    const std::wstring key = SettingsKey();
    // Without the key the switch would land under HKEY_CURRENT_USER itself.
    if (key.empty()) return false;
    return RegReadBool(HKEY_CURRENT_USER, key, LoadResString(nameId), true);
  } catch (...) {
    return false;
  }
}

constexpr const wchar_t* kPicturesOn = L"yes";
constexpr const wchar_t* kPicturesOff = L"no";

}  // namespace

bool TStowlyBHO::Enabled() const { return ReadSwitch(kStrEnabled); }
bool TStowlyBHO::BannerKillerEnabled() const { return ReadSwitch(kStrBannerKillerEnabled); }
bool TStowlyBHO::PopupKillerEnabled() const { return ReadSwitch(kStrPopupKillerEnabled); }
bool TStowlyBHO::HighlightEnabled() const { return ReadSwitch(kStrHighlightEnabled); }
bool TStowlyBHO::LinkHintEnabled() const { return ReadSwitch(kStrLinkHintEnabled); }

bool TStowlyBHO::DisplayInlineImages() const {
  try {
    return RegReadString(HKEY_CURRENT_USER, LoadResString(kStrBrowserMainKey), LoadResString(kStrDisplayInlineImages),
                         kPicturesOn) == kPicturesOn;
  } catch (...) {
    return false;
  }
}

void TStowlyBHO::SetDisplayInlineImages(bool value) const {
  RegWriteString(HKEY_CURRENT_USER, LoadResString(kStrBrowserMainKey), LoadResString(kStrDisplayInlineImages),
                 value ? kPicturesOn : kPicturesOff);
}

TSettingsStore::TSettingsStore()
    : FSettingsKey(L"Software\\" + LoadResString(kStrCompanyName) + L"\\" + LoadResString(kStrProductName) +
                   L"\\Settings"),
      FStowlyBHO(std::make_unique<TStowlyBHO>()) {
  const TSettingsStore* none = nullptr;
  g_store.compare_exchange_strong(none, this);
}

TSettingsStore::~TSettingsStore() {
  const TSettingsStore* self = this;
  g_store.compare_exchange_strong(self, nullptr);
}

std::wstring SettingsKey() {
  const TSettingsStore* store = g_store.load();
  return store ? store->Key() : std::wstring();
}

TStowlyBHO* StowlyBHO() {
  const TSettingsStore* store = g_store.load();
  return store ? &store->StowlyBHO() : nullptr;
}

}  // namespace vorn
