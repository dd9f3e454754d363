// ITypeLib and ITypeInfo over a loaded library description, answering as
// oleaut32 does for a library compiled from IDL: a dual interface is listed
// as its dispatch view (TKIND_DISPATCH, inherited IUnknown and IDispatch
// members included, FUNC_DISPATCH functions) and its v-table view
// (TKIND_INTERFACE) is reached through GetRefTypeOfImplType(-1).
#include <algorithm>
#include <atomic>
#include <deque>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <vector>

#include "platform/com/TypeLibrary.h"
#include "platform/portable/com/typelib/TypeLibData.h"

namespace com::portable {
namespace {

constexpr WORD kPtrSize = sizeof(void*);
constexpr int kMaxBaseDepth = 16;  // a guard against reference cycles in a broken description

#define VORN_TLB_GUARD(body)   \
  try body catch (...) {       \
    return E_OUTOFMEMORY;      \
  }

// One type info as somebody sees it: its library, its index there and, for
// a dual interface, whether it is the v-table view.
struct TypeRef {
  std::shared_ptr<const LibData> lib;
  std::size_t index = 0;
  bool vtableView = false;

  const TypeData& Type() const { return lib->types[index]; }
  TYPEKIND Kind() const { return vtableView ? TKIND_INTERFACE : Type().kind; }
  bool DispatchView() const { return Kind() == TKIND_DISPATCH; }
};

std::optional<TypeRef> Resolve(const std::shared_ptr<const LibData>& from, HREFTYPE href) {
  const std::size_t index = HrefIndex(href);
  switch (HrefKind(href)) {
    case RefKind::Local:
      if (index < from->types.size()) return TypeRef{from, index, false};
      break;
    case RefKind::LocalVtable:
      if (index < from->types.size() && from->types[index].IsDual()) return TypeRef{from, index, true};
      break;
    case RefKind::Stdole:
      if (index < StdoleLib()->types.size()) return TypeRef{StdoleLib(), index, false};
      break;
  }
  return std::nullopt;
}

// The base interface of an interface view (its first implemented type).
std::optional<TypeRef> BaseOf(const TypeRef& ref) {
  const TypeData& t = ref.Type();
  if (t.kind == TKIND_COCLASS || t.impls.empty()) return std::nullopt;
  auto base = Resolve(ref.lib, t.impls.front().href);
  // A dual base is inherited through its v-table.
  if (base && base->Type().IsDual()) base->vtableView = true;
  return base;
}

void CollectInherited(const TypeRef& ref, std::vector<const FuncData*>& out, int depth) {
  if (depth > kMaxBaseDepth) return;
  auto base = BaseOf(ref);
  if (!base) return;
  CollectInherited(*base, out, depth + 1);
  for (const auto& f : base->Type().funcs) out.push_back(&f);
}

// The functions a view lists: a dual interface's dispatch view also lists
// everything it inherits, base first.
std::vector<const FuncData*> ViewFuncs(const TypeRef& ref) {
  std::vector<const FuncData*> funcs;
  if (ref.DispatchView()) CollectInherited(ref, funcs, 0);
  for (const auto& f : ref.Type().funcs) funcs.push_back(&f);
  return funcs;
}

// Entries of a v-table view's interface table, inherited ones included.
int VtableSlots(const TypeRef& ref, int depth) {
  const TypeData& t = ref.Type();
  if (!t.funcs.empty()) return t.funcs.back().slot + 1;
  if (depth >= kMaxBaseDepth) return 0;
  auto base = BaseOf(ref);
  return base ? VtableSlots(*base, depth + 1) : 0;
}

template <class Pred>
const FuncData* FindFunc(const TypeRef& ref, Pred pred, int depth = 0) {
  for (const FuncData* f : ViewFuncs(ref))
    if (pred(*f)) return f;
  // A v-table view answers for its bases' members too.
  if (!ref.DispatchView() && depth < kMaxBaseDepth)
    if (auto base = BaseOf(ref)) return FindFunc(*base, pred, depth + 1);
  return nullptr;
}

BSTR AllocBstr(const std::wstring& s) {
  BSTR b = SysAllocStringLen(s.data(), static_cast<UINT>(s.size()));
  if (!b) throw std::bad_alloc();
  return b;
}

// Null for an absent text, as a library without help strings answers.
BSTR AllocOptionalBstr(const std::wstring& s) { return s.empty() ? nullptr : AllocBstr(s); }

HRESULT FillDocumentation(const std::wstring& name, const std::wstring& doc, const std::wstring& helpFile,
                          BSTR* pName, BSTR* pDoc, DWORD* pContext, BSTR* pHelpFile) {
  BSTR n = nullptr, d = nullptr, h = nullptr;
  try {
    if (pName) n = AllocBstr(name);
    if (pDoc) d = AllocOptionalBstr(doc);
    if (pHelpFile) h = AllocOptionalBstr(helpFile);
  } catch (...) {
    SysFreeString(n);
    SysFreeString(d);
    return E_OUTOFMEMORY;
  }
  if (pName) *pName = n;
  if (pDoc) *pDoc = d;
  if (pContext) *pContext = 0;
  if (pHelpFile) *pHelpFile = h;
  return S_OK;
}

// ---------------------------------------------------------------- descriptions handed out

struct FuncDescBlock {
  FUNCDESC desc{};
  std::vector<ELEMDESC> params;
  std::deque<TYPEDESC> nested;  // pointees of VT_PTR entries; a deque keeps their addresses
};

void FillTypeDesc(TYPEDESC& td, const TypeSpec& type, std::size_t at, std::deque<TYPEDESC>& nested) {
  td = TYPEDESC{};
  if (at >= type.chain.size()) {
    td.vt = VT_EMPTY;
    return;
  }
  td.vt = type.chain[at];
  if (td.vt == VT_PTR || td.vt == VT_SAFEARRAY) {
    TYPEDESC& inner = nested.emplace_back();
    td.lptdesc = &inner;
    FillTypeDesc(inner, type, at + 1, nested);
  } else if (td.vt == VT_USERDEFINED) {
    td.hreftype = type.href;
  }
}

std::unique_ptr<FuncDescBlock> BuildFuncDesc(const FuncData& f, bool dispatch) {
  auto block = std::make_unique<FuncDescBlock>();
  std::size_t paramCount = f.params.size();
  TypeSpec ret = f.ret;
  if (dispatch && !ret.chain.empty() && ret.chain.front() == VT_HRESULT) {
    // Seen through IDispatch the HRESULT is not the result: a [retval]
    // parameter becomes the result, otherwise there is none.
    if (paramCount > 0 && (f.params.back().flags & PARAMFLAG_FRETVAL)) {
      const TypeSpec& rv = f.params.back().type;
      ret = TypeSpec{std::vector<VARTYPE>(rv.chain.begin() + (rv.chain.size() > 1 ? 1 : 0), rv.chain.end()), rv.href};
      --paramCount;
    } else {
      ret = TypeSpec::Of(VT_VOID);
    }
  }
  block->params.resize(paramCount);
  for (std::size_t i = 0; i < paramCount; ++i) {
    ELEMDESC& e = block->params[i];
    e = ELEMDESC{};
    FillTypeDesc(e.tdesc, f.params[i].type, 0, block->nested);
    e.paramdesc.pparamdescex = nullptr;
    e.paramdesc.wParamFlags = f.params[i].flags;
  }
  FUNCDESC& d = block->desc;
  d.memid = f.memid;
  d.lprgscode = nullptr;
  d.lprgelemdescParam = paramCount ? block->params.data() : nullptr;
  d.funckind = dispatch ? FUNC_DISPATCH : FUNC_PUREVIRTUAL;
  d.invkind = INVOKE_FUNC;
  d.callconv = CC_STDCALL;
  d.cParams = static_cast<SHORT>(paramCount);
  d.cParamsOpt = 0;
  d.oVft = static_cast<SHORT>(f.slot * kPtrSize);
  d.cScodes = 0;
  d.elemdescFunc = ELEMDESC{};
  FillTypeDesc(d.elemdescFunc.tdesc, ret, 0, block->nested);
  d.wFuncFlags = f.funcFlags;
  return block;
}

// Owns descriptions handed out until they are released, or until the owner dies.
template <class T>
class Outstanding {
 public:
  T* Keep(std::unique_ptr<T> item) {
    std::lock_guard lock(lock_);
    items_.push_back(std::move(item));
    return items_.back().get();
  }
  // Unknown pointers are ignored rather than freed.
  template <class P>
  void Release(const P* p) {
    std::lock_guard lock(lock_);
    auto it = std::find_if(items_.begin(), items_.end(),
                           [p](const std::unique_ptr<T>& item) { return Address(*item) == p; });
    if (it != items_.end()) items_.erase(it);
  }

