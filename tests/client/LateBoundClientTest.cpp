// A host that knows the library only by its registry entries and ProgIDs:
// it registers the module, creates each class with CoCreateInstance and
// calls the automation objects through IDispatch alone.
#include <gtest/gtest.h>

#include <string>

#include "platform/com/ComPtr.h"
#include "platform/win/Module.h"
#include "support/ClientRegistry.h"

namespace {

using EntryPoint = HRESULT (*)();

// Interface identifiers a host would copy from the type library's documentation.
constexpr IID kIVornOffUtils = {0x6D25F622, 0x987B, 0x467E, {0xB7, 0xF6, 0x8C, 0x12, 0x69, 0x08, 0xA4, 0x62}};
constexpr IID kIVornBHOGUI = {0x233490A0, 0xA508, 0x41E6, {0xA6, 0xDE, 0xAB, 0x20, 0x65, 0x9D, 0x03, 0x11}};
constexpr IID kIVornIEExplorerBar = {0x44E5D19C, 0x1AA0, 0x4FBE, {0xBB, 0x49, 0x87, 0x93, 0xFE, 0x8F, 0x72, 0xA3}};
constexpr IID kIBriselQLToolbar = {0x54EDFA0B, 0xF505, 0x4F2A, {0xB7, 0x9A, 0xA5, 0xEB, 0xEC, 0x6B, 0x23, 0xCC}};

class LateBoundClientTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    comInitialized_ = true;
    static const int anchor = 0;
    const std::wstring path = win::PathBesideModule(&anchor, Widen(VORN_MODULE_PATH));
    module_ = win::LoadLibraryW(path.c_str());
    ASSERT_NE(module_, nullptr) << "cannot load " << VORN_MODULE_PATH;
    ASSERT_EQ(Entry("DllRegisterServer")(), S_OK);
  }
  void TearDown() override {
    if (module_) {
      EXPECT_EQ(Entry("DllCanUnloadNow")(), S_OK) << "an object or factory reference is left";
      EXPECT_EQ(Entry("DllUnregisterServer")(), S_OK);
      CoFreeUnusedLibraries();
      win::FreeLibrary(module_);
    }
    if (comInitialized_) CoUninitialize();
  }

  static std::wstring Widen(const char* s) { return std::wstring(s, s + std::char_traits<char>::length(s)); }

  EntryPoint Entry(const char* name) {
    // Through the generic function pointer type: an exported entry has no one signature.
    auto entry = reinterpret_cast<EntryPoint>(reinterpret_cast<void (*)()>(win::GetProcAddress(module_, name)));
    if (!entry) ADD_FAILURE() << name << " is not exported";
    return entry ? entry : +[]() -> HRESULT { return E_NOTIMPL; };
  }

  static com::ComPtr<IDispatch> CreateByProgId(const wchar_t* progId) {
    CLSID clsid{};
    EXPECT_EQ(CLSIDFromProgID(progId, &clsid), S_OK) << "ProgID not registered";
    com::ComPtr<IDispatch> object;
    EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, object.PutVoid()), S_OK);
    return object;
  }

  static DISPID IdOf(IDispatch* object, const wchar_t* name) {
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    DISPID id = 0;
    EXPECT_EQ(object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), S_OK) << "no member";
    return id;
  }

  static HRESULT Call(IDispatch* object, DISPID id, VARIANT* args, UINT count) {
    DISPPARAMS params{args, nullptr, count, 0};
    return object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
  }

  testing_support::ClientRegistry registry_;
  bool comInitialized_ = false;
  HMODULE module_ = nullptr;
};

