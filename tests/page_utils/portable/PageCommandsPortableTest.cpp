// Link opening as seen from inside the browser's own process.
#include <gtest/gtest.h>

#include "page_utils/PageTestSupport.h"
#include "page_utils/VornOffUtilsUnit.h"
#include "platform/portable/window/TestDriver.h"
#include "standins/app_server/ArchiveServer.h"
#include "support/ComTest.h"

namespace {

TEST(PageCommandsPortableTest, InsideTheBrowserTheLinksAreSentAsFromTheBrowser) {
  testing_support::TestRegistry registry;
  auto server = standins::ArchiveServer::Create();
  ASSERT_EQ(server->Register(), S_OK);
  {
    auto document = page_test::LoadPage(R"(<a href="http://example.com/a">a</a>)");
    com::ComPtr<IVornOffUtils> utils;
    ASSERT_EQ(vorn::CreateVornOffUtils(IID_IVornOffUtils, utils.PutVoid()), S_OK);
    win::portable::driver::SetModuleFileName(L"C:\\Program Files\\Internet Explorer\\IEXPLORE.EXE");
    EXPECT_EQ(utils->OpenLinks(page_test::Ref(document.Get()), 0), S_OK);
    win::portable::driver::SetModuleFileName(L"C:\\Program Files\\Archive\\embeds-the-browser.exe");
    EXPECT_EQ(utils->OpenLinks(page_test::Ref(document.Get()), 0), S_OK);
    win::portable::driver::SetModuleFileName(L"");
  }
  server->Revoke();
  ASSERT_EQ(server->SubmittedLinks().size(), 2u);
  EXPECT_EQ(server->SubmittedLinks()[0].notBrowserProcess, VARIANT_FALSE);
  EXPECT_EQ(server->SubmittedLinks()[1].notBrowserProcess, VARIANT_TRUE);
}

}  // namespace
