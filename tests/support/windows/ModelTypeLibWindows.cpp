// Writes a model through ICreateTypeLib2 the way an IDL compiler does, saves
// it to a file of its own and has the system load it back: what the tests
// then read is the system's answer for the model, not ours.
#include <windows.h>

#include <set>
#include <string>
#include <vector>

#include "platform/com/ComPtr.h"
#include "support/ModelTypeLib.h"

namespace testing_support {
namespace {

LPOLESTR Text(const std::wstring& s) { return const_cast<LPOLESTR>(s.c_str()); }

class Writer {
 public:
  explicit Writer(const com::TypeLibModel& model) : model_(model) {}

  HRESULT Write(const std::wstring& path) {
    if (HRESULT hr = CreateTypeLib2(model_.syskind, path.c_str(), lib_.ReleaseAndGetAddressOf()); FAILED(hr))
      return hr;
    if (HRESULT hr = Library(); FAILED(hr)) return hr;
    // By file, not by registration: a test's private registry does not list it.
    if (HRESULT hr = LoadTypeLibEx(L"stdole2.tlb", REGKIND_NONE, stdole_.ReleaseAndGetAddressOf()); FAILED(hr))
      return hr;
    // Every type first, in library order; then their contents, which refer to one another.
    for (const auto& type : model_.types) {
      com::ComPtr<ICreateTypeInfo> info;
      const TYPEKIND kind = type.kind == com::TypeKind::CoClass ? TKIND_COCLASS : TKIND_INTERFACE;
      if (HRESULT hr = lib_->CreateTypeInfo(Text(type.name), kind, info.ReleaseAndGetAddressOf()); FAILED(hr))
        return hr;
      infos_.push_back(info);
    }
    for (size_t i = 0; i < model_.types.size(); ++i) {
      const auto& type = model_.types[i];
      HRESULT hr = type.IsInterface() ? Interface(type, *infos_[i].Get()) : CoClass(type, *infos_[i].Get());
      if (FAILED(hr)) return hr;
    }
    for (size_t i = 0; i < model_.types.size(); ++i)
      if (HRESULT hr = LayOut(i); FAILED(hr)) return hr;
    return lib_->SaveAllChanges();
  }

 private:
  HRESULT Library() {
    HRESULT hr = lib_->SetName(Text(model_.name));
    if (SUCCEEDED(hr)) hr = lib_->SetGuid(model_.libid);
    if (SUCCEEDED(hr)) hr = lib_->SetVersion(model_.majorVersion, model_.minorVersion);
    if (SUCCEEDED(hr)) hr = lib_->SetLcid(model_.lcid);
    if (SUCCEEDED(hr) && !model_.helpString.empty()) hr = lib_->SetDocString(Text(model_.helpString));
    if (SUCCEEDED(hr) && !model_.helpFile.empty()) hr = lib_->SetHelpFileName(Text(model_.helpFile));
    return hr;
  }

  // The type info a reference to guid names: one of this library's, or stdole's IUnknown/IDispatch.
  HRESULT Referenced(const GUID& guid, com::ComPtr<ITypeInfo>& out) {
    const int index = model_.IndexOf(guid);
    if (index >= 0) return infos_[static_cast<size_t>(index)]->QueryInterface(IID_ITypeInfo, out.PutVoid());
    if (IsEqualGUID(guid, IID_IUnknown) || IsEqualGUID(guid, IID_IDispatch))
      return stdole_->GetTypeInfoOfGuid(guid, out.ReleaseAndGetAddressOf());
    return E_INVALIDARG;
  }

  HRESULT Implement(ICreateTypeInfo& info, const GUID& guid) {
    com::ComPtr<ITypeInfo> referenced;
    if (HRESULT hr = Referenced(guid, referenced); FAILED(hr)) return hr;
    HREFTYPE href = 0;
    if (HRESULT hr = info.AddRefTypeInfo(referenced.Get(), &href); FAILED(hr)) return hr;
    return info.AddImplType(0, href);
  }

  HRESULT Common(const com::TypeInfoModel& type, ICreateTypeInfo& info) {
    HRESULT hr = info.SetGuid(type.guid);
    if (SUCCEEDED(hr)) hr = info.SetVersion(type.majorVersion, type.minorVersion);
    if (SUCCEEDED(hr) && !type.helpString.empty()) hr = info.SetDocString(Text(type.helpString));
    return hr;
  }

