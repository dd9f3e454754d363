// vornie-browser on the portable build: the same browser frame as on Windows
// (address line, both toolbar bands of the registered library hosted by their
// class identifiers, the page of the address given), in the portable window
// system. That system has no display, so the program navigates, lets the
// windows settle, saves the frame's picture and ends.
//
//   vornie-browser [URL] --picture FILE.png
//   vornie-browser --tour DIR
//
// --tour takes a guided tour of the toolbars against an archive server served
// in this process, a picture and a log line per step in DIR (PortableTour.h).
//
// The library must be registered in the user's registry store first
// (vornie-host does that); a band that cannot be hosted is reported on stderr
// and its row shows why. The exit code is 0 when everything worked, 1 (with a
// message) otherwise.
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

#include "BrowserFrame.h"
#include "PortableTour.h"
#include "Session.h"
#include "WindowPicture.h"
#include "platform/com/Text.h"

namespace {

using vornie_browser::Apartment;
using vornie_browser::BrowserFrame;
using vornie_browser::Fail;

// Delivers what the windows have queued (painting, the band's own posts) until nothing is left.
void Settle() {
  MSG msg;
  for (int round = 0; round < 1000 && win::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE); ++round) {
    win::TranslateMessage(&msg);
    win::DispatchMessageW(&msg);
  }
}

int Run(const std::wstring& url, const std::wstring& picture) {
  Apartment apartment;
  if (FAILED(apartment.Result())) {
    Fail(L"cannot start COM: " + vornie_browser::HResultText(apartment.Result()));
    return 1;
  }
  // A group of the quick links opens its links in new browser windows: stand-ins here.
  standins::BrowserWindows newWindows;
  const auto speech = vornie_browser::StartSpeech();
  BrowserFrame frame(vornie_browser::LibraryBands(), 900, 520);
  const int code = vornie_browser::ShowPage(frame, url) ? 0 : 1;
  Settle();
  vornie_browser::SaveWindowPicture(frame.Window(), picture);
  std::printf("%s\n", com::ToUtf8(picture).c_str());
  frame.Close();
  Settle();
  vornie_browser::ReportNewWindows(newWindows);
  return code;
}

}  // namespace

int main(int argc, char** argv) {
  std::wstring url = L"about:blank";
  std::wstring picture;
  bool haveUrl = false;
  if (argc == 3 && std::strcmp(argv[1], "--tour") == 0) {
    const std::wstring dir = com::FromUtf8(argv[2]);
    return vornie_browser::Reported([&] { return vornie_browser::RunTour(dir, com::FromUtf8(VORN_SAMPLES_DIR)); });
  }
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--picture") == 0 && i + 1 < argc) {
      picture = com::FromUtf8(argv[++i]);
    } else if (argv[i][0] == '-' || haveUrl) {
      picture.clear();
      break;
    } else {
      url = com::FromUtf8(argv[i]);
      haveUrl = true;
    }
  }
  if (picture.empty()) {
    std::fprintf(stderr, "usage: vornie-browser [URL] --picture FILE.png\n       vornie-browser --tour DIR\n");
    return 1;
  }
  return vornie_browser::Reported([&] { return Run(url, picture); });
}
