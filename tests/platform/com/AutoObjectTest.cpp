// The library's automation objects as a client meets them: their interfaces,
// their class information, error-information support and late binding.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bho_gui/VornBHOGUIUnit.h"
#include "type_library/VornIEGUITypeLib.h"
#include "page_utils/VornOffUtilsUnit.h"
#include "platform/com/Bstr.h"
#include "platform/com/ClassInfo.h"
#include "platform/com/ComPtr.h"
#include "support/ComTest.h"

namespace {

struct ClassRow {
  const char* name;
  HRESULT (*create)(REFIID, void**);
  const IID* itf;
  const IID* otherItf;
  const CLSID* clsid;
  const wchar_t* coclass;
  DISPID someMethod;
  std::vector<VARTYPE> someMethodArgs;  // argument types a caller passes, null values
};

const ClassRow kClasses[] = {
    {"VornOffUtils", &vorn::CreateVornOffUtils, &IID_IVornOffUtils, &IID_IVornBHOGUI, &CLSID_VornOffUtils,
     L"VornOffUtils", 201, {VT_UNKNOWN, VT_BOOL, VT_UNKNOWN}},
    {"VornBHOGUI", &vorn::CreateVornBHOGUI, &IID_IVornBHOGUI, &IID_IVornOffUtils, &CLSID_VornBHOGUI, L"VornBHOGUI",
     202, {}},
};

class AutoObjectTest : public testing_support::ComTest {};

TEST_F(AutoObjectTest, AnswersItsDualInterfaceDispatchErrorInfoAndClassInfo) {
  for (const auto& row : kClasses) {
    SCOPED_TRACE(row.name);
    com::ComPtr<IUnknown> object;
    ASSERT_EQ(row.create(IID_IUnknown, object.PutVoid()), S_OK);
    for (const IID* iid : {row.itf, &IID_IDispatch, &IID_ISupportErrorInfo, &IID_IProvideClassInfo}) {
      com::ComPtr<IUnknown> itf;
      EXPECT_EQ(object->QueryInterface(*iid, itf.PutVoid()), S_OK);
    }
    com::ComPtr<IUnknown> none;
    EXPECT_EQ(object->QueryInterface(*row.otherItf, none.PutVoid()), E_NOINTERFACE);
    EXPECT_EQ(object->QueryInterface(IID_IClassFactory, none.PutVoid()), E_NOINTERFACE);

    auto errors = com::QueryAs<ISupportErrorInfo>(object.Get());
    ASSERT_TRUE(errors);
    EXPECT_EQ(errors->InterfaceSupportsErrorInfo(*row.itf), S_OK);
    EXPECT_EQ(errors->InterfaceSupportsErrorInfo(*row.otherItf), S_FALSE);

    auto classInfo = com::QueryAs<IProvideClassInfo>(object.Get());
    com::ComPtr<ITypeInfo> coclass;
    ASSERT_EQ(classInfo->GetClassInfo(coclass.ReleaseAndGetAddressOf()), S_OK);
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(coclass->GetTypeAttr(&attr), S_OK);
    EXPECT_EQ(attr->typekind, TKIND_COCLASS);
    EXPECT_TRUE(IsEqualGUID(attr->guid, *row.clsid));
    coclass->ReleaseTypeAttr(attr);
    com::Bstr name;
    ASSERT_EQ(coclass->GetDocumentation(MEMBERID_NIL, name.ReleaseAndGetAddressOf(), nullptr, nullptr, nullptr), S_OK);
    EXPECT_EQ(name.str(), row.coclass);
    EXPECT_EQ(classInfo->GetClassInfo(nullptr), E_POINTER);
  }
}

// A method called late bound with null arguments reaches the object: the
// page utilities end quietly (nothing to capture), the card hides nothing.
TEST_F(AutoObjectTest, LateBoundCallsReachTheMethod) {
  for (const auto& row : kClasses) {
    SCOPED_TRACE(row.name);
    com::ComPtr<IDispatch> disp;
    ASSERT_EQ(row.create(IID_IDispatch, disp.PutVoid()), S_OK);
    // Arguments of the declared types (interfaces null, VARIANT_BOOL false):
    // an empty variant is no object, and Windows refuses to convert it into one.
    std::vector<VARIANT> args(row.someMethodArgs.size());
    for (size_t i = 0; i < args.size(); ++i) {
      VariantInit(&args[i]);
      args[i].vt = row.someMethodArgs[i];
      args[i].llVal = 0;
    }
    const UINT count = static_cast<UINT>(args.size());
    DISPPARAMS dp{args.empty() ? nullptr : args.data(), nullptr, count, 0};
    EXCEPINFO info{};
    EXPECT_EQ(disp->Invoke(row.someMethod, IID_NULL, 0, DISPATCH_METHOD, &dp, nullptr, &info, nullptr), S_OK);
    EXPECT_EQ(info.scode, S_OK);
    // A method that does not exist is still refused.
    EXPECT_EQ(disp->Invoke(299, IID_NULL, 0, DISPATCH_METHOD, &dp, nullptr, &info, nullptr), DISP_E_MEMBERNOTFOUND);
  }
}

TEST_F(AutoObjectTest, CreatorsCheckTheirArguments) {
  EXPECT_EQ(vorn::CreateVornOffUtils(IID_IDispatch, nullptr), E_POINTER);
  void* out = reinterpret_cast<void*>(1);
  EXPECT_EQ(vorn::CreateVornOffUtils(IID_IVornBHOGUI, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
}

TEST_F(AutoObjectTest, AnyClassOfTheModuleFindsItsClassInformation) {
  // What the toolbar bands answer through IProvideClassInfo.
  ASSERT_EQ(com::ModuleTypeLibModel(), &vorn::VornIEGUITypeLibModel());
  for (const CLSID* clsid : {&CLSID_VornIEExplorerBar, &CLSID_BriselQLToolbar}) {
    com::ComPtr<ITypeInfo> info;
    ASSERT_EQ(com::GetCoClassTypeInfo(*clsid, info.ReleaseAndGetAddressOf()), S_OK);
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(info->GetTypeAttr(&attr), S_OK);
    EXPECT_TRUE(IsEqualGUID(attr->guid, *clsid));
    EXPECT_EQ(attr->typekind, TKIND_COCLASS);
    info->ReleaseTypeAttr(attr);
  }
  com::ComPtr<ITypeInfo> info;
  EXPECT_EQ(com::GetCoClassTypeInfo(IID_IVornOffUtils, info.ReleaseAndGetAddressOf()), TYPE_E_ELEMENTNOTFOUND);
  EXPECT_FALSE(info);
}

}  // namespace