 private:
  static const void* Address(const FuncDescBlock& b) { return &b.desc; }
  template <class U>
  static const void* Address(const U& u) {
    return &u;
  }

  std::mutex lock_;
  std::vector<std::unique_ptr<T>> items_;
};

// ---------------------------------------------------------------- the objects

class TypeLibObject;

class TypeInfoObject final : public ITypeInfo {
 public:
  TypeInfoObject(TypeLibObject* owner, TypeRef ref);
  ~TypeInfoObject();

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return refs_.fetch_add(1) + 1; }
  ULONG STDMETHODCALLTYPE Release() override {
    ULONG n = refs_.fetch_sub(1) - 1;
    if (n == 0) delete this;
    return n;
  }

  HRESULT STDMETHODCALLTYPE GetTypeAttr(TYPEATTR** ppTypeAttr) override;
  HRESULT STDMETHODCALLTYPE GetTypeComp(ITypeComp** ppTComp) override;
  HRESULT STDMETHODCALLTYPE GetFuncDesc(UINT index, FUNCDESC** ppFuncDesc) override;
  HRESULT STDMETHODCALLTYPE GetVarDesc(UINT index, VARDESC** ppVarDesc) override;
  HRESULT STDMETHODCALLTYPE GetNames(MEMBERID memid, BSTR* rgBstrNames, UINT cMaxNames, UINT* pcNames) override;
  HRESULT STDMETHODCALLTYPE GetRefTypeOfImplType(UINT index, HREFTYPE* pRefType) override;
  HRESULT STDMETHODCALLTYPE GetImplTypeFlags(UINT index, INT* pImplTypeFlags) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(LPOLESTR* rgszNames, UINT cNames, MEMBERID* pMemId) override;
  HRESULT STDMETHODCALLTYPE Invoke(PVOID pvInstance, MEMBERID memid, WORD wFlags, DISPPARAMS* pDispParams,
                                   VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) override;
  HRESULT STDMETHODCALLTYPE GetDocumentation(MEMBERID memid, BSTR* pBstrName, BSTR* pBstrDocString,
                                             DWORD* pdwHelpContext, BSTR* pBstrHelpFile) override;
  HRESULT STDMETHODCALLTYPE GetDllEntry(MEMBERID memid, INVOKEKIND invKind, BSTR* pBstrDllName, BSTR* pBstrName,
                                        WORD* pwOrdinal) override;
  HRESULT STDMETHODCALLTYPE GetRefTypeInfo(HREFTYPE hRefType, ITypeInfo** ppTInfo) override;
  HRESULT STDMETHODCALLTYPE AddressOfMember(MEMBERID memid, INVOKEKIND invKind, PVOID* ppv) override;
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* pUnkOuter, REFIID riid, PVOID* ppvObj) override;
  HRESULT STDMETHODCALLTYPE GetMops(MEMBERID memid, BSTR* pBstrMops) override;
  HRESULT STDMETHODCALLTYPE GetContainingTypeLib(ITypeLib** ppTLib, UINT* pIndex) override;
  void STDMETHODCALLTYPE ReleaseTypeAttr(TYPEATTR* pTypeAttr) override { attrs_.Release(pTypeAttr); }
  void STDMETHODCALLTYPE ReleaseFuncDesc(FUNCDESC* pFuncDesc) override { funcs_.Release(pFuncDesc); }
  void STDMETHODCALLTYPE ReleaseVarDesc(VARDESC*) override {}

