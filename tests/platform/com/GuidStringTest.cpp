#include <gtest/gtest.h>

#include <string>

#include "platform/com/ComTypes.h"
#include "platform/com/Text.h"

namespace {

std::wstring Text(REFGUID g) {
  OLECHAR buf[39] = {};
  EXPECT_EQ(StringFromGUID2(g, buf, 39), 39);
  return buf;
}

TEST(GuidStringTest, WellKnownIdentifiersHaveTheirWindowsValues) {
  struct Case {
    const char* name;
    const IID& iid;
    const wchar_t* text;
  };
  const Case cases[] = {
      {"IUnknown", IID_IUnknown, L"{00000000-0000-0000-C000-000000000046}"},
      {"IClassFactory", IID_IClassFactory, L"{00000001-0000-0000-C000-000000000046}"},
      {"IDispatch", IID_IDispatch, L"{00020400-0000-0000-C000-000000000046}"},
      {"ITypeInfo", IID_ITypeInfo, L"{00020401-0000-0000-C000-000000000046}"},
      {"ITypeLib", IID_ITypeLib, L"{00020402-0000-0000-C000-000000000046}"},
      {"ITypeComp", IID_ITypeComp, L"{00020403-0000-0000-C000-000000000046}"},
      {"IErrorInfo", IID_IErrorInfo, L"{1CF2B120-547D-101B-8E65-08002B2BD119}"},
      {"ICreateErrorInfo", IID_ICreateErrorInfo, L"{22F03340-547D-101B-8E65-08002B2BD119}"},
      {"ISupportErrorInfo", IID_ISupportErrorInfo, L"{DF0B3D60-548F-101B-8E65-08002B2BD119}"},
      {"IProvideClassInfo", IID_IProvideClassInfo, L"{B196B283-BAB4-101A-B69C-00AA00341D07}"},
      {"GUID_NULL", GUID_NULL, L"{00000000-0000-0000-0000-000000000000}"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Text(c.iid), c.text) << c.name;
    IID parsed{};
    ASSERT_EQ(IIDFromString(c.text, &parsed), S_OK) << c.name;
    EXPECT_TRUE(IsEqualIID(parsed, c.iid)) << c.name;
  }
  EXPECT_TRUE(IsEqualIID(IID_NULL, GUID_NULL));
}

TEST(GuidStringTest, FormattingNeedsRoomForTheTerminator) {
  OLECHAR buf[39];
  EXPECT_EQ(StringFromGUID2(IID_IDispatch, buf, 38), 0);
  EXPECT_EQ(StringFromGUID2(IID_IDispatch, buf, 0), 0);
  EXPECT_EQ(StringFromGUID2(IID_IDispatch, buf, 39), 39);
}

TEST(GuidStringTest, ParsingAcceptsEitherCaseAndRoundTrips) {
  const GUID g = {0x75CD0BC5, 0xE317, 0x449C, {0x9F, 0xF6, 0x49, 0x86, 0xB3, 0xD4, 0x8F, 0x64}};
  CLSID parsed{};
  ASSERT_EQ(CLSIDFromString(L"{75cd0bc5-e317-449c-9ff6-4986b3d48f64}", &parsed), S_OK);
  EXPECT_TRUE(IsEqualCLSID(parsed, g));
  const std::wstring upper = Text(g);
  EXPECT_EQ(upper, L"{75CD0BC5-E317-449C-9FF6-4986B3D48F64}");
  ASSERT_EQ(CLSIDFromString(upper.c_str(), &parsed), S_OK);
  EXPECT_TRUE(IsEqualCLSID(parsed, g));
}

TEST(GuidStringTest, MalformedStringsAreRefused) {
  const wchar_t* malformed[] = {
      L"75CD0BC5-E317-449C-9FF6-4986B3D48F64",     // no braces
      L"{75CD0BC5-E317-449C-9FF6-4986B3D48F64",    // no closing brace
      L"{75CD0BC5-E317-449C-9FF6-4986B3D48F6}",    // one digit short
      L"{75CD0BC5-E317-449C-9FF6-4986B3D48F645}",  // one digit long
      L"{75CD0BC5-E317-449C-9FF6-4986B3D48F64}x",  // trailing text
      L"{75CD0BC5E317-449C-9FF6-4986B3D48F64-}",   // dash moved
      L"{75CD0BC5-E317-449C-9FF64-986B3D48F64}",   // dash moved in the last group
      L"{75CD0BC5-E317-449C-9FF6-4986B3D48G64}",   // not a hex digit
      L" {75CD0BC5-E317-449C-9FF6-4986B3D48F64}",  // leading blank
      L"{}",
      L"Vorn.Object",
  };
  for (const wchar_t* text : malformed) {
    const std::string shown = com::ToUtf8(text);
    CLSID clsid = IID_IDispatch;
    EXPECT_EQ(CLSIDFromString(text, &clsid), CO_E_CLASSSTRING) << shown;
    EXPECT_TRUE(IsEqualCLSID(clsid, IID_IDispatch)) << shown << ": output written on failure";
    IID iid = IID_IDispatch;
    EXPECT_TRUE(FAILED(IIDFromString(text, &iid))) << shown;
  }
  IID iid{};
  EXPECT_EQ(IIDFromString(L"{00020400-0000}", &iid), E_INVALIDARG);
  EXPECT_EQ(CLSIDFromString(L"{00020400-0000-0000-C000-000000000046}", nullptr), E_INVALIDARG);
  EXPECT_EQ(IIDFromString(L"{00020400-0000-0000-C000-000000000046}", nullptr), E_INVALIDARG);
}

TEST(GuidStringTest, NoStringNamesTheNullGuid) {
  CLSID clsid = IID_IDispatch;
  EXPECT_EQ(CLSIDFromString(nullptr, &clsid), S_OK);
  EXPECT_TRUE(IsEqualCLSID(clsid, GUID_NULL));
  IID iid = IID_IDispatch;
  EXPECT_EQ(IIDFromString(nullptr, &iid), S_OK);
  EXPECT_TRUE(IsEqualIID(iid, IID_NULL));
}

}  // namespace
