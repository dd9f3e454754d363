// The archive application's stand-in, through the interfaces the library uses:
// IGUIServer by v-table slot, the connection point of IGUIServerEvents, and
// the running-object table.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/com/Bstr.h"
#include "platform/com/ComPtr.h"
#include "platform/com/SafeArray.h"
#include "platform/com/Variant.h"
#include "platform/win/RegKey.h"
#include "platform/app_server/ZRStowly_TLB.h"
#include "standins/app_server/ArchiveServer.h"
#include "support/ComTest.h"

namespace {

using com::Bstr;
using com::ComPtr;
using com::SafeArray;
using com::Variant;
using standins::ArchiveServer;
using vorn::IGUIServer;

// Calls v-table slot `slot` of itf directly, as a caller compiled against the
// same slot numbers would, whatever the C++ declaration says.
template <class... A>
HRESULT CallSlot(IGUIServer* itf, int slot, A... args) {
  using Fn = HRESULT(STDMETHODCALLTYPE*)(IGUIServer*, A...);
  void** vtable = *reinterpret_cast<void***>(itf);
  return reinterpret_cast<Fn>(vtable[slot])(itf, args...);
}

// An event sink as the library makes one: IDispatch, answering to the events' IID.
class RecordingSink : public IDispatch {
 public:
  struct Event {
    DISPID id;
    WORD flags;
    std::vector<VARTYPE> types;  // declared order
    std::vector<Variant> args;   // declared order
  };

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IDispatch) &&
        !(answersEvents && IsEqualIID(riid, vorn::DIID_IGUIServerEvents)))
      return E_NOINTERFACE;
    *ppv = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs; }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
    *n = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                                   UINT*) override {
    Event e{id, flags, {}, {}};
    for (UINT i = params->cArgs; i-- > 0;) {
      e.types.push_back(params->rgvarg[i].vt);
      e.args.emplace_back(params->rgvarg[i]);
    }
    EXPECT_EQ(params->cNamedArgs, 0u);
    events.push_back(std::move(e));
    if (onEvent) onEvent();
    return answer;
  }

  ULONG refs = 0;
  bool answersEvents = true;
  HRESULT answer = S_OK;
  std::function<void()> onEvent;
  std::vector<Event> events;
};

class ArchiveServerTest : public testing_support::ComTest {
 protected:
  void SetUp() override {
    comInitialized_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    server_ = ArchiveServer::CreateWithSampleArchive();
    ASSERT_EQ(server_.As(&itf_), S_OK);
  }
  void TearDown() override {
    itf_.Reset();
    if (server_) server_->Revoke();
    server_.Reset();
    if (comInitialized_) CoUninitialize();
    ComTest::TearDown();
  }

  ComPtr<IConnectionPoint> EventPoint() {
    ComPtr<IConnectionPointContainer> container;
    EXPECT_EQ(itf_.As(&container), S_OK);
    ComPtr<IConnectionPoint> point;
    if (container) {
      EXPECT_EQ(container->FindConnectionPoint(vorn::DIID_IGUIServerEvents, point.ReleaseAndGetAddressOf()), S_OK);
    }
    return point;
  }

  std::wstring LastCall() const { return server_->Calls().empty() ? L"" : server_->Calls().back().Text(); }

  bool comInitialized_ = false;
  ComPtr<ArchiveServer> server_;
  ComPtr<IGUIServer> itf_;
};

// Every slot from 7 to the last, each called with its declared argument types.
struct SlotCall {
  int slot;
  const wchar_t* method;
  std::function<HRESULT(IGUIServer*)> call;
};

