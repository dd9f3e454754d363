// The compiled ZRStowly type library (resource TYPELIB 2 of this program)
// against the C++ declarations: the universal marshaler builds its proxies
// from the library, so a slot or an argument count that differs would send a
// call across processes to the wrong method.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/com/Bstr.h"
#include "platform/com/ComPtr.h"
#include "platform/app_server/ZRStowly_TLB.h"

namespace {

using com::Bstr;
using com::ComPtr;
using vorn::IGUIServer;

template <class... A>
constexpr short Arity(HRESULT (STDMETHODCALLTYPE IGUIServer::*)(A...)) {
  return static_cast<short>(sizeof...(A));
}

ComPtr<ITypeLib> LoadOwnTypeLibrary() {
  wchar_t path[MAX_PATH] = {};
  const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  ComPtr<ITypeLib> library;
  if (n == 0 || n >= MAX_PATH) return library;
  const std::wstring resource = std::wstring(path, n) + L"\\2";
  EXPECT_EQ(LoadTypeLibEx(resource.c_str(), REGKIND_NONE, library.ReleaseAndGetAddressOf()), S_OK);
  return library;
}

struct Function {
  MEMBERID id;
  std::wstring name;
  short params;
  short vtableOffset;
};

std::vector<Function> FunctionsOf(ITypeInfo* info) {
  std::vector<Function> out;
  TYPEATTR* attr = nullptr;
  if (FAILED(info->GetTypeAttr(&attr))) return out;
  const WORD count = attr->cFuncs;
  info->ReleaseTypeAttr(attr);
  for (UINT i = 0; i < count; ++i) {
    FUNCDESC* desc = nullptr;
    if (FAILED(info->GetFuncDesc(i, &desc))) continue;
    Bstr name;
    info->GetDocumentation(desc->memid, name.ReleaseAndGetAddressOf(), nullptr, nullptr, nullptr);
    out.push_back({desc->memid, name.str(), desc->cParams, desc->oVft});
    info->ReleaseFuncDesc(desc);
  }
  return out;
}

TEST(ArchiveServerTypeLibTest, IGUIServerHasEverySlotOfTheDeclaration) {
  ComPtr<ITypeLib> library = LoadOwnTypeLibrary();
  ASSERT_TRUE(library);
  ComPtr<ITypeInfo> dispatchPart;
  ASSERT_EQ(library->GetTypeInfoOfGuid(vorn::IID_IGUIServer, dispatchPart.ReleaseAndGetAddressOf()), S_OK);
  // A dual interface's v-table description is the type its dispatch description refers to as -1.
  HREFTYPE ref = 0;
  ASSERT_EQ(dispatchPart->GetRefTypeOfImplType(static_cast<UINT>(-1), &ref), S_OK);
  ComPtr<ITypeInfo> info;
  ASSERT_EQ(dispatchPart->GetRefTypeInfo(ref, info.ReleaseAndGetAddressOf()), S_OK);
  TYPEATTR* attr = nullptr;
  ASSERT_EQ(info->GetTypeAttr(&attr), S_OK);
  EXPECT_EQ(attr->typekind, TKIND_INTERFACE);
  EXPECT_TRUE(attr->wTypeFlags & TYPEFLAG_FDUAL);
  EXPECT_TRUE(attr->wTypeFlags & TYPEFLAG_FOLEAUTOMATION);
  EXPECT_EQ(attr->cbSizeVft, (vorn::kGUIServerLastSlot + 1) * sizeof(void*));
  info->ReleaseTypeAttr(attr);

  const auto functions = FunctionsOf(info.Get());
  ASSERT_EQ(functions.size(), std::size(vorn::kGUIServerSlotNames));
  for (const Function& f : functions) {
    SCOPED_TRACE(f.name);
    const int slot = f.vtableOffset / static_cast<int>(sizeof(void*));
    ASSERT_GE(slot, 7);
    ASSERT_LE(slot, vorn::kGUIServerLastSlot);
    EXPECT_EQ(f.name, vorn::kGUIServerSlotNames[slot - 7]);
    EXPECT_EQ(f.id, slot) << "the DISPID is the slot";
  }

  const struct {
    const wchar_t* name;
    short params;
  } arities[] = {
      {L"SubmitLinks", Arity(&IGUIServer::SubmitLinks)},
      {L"GetDocumentPicture", Arity(&IGUIServer::GetDocumentPicture)},
      {L"GetHintSettings", Arity(&IGUIServer::GetHintSettings)},
      {L"GetHighlightSettings", Arity(&IGUIServer::GetHighlightSettings)},
      {L"GetLinkStates", Arity(&IGUIServer::GetLinkStates)},
      {L"SetHighlightEnabled", Arity(&IGUIServer::SetHighlightEnabled)},
      {L"SetPopupKillerEnabled", Arity(&IGUIServer::SetPopupKillerEnabled)},
      {L"ShowPopupKillerSettings", Arity(&IGUIServer::ShowPopupKillerSettings)},
      {L"ShowSettings", Arity(&IGUIServer::ShowSettings)},
      {L"GetLinkUrl", Arity(&IGUIServer::GetLinkUrl)},
      {L"GetDomainLinks", Arity(&IGUIServer::GetDomainLinks)},
      {L"ShowComments", Arity(&IGUIServer::ShowComments)},
      {L"AddBannerImages", Arity(&IGUIServer::AddBannerImages)},
      {L"SetBannerKillerEnabled", Arity(&IGUIServer::SetBannerKillerEnabled)},
      {L"SetLinkHintEnabled", Arity(&IGUIServer::SetLinkHintEnabled)},
      {L"GetDomainLinkCount", Arity(&IGUIServer::GetDomainLinkCount)},
      {L"GetRatingCount", Arity(&IGUIServer::GetRatingCount)},
      {L"GetRatingColors", Arity(&IGUIServer::GetRatingColors)},
      {L"SetDocumentRating", Arity(&IGUIServer::SetDocumentRating)},
      {L"GetDocumentId", Arity(&IGUIServer::GetDocumentId)},
      {L"GetCommentColors", Arity(&IGUIServer::GetCommentColors)},
      {L"GetDocumentData", Arity(&IGUIServer::GetDocumentData)},
      {L"GetCaptureSettings", Arity(&IGUIServer::GetCaptureSettings)},
      {L"StoreCapture1", Arity(&IGUIServer::StoreCapture1)},
      {L"StoreCapture2", Arity(&IGUIServer::StoreCapture2)},
      {L"SetEnabled", Arity(&IGUIServer::SetEnabled)},
      {L"GetQuickGroupCount", Arity(&IGUIServer::GetQuickGroupCount)},
      {L"GetQuickGroup", Arity(&IGUIServer::GetQuickGroup)},
      {L"GetQuickLink", Arity(&IGUIServer::GetQuickLink)},
      {L"ManageQuickGroups", Arity(&IGUIServer::ManageQuickGroups)},
      {L"GetTranslationCount", Arity(&IGUIServer::GetTranslationCount)},
      {L"GetTranslation", Arity(&IGUIServer::GetTranslation)},
      {L"GetTranslationUrl", Arity(&IGUIServer::GetTranslationUrl)},
      {L"ShowTranslationSettings", Arity(&IGUIServer::ShowTranslationSettings)},
  };
  for (const auto& a : arities) {
    bool seen = false;
    for (const Function& f : functions) {
      if (f.name != a.name) continue;
      seen = true;
      EXPECT_EQ(f.params, a.params) << a.name;
    }
    EXPECT_TRUE(seen) << a.name;
  }
}

TEST(ArchiveServerTypeLibTest, EventsAndClassAreDescribed) {
  ComPtr<ITypeLib> library = LoadOwnTypeLibrary();
  ASSERT_TRUE(library);
  ComPtr<ITypeInfo> events;
  ASSERT_EQ(library->GetTypeInfoOfGuid(vorn::DIID_IGUIServerEvents, events.ReleaseAndGetAddressOf()), S_OK);
  TYPEATTR* attr = nullptr;
  ASSERT_EQ(events->GetTypeAttr(&attr), S_OK);
  EXPECT_EQ(attr->typekind, TKIND_DISPATCH);
  events->ReleaseTypeAttr(attr);
  const std::vector<std::pair<MEMBERID, short>> expected = {
      {vorn::DISPID_OnQuit, 0},           {vorn::DISPID_OnRefreshHighlight, 0}, {vorn::DISPID_OnDocumentDataChange, 5},
      {vorn::DISPID_OnSettingsChange, 0}, {vorn::DISPID_OnFunctionalityChange, 0},
      {vorn::DISPID_OnQuickGroupChange, 0}, {vorn::DISPID_OnFFSettingsChange, 1}, {vorn::DISPID_OnFFLogin, 1},
  };
  std::vector<std::pair<MEMBERID, short>> described;
  for (const Function& f : FunctionsOf(events.Get()))
    if (f.id >= 201) described.emplace_back(f.id, f.params);  // past IDispatch's own members
  EXPECT_EQ(described, expected);

  ComPtr<ITypeInfo> coclass;
  ASSERT_EQ(library->GetTypeInfoOfGuid(vorn::CLSID_GUIServer, coclass.ReleaseAndGetAddressOf()), S_OK);
  ASSERT_EQ(coclass->GetTypeAttr(&attr), S_OK);
  EXPECT_EQ(attr->typekind, TKIND_COCLASS);
  EXPECT_EQ(attr->cImplTypes, 2);
  coclass->ReleaseTypeAttr(attr);
  INT flags = 0;
  ASSERT_EQ(coclass->GetImplTypeFlags(1, &flags), S_OK);
  EXPECT_TRUE(flags & IMPLTYPEFLAG_FSOURCE) << "the events are the class's source";
}

}  // namespace
