// The DLL registered and unregistered by the system's own tool, regsvr32, in
// the machine's real registry (regsvr32 is another process, so no per-process
// redirection of the registry roots can stand in for it), checked entry by entry.
#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "type_library/VornIEGUITypeLib.h"
#include "platform/com/Bstr.h"
#include "platform/com/Text.h"
#include "platform/win/RegKey.h"
#include "support/TestRegistry.h"
#include "support/LibraryFacts.h"
#include "support/RegistrationChecks.h"
#include "windows/support/ProductModule.h"
#include "windows/support/RegistryCleanup.h"

namespace {

using namespace win_tests;
using namespace testing_support;
using testing_support::KeyExists;
using testing_support::ReadString;
using testing_support::Snapshot;
using testing_support::WriteString;

// Entries of someone else that share the parents the library writes into.
constexpr const wchar_t* kNeighbourClsid = L"{5E1F0A11-7E57-4C1A-9A55-00000000A1B2}";
constexpr const wchar_t* kNeighbourProgId = L"VornIEGUI.SomeoneElse";

// The shell's cached lists of vertical and horizontal explorer bars: only a
// library registering such bars drops them, and these are desk bands.
constexpr const wchar_t* kDiscardable = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Discardable";
const std::wstring kExplorerBarCaches[] = {
    std::wstring(kDiscardable) + L"\\PostSetup\\Component Categories\\{00021493-0000-0000-C000-000000000046}\\Enum",
    std::wstring(kDiscardable) + L"\\PostSetup\\Component Categories\\{00021494-0000-0000-C000-000000000046}\\Enum",
};

// regsvr32's exit code when DllRegisterServer or DllUnregisterServer fails.
constexpr DWORD kRegsvr32ServerFailed = 5;

std::string Narrow(const std::wstring& s) { return com::ToUtf8(s); }

// The folder of the type library's registration for this build's system kind.
std::wstring TypeLibPlatformKey() { return sizeof(void*) == 8 ? L"win64" : L"win32"; }

std::wstring Clsid(const ClassFacts& c) { return std::wstring(L"CLSID\\") + c.clsid; }

// A copy of the DLL in a folder of its own under %TEMP%, deleted with the folder.
class DllCopy {
 public:
  explicit DllCopy(const std::wstring& folderName) {
    wchar_t temp[MAX_PATH] = {};
    const DWORD n = GetTempPathW(MAX_PATH, temp);
    if (n == 0 || n >= MAX_PATH) return;
    folder_ = LongPathOf(temp);
    if (folder_.empty()) return;
    if (folder_.back() != L'\\') folder_ += L'\\';
    folder_ += folderName;
    path_ = folder_ + L"\\VornIEGUI.dll";
    Remove();  // a run that crashed may have left it
    if (!CreateDirectoryW(folder_.c_str(), nullptr) || !CopyFileW(ProductDllPath().c_str(), path_.c_str(), TRUE))
      path_.clear();
  }
  ~DllCopy() { Remove(); }
  DllCopy(const DllCopy&) = delete;
  DllCopy& operator=(const DllCopy&) = delete;

  const std::wstring& Path() const { return path_; }

 private:
  void Remove() {
    DeleteFileW((folder_ + L"\\VornIEGUI.dll").c_str());
    RemoveDirectoryW(folder_.c_str());
  }

  std::wstring folder_;
  std::wstring path_;
};

BOOL CALLBACK CollectLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR languages) {
  reinterpret_cast<std::vector<WORD>*>(languages)->push_back(language);
  return TRUE;
}

