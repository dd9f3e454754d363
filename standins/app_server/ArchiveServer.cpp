#include "standins/app_server/ArchiveServer.h"

#include <algorithm>
#include <cstdint>

#include "platform/com/ComError.h"
#include "platform/com/GuidString.h"
#include "platform/com/SafeArray.h"
#include "platform/com/Text.h"
#include "platform/win/RegKey.h"
#include "standins/app_server/ArchiveServerConnectionPoint.h"
#include "standins/events/ConnectionEnumerators.h"

namespace standins {

namespace {

std::wstring Str(BSTR s) { return s ? std::wstring(s, SysStringLen(s)) : std::wstring(); }

// Recorded copies of in-arguments; a variant that cannot be copied is recorded
// as VT_ERROR carrying the reason, so recording never fails a call.
com::Variant Arg(const VARIANT& v) noexcept {
  com::Variant copy;
  if (FAILED(VariantCopy(copy.Ptr(), const_cast<VARIANT*>(&v)))) {
    copy.Clear();
    copy.Ptr()->vt = VT_ERROR;
    copy.Ptr()->scode = DISP_E_BADVARTYPE;
  }
  return copy;
}
com::Variant Arg(BSTR s) { return com::Variant(std::wstring_view(s ? s : L"", SysStringLen(s))); }
com::Variant Arg(LONG value) { return com::Variant(value); }
com::Variant BoolArg(VARIANT_BOOL value) {
  com::Variant v(false);
  v.Ptr()->boolVal = value;  // as passed: a caller that sends 1 instead of -1 shows
  return v;
}

VARIANT_BOOL ToVariantBool(bool value) { return value ? VARIANT_TRUE : VARIANT_FALSE; }

HRESULT PutString(BSTR* out, std::wstring_view text) {
  *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  return *out ? S_OK : E_OUTOFMEMORY;
}

// The strings of an address array: VT_ARRAY of VT_VARIANT (or VT_BSTR), one dimension.
HRESULT ReadStrings(const VARIANT& v, std::vector<std::wstring>* out, LONG* lbound = nullptr, ULONG* count = nullptr) {
  com::SafeArray array;
  if (HRESULT hr = com::SafeArray::FromVariant(v, &array); FAILED(hr)) return hr;
  LONG lb = 0;
  ULONG n = 0;
  if (HRESULT hr = array.GetVectorBounds(&lb, &n); FAILED(hr)) return hr;
  if (lbound) *lbound = lb;
  if (count) *count = n;
  return array.ToStrings(out);
}

HRESULT ReadBytes(const VARIANT& v, std::vector<BYTE>* out) {
  com::SafeArray array;
  if (HRESULT hr = com::SafeArray::FromVariant(v, &array); FAILED(hr)) return hr;
  return array.ToBytes(out);
}

void PutLE32(std::vector<BYTE>& out, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<BYTE>(value >> (8 * i)));
}
void PutLE16(std::vector<BYTE>& out, std::uint16_t value) {
  out.push_back(static_cast<BYTE>(value));
  out.push_back(static_cast<BYTE>(value >> 8));
}

std::wstring HostOf(std::wstring_view url) {
  const auto scheme = url.find(L"://");
  if (scheme == std::wstring_view::npos) return {};
  std::wstring_view host = url.substr(scheme + 3);
  host = host.substr(0, host.find_first_of(L"/?#"));
  if (auto at = host.rfind(L'@'); at != std::wstring_view::npos) host.remove_prefix(at + 1);
  host = host.substr(0, host.find(L':'));
  return com::AsciiLower(host);
}

std::wstring VariantText(const VARIANT& v) {
  if (v.vt & VT_ARRAY) {
    com::SafeArray array;
    if (FAILED(com::SafeArray::FromVariant(v, &array))) return L"[?]";
    if ((v.vt & VT_TYPEMASK) == VT_UI1) {
      LONG lb = 0;
      ULONG n = 0;
      array.GetVectorBounds(&lb, &n);
      return L"<" + std::to_wstring(n) + L" bytes>";
    }
    std::vector<com::Variant> items;
    if (FAILED(array.ToVariants(&items))) return L"[?]";
    std::wstring text = L"[";
    for (std::size_t i = 0; i < items.size(); ++i) text += (i ? L", " : L"") + VariantText(items[i]);
    return text + L"]";
  }
  switch (v.vt) {
    case VT_EMPTY: return L"empty";
    case VT_BSTR: return L"\"" + Str(v.bstrVal) + L"\"";
    case VT_I4: return std::to_wstring(v.lVal);
    case VT_BOOL:
      if (v.boolVal == VARIANT_TRUE) return L"true";
      if (v.boolVal == VARIANT_FALSE) return L"false";
      return L"VARIANT_BOOL(" + std::to_wstring(v.boolVal) + L")";
    case VT_ERROR: return L"error " + com::HResultText(v.scode);
    default: return L"<vt " + std::to_wstring(v.vt) + L">";
  }
}

}  // namespace

