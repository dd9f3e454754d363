// RegisterTypeLib / UnRegisterTypeLib: the entries Windows keeps under
// HKEY_CLASSES_ROOT for a registered type library and for the automation
// interfaces it describes (marshalled by the type-library marshaler).
#include <cwchar>
#include <string>
#include <vector>

#include "platform/com/ComTypes.h"
#include "platform/win/Registry.h"

namespace {

// The type-library marshaler, and the dispatch-only one for pure dispinterfaces.
constexpr const wchar_t* kPSOAInterface = L"{00020424-0000-0000-C000-000000000046}";
constexpr const wchar_t* kPSDispatch = L"{00020420-0000-0000-C000-000000000046}";

struct WalkFailed {};

class Key {
 public:
  Key() = default;
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;
  ~Key() {
    if (h_) win::RegCloseKey(h_);
  }

  LSTATUS Create(HKEY parent, const std::wstring& sub, DWORD* disposition = nullptr) {
    return win::RegCreateKeyExW(parent, sub.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE,
                                nullptr, &h_, disposition);
  }
  LSTATUS Open(HKEY parent, const std::wstring& sub, REGSAM sam = KEY_READ) {
    return win::RegOpenKeyExW(parent, sub.c_str(), 0, sam, &h_);
  }
  LSTATUS SetString(const wchar_t* name, const std::wstring& value) {
    return win::RegSetValueExW(h_, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                               static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  }
  bool GetString(const wchar_t* name, std::wstring& value) const {
    DWORD type = 0, bytes = 0;
    if (win::RegQueryValueExW(h_, name, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS) return false;
    if (type != REG_SZ && type != REG_EXPAND_SZ) return false;
    std::vector<wchar_t> buf(bytes / sizeof(wchar_t) + 1, L'\0');
    if (win::RegQueryValueExW(h_, name, nullptr, &type, reinterpret_cast<BYTE*>(buf.data()), &bytes) !=
        ERROR_SUCCESS)
      return false;
    value.assign(buf.data());
    return true;
  }
  // Every subkey's name; a walk that fails part way raises WalkFailed, lest
  // entries be left behind as if they were not there.
  std::vector<std::wstring> SubKeys() const {
    std::vector<std::wstring> names;
    for (DWORD i = 0;; ++i) {
      wchar_t name[256];
      DWORD len = 256;
      const LSTATUS status = win::RegEnumKeyExW(h_, i, name, &len, nullptr, nullptr, nullptr, nullptr);
      if (status == ERROR_NO_MORE_ITEMS) break;
      if (status != ERROR_SUCCESS) throw WalkFailed{};
      names.emplace_back(name, len);
    }
    return names;
  }
  HKEY Get() const { return h_; }

 private:
  HKEY h_ = nullptr;
};

std::wstring GuidText(REFGUID guid) {
  OLECHAR buf[40] = {};
  StringFromGUID2(guid, buf, 40);
  return buf;
}

std::wstring Hex(unsigned value) {
  wchar_t buf[16];
  std::swprintf(buf, 16, L"%x", value);
  return buf;
}

std::wstring VersionText(WORD major, WORD minor) { return Hex(major) + L"." + Hex(minor); }

std::wstring TypeLibKey(REFGUID libid, WORD major, WORD minor) {
  return L"TypeLib\\" + GuidText(libid) + L"\\" + VersionText(major, minor);
}

const wchar_t* SysKindName(SYSKIND syskind) {
  switch (syskind) {
    case SYS_WIN16: return L"win16";
    case SYS_WIN32: return L"win32";
    case SYS_WIN64: return L"win64";
    default: return nullptr;
  }
}

bool SameText(const std::wstring& a, const std::wstring& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    wchar_t x = a[i], y = b[i];
    if (x >= L'a' && x <= L'z') x = static_cast<wchar_t>(x - 32);
    if (y >= L'a' && y <= L'z') y = static_cast<wchar_t>(y - 32);
    if (x != y) return false;
  }
  return true;
}

class BstrHolder {
 public:
  ~BstrHolder() { SysFreeString(b_); }
  BSTR* Out() { return &b_; }
  std::wstring Str() const { return b_ ? std::wstring(b_, SysStringLen(b_)) : std::wstring(); }
  explicit operator bool() const { return b_ != nullptr; }

