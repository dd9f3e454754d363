// vornie-browser on the portable build: the same browser frame as on Windows
// (address line, both toolbar bands of the registered library hosted by their
// class identifiers, the page of the address given), in the portable window
// system. That system has no display, so the program navigates, lets the
// windows settle, saves the frame's picture and ends.
//
//   vornie-browser [URL] --picture FILE.png
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
#include "WindowPicture.h"
#include "platform/com/Text.h"
#include "type_library/VornIEGUI_TLB.h"

namespace {

using vornie_browser::BrowserFrame;

void Fail(const std::wstring& text) { std::fprintf(stderr, "vornie-browser: %s\n", com::ToUtf8(text).c_str()); }

// Delivers what the windows have queued (painting, the band's own posts) until nothing is left.
void Settle() {
  MSG msg;
  for (int round = 0; round < 1000 && win::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE); ++round) {
    win::TranslateMessage(&msg);
    win::DispatchMessageW(&msg);
  }
}

class Apartment {
 public:
  Apartment() : hr_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~Apartment() {
    if (SUCCEEDED(hr_)) CoUninitialize();
  }
  Apartment(const Apartment&) = delete;
  Apartment& operator=(const Apartment&) = delete;
  HRESULT Result() const { return hr_; }

 private:
  HRESULT hr_;
};

int Run(const std::wstring& url, const std::wstring& picture) {
  Apartment apartment;
  if (FAILED(apartment.Result())) {
    Fail(L"cannot start COM: " + vornie_browser::HResultText(apartment.Result()));
    return 1;
  }
  BrowserFrame frame({{CLSID_VornIEExplorerBar, L"VornIEExplorerBar"}, {CLSID_BriselQLToolbar, L"BriselQLToolbar"}},
                     900, 520);
  int code = 0;
  for (const auto& band : frame.Bands()) {
    if (!band->Hosted()) {
      Fail(band->Failure());
      code = 1;
    }
  }
  frame.Show(SW_SHOWNORMAL);
  if (HRESULT hr = frame.Navigate(url); FAILED(hr)) {
    Fail(L"cannot navigate to " + url + L": " + vornie_browser::HResultText(hr));
    code = 1;
  } else if (const auto& navs = frame.Browser().Navigations(); !navs.empty() && !navs.back().loadError.empty()) {
    Fail(L"cannot load " + url + L": " + navs.back().loadError);
    code = 1;
  }
  Settle();
  vornie_browser::SaveWindowPicture(frame.Window(), picture);
  std::printf("%s\n", com::ToUtf8(picture).c_str());
  frame.Close();
  Settle();
  return code;
}

}  // namespace

int main(int argc, char** argv) {
  std::wstring url = L"about:blank";
  std::wstring picture;
  bool haveUrl = false;
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
    std::fprintf(stderr, "usage: vornie-browser [URL] --picture FILE.png\n");
    return 1;
  }
  try {
    const int code = Run(url, picture);
    if (std::fflush(stdout) != 0) {
      Fail(L"cannot write the output");
      return 1;
    }
    return code;
  } catch (const std::exception& e) {
    Fail(com::FromUtf8(e.what()));
    return 1;
  }
}
