// What both builds' vornie-browser programs do the same way: COM for the
// window thread, a frame with both toolbar bands showing a page, and the
// problems reported on stderr.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "BrowserFrame.h"
#include "platform/com/ComTypes.h"
#include "standins/browser/BrowserWindows.h"
#include "standins/speech/SpeechComponent.h"

namespace vornie_browser {

// COM for the thread, as a browser's window thread has it.
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

// "vornie-browser: text" on stderr.
void Fail(const std::wstring& text);

// The program's exit code: run's, or 1 after reporting an error it raised or
// output that could not be written.
int Reported(const std::function<int()>& run);

// The bands the frame hosts: both toolbars of the library, by class identifier.
const std::vector<BandClass>& LibraryBands();

// "new window: URL" on stdout for every address a toolbar opened in a new
// browser window (the program serves new windows with stand-ins).
void ReportNewWindows(const standins::BrowserWindows& windows);

// The speech component the main toolbar reads selections aloud with, served by
// this program, its recordings in SpeechComponent::DefaultFolder(); "speech:
// ..." on stderr and none when it cannot start (the
// toolbar then has no speech, as on a machine without the component).
std::unique_ptr<standins::SpeechComponent> StartSpeech();

// Shows the frame and navigates it to url. Each band that could not be hosted
// and a page that could not be loaded are reported; true when none was.
bool ShowPage(BrowserFrame& frame, const std::wstring& url);

}  // namespace vornie_browser
