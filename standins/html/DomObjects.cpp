#include "standins/html/DomObjects.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/browser/BandInterfaces.h"
#include "platform/browser/LateBound.h"
#include "platform/browser/ViewObject.h"
#include "platform/com/Bstr.h"
#include "platform/com/Boundary.h"
#include "platform/com/ComError.h"
#include "platform/com/ComObject.h"
#include "platform/com/Text.h"
#include "platform/com/Variant.h"
#include "platform/win/Clipboard.h"
#include "standins/browser/WebBrowser.h"
#include "standins/html/Charset.h"
#include "standins/html/PageView.h"
#include "standins/html/Url.h"

namespace standins::html {

// What our own objects are made of, so that a range or an element handed back
// to us (inRange, moveToElementText) can be recognised without trusting casts.
struct DomRef {
  enum class Kind { Document, Element, Range, Other };
  std::shared_ptr<Dom> dom;
  Kind kind = Kind::Other;
  int first = 0;
  int last = -1;
};

// {6F7E2A1C-93B4-4D0E-8C52-3A1F0B9E7D64}
inline constexpr IID IID_IDomBacked = {0x6F7E2A1C, 0x93B4, 0x4D0E, {0x8C, 0x52, 0x3A, 0x1F, 0x0B, 0x9E, 0x7D, 0x64}};

struct IDomBacked : IUnknown {
  virtual DomRef* STDMETHODCALLTYPE Ref() = 0;
};

}  // namespace standins::html

VORN_DECLARE_IID(standins::html::IDomBacked, standins::html::IID_IDomBacked);

namespace standins::html {

namespace {

// Frames nest at most this deep; deeper ones, and pages that frame themselves, end in empty documents.
constexpr int kMaxFrameDepth = 4;
// An unsupported document command, as the browser's command target reports it.
constexpr HRESULT kCommandNotSupported = static_cast<HRESULT>(0x80040100);

struct Member {
  const wchar_t* name;
  DISPID id;
};

// Member names compare without regard to ASCII case, without allocating: walks ask for names often.
bool SameName(const wchar_t* a, const wchar_t* b) {
  for (;; ++a, ++b) {
    wchar_t x = *a, y = *b;
    if (x >= L'A' && x <= L'Z') x = static_cast<wchar_t>(x - L'A' + L'a');
    if (y >= L'A' && y <= L'Z') y = static_cast<wchar_t>(y - L'A' + L'a');
    if (x != y) return false;
    if (x == 0) return true;
  }
}

bool IsGet(WORD flags) { return (flags & (DISPATCH_PROPERTYGET | DISPATCH_METHOD)) != 0; }
bool IsPut(WORD flags) { return (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0; }

std::wstring ArgText(VARIANT* v) {
  if (v->vt == VT_NULL || v->vt == VT_EMPTY) return {};
  com::Variant text;
  if (FAILED(VariantChangeType(text.Ptr(), v, 0, VT_BSTR)))
    throw com::ComError(DISP_E_TYPEMISMATCH, L"the argument is not text");
  return text.bstrVal ? std::wstring(text.bstrVal, SysStringLen(text.bstrVal)) : std::wstring();
}

bool IsOmitted(const VARIANT* v) {
  return !v || v->vt == VT_EMPTY || (v->vt == VT_ERROR && v->scode == DISP_E_PARAMNOTFOUND);
}

com::Variant NullObject() {
  com::Variant v;
  v.Ptr()->vt = VT_DISPATCH;
  v.pdispVal = nullptr;
  return v;
}

DomRef* RefOf(IUnknown* object) {
  if (!object) return nullptr;
  auto backed = com::QueryAs<IDomBacked>(object);
  return backed ? backed->Ref() : nullptr;  // the object itself keeps the DomRef alive
}

HRESULT Raise(HRESULT hr, const std::wstring& message, EXCEPINFO* info) {
  if (!info) return hr;
  std::memset(info, 0, sizeof(*info));
  info->scode = hr;
  info->bstrSource = SysAllocString(L"HTML document");
  info->bstrDescription = SysAllocStringLen(message.data(), static_cast<UINT>(message.size()));
  return DISP_E_EXCEPTION;
}

using Args = std::span<VARIANT* const>;

// IDispatch over a table of member names; subclasses answer Call.
template <class... Extra>
class Automation : public com::ComObject<IDispatch, Extra...> {
 public:
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* pctinfo) override {
    if (!pctinfo) return E_POINTER;
    *pctinfo = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo) override {
    if (ppTInfo) *ppTInfo = nullptr;
    return DISP_E_BADINDEX;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
    if (!names || !ids) return E_POINTER;
    if (count == 0) return E_INVALIDARG;
    for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
    if (!names[0]) return DISP_E_UNKNOWNNAME;
    for (const Member& m : Members()) {
      if (SameName(m.name, names[0]) && Has(m.id)) {
        ids[0] = m.id;
        return count == 1 ? S_OK : DISP_E_UNKNOWNNAME;
      }
    }
    return DISP_E_UNKNOWNNAME;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                   EXCEPINFO* info, UINT*) override {
    const Member* member = nullptr;
    for (const Member& m : Members())
      if (m.id == id) member = &m;
    if (!member || !Has(id)) return DISP_E_MEMBERNOTFOUND;
    if (auto hr = Injected(member->name)) return Raise(*hr, std::wstring(L"\"") + member->name + L"\" failed", info);
    // The arguments in the caller's order. Members take a few: those need no heap.
    VARIANT* few[8];
    std::vector<VARIANT*> many;
    Args args;
    if (params && params->cArgs > 0) {
      if (!params->rgvarg) return E_INVALIDARG;
      const UINT count = params->cArgs;
      VARIANT** slots = few;
      if (count > std::size(few)) {
        many.resize(count);
        slots = many.data();
      }
      for (UINT i = 0; i < count; ++i) slots[i] = &params->rgvarg[count - 1 - i];
      args = Args(slots, count);
    }
    try {
      com::Variant out;
      const HRESULT hr = Call(id, flags, args, out);
      if (FAILED(hr)) return hr;
      if (result) {
        VariantInit(result);
        out.Detach(result);
      }
      return S_OK;
    } catch (const com::ComError& e) {
      return Raise(e.hr(), e.message(), info);
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    } catch (...) {
      return Raise(E_UNEXPECTED, L"unexpected failure", info);
    }
  }

 protected:
  virtual std::span<const Member> Members() const = 0;
  virtual bool Has(DISPID) const { return true; }
  virtual std::optional<HRESULT> Injected(std::wstring_view) const { return std::nullopt; }
  // args in the caller's order; out receives the result.
  virtual HRESULT Call(DISPID id, WORD flags, Args args, com::Variant& out) = 0;
};

template <class T, class... Args>
com::ComPtr<T> Make(Args&&... args) {
  return com::ComPtr<T>(new T(std::forward<Args>(args)...));
}

// ---------------------------------------------------------------- text ranges

class TextRange : public Automation<IDomBacked> {
  VORN_INTERFACE_TABLE_BEGIN(TextRange)
  VORN_ENTRY(IDispatch)
  VORN_ENTRY(IDomBacked)
  VORN_INTERFACE_TABLE_END

