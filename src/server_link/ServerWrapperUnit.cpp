#include "server_link/ServerWrapperUnit.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#include "type_library/VornIEGUI_TLB.h"
#include "platform/browser/LateBound.h"
#include "platform/com/Bstr.h"
#include "platform/com/ComError.h"
#include "platform/com/SafeArray.h"
#include "platform/com/Variant.h"

namespace vorn {

thread_local TServerWrapper* ServerWrapper = nullptr;
thread_local HHOOK ReconnectHook = nullptr;

namespace {

std::atomic<com::ObjectCreator> PageUtilitiesCreator{nullptr};

VARIANT_BOOL AutomationBool(bool value) { return value ? VARIANT_TRUE : VARIANT_FALSE; }

}  // namespace

// Keeps a wrapper alive while one of its calls is on the stack.
class TWrapperBusy {
 public:
  explicit TWrapperBusy(TServerWrapper* wrapper) : FWrapper(wrapper) { ++FWrapper->FBusy; }
  ~TWrapperBusy() {
    if (--FWrapper->FBusy == 0 && FWrapper->FOrphaned) delete FWrapper;
  }
  TWrapperBusy(const TWrapperBusy&) = delete;
  TWrapperBusy& operator=(const TWrapperBusy&) = delete;

 private:
  TServerWrapper* FWrapper;
};

// ------------------------------------------------------------------ life and connection

TServerWrapper::TServerWrapper() : FEvents(std::make_unique<TZRStowlyIGUIServerEvents>(nullptr)) {
  FEvents->OnQuit = [this](TZRStowlyIGUIServerEvents*) { ServerLost(); };
  FEvents->OnDocumentDataChange = [this](TZRStowlyIGUIServerEvents*, LONG id, VARIANT_BOOL present,
                                         const std::wstring& comments, LONG status, LONG rating) {
    EventDocumentDataChange(id, present, comments, status, rating);
  };
  FEvents->OnSettingsChange = [this](TZRStowlyIGUIServerEvents* sender) {
    TWrapperBusy busy(this);
    EachForm([&](TStowlyIEToolBandForm* form) { form->SettingsChange(sender); });
  };
  FEvents->OnFunctionalityChange = [this](TZRStowlyIGUIServerEvents* sender) {
    TWrapperBusy busy(this);
    EachForm([&](TStowlyIEToolBandForm* form) { form->FunctionalityChange(sender); });
  };
  FEvents->OnQuickGroupChange = [this](TZRStowlyIGUIServerEvents* sender) {
    TWrapperBusy busy(this);
    EachForm([&](TStowlyIEToolBandForm* form) { form->QuickGroupChange(sender); });
  };
  FHook = win::SetWindowsHookExA(WH_GETMESSAGE, &ReconnectHookProc, nullptr, win::GetCurrentThreadId());
  ReconnectHook = FHook;
  try {
    Connect();
  } catch (...) {
    // The destructor does not run for a constructor that throws: undo here.
    if (FHook) win::UnhookWindowsHookEx(FHook);
    if (ReconnectHook == FHook) ReconnectHook = nullptr;
    Disconnect();
    CoDisconnectObject(static_cast<IDispatch*>(FEvents.get()), 0);
    throw;
  }
}

TServerWrapper::~TServerWrapper() {
  if (FHook) win::UnhookWindowsHookEx(FHook);
  if (ReconnectHook == FHook) ReconnectHook = nullptr;
  Disconnect();
  // Whatever the server still holds of the sink is cut before the sink goes.
  CoDisconnectObject(static_cast<IDispatch*>(FEvents.get()), 0);
}

void TServerWrapper::FreeWhenIdle() {
  if (FBusy > 0)
    FOrphaned = true;
  else
    delete this;
}

void TServerWrapper::Connect() {
  TWrapperBusy busy(this);
  Disconnect();
  FServer = GetRunningServer();
  if (!FServer) return;
  FEvents->Connect(FServer.Get());
  EachForm([&](TStowlyIEToolBandForm* form) { form->ServerConnected(this); });
}

void TServerWrapper::Disconnect() {
  if (!FServer) return;
  try {
    FEvents->Disconnect();
  } catch (...) {
  }
  FServer.Reset();
}

void TServerWrapper::ServerLost() {
  TWrapperBusy busy(this);
  EachForm([&](TStowlyIEToolBandForm* form) {
    try {
      form->ServerDisconnected(this);
    } catch (...) {
      // One form's trouble does not keep the others from hearing of it.
    }
  });
  Disconnect();
}

com::ComPtr<IGUIServer> TServerWrapper::GetRunningServer() {
  com::ComPtr<IGUIServer> server;
  try {
    com::ComPtr<IUnknown> active;
    if (FAILED(GetActiveObject(CLSID_GUIServer, nullptr, active.ReleaseAndGetAddressOf())) || !active) return {};
    if (FAILED(active->QueryInterface(IID_IGUIServer, server.PutVoid()))) server.Reset();
  } catch (...) {
    server.Reset();
  }
  return server;
}

// ------------------------------------------------------------------ forms

void TServerWrapper::RegisterForm(TStowlyIEToolBandForm* form) {
  for (auto& slot : FForms) {
    if (!slot) {
      slot = form;
      return;
    }
  }
  FForms.push_back(form);
}

void TServerWrapper::UnregisterForm(TStowlyIEToolBandForm* form) {
  for (auto& slot : FForms) {
    if (slot == form) {
      slot = nullptr;
      return;
    }
  }
}

bool TServerWrapper::HasForm(const TStowlyIEToolBandForm* form) const {
  return std::find(FForms.begin(), FForms.end(), form) != FForms.end();
}

int TServerWrapper::FormCount() const {
  int count = 0;
  for (const auto* slot : FForms) count += slot != nullptr;
  return count;
}

template <class Notify>
void TServerWrapper::EachForm(Notify&& notify) {
  // The slots present at the start; a form leaving meanwhile blanks its slot.
  const size_t slots = FForms.size();
  for (size_t i = 0; i < slots && i < FForms.size(); ++i)
    if (TStowlyIEToolBandForm* form = FForms[i]) notify(form);
}

void TServerWrapper::EventDocumentDataChange(LONG id, VARIANT_BOOL present, const std::wstring& comments, LONG status,
                                             LONG rating) {
  TWrapperBusy busy(this);
  EachForm([&](TStowlyIEToolBandForm* form) {
    form->DocumentDataChange(FEvents.get(), id, present != 0, comments, status, rating);
  });
}

// ------------------------------------------------------------------ server operations

template <class Call>
bool TServerWrapper::Guarded(Call&& call) {
  if (!FServer) return false;
  TWrapperBusy busy(this);
  // Held for the call: ServerLost from inside it releases FServer.
  com::ComPtr<IGUIServer> server = FServer;
  try {
    com::Check(call(server.Get()));
    return true;
  } catch (...) {
    ServerLost();
    return false;
  }
}

void TServerWrapper::SetEnabled(bool value) {
  Guarded([&](IGUIServer* s) { return s->SetEnabled(AutomationBool(value)); });
}
void TServerWrapper::SetBannerKillerEnabled(bool value) {
  Guarded([&](IGUIServer* s) { return s->SetBannerKillerEnabled(AutomationBool(value)); });
}
void TServerWrapper::SetHighlightEnabled(bool value) {
  Guarded([&](IGUIServer* s) { return s->SetHighlightEnabled(AutomationBool(value)); });
}
void TServerWrapper::SetLinkHintEnabled(bool value) {
  Guarded([&](IGUIServer* s) { return s->SetLinkHintEnabled(AutomationBool(value)); });
}
void TServerWrapper::SetPopupKillerEnabled(bool value) {
  Guarded([&](IGUIServer* s) { return s->SetPopupKillerEnabled(AutomationBool(value)); });
}
void TServerWrapper::ShowSettings() {
  Guarded([&](IGUIServer* s) { return s->ShowSettings(); });
}
void TServerWrapper::ShowTranslationSettings() {
  Guarded([&](IGUIServer* s) { return s->ShowTranslationSettings(); });
}
void TServerWrapper::ManageQuickGroups() {
  Guarded([&](IGUIServer* s) { return s->ManageQuickGroups(); });
}
void TServerWrapper::ShowComments(LONG id) {
  Guarded([&](IGUIServer* s) { return s->ShowComments(id); });
}
void TServerWrapper::SetDocumentRating(LONG id, LONG rating) {
  Guarded([&](IGUIServer* s) { return s->SetDocumentRating(id, rating); });
}

void TServerWrapper::ShowPopupKillerSettings(IWebBrowser2* browser) {
  if (!browser) return;
  // Outside the guard: a page that is not an HTML document is the caller's error.
  com::ComPtr<IDispatch> document;
  com::Check(browser->get_Document(document.ReleaseAndGetAddressOf()), L"the browser has no document");
  if (!document) return;
  com::ComPtr<IDispatch> html;
  if (FAILED(document->QueryInterface(browser::IID_IHTMLDocument2, html.PutVoid())) || !html)
    throw com::ComError(E_NOINTERFACE, L"Interface not supported");
  const std::wstring url = browser::GetProperty(html.Get(), L"url").ToString();
  if (url.empty()) return;
  Guarded([&](IGUIServer* s) { return s->ShowPopupKillerSettings(com::Bstr(url).Get()); });
}

void TServerWrapper::CaptureScreenShot(IUnknown* browser, bool rewriteIfExists) {
  Guarded([&](IGUIServer* s) {
    // The library's own class, made by its own creator: no registration needed.
    const com::ObjectCreator create = PageUtilitiesCreator.load();
    if (!create) return CLASS_E_CLASSNOTAVAILABLE;
    com::ComPtr<IVornOffUtils> utils;
    HRESULT hr = create(IID_IVornOffUtils, utils.PutVoid());
    if (FAILED(hr)) return hr;
    return utils->CaptureScreenShot(browser, AutomationBool(rewriteIfExists), s);
  });
}

bool TServerWrapper::HasDomainLinks(const std::wstring& url) {
  LONG count = 0;
  return Guarded([&](IGUIServer* s) { return s->GetDomainLinkCount(com::Bstr(url).Get(), &count); }) && count > 0;
}

LONG TServerWrapper::GetDocumentId(const std::wstring& url) {
  LONG id = -1;
  if (!Guarded([&](IGUIServer* s) { return s->GetDocumentId(com::Bstr(url).Get(), &id); })) return -1;
  return id;
}

void TServerWrapper::GetLinkUrl(LONG id, std::wstring& url) {
  url.clear();
  com::Bstr answer;
  if (Guarded([&](IGUIServer* s) { return s->GetLinkUrl(id, answer.Receive()); })) url = answer.str();
}

void TServerWrapper::GetDomainLinks(const std::wstring& url, std::vector<LONG>& ids) {
  ids.clear();
  com::Variant answer;
  if (!Guarded([&](IGUIServer* s) { return s->GetDomainLinks(com::Bstr(url).Get(), answer.ReleaseAndGetAddressOf()); }))
    return;
  // Only an array of bytes is a list of IDs; anything else gives none.
  com::SafeArray array;
  std::vector<BYTE> bytes;
  if (FAILED(com::SafeArray::FromVariant(answer, &array)) || FAILED(array.ToBytes(&bytes))) return;
  for (size_t at = 0; at + 4 <= bytes.size(); at += 4) {
    const auto id = static_cast<ULONG>(bytes[at]) | static_cast<ULONG>(bytes[at + 1]) << 8 |
                    static_cast<ULONG>(bytes[at + 2]) << 16 | static_cast<ULONG>(bytes[at + 3]) << 24;
    ids.push_back(static_cast<LONG>(id));
  }
}

LONG TServerWrapper::GetRatingCount() {
  LONG count = 0;
  return Guarded([&](IGUIServer* s) { return s->GetRatingCount(&count); }) ? count : 0;
}

bool TServerWrapper::GetRatingColors(LONG rating, OLE_COLOR& textColor, OLE_COLOR& backColor) {
  OLE_COLOR text = 0, back = 0;
  if (!Guarded([&](IGUIServer* s) { return s->GetRatingColors(rating, &text, &back); })) return false;
  textColor = text;
  backColor = back;
  return true;
}

bool TServerWrapper::GetCommentColors(OLE_COLOR& textColor, OLE_COLOR& backColor, OLE_COLOR& commentTextColor,
                                      OLE_COLOR& commentBackColor) {
  OLE_COLOR c[4] = {};
  if (!Guarded([&](IGUIServer* s) { return s->GetCommentColors(&c[0], &c[1], &c[2], &c[3]); })) return false;
  textColor = c[0];
  backColor = c[1];
  commentTextColor = c[2];
  commentBackColor = c[3];
  return true;
}

bool TServerWrapper::GetDocumentData(const std::wstring& url, LONG& id, std::wstring& comments, LONG& status,
                                     LONG& rating) {
  comments.clear();
  if (url.empty()) return false;
  com::Bstr text;
  LONG answers[3] = {};
  if (!Guarded([&](IGUIServer* s) {
        return s->GetDocumentData(com::Bstr(url).Get(), &answers[0], text.Receive(), &answers[1], &answers[2]);
      }))
    return false;
  id = answers[0];
  comments = text.str();
  status = answers[1];
  rating = answers[2];
  return true;
}

LONG TServerWrapper::GetQuickGroupCount() {
  LONG count = 0;
  return Guarded([&](IGUIServer* s) { return s->GetQuickGroupCount(&count); }) ? count : 0;
}

bool TServerWrapper::GetQuickGroup(LONG index, bool& visible, std::wstring& name, LONG& linkCount) {
  name.clear();
  VARIANT_BOOL shown = VARIANT_FALSE, result = VARIANT_FALSE;
  com::Bstr text;
  LONG links = 0;
  if (!Guarded([&](IGUIServer* s) { return s->GetQuickGroup(index, &shown, text.Receive(), &links, &result); }))
    return false;
  visible = shown != VARIANT_FALSE;
  name = text.str();
  linkCount = links;
  return result != VARIANT_FALSE;
}

bool TServerWrapper::GetQuickLink(LONG group, LONG link, std::wstring& caption, std::wstring& url) {
  caption.clear();
  url.clear();
  com::Bstr captionText, urlText;
  VARIANT_BOOL result = VARIANT_FALSE;
  if (!Guarded([&](IGUIServer* s) {
        return s->GetQuickLink(group, link, captionText.Receive(), urlText.Receive(), &result);
      }))
    return false;
  caption = captionText.str();
  url = urlText.str();
  return result != VARIANT_FALSE;
}

LONG TServerWrapper::GetTranslationCount() {
  LONG count = 0;
  return Guarded([&](IGUIServer* s) { return s->GetTranslationCount(&count); }) ? count : 0;
}

void TServerWrapper::GetTranslation(LONG index, std::wstring& caption, std::wstring& key) {
  caption.clear();
  key.clear();
  com::Bstr captionText, keyText;
  if (!Guarded([&](IGUIServer* s) { return s->GetTranslation(index, captionText.Receive(), keyText.Receive()); }))
    return;
  caption = captionText.str();
  key = keyText.str();
}

void TServerWrapper::GetTranslationUrl(const std::wstring& url, const std::wstring& key, std::wstring& translatedUrl) {
  translatedUrl.clear();
  com::Bstr text;
  if (Guarded([&](IGUIServer* s) {
        return s->GetTranslationUrl(com::Bstr(url).Get(), com::Bstr(key).Get(), text.Receive());
      }))
    translatedUrl = text.str();
}

com::ObjectCreator SetPageUtilitiesCreator(com::ObjectCreator creator) {
  return PageUtilitiesCreator.exchange(creator);
}

// ------------------------------------------------------------------ reconnect hook

LRESULT CALLBACK ReconnectHookProc(int code, WPARAM wParam, LPARAM lParam) {
  try {
    // Peeked or removed alike: the message's arrival is the request.
    if (code == HC_ACTION && lParam && reinterpret_cast<const MSG*>(lParam)->message == kReconnectMessage &&
        ServerWrapper)
      ServerWrapper->Connect();
    return win::CallNextHookEx(ReconnectHook, code, wParam, lParam);
  } catch (...) {
    return 0;
  }
}

// ------------------------------------------------------------------ TStowlyIEToolBandForm

TStowlyIEToolBandForm::TStowlyIEToolBandForm(TIEBand* band) : TIEBandForm(band) {}

void TStowlyIEToolBandForm::ConstructForBand() {
  TIEBandForm::ConstructForBand();
  if (!ServerWrapper) ServerWrapper = new TServerWrapper();
  ServerWrapper->RegisterForm(this);
}

TStowlyIEToolBandForm::~TStowlyIEToolBandForm() {
  if (TServerWrapper* wrapper = ServerWrapper) {
    wrapper->UnregisterForm(this);
    if (wrapper->FormCount() == 0) {
      ServerWrapper = nullptr;
      wrapper->FreeWhenIdle();
    }
  }
}

void TStowlyIEToolBandForm::ServerConnected(void*) {}
void TStowlyIEToolBandForm::ServerDisconnected(void*) {}
void TStowlyIEToolBandForm::DocumentDataChange(void*, LONG, bool, const std::wstring&, LONG, LONG) {}
void TStowlyIEToolBandForm::SettingsChange(void*) {}
void TStowlyIEToolBandForm::FunctionalityChange(void*) {}
void TStowlyIEToolBandForm::QuickGroupChange(void*) {}

}  // namespace vorn
