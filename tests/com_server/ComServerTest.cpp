// The exported entry points hand out the four class factories, and the
// module's counters say when it may be unloaded.
#include <gtest/gtest.h>

#include "com_server/ComServerUnit.h"
#include "type_library/VornIEGUI_TLB.h"
#include "platform/browser/BandInterfaces.h"
#include "platform/com/ComPtr.h"
#include "support/ComTest.h"

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv);
STDAPI DllCanUnloadNow();

namespace {

using testing_support::ComTest;

com::ComPtr<IClassFactory> FactoryOf(REFCLSID clsid) {
  com::ComPtr<IClassFactory> factory;
  EXPECT_EQ(DllGetClassObject(clsid, IID_IClassFactory, factory.PutVoid()), S_OK);
  return factory;
}

class ComServerTest : public ComTest {};

TEST_F(ComServerTest, FactoriesAreCreatedInLoadOrderWithTheirTypeLibraryNames) {
  const auto& factories = vorn::ComServer().Factories();
  ASSERT_EQ(factories.size(), 4u);
  struct Expected {
    const CLSID* clsid;
    const wchar_t* name;
    const wchar_t* description;
  } expected[] = {
      {&CLSID_VornIEExplorerBar, L"VornIEExplorerBar", L"VornIEExplorerBar"},
      {&CLSID_VornOffUtils, L"VornOffUtils", L"VornOffUtils Object"},
      {&CLSID_VornBHOGUI, L"VornBHOGUI", L"VornBHOGUI Object"},
      {&CLSID_BriselQLToolbar, L"BriselQLToolbar", L"BriselQLToolbar"},
  };
  for (size_t i = 0; i < 4; ++i) {
    SCOPED_TRACE(expected[i].name);
    EXPECT_TRUE(IsEqualCLSID(factories[i]->Clsid(), *expected[i].clsid));
    EXPECT_EQ(factories[i]->ClassName(), expected[i].name);
    EXPECT_EQ(factories[i]->Description(), expected[i].description);
    EXPECT_EQ(factories[i]->ProgId(), std::wstring(L"VornIEGUI.") + expected[i].name);
    EXPECT_EQ(factories[i]->GetInstancing(), com::Instancing::MultiInstance);
    EXPECT_EQ(factories[i]->GetThreadingModel(), com::ThreadingModel::Apartment);
  }
}

TEST_F(ComServerTest, GetClassObjectAnswersKnownClassesOnly) {
  void* out = reinterpret_cast<void*>(1);
  EXPECT_EQ(DllGetClassObject(IID_IDispatch, IID_IClassFactory, &out), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(out, nullptr);

  out = reinterpret_cast<void*>(1);
  EXPECT_EQ(DllGetClassObject(CLSID_VornOffUtils, IID_IDispatch, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);

  EXPECT_EQ(DllGetClassObject(CLSID_VornOffUtils, IID_IClassFactory, nullptr), E_POINTER);
}

TEST_F(ComServerTest, EveryClassIsCreatableAndAnswersItsInterfaces) {
  struct Row {
    const CLSID* clsid;
    const IID* own;
    const IID* refused;
  } rows[] = {
      {&CLSID_VornIEExplorerBar, &IID_IVornIEExplorerBar, &IID_IBriselQLToolbar},
      {&CLSID_VornOffUtils, &IID_IVornOffUtils, &IID_IVornBHOGUI},
      {&CLSID_VornBHOGUI, &IID_IVornBHOGUI, &IID_IVornOffUtils},
      {&CLSID_BriselQLToolbar, &IID_IBriselQLToolbar, &IID_IVornIEExplorerBar},
  };
  for (const auto& row : rows) {
    auto factory = FactoryOf(*row.clsid);
    ASSERT_TRUE(factory);
    com::ComPtr<IUnknown> object;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, object.PutVoid()), S_OK);
    com::ComPtr<IUnknown> own, refused, classInfo;
    EXPECT_EQ(object->QueryInterface(*row.own, own.PutVoid()), S_OK);
    EXPECT_EQ(object->QueryInterface(*row.refused, refused.PutVoid()), E_NOINTERFACE);
    EXPECT_EQ(object->QueryInterface(IID_IProvideClassInfo, classInfo.PutVoid()), S_OK);
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
  }
  EXPECT_EQ(DllCanUnloadNow(), S_OK);
}

TEST_F(ComServerTest, FactoryRefusesAggregationAndCreatesANewObjectEachTime) {
  auto factory = FactoryOf(CLSID_VornOffUtils);
  com::ComPtr<IUnknown> outer, a, b;
  outer = FactoryOf(CLSID_VornBHOGUI);  // any IUnknown will do as the would-be outer object
  EXPECT_EQ(factory->CreateInstance(outer.Get(), IID_IUnknown, a.PutVoid()), CLASS_E_NOAGGREGATION);
  EXPECT_FALSE(a);
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, a.PutVoid()), S_OK);
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, b.PutVoid()), S_OK);
  EXPECT_NE(a.Get(), b.Get());
  com::ComPtr<IUnknown> none;
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_IClassFactory, none.PutVoid()), E_NOINTERFACE);
}

TEST_F(ComServerTest, CanUnloadNowCountsObjectsFactoriesAndLocks) {
  EXPECT_EQ(DllCanUnloadNow(), S_OK);
  {
    auto factory = FactoryOf(CLSID_BriselQLToolbar);
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE) << "a host holds a class factory";
    factory->LockServer(TRUE);
    factory.Reset();
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE) << "the server is locked";
    FactoryOf(CLSID_BriselQLToolbar)->LockServer(FALSE);
  }
  EXPECT_EQ(DllCanUnloadNow(), S_OK);

  com::ComPtr<IDeskBand> band;
  ASSERT_EQ(FactoryOf(CLSID_VornIEExplorerBar)->CreateInstance(nullptr, IID_IDeskBand, band.PutVoid()), S_OK);
  EXPECT_EQ(DllCanUnloadNow(), S_FALSE) << "a band is alive";
  band.Reset();
  EXPECT_EQ(DllCanUnloadNow(), S_OK);
}

}  // namespace
