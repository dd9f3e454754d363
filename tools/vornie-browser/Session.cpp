#include "Session.h"

#include <cstdio>
#include <exception>

#include "platform/com/Text.h"
#include "type_library/VornIEGUI_TLB.h"

namespace vornie_browser {

void Fail(const std::wstring& text) { std::fprintf(stderr, "vornie-browser: %s\n", com::ToUtf8(text).c_str()); }

int Reported(const std::function<int()>& run) {
  try {
    const int code = run();
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

const std::vector<BandClass>& LibraryBands() {
  static const std::vector<BandClass> bands{{CLSID_VornIEExplorerBar, L"VornIEExplorerBar"},
                                            {CLSID_BriselQLToolbar, L"BriselQLToolbar"}};
  return bands;
}

bool ShowPage(BrowserFrame& frame, const std::wstring& url) {
  bool fine = true;
  for (const auto& band : frame.Bands()) {
    if (!band->Hosted()) {
      Fail(band->Failure());
      fine = false;
    }
  }
  frame.Show(SW_SHOWNORMAL);
  if (HRESULT hr = frame.Navigate(url); FAILED(hr)) {
    Fail(L"cannot navigate to " + url + L": " + HResultText(hr));
    fine = false;
  } else if (const auto& navs = frame.Browser().Navigations(); !navs.empty() && !navs.back().loadError.empty()) {
    Fail(L"cannot load " + url + L": " + navs.back().loadError);
    fine = false;
  }
  return fine;
}

std::unique_ptr<standins::SpeechComponent> StartSpeech() {
  try {
    return std::make_unique<standins::SpeechComponent>();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "vornie-browser: speech: %s\n", e.what());
    return nullptr;
  }
}

void ReportNewWindows(const standins::BrowserWindows& windows) {
  for (const auto& window : windows.Created())
    for (const auto& navigation : window->Navigations())
      std::printf("new window: %s\n", com::ToUtf8(navigation.url).c_str());
  std::fflush(stdout);
}

}  // namespace vornie_browser
