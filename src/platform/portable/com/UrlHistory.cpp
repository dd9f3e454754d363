// The URL history store (CLSID_CUrlHistory): one history per process, shared
// by every object of the class and read by tests through
// platform/portable/system/UrlHistoryControl.h.
#include <atomic>
#include <iterator>
#include <list>
#include <mutex>
#include <new>
#include <string>
#include <unordered_map>

#include "platform/browser/UrlHist.h"
#include "platform/portable/com/BuiltInClasses.h"
#include "platform/portable/system/UrlHistoryControl.h"
#include "platform/win/WinTypes.h"

namespace {

struct Visit {
  std::wstring url;
  std::wstring title;
};

class History {
 public:
  void Add(std::wstring_view url, std::wstring_view title) {
    std::lock_guard lock(mutex_);
    auto known = index_.find(std::wstring(url));
    if (known != index_.end()) {
      known->second->title = title;
      return;
    }
    visits_.push_back(Visit{std::wstring(url), std::wstring(title)});
    index_.emplace(visits_.back().url, std::prev(visits_.end()));
  }

  bool Delete(std::wstring_view url) {
    std::lock_guard lock(mutex_);
    auto known = index_.find(std::wstring(url));
    if (known == index_.end()) return false;
    visits_.erase(known->second);
    index_.erase(known);
    return true;
  }

  bool Contains(std::wstring_view url) {
    std::lock_guard lock(mutex_);
    return index_.count(std::wstring(url)) != 0;
  }

  std::optional<std::wstring> Title(std::wstring_view url) {
    std::lock_guard lock(mutex_);
    auto known = index_.find(std::wstring(url));
    if (known == index_.end()) return std::nullopt;
    return known->second->title;
  }

  std::vector<std::wstring> Urls() {
    std::lock_guard lock(mutex_);
    std::vector<std::wstring> urls;
    urls.reserve(visits_.size());
    for (const Visit& visit : visits_) urls.push_back(visit.url);
    return urls;
  }

  // ClearHistory counts as a call of the program; Reset, the test's own emptying, does not.
  void ClearByProgram() {
    std::lock_guard lock(mutex_);
    visits_.clear();
    index_.clear();
    ++clearCalls_;
  }

  void Reset() {
    std::lock_guard lock(mutex_);
    visits_.clear();
    index_.clear();
    clearCalls_ = 0;
  }

  unsigned ClearCalls() {
    std::lock_guard lock(mutex_);
    return clearCalls_;
  }

 private:
  std::mutex mutex_;
  std::list<Visit> visits_;
  std::unordered_map<std::wstring, std::list<Visit>::iterator> index_;
  unsigned clearCalls_ = 0;
};

History& TheHistory() {
  static History history;
  return history;
}

// The caller's title, kept as given; a missing one is an empty title.
std::wstring_view TitleText(LPCOLESTR title) { return title ? std::wstring_view(title) : std::wstring_view(); }

class UrlHistoryObject final : public IUrlHistoryStg2 {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IUrlHistoryStg) &&
        !IsEqualIID(riid, IID_IUrlHistoryStg2))
      return E_NOINTERFACE;
    *ppv = static_cast<IUrlHistoryStg2*>(this);
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return refs_.fetch_add(1) + 1; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG n = refs_.fetch_sub(1) - 1;
    if (n == 0) delete this;
    return n;
  }

  HRESULT STDMETHODCALLTYPE AddUrl(LPCOLESTR pocsUrl, LPCOLESTR pocsTitle, DWORD) override {
    if (!pocsUrl) return E_INVALIDARG;
    return Guarded([&] { TheHistory().Add(pocsUrl, TitleText(pocsTitle)); });
  }

  HRESULT STDMETHODCALLTYPE DeleteUrl(LPCOLESTR pocsUrl, DWORD) override {
    if (!pocsUrl) return E_INVALIDARG;
    bool deleted = false;
    const HRESULT hr = Guarded([&] { deleted = TheHistory().Delete(pocsUrl); });
    if (FAILED(hr)) return hr;
    return deleted ? S_OK : HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
  }

  // Whether the address is known. The history keeps no visit times or flags to
  // describe it with, so a caller asking for a STATURL is told E_NOTIMPL.
  HRESULT STDMETHODCALLTYPE QueryUrl(LPCOLESTR pocsUrl, DWORD, STATURL* lpSTATURL) override {
    if (!pocsUrl) return E_INVALIDARG;
    if (lpSTATURL) return E_NOTIMPL;
    bool known = false;
    const HRESULT hr = Guarded([&] { known = TheHistory().Contains(pocsUrl); });
    if (FAILED(hr)) return hr;
    return known ? S_OK : HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
  }

  // A history without pages behind its addresses has nothing to bind to.
  HRESULT STDMETHODCALLTYPE BindToObject(LPCOLESTR, REFIID, void** ppvOut) override {
    if (ppvOut) *ppvOut = nullptr;
    return E_NOTIMPL;
  }

  // No program on this system walks the history: its enumerator is not provided.
  HRESULT STDMETHODCALLTYPE EnumUrls(IEnumSTATURL** ppEnum) override {
    if (ppEnum) *ppEnum = nullptr;
    return E_NOTIMPL;
  }

  // Nothing here shows the history, so there is no one to notify.
  HRESULT STDMETHODCALLTYPE AddUrlAndNotify(LPCOLESTR pocsUrl, LPCOLESTR pocsTitle, DWORD dwFlags, BOOL,
                                            IOleCommandTarget*, IUnknown*) override {
    return AddUrl(pocsUrl, pocsTitle, dwFlags);
  }

  HRESULT STDMETHODCALLTYPE ClearHistory() override {
    TheHistory().ClearByProgram();
    return S_OK;
  }

 private:
  ~UrlHistoryObject() = default;

  template <class Body>
  static HRESULT Guarded(Body body) {
    try {
      body();
      return S_OK;
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    }
  }

  std::atomic<ULONG> refs_{1};
};

// The class object lives as long as the process: its references count nothing.
class UrlHistoryFactory final : public IClassFactory {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IClassFactory)) return E_NOINTERFACE;
    *ppv = static_cast<IClassFactory*>(this);
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }

  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) override {
    if (!ppvObject) return E_POINTER;
    *ppvObject = nullptr;
    if (pUnkOuter) return CLASS_E_NOAGGREGATION;
    auto* object = new (std::nothrow) UrlHistoryObject();
    if (!object) return E_OUTOFMEMORY;
    const HRESULT hr = object->QueryInterface(riid, ppvObject);
    object->Release();
    return hr;
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

}  // namespace

namespace win::portable {

HRESULT GetBuiltInClassObject(REFCLSID clsid, REFIID riid, void** ppv) {
  if (!IsEqualCLSID(clsid, CLSID_CUrlHistory)) return REGDB_E_CLASSNOTREG;
  static UrlHistoryFactory factory;
  return factory.QueryInterface(riid, ppv);
}

}  // namespace win::portable

namespace win::urlhistory {

void Clear() { TheHistory().Reset(); }
void Add(std::wstring_view url, std::wstring_view title) { TheHistory().Add(url, title); }
std::vector<std::wstring> Urls() { return TheHistory().Urls(); }
std::optional<std::wstring> Title(std::wstring_view url) { return TheHistory().Title(url); }
unsigned ClearHistoryCalls() { return TheHistory().ClearCalls(); }

}  // namespace win::urlhistory
