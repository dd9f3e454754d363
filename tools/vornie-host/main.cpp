// vornie-host: the library's main job on built-in defaults. Registers the
// product module in the current user's registry store the way regsvr32
// does, shows the entries it wrote, and hosts the main toolbar band in a
// stand-in band site of a stand-in browser window.
//
//   vornie-host [MODULE] [--unregister]
//
// Every failure is reported on stderr with what failed, where and why, and
// makes the exit code 1: a module that cannot be loaded, a registry store that
// cannot be used (a file that is not a store, a store in a missing folder), an
// entry point that fails, a store failure meanwhile even when the entry point
// answered S_OK, and output that cannot be written.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "platform/browser/BandInterfaces.h"
#include "platform/com/ComPtr.h"
#include "platform/com/GuidString.h"
#include "platform/com/Text.h"
#include "platform/win/Module.h"
#include "platform/win/RegKey.h"
#include "platform/win/Window.h"
#include "standins/browser/BandSite.h"
#include "standins/browser/HostWindow.h"
#include "standins/browser/WebBrowser.h"

namespace {

constexpr const wchar_t* kMainToolbarProgId = L"VornIEGUI.VornIEExplorerBar";
constexpr const wchar_t* kProgIds[] = {L"VornIEGUI.VornIEExplorerBar", L"VornIEGUI.VornOffUtils",
                                       L"VornIEGUI.VornBHOGUI", L"VornIEGUI.BriselQLToolbar"};

void Print(const std::wstring& text) { std::printf("%s\n", com::ToUtf8(text).c_str()); }

void Fail(const std::wstring& text) { std::fprintf(stderr, "vornie-host: %s\n", com::ToUtf8(text).c_str()); }

// A registry status with the store's own reason where it keeps one.
std::wstring RegistryStatusText(LSTATUS status) {
  std::wstring text = L"registry error " + std::to_wstring(status);
  if (const std::string reason = win::RegistryFailureReason(status); !reason.empty())
    text += L": " + com::FromUtf8(reason);
  return text;
}

// Output that never arrived is a failure too (a full disk, a closed pipe).
int FinishOutput(int code) {
  errno = 0;
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    Fail(L"cannot write the output: " + com::FromUtf8(errno ? std::strerror(errno) : "write error"));
    return 1;
  }
  return code;
}

std::wstring Hex(HRESULT hr) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%08X", static_cast<unsigned>(hr));
  return com::FromUtf8(buf);
}

void DumpKey(HKEY root, const std::wstring& rootName, const std::wstring& path, int depth = 0) {
  win::RegKey key;
  if (const LSTATUS status = key.Open(root, path); status == ERROR_FILE_NOT_FOUND) {
    Print(std::wstring(depth * 2, L' ') + rootName + L"\\" + path + L"  (missing)");
    return;
  } else if (status != ERROR_SUCCESS) {
    throw win::RegistryError(status, com::ToUtf8(rootName + L"\\" + path) + ": " + com::ToUtf8(RegistryStatusText(status)));
  }
  Print(std::wstring(depth * 2, L' ') + rootName + L"\\" + path);
  for (const auto& name : key.ValueNames()) {
    const auto text = key.GetString(name);
    const auto number = key.GetDword(name);
    std::wstring shown = text ? L"\"" + *text + L"\"" : number ? std::to_wstring(*number) : L"(binary)";
    Print(std::wstring(depth * 2 + 2, L' ') + (name.empty() ? L"@" : name) + L" = " + shown);
  }
  for (const auto& sub : key.SubKeyNames()) DumpKey(root, rootName, path + L"\\" + sub, depth + 1);
}

HRESULT CallEntry(HMODULE module, const char* name) {
  using Entry = HRESULT (*)();
  // Through the generic function pointer type: an exported entry has no one signature.
  auto entry = reinterpret_cast<Entry>(reinterpret_cast<void (*)()>(win::GetProcAddress(module, name)));
  return entry ? entry() : E_NOTIMPL;
}

