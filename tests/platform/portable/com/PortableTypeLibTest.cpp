// What only the portable type library decides. Its loader serves a module's
// library from the in-code model and so must refuse a model no IDL compiler
// would accept (on Windows the library is compiled, and such a model never
// gets that far). And where Windows' type information crashes on a null
// pointer, the portable one refuses it.
#include <gtest/gtest.h>

#include "platform/com/ComPtr.h"
#include "platform/com/TypeLibrary.h"

namespace {

constexpr GUID kLibId = {0x11111111, 0x2222, 0x3333, {0x44, 0x44, 0x55, 0x55, 0x55, 0x55, 0x55, 0x11}};
constexpr GUID kIPlain = {0x11111111, 0x2222, 0x3333, {0x44, 0x44, 0x55, 0x55, 0x55, 0x55, 0x55, 0x12}};
constexpr GUID kThing = {0x11111111, 0x2222, 0x3333, {0x44, 0x44, 0x55, 0x55, 0x55, 0x55, 0x55, 0x13}};
constexpr GUID kStranger = {0x99999999, 0x2222, 0x3333, {0x44, 0x44, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55}};

com::TypeLibModel SmallModel() {
  com::TypeLibModel m;
  m.name = L"SmallLib";
  m.libid = kLibId;
  com::TypeInfoModel plain;
  plain.kind = com::TypeKind::Interface;
  plain.name = L"IPlain";
  plain.guid = kIPlain;
  plain.base = IID_IUnknown;
  com::TypeInfoModel thing;
  thing.kind = com::TypeKind::CoClass;
  thing.name = L"Thing";
  thing.guid = kThing;
  thing.defaultInterface = kIPlain;
  m.types = {plain, thing};
  return m;
}

TEST(TypeLibModelErrorsTest, InconsistentModelsAreRefused) {
  com::ComPtr<ITypeLib> lib;
  ASSERT_EQ(com::LoadModuleTypeLib(SmallModel(), L"x", lib.ReleaseAndGetAddressOf()), S_OK) << "the model itself is fine";

  struct Case {
    const char* what;
    void (*spoil)(com::TypeLibModel&);
  };
  const Case cases[] = {
      {"a default interface the library does not have", [](com::TypeLibModel& m) { m.types[1].defaultInterface = kStranger; }},
      {"a coclass as a base interface", [](com::TypeLibModel& m) { m.types[0].base = kThing; }},
      {"a base the library does not have", [](com::TypeLibModel& m) { m.types[0].base = kStranger; }},
  };
  for (const Case& c : cases) {
    com::TypeLibModel model = SmallModel();
    c.spoil(model);
    EXPECT_EQ(com::LoadModuleTypeLib(model, L"x", lib.ReleaseAndGetAddressOf()), E_INVALIDARG) << c.what;
    EXPECT_FALSE(lib) << c.what;
  }
  EXPECT_EQ(com::LoadModuleTypeLib(SmallModel(), L"x", nullptr), E_POINTER);
}

TEST(PortableTypeInfoTest, NullPointersAreRefusedAndNothingIsInvoked) {
  com::ComPtr<ITypeLib> lib;
  ASSERT_EQ(com::LoadModuleTypeLib(SmallModel(), L"x", lib.ReleaseAndGetAddressOf()), S_OK);
  com::ComPtr<ITypeInfo> info;
  ASSERT_EQ(lib->GetTypeInfoOfGuid(kIPlain, info.ReleaseAndGetAddressOf()), S_OK);
  MEMBERID id = 0;
  EXPECT_EQ(info->GetIDsOfNames(nullptr, 1, &id), E_INVALIDARG);
  EXPECT_EQ(info->GetTypeAttr(nullptr), E_INVALIDARG);
  EXPECT_EQ(info->GetRefTypeOfImplType(0, nullptr), E_INVALIDARG);
  info->ReleaseFuncDesc(nullptr);
  info->ReleaseTypeAttr(nullptr);
  // Calling through an interface table needs the native calling convention;
  // the library's objects dispatch through their models instead.
  EXPECT_EQ(info->Invoke(nullptr, 0x60000000, DISPATCH_METHOD, nullptr, nullptr, nullptr, nullptr), E_NOTIMPL);
}

}  // namespace