// ---------------------------------------------------------------- life

ArchiveServer::ArchiveServer() : events_(std::make_unique<ArchiveServerConnectionPoint>(*this)) {}

ArchiveServer::~ArchiveServer() = default;

com::ComPtr<ArchiveServer> ArchiveServer::Create() { return com::ComPtr<ArchiveServer>(new ArchiveServer()); }

com::ComPtr<ArchiveServer> ArchiveServer::CreateWithSampleArchive() {
  auto server = Create();
  server->AddDocument({.id = 1, .url = L"http://www.example.com/", .rating = 1});
  server->AddDocument({.id = 2, .url = L"http://www.example.com/news.html", .comments = L"Read later", .status = 1,
                       .rating = 3});
  server->AddDocument({.id = 3, .url = L"http://www.example.com/old.html", .present = false, .status = 2});
  server->AddDocument({.id = 7, .url = L"http://example.org/index.html", .rating = 2});
  server->SetRatings({{0x000000, 0xFFFFFF}, {0x000000, 0xC0FFC0}, {0x004000, 0x80FF80}, {0xFFFFFF, 0x008000}});
  server->SetCommentColors({0x000000, 0xF0F0F0, 0x000080, 0xC0FFFF});
  server->SetQuickGroups({
      {L"News", true, {{L"Daily", L"http://news.example.com/"}, {L"Weather", L"http://weather.example.com/"}}},
      {L"Tools", false, {{L"Search", L"http://search.example.com/"}}},
  });
  server->SetTranslations({
      {L"English to German", L"en|de", L"http://translate.example.net/?lp=en|de&u="},
      {L"German to English", L"de|en", L"http://translate.example.net/?lp=de|en&u="},
  });
  return server;
}

// ---------------------------------------------------------------- the archive

void ArchiveServer::AddDocument(Document document) {
  if (Document* existing = FindMutable(document.id)) {
    *existing = std::move(document);
    return;
  }
  documents_.push_back(std::move(document));
}

bool ArchiveServer::RemoveDocument(LONG id) {
  auto it = std::find_if(documents_.begin(), documents_.end(), [&](const Document& d) { return d.id == id; });
  if (it == documents_.end()) return false;
  documents_.erase(it);
  return true;
}

const ArchiveServer::Document* ArchiveServer::FindDocument(LONG id) const {
  for (const Document& d : documents_)
    if (d.id == id) return &d;
  return nullptr;
}

ArchiveServer::Document* ArchiveServer::FindMutable(LONG id) { return const_cast<Document*>(FindDocument(id)); }

const ArchiveServer::Document* ArchiveServer::FindDocumentByUrl(std::wstring_view url) const {
  if (url.empty()) return nullptr;
  for (const Document& d : documents_)
    if (d.url == url) return &d;
  return nullptr;
}

std::vector<LONG> ArchiveServer::DomainLinks(std::wstring_view url) const {
  std::vector<LONG> ids;
  const std::wstring host = HostOf(url);
  if (host.empty()) return ids;
  for (const Document& d : documents_)
    if (d.present && HostOf(d.url) == host) ids.push_back(d.id);
  std::sort(ids.begin(), ids.end());
  return ids;
}

namespace {

// A 24-bit bottom-up Windows bitmap file; colour(x, y) gives the pixel of
// file row y (the picture's bottom row first) as 0x00BBGGRR.
template <class Colour>
std::vector<BYTE> BitmapFile(LONG width, LONG height, Colour&& colour) {
  if (width <= 0 || height <= 0) throw com::ComError(E_INVALIDARG, L"a bitmap needs a positive size");
  const std::uint32_t stride = (static_cast<std::uint32_t>(width) * 3 + 3) & ~3u;
  const std::uint32_t imageSize = stride * static_cast<std::uint32_t>(height);
  const std::uint32_t offset = 14 + 40;
  std::vector<BYTE> out;
  out.reserve(offset + imageSize);
  // BITMAPFILEHEADER
  out.push_back('B');
  out.push_back('M');
  PutLE32(out, offset + imageSize);
  PutLE16(out, 0);
  PutLE16(out, 0);
  PutLE32(out, offset);
  // BITMAPINFOHEADER: bottom-up, 24 bits, uncompressed, 72 dpi
  PutLE32(out, 40);
  PutLE32(out, static_cast<std::uint32_t>(width));
  PutLE32(out, static_cast<std::uint32_t>(height));
  PutLE16(out, 1);
  PutLE16(out, 24);
  PutLE32(out, 0);
  PutLE32(out, imageSize);
  PutLE32(out, 2835);
  PutLE32(out, 2835);
  PutLE32(out, 0);
  PutLE32(out, 0);
  for (LONG y = 0; y < height; ++y) {
    for (LONG x = 0; x < width; ++x) {
      const COLORREF c = colour(x, y);
      out.push_back(static_cast<BYTE>(c >> 16));
      out.push_back(static_cast<BYTE>(c >> 8));
      out.push_back(static_cast<BYTE>(c));
    }
    for (std::uint32_t pad = static_cast<std::uint32_t>(width) * 3; pad < stride; ++pad) out.push_back(0);
  }
  return out;
}

}  // namespace

