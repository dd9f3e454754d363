// The page-filter switches as the archive application leaves them in the
// user's registry, and the browser's own picture switch.
#pragma once

#include <memory>
#include <string>

namespace vorn {

// Readers go to the registry on every call (nothing is cached) and never
// raise: a settings key that cannot be opened reads as off, and a missing
// switch is created with its default, on.
class TStowlyBHO {
 public:
  bool Enabled() const;
  bool BannerKillerEnabled() const;
  bool PopupKillerEnabled() const;
  bool HighlightEnabled() const;
  bool LinkHintEnabled() const;

  // The browser's "Display Inline Images" is exactly "yes" (a missing value
  // is off). Writing stores "yes" or "no"; a refused write raises
  // win::RegistryError.
  bool DisplayInlineImages() const;
  void SetDisplayInlineImages(bool value) const;
};

// The settings key, Software\<company>\<product>\Settings, and the module's
// own TStowlyBHO: made when the library loads and gone when it unloads (the
// module state holds the one instance). Only the first instance alive serves
// SettingsKey and StowlyBHO.
class TSettingsStore {
 public:
  TSettingsStore();
  ~TSettingsStore();
  TSettingsStore(const TSettingsStore&) = delete;
  TSettingsStore& operator=(const TSettingsStore&) = delete;

  const std::wstring& Key() const { return FSettingsKey; }
  TStowlyBHO& StowlyBHO() const { return *FStowlyBHO; }

 private:
  std::wstring FSettingsKey;
  std::unique_ptr<TStowlyBHO> FStowlyBHO;
};

// Relative to HKEY_CURRENT_USER; empty while the library is not loaded, and
// then every switch reads as off.
std::wstring SettingsKey();
// The module's reader; null while the library is not loaded.
TStowlyBHO* StowlyBHO();

}  // namespace vorn