// Overwrites every language of resource TYPELIB 1 in a module file with bytes
// that are no type library. (Deleting the resource is no option: Wine 8.0's
// UpdateResourceW accepts a deletion and EndUpdateResourceW reports success,
// but the resource stays.)
bool DamageEmbeddedTypeLib(const std::wstring& path) {
  std::vector<WORD> languages;
  {
    HMODULE data = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!data) return false;
    EnumResourceLanguagesW(data, L"TYPELIB", MAKEINTRESOURCEW(1), &CollectLanguage,
                           reinterpret_cast<LONG_PTR>(&languages));
    FreeLibrary(data);
  }
  if (languages.empty()) return false;
  HANDLE update = BeginUpdateResourceW(path.c_str(), FALSE);
  if (!update) return false;
  static char junk[] = "this is not a type library";
  bool ok = true;
  for (WORD language : languages)
    ok = UpdateResourceW(update, L"TYPELIB", MAKEINTRESOURCEW(1), language, junk, sizeof(junk)) && ok;
  return EndUpdateResourceW(update, !ok) && ok;
}

class RealRegistrationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(FileExists(dll_)) << "the product DLL is expected beside this program: " << Narrow(dll_);
    // A clean start, whatever an interrupted run left behind.
    Regsvr32(L"/u /s", dll_);
    RemoveEveryLibraryEntry();
  }

  void TearDown() override {
    const ProcessResult r = Regsvr32(L"/u /s", dll_);
    EXPECT_TRUE(r.ran) << Narrow(r.failure);
    // Whatever a failing unregistration left must not outlive the test.
    RemoveEveryLibraryEntry();
    win::RegDeleteTreeW(HKEY_CLASSES_ROOT, (std::wstring(L"CLSID\\") + kNeighbourClsid).c_str());
    win::RegDeleteTreeW(HKEY_CLASSES_ROOT, kNeighbourProgId);
    win::RegKey toolbars;
    if (toolbars.Open(HKEY_LOCAL_MACHINE, kToolbarKey, KEY_SET_VALUE) == ERROR_SUCCESS)
      toolbars.DeleteValue(kNeighbourClsid);
  }

  static ::testing::AssertionResult Regsvr32Succeeds(const std::wstring& switches, const std::wstring& dll) {
    const ProcessResult r = Regsvr32(switches, dll);
    if (!r.ran) return ::testing::AssertionFailure() << Narrow(r.failure);
    if (r.exitCode != 0)
      return ::testing::AssertionFailure() << "regsvr32 " << Narrow(switches) << " " << Narrow(dll) << " ended with "
                                           << r.exitCode;
    return ::testing::AssertionSuccess();
  }

  static void WriteNeighbours() {
    WriteString(HKEY_CLASSES_ROOT, std::wstring(L"CLSID\\") + kNeighbourClsid + L"\\InprocServer32", L"",
                L"C:\\other\\other.dll");
    WriteString(HKEY_CLASSES_ROOT, std::wstring(kNeighbourProgId) + L"\\Clsid", L"", kNeighbourClsid);
    WriteString(HKEY_LOCAL_MACHINE, kToolbarKey, kNeighbourClsid, L"Someone Else's Bar");
    for (const auto& cache : kExplorerBarCaches) WriteString(HKEY_CURRENT_USER, cache, L"Implementor", L"cached");
  }

  // Everything the library writes, and the neighbours, as one comparable map.
  static std::map<std::wstring, std::wstring> Footprint() {
    std::map<std::wstring, std::wstring> all;
    auto add = [&](HKEY root, const wchar_t* rootName, const std::wstring& path) {
      for (auto& [k, v] : Snapshot(root, path)) all[rootName + k] = v;
    };
    for (const auto& c : kClasses) {
      add(HKEY_CLASSES_ROOT, L"HKCR\\", Clsid(c));
      add(HKEY_CLASSES_ROOT, L"HKCR\\", c.progId);
    }
    add(HKEY_CLASSES_ROOT, L"HKCR\\", std::wstring(L"TypeLib\\") + kLibId);
    for (const auto& i : kInterfaces) add(HKEY_CLASSES_ROOT, L"HKCR\\", std::wstring(L"Interface\\") + i.iid);
    add(HKEY_CLASSES_ROOT, L"HKCR\\", std::wstring(L"CLSID\\") + kNeighbourClsid);
    add(HKEY_CLASSES_ROOT, L"HKCR\\", kNeighbourProgId);
    add(HKEY_LOCAL_MACHINE, L"HKLM\\", kToolbarKey);
    add(HKEY_CURRENT_USER, L"HKCU\\", kDiscardable);
    return all;
  }

  // None of the library's entries is left.
  static void ExpectNothingOfTheLibrary() {
    for (const auto& c : kClasses) {
      SCOPED_TRACE(Narrow(c.progId));
      EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, Clsid(c)));
      EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, c.progId));
      EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kToolbarKey, c.clsid), L"<missing>");
    }
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, std::wstring(L"TypeLib\\") + kLibId))
        << "the type library's registration is left";
    for (const auto& i : kInterfaces)
      EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, std::wstring(L"Interface\\") + i.iid)) << Narrow(i.name);
  }

  // The toolbar key itself belongs to the browser; created here only if the machine lacked it.
  ScratchKey toolbarKey_{HKEY_LOCAL_MACHINE, kToolbarKey};
  ScratchKey explorerBarCaches_{HKEY_CURRENT_USER, kDiscardable};
  const std::wstring dll_ = ProductDllPath();
};