std::vector<BYTE> ArchiveServer::MakeBitmapFile(LONG width, LONG height, COLORREF color) {
  return BitmapFile(width, height, [color](LONG, LONG) { return color; });
}

std::vector<BYTE> ArchiveServer::MakeBitmapFile(const forms::TBitmap& picture) {
  return BitmapFile(picture.Width(), picture.Height(), [&picture](LONG x, LONG y) {
    const std::uint32_t argb = picture.Pixel(x, picture.Height() - 1 - y);
    return static_cast<COLORREF>(((argb >> 16) & 0xFFu) | (argb & 0xFF00u) | ((argb & 0xFFu) << 16));
  });
}

std::vector<BYTE> ArchiveServer::PictureOf(const Document& document) const {
  if (!document.picture.empty()) return document.picture;
  // One colour per document, so pictures of different documents tell apart.
  const auto id = static_cast<std::uint32_t>(document.id);
  const COLORREF color = ((id * 0x3Du) & 0xFF) | (((id * 0x95u) & 0xFF) << 8) | (((id * 0xC7u + 0x40u) & 0xFF) << 16);
  return MakeBitmapFile(64, 48, color);
}

bool ArchiveServer::HasCapture(std::wstring_view url, int slot) const {
  return std::any_of(storedCaptures_.begin(), storedCaptures_.end(),
                     [&](const StoredCapture& c) { return c.slot == slot && c.url == url; });
}

// ---------------------------------------------------------------- recording

std::wstring ArchiveServer::Call::Text() const {
  std::wstring text = method + L"(";
  for (std::size_t i = 0; i < args.size(); ++i) text += (i ? L", " : L"") + VariantText(args[i]);
  return text + L")";
}

std::vector<ArchiveServer::Call> ArchiveServer::CallsTo(std::wstring_view method) const {
  std::vector<Call> out;
  for (const Call& c : calls_)
    if (c.method == method) out.push_back(c);
  return out;
}

std::size_t ArchiveServer::CallCount(std::wstring_view method) const {
  return static_cast<std::size_t>(
      std::count_if(calls_.begin(), calls_.end(), [&](const Call& c) { return c.method == method; }));
}

std::vector<std::wstring> ArchiveServer::CallTexts() const {
  std::vector<std::wstring> out;
  for (const Call& c : calls_) out.push_back(c.Text());
  return out;
}

HRESULT ArchiveServer::Reserved(const wchar_t* method) {
  return Serve(method, {}, [] { return E_NOTIMPL; });
}

HRESULT ArchiveServer::ShowDialog(const wchar_t* method, std::vector<com::Variant> args, std::wstring argument) {
  return Serve(method, std::move(args), [&] {
    dialogs_.push_back({method, std::move(argument)});
    return S_OK;
  });
}

HRESULT ArchiveServer::SetSwitch(const wchar_t* method, const wchar_t* valueName, VARIANT_BOOL value) {
  return Serve(method, {BoolArg(value)}, [&]() -> HRESULT {
    win::RegKey key;
    if (LSTATUS status = key.Create(HKEY_CURRENT_USER, kArchiveSettingsKey); status != ERROR_SUCCESS)
      return HRESULT_FROM_WIN32(status);
    if (LSTATUS status = key.SetDword(valueName, value ? 1 : 0); status != ERROR_SUCCESS)
      return HRESULT_FROM_WIN32(status);
    if (announce_) FireFunctionalityChange();
    return S_OK;
  });
}

// ---------------------------------------------------------------- running-object table

void ArchiveServer::SetGone(bool gone) {
  gone_ = gone;
  if (gone) events_->Abandon();
}

HRESULT ArchiveServer::Register() {
  if (rotToken_) return S_FALSE;
  DWORD token = 0;
  HRESULT hr = RegisterActiveObject(Identity(), vorn::CLSID_GUIServer, ACTIVEOBJECT_STRONG, &token);
  if (FAILED(hr)) return hr;
  rotToken_ = token;
  return hr;
}

HRESULT ArchiveServer::Revoke() {
  if (!rotToken_) return S_FALSE;
  const DWORD token = rotToken_;
  rotToken_ = 0;
  // May release the last reference and destroy this object: nothing after it.
  return RevokeActiveObject(token, nullptr);
}

