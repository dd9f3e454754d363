#include "com_server/ToolbarFactoryUnit.h"

#include "platform/com/ComError.h"
#include "platform/com/Text.h"
#include "platform/win/RegKey.h"

namespace vorn {
namespace {

constexpr const wchar_t* kBrowserToolbarKey = L"SOFTWARE\\Microsoft\\Internet Explorer\\Toolbar";
constexpr const wchar_t* kCachedBarLists[] = {
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Discardable\\PostSetup\\Component Categories\\"
    L"{00021493-0000-0000-C000-000000000046}\\Enum",
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Discardable\\PostSetup\\Component Categories\\"
    L"{00021494-0000-0000-C000-000000000046}\\Enum",
};

// Opens (creating) a key; a key that cannot be opened is skipped, a value
// that cannot be written in an opened key fails the registration.
void SetIfOpened(HKEY root, const std::wstring& subKey, const std::wstring& name, const std::wstring& value) {
  win::RegKey key;
  if (key.Create(root, subKey, KEY_WRITE) != ERROR_SUCCESS) return;
  if (key.SetString(name, value) != ERROR_SUCCESS) throw com::ComError(E_FAIL, com::kRegistryEntryError);
}

}  // namespace

TStowlyToolbarFactory::TStowlyToolbarFactory(const CLSID& clsid, std::wstring libraryName, std::wstring className,
                                             std::wstring typeLibDescription, com::ObjectCreator creator,
                                             std::wstring barDescription, std::wstring catId, bool isToolbar,
                                             com::Instancing instancing, com::ThreadingModel threading)
    : com::ClassFactory(clsid, std::move(libraryName), std::move(className), std::move(typeLibDescription), creator,
                        instancing, threading),
      FBarDescription(std::move(barDescription)),
      FCatID(std::move(catId)),
      FIsToolbar(isToolbar) {}

void TStowlyToolbarFactory::UpdateRegistry(bool reg, const com::RegistrationContext& ctx) {
  com::ClassFactory::UpdateRegistry(reg, ctx);
  if (reg)
    RegisterToolbar();
  else
    UnregisterToolbar();
}

void TStowlyToolbarFactory::RegisterToolbar() {
  if (!com::EqualsNoCase(FCatID, kDeskBandCatId)) {
    for (const wchar_t* list : kCachedBarLists) win::RegDeleteTreeW(HKEY_CURRENT_USER, list);
  }
  const std::wstring clsidKey = L"CLSID\\" + ClsidString();
  SetIfOpened(HKEY_CLASSES_ROOT, clsidKey, L"", FBarDescription);
  SetIfOpened(HKEY_CLASSES_ROOT, clsidKey + L"\\InProcServer32", L"ThreadingModel", L"Apartment");
  win::RegKey category;
  category.Create(HKEY_CLASSES_ROOT, clsidKey + L"\\Implemented Categories\\" + FCatID, KEY_WRITE);
  category.Close();
  if (FIsToolbar) SetIfOpened(HKEY_LOCAL_MACHINE, kBrowserToolbarKey, ClsidString(), FBarDescription);
}

void TStowlyToolbarFactory::UnregisterToolbar() {
  if (com::EqualsNoCase(FCatID, kDeskBandCatId))
    win::RegDeleteTreeW(HKEY_CLASSES_ROOT, (std::wstring(L"Component Categories\\") + kDeskBandCatId + L"\\Enum").c_str());
  const std::wstring clsidKey = L"CLSID\\" + ClsidString();
  win::RegDeleteTreeW(HKEY_CLASSES_ROOT, (clsidKey + L"\\Implemented Categories\\" + FCatID).c_str());
  win::RegDeleteTreeW(HKEY_CLASSES_ROOT, (clsidKey + L"\\InProcServer32").c_str());
  win::RegDeleteTreeW(HKEY_CLASSES_ROOT, clsidKey.c_str());
  if (FIsToolbar) {
    win::RegKey toolbars;
    if (toolbars.Open(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Internet Explorer\\Toolbar", KEY_WRITE) ==
        ERROR_SUCCESS)
      toolbars.DeleteValue(ClsidString());
  }
}

}  // namespace vorn