 public:
  TextRange(std::shared_ptr<Dom> dom, int first, int last) {
    ref_.dom = std::move(dom);
    ref_.kind = DomRef::Kind::Range;
    ref_.first = first;
    ref_.last = last;
  }
  DomRef* STDMETHODCALLTYPE Ref() override { return &ref_; }

 protected:
  enum : DISPID { kText = 1, kInRange, kMoveToElementText, kIsEqual, kHtmlText };
  std::span<const Member> Members() const override {
    static const Member kMembers[] = {{L"text", kText},
                                      {L"inRange", kInRange},
                                      {L"moveToElementText", kMoveToElementText},
                                      {L"isEqual", kIsEqual},
                                      {L"htmlText", kHtmlText}};
    return kMembers;
  }
  HRESULT Call(DISPID id, WORD flags, Args args, com::Variant& out) override {
    switch (id) {
      case kText:
      case kHtmlText:
        if (!IsGet(flags)) return DISP_E_MEMBERNOTFOUND;
        out = com::Variant(ref_.dom->Text(ref_.first, ref_.last));
        return S_OK;
      case kInRange:
      case kIsEqual: {
        if (args.size() != 1) return DISP_E_BADPARAMCOUNT;
        DomRef* other = args[0]->vt == VT_DISPATCH ? RefOf(args[0]->pdispVal) : nullptr;
        if (!other || other->kind != DomRef::Kind::Range || other->dom != ref_.dom)
          throw com::ComError(E_INVALIDARG, L"not a text range of this document");
        const bool result = id == kInRange ? (other->first >= ref_.first && other->last <= ref_.last)
                                           : (other->first == ref_.first && other->last == ref_.last);
        out = com::Variant(result);
        return S_OK;
      }
      case kMoveToElementText: {
        if (args.size() != 1) return DISP_E_BADPARAMCOUNT;
        DomRef* element = args[0]->vt == VT_DISPATCH ? RefOf(args[0]->pdispVal) : nullptr;
        if (!element || element->kind != DomRef::Kind::Element || element->dom != ref_.dom)
          throw com::ComError(E_INVALIDARG, L"not an element of this document");
        ref_.first = element->first;
        ref_.last = element->last;
        return S_OK;
      }
    }
    return DISP_E_MEMBERNOTFOUND;
  }

 private:
  DomRef ref_;
};

// ---------------------------------------------------------------- style

class Style : public Automation<> {
  VORN_INTERFACE_TABLE_BEGIN(Style)
  VORN_ENTRY(IDispatch)
  VORN_INTERFACE_TABLE_END