// ---------------------------------------------------------------- events

HRESULT ArchiveServer::Fire(DISPID id, std::vector<com::Variant> args) { return events_->Fire(id, std::move(args)); }

std::size_t ArchiveServer::SinkCount() const { return events_->SinkCount(); }

HRESULT ArchiveServer::FireQuit() { return Fire(vorn::DISPID_OnQuit, {}); }

HRESULT ArchiveServer::FireRefreshHighlight() { return Fire(vorn::DISPID_OnRefreshHighlight, {}); }

HRESULT ArchiveServer::FireDocumentDataChange(LONG id, bool present, std::wstring_view comments, LONG status,
                                              LONG rating) {
  return Fire(vorn::DISPID_OnDocumentDataChange,
              {com::Variant(id), com::Variant(present), com::Variant(comments), com::Variant(status),
               com::Variant(rating)});
}

HRESULT ArchiveServer::FireDocumentDataChange(LONG id) {
  const Document* d = FindDocument(id);
  if (!d) return E_INVALIDARG;
  const Document copy = *d;  // a sink may change the archive while it handles the event
  return FireDocumentDataChange(copy.id, copy.present, copy.comments, copy.status, copy.rating);
}

HRESULT ArchiveServer::FireSettingsChange() { return Fire(vorn::DISPID_OnSettingsChange, {}); }

HRESULT ArchiveServer::FireFunctionalityChange() { return Fire(vorn::DISPID_OnFunctionalityChange, {}); }

HRESULT ArchiveServer::FireQuickGroupChange() { return Fire(vorn::DISPID_OnQuickGroupChange, {}); }

HRESULT ArchiveServer::FireFFSettingsChange(LONG value) {
  return Fire(vorn::DISPID_OnFFSettingsChange, {com::Variant(value)});
}

HRESULT ArchiveServer::FireFFLogin(bool value) { return Fire(vorn::DISPID_OnFFLogin, {com::Variant(value)}); }

// ---------------------------------------------------------------- IDispatch

HRESULT ArchiveServer::GetTypeInfoCount(UINT* pctinfo) {
  return Serve(L"GetTypeInfoCount", {}, [&]() -> HRESULT {
    if (!pctinfo) return E_POINTER;
    *pctinfo = 0;
    return S_OK;
  });
}

HRESULT ArchiveServer::GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo) {
  if (ppTInfo) *ppTInfo = nullptr;
  return Serve(L"GetTypeInfo", {}, [] { return E_NOTIMPL; });
}

HRESULT ArchiveServer::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) {
  return Serve(L"GetIDsOfNames", {}, [] { return E_NOTIMPL; });
}

HRESULT ArchiveServer::Invoke(DISPID dispIdMember, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) {
  return Serve(L"Invoke", {Arg(dispIdMember)}, [] { return E_NOTIMPL; });
}

// ---------------------------------------------------------------- IGUIServer: pages and links

HRESULT ArchiveServer::SubmitLinks(VARIANT ALinks, VARIANT ATexts, BSTR AReserved, VARIANT_BOOL ANotBrowserProcess) {
  return Serve(L"SubmitLinks", {Arg(ALinks), Arg(ATexts), Arg(AReserved), BoolArg(ANotBrowserProcess)},
               [&]() -> HRESULT {
                 LinkSubmission s;
                 if (HRESULT hr = ReadStrings(ALinks, &s.urls); FAILED(hr)) return hr;
                 if (HRESULT hr = ReadStrings(ATexts, &s.texts); FAILED(hr)) return hr;
                 if (s.urls.size() != s.texts.size()) return E_INVALIDARG;
                 s.reserved = Str(AReserved);
                 s.notBrowserProcess = ANotBrowserProcess;
                 submittedLinks_.push_back(std::move(s));
                 return S_OK;
               });
}

HRESULT ArchiveServer::AddBannerImages(VARIANT AURLs) {
  return Serve(L"AddBannerImages", {Arg(AURLs)}, [&]() -> HRESULT {
    std::vector<std::wstring> urls;
    if (HRESULT hr = ReadStrings(AURLs, &urls); FAILED(hr)) return hr;
    submittedBanners_.push_back(std::move(urls));
    return S_OK;
  });
}

HRESULT ArchiveServer::GetDocumentPicture(BSTR AURL, LONG AID, VARIANT_BOOL* AFound, VARIANT* APicture,
                                          VARIANT_BOOL AFromDomainLinks) {
  if (APicture) VariantInit(APicture);
  return Serve(L"GetDocumentPicture", {Arg(AURL), Arg(AID), BoolArg(AFromDomainLinks)}, [&]() -> HRESULT {
    if (!AFound || !APicture) return E_POINTER;
    const Document* d = AID != -1 ? FindDocument(AID) : FindDocumentByUrl(Str(AURL));
    *AFound = ToVariantBool(d != nullptr);
    if (!d) return S_OK;
    return std::move(com::SafeArray::FromBytes(PictureOf(*d))).IntoVariant().Detach(APicture);
  });
}