 private:
  std::atomic<ULONG> refs_{1};
  TypeLibObject* owner_;  // holds a reference: a type info keeps its library alive
  TypeRef ref_;
  Outstanding<TYPEATTR> attrs_;
  Outstanding<FuncDescBlock> funcs_;
};

class TypeLibObject final : public ITypeLib {
 public:
  explicit TypeLibObject(std::shared_ptr<const LibData> data) : data_(std::move(data)) {}

  const std::shared_ptr<const LibData>& Data() const { return data_; }

  // A new type info object for ref (which must belong to this library).
  HRESULT NewTypeInfo(const TypeRef& ref, ITypeInfo** out) {
    if (!out) return E_INVALIDARG;
    *out = nullptr;
    VORN_TLB_GUARD({
      *out = new TypeInfoObject(this, ref);
      return S_OK;
    })
  }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_ITypeLib)) return E_NOINTERFACE;
    AddRef();
    *ppv = static_cast<ITypeLib*>(this);
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return refs_.fetch_add(1) + 1; }
  ULONG STDMETHODCALLTYPE Release() override {
    ULONG n = refs_.fetch_sub(1) - 1;
    if (n == 0) delete this;
    return n;
  }

  UINT STDMETHODCALLTYPE GetTypeInfoCount() override { return static_cast<UINT>(data_->types.size()); }

  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, ITypeInfo** ppTInfo) override {
    if (!ppTInfo) return E_INVALIDARG;
    *ppTInfo = nullptr;
    if (index >= data_->types.size()) return TYPE_E_ELEMENTNOTFOUND;
    return NewTypeInfo(TypeRef{data_, index, false}, ppTInfo);
  }

  HRESULT STDMETHODCALLTYPE GetTypeInfoType(UINT index, TYPEKIND* pTKind) override {
    if (!pTKind) return E_INVALIDARG;
    if (index >= data_->types.size()) return TYPE_E_ELEMENTNOTFOUND;
    *pTKind = data_->types[index].kind;
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE GetTypeInfoOfGuid(REFGUID guid, ITypeInfo** ppTinfo) override {
    if (!ppTinfo) return E_INVALIDARG;
    *ppTinfo = nullptr;
    for (std::size_t i = 0; i < data_->types.size(); ++i) {
      const GUID& g = data_->types[i].guid;
      if (!IsEqualGUID(g, GUID{}) && IsEqualGUID(g, guid)) return NewTypeInfo(TypeRef{data_, i, false}, ppTinfo);
    }
    return TYPE_E_ELEMENTNOTFOUND;
  }

  HRESULT STDMETHODCALLTYPE GetLibAttr(TLIBATTR** ppTLibAttr) override {
    if (!ppTLibAttr) return E_INVALIDARG;
    *ppTLibAttr = nullptr;
    VORN_TLB_GUARD({
      auto attr = std::make_unique<TLIBATTR>();
      attr->guid = data_->guid;
      attr->lcid = data_->lcid;
      attr->syskind = data_->syskind;
      attr->wMajorVerNum = data_->majorVersion;
      attr->wMinorVerNum = data_->minorVersion;
      attr->wLibFlags = data_->flags;
      *ppTLibAttr = attrs_.Keep(std::move(attr));
      return S_OK;
    })
  }

  HRESULT STDMETHODCALLTYPE GetTypeComp(ITypeComp** ppTComp) override {
    if (ppTComp) *ppTComp = nullptr;
    return E_NOTIMPL;
  }

  HRESULT STDMETHODCALLTYPE GetDocumentation(INT index, BSTR* pBstrName, BSTR* pBstrDocString,
                                             DWORD* pdwHelpContext, BSTR* pBstrHelpFile) override {
    // -1 is documented for the library; Windows (as Wine shows it) takes any negative index so.
    if (index < 0)
      return FillDocumentation(data_->name, data_->doc, data_->helpFile, pBstrName, pBstrDocString, pdwHelpContext,
                               pBstrHelpFile);
    if (static_cast<std::size_t>(index) >= data_->types.size()) return TYPE_E_ELEMENTNOTFOUND;
    const TypeData& t = data_->types[static_cast<std::size_t>(index)];
    return FillDocumentation(t.name, t.doc, data_->helpFile, pBstrName, pBstrDocString, pdwHelpContext,
                             pBstrHelpFile);
  }

  HRESULT STDMETHODCALLTYPE IsName(LPOLESTR szNameBuf, ULONG, BOOL* pfName) override {
    if (!szNameBuf || !pfName) return E_INVALIDARG;
    *pfName = FALSE;
    const std::wstring* found = FindAnyName(szNameBuf);
    if (!found) return S_OK;
    // Like Windows, hand back the library's spelling of the name.
    std::copy(found->begin(), found->end(), szNameBuf);
    *pfName = TRUE;
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE FindName(LPOLESTR szNameBuf, ULONG, ITypeInfo** ppTInfo, MEMBERID* rgMemId,
                                     USHORT* pcFound) override {
    if (!szNameBuf || !ppTInfo || !rgMemId || !pcFound) return E_INVALIDARG;
    const USHORT capacity = *pcFound;
    USHORT found = 0;
    for (std::size_t i = 0; i < data_->types.size() && found < capacity; ++i) {
      const TypeData& t = data_->types[i];
      MEMBERID memid = MEMBERID_NIL;
      bool match = SameName(t.name, szNameBuf);
      for (std::size_t f = 0; !match && f < t.funcs.size(); ++f)
        if (SameName(t.funcs[f].name, szNameBuf)) {
          match = true;
          memid = t.funcs[f].memid;
        }
      if (!match) continue;
      if (FAILED(NewTypeInfo(TypeRef{data_, i, false}, &ppTInfo[found]))) break;
      rgMemId[found] = memid;
      ++found;
    }
    *pcFound = found;
    return S_OK;
  }

  void STDMETHODCALLTYPE ReleaseTLibAttr(TLIBATTR* pTLibAttr) override { attrs_.Release(pTLibAttr); }

 private:
  ~TypeLibObject() = default;

  const std::wstring* FindAnyName(const wchar_t* name) const {
    for (const auto& t : data_->types) {
      if (SameName(t.name, name)) return &t.name;
      for (const auto& f : t.funcs) {
        if (SameName(f.name, name)) return &f.name;
        for (const auto& p : f.params)
          if (SameName(p.name, name)) return &p.name;
      }
    }
    return nullptr;
  }

  std::atomic<ULONG> refs_{1};
  std::shared_ptr<const LibData> data_;
  Outstanding<TLIBATTR> attrs_;
};

// ---------------------------------------------------------------- TypeInfoObject

TypeInfoObject::TypeInfoObject(TypeLibObject* owner, TypeRef ref) : owner_(owner), ref_(std::move(ref)) {
  owner_->AddRef();
}

TypeInfoObject::~TypeInfoObject() { owner_->Release(); }

HRESULT TypeInfoObject::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_ITypeInfo)) return E_NOINTERFACE;
  AddRef();
  *ppv = static_cast<ITypeInfo*>(this);
  return S_OK;
}

