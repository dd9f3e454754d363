// A band form's destruction handler runs before its destructors, while the
// form is still listed for activation news (and, for a toolband form, still a
// member of its thread's server wrapper), whichever way the form goes.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "band_hosting/IEBandRegistry.h"
#include "band_hosting/RecordingBand.h"
#include "server_link/ServerWrapperUnit.h"
#include "support/ComTest.h"

namespace {

using band_testing::BrowserWindow;

// What a FormDestroy saw of its form's registrations.
struct DestroySeen {
  bool listed = false;  // in ProcessIEBands
  bool joined = false;  // in the thread's server wrapper
};

std::vector<DestroySeen>& Seen() {
  static std::vector<DestroySeen> seen;
  return seen;
}

template <class T>
bool Contains(const std::vector<T*>& items, const void* item) {
  return std::find(items.begin(), items.end(), item) != items.end();
}

DestroySeen Registrations(const vorn::TIEBandForm* form) {
  DestroySeen seen;
  seen.listed = vorn::ProcessIEBands && Contains(vorn::ProcessIEBands->FormsOfThisThread(), form);
  seen.joined = vorn::ServerWrapper && vorn::ServerWrapper->HasForm(dynamic_cast<const vorn::TStowlyIEToolBandForm*>(form));
  return seen;
}

class WatchedBandForm : public vorn::TIEBandForm {
 public:
  explicit WatchedBandForm(vorn::TIEBand* band) : TIEBandForm(band) {}
  explicit WatchedBandForm(forms::TComponent* owner) : TIEBandForm(owner, nullptr) {}

 protected:
  void FormDestroy() override { Seen().push_back(Registrations(this)); }
};

class WatchedToolbandForm : public vorn::TStowlyIEToolBandForm {
 public:
  explicit WatchedToolbandForm(vorn::TIEBand* band) : TStowlyIEToolBandForm(band) {}

 protected:
  void FormDestroy() override { Seen().push_back(Registrations(this)); }
};

class BandFormDestructionTest : public testing_support::ComTest {
 protected:
  void SetUp() override {
    comInitialized_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    Seen().clear();
  }
  void TearDown() override {
    EXPECT_TRUE(vorn::ProcessIEBands->FormsOfThisThread().empty()) << "a form stayed listed";
    EXPECT_EQ(vorn::ServerWrapper, nullptr);
    ComTest::TearDown();
    if (comInitialized_) CoUninitialize();
  }

  // Sites a band of TFormClass, then lets it go the way `path` says.
  template <class TFormClass>
  static void SiteAndFree(const std::string& path) {
    BrowserWindow browser;
    ASSERT_NE(browser.AddBand<TFormClass>(), nullptr);
    if (path == "CloseDW")
      browser.CloseBand(0);
    else
      browser.ReleaseBand(0);
  }

  bool comInitialized_ = false;
};

TEST_F(BandFormDestructionTest, TheHandlerRunsWhileTheFormIsStillRegisteredOnEveryPath) {
  struct Case {
    const char* path;
    bool toolband;
  };
  for (const Case& c : {Case{"CloseDW", false}, Case{"release", false}, Case{"CloseDW", true},
                        Case{"release", true}}) {
    SCOPED_TRACE(std::string(c.path) + (c.toolband ? " toolband" : " band"));
    Seen().clear();
    if (c.toolband)
      SiteAndFree<WatchedToolbandForm>(c.path);
    else
      SiteAndFree<WatchedBandForm>(c.path);
    ASSERT_EQ(Seen().size(), 1u) << "FormDestroy runs once";
    EXPECT_TRUE(Seen()[0].listed);
    EXPECT_EQ(Seen()[0].joined, c.toolband);
    EXPECT_TRUE(vorn::ProcessIEBands->FormsOfThisThread().empty());
  }
}

TEST_F(BandFormDestructionTest, AFormFreedByItsOwnerRunsItsHandlerFirst) {
  auto* owner = new forms::TComponent(nullptr);
  auto* form = vorn::TIEBandForm::Create<WatchedBandForm>(owner);
  vorn::ProcessIEBands->AddBandForm(form);
  delete owner;
  ASSERT_EQ(Seen().size(), 1u);
  EXPECT_TRUE(Seen()[0].listed);
}

}  // namespace
