// Whether the library runs inside the browser, told by the executable's path.
#include <gtest/gtest.h>

#include <cwchar>
#include <string>

#include "page_utils/IEFuncs.h"
#include "platform/portable/window/TestDriver.h"
#include "platform/win/System.h"
#include "platform/win/Window.h"

namespace {

namespace driver = win::portable::driver;

class IEFuncsPortableTest : public ::testing::Test {
 protected:
  void TearDown() override { driver::SetModuleFileName(L""); }
};

TEST_F(IEFuncsPortableTest, TheBrowserIsKnownByItsExecutableInAnyCase) {
  const struct {
    const wchar_t* path;
    bool browser;
  } cases[] = {
      {L"C:\\Program Files\\Internet Explorer\\IEXPLORE.EXE", true},
      {L"C:\\Program Files\\Internet Explorer\\iexplore.exe", true},
      {L"C:\\Program Files\\Internet Explorer\\IExplore.exe", true},
      {L"D:\\tools\\iexplore.exe.bak\\host.exe", true},  // anywhere in the path
      {L"C:\\Windows\\explorer.exe", false},
      {L"C:\\Program Files\\Archive\\Archive.exe", false},
      {L"C:\\IExplore.ex", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.path, c.path + std::wcslen(c.path)));
    driver::SetModuleFileName(c.path);
    EXPECT_EQ(vorn::IsHostIExplore(), c.browser);
  }
}

TEST_F(IEFuncsPortableTest, OnlyTheFirst259CharactersOfALongPathAreLookedAt) {
  // The executable's name is read into a buffer of limited size: a name
  // beyond it is not seen (the path is cut, the answer is false).
  driver::SetModuleFileName(std::wstring(259, L'x') + L"\\iexplore.exe");
  EXPECT_FALSE(vorn::IsHostIExplore());
  driver::SetModuleFileName(std::wstring(200, L'x') + L"\\iexplore.exe");
  EXPECT_TRUE(vorn::IsHostIExplore());
}

TEST_F(IEFuncsPortableTest, ModuleFileNameFollowsTheDriverAndCutsToTheBuffer) {
  driver::SetModuleFileName(L"C:\\Apps\\host.exe");
  wchar_t buffer[32];
  EXPECT_EQ(win::GetModuleFileNameW(nullptr, buffer, 32), 16u);
  EXPECT_STREQ(buffer, L"C:\\Apps\\host.exe");
  win::SetLastError(0);
  EXPECT_EQ(win::GetModuleFileNameW(nullptr, buffer, 8), 8u);
  EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_STREQ(buffer, L"C:\\Apps");
  // Back to the real executable: this test program.
  driver::SetModuleFileName(L"");
  wchar_t real[4096];
  ASSERT_GT(win::GetModuleFileNameW(nullptr, real, 4096), 0u);
  EXPECT_NE(std::wstring(real).find(L"vornie_tests"), std::wstring::npos);
}

}  // namespace
