// The archive application as the library sees it: an IGUIServer over an
// in-memory archive, with the server's events offered through a connection
// point, every call recorded, and failures to order.
//
// Tests set up the archive (documents, colours, quick links, ...), register
// the server in the running-object table under CLSID_GUIServer, let the
// library call it, and read back what it was asked: the calls with their
// arguments, the dialogs it would have shown, the links, banners and pictures
// it was handed. The page-filter switches are written to the registry values
// under HKEY_CURRENT_USER\Software\Zandrel\Brisel\Settings, as the application
// does. The library binds to IGUIServer early only: the server's own IDispatch
// answers E_NOTIMPL to GetIDsOfNames and Invoke.
#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/com/ComError.h"
#include "platform/com/ComObject.h"
#include "platform/com/ComPtr.h"
#include "platform/com/InterfaceTraits.h"
#include "platform/com/Variant.h"
#include "platform/forms/TBitmap.h"
#include "platform/app_server/ZRStowly_TLB.h"

namespace standins {

class ArchiveServerConnectionPoint;

class ArchiveServer : public com::ComObject<vorn::IGUIServer, IConnectionPointContainer> {
  VORN_INTERFACE_TABLE_BEGIN(ArchiveServer)
  VORN_ENTRY(vorn::IGUIServer)
  VORN_ENTRY(IDispatch)
  VORN_ENTRY(IConnectionPointContainer)
  VORN_INTERFACE_TABLE_END

 public:
  // ---------------------------------------------------------------- the archive
  struct Document {
    LONG id = -1;
    std::wstring url;
    bool present = true;
    std::wstring comments;
    LONG status = 0;
    LONG rating = 0;
    // The picture handed out by GetDocumentPicture; empty: a generated bitmap file.
    std::vector<BYTE> picture;
  };
  struct RatingColors {
    OLE_COLOR text = 0;
    OLE_COLOR back = 0;
  };
  struct CommentColors {
    OLE_COLOR text = 0;  // documents without comments
    OLE_COLOR back = 0;
    OLE_COLOR commentText = 0;  // documents with comments
    OLE_COLOR commentBack = 0;
  };
  struct HintSettings {
    LONG alpha = -1;  // below 0: opaque
    LONG showDelay = 500;
    LONG showTime = 5000;
  };
  struct HighlightSettings {
    bool enabled = true;
    bool markArchived = true;
    bool backColorDefault = false;
    OLE_COLOR backColor = 0x00FFFF;
    bool textColorDefault = true;
    OLE_COLOR textColor = 0;
    bool bold = false;
    LONG decoration = 3;
  };
  struct CaptureSettings {
    bool wantShot = true;
    LONG shotScale = 100;
    LONG shotFormat = 6;
    bool wantSecondShot = false;
    LONG secondShotScale = 25;
    LONG secondShotFormat = 3;
  };
  struct QuickLink {
    std::wstring caption;
    std::wstring url;
    bool available = true;  // false: GetQuickLink reports no success for it
  };
  struct QuickGroup {
    std::wstring name;
    bool visible = true;
    std::vector<QuickLink> links;
  };
  struct Translation {
    std::wstring caption;
    std::wstring key;
    std::wstring urlPrefix;  // the translated address is urlPrefix + the page's address
  };

  // ---------------------------------------------------------------- what it was handed
  struct Dialog {
    std::wstring name;      // the method that asked for it, e.g. "ShowComments"
    std::wstring argument;  // its argument as text ("" for none)
  };
  struct LinkSubmission {
    std::vector<std::wstring> urls;
    std::vector<std::wstring> texts;
    std::wstring reserved;
    VARIANT_BOOL notBrowserProcess = VARIANT_FALSE;
  };
  struct StoredCapture {
    std::wstring url;
    int slot = 1;  // StoreCapture1 or StoreCapture2
    std::vector<BYTE> data;
  };
  struct Call {
    std::wstring method;
    // The arguments the caller passed in, in declared order: LONG as VT_I4,
    // VARIANT_BOOL as VT_BOOL with the exact value passed, BSTR as VT_BSTR,
    // VARIANT as a copy; out-only arguments are not listed.
    std::vector<com::Variant> args;
    HRESULT result = S_OK;
    // "Name(arg, ...)": strings quoted, Booleans true/false (other values as numbers), arrays in brackets.
    std::wstring Text() const;
  };

