// C++ declarations of the archive application's automation interface
// (ZRStowly.idl): the server's class, its dual interface IGUIServer and its
// event dispinterface IGUIServerEvents.
//
// The library calls IGUIServer early-bound, by v-table slot, so the order of
// the methods below is the contract: slot n of the v-table is the n-th method
// counting the three of IUnknown and the four of IDispatch. Slots the library
// never calls hold ReservedN placeholders so that every later slot keeps its
// number on the Windows ABI. ZRStowly.idl declares the same methods in the same
// order for the universal marshaler.
#pragma once

#include <iterator>

#include "platform/com/ComTypes.h"
#include "platform/com/InterfaceTraits.h"

namespace vorn {

// Defined here rather than in a source file, so that the stand-in of the
// application and its host program need only this header.
// {6FFA175F-4C47-4874-817E-6D30E7078240}
inline constexpr GUID LIBID_ZRStowly = {0x6FFA175F, 0x4C47, 0x4874, {0x81, 0x7E, 0x6D, 0x30, 0xE7, 0x07, 0x82, 0x40}};
// {F2091BB4-9A72-4FB8-8453-B90B604E0588}
inline constexpr CLSID CLSID_GUIServer = {0xF2091BB4, 0x9A72, 0x4FB8, {0x84, 0x53, 0xB9, 0x0B, 0x60, 0x4E, 0x05, 0x88}};
// {EF3E8D1B-C9F6-432E-A74B-0C8CC2AE9E7B}
inline constexpr IID IID_IGUIServer = {0xEF3E8D1B, 0xC9F6, 0x432E, {0xA7, 0x4B, 0x0C, 0x8C, 0xC2, 0xAE, 0x9E, 0x7B}};
// {164D393A-E41D-4596-8F8C-2CC7FAD92379}
inline constexpr IID DIID_IGUIServerEvents = {0x164D393A, 0xE41D, 0x4596, {0x8F, 0x8C, 0x2C, 0xC7, 0xFA, 0xD9, 0x23, 0x79}};

// Arrays cross the interface as variants: a list of addresses is
// VT_ARRAY|VT_VARIANT (lower bound 0) of VT_BSTR elements, bytes (pictures,
// ID lists) are VT_ARRAY|VT_UI1 (lower bound 0). Booleans are VARIANT_BOOL
// (-1 / 0), colours 0x00BBGGRR values or system-colour constants.
interface IGUIServer : IDispatch {
  virtual HRESULT STDMETHODCALLTYPE Reserved7() = 0;
  virtual HRESULT STDMETHODCALLTYPE Reserved8() = 0;
  virtual HRESULT STDMETHODCALLTYPE Reserved9() = 0;
  // 10
  virtual HRESULT STDMETHODCALLTYPE SubmitLinks(VARIANT ALinks, VARIANT ATexts, BSTR AReserved,
                                                VARIANT_BOOL ANotBrowserProcess) = 0;
  virtual HRESULT STDMETHODCALLTYPE Reserved11() = 0;
  virtual HRESULT STDMETHODCALLTYPE Reserved12() = 0;
  virtual HRESULT STDMETHODCALLTYPE Reserved13() = 0;
  // 14: AID is -1 when AURL names the document; APicture receives a bitmap file's bytes.
  virtual HRESULT STDMETHODCALLTYPE GetDocumentPicture(BSTR AURL, LONG AID, VARIANT_BOOL* AFound, VARIANT* APicture,
                                                       VARIANT_BOOL AFromDomainLinks) = 0;
  // 15: AAlpha below 0 means opaque.
  virtual HRESULT STDMETHODCALLTYPE GetHintSettings(LONG* AAlpha, LONG* AShowDelay, LONG* AShowTime) = 0;
  // 16: ADecoration 0 none, 1 overline, 2 line-through, 3 underline.
  virtual HRESULT STDMETHODCALLTYPE GetHighlightSettings(LONG ABrowserID, VARIANT_BOOL* AEnabled,
                                                         VARIANT_BOOL* AMarkArchived, VARIANT_BOOL* ABackColorDefault,
                                                         OLE_COLOR* ABackColor, VARIANT_BOOL* ATextColorDefault,
                                                         OLE_COLOR* ATextColor, VARIANT_BOOL* ABold,
                                                         LONG* ADecoration) = 0;
  // 17: AStates is made by the caller with the bounds of AURLs; the server puts one
  // VT_I4 per address into it (-1 = not archived).
  virtual HRESULT STDMETHODCALLTYPE GetLinkStates(VARIANT AURLs, VARIANT* AStates) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetHighlightEnabled(VARIANT_BOOL AValue) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetPopupKillerEnabled(VARIANT_BOOL AValue) = 0;
  // 20
  virtual HRESULT STDMETHODCALLTYPE ShowPopupKillerSettings(BSTR AURL) = 0;
  virtual HRESULT STDMETHODCALLTYPE Reserved21() = 0;
  virtual HRESULT STDMETHODCALLTYPE Reserved22() = 0;
  virtual HRESULT STDMETHODCALLTYPE Reserved23() = 0;
  virtual HRESULT STDMETHODCALLTYPE ShowSettings() = 0;
  virtual HRESULT STDMETHODCALLTYPE Reserved25() = 0;
  virtual HRESULT STDMETHODCALLTYPE Reserved26() = 0;
  virtual HRESULT STDMETHODCALLTYPE Reserved27() = 0;
  virtual HRESULT STDMETHODCALLTYPE Reserved28() = 0;
  virtual HRESULT STDMETHODCALLTYPE Reserved29() = 0;
  // 30
  virtual HRESULT STDMETHODCALLTYPE Reserved30() = 0;
  virtual HRESULT STDMETHODCALLTYPE Reserved31() = 0;
  virtual HRESULT STDMETHODCALLTYPE GetLinkUrl(LONG AID, BSTR* AURL) = 0;
  // 33: AIDs receives consecutive little-endian 32-bit IDs as bytes.
  virtual HRESULT STDMETHODCALLTYPE GetDomainLinks(BSTR AURL, VARIANT* AIDs) = 0;
  virtual HRESULT STDMETHODCALLTYPE ShowComments(LONG AID) = 0;
  virtual HRESULT STDMETHODCALLTYPE AddBannerImages(VARIANT AURLs) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetBannerKillerEnabled(VARIANT_BOOL AValue) = 0;
  virtual HRESULT STDMETHODCALLTYPE Reserved37() = 0;
  virtual HRESULT STDMETHODCALLTYPE Reserved38() = 0;
  virtual HRESULT STDMETHODCALLTYPE SetLinkHintEnabled(VARIANT_BOOL AValue) = 0;
  // 40
  virtual HRESULT STDMETHODCALLTYPE GetDomainLinkCount(BSTR AURL, LONG* ACount) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetRatingCount(LONG* ACount) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetRatingColors(LONG ARating, OLE_COLOR* ATextColor, OLE_COLOR* ABackColor) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetDocumentRating(LONG AID, LONG ARating) = 0;
  virtual HRESULT STDMETHODCALLTYPE Reserved44() = 0;
  virtual HRESULT STDMETHODCALLTYPE GetDocumentId(BSTR AURL, LONG* AID) = 0;
  // 46: the colours of a document without comments, then with comments.
  virtual HRESULT STDMETHODCALLTYPE GetCommentColors(OLE_COLOR* ATextColor, OLE_COLOR* ABackColor,
                                                     OLE_COLOR* ACommentTextColor, OLE_COLOR* ACommentBackColor) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetDocumentData(BSTR AURL, LONG* AID, BSTR* AComments, LONG* AStatus,
                                                    LONG* ARating) = 0;
  // 48: scales in percent, formats as colour-depth codes.
  virtual HRESULT STDMETHODCALLTYPE GetCaptureSettings(BSTR AURL, VARIANT_BOOL ARewriteIfExists,
                                                       VARIANT_BOOL* AWantShot, LONG* AShotScale, LONG* AShotFormat,
                                                       VARIANT_BOOL* AWantSecondShot, LONG* ASecondShotScale,
                                                       LONG* ASecondShotFormat) = 0;
  // 49, 50: AData holds a GIF file's bytes.
  virtual HRESULT STDMETHODCALLTYPE StoreCapture1(BSTR AURL, VARIANT AData) = 0;
  virtual HRESULT STDMETHODCALLTYPE StoreCapture2(BSTR AURL, VARIANT AData) = 0;
  virtual HRESULT STDMETHODCALLTYPE Reserved51() = 0;
  virtual HRESULT STDMETHODCALLTYPE SetEnabled(VARIANT_BOOL AValue) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetQuickGroupCount(LONG* ACount) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetQuickGroup(LONG AIndex, VARIANT_BOOL* AVisible, BSTR* AName, LONG* ALinkCount,
                                                  VARIANT_BOOL* AResult) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetQuickLink(LONG AGroup, LONG ALink, BSTR* ACaption, BSTR* AURL,
                                                 VARIANT_BOOL* AResult) = 0;
  virtual HRESULT STDMETHODCALLTYPE ManageQuickGroups() = 0;
  virtual HRESULT STDMETHODCALLTYPE Reserved57() = 0;
  virtual HRESULT STDMETHODCALLTYPE Reserved58() = 0;
  virtual HRESULT STDMETHODCALLTYPE Reserved59() = 0;
  // 60
  virtual HRESULT STDMETHODCALLTYPE GetTranslationCount(LONG* ACount) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetTranslation(LONG AIndex, BSTR* ACaption, BSTR* AKey) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetTranslationUrl(BSTR AURL, BSTR AKey, BSTR* ATranslationURL) = 0;
  virtual HRESULT STDMETHODCALLTYPE Reserved63() = 0;
  virtual HRESULT STDMETHODCALLTYPE ShowTranslationSettings() = 0;
};

// v-table slot of the last method.
inline constexpr int kGUIServerLastSlot = 64;
// The method in each slot from 7 to kGUIServerLastSlot, for checks that the
// declaration above, its implementations and ZRStowly.idl agree.
inline constexpr const wchar_t* kGUIServerSlotNames[] = {
    L"Reserved7", L"Reserved8", L"Reserved9", L"SubmitLinks", L"Reserved11", L"Reserved12", L"Reserved13",
    L"GetDocumentPicture", L"GetHintSettings", L"GetHighlightSettings", L"GetLinkStates", L"SetHighlightEnabled",
    L"SetPopupKillerEnabled", L"ShowPopupKillerSettings", L"Reserved21", L"Reserved22", L"Reserved23",
    L"ShowSettings", L"Reserved25", L"Reserved26", L"Reserved27", L"Reserved28", L"Reserved29", L"Reserved30",
    L"Reserved31", L"GetLinkUrl", L"GetDomainLinks", L"ShowComments", L"AddBannerImages", L"SetBannerKillerEnabled",
    L"Reserved37", L"Reserved38", L"SetLinkHintEnabled", L"GetDomainLinkCount", L"GetRatingCount",
    L"GetRatingColors", L"SetDocumentRating", L"Reserved44", L"GetDocumentId", L"GetCommentColors",
    L"GetDocumentData", L"GetCaptureSettings", L"StoreCapture1", L"StoreCapture2", L"Reserved51", L"SetEnabled",
    L"GetQuickGroupCount", L"GetQuickGroup", L"GetQuickLink", L"ManageQuickGroups", L"Reserved57", L"Reserved58",
    L"Reserved59", L"GetTranslationCount", L"GetTranslation", L"GetTranslationUrl", L"Reserved63",
    L"ShowTranslationSettings"};
static_assert(std::size(kGUIServerSlotNames) == kGUIServerLastSlot - 6);

// The events reach a sink as IDispatch::Invoke calls (DISPATCH_METHOD) with
// these DISPIDs; arguments come by value, last-declared first in rgvarg.
interface IGUIServerEvents : IDispatch {};

inline constexpr DISPID DISPID_OnQuit = 201;
inline constexpr DISPID DISPID_OnRefreshHighlight = 202;
// AID (VT_I4), APresent (VT_BOOL), AComments (VT_BSTR), AStatus (VT_I4), ARating (VT_I4)
inline constexpr DISPID DISPID_OnDocumentDataChange = 203;
inline constexpr DISPID DISPID_OnSettingsChange = 204;
inline constexpr DISPID DISPID_OnFunctionalityChange = 205;
inline constexpr DISPID DISPID_OnQuickGroupChange = 206;
// AValue (VT_I4)
inline constexpr DISPID DISPID_OnFFSettingsChange = 207;
// AValue (VT_BOOL)
inline constexpr DISPID DISPID_OnFFLogin = 208;

}  // namespace vorn

VORN_DECLARE_IID(vorn::IGUIServer, vorn::IID_IGUIServer);
VORN_DECLARE_IID(vorn::IGUIServerEvents, vorn::DIID_IGUIServerEvents);