 public:
  Style(std::shared_ptr<Dom> dom, int node) : dom_(std::move(dom)), node_(node) {}

 protected:
  std::span<const Member> Members() const override {
    static const Member kMembers[] = {
        {L"textDecoration", 1}, {L"fontWeight", 2}, {L"color", 3}, {L"backgroundColor", 4}, {L"cssText", 5}};
    return kMembers;
  }
  std::optional<HRESULT> Injected(std::wstring_view member) const override { return dom_->Failure(node_, member); }
  HRESULT Call(DISPID id, WORD flags, Args args, com::Variant& out) override {
    static const wchar_t* kCss[] = {nullptr, L"text-decoration", L"font-weight", L"color", L"background-color"};
    if (id == 5) {
      if (!IsGet(flags)) return DISP_E_MEMBERNOTFOUND;
      std::wstring text;
      for (const wchar_t* name : {kCss[1], kCss[2], kCss[3], kCss[4]}) {
        const std::wstring value = dom_->StyleValue(node_, name);
        if (!value.empty()) text += std::wstring(text.empty() ? L"" : L" ") + name + L": " + value + L";";
      }
      out = com::Variant(text);
      return S_OK;
    }
    if (IsPut(flags)) {
      if (args.size() != 1) return DISP_E_BADPARAMCOUNT;
      dom_->SetStyleValue(node_, kCss[id], ArgText(args[0]));
      return S_OK;
    }
    if (!IsGet(flags)) return DISP_E_MEMBERNOTFOUND;
    out = com::Variant(dom_->StyleValue(node_, kCss[id]));
    return S_OK;
  }

 private:
  std::shared_ptr<Dom> dom_;
  int node_;
};

// ---------------------------------------------------------------- elements

class Element : public Automation<IDomBacked> {
  VORN_INTERFACE_TABLE_BEGIN(Element)
  VORN_ENTRY(IDispatch)
  VORN_ENTRY(IDomBacked)
  VORN_INTERFACE_TABLE_END

 public:
  Element(std::shared_ptr<Dom> dom, int node) {
    ref_.dom = std::move(dom);
    ref_.kind = DomRef::Kind::Element;
    ref_.first = node;
    ref_.last = ref_.dom->At(node).end;
  }
  ~Element() override { ref_.dom->wrappers[static_cast<std::size_t>(ref_.first)] = nullptr; }
  DomRef* STDMETHODCALLTYPE Ref() override { return &ref_; }

 protected:
  enum : DISPID {
    kHref = 1, kSrc, kInnerText, kAlt, kId, kTagName, kParentTextEdit, kStyle, kCreateTextRange, kGetAttribute,
    kClassName, kParentElement, kName
  };
  std::span<const Member> Members() const override {
    static const Member kMembers[] = {
        {L"href", kHref},       {L"src", kSrc},
        {L"innerText", kInnerText}, {L"alt", kAlt},
        {L"id", kId},           {L"tagName", kTagName},
        {L"parentTextEdit", kParentTextEdit}, {L"style", kStyle},
        {L"createTextRange", kCreateTextRange}, {L"getAttribute", kGetAttribute},
        {L"className", kClassName}, {L"parentElement", kParentElement},
        {L"name", kName}};
    return kMembers;
  }
  bool Has(DISPID id) const override {
    const unsigned char members = ref_.dom->At(ref_.first).members;
    switch (id) {
      case kHref: return members & Node::kHref;
      case kSrc: return members & Node::kSrc;
      case kAlt: return members & Node::kAlt;
      case kCreateTextRange: return members & Node::kTextRange;
      default: return true;
    }
  }

  std::optional<HRESULT> Injected(std::wstring_view member) const override {
    return ref_.dom->Failure(ref_.first, member);
  }
  HRESULT Call(DISPID id, WORD flags, Args args, com::Variant& out) override {
    Dom& dom = *ref_.dom;
    const int node = ref_.first;
    const Node& n = dom.At(node);
    auto attribute = [&](const wchar_t* name) {
      const std::wstring* v = n.Attribute(name);
      return v ? *v : std::wstring();
    };
    if (id == kGetAttribute) {
      if (args.empty()) return DISP_E_BADPARAMCOUNT;
      const std::wstring* v = n.Attribute(com::AsciiLower(ArgText(args[0])));
      if (v) {
        out = com::Variant(*v);
      } else {
        out.Ptr()->vt = VT_NULL;
      }
      return S_OK;
    }
    if (id == kCreateTextRange) {
      out = com::Variant(static_cast<IDispatch*>(Make<TextRange>(ref_.dom, node, n.end).Get()));
      return S_OK;
    }
    if (!IsGet(flags)) return DISP_E_MEMBERNOTFOUND;
    switch (id) {
      case kHref: out = com::Variant(dom.ResolvedAttribute(node, L"href")); return S_OK;
      case kSrc: out = com::Variant(dom.ResolvedAttribute(node, L"src")); return S_OK;
      case kInnerText: out = com::Variant(dom.TextView(node, n.end)); return S_OK;
      case kAlt: out = com::Variant(attribute(L"alt")); return S_OK;
      case kId: out = com::Variant(attribute(L"id")); return S_OK;
      case kName: out = com::Variant(attribute(L"name")); return S_OK;
      case kClassName: out = com::Variant(attribute(L"class")); return S_OK;
      case kTagName: {
        std::wstring upper = n.tag;
        for (wchar_t& c : upper)
          if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
        out = com::Variant(upper);
        return S_OK;
      }
      case kParentTextEdit:
        out = dom.InsideBody(node) ? com::Variant(ElementObject(ref_.dom, dom.Body()).Get()) : NullObject();
        return S_OK;
      case kParentElement: {
        const int parent = n.parent;
        out = (parent >= 0 && dom.At(parent).kind == Node::Kind::Element)
                  ? com::Variant(ElementObject(ref_.dom, parent).Get())
                  : NullObject();
        return S_OK;
      }
      case kStyle: out = com::Variant(static_cast<IDispatch*>(Make<Style>(ref_.dom, node).Get())); return S_OK;
    }
    return DISP_E_MEMBERNOTFOUND;
  }