  static com::ComPtr<ArchiveServer> Create();

  // A server with a small archive on example.com and example.org, four ratings,
  // two quick-link groups and two translations.
  static com::ComPtr<ArchiveServer> CreateWithSampleArchive();

  // Adds a document, or replaces the one with the same ID.
  void AddDocument(Document document);
  bool RemoveDocument(LONG id);
  const Document* FindDocument(LONG id) const;
  const Document* FindDocumentByUrl(std::wstring_view url) const;

  void SetRatings(std::vector<RatingColors> ratings) { ratings_ = std::move(ratings); }
  void SetCommentColors(const CommentColors& colors) { commentColors_ = colors; }
  void SetHintSettings(const HintSettings& settings) { hintSettings_ = settings; }
  void SetHighlightSettings(const HighlightSettings& settings) { highlight_ = settings; }
  const HighlightSettings& GetHighlightSettings() const { return highlight_; }
  void SetCaptureSettings(const CaptureSettings& settings) { capture_ = settings; }
  void SetQuickGroups(std::vector<QuickGroup> groups) { quickGroups_ = std::move(groups); }
  void SetTranslations(std::vector<Translation> translations) { translations_ = std::move(translations); }
  // The state GetLinkStates reports for url, instead of the archive's (the
  // document's status when archived, -1 otherwise).
  void SetLinkState(std::wstring url, LONG state) { linkStates_[std::move(url)] = state; }
  // The bytes GetDomainLinks answers for url, instead of the IDs of the archived
  // documents on its host; GetDomainLinkCount then reports bytes / 4.
  void SetDomainLinkBytes(std::wstring url, std::vector<BYTE> bytes) { domainLinkBytes_[std::move(url)] = std::move(bytes); }
  // Any answer at all for GetDomainLinks of url (a string, an array of
  // another type...), as a faulty application might give.
  void SetDomainLinkAnswer(std::wstring url, com::Variant answer) { domainLinkAnswers_[std::move(url)] = std::move(answer); }
  // Any state array at all for GetLinkStates (other bounds, fewer states...),
  // put in place of the caller's; an empty variant: states as usual.
  void SetLinkStatesAnswer(com::Variant answer) { linkStatesAnswer_ = std::move(answer); }
  // With true, SetDocumentRating fires OnDocumentDataChange and the switch
  // setters fire OnFunctionalityChange after a change, as the application does.
  void SetAnnounceChanges(bool announce) { announce_ = announce; }

  // IDs of the present documents whose address has url's host (case-insensitive), ascending.
  std::vector<LONG> DomainLinks(std::wstring_view url) const;
  // A 24-bit bottom-up Windows bitmap file of one colour (0x00BBGGRR).
  static std::vector<BYTE> MakeBitmapFile(LONG width, LONG height, COLORREF color);
  // The same file of a picture (a page's, say).
  static std::vector<BYTE> MakeBitmapFile(const forms::TBitmap& picture);
  // The picture GetDocumentPicture hands out for a document.
  std::vector<BYTE> PictureOf(const Document& document) const;

  const std::vector<Dialog>& Dialogs() const { return dialogs_; }
  const std::vector<LinkSubmission>& SubmittedLinks() const { return submittedLinks_; }
  const std::vector<std::vector<std::wstring>>& SubmittedBanners() const { return submittedBanners_; }
  const std::vector<StoredCapture>& StoredCaptures() const { return storedCaptures_; }

  // Every call through IGUIServer, IDispatch, IConnectionPointContainer and the
  // connection point, in order, including refused ones.
  const std::vector<Call>& Calls() const { return calls_; }
  std::vector<Call> CallsTo(std::wstring_view method) const;
  std::size_t CallCount(std::wstring_view method) const;
  std::vector<std::wstring> CallTexts() const;
  void ClearCalls() { calls_.clear(); }