HRESULT ArchiveServer::GetLinkStates(VARIANT AURLs, VARIANT* AStates) {
  return Serve(L"GetLinkStates", {Arg(AURLs), AStates ? Arg(*AStates) : com::Variant()}, [&]() -> HRESULT {
    if (!AStates) return E_POINTER;
    if (!linkStatesAnswer_.IsEmpty()) {
      if (HRESULT hr = VariantClear(AStates); FAILED(hr)) return hr;
      return linkStatesAnswer_.CopyTo(AStates);
    }
    std::vector<std::wstring> urls;
    LONG lbound = 0;
    ULONG count = 0;
    if (HRESULT hr = ReadStrings(AURLs, &urls, &lbound, &count); FAILED(hr)) return hr;
    // The caller's own array is filled in place, so it must be a vector of variants with the same bounds.
    SAFEARRAY* states = nullptr;
    if (AStates->vt == (VT_ARRAY | VT_VARIANT)) states = AStates->parray;
    else if (AStates->vt == (VT_BYREF | VT_ARRAY | VT_VARIANT) && AStates->pparray) states = *AStates->pparray;
    if (!states || SafeArrayGetDim(states) != 1) return E_INVALIDARG;
    LONG stateLower = 0, stateUpper = -1;
    if (FAILED(SafeArrayGetLBound(states, 1, &stateLower)) || FAILED(SafeArrayGetUBound(states, 1, &stateUpper)))
      return E_INVALIDARG;
    if (stateLower != lbound || static_cast<LONGLONG>(stateUpper) - stateLower + 1 != static_cast<LONGLONG>(count))
      return E_INVALIDARG;
    for (ULONG i = 0; i < count; ++i) {
      LONG state = -1;
      if (auto it = linkStates_.find(urls[i]); it != linkStates_.end()) state = it->second;
      else if (const Document* d = FindDocumentByUrl(urls[i])) state = d->status;
      com::Variant value(state);
      LONG index = lbound + static_cast<LONG>(i);
      if (HRESULT hr = SafeArrayPutElement(states, &index, value.Ptr()); FAILED(hr)) return hr;
    }
    return S_OK;
  });
}

HRESULT ArchiveServer::GetLinkUrl(LONG AID, BSTR* AURL) {
  if (AURL) *AURL = nullptr;
  return Serve(L"GetLinkUrl", {Arg(AID)}, [&]() -> HRESULT {
    if (!AURL) return E_POINTER;
    const Document* d = FindDocument(AID);
    return PutString(AURL, d ? d->url : std::wstring());
  });
}

HRESULT ArchiveServer::GetDomainLinks(BSTR AURL, VARIANT* AIDs) {
  if (AIDs) VariantInit(AIDs);
  return Serve(L"GetDomainLinks", {Arg(AURL)}, [&]() -> HRESULT {
    if (!AIDs) return E_POINTER;
    if (auto it = domainLinkAnswers_.find(Str(AURL)); it != domainLinkAnswers_.end()) return it->second.CopyTo(AIDs);
    std::vector<BYTE> bytes;
    if (auto it = domainLinkBytes_.find(Str(AURL)); it != domainLinkBytes_.end()) {
      bytes = it->second;
    } else {
      for (LONG id : DomainLinks(Str(AURL))) PutLE32(bytes, static_cast<std::uint32_t>(id));
    }
    return std::move(com::SafeArray::FromBytes(bytes)).IntoVariant().Detach(AIDs);
  });
}

HRESULT ArchiveServer::GetDomainLinkCount(BSTR AURL, LONG* ACount) {
  if (ACount) *ACount = 0;
  return Serve(L"GetDomainLinkCount", {Arg(AURL)}, [&]() -> HRESULT {
    if (!ACount) return E_POINTER;
    if (auto it = domainLinkBytes_.find(Str(AURL)); it != domainLinkBytes_.end())
      *ACount = static_cast<LONG>(it->second.size() / 4);
    else
      *ACount = static_cast<LONG>(DomainLinks(Str(AURL)).size());
    return S_OK;
  });
}

// ---------------------------------------------------------------- IGUIServer: documents

HRESULT ArchiveServer::GetDocumentId(BSTR AURL, LONG* AID) {
  if (AID) *AID = -1;
  return Serve(L"GetDocumentId", {Arg(AURL)}, [&]() -> HRESULT {
    if (!AID) return E_POINTER;
    const Document* d = FindDocumentByUrl(Str(AURL));
    *AID = d ? d->id : -1;
    return S_OK;
  });
}

