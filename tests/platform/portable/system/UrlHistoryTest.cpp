// The URL history class the portable COM runtime serves itself: made without
// a registry entry, one history for every object, and a class object
// registered by a program served in its place.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/browser/UrlHist.h"
#include "platform/com/ComPtr.h"
#include "platform/portable/registry/RegistryControl.h"
#include "platform/portable/system/UrlHistoryControl.h"
#include "platform/win/WinTypes.h"

namespace {

using Urls = std::vector<std::wstring>;

com::ComPtr<IUrlHistoryStg2> MakeHistory() {
  com::ComPtr<IUrlHistoryStg2> history;
  EXPECT_EQ(CoCreateInstance(CLSID_CUrlHistory, nullptr, CLSCTX_INPROC_SERVER, IID_IUrlHistoryStg2, history.PutVoid()),
            S_OK);
  return history;
}

class UrlHistoryTest : public ::testing::Test {
 protected:
  // An empty registry: the class must not need an entry.
  win::registry::ScopedMemoryStore store_;
  win::urlhistory::ScopedHistory history_;
};

TEST_F(UrlHistoryTest, AddedAddressesAreKeptWithTheirTitlesAndSharedByEveryObject) {
  auto first = MakeHistory();
  ASSERT_TRUE(first);
  auto second = MakeHistory();
  ASSERT_TRUE(second);
  EXPECT_EQ(first->AddUrl(L"http://a.example/", L"A", 0), S_OK);
  EXPECT_EQ(second->AddUrlAndNotify(L"http://b.example/", nullptr, 0, TRUE, nullptr, nullptr), S_OK);
  EXPECT_EQ(second->AddUrl(L"http://a.example/", L"A again", 0), S_OK);
  EXPECT_EQ(win::urlhistory::Urls(), (Urls{L"http://a.example/", L"http://b.example/"}));
  EXPECT_EQ(win::urlhistory::Title(L"http://a.example/"), L"A again");
  EXPECT_EQ(win::urlhistory::Title(L"http://b.example/"), L"");
  EXPECT_EQ(first->AddUrl(nullptr, L"no address", 0), E_INVALIDARG);

  win::urlhistory::Add(L"http://c.example/", L"C");
  EXPECT_EQ(first->QueryUrl(L"http://c.example/", 0, nullptr), S_OK);
  EXPECT_EQ(first->QueryUrl(L"http://z.example/", 0, nullptr), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
}

TEST_F(UrlHistoryTest, DeleteRemovesOneAddressAndClearHistoryEmptiesAndIsCounted) {
  win::urlhistory::Add(L"http://a.example/", L"A");
  win::urlhistory::Add(L"http://b.example/", L"B");
  win::urlhistory::Add(L"http://c.example/", L"C");
  auto history = MakeHistory();
  ASSERT_TRUE(history);
  EXPECT_EQ(history->DeleteUrl(L"http://b.example/", 0), S_OK);
  EXPECT_EQ(history->DeleteUrl(L"http://b.example/", 0), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(win::urlhistory::Urls(), (Urls{L"http://a.example/", L"http://c.example/"}));

  EXPECT_EQ(win::urlhistory::ClearHistoryCalls(), 0u);
  EXPECT_EQ(history->ClearHistory(), S_OK);
  EXPECT_EQ(history->ClearHistory(), S_OK);
  EXPECT_TRUE(win::urlhistory::Urls().empty());
  EXPECT_EQ(win::urlhistory::ClearHistoryCalls(), 2u);
  win::urlhistory::Clear();
  EXPECT_EQ(win::urlhistory::ClearHistoryCalls(), 0u);
}

TEST_F(UrlHistoryTest, TheObjectAnswersItsInterfacesOnlyAndRefusesAggregation) {
  auto history = MakeHistory();
  ASSERT_TRUE(history);
  com::ComPtr<IUrlHistoryStg> first;
  com::ComPtr<IUnknown> identity;
  com::ComPtr<IDispatch> dispatch;
  EXPECT_EQ(history->QueryInterface(IID_IUrlHistoryStg, first.PutVoid()), S_OK);
  EXPECT_EQ(history->QueryInterface(IID_IUnknown, identity.PutVoid()), S_OK);
  EXPECT_EQ(static_cast<IUnknown*>(history.Get()), identity.Get());
  EXPECT_EQ(history->QueryInterface(IID_IDispatch, dispatch.PutVoid()), E_NOINTERFACE);
  EXPECT_FALSE(dispatch);

  void* out = reinterpret_cast<void*>(1);
  EXPECT_EQ(history->EnumUrls(reinterpret_cast<IEnumSTATURL**>(&out)), E_NOTIMPL);
  EXPECT_EQ(out, nullptr);

  com::ComPtr<IClassFactory> factory;
  ASSERT_EQ(CoGetClassObject(CLSID_CUrlHistory, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory, factory.PutVoid()),
            S_OK);
  com::ComPtr<IUnknown> aggregated;
  EXPECT_EQ(factory->CreateInstance(identity.Get(), IID_IUnknown, aggregated.PutVoid()), CLASS_E_NOAGGREGATION);
  // Served in-process only, as the system's own class is.
  EXPECT_EQ(CoCreateInstance(CLSID_CUrlHistory, nullptr, CLSCTX_LOCAL_SERVER, IID_IUrlHistoryStg2, &out),
            REGDB_E_CLASSNOTREG);
}

// A program's own class object for the history class, which answers no object.
class RefusingFactory final : public IClassFactory {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    *ppv = nullptr;
    if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IClassFactory)) return E_NOINTERFACE;
    *ppv = this;
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs_; }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown*, REFIID, void** ppv) override {
    *ppv = nullptr;
    ++created_;
    return CLASS_E_CLASSNOTAVAILABLE;
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

  ULONG refs_ = 0;
  int created_ = 0;
};

TEST_F(UrlHistoryTest, ARegisteredClassObjectIsServedInsteadUntilRevoked) {
  RefusingFactory factory;
  DWORD cookie = 0;
  ASSERT_EQ(CoRegisterClassObject(CLSID_CUrlHistory, &factory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie),
            S_OK);
  void* out = nullptr;
  EXPECT_EQ(CoCreateInstance(CLSID_CUrlHistory, nullptr, CLSCTX_INPROC_SERVER, IID_IUrlHistoryStg2, &out),
            CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(factory.created_, 1);
  ASSERT_EQ(CoRevokeClassObject(cookie), S_OK);
  EXPECT_EQ(factory.refs_, 0u);
  auto history = MakeHistory();
  EXPECT_TRUE(history);
  EXPECT_EQ(factory.created_, 1);
}

}  // namespace