HRESULT TypeInfoObject::GetTypeAttr(TYPEATTR** ppTypeAttr) {
  if (!ppTypeAttr) return E_INVALIDARG;
  *ppTypeAttr = nullptr;
  VORN_TLB_GUARD({
    const TypeData& t = ref_.Type();
    auto attr = std::make_unique<TYPEATTR>();
    *attr = TYPEATTR{};
    attr->guid = t.guid;
    attr->lcid = ref_.lib->lcid;
    attr->memidConstructor = MEMBERID_NIL;
    attr->memidDestructor = MEMBERID_NIL;
    attr->lpstrSchema = nullptr;
    attr->typekind = ref_.Kind();
    attr->cFuncs = static_cast<WORD>(ViewFuncs(ref_).size());
    attr->cVars = 0;
    attr->cImplTypes = static_cast<WORD>(t.impls.size());
    attr->wTypeFlags = t.flags;
    attr->wMajorVerNum = t.majorVersion;
    attr->wMinorVerNum = t.minorVersion;
    attr->tdescAlias.vt = VT_EMPTY;
    switch (attr->typekind) {
      case TKIND_INTERFACE:
        attr->cbSizeVft = static_cast<WORD>(VtableSlots(ref_, 0) * kPtrSize);
        attr->cbSizeInstance = kPtrSize;
        attr->cbAlignment = kPtrSize;
        break;
      case TKIND_DISPATCH:
        // What IDispatch's table takes; the automation flag belongs to the v-table view only.
        attr->cbSizeVft = static_cast<WORD>(7 * kPtrSize);
        attr->cbSizeInstance = kPtrSize;
        attr->cbAlignment = kPtrSize;
        attr->wTypeFlags = static_cast<WORD>(t.flags & ~TYPEFLAG_FOLEAUTOMATION);
        break;
      case TKIND_COCLASS:
        attr->cbSizeInstance = kPtrSize;
        attr->cbAlignment = kPtrSize;
        break;
      default:
        attr->cbAlignment = kPtrSize;
        break;
    }
    *ppTypeAttr = attrs_.Keep(std::move(attr));
    return S_OK;
  })
}