TEST_F(RealRegistrationTest, Regsvr32WritesEveryEntryOfEveryClass) {
  ASSERT_TRUE(Regsvr32Succeeds(L"/s", dll_));
  // The module's own name for itself: long path components, unless they contain a blank.
  const std::wstring longPath = LongPathOf(dll_);
  ASSERT_FALSE(longPath.empty());
  const std::wstring module = longPath.find(L' ') == std::wstring::npos ? longPath : ShortPathOf(longPath);

  for (const auto& c : kClasses) testing_support::ExpectClassRegistered(c, module);
  // COM finds each class by its ProgID through the same entries.
  for (const auto& c : kClasses) {
    CLSID clsid{};
    ASSERT_EQ(CLSIDFromProgID(c.progId, &clsid), S_OK) << Narrow(c.progId);
    wchar_t text[64] = {};
    StringFromGUID2(clsid, text, 64);
    EXPECT_EQ(std::wstring(text), c.clsid);
  }

  // The type library, registered with the module's full path and its folder as help folder.
  const std::wstring typeLib = std::wstring(L"TypeLib\\") + kLibId + L"\\1.0";
  EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, typeLib), vorn::VornIEGUITypeLibModel().helpString);
  EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, typeLib + L"\\409\\" + TypeLibPlatformKey()), longPath);
  EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, typeLib + L"\\HELPDIR"), FolderOf(longPath));
  for (const auto& i : kInterfaces) {
    SCOPED_TRACE(Narrow(i.name));
    const std::wstring key = std::wstring(L"Interface\\") + i.iid;
    EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, key), i.name);
    EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, key + L"\\TypeLib"), kLibId);
    EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, key + L"\\ProxyStubClsid32"), kUniversalMarshaler);
  }
  // COM finds the registered type library from its GUID alone.
  com::Bstr path;
  ASSERT_EQ(QueryPathOfRegTypeLib(vorn::VornIEGUITypeLibModel().libid, 1, 0, 0x409, path.ReleaseAndGetAddressOf()),
            S_OK);
  EXPECT_EQ(path.str(), longPath);
}

TEST_F(RealRegistrationTest, RegisteringTwiceLeavesTheSameEntries) {
  ASSERT_TRUE(Regsvr32Succeeds(L"/s", dll_));
  const auto once = Footprint();
  ASSERT_TRUE(Regsvr32Succeeds(L"/s", dll_));
  EXPECT_EQ(Footprint(), once);
}

