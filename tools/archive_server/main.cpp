// vornie-archive-server: the archive application's stand-in in a process of
// its own (Windows only), so that the library's calls on IGUIServer and the
// server's events cross a process boundary as they do with the application.
//
// It registers the server's type library for the current user (the universal
// marshaler builds its proxies from it), puts a stand-in server with the
// sample archive into the running-object table under CLSID_GUIServer, prints
// "ready <process id> <thread id>" and serves calls from its message loop.
// Changes made through IGUIServer (ratings, switches) are announced to the
// advised sinks; WM_APP posted to the printed thread fires any event (see
// kFireEventMessage). It ends on WM_QUIT posted to that thread, or when its
// hidden window is closed (as `taskkill` without /f does), after telling its
// sinks OnQuit; or when it is killed.
//
//   vornie-archive-server [--archive-page PAGE]... [--quick-groups GROUPS LINKS]
//                         [--log-calls] [--announce]
//
// --archive-page: PAGE (a path or an address, as the stand-in browser is
// given it) is in the archive too, with its picture (the page drawn at
// 640 x 480 and shrunk to a quarter by the page utilities' picture code), so
// that a browser showing it shows an archived page and the card shows its
// picture. The first page has comments and a rating; the pages given are one
// site: each one's domain links are all of them. --quick-groups: the quick
// links are GROUPS visible groups of LINKS links each instead of the sample's.
// --log-calls: every call the server receives is printed as "call TEXT" once
// it has been answered. --announce: once ready, message 0x500 goes to every
// top-level window, as the application posts it when it starts, so that
// browsers already running reconnect their toolbars.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/com/ComTypes.h"
#include "platform/com/Text.h"
#include "platform/win/Window.h"
#include "platform/app_server/ZRStowly_TLB.h"
#include "sample_archive/SampleArchive.h"
#include "standins/app_server/ArchiveServer.h"

namespace {

// The type library is resource TYPELIB 2 of this program.
std::wstring TypeLibraryPath() {
  wchar_t path[MAX_PATH] = {};
  const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return {};
  return std::wstring(path, n) + L"\\2";
}

// The per-user registration functions are missing from the mingw-w64
// headers; oleaut32 has them since Vista.
using RegisterForUserFn = HRESULT(WINAPI*)(ITypeLib*, OLECHAR*, OLECHAR*);
using UnregisterForUserFn = HRESULT(WINAPI*)(REFGUID, WORD, WORD, LCID, SYSKIND);

template <class Fn>
Fn OleAutomationFunction(const char* name) {
  HMODULE oleaut = GetModuleHandleW(L"oleaut32.dll");
  FARPROC proc = oleaut ? GetProcAddress(oleaut, name) : nullptr;
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(proc));
}

// Per user where the system allows it, so that no administrator rights are needed.
HRESULT RegisterTypeLibrary(const std::wstring& path) {
  ITypeLib* library = nullptr;
  HRESULT hr = LoadTypeLibEx(path.c_str(), REGKIND_NONE, &library);
  if (FAILED(hr)) return hr;
  std::wstring fullPath = path;
  if (auto forUser = OleAutomationFunction<RegisterForUserFn>("RegisterTypeLibForUser"))
    hr = forUser(library, fullPath.data(), nullptr);
  else
    hr = RegisterTypeLib(library, fullPath.data(), nullptr);
  library->Release();
  return hr;
}

void UnregisterTypeLibrary() {
  const SYSKIND kind = sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32;
  if (auto forUser = OleAutomationFunction<UnregisterForUserFn>("UnRegisterTypeLibForUser"))
    forUser(vorn::LIBID_ZRStowly, 1, 0, LOCALE_NEUTRAL, kind);
  else
    UnRegisterTypeLib(vorn::LIBID_ZRStowly, 1, 0, LOCALE_NEUTRAL, kind);
}

// A thread message that makes the server fire an event: wParam is the event's
// DISPID (201 to 208), lParam the document ID for OnDocumentDataChange or the
// value for OnFFSettingsChange and OnFFLogin.
constexpr UINT kFireEventMessage = WM_APP;

void FireEvent(standins::ArchiveServer& server, DISPID id, LONG value) {
  HRESULT hr = E_INVALIDARG;
  switch (id) {
    case vorn::DISPID_OnQuit: hr = server.FireQuit(); break;
    case vorn::DISPID_OnRefreshHighlight: hr = server.FireRefreshHighlight(); break;
    case vorn::DISPID_OnDocumentDataChange: hr = server.FireDocumentDataChange(value); break;
    case vorn::DISPID_OnSettingsChange: hr = server.FireSettingsChange(); break;
    case vorn::DISPID_OnFunctionalityChange: hr = server.FireFunctionalityChange(); break;
    case vorn::DISPID_OnQuickGroupChange: hr = server.FireQuickGroupChange(); break;
    case vorn::DISPID_OnFFSettingsChange: hr = server.FireFFSettingsChange(value); break;
    case vorn::DISPID_OnFFLogin: hr = server.FireFFLogin(value != 0); break;
    default: break;
  }
  std::printf("fired %ld: 0x%08lX\n", static_cast<long>(id), static_cast<unsigned long>(hr));
  std::fflush(stdout);
}