HRESULT TypeInfoObject::GetTypeComp(ITypeComp** ppTComp) {
  if (ppTComp) *ppTComp = nullptr;
  return E_NOTIMPL;
}

HRESULT TypeInfoObject::GetFuncDesc(UINT index, FUNCDESC** ppFuncDesc) {
  if (!ppFuncDesc) return E_INVALIDARG;
  *ppFuncDesc = nullptr;
  VORN_TLB_GUARD({
    const auto funcs = ViewFuncs(ref_);
    if (index >= funcs.size()) return TYPE_E_ELEMENTNOTFOUND;
    FuncDescBlock* block = funcs_.Keep(BuildFuncDesc(*funcs[index], ref_.DispatchView()));
    *ppFuncDesc = &block->desc;
    return S_OK;
  })
}

HRESULT TypeInfoObject::GetVarDesc(UINT, VARDESC** ppVarDesc) {
  if (!ppVarDesc) return E_INVALIDARG;
  *ppVarDesc = nullptr;
  return TYPE_E_ELEMENTNOTFOUND;
}

HRESULT TypeInfoObject::GetNames(MEMBERID memid, BSTR* rgBstrNames, UINT cMaxNames, UINT* pcNames) {
  if (!rgBstrNames || !pcNames) return E_INVALIDARG;
  *pcNames = 0;
  const FuncData* f = FindFunc(ref_, [memid](const FuncData& fd) { return fd.memid == memid; });
  if (!f) return TYPE_E_ELEMENTNOTFOUND;
  std::vector<const std::wstring*> names{&f->name};
  for (const auto& p : f->params) names.push_back(&p.name);
  UINT n = 0;
  try {
    for (; n < cMaxNames && n < names.size(); ++n) rgBstrNames[n] = AllocBstr(*names[n]);
  } catch (...) {
    for (UINT i = 0; i < n; ++i) {
      SysFreeString(rgBstrNames[i]);
      rgBstrNames[i] = nullptr;
    }
    return E_OUTOFMEMORY;
  }
  *pcNames = n;
  return S_OK;
}