int HostBand() {
  standins::HostWindow frame(L"Stand-in browser", 800, 600);
  auto browser = standins::WebBrowser::Create(frame.Frame());
  browser->SetLocation(L"about:blank", L"Blank page");
  auto site = standins::BandSite::Create(frame.BandSiteWindow(), browser);

  CLSID clsid{};
  if (HRESULT hr = CLSIDFromProgID(kMainToolbarProgId, &clsid); FAILED(hr)) {
    Fail(std::wstring(L"the ProgID ") + kMainToolbarProgId + L" is not registered: " + Hex(hr));
    return 1;
  }
  com::ComPtr<IDeskBand> band;
  HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDeskBand, band.PutVoid());
  Print(L"CoCreateInstance(" + com::GuidToString(clsid) + L") = " + Hex(hr));
  if (FAILED(hr)) {
    Fail(L"cannot create the main toolbar band " + com::GuidToString(clsid) + L": " + Hex(hr));
    return 1;
  }

  auto withSite = band.As<IObjectWithSite>();
  hr = withSite->SetSite(site->Identity());
  Print(L"SetSite = " + Hex(hr));
  if (FAILED(hr)) {
    Fail(L"the band refused its site: " + Hex(hr));
    return 1;
  }

  DESKBANDINFO info{};
  info.dwMask = DBIM_MINSIZE | DBIM_MAXSIZE | DBIM_INTEGRAL | DBIM_ACTUAL | DBIM_TITLE | DBIM_MODEFLAGS;
  band->GetBandInfo(1, DBIF_VIEWMODE_NORMAL, &info);
  Print(L"Band title \"" + std::wstring(info.wszTitle) + L"\", min " + std::to_wstring(info.ptMinSize.x) + L"x" +
        std::to_wstring(info.ptMinSize.y) + L", max " + std::to_wstring(info.ptMaxSize.x) + L"x" +
        std::to_wstring(info.ptMaxSize.y) + L", actual " + std::to_wstring(info.ptActual.x) + L"x" +
        std::to_wstring(info.ptActual.y));

  HWND bandWindow = nullptr;
  band->GetWindow(&bandWindow);
  band->ShowDW(TRUE);
  Print(std::wstring(L"Band window shown: ") + (win::IsWindowVisible(bandWindow) ? L"yes" : L"no") +
        L", child of the site: " + (win::GetParent(bandWindow) == frame.BandSiteWindow() ? L"yes" : L"no"));

  auto input = band.As<IInputObject>();
  input->UIActivateIO(TRUE, nullptr);
  Print(std::wstring(L"After UIActivateIO: HasFocusIO = ") + (input->HasFocusIO() == S_OK ? L"S_OK" : L"S_FALSE") +
        L", focus reports to the site: " + std::to_wstring(site->FocusChanges().size()));

  band->CloseDW(0);
  withSite->SetSite(nullptr);
  Print(std::wstring(L"Band closed; its window is gone: ") + (win::IsWindow(bandWindow) ? L"no" : L"yes"));
  return 0;
}

int Run(int argc, char** argv) {
  static const int anchor = 0;
  std::wstring modulePath = win::PathBesideModule(&anchor, com::FromUtf8(VORN_MODULE_PATH));
  bool unregister = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--unregister") == 0)
      unregister = true;
    else
      modulePath = com::FromUtf8(argv[i]);
  }
  const std::wstring entryName = unregister ? L"DllUnregisterServer" : L"DllRegisterServer";

  // A store that cannot be used is reported before anything is attempted: the
  // entry points swallow registry failures (deleting what cannot be read
  // counts as nothing to delete), so their answer alone would not tell.
  {
    win::RegKey probe;
    if (const LSTATUS status = probe.Open(HKEY_CURRENT_USER, L""); status != ERROR_SUCCESS) {
      Fail(L"cannot use the registry: " + RegistryStatusText(status));
      return 1;
    }
  }

  CoInitialize(nullptr);
  HMODULE module = win::LoadLibraryW(modulePath.c_str());
  if (!module) {
    std::error_code error;
    const bool there = std::filesystem::is_regular_file(std::filesystem::path(com::ToUtf8(modulePath)), error);
    Fail(L"cannot load " + modulePath + (there ? L": not a loadable module" : L": no such file"));
    return 1;
  }
  const HRESULT hr = CallEntry(module, unregister ? "DllUnregisterServer" : "DllRegisterServer");
  Print(entryName + L"(" + modulePath + L") = " + Hex(hr));
  const std::string storeFailure = win::LastRegistryFailure();
  if (FAILED(hr) || !storeFailure.empty()) {
    std::wstring why = FAILED(hr) ? L"failed with " + Hex(hr) : L"answered " + Hex(hr) + L" but the registry failed";
    Fail(entryName + L"(" + modulePath + L") " + why +
         (storeFailure.empty() ? std::wstring() : L": " + com::FromUtf8(storeFailure)));
    return 1;
  }
  if (unregister) return 0;

  Print(L"");
  Print(L"Registry entries:");
  for (const wchar_t* progId : kProgIds) {
    DumpKey(HKEY_CLASSES_ROOT, L"HKCR", progId);
    CLSID clsid{};
    if (SUCCEEDED(CLSIDFromProgID(progId, &clsid)))
      DumpKey(HKEY_CLASSES_ROOT, L"HKCR", L"CLSID\\" + com::GuidToString(clsid));
  }
  DumpKey(HKEY_LOCAL_MACHINE, L"HKLM", L"SOFTWARE\\Microsoft\\Internet Explorer\\Toolbar");

  Print(L"");
  Print(L"Hosting the main toolbar band:");
  const int result = HostBand();
  CoFreeUnusedLibraries();
  win::FreeLibrary(module);
  CoUninitialize();
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return FinishOutput(Run(argc, argv));
  } catch (const win::RegistryError& e) {
    Fail(L"reading the registry entries: " + com::FromUtf8(e.what()));
  } catch (const std::exception& e) {
    Fail(com::FromUtf8(e.what()));
  }
  FinishOutput(1);
  return 1;
}