 private:
  DomRef ref_;
};

// ---------------------------------------------------------------- collections

class Collection : public Automation<> {
  VORN_INTERFACE_TABLE_BEGIN(Collection)
  VORN_ENTRY(IDispatch)
  VORN_INTERFACE_TABLE_END

 public:
  // nodes lives in the dom's tag cache, which never drops an entry.
  Collection(std::shared_ptr<Dom> dom, const std::vector<int>* nodes) : dom_(std::move(dom)), nodes_(nodes) {}

 protected:
  enum : DISPID { kItem = DISPID_VALUE, kLength = 1, kTags };
  std::span<const Member> Members() const override {
    static const Member kMembers[] = {{L"item", kItem}, {L"length", kLength}, {L"tags", kTags}};
    return kMembers;
  }
  HRESULT Call(DISPID id, WORD flags, Args args, com::Variant& out) override {
    switch (id) {
      case kLength:
        if (!IsGet(flags)) return DISP_E_MEMBERNOTFOUND;
        out = com::Variant(static_cast<LONG>(nodes_->size()));
        return S_OK;
      case kTags: {
        if (args.empty()) return DISP_E_BADPARAMCOUNT;
        const std::vector<int>& all = dom_->Tags(com::AsciiLower(ArgText(args[0])));
        if (nodes_ == &dom_->Tags(L"*")) {
          out = com::Variant(static_cast<IDispatch*>(Make<Collection>(dom_, &all).Get()));
        } else {
          // A sub-collection's tags: its own members of that name, cached by the dom as well.
          auto filtered = std::make_shared<std::vector<int>>();
          for (int i : all)
            if (std::binary_search(nodes_->begin(), nodes_->end(), i)) filtered->push_back(i);
          out = com::Variant(static_cast<IDispatch*>(Make<Collection>(dom_, dom_->Keep(std::move(filtered))).Get()));
        }
        return S_OK;
      }
      case kItem: {
        if (args.empty() || IsOmitted(args[0])) {
          out = com::Variant(static_cast<IDispatch*>(this));
          return S_OK;
        }
        VARIANT* index = args[0];
        com::Variant plain;
        if (FAILED(VariantCopyInd(plain.Ptr(), index))) return DISP_E_TYPEMISMATCH;
        if (plain.vt() == VT_BSTR) {
          const std::wstring name = plain.bstrVal ? plain.bstrVal : L"";
          for (int node : *nodes_) {
            const Node& n = dom_->At(node);
            const std::wstring* nid = n.Attribute(L"id");
            const std::wstring* nname = n.Attribute(L"name");
            if ((nid && *nid == name) || (nname && *nname == name)) {
              out = com::Variant(ElementObject(dom_, node).Get());
              return S_OK;
            }
          }
          out = NullObject();
          return S_OK;
        }
        com::Variant number;
        if (plain.vt() != VT_I4 && FAILED(VariantChangeType(number.Ptr(), plain.Ptr(), 0, VT_I4))) {
          out = NullObject();  // an index that is no number names nothing
          return S_OK;
        }
        const LONG i = plain.vt() == VT_I4 ? plain.lVal : number.lVal;
        out = (i >= 0 && static_cast<size_t>(i) < nodes_->size())
                  ? com::Variant(ElementObject(dom_, (*nodes_)[static_cast<size_t>(i)]).Get())
                  : NullObject();
        return S_OK;
      }
    }
    return DISP_E_MEMBERNOTFOUND;
  }

 private:
  std::shared_ptr<Dom> dom_;
  const std::vector<int>* nodes_;
};

// ---------------------------------------------------------------- selection

class ControlRange : public Automation<> {
  VORN_INTERFACE_TABLE_BEGIN(ControlRange)
  VORN_ENTRY(IDispatch)
  VORN_INTERFACE_TABLE_END

