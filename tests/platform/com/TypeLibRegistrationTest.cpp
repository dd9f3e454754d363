// RegisterTypeLib / UnRegisterTypeLib write and remove exactly what Windows
// keeps for a type library and its automation interfaces.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>

#include "platform/com/ComPtr.h"
#include "platform/com/GuidString.h"
#include "platform/com/TypeLibrary.h"
#include "support/ModelTypeLib.h"
#include "support/Platform.h"
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
// The library is compiled for the pointer size of this program; the path's key is named after it.
constexpr SYSKIND kSysKind = sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32;
constexpr SYSKIND kOtherSysKind = sizeof(void*) == 8 ? SYS_WIN32 : SYS_WIN64;
constexpr const wchar_t* kPlatformKey = sizeof(void*) == 8 ? L"win64" : L"win32";

com::TypeLibModel Model(LCID lcid) {
  com::TypeLibModel m;
  m.name = L"RegLib";
  m.libid = kLibId;
  m.majorVersion = 1;
  m.minorVersion = 10;
  m.lcid = lcid;
  m.syskind = kSysKind;
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
  // The library for the model; Path() is the file that holds it (on Windows
  // a real one: unregistering reads the library back from where it was registered).
  ITypeLib* Load(LCID lcid) {
    model_ = Model(lcid);
    file_ = std::make_unique<testing_support::ModelTypeLibFile>(model_, L"C:\\Program Files\\Vorn\\reg.dll");
    EXPECT_EQ(file_->Status(), S_OK);
    return file_->Lib();
  }
  const std::wstring& Path() const { return file_->Path(); }
  std::wstring Folder() const { return Path().substr(0, Path().find_last_of(L'\\')); }
  // The registration functions take the SDK's non-const string pointers.
  static LPOLESTR Arg(const std::wstring& s) { return const_cast<LPOLESTR>(s.c_str()); }

  // What registration wrote under the library's key. Wine 8 also writes the
  // loader's own "has a disk image" bit into FLAGS, which Windows leaves out.
  static std::map<std::wstring, std::wstring> LibraryEntries() {
    auto entries = Snapshot(HKEY_CLASSES_ROOT, LibKey());
    const std::wstring flags = LibKey() + L"\\1.a\\FLAGS\\";
    if (testing_support::RunningUnderWine() && entries[flags] == L"SZ:" + std::to_wstring(LIBFLAG_FHASDISKIMAGE))
      entries[flags] = L"SZ:0";
    return entries;
  }

  testing_support::TestRegistry registry_;
  com::TypeLibModel model_;
  std::unique_ptr<testing_support::ModelTypeLibFile> file_;
};

TEST_F(TypeLibRegistrationTest, WritesTheLibraryAndItsAutomationInterfaces) {
  // The path subkey is named by the library's locale, in hexadecimal.
  for (LCID lcid : {0u, 0x409u}) {
    testing_support::TestRegistry fresh;
    ITypeLib* lib = Load(lcid);
    ASSERT_EQ(RegisterTypeLib(lib, Arg(Path()), Arg(L"C:\\Help")), S_OK);

    const std::wstring version = LibKey() + L"\\1.a";  // versions are written in hexadecimal
    const std::wstring locale = version + (lcid ? L"\\409" : L"\\0");
    const std::map<std::wstring, std::wstring> expected = {
        {LibKey() + L"\\", L""},
        {version + L"\\", L"SZ:Registration Test Library"},
        {locale + L"\\", L""},
        {locale + L"\\" + kPlatformKey + L"\\", L"SZ:" + Path()},
        {version + L"\\FLAGS\\", L"SZ:0"},
        {version + L"\\HELPDIR\\", L"SZ:C:\\Help"},
    };
    EXPECT_EQ(LibraryEntries(), expected);

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
  ITypeLib* lib = Load(0);
  ASSERT_EQ(RegisterTypeLib(lib, Arg(Path()), nullptr), S_OK);
  EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, LibKey() + L"\\1.a\\HELPDIR"), Folder());
}