  HRESULT Interface(const com::TypeInfoModel& type, ICreateTypeInfo& info) {
    HRESULT hr = Common(type, info);
    // The base comes before the flags: a dual interface must already derive from IDispatch.
    if (SUCCEEDED(hr)) hr = Implement(info, type.base);
    if (SUCCEEDED(hr)) hr = info.SetTypeFlags(type.flags);
    for (UINT i = 0; SUCCEEDED(hr) && i < type.methods.size(); ++i) hr = Method(info, i, type.methods[i]);
    return hr;
  }

  static HRESULT Method(ICreateTypeInfo& info, UINT index, const com::MethodModel& method) {
    std::vector<ELEMDESC> params(method.params.size());
    for (size_t p = 0; p < params.size(); ++p) {
      params[p].tdesc.vt = method.params[p].vt;
      params[p].paramdesc.wParamFlags = PARAMFLAG_FIN;
    }
    FUNCDESC fd{};
    fd.memid = method.dispid;
    fd.funckind = FUNC_PUREVIRTUAL;
    fd.invkind = INVOKE_FUNC;
    fd.callconv = CC_STDCALL;
    fd.cParams = static_cast<SHORT>(params.size());
    fd.lprgelemdescParam = params.empty() ? nullptr : params.data();
    fd.elemdescFunc.tdesc.vt = VT_HRESULT;
    HRESULT hr = info.AddFuncDesc(index, &fd);
    std::vector<LPOLESTR> names{Text(method.name)};
    for (const auto& param : method.params) names.push_back(Text(param.name));
    if (SUCCEEDED(hr)) hr = info.SetFuncAndParamNames(index, names.data(), static_cast<UINT>(names.size()));
    if (SUCCEEDED(hr) && !method.helpString.empty()) hr = info.SetFuncDocString(index, Text(method.helpString));
    return hr;
  }

  HRESULT CoClass(const com::TypeInfoModel& type, ICreateTypeInfo& info) {
    HRESULT hr = Common(type, info);
    if (SUCCEEDED(hr)) hr = info.SetTypeFlags(type.flags);
    if (SUCCEEDED(hr)) hr = Implement(info, type.defaultInterface);
    if (SUCCEEDED(hr)) hr = info.SetImplTypeFlags(0, IMPLTYPEFLAG_FDEFAULT);
    return hr;
  }

  // A derived interface is laid out after its base: its v-table continues the base's.
  HRESULT LayOut(size_t index) {
    if (laidOut_.count(index)) return S_OK;
    if (!visiting_.insert(index).second) return E_INVALIDARG;  // a cycle of bases
    const auto& type = model_.types[index];
    const GUID& ref = type.IsInterface() ? type.base : type.defaultInterface;
    const int refIndex = model_.IndexOf(ref);
    if (refIndex >= 0) {
      if (HRESULT hr = LayOut(static_cast<size_t>(refIndex)); FAILED(hr)) return hr;
    }
    if (HRESULT hr = infos_[index]->LayOut(); FAILED(hr)) return hr;
    laidOut_.insert(index);
    return S_OK;
  }

  const com::TypeLibModel& model_;
  com::ComPtr<ICreateTypeLib2> lib_;
  com::ComPtr<ITypeLib> stdole_;
  std::vector<com::ComPtr<ICreateTypeInfo>> infos_;
  std::set<size_t> laidOut_;
  std::set<size_t> visiting_;
};

std::wstring TempFileName() {
  wchar_t dir[MAX_PATH] = {};
  wchar_t name[MAX_PATH] = {};
  if (!GetTempPathW(MAX_PATH, dir) || !GetTempFileNameW(dir, L"vtl", 0, name)) return {};
  return name;
}

}  // namespace

ModelTypeLibFile::ModelTypeLibFile(const com::TypeLibModel& model, const std::wstring&) {
  // A file of its own each time: the loader keeps libraries by file name.
  path_ = TempFileName();
  if (path_.empty()) {
    status_ = HRESULT_FROM_WIN32(GetLastError());
    return;
  }
  {
    Writer writer(model);
    status_ = writer.Write(path_);
  }
  if (SUCCEEDED(status_)) status_ = LoadTypeLibEx(path_.c_str(), REGKIND_NONE, lib_.ReleaseAndGetAddressOf());
}

ModelTypeLibFile::~ModelTypeLibFile() {
  lib_.Reset();
  if (!path_.empty()) DeleteFileW(path_.c_str());
}

HRESULT LoadModelTypeLib(const com::TypeLibModel& model, const std::wstring& modulePath, ITypeLib** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  ModelTypeLibFile file(model, modulePath);
  if (FAILED(file.Status())) return file.Status();
  return com::ComPtr<ITypeLib>(file.Lib()).CopyTo(out);
}

}  // namespace testing_support