 public:
  ControlRange(std::shared_ptr<Dom> dom, int node) : dom_(std::move(dom)), node_(node) {}

 protected:
  std::span<const Member> Members() const override {
    static const Member kMembers[] = {{L"item", DISPID_VALUE}, {L"length", 1}};
    return kMembers;
  }
  HRESULT Call(DISPID id, WORD, Args args, com::Variant& out) override {
    if (id == 1) {
      out = com::Variant(static_cast<LONG>(1));
      return S_OK;
    }
    if (args.empty()) return DISP_E_BADPARAMCOUNT;
    com::Variant number;
    if (FAILED(VariantChangeType(number.Ptr(), args[0], 0, VT_I4))) return DISP_E_TYPEMISMATCH;
    out = number.lVal == 0 ? com::Variant(ElementObject(dom_, node_).Get()) : NullObject();
    return S_OK;
  }

 private:
  std::shared_ptr<Dom> dom_;
  int node_;
};

// A control selection's range has no inRange, as the browser's control range has none.
class Selection : public Automation<> {
  VORN_INTERFACE_TABLE_BEGIN(Selection)
  VORN_ENTRY(IDispatch)
  VORN_INTERFACE_TABLE_END

 public:
  explicit Selection(std::shared_ptr<Dom> dom) : dom_(std::move(dom)) {}

 protected:
  std::span<const Member> Members() const override {
    static const Member kMembers[] = {{L"type", 1}, {L"createRange", 2}, {L"empty", 3}, {L"clear", 4}};
    return kMembers;
  }
  std::optional<HRESULT> Injected(std::wstring_view member) const override {
    return dom_->Failure(-1, std::wstring(L"selection.") + std::wstring(member));
  }
  HRESULT Call(DISPID id, WORD, Args, com::Variant& out) override {
    switch (id) {
      case 1:
        out = com::Variant(dom_->selectionType == Dom::SelectionType::None   ? L"None"
                           : dom_->selectionType == Dom::SelectionType::Text ? L"Text"
                                                                             : L"Control");
        return S_OK;
      case 2:
        if (dom_->selectionType == Dom::SelectionType::Control) {
          out = com::Variant(static_cast<IDispatch*>(Make<ControlRange>(dom_, dom_->selectionFirst).Get()));
        } else if (dom_->selectionType == Dom::SelectionType::Text) {
          out = com::Variant(
              static_cast<IDispatch*>(Make<TextRange>(dom_, dom_->selectionFirst, dom_->selectionLast).Get()));
        } else {
          // Nothing selected: a collapsed range at the start of the body holds nothing.
          const int at = std::max(dom_->Body(), 0);
          out = com::Variant(static_cast<IDispatch*>(Make<TextRange>(dom_, at, at - 1).Get()));
        }
        return S_OK;
      case 3:
      case 4:
        dom_->selectionType = Dom::SelectionType::None;
        return S_OK;
    }
    return DISP_E_MEMBERNOTFOUND;
  }

 private:
  std::shared_ptr<Dom> dom_;
};

// ---------------------------------------------------------------- frames

void ListFrames(Dom& dom) {
  if (dom.framesListed) return;
  dom.framesListed = true;
  std::vector<int> elements = dom.Tags(L"frame");
  const std::vector<int>& iframes = dom.Tags(L"iframe");
  elements.insert(elements.end(), iframes.begin(), iframes.end());
  std::sort(elements.begin(), elements.end());
  for (int e : elements) {
    Dom::Frame frame;
    frame.element = e;
    frame.url = std::wstring(dom.ResolvedAttribute(e, L"src"));
    dom.frames.push_back(std::move(frame));
  }
}

Dom::Frame& LoadFrame(Dom& dom, size_t index) {
  Dom::Frame& frame = dom.frames[index];
  if (frame.loaded) return frame;
  frame.loaded = true;
  std::optional<std::string> bytes;
  if (dom.loader && !frame.url.empty() && dom.depth + 1 < kMaxFrameDepth) {
    try {
      bytes = dom.loader(frame.url);
    } catch (...) {
      bytes.reset();  // a loader that throws loads nothing
    }
  }
  std::shared_ptr<Dom> child;
  if (bytes) {
    child = Dom::Parse(DecodeToUtf8(*bytes, ""), frame.url);
    const std::wstring parentOrigin = UrlOrigin(dom.Url());
    const std::wstring childOrigin = UrlOrigin(frame.url);
    frame.accessDenied = parentOrigin != childOrigin;
  } else {
    child = Dom::Parse("", L"about:blank");
  }
  child->loader = dom.loader;
  child->depth = dom.depth + 1;
  frame.document = CreateDocumentObject(child);
  return frame;
}

class Window : public Automation<> {
  VORN_INTERFACE_TABLE_BEGIN(Window)
  VORN_ENTRY(IDispatch)
  VORN_INTERFACE_TABLE_END