  // The named method (any of the recorded ones) answers hr from now on, without doing its work.
  // Calls of `method` fail with hr from now on, once `after` more have succeeded.
  void FailMethod(std::wstring method, HRESULT hr, std::size_t after = 0) {
    failures_[std::move(method)] = Failure{hr, after};
  }
  void ClearFailures() { failures_.clear(); }
  // As a process that went away: every call answers RPC_E_DISCONNECTED, and
  // the advised sinks are dropped without being called or released again (a
  // dead process holds nothing; the sinks' owners cut what it held). Back with
  // false, it is a new process without sinks.
  void SetGone(bool gone);
  bool IsGone() const { return gone_; }

  // Puts the server into the running-object table under CLSID_GUIServer (the
  // table then holds a reference until Revoke). S_FALSE when already registered.
  HRESULT Register();
  // S_FALSE when not registered.
  HRESULT Revoke();
  bool IsRegistered() const { return rotToken_ != 0; }

  // Events, to every advised sink in the order of advice, through IDispatch::Invoke
  // with DISPATCH_METHOD and the arguments by value. S_OK, or the first failure a
  // sink answered (every sink is still called).
  HRESULT FireQuit();
  HRESULT FireRefreshHighlight();
  HRESULT FireDocumentDataChange(LONG id, bool present, std::wstring_view comments, LONG status, LONG rating);
  // With the document's data; E_INVALIDARG when the ID is not in the archive.
  HRESULT FireDocumentDataChange(LONG id);
  HRESULT FireSettingsChange();
  HRESULT FireFunctionalityChange();
  HRESULT FireQuickGroupChange();
  HRESULT FireFFSettingsChange(LONG value);
  HRESULT FireFFLogin(bool value);
  // Any event, arguments in declared order.
  HRESULT Fire(DISPID id, std::vector<com::Variant> args);
  std::size_t SinkCount() const;

