// New browser windows, as a program gets them from the system's browser
// application (CoCreateInstance of CLSID_InternetExplorer): while a
// BrowserWindows lives, this process serves that class itself (a class object
// registered for local-server activation), each creation a stand-in browser
// window of its own, kept here with what it was asked to do (navigations,
// visibility). The system's own registration of the class is not touched.
#pragma once

#include <vector>

#include "platform/com/ComPtr.h"
#include "platform/com/ComTypes.h"
#include "standins/browser/WebBrowser.h"

namespace standins {

class BrowserWindows {
 public:
  // Registers the class object; com::ComError when the system refuses.
  BrowserWindows();
  // Revokes it; the windows made stay alive as long as someone holds them.
  ~BrowserWindows();
  BrowserWindows(const BrowserWindows&) = delete;
  BrowserWindows& operator=(const BrowserWindows&) = delete;

  // Every window made, in the order of creation.
  const std::vector<com::ComPtr<WebBrowser>>& Created() const;
  // Failure injection: from now on creations fail with hr, once `after` more
  // have succeeded; S_OK makes them succeed again.
  void FailCreations(HRESULT hr, int after = 0);

 private:
  class Factory;
  com::ComPtr<Factory> factory_;
  DWORD cookie_ = 0;
};

}  // namespace standins