std::vector<SlotCall> AllSlots() {
  static Variant links = SafeArray::FromStrings({L"http://a/"}).IntoVariant();
  static Variant texts = SafeArray::FromStrings({L"A"}).IntoVariant();
  static Variant gif = SafeArray::FromBytes(std::vector<BYTE>{'G', 'I', 'F'}).IntoVariant();
  static Bstr url(L"http://www.example.com/");
  static Bstr key(L"en|de");
  auto none = [](int slot) { return [slot](IGUIServer* s) { return CallSlot(s, slot); }; };
  std::vector<SlotCall> slots = {
      {10, L"SubmitLinks",
       [](IGUIServer* s) { return CallSlot<VARIANT, VARIANT, BSTR, VARIANT_BOOL>(s, 10, links, texts, nullptr, 0); }},
      {14, L"GetDocumentPicture",
       [](IGUIServer* s) {
         VARIANT_BOOL found = 0;
         Variant picture;
         return CallSlot<BSTR, LONG, VARIANT_BOOL*, VARIANT*, VARIANT_BOOL>(s, 14, url.Get(), -1, &found,
                                                                            picture.Ptr(), 0);
       }},
      {15, L"GetHintSettings",
       [](IGUIServer* s) {
         LONG a, b, c;
         return CallSlot<LONG*, LONG*, LONG*>(s, 15, &a, &b, &c);
       }},
      {16, L"GetHighlightSettings",
       [](IGUIServer* s) {
         VARIANT_BOOL b1, b2, b3, b4, b5;
         OLE_COLOR c1, c2;
         LONG d;
         return CallSlot<LONG, VARIANT_BOOL*, VARIANT_BOOL*, VARIANT_BOOL*, OLE_COLOR*, VARIANT_BOOL*, OLE_COLOR*,
                         VARIANT_BOOL*, LONG*>(s, 16, 1, &b1, &b2, &b3, &c1, &b4, &c2, &b5, &d);
       }},
      {17, L"GetLinkStates",
       [](IGUIServer* s) {
         Variant states = SafeArray::CreateVector(VT_VARIANT, 0, 1).IntoVariant();
         return CallSlot<VARIANT, VARIANT*>(s, 17, links, states.Ptr());
       }},
      {18, L"SetHighlightEnabled", [](IGUIServer* s) { return CallSlot<VARIANT_BOOL>(s, 18, VARIANT_TRUE); }},
      {19, L"SetPopupKillerEnabled", [](IGUIServer* s) { return CallSlot<VARIANT_BOOL>(s, 19, VARIANT_TRUE); }},
      {20, L"ShowPopupKillerSettings", [](IGUIServer* s) { return CallSlot<BSTR>(s, 20, url.Get()); }},
      {24, L"ShowSettings", none(24)},
      {32, L"GetLinkUrl",
       [](IGUIServer* s) {
         Bstr out;
         return CallSlot<LONG, BSTR*>(s, 32, 1, out.ReleaseAndGetAddressOf());
       }},
      {33, L"GetDomainLinks",
       [](IGUIServer* s) {
         Variant ids;
         return CallSlot<BSTR, VARIANT*>(s, 33, url.Get(), ids.Ptr());
       }},
      {34, L"ShowComments", [](IGUIServer* s) { return CallSlot<LONG>(s, 34, 2); }},
      {35, L"AddBannerImages", [](IGUIServer* s) { return CallSlot<VARIANT>(s, 35, links); }},
      {36, L"SetBannerKillerEnabled", [](IGUIServer* s) { return CallSlot<VARIANT_BOOL>(s, 36, VARIANT_TRUE); }},
      {39, L"SetLinkHintEnabled", [](IGUIServer* s) { return CallSlot<VARIANT_BOOL>(s, 39, VARIANT_TRUE); }},
      {40, L"GetDomainLinkCount",
       [](IGUIServer* s) {
         LONG n;
         return CallSlot<BSTR, LONG*>(s, 40, url.Get(), &n);
       }},
      {41, L"GetRatingCount",
       [](IGUIServer* s) {
         LONG n;
         return CallSlot<LONG*>(s, 41, &n);
       }},
      {42, L"GetRatingColors",
       [](IGUIServer* s) {
         OLE_COLOR a, b;
         return CallSlot<LONG, OLE_COLOR*, OLE_COLOR*>(s, 42, 0, &a, &b);
       }},
      {43, L"SetDocumentRating", [](IGUIServer* s) { return CallSlot<LONG, LONG>(s, 43, 1, 2); }},
      {45, L"GetDocumentId",
       [](IGUIServer* s) {
         LONG id;
         return CallSlot<BSTR, LONG*>(s, 45, url.Get(), &id);
       }},
      {46, L"GetCommentColors",
       [](IGUIServer* s) {
         OLE_COLOR a, b, c, d;
         return CallSlot<OLE_COLOR*, OLE_COLOR*, OLE_COLOR*, OLE_COLOR*>(s, 46, &a, &b, &c, &d);
       }},
      {47, L"GetDocumentData",
       [](IGUIServer* s) {
         LONG id, status, rating;
         Bstr comments;
         return CallSlot<BSTR, LONG*, BSTR*, LONG*, LONG*>(s, 47, url.Get(), &id, comments.ReleaseAndGetAddressOf(),
                                                          &status, &rating);
       }},
      {48, L"GetCaptureSettings",
       [](IGUIServer* s) {
         VARIANT_BOOL w1, w2;
         LONG a, b, c, d;
         return CallSlot<BSTR, VARIANT_BOOL, VARIANT_BOOL*, LONG*, LONG*, VARIANT_BOOL*, LONG*, LONG*>(
             s, 48, url.Get(), VARIANT_FALSE, &w1, &a, &b, &w2, &c, &d);
       }},
      {49, L"StoreCapture1", [](IGUIServer* s) { return CallSlot<BSTR, VARIANT>(s, 49, url.Get(), gif); }},
      {50, L"StoreCapture2", [](IGUIServer* s) { return CallSlot<BSTR, VARIANT>(s, 50, url.Get(), gif); }},
      {52, L"SetEnabled", [](IGUIServer* s) { return CallSlot<VARIANT_BOOL>(s, 52, VARIANT_TRUE); }},
      {53, L"GetQuickGroupCount",
       [](IGUIServer* s) {
         LONG n;
         return CallSlot<LONG*>(s, 53, &n);
       }},
      {54, L"GetQuickGroup",
       [](IGUIServer* s) {
         VARIANT_BOOL visible, result;
         Bstr name;
         LONG count;
         return CallSlot<LONG, VARIANT_BOOL*, BSTR*, LONG*, VARIANT_BOOL*>(s, 54, 0, &visible,
                                                                          name.ReleaseAndGetAddressOf(), &count,
                                                                          &result);
       }},
      {55, L"GetQuickLink",
       [](IGUIServer* s) {
         Bstr caption, address;
         VARIANT_BOOL result;
         return CallSlot<LONG, LONG, BSTR*, BSTR*, VARIANT_BOOL*>(s, 55, 0, 0, caption.ReleaseAndGetAddressOf(),
                                                                 address.ReleaseAndGetAddressOf(), &result);
       }},
      {56, L"ManageQuickGroups", none(56)},
      {60, L"GetTranslationCount",
       [](IGUIServer* s) {
         LONG n;
         return CallSlot<LONG*>(s, 60, &n);
       }},
      {61, L"GetTranslation",
       [](IGUIServer* s) {
         Bstr caption, k;
         return CallSlot<LONG, BSTR*, BSTR*>(s, 61, 0, caption.ReleaseAndGetAddressOf(), k.ReleaseAndGetAddressOf());
       }},
      {62, L"GetTranslationUrl",
       [](IGUIServer* s) {
         Bstr out;
         return CallSlot<BSTR, BSTR, BSTR*>(s, 62, url.Get(), key.Get(), out.ReleaseAndGetAddressOf());
       }},
      {64, L"ShowTranslationSettings", none(64)},
  };
  // The rest are placeholders without arguments.
  for (int slot = 7; slot <= vorn::kGUIServerLastSlot; ++slot) {
    bool listed = false;
    for (const auto& s : slots) listed = listed || s.slot == slot;
    if (!listed) slots.push_back({slot, vorn::kGUIServerSlotNames[slot - 7], none(slot)});
  }
  return slots;
}

TEST_F(ArchiveServerTest, EverySlotReachesTheMethodOfItsNumber) {
  const auto slots = AllSlots();
  ASSERT_EQ(slots.size(), static_cast<std::size_t>(vorn::kGUIServerLastSlot - 6));
  for (const SlotCall& s : slots) {
    SCOPED_TRACE(s.slot);
    server_->ClearCalls();
    const HRESULT hr = s.call(itf_.Get());
    ASSERT_EQ(server_->Calls().size(), 1u);
    EXPECT_EQ(server_->Calls()[0].method, s.method);
    EXPECT_STREQ(s.method, vorn::kGUIServerSlotNames[s.slot - 7]) << "the declared slot table agrees";
    EXPECT_EQ(server_->Calls()[0].result, hr);
    if (std::wstring(s.method) == L"Reserved" + std::to_wstring(s.slot))
      EXPECT_EQ(hr, E_NOTIMPL);
    else
      EXPECT_EQ(hr, S_OK);
  }
  // The four IDispatch slots come before them.
  server_->ClearCalls();
  UINT count = 99;
  EXPECT_EQ(CallSlot<UINT*>(itf_.Get(), 3, &count), S_OK);
  EXPECT_EQ(count, 0u);
  ASSERT_EQ(server_->Calls().size(), 1u);
  EXPECT_EQ(server_->Calls()[0].method, L"GetTypeInfoCount");
}