// The application's message that makes browser threads reconnect.
constexpr UINT kReconnectMessage = 0x500;

// A hidden top-level window: closing it ends the server the orderly way.
LRESULT CALLBACK ControlWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CLOSE) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

HWND CreateControlWindow() {
  WNDCLASSW wc = {};
  wc.lpfnWndProc = ControlWindowProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"vornie-archive-server";
  if (!RegisterClassW(&wc)) return nullptr;
  return CreateWindowExW(0, wc.lpszClassName, L"vornie-archive-server", WS_OVERLAPPED, 0, 0, 0, 0, nullptr, nullptr,
                         wc.hInstance, nullptr);
}

// Message 0x500 to every top-level window, one by one: under Wine a post to
// HWND_BROADCAST did not reach the browsers' windows.
BOOL CALLBACK PostReconnect(HWND window, LPARAM) {
  PostMessageW(window, kReconnectMessage, 0, 0);
  return TRUE;
}

void AnnounceStart() { EnumWindows(PostReconnect, 0); }

// Prints the calls recorded since `printed`.
void PrintCalls(const standins::ArchiveServer& server, std::size_t& printed) {
  const auto& calls = server.Calls();
  for (; printed < calls.size(); ++printed) std::printf("call %s\n", com::ToUtf8(calls[printed].Text()).c_str());
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::wstring> archivedPages;
  int quickGroups = -1, quickLinks = 0;
  bool logCalls = false, announce = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--archive-page" && i + 1 < argc) {
      archivedPages.push_back(com::FromUtf8(argv[++i]));
    } else if (arg == "--quick-groups" && i + 2 < argc && std::atoi(argv[i + 1]) >= 0 && std::atoi(argv[i + 2]) >= 0) {
      quickGroups = std::atoi(argv[++i]);
      quickLinks = std::atoi(argv[++i]);
    } else if (arg == "--log-calls") {
      logCalls = true;
    } else if (arg == "--announce") {
      announce = true;
    } else {
      std::fprintf(stderr,
                   "usage: vornie-archive-server [--archive-page PAGE]... [--quick-groups GROUPS LINKS] [--log-calls] "
                   "[--announce]\n");
      return 1;
    }
  }
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
    std::fprintf(stderr, "COM cannot be initialised\n");
    return 1;
  }
  int exitCode = 0;
  {
    const std::wstring library = TypeLibraryPath();
    if (HRESULT hr = RegisterTypeLibrary(library); FAILED(hr)) {
      std::fprintf(stderr, "cannot register the type library: 0x%08lX\n", static_cast<unsigned long>(hr));
      exitCode = 2;
    } else {
      auto server = standins::ArchiveServer::CreateWithSampleArchive();
      vornie_tools::ArchivePages(*server.Get(), archivedPages);
      if (quickGroups >= 0) server->SetQuickGroups(vornie_tools::QuickGroups(quickGroups, quickLinks));
      // As the application does: a changed rating or switch is announced to every sink.
      server->SetAnnounceChanges(true);
      if (HRESULT hr = server->Register(); FAILED(hr)) {
        std::fprintf(stderr, "cannot enter the running-object table: 0x%08lX\n", static_cast<unsigned long>(hr));
        exitCode = 3;
      } else {
        std::printf("ready %lu %lu\n", static_cast<unsigned long>(GetCurrentProcessId()),
                    static_cast<unsigned long>(win::GetCurrentThreadId()));
        std::fflush(stdout);
        const HWND control = CreateControlWindow();
        if (announce) AnnounceStart();
        std::size_t printed = server->Calls().size();
        MSG msg;
        while (win::GetMessageW(&msg, nullptr, 0, 0) > 0) {
          if (!msg.hwnd && msg.message == kFireEventMessage)
            FireEvent(*server.Get(), static_cast<DISPID>(msg.wParam), static_cast<LONG>(msg.lParam));
          else
            win::DispatchMessageW(&msg);
          if (logCalls) PrintCalls(*server.Get(), printed);
        }
        if (control) DestroyWindow(control);
        // Clients still holding proxies see the server go away.
        server->FireQuit();
        CoDisconnectObject(server->Identity(), 0);
        server->Revoke();
      }
      UnregisterTypeLibrary();
    }
  }
  CoUninitialize();
  return exitCode;
}
