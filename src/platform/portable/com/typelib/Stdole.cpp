// The part of the standard OLE library (stdole2.tlb) that other libraries'
// interfaces derive from, with the names, member IDs and flags Windows'
// copy carries, so that a dual interface's inherited members read the same.
#include "platform/portable/com/typelib/TypeLibData.h"

namespace com::portable {
namespace {

constexpr GUID kStdoleLibId = {0x00020430, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr GUID kIUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr GUID kIDispatch = {0x00020400, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

// Records referenced by the methods' parameters (indexes in the library).
constexpr std::size_t kGuidRecord = 2;
constexpr std::size_t kDispParamsRecord = 3;
constexpr std::size_t kExcepInfoRecord = 4;

TypeSpec Ptr(std::vector<VARTYPE> to) {
  TypeSpec t;
  t.chain.push_back(VT_PTR);
  t.chain.insert(t.chain.end(), to.begin(), to.end());
  return t;
}

TypeSpec PtrToRecord(std::size_t record) {
  TypeSpec t{{VT_PTR, VT_USERDEFINED}, MakeHref(RefKind::Local, record)};
  return t;
}

ParamData In(std::wstring name, TypeSpec type) { return ParamData{std::move(name), std::move(type), PARAMFLAG_FIN}; }
ParamData Out(std::wstring name, TypeSpec type) { return ParamData{std::move(name), std::move(type), PARAMFLAG_FOUT}; }

FuncData Restricted(std::wstring name, MEMBERID memid, SHORT slot, std::vector<ParamData> params,
                    TypeSpec ret = TypeSpec::Of(VT_HRESULT)) {
  FuncData f;
  f.name = std::move(name);
  f.memid = memid;
  f.params = std::move(params);
  f.ret = std::move(ret);
  f.funcFlags = FUNCFLAG_FRESTRICTED;
  f.slot = slot;
  return f;
}

TypeData Record(std::wstring name) {
  TypeData t;
  t.kind = TKIND_RECORD;
  t.name = std::move(name);
  return t;
}

std::shared_ptr<const LibData> BuildStdole() {
  auto lib = std::make_shared<LibData>();
  lib->name = L"stdole";
  lib->doc = L"OLE Automation";
  lib->guid = kStdoleLibId;
  lib->lcid = 0;
  lib->syskind = SYS_WIN32;
  lib->majorVersion = 2;
  lib->minorVersion = 0;

  TypeData unknown;
  unknown.kind = TKIND_INTERFACE;
  unknown.name = L"IUnknown";
  unknown.guid = kIUnknown;
  unknown.flags = TYPEFLAG_FHIDDEN;
  unknown.funcs = {
      Restricted(L"QueryInterface", 0x60000000, 0,
                 {In(L"riid", PtrToRecord(kGuidRecord)), Out(L"ppvObj", Ptr({VT_PTR, VT_VOID}))}),
      Restricted(L"AddRef", 0x60000001, 1, {}, TypeSpec::Of(VT_UI4)),
      Restricted(L"Release", 0x60000002, 2, {}, TypeSpec::Of(VT_UI4)),
  };

  TypeData dispatch;
  dispatch.kind = TKIND_INTERFACE;
  dispatch.name = L"IDispatch";
  dispatch.guid = kIDispatch;
  dispatch.flags = TYPEFLAG_FRESTRICTED;
  dispatch.impls = {ImplData{MakeHref(RefKind::Local, kStdoleIUnknown), 0}};
  dispatch.funcs = {
      Restricted(L"GetTypeInfoCount", 0x60010000, 3, {Out(L"pctinfo", Ptr({VT_UINT}))}),
      Restricted(L"GetTypeInfo", 0x60010001, 4,
                 {In(L"itinfo", TypeSpec::Of(VT_UINT)), In(L"lcid", TypeSpec::Of(VT_UI4)),
                  Out(L"pptinfo", Ptr({VT_PTR, VT_VOID}))}),
      Restricted(L"GetIDsOfNames", 0x60010002, 5,
                 {In(L"riid", PtrToRecord(kGuidRecord)), In(L"rgszNames", Ptr({VT_PTR, VT_I1})),
                  In(L"cNames", TypeSpec::Of(VT_UINT)), In(L"lcid", TypeSpec::Of(VT_UI4)),
                  Out(L"rgdispid", Ptr({VT_I4}))}),
      Restricted(L"Invoke", 0x60010003, 6,
                 {In(L"dispidMember", TypeSpec::Of(VT_I4)), In(L"riid", PtrToRecord(kGuidRecord)),
                  In(L"lcid", TypeSpec::Of(VT_UI4)), In(L"wFlags", TypeSpec::Of(VT_UI2)),
                  In(L"pdispparams", PtrToRecord(kDispParamsRecord)), Out(L"pvarResult", Ptr({VT_VARIANT})),
                  Out(L"pexcepinfo", PtrToRecord(kExcepInfoRecord)), Out(L"puArgErr", Ptr({VT_UINT}))}),
  };

  lib->types = {std::move(unknown), std::move(dispatch), Record(L"GUID"), Record(L"DISPPARAMS"),
                Record(L"EXCEPINFO")};
  return lib;
}

}  // namespace

const std::shared_ptr<const LibData>& StdoleLib() {
  static const std::shared_ptr<const LibData> lib = BuildStdole();
  return lib;
}

bool SameName(const std::wstring& a, const wchar_t* b) {
  if (!b) return false;
  std::size_t i = 0;
  for (; i < a.size(); ++i) {
    wchar_t x = a[i], y = b[i];
    if (y == 0) return false;
    if (x >= L'A' && x <= L'Z') x = static_cast<wchar_t>(x - L'A' + L'a');
    if (y >= L'A' && y <= L'Z') y = static_cast<wchar_t>(y - L'A' + L'a');
    if (x != y) return false;
  }
  return b[i] == 0;
}

}  // namespace com::portable
