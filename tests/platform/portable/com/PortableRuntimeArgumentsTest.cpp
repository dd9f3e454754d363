// Where Windows' runtime functions have no answer but a crash (a null pointer
// they never check), the portable runtime refuses with E_INVALIDARG, so that a
// caller's bug shows as a failure code in the native tests instead of taking
// the test program down. Plus what the portable runtime reads from its own
// registry: a ProgID standing for its class.
#include <gtest/gtest.h>

#include "platform/com/Text.h"
#include "platform/com/Variant.h"
#include "support/TestRegistry.h"

namespace {

using com::Variant;

TEST(PortableRuntimeArgumentsTest, NullPointersAreRefusedInsteadOfFollowed) {
  Variant value(L"keep");
  struct Case {
    const char* call;
    HRESULT result;
  };
  const Case cases[] = {
      {"VariantClear(null)", VariantClear(nullptr)},
      {"VariantCopy(null, v)", VariantCopy(nullptr, value.Ptr())},
      {"VariantCopy(v, null)", VariantCopy(value.Ptr(), nullptr)},
      {"VariantCopyInd(null, v)", VariantCopyInd(nullptr, value.Ptr())},
      {"VariantCopyInd(v, null)", VariantCopyInd(value.Ptr(), nullptr)},
      {"VariantChangeType(null, v)", VariantChangeType(nullptr, value.Ptr(), 0, VT_I4)},
      {"VariantChangeType(v, null)", VariantChangeType(value.Ptr(), nullptr, 0, VT_I4)},
      {"IIDFromString(text, null)", IIDFromString(L"{00020400-0000-0000-C000-000000000046}", nullptr)},
  };
  for (const Case& c : cases) EXPECT_EQ(c.result, E_INVALIDARG) << c.call;
  EXPECT_EQ(value.ToString(), L"keep") << "nothing was written on the way";
  EXPECT_FALSE(SysReAllocStringLen(nullptr, L"x", 1));
}

TEST(PortableRuntimeArgumentsTest, AProgIdStandsForItsRegisteredClass) {
  testing_support::TestRegistry registry;
  testing_support::WriteString(HKEY_CLASSES_ROOT, L"Vorn.Object\\CLSID", L"",
                               L"{00020400-0000-0000-C000-000000000046}");
  testing_support::WriteString(HKEY_CLASSES_ROOT, L"Vorn.Broken\\CLSID", L"", L"not a GUID");
  testing_support::WriteString(HKEY_CLASSES_ROOT, L"Vorn.Empty", L"", L"no CLSID subkey");

  CLSID clsid{};
  ASSERT_EQ(CLSIDFromString(L"Vorn.Object", &clsid), S_OK);
  EXPECT_TRUE(IsEqualCLSID(clsid, IID_IDispatch));
  EXPECT_EQ(CLSIDFromString(L"vorn.object", &clsid), S_OK) << "registry names ignore case";

  for (const wchar_t* progId : {L"Vorn.Broken", L"Vorn.Empty", L"Vorn.Missing"}) {
    clsid = IID_IUnknown;
    EXPECT_EQ(CLSIDFromString(progId, &clsid), CO_E_CLASSSTRING) << com::ToUtf8(progId);
    EXPECT_TRUE(IsEqualCLSID(clsid, GUID_NULL)) << "not a braced GUID: nothing of it was read";
  }
  IID iid = IID_IUnknown;
  EXPECT_EQ(IIDFromString(L"Vorn.Object", &iid), E_INVALIDARG) << "interfaces have no ProgIDs";
}

}  // namespace