HRESULT ArchiveServer::GetDocumentData(BSTR AURL, LONG* AID, BSTR* AComments, LONG* AStatus, LONG* ARating) {
  if (AComments) *AComments = nullptr;
  return Serve(L"GetDocumentData", {Arg(AURL)}, [&]() -> HRESULT {
    if (!AID || !AComments || !AStatus || !ARating) return E_POINTER;
    const Document* d = FindDocumentByUrl(Str(AURL));
    *AID = d ? d->id : -1;
    *AStatus = d ? d->status : 0;
    *ARating = d ? d->rating : 0;
    return PutString(AComments, d ? d->comments : std::wstring());
  });
}

HRESULT ArchiveServer::GetRatingCount(LONG* ACount) {
  if (ACount) *ACount = 0;
  return Serve(L"GetRatingCount", {}, [&]() -> HRESULT {
    if (!ACount) return E_POINTER;
    *ACount = static_cast<LONG>(ratings_.size());
    return S_OK;
  });
}

HRESULT ArchiveServer::GetRatingColors(LONG ARating, OLE_COLOR* ATextColor, OLE_COLOR* ABackColor) {
  return Serve(L"GetRatingColors", {Arg(ARating)}, [&]() -> HRESULT {
    if (!ATextColor || !ABackColor) return E_POINTER;
    if (ARating < 0 || static_cast<std::size_t>(ARating) >= ratings_.size()) return E_INVALIDARG;
    *ATextColor = ratings_[static_cast<std::size_t>(ARating)].text;
    *ABackColor = ratings_[static_cast<std::size_t>(ARating)].back;
    return S_OK;
  });
}

HRESULT ArchiveServer::SetDocumentRating(LONG AID, LONG ARating) {
  return Serve(L"SetDocumentRating", {Arg(AID), Arg(ARating)}, [&]() -> HRESULT {
    if (ARating < 0 || static_cast<std::size_t>(ARating) >= ratings_.size()) return E_INVALIDARG;
    Document* d = FindMutable(AID);
    // An ID the archive no longer has (deleted meanwhile) is not an error to the caller.
    if (!d) return S_OK;
    d->rating = ARating;
    if (announce_) FireDocumentDataChange(AID);
    return S_OK;
  });
}

HRESULT ArchiveServer::GetCommentColors(OLE_COLOR* ATextColor, OLE_COLOR* ABackColor, OLE_COLOR* ACommentTextColor,
                                        OLE_COLOR* ACommentBackColor) {
  return Serve(L"GetCommentColors", {}, [&]() -> HRESULT {
    if (!ATextColor || !ABackColor || !ACommentTextColor || !ACommentBackColor) return E_POINTER;
    *ATextColor = commentColors_.text;
    *ABackColor = commentColors_.back;
    *ACommentTextColor = commentColors_.commentText;
    *ACommentBackColor = commentColors_.commentBack;
    return S_OK;
  });
}

// ---------------------------------------------------------------- IGUIServer: settings

HRESULT ArchiveServer::GetHintSettings(LONG* AAlpha, LONG* AShowDelay, LONG* AShowTime) {
  return Serve(L"GetHintSettings", {}, [&]() -> HRESULT {
    if (!AAlpha || !AShowDelay || !AShowTime) return E_POINTER;
    *AAlpha = hintSettings_.alpha;
    *AShowDelay = hintSettings_.showDelay;
    *AShowTime = hintSettings_.showTime;
    return S_OK;
  });
}

HRESULT ArchiveServer::GetHighlightSettings(LONG ABrowserID, VARIANT_BOOL* AEnabled, VARIANT_BOOL* AMarkArchived,
                                            VARIANT_BOOL* ABackColorDefault, OLE_COLOR* ABackColor,
                                            VARIANT_BOOL* ATextColorDefault, OLE_COLOR* ATextColor,
                                            VARIANT_BOOL* ABold, LONG* ADecoration) {
  return Serve(L"GetHighlightSettings", {Arg(ABrowserID)}, [&]() -> HRESULT {
    if (!AEnabled || !AMarkArchived || !ABackColorDefault || !ABackColor || !ATextColorDefault || !ATextColor ||
        !ABold || !ADecoration)
      return E_POINTER;
    *AEnabled = ToVariantBool(highlight_.enabled);
    *AMarkArchived = ToVariantBool(highlight_.markArchived);
    *ABackColorDefault = ToVariantBool(highlight_.backColorDefault);
    *ABackColor = highlight_.backColor;
    *ATextColorDefault = ToVariantBool(highlight_.textColorDefault);
    *ATextColor = highlight_.textColor;
    *ABold = ToVariantBool(highlight_.bold);
    *ADecoration = highlight_.decoration;
    return S_OK;
  });
}