HRESULT TypeInfoObject::GetRefTypeOfImplType(UINT index, HREFTYPE* pRefType) {
  if (!pRefType) return E_INVALIDARG;
  const TypeData& t = ref_.Type();
  if (index == static_cast<UINT>(-1)) {
    // Only a dual interface has the other view to offer.
    if (!t.IsDual()) return TYPE_E_ELEMENTNOTFOUND;
    *pRefType = MakeHref(RefKind::LocalVtable, ref_.index);
    return S_OK;
  }
  if (index >= t.impls.size()) return TYPE_E_ELEMENTNOTFOUND;
  *pRefType = t.impls[index].href;
  return S_OK;
}

HRESULT TypeInfoObject::GetImplTypeFlags(UINT index, INT* pImplTypeFlags) {
  if (!pImplTypeFlags) return E_INVALIDARG;
  const TypeData& t = ref_.Type();
  if (index >= t.impls.size()) return TYPE_E_ELEMENTNOTFOUND;
  *pImplTypeFlags = t.impls[index].flags;
  return S_OK;
}

HRESULT TypeInfoObject::GetIDsOfNames(LPOLESTR* rgszNames, UINT cNames, MEMBERID* pMemId) {
  if (!rgszNames || !pMemId) return E_INVALIDARG;
  if (cNames == 0) return S_OK;  // nothing to map
  for (UINT i = 0; i < cNames; ++i) pMemId[i] = MEMBERID_NIL;
  const wchar_t* name = rgszNames[0];
  const FuncData* f = FindFunc(ref_, [name](const FuncData& fd) { return SameName(fd.name, name); });
  if (!f) return DISP_E_UNKNOWNNAME;
  pMemId[0] = f->memid;
  HRESULT hr = S_OK;
  for (UINT i = 1; i < cNames; ++i) {
    auto it = std::find_if(f->params.begin(), f->params.end(),
                           [&](const ParamData& p) { return SameName(p.name, rgszNames[i]); });
    if (it == f->params.end())
      hr = DISP_E_UNKNOWNNAME;
    else
      pMemId[i] = static_cast<MEMBERID>(it - f->params.begin());
  }
  return hr;
}

