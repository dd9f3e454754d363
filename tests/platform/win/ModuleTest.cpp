// Finding the files a program ships with beside it, wherever it was installed.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/win/Module.h"

namespace {

const int kAnchor = 0;

TEST(ModuleTest, ARelativeNameIsTakenFromTheModulesFolder) {
  const std::wstring self = win::ModuleFileNameOf(&kAnchor);
  ASSERT_FALSE(self.empty());
  const std::wstring folder = self.substr(0, self.find_last_of(L"\\/") + 1);
  ASSERT_FALSE(folder.empty());

  EXPECT_EQ(win::PathBesideModule(&kAnchor, L"VornIEGUI.dll"), folder + L"VornIEGUI.dll");
  // What is already absolute, or empty, is left as it is.
  EXPECT_EQ(win::PathBesideModule(&kAnchor, self), self);
  EXPECT_EQ(win::PathBesideModule(&kAnchor, L""), L"");
  // An address in no module (the heap) gives no folder to resolve against.
  const auto heap = std::make_unique<int>(0);
  EXPECT_EQ(win::PathBesideModule(heap.get(), L"VornIEGUI.dll"), L"VornIEGUI.dll");
}

}  // namespace
