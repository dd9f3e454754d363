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
  struct Case {
    const wchar_t* text;
    HRESULT iidResult;  // a string of the wrong length is refused as an argument, a bad form as a GUID
  };
  const Case cases[] = {
      {L"75CD0BC5-E317-449C-9FF6-4986B3D48F64", E_INVALIDARG},      // no braces
      {L"{75CD0BC5-E317-449C-9FF6-4986B3D48F64", E_INVALIDARG},     // no closing brace
      {L"{75CD0BC5-E317-449C-9FF6-4986B3D48F6}", E_INVALIDARG},     // one digit short
      {L"{75CD0BC5-E317-449C-9FF6-4986B3D48F645}", E_INVALIDARG},   // one digit long
      {L"{75CD0BC5-E317-449C-9FF6-4986B3D48F64}x", E_INVALIDARG},   // trailing text
      {L"{75CD0BC5E317-449C-9FF6-4986B3D48F64-}", CO_E_IIDSTRING},  // dash moved
      {L"{75CD0BC5-E317-449C-9FF64-986B3D48F64}", CO_E_IIDSTRING},  // dash moved in the last group
      {L"{75CD0BC5-E317-449C-9FF6-4986B3D48G64}", CO_E_IIDSTRING},  // not a hex digit
      {L" {75CD0BC5-E317-449C-9FF6-4986B3D48F64}", E_INVALIDARG},   // leading blank
      {L"{}", E_INVALIDARG},
      {L"Vorn.Object", E_INVALIDARG},  // no such ProgID is registered
  };
  for (const Case& c : cases) {
    const std::string shown = com::ToUtf8(c.text);
    CLSID clsid{};
    EXPECT_EQ(CLSIDFromString(c.text, &clsid), CO_E_CLASSSTRING) << shown;
    IID iid{};
    EXPECT_EQ(IIDFromString(c.text, &iid), c.iidResult) << shown;
  }
  EXPECT_EQ(IIDFromString(L"{00020400-0000}", nullptr), E_INVALIDARG) << "the length is checked first";
  EXPECT_EQ(CLSIDFromString(L"{00020400-0000-0000-C000-000000000046}", nullptr), E_INVALIDARG);
}

TEST(GuidStringTest, AFailedParseLeavesWhatWindowsLeaves) {
  // Windows parses straight into the caller's GUID: the fields read before the
  // error stay written, the rest keep what they held. Callers must not rely on
  // the GUID after a failure; these cases pin the behaviour all the same.
  const GUID filler = {0xCCCCCCCC, 0xCCCC, 0xCCCC, {0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC}};
  const GUID dispatch = IID_IDispatch;

  CLSID clsid = filler;
  EXPECT_EQ(CLSIDFromString(L"{00020400-0000-0000-C000-000000000046}x", &clsid), CO_E_CLASSSTRING);
  EXPECT_TRUE(IsEqualCLSID(clsid, dispatch)) << "every field was read before the trailing text";

  clsid = filler;
  EXPECT_EQ(CLSIDFromString(L"{00020400*0000-0000-C000-000000000046}", &clsid), CO_E_CLASSSTRING);
  EXPECT_EQ(clsid.Data1, 0x00020400u);
  EXPECT_EQ(clsid.Data2, 0xCCCC);

  clsid = filler;
  EXPECT_EQ(CLSIDFromString(L"{0B*", &clsid), CO_E_CLASSSTRING);
  EXPECT_EQ(clsid.Data1, 0xBu) << "the digits before the error";
  EXPECT_EQ(clsid.Data2, 0xCCCC);

  clsid = filler;
  EXPECT_EQ(CLSIDFromString(L"00020400-0000-0000-C000-000000000046}", &clsid), CO_E_CLASSSTRING);
  EXPECT_TRUE(IsEqualCLSID(clsid, GUID_NULL)) << "without the brace nothing is a GUID";

  IID iid = filler;
  EXPECT_EQ(IIDFromString(L"{00020400-0000-0000-C000-00000000004}", &iid), E_INVALIDARG);
  EXPECT_TRUE(IsEqualIID(iid, filler)) << "a string of the wrong length is not read at all";
  EXPECT_EQ(IIDFromString(L"{00020400-0000-0000-g000-000000000046}", &iid), CO_E_IIDSTRING);
  EXPECT_EQ(iid.Data1, 0x00020400u);
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