TEST_F(LateBoundClientTest, CreatesEveryClassThroughTheRegisteredModule) {
  struct Row {
    const wchar_t* progId;
    IID iid;
  } rows[] = {{L"VornIEGUI.VornIEExplorerBar", kIVornIEExplorerBar},
              {L"VornIEGUI.VornOffUtils", kIVornOffUtils},
              {L"VornIEGUI.VornBHOGUI", kIVornBHOGUI},
              {L"VornIEGUI.BriselQLToolbar", kIBriselQLToolbar}};
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string(row.progId, row.progId + std::wcslen(row.progId)));
    CLSID clsid{};
    ASSERT_EQ(CLSIDFromProgID(row.progId, &clsid), S_OK);
    com::ComPtr<IUnknown> object;
    ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, object.PutVoid()), S_OK);
    com::ComPtr<IUnknown> itf;
    EXPECT_EQ(object->QueryInterface(row.iid, itf.PutVoid()), S_OK);
  }
}

TEST_F(LateBoundClientTest, ReachesTheUtilityMethodsByName) {
  auto utils = CreateByProgId(L"VornIEGUI.VornOffUtils");
  ASSERT_TRUE(utils);
  EXPECT_EQ(IdOf(utils.Get(), L"CaptureScreenShot"), 201);
  EXPECT_EQ(IdOf(utils.Get(), L"openlinks"), 204);

  VARIANT args[2];
  for (auto& a : args) VariantInit(&a);
  args[1].vt = VT_EMPTY;  // ADocument
  args[0].vt = VT_I4;     // AOnlySel
  args[0].lVal = 0;
  const HRESULT reached = Call(utils.Get(), 204, args, 2);
  EXPECT_NE(reached, DISP_E_MEMBERNOTFOUND);
  EXPECT_NE(reached, DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(Call(utils.Get(), 204, args, 1), DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(Call(utils.Get(), 202, nullptr, 0), DISP_E_MEMBERNOTFOUND);

  com::ComPtr<ITypeInfo> info;
  EXPECT_EQ(utils->GetTypeInfo(1, LOCALE_USER_DEFAULT, info.ReleaseAndGetAddressOf()), DISP_E_BADINDEX);
  ASSERT_EQ(utils->GetTypeInfo(0, LOCALE_USER_DEFAULT, info.ReleaseAndGetAddressOf()), S_OK);
  BSTR name = nullptr;
  ASSERT_EQ(info->GetDocumentation(MEMBERID_NIL, &name, nullptr, nullptr, nullptr), S_OK);
  EXPECT_EQ(std::wstring(name), L"IVornOffUtils");
  SysFreeString(name);
}

TEST_F(LateBoundClientTest, ReachesTheHintMethodsByName) {
  auto gui = CreateByProgId(L"VornIEGUI.VornBHOGUI");
  ASSERT_TRUE(gui);
  EXPECT_EQ(IdOf(gui.Get(), L"MouseOverLink"), 201);
  EXPECT_EQ(IdOf(gui.Get(), L"MouseOutLink"), 202);
  EXPECT_EQ(IdOf(gui.Get(), L"ShowOurAdvertising"), 204);
  const HRESULT reached = Call(gui.Get(), 202, nullptr, 0);
  EXPECT_NE(reached, DISP_E_MEMBERNOTFOUND);
  EXPECT_NE(reached, DISP_E_BADPARAMCOUNT);
}

TEST_F(LateBoundClientTest, UnregisteredClassesCannotBeCreated) {
  ASSERT_EQ(Entry("DllUnregisterServer")(), S_OK);
  CLSID clsid{};
  EXPECT_TRUE(FAILED(CLSIDFromProgID(L"VornIEGUI.VornOffUtils", &clsid)));
  constexpr CLSID kVornOffUtils = {0x0BCA9A71, 0x9E56, 0x4727, {0x87, 0x56, 0x43, 0x58, 0xC0, 0x72, 0xC7, 0x03}};
  com::ComPtr<IUnknown> object;
  EXPECT_EQ(CoCreateInstance(kVornOffUtils, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, object.PutVoid()),
            REGDB_E_CLASSNOTREG);
  ASSERT_EQ(Entry("DllRegisterServer")(), S_OK);  // TearDown unregisters again
}

}  // namespace