HRESULT ArchiveServer::GetCaptureSettings(BSTR AURL, VARIANT_BOOL ARewriteIfExists, VARIANT_BOOL* AWantShot,
                                          LONG* AShotScale, LONG* AShotFormat, VARIANT_BOOL* AWantSecondShot,
                                          LONG* ASecondShotScale, LONG* ASecondShotFormat) {
  return Serve(L"GetCaptureSettings", {Arg(AURL), BoolArg(ARewriteIfExists)}, [&]() -> HRESULT {
    if (!AWantShot || !AShotScale || !AShotFormat || !AWantSecondShot || !ASecondShotScale || !ASecondShotFormat)
      return E_POINTER;
    // A page already captured is captured again only when the caller asks to rewrite.
    const std::wstring url = Str(AURL);
    *AWantShot = ToVariantBool(capture_.wantShot && (ARewriteIfExists || !HasCapture(url, 1)));
    *AShotScale = capture_.shotScale;
    *AShotFormat = capture_.shotFormat;
    *AWantSecondShot = ToVariantBool(capture_.wantSecondShot && (ARewriteIfExists || !HasCapture(url, 2)));
    *ASecondShotScale = capture_.secondShotScale;
    *ASecondShotFormat = capture_.secondShotFormat;
    return S_OK;
  });
}

HRESULT ArchiveServer::StoreCapture(const wchar_t* method, int slot, BSTR url, const VARIANT& data) {
  return Serve(method, {Arg(url), Arg(data)}, [&]() -> HRESULT {
    StoredCapture capture{Str(url), slot, {}};
    if (HRESULT hr = ReadBytes(data, &capture.data); FAILED(hr)) return hr;
    storedCaptures_.push_back(std::move(capture));
    return S_OK;
  });
}

HRESULT ArchiveServer::StoreCapture1(BSTR AURL, VARIANT AData) { return StoreCapture(L"StoreCapture1", 1, AURL, AData); }

HRESULT ArchiveServer::StoreCapture2(BSTR AURL, VARIANT AData) { return StoreCapture(L"StoreCapture2", 2, AURL, AData); }

HRESULT ArchiveServer::SetHighlightEnabled(VARIANT_BOOL AValue) {
  HRESULT hr = SetSwitch(L"SetHighlightEnabled", L"Highlight enabled", AValue);
  if (SUCCEEDED(hr)) highlight_.enabled = AValue != VARIANT_FALSE;
  return hr;
}

HRESULT ArchiveServer::SetPopupKillerEnabled(VARIANT_BOOL AValue) {
  return SetSwitch(L"SetPopupKillerEnabled", L"Popup killer enabled", AValue);
}

HRESULT ArchiveServer::SetBannerKillerEnabled(VARIANT_BOOL AValue) {
  return SetSwitch(L"SetBannerKillerEnabled", L"Banner killer enabled", AValue);
}

HRESULT ArchiveServer::SetLinkHintEnabled(VARIANT_BOOL AValue) {
  return SetSwitch(L"SetLinkHintEnabled", L"Link hint enabled", AValue);
}

HRESULT ArchiveServer::SetEnabled(VARIANT_BOOL AValue) { return SetSwitch(L"SetEnabled", L"Enabled", AValue); }

// ---------------------------------------------------------------- IGUIServer: dialogs

HRESULT ArchiveServer::ShowPopupKillerSettings(BSTR AURL) {
  return ShowDialog(L"ShowPopupKillerSettings", {Arg(AURL)}, Str(AURL));
}

HRESULT ArchiveServer::ShowSettings() { return ShowDialog(L"ShowSettings", {}, L""); }

HRESULT ArchiveServer::ShowComments(LONG AID) { return ShowDialog(L"ShowComments", {Arg(AID)}, std::to_wstring(AID)); }

HRESULT ArchiveServer::ManageQuickGroups() { return ShowDialog(L"ManageQuickGroups", {}, L""); }

HRESULT ArchiveServer::ShowTranslationSettings() { return ShowDialog(L"ShowTranslationSettings", {}, L""); }

// ---------------------------------------------------------------- IGUIServer: quick links and translations

HRESULT ArchiveServer::GetQuickGroupCount(LONG* ACount) {
  if (ACount) *ACount = 0;
  return Serve(L"GetQuickGroupCount", {}, [&]() -> HRESULT {
    if (!ACount) return E_POINTER;
    *ACount = static_cast<LONG>(quickGroups_.size());
    return S_OK;
  });
}

