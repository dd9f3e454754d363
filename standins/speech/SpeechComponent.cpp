#include "standins/speech/SpeechComponent.h"

#include <cstdlib>

#include "platform/com/Boundary.h"
#include "platform/com/ComError.h"
#include "platform/com/ComObject.h"
#include "platform/speech/ZRTTS_TLB.h"

namespace standins {
namespace {

struct VoiceNameFailure {
  HRESULT hr = S_OK;
  int after = 0;
};

// The component's default voice: English where the engine has it, else its first.
std::size_t DefaultVoice(const std::vector<std::wstring>& voices) {
  for (std::size_t i = 0; i < voices.size(); ++i)
    if (voices[i].rfind(L"English", 0) == 0) return i;
  return 0;
}

class Talker : public com::ComObject<vorn::ITalker> {
  VORN_INTERFACE_TABLE_BEGIN(Talker)
  VORN_ENTRY(IDispatch)
  VORN_ENTRY(vorn::ITalker)
  VORN_INTERFACE_TABLE_END

 public:
  Talker(std::shared_ptr<SpeechWorker> worker, std::shared_ptr<VoiceNameFailure> failure)
      : worker_(std::move(worker)), failure_(std::move(failure)), voice_(DefaultVoice(worker_->Voices())) {}

  HRESULT STDMETHODCALLTYPE Speak(LONG AWindow, BSTR AText) override {
    return com::Boundary(com::MayFail, [&] {
      worker_->Speak(voice_, AWindow, AText ? std::wstring(AText, SysStringLen(AText)) : std::wstring());
    });
  }
  HRESULT STDMETHODCALLTYPE Stop(LONG AWindow) override {
    return com::Boundary(com::MayFail, [&] { worker_->Stop(AWindow); });
  }
  HRESULT STDMETHODCALLTYPE GetVoiceCount(LONG* ACount) override {
    if (!ACount) return E_POINTER;
    *ACount = static_cast<LONG>(worker_->Voices().size());
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetVoiceName(LONG AIndex, BSTR* AName) override {
    if (!AName) return E_POINTER;
    *AName = nullptr;
    if (FAILED(failure_->hr)) {
      if (failure_->after <= 0) return failure_->hr;
      --failure_->after;
    }
    if (AIndex < 0 || static_cast<std::size_t>(AIndex) >= worker_->Voices().size()) return E_INVALIDARG;
    *AName = SysAllocString(worker_->Voices()[static_cast<std::size_t>(AIndex)].c_str());
    return *AName ? S_OK : E_OUTOFMEMORY;
  }
  HRESULT STDMETHODCALLTYPE SelectVoice(LONG AIndex) override {
    if (AIndex < 0 || static_cast<std::size_t>(AIndex) >= worker_->Voices().size()) return E_INVALIDARG;
    voice_ = static_cast<std::size_t>(AIndex);
    return S_OK;
  }

  // Callers bind early; a late-bound caller is told so.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* pctinfo) override {
    if (!pctinfo) return E_POINTER;
    *pctinfo = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo) override {
    if (ppTInfo) *ppTInfo = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return E_NOTIMPL;
  }

 private:
  std::shared_ptr<SpeechWorker> worker_;
  std::shared_ptr<VoiceNameFailure> failure_;
  std::size_t voice_;
};

}  // namespace

class SpeechComponent::Factory : public com::ComObject<IClassFactory> {
  VORN_INTERFACE_TABLE_BEGIN(Factory)
  VORN_ENTRY(IClassFactory)
  VORN_INTERFACE_TABLE_END

 public:
  explicit Factory(std::shared_ptr<SpeechWorker> worker) : worker_(std::move(worker)) {}

  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    return com::CreateObject<Talker>(riid, ppv, worker_, failure_);
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

  std::shared_ptr<SpeechWorker> worker_;
  std::shared_ptr<VoiceNameFailure> failure_ = std::make_shared<VoiceNameFailure>();
};

SpeechComponent::SpeechComponent(const std::filesystem::path& folder)
    : worker_(std::make_shared<SpeechWorker>(MakeSynthesizer(), folder)), factory_(new Factory(worker_)) {
  const HRESULT hr = CoRegisterClassObject(vorn::CLSID_CoTalker, factory_->Identity(), CLSCTX_INPROC_SERVER,
                                           REGCLS_MULTIPLEUSE, &cookie_);
  if (FAILED(hr)) throw com::ComError(hr, L"cannot serve the speech component");
}

SpeechComponent::~SpeechComponent() {
  if (cookie_) CoRevokeClassObject(cookie_);
}

void SpeechComponent::FailVoiceNames(HRESULT hr, int after) {
  factory_->failure_->hr = hr;
  factory_->failure_->after = after;
}

std::filesystem::path SpeechComponent::DefaultFolder() {
  if (const char* named = std::getenv("VORNIE_SPEECH_DIR"); named && *named) return named;
  if (const char* local = std::getenv("LOCALAPPDATA"); local && *local)
    return std::filesystem::path(local) / "vornie" / "speech";
  if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data)
    return std::filesystem::path(data) / "vornie" / "speech";
  if (const char* home = std::getenv("HOME"); home && *home)
    return std::filesystem::path(home) / ".local" / "share" / "vornie" / "speech";
  return std::filesystem::temp_directory_path() / "vornie-speech";
}

}  // namespace standins
