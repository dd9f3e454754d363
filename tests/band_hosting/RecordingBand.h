// Toolbar bands with forms of a test's choosing (by default one that records
// the activation news it hears), and a browser window hosting such bands.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

#include "band_hosting/IEToolBandUnit.h"
#include "type_library/VornIEGUI_TLB.h"
#include "standins/browser/BandSite.h"
#include "standins/browser/HostWindow.h"
#include "standins/browser/WebBrowser.h"

namespace band_testing {

class RecordingForm : public vorn::TIEBandForm {
 public:
  explicit RecordingForm(vorn::TIEBand* band) : TIEBandForm(band) {}

  // Set before a band is sited to make the next form's construction, or its layout, fail.
  static inline std::atomic<bool> failConstruction{false};
  static inline std::atomic<bool> failLayout{false};

  std::vector<bool> activations;
  // Called after recording; lets a test act from inside a notification.
  std::function<void(RecordingForm&)> onActivation;

  void ActivationChanged(bool active) override {
    activations.push_back(active);
    if (onActivation) onActivation(*this);
  }

 protected:
  void BuildLayout() override {
    if (failLayout) throw std::runtime_error("layout failed");
  }
  void ConstructForBand() override {
    if (failConstruction) throw std::runtime_error("descendant construction failed");
  }
};

// A toolbar band that hosts a form of class TFormClass.
template <class TFormClass>
class TestBand : public vorn::TIEToolBand {
  VORN_INTERFACE_TABLE_BEGIN(TestBand)
  VORN_IEBAND_INTERFACE_ENTRIES
  VORN_INTERFACE_TABLE_END

 public:
  static com::ComPtr<IDeskBand> New() {
    com::ComPtr<IDeskBand> band;
    if (FAILED(com::CreateComObject<TestBand>(band.ReleaseAndGetAddressOf())))
      throw std::runtime_error("band not created");
    return band;
  }

 protected:
  GUID GetBandClassID() override { return CLSID_VornIEExplorerBar; }
  std::wstring GetTitle() override { return L"Test band"; }
  vorn::TIEBandFormClass GetFormClass() override {
    return [](vorn::TIEBand* band) { return vorn::TIEBandForm::CreateForBand<TFormClass>(band); };
  }
};

template <class TFormClass = RecordingForm>
TFormClass* FormOf(IDeskBand* band) {
  return static_cast<TFormClass*>(static_cast<vorn::TIEBand*>(band)->Form());
}

// A browser frame on the calling thread with a band site and any number of
// recording bands in it. Everything is closed and released on destruction,
// on the same thread.
class BrowserWindow {
 public:
  BrowserWindow()
      : host_(L"browser", 640, 480),
        browser_(standins::WebBrowser::Create(host_.Frame())),
        site_(standins::BandSite::Create(host_.BandSiteWindow(), browser_)) {}
  ~BrowserWindow() {
    for (auto& band : bands_) band->CloseDW(0);
    bands_.clear();
  }
  BrowserWindow(const BrowserWindow&) = delete;
  BrowserWindow& operator=(const BrowserWindow&) = delete;

  // Sites a new band showing a TFormClass; null when the band refused the site.
  template <class TFormClass = RecordingForm>
  TFormClass* AddBand() {
    auto band = TestBand<TFormClass>::New();
    if (FAILED(com::QueryAs<IObjectWithSite>(band.Get())->SetSite(site_->Identity()))) return nullptr;
    bands_.push_back(band);
    return FormOf<TFormClass>(band.Get());
  }
  // Closes and releases the band at `index`, as the browser does when a toolbar is hidden.
  void CloseBand(size_t index) {
    bands_.at(index)->CloseDW(0);
    bands_.erase(bands_.begin() + static_cast<std::ptrdiff_t>(index));
  }
  // Drops the window's reference to the band at `index` without CloseDW, as a
  // host that skips closing does; the band goes with its last reference.
  void ReleaseBand(size_t index) { bands_.erase(bands_.begin() + static_cast<std::ptrdiff_t>(index)); }

  HWND Frame() const { return host_.Frame(); }

 private:
  standins::HostWindow host_;
  com::ComPtr<standins::WebBrowser> browser_;
  com::ComPtr<standins::BandSite> site_;
  std::vector<com::ComPtr<IDeskBand>> bands_;
};

}  // namespace band_testing