TEST_F(ArchiveServerTest, AGoneServerAnswersEveryCallAsDisconnected) {
  server_->SetGone(true);
  for (const SlotCall& s : AllSlots()) EXPECT_EQ(s.call(itf_.Get()), RPC_E_DISCONNECTED) << s.method;
  ComPtr<IConnectionPointContainer> container;
  ASSERT_EQ(itf_.As(&container), S_OK);
  ComPtr<IConnectionPoint> point;
  EXPECT_EQ(container->FindConnectionPoint(vorn::DIID_IGUIServerEvents, point.ReleaseAndGetAddressOf()),
            RPC_E_DISCONNECTED);
  EXPECT_FALSE(point);
  EXPECT_TRUE(server_->Dialogs().empty()) << "a gone process does nothing";
  EXPECT_TRUE(server_->StoredCaptures().empty());

  server_->SetGone(false);
  LONG id = 0;
  EXPECT_EQ(itf_->GetDocumentId(Bstr(L"http://www.example.com/").Get(), &id), S_OK);
  EXPECT_EQ(id, 1);
}

TEST_F(ArchiveServerTest, DocumentsAreFoundByAddressAndById) {
  struct Case {
    const wchar_t* url;
    LONG id;
    const wchar_t* comments;
    LONG status;
    LONG rating;
  };
  const Case cases[] = {
      {L"http://www.example.com/", 1, L"", 0, 1},
      {L"http://www.example.com/news.html", 2, L"Read later", 1, 3},
      {L"http://www.example.com/old.html", 3, L"", 2, 0},
      {L"http://www.example.com/NEWS.html", -1, L"", 0, 0},
      {L"", -1, L"", 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.url);
    Bstr url(c.url);
    LONG id = 99, status = 99, rating = 99;
    Bstr comments(L"stale");
    ASSERT_EQ(itf_->GetDocumentData(url.Get(), &id, comments.ReleaseAndGetAddressOf(), &status, &rating), S_OK);
    EXPECT_EQ(id, c.id);
    EXPECT_EQ(comments.str(), c.comments);
    EXPECT_EQ(status, c.status);
    EXPECT_EQ(rating, c.rating);
    LONG onlyId = 99;
    ASSERT_EQ(itf_->GetDocumentId(url.Get(), &onlyId), S_OK);
    EXPECT_EQ(onlyId, c.id);
    if (c.id >= 0) {
      Bstr back;
      ASSERT_EQ(itf_->GetLinkUrl(c.id, back.ReleaseAndGetAddressOf()), S_OK);
      EXPECT_EQ(back.str(), c.url);
    }
  }
  Bstr none(L"stale");
  ASSERT_EQ(itf_->GetLinkUrl(12345, none.ReleaseAndGetAddressOf()), S_OK);
  EXPECT_EQ(none.str(), L"") << "an unknown ID has no address";
}

TEST_F(ArchiveServerTest, RatingsAndCommentColours) {
  LONG count = 0;
  ASSERT_EQ(itf_->GetRatingCount(&count), S_OK);
  EXPECT_EQ(count, 4);
  OLE_COLOR text = 1, back = 1;
  ASSERT_EQ(itf_->GetRatingColors(3, &text, &back), S_OK);
  EXPECT_EQ(text, 0xFFFFFFu);
  EXPECT_EQ(back, 0x008000u);
  EXPECT_EQ(itf_->GetRatingColors(4, &text, &back), E_INVALIDARG);
  EXPECT_EQ(itf_->GetRatingColors(-1, &text, &back), E_INVALIDARG);

  ASSERT_EQ(itf_->SetDocumentRating(2, 0), S_OK);
  EXPECT_EQ(server_->FindDocument(2)->rating, 0);
  EXPECT_EQ(itf_->SetDocumentRating(2, 4), E_INVALIDARG) << "no such rating";
  EXPECT_EQ(server_->FindDocument(2)->rating, 0);
  EXPECT_EQ(itf_->SetDocumentRating(999, 1), S_OK) << "a document deleted meanwhile is not an error";

  OLE_COLOR c[4] = {};
  ASSERT_EQ(itf_->GetCommentColors(&c[0], &c[1], &c[2], &c[3]), S_OK);
  EXPECT_EQ(c[0], 0x000000u);
  EXPECT_EQ(c[1], 0xF0F0F0u);
  EXPECT_EQ(c[2], 0x000080u);
  EXPECT_EQ(c[3], 0xC0FFFFu);
  EXPECT_EQ(itf_->GetCommentColors(&c[0], nullptr, &c[2], &c[3]), E_POINTER);
}

std::vector<LONG> IdsFromBytes(const VARIANT& v) {
  SafeArray array;
  EXPECT_EQ(SafeArray::FromVariant(v, &array), S_OK);
  std::vector<BYTE> bytes;
  EXPECT_EQ(array.ToBytes(&bytes), S_OK);
  EXPECT_EQ(bytes.size() % 4, 0u);
  std::vector<LONG> ids;
  for (std::size_t i = 0; i + 4 <= bytes.size(); i += 4)
    ids.push_back(static_cast<LONG>(bytes[i] | bytes[i + 1] << 8 | bytes[i + 2] << 16 |
                                    static_cast<std::uint32_t>(bytes[i + 3]) << 24));
  return ids;
}

TEST_F(ArchiveServerTest, DomainLinksAreLittleEndianIdsOfTheHostsPresentDocuments) {
  struct Case {
    const wchar_t* url;
    std::vector<LONG> ids;
  };
  const Case cases[] = {
      {L"http://www.example.com/anything?x=1", {1, 2}},  // 3 is no longer present
      {L"HTTP://WWW.EXAMPLE.COM:80/", {1, 2}},
      {L"http://example.org/", {7}},
      {L"http://nowhere.example.net/", {}},
      {L"not an address", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.url);
    Variant bytes;
    ASSERT_EQ(itf_->GetDomainLinks(Bstr(c.url).Get(), bytes.Ptr()), S_OK);
    EXPECT_EQ(bytes.vt(), VT_ARRAY | VT_UI1);
    EXPECT_EQ(IdsFromBytes(bytes), c.ids);
    LONG count = -1;
    ASSERT_EQ(itf_->GetDomainLinkCount(Bstr(c.url).Get(), &count), S_OK);
    EXPECT_EQ(count, static_cast<LONG>(c.ids.size()));
  }
  // A negative ID travels as its two's complement.
  server_->AddDocument({.id = -7, .url = L"http://example.org/odd"});
  Variant bytes;
  ASSERT_EQ(itf_->GetDomainLinks(Bstr(L"http://example.org/").Get(), bytes.Ptr()), S_OK);
  EXPECT_EQ(IdsFromBytes(bytes), (std::vector<LONG>{-7, 7}));

  // Ordered bytes override the archive, including a length that is not a multiple of four.
  server_->SetDomainLinkBytes(L"http://odd.example.com/", std::vector<BYTE>(9, 0x01));
  ASSERT_EQ(itf_->GetDomainLinks(Bstr(L"http://odd.example.com/").Get(), bytes.ReleaseAndGetAddressOf()), S_OK);
  SafeArray array;
  ASSERT_EQ(SafeArray::FromVariant(bytes, &array), S_OK);
  std::vector<BYTE> raw;
  ASSERT_EQ(array.ToBytes(&raw), S_OK);
  EXPECT_EQ(raw.size(), 9u);
  LONG count = 0;
  ASSERT_EQ(itf_->GetDomainLinkCount(Bstr(L"http://odd.example.com/").Get(), &count), S_OK);
  EXPECT_EQ(count, 2);
}

