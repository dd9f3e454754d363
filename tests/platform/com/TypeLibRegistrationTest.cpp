// RegisterTypeLib / UnRegisterTypeLib write and remove exactly what Windows
// keeps for a type library and its automation interfaces.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "platform/com/ComPtr.h"
#include "platform/com/GuidString.h"
#include "platform/com/TypeLibrary.h"
#include "support/TestRegistry.h"

namespace {

using testing_support::KeyExists;
using testing_support::ReadString;
using testing_support::Snapshot;
using testing_support::WriteString;

constexpr GUID kLibId = {0xABCDEF01, 0x2222, 0x3333, {0x44, 0x44, 0x55, 0x55, 0x55, 0x55, 0x55, 0x01}};
constexpr GUID kIPlain = {0xABCDEF01, 0x2222, 0x3333, {0x44, 0x44, 0x55, 0x55, 0x55, 0x55, 0x55, 0x02}};
constexpr GUID kIAuto = {0xABCDEF01, 0x2222, 0x3333, {0x44, 0x44, 0x55, 0x55, 0x55, 0x55, 0x55, 0x03}};
constexpr GUID kIDual = {0xABCDEF01, 0x2222, 0x3333, {0x44, 0x44, 0x55, 0x55, 0x55, 0x55, 0x55, 0x04}};
constexpr GUID kThing = {0xABCDEF01, 0x2222, 0x3333, {0x44, 0x44, 0x55, 0x55, 0x55, 0x55, 0x55, 0x05}};
constexpr const wchar_t* kPSOAInterface = L"{00020424-0000-0000-C000-000000000046}";

com::TypeLibModel Model(LCID lcid) {
  com::TypeLibModel m;
  m.name = L"RegLib";
  m.libid = kLibId;
  m.majorVersion = 1;
  m.minorVersion = 10;
  m.lcid = lcid;
  m.helpString = L"Registration Test Library";
  auto type = [](com::TypeKind kind, const wchar_t* name, const GUID& guid, WORD flags, const GUID& ref) {
    com::TypeInfoModel t;
    t.kind = kind;
    t.name = name;
    t.guid = guid;
    t.flags = flags;
    (kind == com::TypeKind::CoClass ? t.defaultInterface : t.base) = ref;
    return t;
  };
  m.types = {
      type(com::TypeKind::Interface, L"IPlain", kIPlain, 0, IID_IUnknown),
      type(com::TypeKind::Interface, L"IAuto", kIAuto, TYPEFLAG_FOLEAUTOMATION, IID_IUnknown),
      type(com::TypeKind::DualInterface, L"IDual", kIDual,
           TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FDISPATCHABLE, IID_IDispatch),
      type(com::TypeKind::CoClass, L"Thing", kThing, TYPEFLAG_FCANCREATE, kIDual),
  };
  return m;
}

std::wstring LibKey() { return L"TypeLib\\" + com::GuidToString(kLibId); }
std::wstring InterfaceKey(const GUID& iid) { return L"Interface\\" + com::GuidToString(iid); }

class TypeLibRegistrationTest : public ::testing::Test {
 protected:
  com::ComPtr<ITypeLib> Load(LCID lcid) {
    model_ = Model(lcid);
    com::ComPtr<ITypeLib> lib;
    EXPECT_EQ(com::LoadModuleTypeLib(model_, L"C:\\Program Files\\Vorn\\reg.dll", lib.ReleaseAndGetAddressOf()), S_OK);
    return lib;
  }

  testing_support::TestRegistry registry_;
  com::TypeLibModel model_;
};

TEST_F(TypeLibRegistrationTest, WritesTheLibraryAndItsAutomationInterfaces) {
  // The path subkey is named by the library's locale, in hexadecimal.
  for (LCID lcid : {0u, 0x409u}) {
    testing_support::TestRegistry fresh;
    auto lib = Load(lcid);
    ASSERT_EQ(RegisterTypeLib(lib.Get(), L"C:\\Program Files\\Vorn\\reg.dll", L"C:\\Help"), S_OK);

    const std::wstring version = LibKey() + L"\\1.a";  // versions are written in hexadecimal
    const std::wstring locale = version + (lcid ? L"\\409" : L"\\0");
    const std::map<std::wstring, std::wstring> expected = {
        {LibKey() + L"\\", L""},
        {version + L"\\", L"SZ:Registration Test Library"},
        {locale + L"\\", L""},
        {locale + L"\\win32\\", L"SZ:C:\\Program Files\\Vorn\\reg.dll"},
        {version + L"\\FLAGS\\", L"SZ:0"},
        {version + L"\\HELPDIR\\", L"SZ:C:\\Help"},
    };
    EXPECT_EQ(Snapshot(HKEY_CLASSES_ROOT, LibKey()), expected);

    for (const GUID* iid : {&kIAuto, &kIDual}) {
      const std::wstring key = InterfaceKey(*iid);
      EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, key), *iid == kIAuto ? L"IAuto" : L"IDual");
      EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, key + L"\\ProxyStubClsid"), kPSOAInterface);
      EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, key + L"\\ProxyStubClsid32"), kPSOAInterface);
      EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, key + L"\\TypeLib"), com::GuidToString(kLibId));
      EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, key + L"\\TypeLib", L"Version"), L"1.a");
    }
    // Neither a plain v-table interface nor a coclass is registered.
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, InterfaceKey(kIPlain)));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, InterfaceKey(kThing)));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, L"CLSID\\" + com::GuidToString(kThing)));
  }
}

