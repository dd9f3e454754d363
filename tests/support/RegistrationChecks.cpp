#include "support/RegistrationChecks.h"

#include <gtest/gtest.h>

#include "platform/com/Text.h"
#include "support/TestRegistry.h"

namespace testing_support {

void ExpectClassRegistered(const ClassFacts& c, const std::wstring& module) {
  SCOPED_TRACE(com::ToUtf8(c.progId));
  const std::wstring key = std::wstring(L"CLSID\\") + c.clsid;
  EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, key), c.registeredDescription);
  EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, key + L"\\InprocServer32"), module);
  EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, key + L"\\InprocServer32", L"ThreadingModel"), L"Apartment");
  EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, c.progId), c.typeLibDescription);
  EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, std::wstring(c.progId) + L"\\Clsid"), c.clsid);
  EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, key + L"\\ProgID"), c.progId);
  EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, key + L"\\Version"), L"1.0");
  EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, key + L"\\TypeLib"), kLibId);

  const std::wstring category = key + L"\\Implemented Categories\\" + kDeskBandCategory;
  EXPECT_EQ(KeyExists(HKEY_CLASSES_ROOT, category), c.toolbar);
  if (c.toolbar) {
    EXPECT_EQ(Snapshot(HKEY_CLASSES_ROOT, category).size(), 1u) << "the category key is left empty";
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kToolbarKey, c.clsid), c.registeredDescription);
  } else {
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kToolbarKey, c.clsid), L"<missing>");
  }
}

}  // namespace testing_support
