// The type library compiled from the .idl and embedded in the DLL (resource
// TYPELIB 1), read by the system's own loader and compared item by item with
// the in-code model that the portable build serves: the two cannot drift
// apart without this test failing.
#include <windows.h>

#include <gtest/gtest.h>

#include <cwchar>
#include <string>
#include <vector>

#include "type_library/VornIEGUITypeLib.h"
#include "platform/com/Bstr.h"
#include "platform/com/ComPtr.h"
#include "platform/com/GuidString.h"
#include "platform/com/Text.h"
#include "support/Platform.h"
#include "windows/support/ProductModule.h"

namespace {

using com::ComPtr;

const com::TypeLibModel& Model() { return vorn::VornIEGUITypeLibModel(); }

constexpr SHORT kPtr = sizeof(void*);
// The members every dual interface inherits, as its dispatch view lists them first.
constexpr UINT kDispatchMembers = 7;

std::string Text(const std::wstring& s) { return com::ToUtf8(s); }
std::string Text(const GUID& g) { return com::ToUtf8(com::GuidToString(g)); }

TYPEATTR AttrOf(ITypeInfo* info) {
  TYPEATTR* attr = nullptr;
  TYPEATTR copy{};
  EXPECT_EQ(info->GetTypeAttr(&attr), S_OK);
  if (attr) {
    copy = *attr;
    info->ReleaseTypeAttr(attr);
  }
  return copy;
}

struct Documentation {
  std::wstring name;
  std::wstring help;  // a missing help string reads as empty
  DWORD context = 0;
  com::Bstr helpFile;
};

Documentation DocOf(ITypeInfo* info, MEMBERID memid) {
  Documentation d;
  com::Bstr name, help;
  EXPECT_EQ(info->GetDocumentation(memid, name.ReleaseAndGetAddressOf(), help.ReleaseAndGetAddressOf(), &d.context,
                                   d.helpFile.ReleaseAndGetAddressOf()),
            S_OK);
  d.name = name.str();
  d.help = help.str();
  return d;
}

std::vector<std::wstring> NamesOf(ITypeInfo* info, MEMBERID memid) {
  BSTR names[16] = {};
  UINT count = 0;
  EXPECT_EQ(info->GetNames(memid, names, 16, &count), S_OK);
  std::vector<std::wstring> out;
  for (UINT i = 0; i < count; ++i) out.push_back(com::Bstr::Adopt(names[i]).str());
  return out;
}

// The type info that implementation index (or -1: a dual interface's v-table view) refers to.
ComPtr<ITypeInfo> Referenced(ITypeInfo* info, UINT index) {
  HREFTYPE href = 0;
  ComPtr<ITypeInfo> out;
  EXPECT_EQ(info->GetRefTypeOfImplType(index, &href), S_OK);
  EXPECT_EQ(info->GetRefTypeInfo(href, out.ReleaseAndGetAddressOf()), S_OK);
  return out;
}

// One function description, released on every path.
class Func {
 public:
  Func(ITypeInfo* info, UINT index) : info_(info) { result_ = info->GetFuncDesc(index, &desc_); }
  ~Func() {
    if (desc_) info_->ReleaseFuncDesc(desc_);
  }
  Func(const Func&) = delete;
  Func& operator=(const Func&) = delete;
  HRESULT Result() const { return result_; }
  const FUNCDESC* operator->() const { return desc_; }

 private:
  ITypeInfo* info_;
  FUNCDESC* desc_ = nullptr;
  HRESULT result_;
};

TYPEKIND ListedKind(com::TypeKind kind) {
  switch (kind) {
    case com::TypeKind::Interface: return TKIND_INTERFACE;
    case com::TypeKind::DualInterface: return TKIND_DISPATCH;  // a dual interface is listed by its dispatch view
    case com::TypeKind::CoClass: return TKIND_COCLASS;
  }
  return TKIND_MAX;
}

class EmbeddedTypeLibTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::wstring dll = win_tests::ProductDllPath();
    ASSERT_TRUE(win_tests::FileExists(dll)) << Text(dll);
    ASSERT_EQ(LoadTypeLibEx(dll.c_str(), REGKIND_NONE, lib_.ReleaseAndGetAddressOf()), S_OK);
  }

  ComPtr<ITypeInfo> InfoAt(UINT index) {
    ComPtr<ITypeInfo> info;
    EXPECT_EQ(lib_->GetTypeInfo(index, info.ReleaseAndGetAddressOf()), S_OK);
    return info;
  }

  ComPtr<ITypeLib> lib_;
};