 public:
  // The window of a document (the page's own), or of frame `index` of parent.
  explicit Window(com::ComPtr<IDispatch> document) : document_(std::move(document)) {}
  Window(std::shared_ptr<Dom> parent, size_t index) : parent_(std::move(parent)), index_(index) {}

 protected:
  enum : DISPID { kItem = DISPID_VALUE, kDocument = 1, kWindow, kSelf, kFrames, kLength };
  std::span<const Member> Members() const override {
    static const Member kMembers[] = {{L"item", kItem},     {L"document", kDocument}, {L"window", kWindow},
                                      {L"self", kSelf},     {L"frames", kFrames},     {L"length", kLength}};
    return kMembers;
  }
  std::optional<HRESULT> Injected(std::wstring_view member) const override {
    if (!parent_) return std::nullopt;
    return parent_->Failure(-1, L"frames." + std::to_wstring(index_) + L"." + std::wstring(member));
  }
  HRESULT Call(DISPID id, WORD, Args args, com::Variant& out) override {
    if (id == kWindow || id == kSelf) {
      out = com::Variant(static_cast<IDispatch*>(this));
      return S_OK;
    }
    com::ComPtr<IDispatch> document = document_;
    if (parent_) {
      Dom::Frame& frame = LoadFrame(*parent_, index_);
      // A page from another origin keeps its document to itself.
      if (frame.accessDenied) return E_ACCESSDENIED;
      document = frame.document;
    }
    if (id == kDocument) {
      out = com::Variant(document.Get());
      return S_OK;
    }
    std::shared_ptr<Dom> dom = DomOf(document.Get());
    ListFrames(*dom);
    if (id == kLength) {
      out = com::Variant(static_cast<LONG>(dom->frames.size()));
      return S_OK;
    }
    if (id == kFrames) {
      out = com::Variant(static_cast<IDispatch*>(this));
      return S_OK;
    }
    // item(j)
    if (args.empty()) return DISP_E_BADPARAMCOUNT;
    com::Variant number;
    if (FAILED(VariantChangeType(number.Ptr(), args[0], 0, VT_I4))) return DISP_E_TYPEMISMATCH;
    const LONG j = number.lVal;
    if (j < 0 || static_cast<size_t>(j) >= dom->frames.size())
      throw com::ComError(E_INVALIDARG, L"no frame " + std::to_wstring(j));
    out = com::Variant(static_cast<IDispatch*>(Make<Window>(dom, static_cast<size_t>(j)).Get()));
    return S_OK;
  }

 private:
  com::ComPtr<IDispatch> document_;
  std::shared_ptr<Dom> parent_;
  size_t index_ = 0;
};

// ---------------------------------------------------------------- the container's enumerator

class EnumUnknown : public com::ComObject<IEnumUnknown> {
  VORN_INTERFACE_TABLE_BEGIN(EnumUnknown)
  VORN_ENTRY(IEnumUnknown)
  VORN_INTERFACE_TABLE_END

 public:
  EnumUnknown(std::vector<com::ComPtr<IUnknown>> items, size_t at) : items_(std::move(items)), at_(at) {}