  // IDispatch
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* pctinfo) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid,
                                          DISPID* rgDispId) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS* pDispParams,
                                   VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) override;

  // IGUIServer
  HRESULT STDMETHODCALLTYPE Reserved7() override { return Reserved(L"Reserved7"); }
  HRESULT STDMETHODCALLTYPE Reserved8() override { return Reserved(L"Reserved8"); }
  HRESULT STDMETHODCALLTYPE Reserved9() override { return Reserved(L"Reserved9"); }
  HRESULT STDMETHODCALLTYPE SubmitLinks(VARIANT ALinks, VARIANT ATexts, BSTR AReserved,
                                        VARIANT_BOOL ANotBrowserProcess) override;
  HRESULT STDMETHODCALLTYPE Reserved11() override { return Reserved(L"Reserved11"); }
  HRESULT STDMETHODCALLTYPE Reserved12() override { return Reserved(L"Reserved12"); }
  HRESULT STDMETHODCALLTYPE Reserved13() override { return Reserved(L"Reserved13"); }
  HRESULT STDMETHODCALLTYPE GetDocumentPicture(BSTR AURL, LONG AID, VARIANT_BOOL* AFound, VARIANT* APicture,
                                               VARIANT_BOOL AFromDomainLinks) override;
  HRESULT STDMETHODCALLTYPE GetHintSettings(LONG* AAlpha, LONG* AShowDelay, LONG* AShowTime) override;
  HRESULT STDMETHODCALLTYPE GetHighlightSettings(LONG ABrowserID, VARIANT_BOOL* AEnabled, VARIANT_BOOL* AMarkArchived,
                                                 VARIANT_BOOL* ABackColorDefault, OLE_COLOR* ABackColor,
                                                 VARIANT_BOOL* ATextColorDefault, OLE_COLOR* ATextColor,
                                                 VARIANT_BOOL* ABold, LONG* ADecoration) override;
  HRESULT STDMETHODCALLTYPE GetLinkStates(VARIANT AURLs, VARIANT* AStates) override;
  HRESULT STDMETHODCALLTYPE SetHighlightEnabled(VARIANT_BOOL AValue) override;
  HRESULT STDMETHODCALLTYPE SetPopupKillerEnabled(VARIANT_BOOL AValue) override;
  HRESULT STDMETHODCALLTYPE ShowPopupKillerSettings(BSTR AURL) override;
  HRESULT STDMETHODCALLTYPE Reserved21() override { return Reserved(L"Reserved21"); }
  HRESULT STDMETHODCALLTYPE Reserved22() override { return Reserved(L"Reserved22"); }
  HRESULT STDMETHODCALLTYPE Reserved23() override { return Reserved(L"Reserved23"); }
  HRESULT STDMETHODCALLTYPE ShowSettings() override;
  HRESULT STDMETHODCALLTYPE Reserved25() override { return Reserved(L"Reserved25"); }
  HRESULT STDMETHODCALLTYPE Reserved26() override { return Reserved(L"Reserved26"); }
  HRESULT STDMETHODCALLTYPE Reserved27() override { return Reserved(L"Reserved27"); }
  HRESULT STDMETHODCALLTYPE Reserved28() override { return Reserved(L"Reserved28"); }
  HRESULT STDMETHODCALLTYPE Reserved29() override { return Reserved(L"Reserved29"); }
  HRESULT STDMETHODCALLTYPE Reserved30() override { return Reserved(L"Reserved30"); }
  HRESULT STDMETHODCALLTYPE Reserved31() override { return Reserved(L"Reserved31"); }
  HRESULT STDMETHODCALLTYPE GetLinkUrl(LONG AID, BSTR* AURL) override;
  HRESULT STDMETHODCALLTYPE GetDomainLinks(BSTR AURL, VARIANT* AIDs) override;
  HRESULT STDMETHODCALLTYPE ShowComments(LONG AID) override;
  HRESULT STDMETHODCALLTYPE AddBannerImages(VARIANT AURLs) override;
  HRESULT STDMETHODCALLTYPE SetBannerKillerEnabled(VARIANT_BOOL AValue) override;
  HRESULT STDMETHODCALLTYPE Reserved37() override { return Reserved(L"Reserved37"); }
  HRESULT STDMETHODCALLTYPE Reserved38() override { return Reserved(L"Reserved38"); }
  HRESULT STDMETHODCALLTYPE SetLinkHintEnabled(VARIANT_BOOL AValue) override;
  HRESULT STDMETHODCALLTYPE GetDomainLinkCount(BSTR AURL, LONG* ACount) override;
  HRESULT STDMETHODCALLTYPE GetRatingCount(LONG* ACount) override;
  HRESULT STDMETHODCALLTYPE GetRatingColors(LONG ARating, OLE_COLOR* ATextColor, OLE_COLOR* ABackColor) override;
  HRESULT STDMETHODCALLTYPE SetDocumentRating(LONG AID, LONG ARating) override;
  HRESULT STDMETHODCALLTYPE Reserved44() override { return Reserved(L"Reserved44"); }
  HRESULT STDMETHODCALLTYPE GetDocumentId(BSTR AURL, LONG* AID) override;
  HRESULT STDMETHODCALLTYPE GetCommentColors(OLE_COLOR* ATextColor, OLE_COLOR* ABackColor,
                                             OLE_COLOR* ACommentTextColor, OLE_COLOR* ACommentBackColor) override;
  HRESULT STDMETHODCALLTYPE GetDocumentData(BSTR AURL, LONG* AID, BSTR* AComments, LONG* AStatus,
                                            LONG* ARating) override;
  HRESULT STDMETHODCALLTYPE GetCaptureSettings(BSTR AURL, VARIANT_BOOL ARewriteIfExists, VARIANT_BOOL* AWantShot,
                                               LONG* AShotScale, LONG* AShotFormat, VARIANT_BOOL* AWantSecondShot,
                                               LONG* ASecondShotScale, LONG* ASecondShotFormat) override;
  HRESULT STDMETHODCALLTYPE StoreCapture1(BSTR AURL, VARIANT AData) override;
  HRESULT STDMETHODCALLTYPE StoreCapture2(BSTR AURL, VARIANT AData) override;
  HRESULT STDMETHODCALLTYPE Reserved51() override { return Reserved(L"Reserved51"); }
  HRESULT STDMETHODCALLTYPE SetEnabled(VARIANT_BOOL AValue) override;
  HRESULT STDMETHODCALLTYPE GetQuickGroupCount(LONG* ACount) override;
  HRESULT STDMETHODCALLTYPE GetQuickGroup(LONG AIndex, VARIANT_BOOL* AVisible, BSTR* AName, LONG* ALinkCount,
                                          VARIANT_BOOL* AResult) override;
  HRESULT STDMETHODCALLTYPE GetQuickLink(LONG AGroup, LONG ALink, BSTR* ACaption, BSTR* AURL,
                                         VARIANT_BOOL* AResult) override;
  HRESULT STDMETHODCALLTYPE ManageQuickGroups() override;
  HRESULT STDMETHODCALLTYPE Reserved57() override { return Reserved(L"Reserved57"); }
  HRESULT STDMETHODCALLTYPE Reserved58() override { return Reserved(L"Reserved58"); }
  HRESULT STDMETHODCALLTYPE Reserved59() override { return Reserved(L"Reserved59"); }
  HRESULT STDMETHODCALLTYPE GetTranslationCount(LONG* ACount) override;
  HRESULT STDMETHODCALLTYPE GetTranslation(LONG AIndex, BSTR* ACaption, BSTR* AKey) override;
  HRESULT STDMETHODCALLTYPE GetTranslationUrl(BSTR AURL, BSTR AKey, BSTR* ATranslationURL) override;
  HRESULT STDMETHODCALLTYPE Reserved63() override { return Reserved(L"Reserved63"); }
  HRESULT STDMETHODCALLTYPE ShowTranslationSettings() override;

  // IConnectionPointContainer
  HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** ppEnum) override;
  HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID riid, IConnectionPoint** ppCP) override;

 private:
  friend class ArchiveServerConnectionPoint;

  ArchiveServer();
  ~ArchiveServer() override;

  // Records the call, then answers as a gone process, as an injected failure,
  // or with what body returns (an exception becomes its HRESULT).
  template <class Body>
  HRESULT Serve(const wchar_t* method, std::vector<com::Variant> args, Body&& body);

  HRESULT Reserved(const wchar_t* method);
  HRESULT ShowDialog(const wchar_t* method, std::vector<com::Variant> args, std::wstring argument);
  HRESULT SetSwitch(const wchar_t* method, const wchar_t* valueName, VARIANT_BOOL value);
  HRESULT StoreCapture(const wchar_t* method, int slot, BSTR url, const VARIANT& data);
  Document* FindMutable(LONG id);
  bool HasCapture(std::wstring_view url, int slot) const;

  std::vector<Document> documents_;
  std::vector<RatingColors> ratings_;
  CommentColors commentColors_;
  HintSettings hintSettings_;
  HighlightSettings highlight_;
  CaptureSettings capture_;
  std::vector<QuickGroup> quickGroups_;
  std::vector<Translation> translations_;
  std::map<std::wstring, LONG> linkStates_;
  std::map<std::wstring, std::vector<BYTE>> domainLinkBytes_;
  std::map<std::wstring, com::Variant> domainLinkAnswers_;
  com::Variant linkStatesAnswer_;
  bool announce_ = false;

  std::vector<Dialog> dialogs_;
  std::vector<LinkSubmission> submittedLinks_;
  std::vector<std::vector<std::wstring>> submittedBanners_;
  std::vector<StoredCapture> storedCaptures_;

  std::vector<Call> calls_;
  struct Failure {
    HRESULT hr;
    std::size_t after;  // calls that still succeed first
  };
  std::map<std::wstring, Failure, std::less<>> failures_;
  bool gone_ = false;
  DWORD rotToken_ = 0;

  std::unique_ptr<ArchiveServerConnectionPoint> events_;
};

// Where the application keeps its page-filter switches (under HKEY_CURRENT_USER).
inline constexpr const wchar_t* kArchiveSettingsKey = L"Software\\Zandrel\\Brisel\\Settings";

template <class Body>
HRESULT ArchiveServer::Serve(const wchar_t* method, std::vector<com::Variant> args, Body&& body) {
  calls_.push_back(Call{method, std::move(args), S_OK});
  const std::size_t index = calls_.size() - 1;
  HRESULT hr = S_OK;
  if (gone_) {
    hr = RPC_E_DISCONNECTED;
  } else if (auto it = failures_.find(std::wstring_view(method)); it != failures_.end() && it->second.after == 0) {
    hr = it->second.hr;
  } else {
    if (auto it = failures_.find(std::wstring_view(method)); it != failures_.end()) --it->second.after;
    try {
      hr = body();
    } catch (...) {
      hr = com::HResultFromCurrentException();
    }
  }
  // The body may have fired events whose sinks called back in: the vector may have grown.
  calls_[index].result = hr;
  return hr;
}

}  // namespace standins