TEST_F(EmbeddedTypeLibTest, LibraryAttributesAreTheModels) {
  TLIBATTR* attr = nullptr;
  ASSERT_EQ(lib_->GetLibAttr(&attr), S_OK);
  EXPECT_EQ(Text(attr->guid), Text(Model().libid));
  EXPECT_EQ(attr->wMajorVerNum, Model().majorVersion);
  EXPECT_EQ(attr->wMinorVerNum, Model().minorVersion);
  EXPECT_EQ(attr->lcid, Model().lcid);
  EXPECT_EQ(attr->lcid, 0x0409u);
  // The model describes the product's 32-bit DLL; the 64-bit build's library is
  // compiled for its own system kind.
  EXPECT_EQ(Model().syskind, SYS_WIN32);
  EXPECT_EQ(attr->syskind, sizeof(void*) == 8 ? SYS_WIN64 : Model().syskind);
  EXPECT_EQ(attr->wLibFlags & ~LIBFLAG_FHASDISKIMAGE, 0);
  lib_->ReleaseTLibAttr(attr);

  com::Bstr name, help, helpFile;
  DWORD context = 99;
  ASSERT_EQ(lib_->GetDocumentation(-1, name.ReleaseAndGetAddressOf(), help.ReleaseAndGetAddressOf(), &context,
                                   helpFile.ReleaseAndGetAddressOf()),
            S_OK);
  EXPECT_EQ(name.str(), Model().name);
  EXPECT_EQ(help.str(), Model().helpString);
  EXPECT_EQ(helpFile.str(), Model().helpFile);
  EXPECT_TRUE(helpFile.IsNull()) << "no help file";
  EXPECT_EQ(context, 0u);
}