  HRESULT STDMETHODCALLTYPE Next(ULONG celt, IUnknown** rgelt, ULONG* fetched) override {
    if (fetched) *fetched = 0;
    if (!rgelt) return E_POINTER;
    if (celt > 1 && !fetched) return E_INVALIDARG;
    ULONG n = 0;
    while (n < celt && at_ < items_.size()) items_[at_++].CopyTo(&rgelt[n++]);
    if (fetched) *fetched = n;
    return n == celt ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Skip(ULONG celt) override {
    const size_t left = items_.size() - at_;
    at_ += std::min<size_t>(celt, left);
    return celt <= left ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Reset() override {
    at_ = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Clone(IEnumUnknown** out) override {
    if (!out) return E_POINTER;
    return com::CreateComObject<EnumUnknown>(out, items_, at_);
  }

 private:
  std::vector<com::ComPtr<IUnknown>> items_;
  size_t at_;
};

// ---------------------------------------------------------------- the document

const IID& HtmlDocument2Iid() { return browser::IID_IHTMLDocument2; }

class Document : public Automation<IOleContainer, IDomBacked, IViewObject, IOleWindow> {
 protected:
  std::span<const com::InterfaceEntry> InterfaceTable() const override {
    static const com::InterfaceEntry kTable[] = {
        VORN_INTERFACE_ENTRY(Document, IDispatch),
        {&HtmlDocument2Iid, &com::CastToInterface<Document, IDispatch>},
        VORN_INTERFACE_ENTRY(Document, IOleContainer),
        VORN_INTERFACE_ENTRY(Document, IParseDisplayName),
        VORN_INTERFACE_ENTRY(Document, IDomBacked),
        VORN_INTERFACE_ENTRY(Document, IViewObject),
        VORN_INTERFACE_ENTRY(Document, IOleWindow),
    };
    return kTable;
  }

 public:
  explicit Document(std::shared_ptr<Dom> dom) {
    ref_.dom = std::move(dom);
    ref_.kind = DomRef::Kind::Document;
    ref_.first = 0;
    ref_.last = ref_.dom->Size() - 1;
  }
  DomRef* STDMETHODCALLTYPE Ref() override { return &ref_; }

  HRESULT STDMETHODCALLTYPE ParseDisplayName(IBindCtx*, LPOLESTR, ULONG* eaten, IMoniker** out) override {
    if (eaten) *eaten = 0;
    if (out) *out = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE EnumObjects(DWORD flags, IEnumUnknown** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    return com::Boundary(com::MayFail, [&] {
      if (std::optional<HRESULT> injected = ref_.dom->Failure(-1, L"EnumObjects")) return *injected;
      std::vector<com::ComPtr<IUnknown>> items;
      if (flags & OLECONTF_EMBEDDINGS) {
        Dom& dom = *ref_.dom;
        ListFrames(dom);
        for (size_t j = 0; j < dom.frames.size(); ++j) {
          Dom::Frame& frame = LoadFrame(dom, j);
          auto browser = standins::WebBrowser::Create();
          browser->SetDocument(frame.document);
          browser->SetLocation(frame.url.empty() ? L"about:blank" : frame.url, L"");
          // A frame whose document is made to fail refuses it on every path.
          if (std::optional<HRESULT> injected = dom.Failure(-1, L"frames." + std::to_wstring(j) + L".document"))
            browser->FailDocument(*injected);
          items.push_back(com::ComPtr<IUnknown>(static_cast<IWebBrowser2*>(browser.Get())));
        }
      }
      return com::CreateComObject<EnumUnknown>(out, std::move(items), size_t{0});
    });
  }
  HRESULT STDMETHODCALLTYPE LockContainer(BOOL) override { return S_OK; }

  // The view: the page as it is now, drawn at the bounds (see PageView.h); frames are not drawn.
  HRESULT STDMETHODCALLTYPE Draw(DWORD aspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC dc, LPCRECTL bounds,
                                 LPCRECTL, BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR) override {
    if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    if (!dc || !bounds) return E_INVALIDARG;
    RECT r;
    r.left = bounds->left;
    r.top = bounds->top;
    r.right = bounds->right;
    r.bottom = bounds->bottom;
    return com::Boundary(com::MayFail, [&] { return DrawPage(*ref_.dom, dc, r); });
  }
  HRESULT STDMETHODCALLTYPE GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, LOGPALETTE** colors) override {
    if (colors) *colors = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Freeze(DWORD, LONG, void*, DWORD* cookie) override {
    if (cookie) *cookie = 0;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Unfreeze(DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetAdvise(DWORD, DWORD, IAdviseSink*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetAdvise(DWORD* aspects, DWORD* advf, IAdviseSink** sink) override {
    if (aspects) *aspects = 0;
    if (advf) *advf = 0;
    if (sink) *sink = nullptr;
    return E_NOTIMPL;
  }

  // The window the page is shown in (ShowInWindow); none yet: E_FAIL, as a document never shown answers.
  HRESULT STDMETHODCALLTYPE GetWindow(HWND* out) override {
    if (!out) return E_POINTER;
    *out = window_;
    return window_ ? S_OK : E_FAIL;
  }
  HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
  void ShowIn(HWND window) { window_ = window; }

 protected:
  enum : DISPID {
    kAll = 1, kFrames, kSelection, kUrl, kBody, kParentWindow, kExecCommand, kTitle, kGetElementById,
    kGetElementsByTagName
  };
  std::span<const Member> Members() const override {
    static const Member kMembers[] = {{L"all", kAll},
                                      {L"frames", kFrames},
                                      {L"selection", kSelection},
                                      {L"URL", kUrl},
                                      {L"body", kBody},
                                      {L"parentWindow", kParentWindow},
                                      {L"execCommand", kExecCommand},
                                      {L"title", kTitle},
                                      {L"getElementById", kGetElementById},
                                      {L"getElementsByTagName", kGetElementsByTagName}};
    return kMembers;
  }
  std::optional<HRESULT> Injected(std::wstring_view member) const override { return ref_.dom->Failure(-1, member); }
  HRESULT Call(DISPID id, WORD flags, Args args, com::Variant& out) override {
    Dom& dom = *ref_.dom;
    switch (id) {
      case kAll:
        out = com::Variant(static_cast<IDispatch*>(Make<Collection>(ref_.dom, &dom.Tags(L"*")).Get()));
        return S_OK;
      case kGetElementsByTagName:
        if (args.empty()) return DISP_E_BADPARAMCOUNT;
        out = com::Variant(static_cast<IDispatch*>(
            Make<Collection>(ref_.dom, &dom.Tags(com::AsciiLower(ArgText(args[0])))).Get()));
        return S_OK;
      case kFrames:
      case kParentWindow:
        out = com::Variant(static_cast<IDispatch*>(
            Make<Window>(com::ComPtr<IDispatch>(static_cast<IDispatch*>(this))).Get()));
        return S_OK;
      case kSelection:
        out = com::Variant(static_cast<IDispatch*>(Make<Selection>(ref_.dom).Get()));
        return S_OK;
      case kUrl: out = com::Variant(dom.Url()); return S_OK;
      case kTitle: {
        const auto& titles = dom.Tags(L"title");
        out = com::Variant(titles.empty() ? std::wstring() : dom.Text(titles[0], dom.At(titles[0]).end));
        return S_OK;
      }
      case kBody:
        out = dom.Body() >= 0 ? com::Variant(ElementObject(ref_.dom, dom.Body()).Get()) : NullObject();
        return S_OK;
      case kGetElementById: {
        if (args.empty()) return DISP_E_BADPARAMCOUNT;
        const int node = dom.ById(ArgText(args[0]));
        out = node >= 0 ? com::Variant(ElementObject(ref_.dom, node).Get()) : NullObject();
        return S_OK;
      }
      case kExecCommand:
        if (args.empty()) return DISP_E_BADPARAMCOUNT;
        return ExecCommand(ArgText(args[0]), out);
    }
    (void)flags;
    return DISP_E_MEMBERNOTFOUND;
  }

 private:
  HRESULT ExecCommand(const std::wstring& command, com::Variant& out) {
    Dom& dom = *ref_.dom;
    if (com::EqualsNoCase(command, L"Copy")) {
      if (dom.selectionType != Dom::SelectionType::None) CopyToClipboard(dom.Text(dom.selectionFirst, dom.selectionLast));
    } else if (com::EqualsNoCase(command, L"SelectAll")) {
      if (dom.Body() >= 0) {
        dom.selectionType = Dom::SelectionType::Text;
        dom.selectionFirst = dom.Body();
        dom.selectionLast = dom.At(dom.Body()).end;
      }
    } else if (com::EqualsNoCase(command, L"Unselect")) {
      dom.selectionType = Dom::SelectionType::None;
    } else {
      throw com::ComError(kCommandNotSupported, L"the command \"" + command + L"\" is not supported");
    }
    out = com::Variant(true);
    return S_OK;
  }

  static void CopyToClipboard(const std::wstring& text) {
    if (!win::OpenClipboard(nullptr)) throw com::ComError(E_FAIL, L"the clipboard is in use");
    struct Closer {
      ~Closer() { win::CloseClipboard(); }
    } closer;
    if (!win::EmptyClipboard()) throw com::ComError(E_FAIL, L"the clipboard cannot be emptied");
    const SIZE_T bytes = (text.size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = win::GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (!memory) throw com::ComError(E_OUTOFMEMORY, L"no memory for the clipboard");
    void* data = win::GlobalLock(memory);
    if (!data) {
      win::GlobalFree(memory);
      throw com::ComError(E_OUTOFMEMORY, L"the clipboard memory cannot be locked");
    }
    std::memcpy(data, text.c_str(), bytes);
    win::GlobalUnlock(memory);
    if (!win::SetClipboardData(CF_UNICODETEXT, memory)) {
      win::GlobalFree(memory);
      throw com::ComError(E_FAIL, L"the clipboard refused the text");
    }
  }

  DomRef ref_;
  HWND window_ = nullptr;
};

}  // namespace

void ShowInWindow(IDispatch* document, HWND window) {
  auto backed = com::QueryAs<IDomBacked>(document);
  if (!backed || backed->Ref()->kind != DomRef::Kind::Document)
    throw com::ComError(E_INVALIDARG, L"not a document of the HTML document stand-in");
  static_cast<Document*>(backed.Get())->ShowIn(window);
}

com::ComPtr<IDispatch> CreateDocumentObject(std::shared_ptr<Dom> dom) {
  return com::ComPtr<IDispatch>(static_cast<IDispatch*>(new Document(std::move(dom))));
}

std::shared_ptr<Dom> DomOf(IUnknown* document) {
  DomRef* ref = RefOf(document);
  return ref && ref->kind == DomRef::Kind::Document ? ref->dom : nullptr;
}

com::ComPtr<IDispatch> ElementObject(const std::shared_ptr<Dom>& dom, int node) {
  // One object per element while anyone holds it, as a browser's DOM keeps identity.
  auto& wrappers = dom->wrappers;
  if (wrappers.size() != static_cast<std::size_t>(dom->Size())) wrappers.resize(static_cast<std::size_t>(dom->Size()));
  IDispatch*& slot = wrappers[static_cast<std::size_t>(node)];
  if (slot) return com::ComPtr<IDispatch>(slot);
  slot = static_cast<IDispatch*>(new Element(dom, node));
  return com::ComPtr<IDispatch>(slot);
}

}  // namespace standins::html
