// The archive application as one browser thread sees it: the thread's server
// wrapper, shared by the thread's toolband forms, and the base of those forms.
//
// The wrapper finds the running server, keeps the event sink advised, passes
// events on to the registered forms, turns every server call into one that
// cannot fail toward its caller (a failure means the server went away), and
// reconnects when the thread retrieves message 0x500.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "band_hosting/IEBandUnit.h"
#include "platform/browser/WebBrowserInterface.h"
#include "platform/com/ClassFactory.h"
#include "platform/com/ComPtr.h"
#include "server_link/ZRStowlyEvents.h"
#include "platform/app_server/ZRStowly_TLB.h"

namespace vorn {

class TStowlyIEToolBandForm;

// The message that, retrieved from a browser thread's queue, makes its wrapper reconnect.
constexpr UINT kReconnectMessage = 0x500;

class TServerWrapper {
 public:
  // Installs the thread's reconnect hook and connects. Throws what Connect
  // throws (the partly built wrapper is undone first).
  TServerWrapper();
  ~TServerWrapper();
  TServerWrapper(const TServerWrapper&) = delete;
  TServerWrapper& operator=(const TServerWrapper&) = delete;

  // Drops any connection (the forms are not told), then connects to the
  // running server, if any, and tells every form. Throws "Unable to connect
  // ..." when the sink cannot be advised; the server is kept then.
  void Connect();
  // Unadvises (errors ignored) and releases the server.
  void Disconnect();
  // Every form is told ServerDisconnected (their errors ignored), then Disconnect.
  void ServerLost();
  bool IsConnected() const { return static_cast<bool>(FServer); }
  com::ComPtr<IGUIServer> GetServer() const { return FServer; }
  // The server in the running-object table, or null; never starts it.
  static com::ComPtr<IGUIServer> GetRunningServer();

  // Forms keep their slot; a blank slot is reused by the next form.
  void RegisterForm(TStowlyIEToolBandForm* form);
  void UnregisterForm(TStowlyIEToolBandForm* form);
  int FormCount() const;
  // Slots, blank ones included.
  std::size_t SlotCount() const { return FForms.size(); }
  bool HasForm(const TStowlyIEToolBandForm* form) const;
  // Frees the wrapper now, or, when a call of it is under way further up the
  // stack (a form closed from inside a notification), as that call ends.
  void FreeWhenIdle();

  // Server operations: the default when not connected or when the call fails
  // (a failure also runs ServerLost).
  void SetEnabled(bool value);
  void SetBannerKillerEnabled(bool value);
  void SetHighlightEnabled(bool value);
  void SetLinkHintEnabled(bool value);
  void SetPopupKillerEnabled(bool value);
  void ShowSettings();
  void ShowTranslationSettings();
  void ManageQuickGroups();
  void ShowComments(LONG id);
  void SetDocumentRating(LONG id, LONG rating);
  // Reads the browser's document address whether connected or not; a
  // failure to read it (a document that is not an HTML document) is thrown.
  void ShowPopupKillerSettings(IWebBrowser2* browser);
  void CaptureScreenShot(IUnknown* browser, bool rewriteIfExists);
  bool HasDomainLinks(const std::wstring& url);
  LONG GetDocumentId(const std::wstring& url);
  void GetLinkUrl(LONG id, std::wstring& url);
  // Complete 4-byte groups of the server's answer, as little-endian IDs.
  void GetDomainLinks(const std::wstring& url, std::vector<LONG>& ids);
  LONG GetRatingCount();
  bool GetRatingColors(LONG rating, OLE_COLOR& textColor, OLE_COLOR& backColor);
  bool GetCommentColors(OLE_COLOR& textColor, OLE_COLOR& backColor, OLE_COLOR& commentTextColor,
                        OLE_COLOR& commentBackColor);
  bool GetDocumentData(const std::wstring& url, LONG& id, std::wstring& comments, LONG& status, LONG& rating);
  LONG GetQuickGroupCount();
  bool GetQuickGroup(LONG index, bool& visible, std::wstring& name, LONG& linkCount);
  bool GetQuickLink(LONG group, LONG link, std::wstring& caption, std::wstring& url);
  LONG GetTranslationCount();
  void GetTranslation(LONG index, std::wstring& caption, std::wstring& key);
  void GetTranslationUrl(const std::wstring& url, const std::wstring& key, std::wstring& translatedUrl);

 private:
  // Runs call(server) when connected; a failure runs ServerLost. True when it succeeded.
  template <class Call>
  bool Guarded(Call&& call);
  friend class TWrapperBusy;

  void EventDocumentDataChange(LONG id, VARIANT_BOOL present, const std::wstring& comments, LONG status,
                               LONG rating);
  template <class Notify>
  void EachForm(Notify&& notify);

  com::ComPtr<IGUIServer> FServer;
  std::unique_ptr<TZRStowlyIGUIServerEvents> FEvents;
  std::vector<TStowlyIEToolBandForm*> FForms;
  HHOOK FHook = nullptr;  // this wrapper's reconnect hook
  int FBusy = 0;          // calls of this wrapper under way on the stack
  bool FOrphaned = false;  // its last form left during such a call
};

// What the wrapper makes the page utilities with for a capture. The module
// state hands the library's creator over at load and takes it back at unload:
// the page utilities are built on the server link, which cannot name them.
// Answers the creator it replaces.
com::ObjectCreator SetPageUtilitiesCreator(com::ObjectCreator creator);

// The calling thread's wrapper, or null; and its reconnect hook.
extern thread_local TServerWrapper* ServerWrapper;
extern thread_local HHOOK ReconnectHook;

// WH_GETMESSAGE hook: message 0x500 retrieved (or only peeked at) by the
// thread makes its wrapper reconnect.
LRESULT CALLBACK ReconnectHookProc(int code, WPARAM wParam, LPARAM lParam);

// Base of the toolband forms: a band form that is a member of its thread's
// server wrapper from construction to destruction.
class TStowlyIEToolBandForm : public TIEBandForm {
 public:
  ~TStowlyIEToolBandForm() override;

  // What the wrapper tells its forms. `sender` is the notifier (the wrapper
  // or its sink); nothing here relies on it.
  virtual void ServerConnected(void* sender);
  virtual void ServerDisconnected(void* sender);
  virtual void DocumentDataChange(void* sender, LONG AID, bool APresent, const std::wstring& AComments, LONG AStatus,
                                  LONG ARating);
  virtual void SettingsChange(void* sender);
  virtual void FunctionalityChange(void* sender);
  virtual void QuickGroupChange(void* sender);

 protected:
  explicit TStowlyIEToolBandForm(TIEBand* band);
  // Joins the thread's wrapper (creating it for the thread's first toolband
  // form). A failure to create the wrapper is passed on.
  void ConstructForBand() override;

};

}  // namespace vorn
