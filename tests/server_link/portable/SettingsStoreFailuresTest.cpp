// The settings store when the registry itself fails (an I/O error of the
// portable store, injected at a chosen call): readers answer their fallback
// and never raise, the picture-switch writer raises.
#include <gtest/gtest.h>

#include "platform/portable/registry/RegistryControl.h"
#include "platform/win/RegKey.h"
#include "server_link/BHOMngUnit.h"
#include "server_link/RegistryUtils.h"
#include "support/ComTest.h"

namespace {

using vorn::RegReadBool;
using vorn::RegReadString;
using vorn::RegWriteString;

const std::wstring kKey = L"Software\\VornSettingsTest";

class SettingsStoreFailuresTest : public testing_support::ComTest {};

TEST_F(SettingsStoreFailuresTest, ReadersAnswerTheirFallbackWhenTheStoreFails) {
  // The key cannot be opened: switches read off, strings as the default.
  win::registry::FailStoreCallAfter(0);
  EXPECT_FALSE(RegReadBool(HKEY_CURRENT_USER, kKey, L"Switch", true));
  win::registry::FailStoreCallAfter(0);
  EXPECT_EQ(RegReadString(HKEY_CURRENT_USER, kKey, L"Text", L"fallback"), L"fallback");
  for (auto read : {&vorn::TStowlyBHO::Enabled, &vorn::TStowlyBHO::BannerKillerEnabled,
                    &vorn::TStowlyBHO::PopupKillerEnabled, &vorn::TStowlyBHO::HighlightEnabled,
                    &vorn::TStowlyBHO::LinkHintEnabled}) {
    win::registry::FailStoreCallAfter(0);
    EXPECT_FALSE((vorn::StowlyBHO()->*read)());
  }
  win::registry::FailStoreCallAfter(0);
  EXPECT_TRUE(vorn::StowlyBHO()->DisplayInlineImages()) << "the default, yes";

  // Opened and read, but writing the default fails: off, whatever the default.
  win::registry::FailStoreCallAfter(2);
  EXPECT_FALSE(RegReadBool(HKEY_CURRENT_USER, kKey, L"Switch", true));
  win::RegKey key;
  ASSERT_EQ(key.Open(HKEY_CURRENT_USER, kKey), ERROR_SUCCESS);
  EXPECT_FALSE(key.GetDword(L"Switch").has_value()) << "nothing was written";
}

TEST_F(SettingsStoreFailuresTest, ARefusedWriteReachesTheCaller) {
  win::registry::FailStoreCallAfter(1);
  try {
    RegWriteString(HKEY_CURRENT_USER, kKey, L"Text", L"yes");
    ADD_FAILURE() << "the write must raise";
  } catch (const win::RegistryError& e) {
    EXPECT_EQ(e.status(), ERROR_REGISTRY_IO_FAILED);
  }
  win::registry::FailStoreCallAfter(1);
  EXPECT_THROW(vorn::StowlyBHO()->SetDisplayInlineImages(false), win::RegistryError);
}

}  // namespace