TEST_F(RealRegistrationTest, UnregisteringRemovesEveryEntryAndNothingElse) {
  WriteNeighbours();
  const auto before = Footprint();
  ASSERT_TRUE(Regsvr32Succeeds(L"/s", dll_));
  ASSERT_NE(Footprint(), before);
  ASSERT_TRUE(Regsvr32Succeeds(L"/u /s", dll_));
  ExpectNothingOfTheLibrary();
  EXPECT_EQ(Footprint(), before) << "someone else's entries must survive";
  EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, std::wstring(L"CLSID\\") + kNeighbourClsid + L"\\InprocServer32"),
            L"C:\\other\\other.dll");
  EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kToolbarKey, kNeighbourClsid), L"Someone Else's Bar");
}

TEST_F(RealRegistrationTest, UnregisteringWhatWasNeverRegisteredSucceedsAndChangesNothing) {
  WriteNeighbours();
  const auto before = Footprint();
  ASSERT_TRUE(Regsvr32Succeeds(L"/u /s", dll_));
  EXPECT_EQ(Footprint(), before);
}

TEST_F(RealRegistrationTest, UnregisteringDropsTheBrowsersCachedBandList) {
  ScratchKey categories(HKEY_CLASSES_ROOT, std::wstring(L"Component Categories\\") + kDeskBandCategory);
  ASSERT_TRUE(Regsvr32Succeeds(L"/s", dll_));
  WriteString(HKEY_CLASSES_ROOT, kDeskBandCache, L"Implementor", L"cached");
  ASSERT_TRUE(Regsvr32Succeeds(L"/u /s", dll_));
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kDeskBandCache));
}

TEST_F(RealRegistrationTest, AModuleInAFolderWithABlankIsRegisteredByItsShortPath) {
  DllCopy copy(L"Vorn Test Dir");
  ASSERT_FALSE(copy.Path().empty()) << "cannot copy the DLL into the temporary folder";
  ASSERT_TRUE(Regsvr32Succeeds(L"/s", copy.Path()));

  const std::wstring shortPath = ShortPathOf(copy.Path());
  ASSERT_FALSE(shortPath.empty());
  // Wine 8.0 makes up hashed 8.3 names for long components, here
  // "...\Temp\VORN~E5T\VORN~UBO.DLL": different from the long path and without
  // a blank. Where a file system keeps no 8.3 names the system answers the
  // long path, and that is what must be registered then.
  if (shortPath != LongPathOf(copy.Path())) {
    EXPECT_EQ(shortPath.find(L' '), std::wstring::npos) << Narrow(shortPath);
  }
  for (const auto& c : kClasses)
    EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, Clsid(c) + L"\\InprocServer32"), shortPath) << Narrow(c.progId);

  ASSERT_TRUE(Regsvr32Succeeds(L"/u /s", copy.Path()));
  ExpectNothingOfTheLibrary();
}

TEST_F(RealRegistrationTest, AModuleWhoseTypeLibraryIsDamagedRefusesRegistrationAndWritesNoClass) {
  DllCopy copy(L"VornDamagedTypeLib");
  ASSERT_FALSE(copy.Path().empty()) << "cannot copy the DLL into the temporary folder";
  ASSERT_TRUE(DamageEmbeddedTypeLib(copy.Path()));
  ITypeLib* unreadable = nullptr;
  ASSERT_TRUE(FAILED(LoadTypeLibEx(copy.Path().c_str(), REGKIND_NONE, &unreadable)));

  const ProcessResult r = Regsvr32(L"/s", copy.Path());
  ASSERT_TRUE(r.ran) << Narrow(r.failure);
  EXPECT_EQ(r.exitCode, kRegsvr32ServerFailed) << "DllRegisterServer must fail";
  // The type library comes first, so its failure leaves no class entry behind.
  ExpectNothingOfTheLibrary();
  // Removing entries that are not there is no failure.
  ASSERT_TRUE(Regsvr32Succeeds(L"/u /s", copy.Path()));
}

}  // namespace
