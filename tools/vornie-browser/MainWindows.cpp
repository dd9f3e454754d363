// vornie-browser: a browser window around the stand-in browser in which both toolbar bands of the registered library show as a browser
// shows them, above the page of the address given.
//
//   vornie-browser [URL] [--picture FILE.png] [--quit-after-picture] [--observe FILE]
//
// URL is a file path, a file: address or about:blank (the default). With
// --picture the frame, children included, is saved once it has been shown
// and painted; with --quit-after-picture the program then ends instead of
// running until its window is closed. With --observe the program keeps FILE
// describing its windows (WindowObserver.h) while it runs. A band that cannot be hosted is
// reported on stderr and its row shows why. The exit code is 0 when
// everything worked, 1 (with a message) otherwise. (The portable build's
// program, MainPortable.cpp, has no display: it always takes the picture.)
#include <windows.h>

#include <cstdio>
#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "BrowserFrame.h"
#include "Session.h"
#include "WindowObserver.h"
#include "WindowPicture.h"
#include "platform/com/Text.h"

namespace {

using vornie_browser::Apartment;
using vornie_browser::BrowserFrame;
using vornie_browser::Fail;

struct Options {
  std::wstring url = L"about:blank";
  std::optional<std::wstring> picture;
  std::optional<std::wstring> observe;
  bool quitAfterPicture = false;
};

std::optional<Options> ParseOptions(const std::vector<std::wstring>& args) {
  Options options;
  bool haveUrl = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::wstring& arg = args[i];
    if (arg == L"--picture" && i + 1 < args.size()) {
      options.picture = args[++i];
    } else if (arg == L"--observe" && i + 1 < args.size()) {
      options.observe = args[++i];
    } else if (arg == L"--quit-after-picture") {
      options.quitAfterPicture = true;
    } else if (arg.rfind(L"--", 0) == 0 || haveUrl) {
      return std::nullopt;
    } else {
      options.url = arg;
      haveUrl = true;
    }
  }
  if (options.quitAfterPicture && !options.picture) return std::nullopt;
  return options;
}

// Delivers what is queued, and keeps doing so for a while: the window system
// maps, exposes and paints a new window in several rounds.
void Settle(DWORD milliseconds) {
  const DWORD start = GetTickCount();
  for (;;) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        PostQuitMessage(static_cast<int>(msg.wParam));
        return;
      }
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    const DWORD elapsed = GetTickCount() - start;
    if (elapsed >= milliseconds) return;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds - elapsed, QS_ALLINPUT);
  }
}

int Run(const Options& options) {
  Apartment apartment;
  if (FAILED(apartment.Result())) {
    Fail(L"cannot start COM: " + vornie_browser::HResultText(apartment.Result()));
    return 1;
  }
  // A group of the quick links opens its links in new browser windows: stand-ins here.
  standins::BrowserWindows newWindows;
  const auto speech = vornie_browser::StartSpeech();
  BrowserFrame frame(vornie_browser::LibraryBands(), 900, 520);
  const int code = vornie_browser::ShowPage(frame, options.url) ? 0 : 1;
  std::optional<vornie_browser::WindowObserver> observer;
  if (options.observe) observer.emplace(*options.observe, 200);
  if (options.picture) {
    Settle(700);
    RedrawWindow(frame.Window(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Settle(300);
    vornie_browser::SaveWindowPicture(frame.Window(), *options.picture);
    std::printf("%s\n", com::ToUtf8(*options.picture).c_str());
    if (options.quitAfterPicture) {
      frame.Close();
      vornie_browser::ReportNewWindows(newWindows);
      return code;
    }
  }
  MSG msg;
  BOOL got;
  while ((got = GetMessageW(&msg, nullptr, 0, 0)) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  vornie_browser::ReportNewWindows(newWindows);
  if (got < 0) {
    Fail(L"the message loop failed");
    return 1;
  }
  return code;
}

}  // namespace

int main() {
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (!argv) {
    Fail(L"cannot read the command line");
    return 1;
  }
  std::vector<std::wstring> args(argv + 1, argv + argc);
  LocalFree(argv);
  const std::optional<Options> options = ParseOptions(args);
  if (!options) {
    std::fprintf(stderr, "usage: vornie-browser [URL] [--picture FILE.png] [--quit-after-picture] [--observe FILE]\n");
    return 1;
  }
  return vornie_browser::Reported([&] { return Run(*options); });
}
