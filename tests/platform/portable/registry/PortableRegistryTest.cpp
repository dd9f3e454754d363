// What the portable registry store adds to or leaves out of the Windows
// behaviour pinned in tests/platform/win: the class store as a part of the
// user's hive, the exact HKEY_LOCAL_MACHINE switch, store switches, value
// order, and the arguments Windows leaves undefined. Every test runs on a
// fresh in-memory store.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/portable/registry/RegistryControl.h"
#include "platform/win/Registry.h"
#include "support/RegistryKeys.h"

namespace {

// No test in this program may reach the user's own registry store, whether or
// not it asks for a private one.
class InMemoryRegistryEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    setenv("VORNIE_REGISTRY", ":memory:", 1);
    win::registry::Reset();
  }
};
[[maybe_unused]] auto* const g_registryEnvironment =
    ::testing::AddGlobalTestEnvironment(new InMemoryRegistryEnvironment);

class PortableRegistryTest : public ::testing::Test, protected testing_support::RegistryKeys {
 protected:
  void TearDown() override { CloseKeys(); }

  static std::wstring ReadString(HKEY key, const wchar_t* name) {
    wchar_t buffer[64] = {};
    DWORD size = sizeof buffer - sizeof(wchar_t);
    DWORD type = 0;
    if (win::RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS)
      return L"<missing>";
    return buffer;
  }
  win::registry::ScopedMemoryStore store_;
};

// ------------------------------------------------------------------ roots

TEST_F(PortableRegistryTest, ClassesRootIsTheUsersSoftwareClasses) {
  HKEY viaRoot = Create(HKEY_CLASSES_ROOT, L"CLSID\\{1}\\InprocServer32");
  const std::wstring path = L"/lib/x.so";
  ASSERT_EQ(win::RegSetValueExW(viaRoot, L"", 0, REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                                static_cast<DWORD>((path.size() + 1) * sizeof(wchar_t))),
            ERROR_SUCCESS);
  HKEY viaUser = Create(HKEY_CURRENT_USER, L"Software\\Classes\\CLSID\\{1}\\InprocServer32", KEY_READ);
  EXPECT_EQ(ReadString(viaUser, L""), path);

  ASSERT_EQ(SetDword(Create(HKEY_CURRENT_USER, L"Software\\Classes\\.ext"), L"back", 2), ERROR_SUCCESS);
  DWORD size = 0;
  EXPECT_EQ(win::RegQueryValueExW(Create(HKEY_CLASSES_ROOT, L".EXT", KEY_READ), L"back", nullptr, nullptr, nullptr,
                                  &size),
            ERROR_SUCCESS);
  EXPECT_FALSE(Exists(HKEY_LOCAL_MACHINE, L"Software\\Classes\\.ext")) << "the machine hive is separate";
}

TEST_F(PortableRegistryTest, ClassesRootComesBackAfterTheUsersClassesWereDeleted) {
  Create(HKEY_CLASSES_ROOT, L"Old");
  ASSERT_EQ(win::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software"), ERROR_SUCCESS);
  EXPECT_FALSE(Exists(HKEY_CLASSES_ROOT, L"Old"));
  wchar_t name[8];
  DWORD chars = 8;
  EXPECT_EQ(win::RegEnumKeyExW(HKEY_CLASSES_ROOT, 0, name, &chars, nullptr, nullptr, nullptr, nullptr),
            ERROR_NO_MORE_ITEMS);
  DWORD size = 0;
  EXPECT_EQ(win::RegQueryValueExW(HKEY_CLASSES_ROOT, L"", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
  Create(HKEY_CLASSES_ROOT, L"New");
  EXPECT_TRUE(Exists(HKEY_CURRENT_USER, L"Software\\Classes\\New"));
}

TEST_F(PortableRegistryTest, NoRootCanBeDeletedAndRootsTheStoreLacksAreInvalid) {
  for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_CLASSES_ROOT}) {
    EXPECT_EQ(win::RegDeleteKeyW(root, L""), ERROR_ACCESS_DENIED);
    EXPECT_EQ(win::RegDeleteKeyW(root, nullptr), ERROR_INVALID_PARAMETER);
  }
  EXPECT_TRUE(Exists(HKEY_CURRENT_USER, L""));
  const HKEY currentConfig = reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000005));  // HKEY_CURRENT_CONFIG
  for (HKEY missing : {HKEY_USERS, currentConfig}) {
    HKEY h = nullptr;
    EXPECT_EQ(win::RegCreateKeyExW(missing, L"x", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr),
              ERROR_INVALID_HANDLE);
    EXPECT_EQ(win::RegOpenKeyExW(missing, L"", 0, KEY_READ, &h), ERROR_INVALID_HANDLE);
    EXPECT_EQ(SetDword(missing, L"v", 1), ERROR_INVALID_HANDLE);
  }
}