TEST_F(TypeLibRegistrationTest, RegisteringTwiceLeavesTheSameEntries) {
  ITypeLib* lib = Load(0x409);
  ASSERT_EQ(RegisterTypeLib(lib, Arg(Path()), Arg(Folder())), S_OK);
  const auto once = Snapshot(HKEY_CLASSES_ROOT, L"");
  ASSERT_EQ(RegisterTypeLib(lib, Arg(Path()), Arg(Folder())), S_OK);
  EXPECT_EQ(Snapshot(HKEY_CLASSES_ROOT, L""), once);
}

TEST_F(TypeLibRegistrationTest, UnregisteringRemovesExactlyWhatRegistrationWrote) {
  // Loaded first: on Windows loading may register the standard library it
  // refers to, which is no part of what this library's registration writes.
  ITypeLib* lib = Load(0x409);
  // Entries of other libraries and of another version of this one stay.
  const std::wstring otherLib = L"TypeLib\\{11111111-2222-3333-4444-666666666666}\\1.0";
  WriteString(HKEY_CLASSES_ROOT, otherLib, L"", L"Other Library");
  const std::wstring otherItf = L"Interface\\{11111111-2222-3333-4444-777777777777}";
  WriteString(HKEY_CLASSES_ROOT, otherItf, L"", L"IOther");
  WriteString(HKEY_CLASSES_ROOT, otherItf + L"\\TypeLib", L"", com::GuidToString(kLibId));
  WriteString(HKEY_CLASSES_ROOT, otherItf + L"\\TypeLib", L"Version", L"2.0");
  WriteString(HKEY_CLASSES_ROOT, LibKey() + L"\\2.0\\0\\" + kPlatformKey, L"", L"C:\\old.dll");
  const auto before = Snapshot(HKEY_CLASSES_ROOT, L"");

  ASSERT_EQ(RegisterTypeLib(lib, Arg(Path()), Arg(Folder())), S_OK);
  ASSERT_NE(Snapshot(HKEY_CLASSES_ROOT, L""), before);
  EXPECT_EQ(UnRegisterTypeLib(kLibId, 1, 10, 0x409, kSysKind), S_OK);
  EXPECT_EQ(Snapshot(HKEY_CLASSES_ROOT, L""), before);

  // Without the other version, the library's key goes too.
  testing_support::TestRegistry fresh;
  ITypeLib* again = Load(0);
  ASSERT_EQ(RegisterTypeLib(again, Arg(Path()), Arg(Folder())), S_OK);
  EXPECT_EQ(UnRegisterTypeLib(kLibId, 1, 10, 0, kSysKind), S_OK);
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, LibKey()));
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, InterfaceKey(kIDual)));
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, InterfaceKey(kIAuto)));
}

TEST_F(TypeLibRegistrationTest, UnregisteringWhatIsNotRegisteredChangesNothing) {
  ITypeLib* lib = Load(0x409);
  ASSERT_EQ(RegisterTypeLib(lib, Arg(Path()), Arg(Folder())), S_OK);
  const auto registered = Snapshot(HKEY_CLASSES_ROOT, L"");
  // Windows answers a registration it does not have as a bad argument.
  EXPECT_EQ(UnRegisterTypeLib(kLibId, 1, 11, 0x409, kSysKind), E_INVALIDARG);       // other version
  EXPECT_EQ(UnRegisterTypeLib(kLibId, 1, 10, 0, kSysKind), E_INVALIDARG);           // other locale
  EXPECT_EQ(UnRegisterTypeLib(kLibId, 1, 10, 0x409, kOtherSysKind), E_INVALIDARG);  // other platform
  EXPECT_EQ(UnRegisterTypeLib(kLibId, 1, 10, 0x409, static_cast<SYSKIND>(42)), E_INVALIDARG);
  EXPECT_EQ(Snapshot(HKEY_CLASSES_ROOT, L""), registered);
  ASSERT_EQ(UnRegisterTypeLib(kLibId, 1, 10, 0x409, kSysKind), S_OK);
  EXPECT_EQ(UnRegisterTypeLib(kLibId, 1, 10, 0x409, kSysKind), E_INVALIDARG);
}

TEST_F(TypeLibRegistrationTest, MissingArgumentsAreRefused) {
  ITypeLib* lib = Load(0);
  EXPECT_EQ(RegisterTypeLib(nullptr, Arg(Path()), nullptr), E_INVALIDARG);
  EXPECT_EQ(RegisterTypeLib(lib, nullptr, nullptr), E_INVALIDARG);
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, LibKey()));
}

}  // namespace