TEST_F(EmbeddedTypeLibTest, TypeInfosInTheModelsOrderWithTheirAttributes) {
  ASSERT_EQ(lib_->GetTypeInfoCount(), Model().types.size());
  for (UINT i = 0; i < Model().types.size(); ++i) {
    const com::TypeInfoModel& model = Model().types[i];
    SCOPED_TRACE(Text(model.name));

    TYPEKIND kind = TKIND_MAX;
    ASSERT_EQ(lib_->GetTypeInfoType(i, &kind), S_OK);
    EXPECT_EQ(kind, ListedKind(model.kind));
    com::Bstr libName, libHelp;
    ASSERT_EQ(lib_->GetDocumentation(static_cast<INT>(i), libName.ReleaseAndGetAddressOf(),
                                     libHelp.ReleaseAndGetAddressOf(), nullptr, nullptr),
              S_OK);
    EXPECT_EQ(libName.str(), model.name);
    EXPECT_EQ(libHelp.str(), model.helpString);

    ComPtr<ITypeInfo> info = InfoAt(i);
    ASSERT_TRUE(info);
    const Documentation doc = DocOf(info.Get(), MEMBERID_NIL);
    EXPECT_EQ(doc.name, model.name);
    EXPECT_EQ(doc.help, model.helpString);

    const TYPEATTR attr = AttrOf(info.Get());
    EXPECT_EQ(Text(attr.guid), Text(model.guid));
    EXPECT_EQ(attr.typekind, ListedKind(model.kind));
    EXPECT_EQ(attr.wMajorVerNum, model.majorVersion);
    EXPECT_EQ(attr.wMinorVerNum, model.minorVersion);
    EXPECT_EQ(attr.lcid, Model().lcid);
    EXPECT_EQ(attr.cImplTypes, 1);
    EXPECT_EQ(attr.cVars, 0);

    // Found by its GUID at the same place.
    ComPtr<ITypeInfo> byGuid;
    ASSERT_EQ(lib_->GetTypeInfoOfGuid(model.guid, byGuid.ReleaseAndGetAddressOf()), S_OK);
    ComPtr<ITypeLib> container;
    UINT index = 99;
    ASSERT_EQ(byGuid->GetContainingTypeLib(container.ReleaseAndGetAddressOf(), &index), S_OK);
    EXPECT_EQ(index, i);

    switch (model.kind) {
      case com::TypeKind::Interface: {
        EXPECT_EQ(attr.wTypeFlags, model.flags);
        EXPECT_EQ(attr.cFuncs, static_cast<WORD>(model.methods.size()));
        EXPECT_EQ(attr.cbSizeVft, static_cast<WORD>((model.FirstMethodSlot() + model.methods.size()) * kPtr));
        EXPECT_EQ(Text(AttrOf(Referenced(info.Get(), 0).Get()).guid), Text(model.base));
        HREFTYPE href = 0;
        EXPECT_EQ(info->GetRefTypeOfImplType(static_cast<UINT>(-1), &href), TYPE_E_ELEMENTNOTFOUND)
            << "only a dual interface has a second view";
        break;
      }
      case com::TypeKind::DualInterface: {
        // The dispatch view: automation-compatibility is a property of the v-table view only.
        EXPECT_EQ(attr.wTypeFlags, model.flags & ~TYPEFLAG_FOLEAUTOMATION);
        EXPECT_EQ(attr.cFuncs, kDispatchMembers + model.methods.size());
        EXPECT_EQ(attr.cbSizeVft, kDispatchMembers * kPtr);
        EXPECT_EQ(Text(AttrOf(Referenced(info.Get(), 0).Get()).guid), Text(IID_IDispatch));

        ComPtr<ITypeInfo> vtable = Referenced(info.Get(), static_cast<UINT>(-1));
        ASSERT_TRUE(vtable);
        const TYPEATTR vattr = AttrOf(vtable.Get());
        EXPECT_EQ(Text(vattr.guid), Text(model.guid));
        EXPECT_EQ(vattr.typekind, TKIND_INTERFACE);
        EXPECT_EQ(vattr.wTypeFlags, model.flags);
        EXPECT_EQ(vattr.cFuncs, model.methods.size());
        EXPECT_EQ(vattr.cbSizeVft, static_cast<WORD>((model.FirstMethodSlot() + model.methods.size()) * kPtr));
        EXPECT_EQ(vattr.cImplTypes, 1);
        EXPECT_EQ(Text(AttrOf(Referenced(vtable.Get(), 0).Get()).guid), Text(model.base));
        EXPECT_EQ(DocOf(vtable.Get(), MEMBERID_NIL).name, model.name);
        break;
      }
      case com::TypeKind::CoClass: {
        EXPECT_EQ(attr.wTypeFlags, model.flags);
        EXPECT_EQ(attr.cFuncs, 0);
        INT implFlags = 0;
        EXPECT_EQ(info->GetImplTypeFlags(0, &implFlags), S_OK);
        EXPECT_EQ(implFlags, IMPLTYPEFLAG_FDEFAULT);
        EXPECT_EQ(info->GetImplTypeFlags(1, &implFlags), TYPE_E_ELEMENTNOTFOUND);
        EXPECT_EQ(Text(AttrOf(Referenced(info.Get(), 0).Get()).guid), Text(model.defaultInterface));
        break;
      }
    }
  }
}