HRESULT TypeInfoObject::Invoke(PVOID, MEMBERID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) {
  // Calling an arbitrary interface-table slot needs the native calling
  // convention; objects of the library dispatch through their own model instead.
  return E_NOTIMPL;
}

HRESULT TypeInfoObject::GetDocumentation(MEMBERID memid, BSTR* pBstrName, BSTR* pBstrDocString,
                                         DWORD* pdwHelpContext, BSTR* pBstrHelpFile) {
  const TypeData& t = ref_.Type();
  if (memid == MEMBERID_NIL)
    return FillDocumentation(t.name, t.doc, ref_.lib->helpFile, pBstrName, pBstrDocString, pdwHelpContext,
                             pBstrHelpFile);
  const FuncData* f = FindFunc(ref_, [memid](const FuncData& fd) { return fd.memid == memid; });
  if (!f) return TYPE_E_ELEMENTNOTFOUND;
  return FillDocumentation(f->name, f->doc, ref_.lib->helpFile, pBstrName, pBstrDocString, pdwHelpContext,
                           pBstrHelpFile);
}

HRESULT TypeInfoObject::GetDllEntry(MEMBERID, INVOKEKIND, BSTR* pBstrDllName, BSTR* pBstrName, WORD* pwOrdinal) {
  if (pBstrDllName) *pBstrDllName = nullptr;
  if (pBstrName) *pBstrName = nullptr;
  if (pwOrdinal) *pwOrdinal = 0;
  return TYPE_E_BADMODULEKIND;
}

HRESULT TypeInfoObject::GetRefTypeInfo(HREFTYPE hRefType, ITypeInfo** ppTInfo) {
  if (!ppTInfo) return E_INVALIDARG;
  *ppTInfo = nullptr;
  auto target = Resolve(ref_.lib, hRefType);
  if (!target) return TYPE_E_ELEMENTNOTFOUND;
  if (target->lib == owner_->Data()) return owner_->NewTypeInfo(*target, ppTInfo);
  // Another library: its type infos belong to their own library object.
  TypeLibObject* other = nullptr;
  VORN_TLB_GUARD({ other = new TypeLibObject(target->lib); })
  HRESULT hr = other->NewTypeInfo(*target, ppTInfo);
  other->Release();
  return hr;
}

HRESULT TypeInfoObject::AddressOfMember(MEMBERID, INVOKEKIND, PVOID* ppv) {
  if (ppv) *ppv = nullptr;
  return TYPE_E_BADMODULEKIND;
}

HRESULT TypeInfoObject::CreateInstance(IUnknown* pUnkOuter, REFIID riid, PVOID* ppvObj) {
  if (!ppvObj) return E_INVALIDARG;
  *ppvObj = nullptr;
  if (ref_.Kind() != TKIND_COCLASS) return TYPE_E_WRONGTYPEKIND;
  return CoCreateInstance(ref_.Type().guid, pUnkOuter, CLSCTX_ALL, riid, ppvObj);
}

HRESULT TypeInfoObject::GetMops(MEMBERID, BSTR* pBstrMops) {
  if (!pBstrMops) return E_INVALIDARG;
  *pBstrMops = nullptr;
  return S_OK;
}

HRESULT TypeInfoObject::GetContainingTypeLib(ITypeLib** ppTLib, UINT* pIndex) {
  if (ppTLib) {
    owner_->AddRef();
    *ppTLib = owner_;
  }
  if (pIndex) *pIndex = static_cast<UINT>(ref_.index);
  return S_OK;
}

// ---------------------------------------------------------------- building from a model
// (The model's own lookup functions live in the module; only its data is read here.)

int IndexIn(const TypeLibModel& model, REFGUID guid) {
  for (std::size_t i = 0; i < model.types.size(); ++i)
    if (IsEqualGUID(model.types[i].guid, guid)) return static_cast<int>(i);
  return -1;
}

const TypeInfoModel* InterfaceIn(const TypeLibModel& model, REFGUID guid) {
  const int index = IndexIn(model, guid);
  if (index < 0) return nullptr;
  const TypeInfoModel& t = model.types[static_cast<std::size_t>(index)];
  return t.kind == TypeKind::CoClass ? nullptr : &t;
}