std::uint32_t LE32(const std::vector<BYTE>& b, std::size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

TEST_F(ArchiveServerTest, PicturesAreCompleteBitmapFiles) {
  struct Case {
    const wchar_t* url;
    LONG id;
    bool found;
  };
  const Case cases[] = {
      {L"http://www.example.com/", -1, true},
      {L"", 2, true},
      {L"http://www.example.com/", 7, true},  // the ID wins over the address
      {L"http://unknown.example.com/", -1, false},
      {L"", -1, false},
      {L"", 4242, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.id);
    VARIANT_BOOL found = 7;
    Variant picture;
    ASSERT_EQ(itf_->GetDocumentPicture(Bstr(c.url).Get(), c.id, &found, picture.Ptr(), VARIANT_TRUE), S_OK);
    EXPECT_EQ(found, c.found ? VARIANT_TRUE : VARIANT_FALSE);
    if (!c.found) {
      EXPECT_EQ(picture.vt(), VT_EMPTY);
      continue;
    }
    ASSERT_EQ(picture.vt(), VT_ARRAY | VT_UI1);
    SafeArray array;
    ASSERT_EQ(SafeArray::FromVariant(picture, &array), S_OK);
    LONG lbound = -1;
    ULONG count = 0;
    ASSERT_EQ(array.GetVectorBounds(&lbound, &count), S_OK);
    EXPECT_EQ(lbound, 0);
    std::vector<BYTE> bmp;
    ASSERT_EQ(array.ToBytes(&bmp), S_OK);
    ASSERT_GE(bmp.size(), 54u);
    EXPECT_EQ(bmp[0], 'B');
    EXPECT_EQ(bmp[1], 'M');
    EXPECT_EQ(LE32(bmp, 2), bmp.size()) << "file size field";
    const std::uint32_t offset = LE32(bmp, 10);
    EXPECT_EQ(LE32(bmp, 14), 40u) << "BITMAPINFOHEADER";
    const std::uint32_t width = LE32(bmp, 18), height = LE32(bmp, 22);
    EXPECT_EQ(bmp[28] | bmp[29] << 8, 24);
    EXPECT_EQ(LE32(bmp, 30), 0u) << "BI_RGB";
    const std::uint32_t stride = (width * 3 + 3) & ~3u;
    EXPECT_EQ(offset + stride * height, bmp.size()) << "pixels fill the file exactly";
  }
  // Two documents, two pictures; a document's own bytes are handed out as they are.
  Variant one, two;
  VARIANT_BOOL found;
  itf_->GetDocumentPicture(nullptr, 1, &found, one.Ptr(), VARIANT_FALSE);
  itf_->GetDocumentPicture(nullptr, 2, &found, two.Ptr(), VARIANT_FALSE);
  std::vector<BYTE> b1, b2;
  SafeArray a1, a2;
  SafeArray::FromVariant(one, &a1);
  SafeArray::FromVariant(two, &a2);
  a1.ToBytes(&b1);
  a2.ToBytes(&b2);
  EXPECT_NE(b1, b2);
  server_->AddDocument({.id = 9, .url = L"http://x/", .picture = {'n', 'o', 't', ' ', 'B', 'M', 'P'}});
  Variant own;
  ASSERT_EQ(itf_->GetDocumentPicture(nullptr, 9, &found, own.Ptr(), VARIANT_FALSE), S_OK);
  SafeArray a3;
  std::vector<BYTE> b3;
  ASSERT_EQ(SafeArray::FromVariant(own, &a3), S_OK);
  ASSERT_EQ(a3.ToBytes(&b3), S_OK);
  EXPECT_EQ(b3, (std::vector<BYTE>{'n', 'o', 't', ' ', 'B', 'M', 'P'}));
}

TEST_F(ArchiveServerTest, HintAndHighlightSettingsComeOutInDeclaredOrder) {
  server_->SetHintSettings({.alpha = 200, .showDelay = 300, .showTime = 4000});
  LONG alpha = 0, delay = 0, time = 0;
  ASSERT_EQ(itf_->GetHintSettings(&alpha, &delay, &time), S_OK);
  EXPECT_EQ(alpha, 200);
  EXPECT_EQ(delay, 300);
  EXPECT_EQ(time, 4000);

  server_->SetHighlightSettings({.enabled = true, .markArchived = false, .backColorDefault = true,
                                 .backColor = 0x0000FF, .textColorDefault = false, .textColor = 0x00FF00,
                                 .bold = true, .decoration = 2});
  VARIANT_BOOL enabled = 0, markArchived = 1, backDefault = 0, textDefault = 1, bold = 0;
  OLE_COLOR back = 0, text = 0;
  LONG decoration = 0;
  ASSERT_EQ(itf_->GetHighlightSettings(5, &enabled, &markArchived, &backDefault, &back, &textDefault, &text, &bold,
                                       &decoration),
            S_OK);
  EXPECT_EQ(enabled, VARIANT_TRUE);
  EXPECT_EQ(markArchived, VARIANT_FALSE);
  EXPECT_EQ(backDefault, VARIANT_TRUE);
  EXPECT_EQ(back, 0x0000FFu);
  EXPECT_EQ(textDefault, VARIANT_FALSE);
  EXPECT_EQ(text, 0x00FF00u);
  EXPECT_EQ(bold, VARIANT_TRUE);
  EXPECT_EQ(decoration, 2);
  EXPECT_EQ(LastCall(), L"GetHighlightSettings(5)");

  // The highlight switch is the settings' Enabled.
  ASSERT_EQ(itf_->SetHighlightEnabled(VARIANT_FALSE), S_OK);
  ASSERT_EQ(itf_->GetHighlightSettings(5, &enabled, &markArchived, &backDefault, &back, &textDefault, &text, &bold,
                                       &decoration),
            S_OK);
  EXPECT_EQ(enabled, VARIANT_FALSE);
}

TEST_F(ArchiveServerTest, LinkStatesFillTheCallersArray) {
  server_->SetLinkState(L"http://override.example.com/", 5);
  Variant urls = SafeArray::FromStrings({L"http://www.example.com/news.html", L"http://unknown.example.com/",
                                         L"http://override.example.com/", L"http://www.example.com/"})
                     .IntoVariant();
  Variant states = SafeArray::CreateVector(VT_VARIANT, 0, 4).IntoVariant();
  ASSERT_EQ(itf_->GetLinkStates(urls, states.Ptr()), S_OK);
  ASSERT_EQ(states.vt(), VT_ARRAY | VT_VARIANT);
  SafeArray array;
  ASSERT_EQ(SafeArray::FromVariant(states, &array), S_OK);
  std::vector<Variant> items;
  ASSERT_EQ(array.ToVariants(&items), S_OK);
  ASSERT_EQ(items.size(), 4u);
  const LONG expected[] = {1, -1, 5, 0};
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(items[i].vt(), VT_I4) << i;
    EXPECT_EQ(items[i].lVal, expected[i]) << i;
  }

  // No links: empty arrays are a valid question.
  Variant noUrls = SafeArray::FromStrings({}).IntoVariant();
  Variant noStates = SafeArray::CreateVector(VT_VARIANT, 0, 0).IntoVariant();
  EXPECT_EQ(itf_->GetLinkStates(noUrls, noStates.Ptr()), S_OK);

  // Bad input: a clear code, and the caller's array is left as it was.
  Variant shortStates = SafeArray::CreateVector(VT_VARIANT, 0, 3).IntoVariant();
  EXPECT_EQ(itf_->GetLinkStates(urls, shortStates.Ptr()), E_INVALIDARG);
  Variant shifted = SafeArray::CreateVector(VT_VARIANT, 1, 4).IntoVariant();
  EXPECT_EQ(itf_->GetLinkStates(urls, shifted.Ptr()), E_INVALIDARG);
  Variant notArray(LONG{4});
  EXPECT_EQ(itf_->GetLinkStates(urls, notArray.Ptr()), E_INVALIDARG);
  EXPECT_TRUE(FAILED(itf_->GetLinkStates(Variant(L"http://a/"), states.Ptr()))) << "addresses must be an array";
  EXPECT_EQ(itf_->GetLinkStates(urls, nullptr), E_POINTER);
}