// -------------------------------------------- what Windows leaves undefined

TEST_F(PortableRegistryTest, MissingOutputPointersAndUnsupportedOptionsAreRefused) {
  // Windows does not say what these do (Wine crashes on them); the store refuses them.
  EXPECT_EQ(win::RegCreateKeyExW(HKEY_CURRENT_USER, L"X", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, nullptr, nullptr),
            ERROR_INVALID_PARAMETER);
  HKEY key = Create(HKEY_CURRENT_USER, L"Software\\Enum");
  Create(key, L"Sub");
  wchar_t name[8];
  DWORD chars = 8;
  EXPECT_EQ(win::RegEnumKeyExW(key, 0, nullptr, &chars, nullptr, nullptr, nullptr, nullptr), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(win::RegEnumKeyExW(key, 0, name, nullptr, nullptr, nullptr, nullptr, nullptr), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(win::RegEnumValueW(key, 0, nullptr, &chars, nullptr, nullptr, nullptr, nullptr), ERROR_INVALID_PARAMETER);
  DWORD reserved = 0;
  EXPECT_EQ(win::RegEnumKeyExW(key, 0, name, &chars, &reserved, nullptr, nullptr, nullptr), ERROR_INVALID_PARAMETER);

  // The store has no symbolic links (REG_OPTION_CREATE_LINK) and no other options.
  HKEY h = nullptr;
  for (DWORD options : {0x2u, 0x4u, 0x100u}) {
    EXPECT_EQ(win::RegCreateKeyExW(HKEY_CURRENT_USER, L"X", 0, nullptr, options, KEY_ALL_ACCESS, nullptr, &h, nullptr),
              ERROR_INVALID_PARAMETER)
        << options;
  }
  EXPECT_FALSE(Exists(HKEY_CURRENT_USER, L"X"));
  // Volatile keys are kept like any other.
  Create(HKEY_CURRENT_USER, L"Software\\Volatile");
  EXPECT_EQ(win::RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Volatile\\V", 0, nullptr, 0x1, KEY_ALL_ACCESS, nullptr,
                                 &h, nullptr),
            ERROR_SUCCESS);
  Keep(h);
}

// ----------------------------------------------------------------- values

TEST_F(PortableRegistryTest, ValuesEnumerateInCreationOrderAndKeepTheirPlaceWhenChanged) {
  // Windows documents no order for values. Windows itself lists them in the
  // order they were made, and so does the store; Wine sorts them.
  HKEY key = Create(HKEY_CURRENT_USER, L"Software\\ValueOrder");
  for (const wchar_t* name : {L"zeta", L"alpha", L"", L"Mid"}) ASSERT_EQ(SetDword(key, name, 1), ERROR_SUCCESS);
  ASSERT_EQ(SetDword(key, L"ALPHA", 2), ERROR_SUCCESS);
  EXPECT_EQ(ValueNames(key), (std::vector<std::wstring>{L"zeta", L"alpha", L"", L"Mid"}));
  ASSERT_EQ(win::RegDeleteValueW(key, L"zeta"), ERROR_SUCCESS);
  ASSERT_EQ(SetDword(key, L"zeta", 3), ERROR_SUCCESS);
  EXPECT_EQ(ValueNames(key), (std::vector<std::wstring>{L"alpha", L"", L"Mid", L"zeta"})) << "made again, so last";
}

TEST_F(PortableRegistryTest, StringDataThatIsNotTextIsKeptAsItsBytes) {
  // A wide character that is no Unicode scalar value has no UTF-8 form; the
  // store keeps such data as bytes so that it still reads back unchanged.
  HKEY key = Create(HKEY_CURRENT_USER, L"Software\\NotText");
  const std::vector<wchar_t> odd = {L'a', static_cast<wchar_t>(0xD800), static_cast<wchar_t>(0x110000), L'\0'};
  const auto* bytes = reinterpret_cast<const BYTE*>(odd.data());
  const DWORD size = static_cast<DWORD>(odd.size() * sizeof(wchar_t));
  ASSERT_EQ(win::RegSetValueExW(key, L"odd", 0, REG_SZ, bytes, size), ERROR_SUCCESS);
  std::vector<BYTE> back(size + 8, 0xCC);
  DWORD got = static_cast<DWORD>(back.size());
  DWORD type = 0;
  ASSERT_EQ(win::RegQueryValueExW(key, L"odd", nullptr, &type, back.data(), &got), ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  back.resize(got);
  EXPECT_EQ(back, std::vector<BYTE>(bytes, bytes + size));
}

// ------------------------------------------------------------------ handles

TEST_F(PortableRegistryTest, SwitchingTheStoreInvalidatesOpenHandles) {
  HKEY key = Create(HKEY_CURRENT_USER, L"Software\\Before");
  win::registry::UseMemoryStore();
  EXPECT_EQ(SetDword(key, L"v", 1), ERROR_INVALID_HANDLE);
  EXPECT_FALSE(Exists(HKEY_CURRENT_USER, L"Software\\Before")) << "the new store starts empty";
  ForgetKeys();  // all of them went with the store
}

// ------------------------------------------ HKEY_LOCAL_MACHINE without rights

TEST_F(PortableRegistryTest, TheMachineSwitchGovernsEveryHandleIntoTheMachineHive) {
  HKEY writable = Create(HKEY_LOCAL_MACHINE, L"Software\\Vorn\\Sub");
  ASSERT_EQ(SetDword(writable, L"kept", 1), ERROR_SUCCESS);
  win::registry::SetMachineWritable(false);
  ASSERT_FALSE(win::registry::IsMachineWritable());

  // Unlike a handle on Windows, which keeps the rights it was opened with, a
  // handle opened before the switch obeys it.
  EXPECT_EQ(SetDword(writable, L"new", 1), ERROR_ACCESS_DENIED);
  EXPECT_EQ(win::RegDeleteValueW(writable, L"kept"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(win::RegDeleteTreeW(writable, nullptr), ERROR_ACCESS_DENIED);
  // Creating and deleting keys is refused as by Windows' access lists (Wine
  // lets both through), whatever the handle.
  HKEY h = nullptr;
  EXPECT_EQ(win::RegCreateKeyExW(writable, L"New", 0, nullptr, 0, KEY_READ, nullptr, &h, nullptr),
            ERROR_ACCESS_DENIED);
  EXPECT_EQ(win::RegDeleteKeyW(HKEY_LOCAL_MACHINE, L"Software\\Vorn\\Sub"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(win::RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Software\\Vorn"), ERROR_ACCESS_DENIED);
  EXPECT_TRUE(Exists(HKEY_LOCAL_MACHINE, L"Software\\Vorn\\Sub"));
  EXPECT_FALSE(Exists(HKEY_LOCAL_MACHINE, L"Software\\Vorn\\Sub\\New"));
  // A handle asking for more than reading is refused, as MAXIMUM_ALLOWED gets reading only.
  EXPECT_EQ(win::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software", 0, KEY_SET_VALUE, &h), ERROR_ACCESS_DENIED);
  ASSERT_EQ(win::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software", 0, 0x02000000 /* MAXIMUM_ALLOWED */, &h),
            ERROR_SUCCESS);
  Keep(h);
  EXPECT_EQ(SetDword(h, L"v", 1), ERROR_ACCESS_DENIED);

  win::registry::SetMachineWritable(true);
  EXPECT_EQ(SetDword(writable, L"new", 1), ERROR_SUCCESS) << "and obeys it when it is lifted";
  win::registry::SetMachineWritable(false);
  win::registry::Reset();
  EXPECT_TRUE(win::registry::IsMachineWritable()) << "Reset makes the machine hive writable again";
  ForgetKeys();
}

}  // namespace