HRESULT BaseHref(const TypeLibModel& model, const TypeInfoModel& type, HREFTYPE& href) {
  const auto& stdole = *StdoleLib();
  if (IsEqualGUID(type.base, stdole.types[kStdoleIUnknown].guid)) {
    href = MakeHref(RefKind::Stdole, kStdoleIUnknown);
  } else if (IsEqualGUID(type.base, stdole.types[kStdoleIDispatch].guid)) {
    href = MakeHref(RefKind::Stdole, kStdoleIDispatch);
  } else {
    if (!InterfaceIn(model, type.base)) return E_INVALIDARG;
    href = MakeHref(RefKind::Local, static_cast<std::size_t>(IndexIn(model, type.base)));
  }
  return S_OK;
}

// Interface-table slots taken before the type's own methods.
int InheritedSlots(const TypeLibModel& model, const TypeInfoModel& type, int depth = 0) {
  if (depth > kMaxBaseDepth) return -1;
  const auto& stdole = *StdoleLib();
  if (IsEqualGUID(type.base, stdole.types[kStdoleIUnknown].guid)) return 3;
  if (IsEqualGUID(type.base, stdole.types[kStdoleIDispatch].guid)) return 7;
  const TypeInfoModel* base = InterfaceIn(model, type.base);
  if (!base) return -1;
  int inherited = InheritedSlots(model, *base, depth + 1);
  return inherited < 0 ? -1 : inherited + static_cast<int>(base->methods.size());
}

HRESULT BuildLibData(const TypeLibModel& model, const std::wstring& path, LibData& lib) {
  lib.name = model.name;
  lib.doc = model.helpString;
  lib.helpFile = model.helpFile;
  lib.path = path;
  lib.guid = model.libid;
  lib.lcid = model.lcid;
  lib.syskind = model.syskind;
  lib.majorVersion = model.majorVersion;
  lib.minorVersion = model.minorVersion;
  lib.flags = LIBFLAG_FHASDISKIMAGE;  // as for any library loaded from a file
  for (const TypeInfoModel& tm : model.types) {
    TypeData t;
    t.name = tm.name;
    t.doc = tm.helpString;
    t.guid = tm.guid;
    t.flags = tm.flags;
    t.majorVersion = tm.majorVersion;
    t.minorVersion = tm.minorVersion;
    if (tm.kind == TypeKind::CoClass) {
      t.kind = TKIND_COCLASS;
      if (!InterfaceIn(model, tm.defaultInterface)) return E_INVALIDARG;
      const auto index = static_cast<std::size_t>(IndexIn(model, tm.defaultInterface));
      t.impls.push_back(ImplData{MakeHref(RefKind::Local, index), IMPLTYPEFLAG_FDEFAULT});
    } else {
      t.kind = tm.kind == TypeKind::DualInterface ? TKIND_DISPATCH : TKIND_INTERFACE;
      if (tm.kind == TypeKind::DualInterface) t.flags |= TYPEFLAG_FDUAL | TYPEFLAG_FDISPATCHABLE;
      HREFTYPE base = 0;
      if (HRESULT hr = BaseHref(model, tm, base); FAILED(hr)) return hr;
      t.impls.push_back(ImplData{base, 0});
      const int first = InheritedSlots(model, tm);
      if (first < 0) return E_INVALIDARG;
      for (std::size_t i = 0; i < tm.methods.size(); ++i) {
        const MethodModel& mm = tm.methods[i];
        FuncData f;
        f.name = mm.name;
        f.memid = mm.dispid;
        f.doc = mm.helpString;
        f.slot = static_cast<SHORT>(first + static_cast<int>(i));
        for (const ParamModel& pm : mm.params)
          f.params.push_back(ParamData{pm.name, TypeSpec::Of(pm.vt), PARAMFLAG_FIN});
        t.funcs.push_back(std::move(f));
      }
    }
    lib.types.push_back(std::move(t));
  }
  return S_OK;
}

}  // namespace

HRESULT CreateModelTypeLib(const TypeLibModel& model, const std::wstring& modulePath, ITypeLib** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  VORN_TLB_GUARD({
    auto data = std::make_shared<LibData>();
    if (HRESULT hr = BuildLibData(model, modulePath, *data); FAILED(hr)) return hr;
    *out = new TypeLibObject(std::move(data));
    return S_OK;
  })
}

}  // namespace com::portable