 private:
  BSTR b_ = nullptr;
};

// Interface\{iid}: name, marshaler and owning library of one automation interface.
bool RegisterInterface(const TYPEATTR& attr, const std::wstring& name, const TLIBATTR& lib) {
  const bool dispatchOnly = attr.typekind == TKIND_DISPATCH && !(attr.wTypeFlags & TYPEFLAG_FDUAL);
  const std::wstring proxy = dispatchOnly ? kPSDispatch : kPSOAInterface;
  Key key;
  if (key.Create(HKEY_CLASSES_ROOT, L"Interface\\" + GuidText(attr.guid)) != ERROR_SUCCESS) return false;
  bool ok = key.SetString(nullptr, name) == ERROR_SUCCESS;
  for (const wchar_t* sub : {L"ProxyStubClsid", L"ProxyStubClsid32"}) {
    Key k;
    ok = ok && k.Create(key.Get(), sub) == ERROR_SUCCESS && k.SetString(nullptr, proxy) == ERROR_SUCCESS;
  }
  Key tl;
  ok = ok && tl.Create(key.Get(), L"TypeLib") == ERROR_SUCCESS &&
       tl.SetString(nullptr, GuidText(lib.guid)) == ERROR_SUCCESS &&
       tl.SetString(L"Version", VersionText(lib.wMajorVerNum, lib.wMinorVerNum)) == ERROR_SUCCESS;
  return ok;
}

bool RegisterInterfaces(ITypeLib* ptlib, const TLIBATTR& lib) {
  bool ok = true;
  const UINT count = ptlib->GetTypeInfoCount();
  for (UINT i = 0; i < count; ++i) {
    TYPEKIND kind;
    if (FAILED(ptlib->GetTypeInfoType(i, &kind)) || (kind != TKIND_INTERFACE && kind != TKIND_DISPATCH)) continue;
    ITypeInfo* info = nullptr;
    if (FAILED(ptlib->GetTypeInfo(i, &info)) || !info) continue;
    TYPEATTR* attr = nullptr;
    if (SUCCEEDED(info->GetTypeAttr(&attr)) && attr) {
      const bool automation = kind == TKIND_DISPATCH ||
                              (attr->wTypeFlags & (TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FDUAL)) != 0;
      BstrHolder name;
      ptlib->GetDocumentation(static_cast<INT>(i), name.Out(), nullptr, nullptr, nullptr);
      if (automation && !RegisterInterface(*attr, name.Str(), lib)) ok = false;
      info->ReleaseTypeAttr(attr);
    }
    info->Release();
  }
  return ok;
}

// Removes Interface\{iid} of every interface registered as belonging to this library version.
void UnregisterInterfaces(const std::wstring& libid, const std::wstring& version) {
  Key interfaces;
  if (interfaces.Open(HKEY_CLASSES_ROOT, L"Interface") != ERROR_SUCCESS) return;
  for (const std::wstring& iid : interfaces.SubKeys()) {
    std::wstring owner, ownerVersion;
    {
      Key tl;
      if (tl.Open(interfaces.Get(), iid + L"\\TypeLib") != ERROR_SUCCESS) continue;
      if (!tl.GetString(nullptr, owner) || !SameText(owner, libid)) continue;
      if (!tl.GetString(L"Version", ownerVersion) || ownerVersion != version) continue;
    }
    Key itf;
    if (itf.Open(interfaces.Get(), iid, KEY_READ | KEY_WRITE) != ERROR_SUCCESS) continue;
    for (const wchar_t* sub : {L"ProxyStubClsid", L"ProxyStubClsid32", L"TypeLib"}) win::RegDeleteKeyW(itf.Get(), sub);
    win::RegDeleteKeyW(interfaces.Get(), iid.c_str());
  }
}

}  // namespace

HRESULT RegisterTypeLib(ITypeLib* ptlib, LPCOLESTR szFullPath, LPCOLESTR szHelpDir) {
  if (!ptlib || !szFullPath) return E_INVALIDARG;
  TLIBATTR* attr = nullptr;
  if (FAILED(ptlib->GetLibAttr(&attr)) || !attr) return E_FAIL;
  HRESULT res = S_OK;
  try {
    const wchar_t* sys = SysKindName(attr->syskind);
    BstrHolder doc;
    Key key;
    DWORD disposition = 0;
    if (!sys || FAILED(ptlib->GetDocumentation(-1, nullptr, doc.Out(), nullptr, nullptr))) {
      res = E_FAIL;
    } else if (key.Create(HKEY_CLASSES_ROOT, TypeLibKey(attr->guid, attr->wMajorVerNum, attr->wMinorVerNum)) !=
               ERROR_SUCCESS) {
      res = TYPE_E_REGISTRYACCESS;
    } else {
      const std::wstring fullPath = szFullPath;
      Key path, flags, helpDir;
      bool ok = key.SetString(nullptr, doc.Str()) == ERROR_SUCCESS;
      ok = ok && path.Create(key.Get(), Hex(attr->lcid) + L"\\" + sys) == ERROR_SUCCESS &&
           path.SetString(nullptr, fullPath) == ERROR_SUCCESS;
      // The disk-image flag describes the loaded copy, not the library.
      ok = ok && flags.Create(key.Get(), L"FLAGS") == ERROR_SUCCESS &&
           flags.SetString(nullptr, std::to_wstring(attr->wLibFlags & ~LIBFLAG_FHASDISKIMAGE)) == ERROR_SUCCESS;
      ok = ok && helpDir.Create(key.Get(), L"HELPDIR", &disposition) == ERROR_SUCCESS;
      if (ok) {
        if (szHelpDir) {
          ok = helpDir.SetString(nullptr, szHelpDir) == ERROR_SUCCESS;
        } else if (disposition == REG_CREATED_NEW_KEY) {
          // Without a help directory a new registration points at the library's own folder.
          const auto cut = fullPath.find_last_of(L"\\/");
          ok = helpDir.SetString(nullptr, cut == std::wstring::npos ? std::wstring() : fullPath.substr(0, cut)) ==
               ERROR_SUCCESS;
        }
      }
      if (!ok) res = TYPE_E_REGISTRYACCESS;
    }
    if (SUCCEEDED(res) && !RegisterInterfaces(ptlib, *attr)) res = TYPE_E_REGISTRYACCESS;
  } catch (...) {
    res = E_OUTOFMEMORY;
  }
  ptlib->ReleaseTLibAttr(attr);
  return res;
}

HRESULT UnRegisterTypeLib(REFGUID libID, WORD wVerMajor, WORD wVerMinor, LCID lcid, SYSKIND syskind) {
  const wchar_t* sys = SysKindName(syskind);
  if (!sys) return E_INVALIDARG;
  try {
    const std::wstring libKey = L"TypeLib\\" + GuidText(libID);
    const std::wstring version = VersionText(wVerMajor, wVerMinor);
    const std::wstring lcidKey = Hex(lcid);
    // A version, locale or platform that was never registered is a bad argument, as on Windows.
    Key key;
    if (key.Open(HKEY_CLASSES_ROOT, libKey + L"\\" + version, KEY_READ | KEY_WRITE) != ERROR_SUCCESS)
      return E_INVALIDARG;
    {
      Key path;
      if (path.Open(key.Get(), lcidKey + L"\\" + sys) != ERROR_SUCCESS) return E_INVALIDARG;
    }
    UnregisterInterfaces(GuidText(libID), version);

    win::RegDeleteKeyW(key.Get(), (lcidKey + L"\\" + sys).c_str());
    win::RegDeleteKeyW(key.Get(), lcidKey.c_str());  // stays while other platforms are registered
    // The version's own entries go only when no other locale remains.
    for (const std::wstring& sub : key.SubKeys())
      if (!SameText(sub, L"FLAGS") && !SameText(sub, L"HELPDIR")) return S_OK;
    win::RegDeleteKeyW(key.Get(), L"FLAGS");
    win::RegDeleteKeyW(key.Get(), L"HELPDIR");
    win::RegDeleteKeyW(HKEY_CLASSES_ROOT, (libKey + L"\\" + version).c_str());
    win::RegDeleteKeyW(HKEY_CLASSES_ROOT, libKey.c_str());  // stays while other versions are registered
    return S_OK;
  } catch (const WalkFailed&) {
    return TYPE_E_REGISTRYACCESS;
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}