TEST_F(EmbeddedTypeLibTest, MethodsOfEachInterfaceInBothViews) {
  for (UINT i = 0; i < Model().types.size(); ++i) {
    const com::TypeInfoModel& model = Model().types[i];
    if (model.kind != com::TypeKind::DualInterface) continue;
    SCOPED_TRACE(Text(model.name));
    ComPtr<ITypeInfo> dispatchView = InfoAt(i);
    ASSERT_TRUE(dispatchView);
    ComPtr<ITypeInfo> vtableView = Referenced(dispatchView.Get(), static_cast<UINT>(-1));
    ASSERT_TRUE(vtableView);

    for (UINT m = 0; m < model.methods.size(); ++m) {
      const com::MethodModel& method = model.methods[m];
      SCOPED_TRACE(Text(method.name));
      std::vector<std::wstring> expectedNames{method.name};
      for (const auto& p : method.params) expectedNames.push_back(p.name);

      for (const bool dispatch : {false, true}) {
        SCOPED_TRACE(dispatch ? "dispatch view" : "v-table view");
        ITypeInfo* view = dispatch ? dispatchView.Get() : vtableView.Get();
        Func fd(view, dispatch ? kDispatchMembers + m : m);
        ASSERT_EQ(fd.Result(), S_OK);
        EXPECT_EQ(fd->memid, method.dispid);
        EXPECT_EQ(fd->funckind, dispatch ? FUNC_DISPATCH : FUNC_PUREVIRTUAL);
        EXPECT_EQ(fd->invkind, INVOKE_FUNC);
        EXPECT_EQ(fd->callconv, CC_STDCALL);
        EXPECT_EQ(fd->wFuncFlags, 0);
        if (!dispatch) {
          // Interface-table order: the slot after IDispatch's seven, in the model's order.
          EXPECT_EQ(fd->oVft, static_cast<SHORT>((model.FirstMethodSlot() + m) * kPtr));
          EXPECT_EQ(fd->elemdescFunc.tdesc.vt, VT_HRESULT);
        }
        ASSERT_EQ(fd->cParams, static_cast<SHORT>(method.params.size()));
        EXPECT_EQ(fd->cParamsOpt, 0);
        for (SHORT p = 0; p < fd->cParams; ++p) {
          SCOPED_TRACE(Text(method.params[p].name));
          EXPECT_EQ(fd->lprgelemdescParam[p].tdesc.vt, method.params[p].vt);
          EXPECT_EQ(fd->lprgelemdescParam[p].paramdesc.wParamFlags, PARAMFLAG_FIN);
        }
        EXPECT_EQ(NamesOf(view, method.dispid), expectedNames);
        const Documentation doc = DocOf(view, method.dispid);
        EXPECT_EQ(doc.name, method.name);
        EXPECT_EQ(doc.help, method.helpString);
      }

      // Names resolve to the DISPID and the parameters to their positions.
      std::vector<LPOLESTR> names;
      for (const auto& n : expectedNames) names.push_back(const_cast<LPOLESTR>(n.c_str()));
      std::vector<MEMBERID> ids(names.size(), 12345);
      ASSERT_EQ(dispatchView->GetIDsOfNames(names.data(), static_cast<UINT>(names.size()), ids.data()), S_OK);
      EXPECT_EQ(ids[0], method.dispid);
      for (std::size_t p = 1; p < ids.size(); ++p) EXPECT_EQ(ids[p], static_cast<MEMBERID>(p - 1));
    }
  }
}

TEST_F(EmbeddedTypeLibTest, DualInterfacesInheritTheStandardMembersFromStdole) {
  const struct {
    const wchar_t* name;
    MEMBERID memid;
  } inherited[kDispatchMembers] = {
      {L"QueryInterface", 0x60000000},   {L"AddRef", 0x60000001},      {L"Release", 0x60000002},
      {L"GetTypeInfoCount", 0x60010000}, {L"GetTypeInfo", 0x60010001}, {L"GetIDsOfNames", 0x60010002},
      {L"Invoke", 0x60010003},
  };
  for (UINT i = 0; i < Model().types.size(); ++i) {
    const com::TypeInfoModel& model = Model().types[i];
    if (model.kind != com::TypeKind::DualInterface) continue;
    SCOPED_TRACE(Text(model.name));
    ComPtr<ITypeInfo> view = InfoAt(i);
    ASSERT_TRUE(view);
    for (UINT f = 0; f < kDispatchMembers; ++f) {
      Func fd(view.Get(), f);
      ASSERT_EQ(fd.Result(), S_OK);
      EXPECT_EQ(fd->memid, inherited[f].memid);
      EXPECT_EQ(fd->wFuncFlags, FUNCFLAG_FRESTRICTED);
      EXPECT_EQ(DocOf(view.Get(), inherited[f].memid).name, inherited[f].name);
    }
    // IDispatch itself comes from the imported standard library.
    ComPtr<ITypeInfo> dispatch = Referenced(view.Get(), 0);
    ASSERT_TRUE(dispatch);
    ComPtr<ITypeLib> stdole;
    UINT index = 0;
    ASSERT_EQ(dispatch->GetContainingTypeLib(stdole.ReleaseAndGetAddressOf(), &index), S_OK);
    TLIBATTR* attr = nullptr;
    ASSERT_EQ(stdole->GetLibAttr(&attr), S_OK);
    EXPECT_EQ(com::GuidToString(attr->guid), L"{00020430-0000-0000-C000-000000000046}");
    EXPECT_EQ(attr->wMajorVerNum, 2);
    stdole->ReleaseTLibAttr(attr);
  }
}