TEST_F(TypeLibRegistrationTest, WithoutAHelpDirectoryANewRegistrationUsesTheLibrarysFolder) {
  auto lib = Load(0);
  ASSERT_EQ(RegisterTypeLib(lib.Get(), L"C:\\Vorn\\reg.dll", nullptr), S_OK);
  EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, LibKey() + L"\\1.a\\HELPDIR"), L"C:\\Vorn");
}

TEST_F(TypeLibRegistrationTest, RegisteringTwiceLeavesTheSameEntries) {
  auto lib = Load(0x409);
  ASSERT_EQ(RegisterTypeLib(lib.Get(), L"C:\\Vorn\\reg.dll", L"C:\\Vorn"), S_OK);
  const auto once = Snapshot(HKEY_CLASSES_ROOT, L"");
  ASSERT_EQ(RegisterTypeLib(lib.Get(), L"C:\\Vorn\\reg.dll", L"C:\\Vorn"), S_OK);
  EXPECT_EQ(Snapshot(HKEY_CLASSES_ROOT, L""), once);
}

TEST_F(TypeLibRegistrationTest, UnregisteringRemovesExactlyWhatRegistrationWrote) {
  // Entries of other libraries and of another version of this one stay.
  const std::wstring otherLib = L"TypeLib\\{11111111-2222-3333-4444-666666666666}\\1.0";
  WriteString(HKEY_CLASSES_ROOT, otherLib, L"", L"Other Library");
  const std::wstring otherItf = L"Interface\\{11111111-2222-3333-4444-777777777777}";
  WriteString(HKEY_CLASSES_ROOT, otherItf, L"", L"IOther");
  WriteString(HKEY_CLASSES_ROOT, otherItf + L"\\TypeLib", L"", com::GuidToString(kLibId));
  WriteString(HKEY_CLASSES_ROOT, otherItf + L"\\TypeLib", L"Version", L"2.0");
  WriteString(HKEY_CLASSES_ROOT, LibKey() + L"\\2.0\\0\\win32", L"", L"C:\\old.dll");
  const auto before = Snapshot(HKEY_CLASSES_ROOT, L"");

  auto lib = Load(0x409);
  ASSERT_EQ(RegisterTypeLib(lib.Get(), L"C:\\Vorn\\reg.dll", L"C:\\Vorn"), S_OK);
  ASSERT_NE(Snapshot(HKEY_CLASSES_ROOT, L""), before);
  EXPECT_EQ(UnRegisterTypeLib(kLibId, 1, 10, 0x409, SYS_WIN32), S_OK);
  EXPECT_EQ(Snapshot(HKEY_CLASSES_ROOT, L""), before);

  // Without the other version, the library's key goes too.
  testing_support::TestRegistry fresh;
  auto again = Load(0);
  ASSERT_EQ(RegisterTypeLib(again.Get(), L"C:\\Vorn\\reg.dll", L"C:\\Vorn"), S_OK);
  EXPECT_EQ(UnRegisterTypeLib(kLibId, 1, 10, 0, SYS_WIN32), S_OK);
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, LibKey()));
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, InterfaceKey(kIDual)));
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, InterfaceKey(kIAuto)));
}

TEST_F(TypeLibRegistrationTest, UnregisteringWhatIsNotRegisteredChangesNothing) {
  auto lib = Load(0x409);
  ASSERT_EQ(RegisterTypeLib(lib.Get(), L"C:\\Vorn\\reg.dll", L"C:\\Vorn"), S_OK);
  const auto registered = Snapshot(HKEY_CLASSES_ROOT, L"");
  EXPECT_EQ(UnRegisterTypeLib(kLibId, 1, 11, 0x409, SYS_WIN32), TYPE_E_REGISTRYACCESS);  // other version
  EXPECT_EQ(UnRegisterTypeLib(kLibId, 1, 10, 0, SYS_WIN32), TYPE_E_REGISTRYACCESS);      // other locale
  EXPECT_EQ(UnRegisterTypeLib(kLibId, 1, 10, 0x409, SYS_WIN64), TYPE_E_REGISTRYACCESS);  // other platform
  EXPECT_EQ(UnRegisterTypeLib(kLibId, 1, 10, 0x409, static_cast<SYSKIND>(42)), E_INVALIDARG);
  EXPECT_EQ(Snapshot(HKEY_CLASSES_ROOT, L""), registered);
  ASSERT_EQ(UnRegisterTypeLib(kLibId, 1, 10, 0x409, SYS_WIN32), S_OK);
  EXPECT_EQ(UnRegisterTypeLib(kLibId, 1, 10, 0x409, SYS_WIN32), TYPE_E_REGISTRYACCESS);
}

TEST_F(TypeLibRegistrationTest, MissingArgumentsAreRefused) {
  auto lib = Load(0);
  EXPECT_EQ(RegisterTypeLib(nullptr, L"C:\\x.dll", nullptr), E_INVALIDARG);
  EXPECT_EQ(RegisterTypeLib(lib.Get(), nullptr, nullptr), E_INVALIDARG);
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, LibKey()));
}

}  // namespace