HRESULT ArchiveServer::GetQuickGroup(LONG AIndex, VARIANT_BOOL* AVisible, BSTR* AName, LONG* ALinkCount,
                                     VARIANT_BOOL* AResult) {
  if (AName) *AName = nullptr;
  return Serve(L"GetQuickGroup", {Arg(AIndex)}, [&]() -> HRESULT {
    if (!AVisible || !AName || !ALinkCount || !AResult) return E_POINTER;
    // A group that is not there is an answer, not an error.
    const bool found = AIndex >= 0 && static_cast<std::size_t>(AIndex) < quickGroups_.size();
    *AResult = ToVariantBool(found);
    *AVisible = VARIANT_FALSE;
    *ALinkCount = 0;
    if (!found) return PutString(AName, L"");
    const QuickGroup& g = quickGroups_[static_cast<std::size_t>(AIndex)];
    *AVisible = ToVariantBool(g.visible);
    *ALinkCount = static_cast<LONG>(g.links.size());
    return PutString(AName, g.name);
  });
}

HRESULT ArchiveServer::GetQuickLink(LONG AGroup, LONG ALink, BSTR* ACaption, BSTR* AURL, VARIANT_BOOL* AResult) {
  if (ACaption) *ACaption = nullptr;
  if (AURL) *AURL = nullptr;
  return Serve(L"GetQuickLink", {Arg(AGroup), Arg(ALink)}, [&]() -> HRESULT {
    if (!ACaption || !AURL || !AResult) return E_POINTER;
    const QuickLink* link = nullptr;
    if (AGroup >= 0 && static_cast<std::size_t>(AGroup) < quickGroups_.size()) {
      const auto& links = quickGroups_[static_cast<std::size_t>(AGroup)].links;
      if (ALink >= 0 && static_cast<std::size_t>(ALink) < links.size()) link = &links[static_cast<std::size_t>(ALink)];
    }
    if (link && !link->available) link = nullptr;
    *AResult = ToVariantBool(link != nullptr);
    if (HRESULT hr = PutString(ACaption, link ? link->caption : std::wstring()); FAILED(hr)) return hr;
    return PutString(AURL, link ? link->url : std::wstring());
  });
}

HRESULT ArchiveServer::GetTranslationCount(LONG* ACount) {
  if (ACount) *ACount = 0;
  return Serve(L"GetTranslationCount", {}, [&]() -> HRESULT {
    if (!ACount) return E_POINTER;
    *ACount = static_cast<LONG>(translations_.size());
    return S_OK;
  });
}

HRESULT ArchiveServer::GetTranslation(LONG AIndex, BSTR* ACaption, BSTR* AKey) {
  if (ACaption) *ACaption = nullptr;
  if (AKey) *AKey = nullptr;
  return Serve(L"GetTranslation", {Arg(AIndex)}, [&]() -> HRESULT {
    if (!ACaption || !AKey) return E_POINTER;
    if (AIndex < 0 || static_cast<std::size_t>(AIndex) >= translations_.size()) return E_INVALIDARG;
    const Translation& t = translations_[static_cast<std::size_t>(AIndex)];
    if (HRESULT hr = PutString(ACaption, t.caption); FAILED(hr)) return hr;
    return PutString(AKey, t.key);
  });
}

HRESULT ArchiveServer::GetTranslationUrl(BSTR AURL, BSTR AKey, BSTR* ATranslationURL) {
  if (ATranslationURL) *ATranslationURL = nullptr;
  return Serve(L"GetTranslationUrl", {Arg(AURL), Arg(AKey)}, [&]() -> HRESULT {
    if (!ATranslationURL) return E_POINTER;
    const std::wstring key = Str(AKey);
    for (const Translation& t : translations_)
      if (t.key == key) return PutString(ATranslationURL, t.urlPrefix + Str(AURL));
    // An unknown key has no translation: an empty address.
    return PutString(ATranslationURL, L"");
  });
}

// ---------------------------------------------------------------- IConnectionPointContainer

HRESULT ArchiveServer::EnumConnectionPoints(IEnumConnectionPoints** ppEnum) {
  if (ppEnum) *ppEnum = nullptr;
  return Serve(L"EnumConnectionPoints", {}, [&]() -> HRESULT {
    if (!ppEnum) return E_POINTER;
    return com::CreateComObject<ConnectionPointEnumerator>(
        ppEnum, std::vector<com::ComPtr<IConnectionPoint>>{com::ComPtr<IConnectionPoint>(events_.get())});
  });
}

HRESULT ArchiveServer::FindConnectionPoint(REFIID riid, IConnectionPoint** ppCP) {
  if (ppCP) *ppCP = nullptr;
  return Serve(L"FindConnectionPoint", {com::Variant(com::GuidToString(riid))}, [&]() -> HRESULT {
    if (!ppCP) return E_POINTER;
    if (!IsEqualIID(riid, vorn::DIID_IGUIServerEvents)) return CONNECT_E_NOCONNECTION;
    *ppCP = events_.get();
    (*ppCP)->AddRef();
    return S_OK;
  });
}

}  // namespace standins