TEST_F(ArchiveServerTest, SwitchesAreStoredWhereTheToolbarReadsThem) {
  struct Case {
    const wchar_t* value;
    std::function<HRESULT(VARIANT_BOOL)> set;
  };
  const Case cases[] = {
      {L"Enabled", [&](VARIANT_BOOL v) { return itf_->SetEnabled(v); }},
      {L"Banner killer enabled", [&](VARIANT_BOOL v) { return itf_->SetBannerKillerEnabled(v); }},
      {L"Popup killer enabled", [&](VARIANT_BOOL v) { return itf_->SetPopupKillerEnabled(v); }},
      {L"Highlight enabled", [&](VARIANT_BOOL v) { return itf_->SetHighlightEnabled(v); }},
      {L"Link hint enabled", [&](VARIANT_BOOL v) { return itf_->SetLinkHintEnabled(v); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    for (VARIANT_BOOL v : {VARIANT_FALSE, VARIANT_TRUE, VARIANT_FALSE}) {
      ASSERT_EQ(c.set(v), S_OK);
      win::RegKey key;
      ASSERT_EQ(key.Open(HKEY_CURRENT_USER, L"Software\\Zandrel\\Brisel\\Settings"), ERROR_SUCCESS);
      EXPECT_EQ(key.GetDword(c.value), std::optional<DWORD>(v ? 1u : 0u));
    }
  }
}

TEST_F(ArchiveServerTest, DialogsLinksBannersAndCapturesAreRecorded) {
  ASSERT_EQ(itf_->ShowPopupKillerSettings(Bstr(L"http://a/").Get()), S_OK);
  ASSERT_EQ(itf_->ShowComments(2), S_OK);
  ASSERT_EQ(itf_->ShowSettings(), S_OK);
  ASSERT_EQ(itf_->ManageQuickGroups(), S_OK);
  ASSERT_EQ(itf_->ShowTranslationSettings(), S_OK);
  const auto& dialogs = server_->Dialogs();
  ASSERT_EQ(dialogs.size(), 5u);
  EXPECT_EQ(dialogs[0].name, L"ShowPopupKillerSettings");
  EXPECT_EQ(dialogs[0].argument, L"http://a/");
  EXPECT_EQ(dialogs[1].name, L"ShowComments");
  EXPECT_EQ(dialogs[1].argument, L"2");
  EXPECT_EQ(dialogs[4].name, L"ShowTranslationSettings");

  Variant urls = SafeArray::FromStrings({L"http://a/", L"http://b/"}).IntoVariant();
  Variant texts = SafeArray::FromStrings({L"A", L"B"}).IntoVariant();
  ASSERT_EQ(itf_->SubmitLinks(urls, texts, Bstr(L"").Get(), VARIANT_TRUE), S_OK);
  EXPECT_EQ(LastCall(), LR"(SubmitLinks(["http://a/", "http://b/"], ["A", "B"], "", true))");
  ASSERT_EQ(server_->SubmittedLinks().size(), 1u);
  EXPECT_EQ(server_->SubmittedLinks()[0].texts, (std::vector<std::wstring>{L"A", L"B"}));
  EXPECT_EQ(server_->SubmittedLinks()[0].notBrowserProcess, VARIANT_TRUE);
  Variant oneText = SafeArray::FromStrings({L"A"}).IntoVariant();
  EXPECT_EQ(itf_->SubmitLinks(urls, oneText, nullptr, VARIANT_FALSE), E_INVALIDARG) << "texts must match addresses";
  EXPECT_TRUE(FAILED(itf_->SubmitLinks(Variant(LONG{1}), texts, nullptr, VARIANT_FALSE)));
  EXPECT_EQ(server_->SubmittedLinks().size(), 1u);

  ASSERT_EQ(itf_->AddBannerImages(urls), S_OK);
  ASSERT_EQ(server_->SubmittedBanners().size(), 1u);
  EXPECT_EQ(server_->SubmittedBanners()[0], (std::vector<std::wstring>{L"http://a/", L"http://b/"}));

  Variant gif = SafeArray::FromBytes(std::vector<BYTE>{'G', 'I', 'F', '8', '9', 'a'}).IntoVariant();
  ASSERT_EQ(itf_->StoreCapture2(Bstr(L"http://a/").Get(), gif), S_OK);
  EXPECT_EQ(itf_->StoreCapture1(Bstr(L"http://a/").Get(), urls), DISP_E_TYPEMISMATCH) << "pictures are bytes";
  ASSERT_EQ(server_->StoredCaptures().size(), 1u);
  EXPECT_EQ(server_->StoredCaptures()[0].slot, 2);
  EXPECT_EQ(server_->StoredCaptures()[0].data.size(), 6u);
  EXPECT_EQ(LastCall(), LR"(StoreCapture1("http://a/", ["http://a/", "http://b/"]))");
  EXPECT_EQ(server_->Calls().back().result, DISP_E_TYPEMISMATCH);
}

TEST_F(ArchiveServerTest, CaptureSettingsAskAgainOnlyWhenRewriting) {
  server_->SetCaptureSettings({.wantShot = true, .shotScale = 50, .shotFormat = 3, .wantSecondShot = true,
                               .secondShotScale = 10, .secondShotFormat = 7});
  auto ask = [&](const wchar_t* url, VARIANT_BOOL rewrite) {
    VARIANT_BOOL w1 = 0, w2 = 0;
    LONG s1 = 0, f1 = 0, s2 = 0, f2 = 0;
    EXPECT_EQ(itf_->GetCaptureSettings(Bstr(url).Get(), rewrite, &w1, &s1, &f1, &w2, &s2, &f2), S_OK);
    EXPECT_EQ(s1, 50);
    EXPECT_EQ(f1, 3);
    EXPECT_EQ(s2, 10);
    EXPECT_EQ(f2, 7);
    return std::pair(w1, w2);
  };
  EXPECT_EQ(ask(L"http://a/", VARIANT_FALSE), std::pair(VARIANT_TRUE, VARIANT_TRUE));
  Variant gif = SafeArray::FromBytes(std::vector<BYTE>{'G'}).IntoVariant();
  ASSERT_EQ(itf_->StoreCapture1(Bstr(L"http://a/").Get(), gif), S_OK);
  EXPECT_EQ(ask(L"http://a/", VARIANT_FALSE), std::pair(VARIANT_FALSE, VARIANT_TRUE));
  EXPECT_EQ(ask(L"http://a/", VARIANT_TRUE), std::pair(VARIANT_TRUE, VARIANT_TRUE));
  EXPECT_EQ(ask(L"http://b/", VARIANT_FALSE), std::pair(VARIANT_TRUE, VARIANT_TRUE));
}

TEST_F(ArchiveServerTest, QuickLinksAndTranslations) {
  LONG groups = 0;
  ASSERT_EQ(itf_->GetQuickGroupCount(&groups), S_OK);
  EXPECT_EQ(groups, 2);
  VARIANT_BOOL visible = 0, result = 0;
  Bstr name;
  LONG links = 0;
  ASSERT_EQ(itf_->GetQuickGroup(1, &visible, name.ReleaseAndGetAddressOf(), &links, &result), S_OK);
  EXPECT_EQ(result, VARIANT_TRUE);
  EXPECT_EQ(visible, VARIANT_FALSE);
  EXPECT_EQ(name.str(), L"Tools");
  EXPECT_EQ(links, 1);
  ASSERT_EQ(itf_->GetQuickGroup(2, &visible, name.ReleaseAndGetAddressOf(), &links, &result), S_OK);
  EXPECT_EQ(result, VARIANT_FALSE) << "no such group: an answer, not an error";

  Bstr caption, url;
  ASSERT_EQ(itf_->GetQuickLink(0, 1, caption.ReleaseAndGetAddressOf(), url.ReleaseAndGetAddressOf(), &result), S_OK);
  EXPECT_EQ(result, VARIANT_TRUE);
  EXPECT_EQ(caption.str(), L"Weather");
  EXPECT_EQ(url.str(), L"http://weather.example.com/");
  for (auto [g, l] : {std::pair<LONG, LONG>{0, 2}, {1, -1}, {-1, 0}, {5, 0}}) {
    ASSERT_EQ(itf_->GetQuickLink(g, l, caption.ReleaseAndGetAddressOf(), url.ReleaseAndGetAddressOf(), &result), S_OK);
    EXPECT_EQ(result, VARIANT_FALSE) << g << "," << l;
    EXPECT_EQ(url.str(), L"");
  }

  LONG count = 0;
  ASSERT_EQ(itf_->GetTranslationCount(&count), S_OK);
  EXPECT_EQ(count, 2);
  Bstr key;
  ASSERT_EQ(itf_->GetTranslation(1, caption.ReleaseAndGetAddressOf(), key.ReleaseAndGetAddressOf()), S_OK);
  EXPECT_EQ(caption.str(), L"German to English");
  EXPECT_EQ(key.str(), L"de|en");
  EXPECT_EQ(itf_->GetTranslation(2, caption.ReleaseAndGetAddressOf(), key.ReleaseAndGetAddressOf()), E_INVALIDARG);
  EXPECT_TRUE(caption.IsNull());
  EXPECT_TRUE(key.IsNull());
  Bstr translated;
  ASSERT_EQ(itf_->GetTranslationUrl(Bstr(L"http://a/").Get(), Bstr(L"de|en").Get(), translated.ReleaseAndGetAddressOf()),
            S_OK);
  EXPECT_EQ(translated.str(), L"http://translate.example.net/?lp=de|en&u=http://a/");
  ASSERT_EQ(itf_->GetTranslationUrl(Bstr(L"http://a/").Get(), Bstr(L"xx").Get(), translated.ReleaseAndGetAddressOf()),
            S_OK);
  EXPECT_EQ(translated.str(), L"");
}

TEST_F(ArchiveServerTest, CallsAreRecordedWithTheirArgumentsAsPassed) {
  server_->ClearCalls();
  itf_->SetEnabled(VARIANT_TRUE);
  itf_->SetEnabled(1);  // not an automation Boolean: recorded as it came
  itf_->SetDocumentRating(2, 1);
  LONG id;
  itf_->GetDocumentId(nullptr, &id);
  EXPECT_EQ(server_->CallTexts(), (std::vector<std::wstring>{L"SetEnabled(true)", L"SetEnabled(VARIANT_BOOL(1))",
                                                             L"SetDocumentRating(2, 1)", L"GetDocumentId(\"\")"}));
  ASSERT_EQ(server_->CallsTo(L"SetEnabled").size(), 2u);
  EXPECT_EQ(server_->CallsTo(L"SetEnabled")[1].args[0].vt(), VT_BOOL);
  EXPECT_EQ(server_->CallsTo(L"SetEnabled")[1].args[0].boolVal, 1);
  EXPECT_EQ(server_->CallCount(L"SetDocumentRating"), 1u);
  EXPECT_EQ(server_->CallCount(L"ShowSettings"), 0u);
}

TEST_F(ArchiveServerTest, AChosenMethodFailsWithAChosenCode) {
  server_->FailMethod(L"GetDocumentData", E_FAIL);
  server_->FailMethod(L"SetEnabled", RPC_E_SERVERFAULT);
  LONG id = 5, status = 5, rating = 5;
  Bstr comments;
  EXPECT_EQ(itf_->GetDocumentData(Bstr(L"http://www.example.com/").Get(), &id, comments.ReleaseAndGetAddressOf(),
                                  &status, &rating),
            E_FAIL);
  EXPECT_TRUE(comments.IsNull()) << "an out string is never left dangling";
  EXPECT_EQ(server_->Calls().back().result, E_FAIL);
  EXPECT_EQ(itf_->SetEnabled(VARIANT_FALSE), RPC_E_SERVERFAULT);
  win::RegKey key;
  EXPECT_NE(key.Open(HKEY_CURRENT_USER, L"Software\\Zandrel\\Brisel\\Settings"), ERROR_SUCCESS)
      << "a failed call does no work";
  LONG other = 0;
  EXPECT_EQ(itf_->GetDocumentId(Bstr(L"http://www.example.com/").Get(), &other), S_OK) << "others still answer";

  server_->ClearFailures();
  EXPECT_EQ(itf_->GetDocumentData(Bstr(L"http://www.example.com/").Get(), &id, comments.ReleaseAndGetAddressOf(),
                                  &status, &rating),
            S_OK);
  EXPECT_EQ(id, 1);
}

TEST_F(ArchiveServerTest, EventsReachEveryAdvisedSinkWithTheirDispidsAndTypes) {
  ComPtr<IConnectionPoint> point = EventPoint();
  ASSERT_TRUE(point);
  IID iid = {};
  ASSERT_EQ(point->GetConnectionInterface(&iid), S_OK);
  EXPECT_TRUE(IsEqualIID(iid, vorn::DIID_IGUIServerEvents));

  RecordingSink first, second;
  DWORD firstCookie = 0, secondCookie = 0;
  ASSERT_EQ(point->Advise(&first, &firstCookie), S_OK);
  ASSERT_EQ(point->Advise(&second, &secondCookie), S_OK);
  EXPECT_NE(firstCookie, 0u);
  EXPECT_NE(firstCookie, secondCookie);
  EXPECT_EQ(server_->SinkCount(), 2u);

  struct Case {
    std::function<HRESULT()> fire;
    DISPID id;
    std::vector<VARTYPE> types;
  };
  const Case cases[] = {
      {[&] { return server_->FireQuit(); }, 201, {}},
      {[&] { return server_->FireRefreshHighlight(); }, 202, {}},
      {[&] { return server_->FireDocumentDataChange(2, true, L"note", 1, 3); }, 203,
       {VT_I4, VT_BOOL, VT_BSTR, VT_I4, VT_I4}},
      {[&] { return server_->FireSettingsChange(); }, 204, {}},
      {[&] { return server_->FireFunctionalityChange(); }, 205, {}},
      {[&] { return server_->FireQuickGroupChange(); }, 206, {}},
      {[&] { return server_->FireFFSettingsChange(17); }, 207, {VT_I4}},
      {[&] { return server_->FireFFLogin(true); }, 208, {VT_BOOL}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    first.events.clear();
    second.events.clear();
    ASSERT_EQ(c.fire(), S_OK);
    for (RecordingSink* sink : {&first, &second}) {
      ASSERT_EQ(sink->events.size(), 1u);
      EXPECT_EQ(sink->events[0].id, c.id);
      EXPECT_EQ(sink->events[0].flags, DISPATCH_METHOD);
      EXPECT_EQ(sink->events[0].types, c.types);
    }
  }
  // Declared order comes out of the reversed rgvarg.
  first.events.clear();
  ASSERT_EQ(server_->FireDocumentDataChange(2), S_OK);
  const auto& args = first.events.at(0).args;
  ASSERT_EQ(args.size(), 5u);
  EXPECT_EQ(args[0].lVal, 2);
  EXPECT_EQ(args[1].boolVal, VARIANT_TRUE);
  EXPECT_EQ(std::wstring(args[2].bstrVal), L"Read later");
  EXPECT_EQ(args[3].lVal, 1);
  EXPECT_EQ(args[4].lVal, 3);
  EXPECT_EQ(server_->FireDocumentDataChange(4242), E_INVALIDARG);
  first.events.clear();
  ASSERT_EQ(server_->FireFFLogin(false), S_OK);
  EXPECT_EQ(first.events.at(0).args.at(0).boolVal, VARIANT_FALSE);

  ASSERT_EQ(point->Unadvise(firstCookie), S_OK);
  EXPECT_EQ(first.refs, 0u) << "unadvising lets go of the sink";
  first.events.clear();
  second.events.clear();
  ASSERT_EQ(server_->FireQuit(), S_OK);
  EXPECT_TRUE(first.events.empty());
  EXPECT_EQ(second.events.size(), 1u);
  EXPECT_EQ(point->Unadvise(firstCookie), CONNECT_E_NOCONNECTION);
  EXPECT_EQ(point->Unadvise(0), CONNECT_E_NOCONNECTION);
  ASSERT_EQ(point->Unadvise(secondCookie), S_OK);
  EXPECT_EQ(server_->SinkCount(), 0u);
  EXPECT_EQ(second.refs, 0u);
}

TEST_F(ArchiveServerTest, AdviseAndLookupRefuseWhatDoesNotFit) {
  ComPtr<IConnectionPointContainer> container;
  ASSERT_EQ(itf_.As(&container), S_OK);
  ComPtr<IConnectionPoint> point;
  EXPECT_EQ(container->FindConnectionPoint(IID_IDispatch, point.ReleaseAndGetAddressOf()), CONNECT_E_NOCONNECTION);
  EXPECT_FALSE(point);
  EXPECT_EQ(container->FindConnectionPoint(vorn::DIID_IGUIServerEvents, nullptr), E_POINTER);

  point = EventPoint();
  RecordingSink stranger;
  stranger.answersEvents = false;
  DWORD cookie = 5;
  EXPECT_EQ(point->Advise(&stranger, &cookie), CONNECT_E_CANNOTCONNECT);
  EXPECT_EQ(cookie, 0u);
  EXPECT_EQ(stranger.refs, 0u);
  EXPECT_EQ(point->Advise(nullptr, &cookie), E_POINTER);

  RecordingSink sink;
  server_->FailMethod(L"Advise", E_OUTOFMEMORY);
  EXPECT_EQ(point->Advise(&sink, &cookie), E_OUTOFMEMORY);
  EXPECT_EQ(server_->SinkCount(), 0u);
  server_->ClearFailures();

  // The connection point knows its container.
  ComPtr<IConnectionPointContainer> back;
  ASSERT_EQ(point->GetConnectionPointContainer(back.ReleaseAndGetAddressOf()), S_OK);
  EXPECT_EQ(com::QueryAs<IUnknown>(back.Get()).Get(), com::QueryAs<IUnknown>(itf_.Get()).Get());
}

TEST_F(ArchiveServerTest, EnumeratorsListThePointAndItsConnections) {
  ComPtr<IConnectionPointContainer> container;
  ASSERT_EQ(itf_.As(&container), S_OK);
  ComPtr<IEnumConnectionPoints> points;
  ASSERT_EQ(container->EnumConnectionPoints(points.ReleaseAndGetAddressOf()), S_OK);
  IConnectionPoint* got[2] = {};
  ULONG fetched = 0;
  EXPECT_EQ(points->Next(2, got, &fetched), S_FALSE);
  ASSERT_EQ(fetched, 1u);
  ComPtr<IConnectionPoint> only = ComPtr<IConnectionPoint>::Adopt(got[0]);
  EXPECT_EQ(only.Get(), EventPoint().Get());

  RecordingSink a, b;
  DWORD ca = 0, cb = 0;
  ASSERT_EQ(only->Advise(&a, &ca), S_OK);
  ASSERT_EQ(only->Advise(&b, &cb), S_OK);
  ComPtr<IEnumConnections> connections;
  ASSERT_EQ(only->EnumConnections(connections.ReleaseAndGetAddressOf()), S_OK);
  CONNECTDATA data[3] = {};
  ASSERT_EQ(connections->Next(3, data, &fetched), S_FALSE);
  ASSERT_EQ(fetched, 2u);
  EXPECT_EQ(data[0].dwCookie, ca);
  EXPECT_EQ(data[1].dwCookie, cb);
  for (ULONG i = 0; i < fetched; ++i) data[i].pUnk->Release();
  EXPECT_EQ(connections->Next(2, data, nullptr), E_POINTER) << "more than one needs a count";
  ASSERT_EQ(connections->Reset(), S_OK);
  EXPECT_EQ(connections->Skip(1), S_OK);
  ComPtr<IEnumConnections> clone;
  ASSERT_EQ(connections->Clone(clone.ReleaseAndGetAddressOf()), S_OK);
  ASSERT_EQ(clone->Next(1, data, nullptr), S_OK);
  EXPECT_EQ(data[0].dwCookie, cb) << "a clone starts where its original stood";
  data[0].pUnk->Release();
  connections.Reset();
  clone.Reset();
  only->Unadvise(ca);
  only->Unadvise(cb);
  EXPECT_EQ(a.refs, 0u);
  EXPECT_EQ(b.refs, 0u);
}

TEST_F(ArchiveServerTest, ASinkMayLeaveDuringAnEventAndFailuresAreReported) {
  ComPtr<IConnectionPoint> point = EventPoint();
  RecordingSink leaving, failing, last;
  DWORD leavingCookie = 0, c2 = 0, c3 = 0;
  ASSERT_EQ(point->Advise(&leaving, &leavingCookie), S_OK);
  ASSERT_EQ(point->Advise(&failing, &c2), S_OK);
  ASSERT_EQ(point->Advise(&last, &c3), S_OK);
  leaving.onEvent = [&] { EXPECT_EQ(point->Unadvise(leavingCookie), S_OK); };
  failing.answer = DISP_E_EXCEPTION;
  EXPECT_EQ(server_->FireSettingsChange(), DISP_E_EXCEPTION);
  EXPECT_EQ(leaving.events.size(), 1u);
  EXPECT_EQ(last.events.size(), 1u) << "a failing sink does not stop the others";
  EXPECT_EQ(server_->SinkCount(), 2u);
  point->Unadvise(c2);
  point->Unadvise(c3);
}

TEST_F(ArchiveServerTest, AnnouncedChangesFireTheirEvents) {
  ComPtr<IConnectionPoint> point = EventPoint();
  RecordingSink sink;
  DWORD cookie = 0;
  ASSERT_EQ(point->Advise(&sink, &cookie), S_OK);
  ASSERT_EQ(itf_->SetDocumentRating(1, 2), S_OK);
  ASSERT_EQ(itf_->SetEnabled(VARIANT_TRUE), S_OK);
  EXPECT_TRUE(sink.events.empty()) << "silent unless asked";
  server_->SetAnnounceChanges(true);
  ASSERT_EQ(itf_->SetDocumentRating(1, 3), S_OK);
  ASSERT_EQ(itf_->SetPopupKillerEnabled(VARIANT_FALSE), S_OK);
  ASSERT_EQ(sink.events.size(), 2u);
  EXPECT_EQ(sink.events[0].id, vorn::DISPID_OnDocumentDataChange);
  EXPECT_EQ(sink.events[0].args.at(4).lVal, 3);
  EXPECT_EQ(sink.events[1].id, vorn::DISPID_OnFunctionalityChange);
  point->Unadvise(cookie);
}

TEST_F(ArchiveServerTest, RegisteredServerIsFoundUnderItsClass) {
  ComPtr<IUnknown> found;
  EXPECT_EQ(GetActiveObject(vorn::CLSID_GUIServer, nullptr, found.ReleaseAndGetAddressOf()), MK_E_UNAVAILABLE);
  ASSERT_EQ(server_->Register(), S_OK);
  EXPECT_TRUE(server_->IsRegistered());
  EXPECT_EQ(server_->Register(), S_FALSE);
  ASSERT_EQ(GetActiveObject(vorn::CLSID_GUIServer, nullptr, found.ReleaseAndGetAddressOf()), S_OK);
  ComPtr<IGUIServer> asServer;
  ASSERT_EQ(found.As(&asServer), S_OK);
  EXPECT_EQ(asServer.Get(), itf_.Get());

  // The table keeps the server alive without the test's references.
  ArchiveServer* raw = server_.Get();
  found.Reset();
  asServer.Reset();
  itf_.Reset();
  server_.Reset();
  ASSERT_EQ(GetActiveObject(vorn::CLSID_GUIServer, nullptr, found.ReleaseAndGetAddressOf()), S_OK);
  EXPECT_EQ(found.Get(), raw->Identity());
  server_ = ComPtr<ArchiveServer>(raw);
  found.Reset();

  ASSERT_EQ(server_->Revoke(), S_OK);
  EXPECT_FALSE(server_->IsRegistered());
  EXPECT_EQ(server_->Revoke(), S_FALSE);
  EXPECT_EQ(GetActiveObject(vorn::CLSID_GUIServer, nullptr, found.ReleaseAndGetAddressOf()), MK_E_UNAVAILABLE);
}

}  // namespace