TEST_F(EmbeddedTypeLibTest, QuestionsAboutWhatIsNotThereGetTheSameAnswersAsOnThePortableBuild) {
  const UINT count = lib_->GetTypeInfoCount();
  TYPEKIND kind;
  ComPtr<ITypeInfo> info;
  EXPECT_EQ(lib_->GetTypeInfoType(count, &kind), TYPE_E_ELEMENTNOTFOUND);
  EXPECT_EQ(lib_->GetTypeInfo(count, info.ReleaseAndGetAddressOf()), TYPE_E_ELEMENTNOTFOUND);
  EXPECT_FALSE(info);
  EXPECT_EQ(lib_->GetDocumentation(static_cast<INT>(count), nullptr, nullptr, nullptr, nullptr),
            TYPE_E_ELEMENTNOTFOUND);
  EXPECT_EQ(lib_->GetTypeInfoOfGuid(IID_IClassFactory, info.ReleaseAndGetAddressOf()), TYPE_E_ELEMENTNOTFOUND);
  EXPECT_EQ(lib_->GetTypeInfoType(0, nullptr), E_INVALIDARG);

  // Names of methods and parameters are known to the library.
  BOOL found = FALSE;
  for (const wchar_t* known : {L"CaptureScreenShot", L"ARewriteIfExists", L"IVornBHOGUI"}) {
    wchar_t buffer[64] = {};
    wcscpy(buffer, known);
    ASSERT_EQ(lib_->IsName(buffer, 0, &found), S_OK);
    EXPECT_TRUE(found) << Text(known);
  }
  // In any case, answered in the library's spelling; Wine 8.0 compares names
  // case-sensitively there (Windows and the portable build do not), so under
  // Wine another case may also go unfound, unchanged.
  wchar_t name[] = L"CAPTURESCREENSHOT";
  ASSERT_EQ(lib_->IsName(name, 0, &found), S_OK);
  if (found || !testing_support::RunningUnderWine()) {
    EXPECT_TRUE(found);
    EXPECT_EQ(std::wstring(name), L"CaptureScreenShot");
  } else {
    EXPECT_EQ(std::wstring(name), L"CAPTURESCREENSHOT");
  }
  wchar_t stranger[] = L"CaptureScreenShot2";
  ASSERT_EQ(lib_->IsName(stranger, 0, &found), S_OK);
  EXPECT_FALSE(found);

  // Unknown names and DISPIDs on an interface.
  const com::InterfaceModel* offUtils = Model().FindInterface(IID_IVornOffUtils);
  ASSERT_NE(offUtils, nullptr);
  ComPtr<ITypeInfo> view;
  ASSERT_EQ(lib_->GetTypeInfoOfGuid(offUtils->guid, view.ReleaseAndGetAddressOf()), S_OK);
  const wchar_t* names[] = {L"OpenLinks", L"NoSuchParameter"};
  MEMBERID ids[2] = {};
  EXPECT_EQ(view->GetIDsOfNames(const_cast<LPOLESTR*>(names), 2, ids), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(ids[0], 204);
  EXPECT_EQ(ids[1], MEMBERID_NIL);
  const wchar_t* unknown[] = {L"NoSuchMethod"};
  EXPECT_EQ(view->GetIDsOfNames(const_cast<LPOLESTR*>(unknown), 1, ids), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(ids[0], MEMBERID_NIL);
  for (MEMBERID unused : {202, 205}) {
    BSTR names1[1] = {};
    UINT got = 7;
    EXPECT_EQ(view->GetNames(unused, names1, 1, &got), TYPE_E_ELEMENTNOTFOUND) << unused;
    EXPECT_EQ(got, 0u);
  }
}

}  // namespace
