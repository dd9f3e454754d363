// The library's type library as callers see it: the in-code model, the .idl
// it must agree with, and the ITypeLib/ITypeInfo served from the model.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "type_library/VornIEGUITypeLib.h"
#include "platform/com/Bstr.h"
#include "platform/com/ComPtr.h"
#include "platform/com/GuidString.h"
#include "platform/com/TypeLibrary.h"
#include "platform/com/Text.h"

namespace {

constexpr WORD kDualFlags = TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FDISPATCHABLE;
constexpr WORD kPtr = sizeof(void*);

struct TypeRow {
  com::TypeKind kind;
  const wchar_t* name;
  const wchar_t* guid;
  WORD flags;
  const wchar_t* help;
  const wchar_t* defaultInterface;  // coclasses
};

const TypeRow kTypes[] = {
    {com::TypeKind::Interface, L"IVornIEExplorerBar", L"{44E5D19C-1AA0-4FBE-BB49-8793FE8F72A3}",
     TYPEFLAG_FOLEAUTOMATION, L"Interface for VornIEExplorerBar Object", nullptr},
    {com::TypeKind::CoClass, L"VornIEExplorerBar", L"{75CD0BC5-E317-449C-9FF6-4986B3D48F64}", TYPEFLAG_FCANCREATE,
     L"VornIEExplorerBar", L"{44E5D19C-1AA0-4FBE-BB49-8793FE8F72A3}"},
    {com::TypeKind::DualInterface, L"IVornOffUtils", L"{6D25F622-987B-467E-B7F6-8C126908A462}", kDualFlags,
     L"Dispatch interface for VornOffUtils Object", nullptr},
    {com::TypeKind::CoClass, L"VornOffUtils", L"{0BCA9A71-9E56-4727-8756-4358C072C703}", TYPEFLAG_FCANCREATE,
     L"VornOffUtils Object", L"{6D25F622-987B-467E-B7F6-8C126908A462}"},
    {com::TypeKind::DualInterface, L"IVornBHOGUI", L"{233490A0-A508-41E6-A6DE-AB20659D0311}", kDualFlags,
     L"Dispatch interface for VornBHOGUI Object", nullptr},
    {com::TypeKind::CoClass, L"VornBHOGUI", L"{CC3C4FBC-55E7-4DB5-8F05-D04F7B306F87}", TYPEFLAG_FCANCREATE,
     L"VornBHOGUI Object", L"{233490A0-A508-41E6-A6DE-AB20659D0311}"},
    {com::TypeKind::Interface, L"IBriselQLToolbar", L"{54EDFA0B-F505-4F2A-B79A-A5EBEC6B23CC}",
     TYPEFLAG_FOLEAUTOMATION, L"Interface for BriselQLToolbar Object", nullptr},
    {com::TypeKind::CoClass, L"BriselQLToolbar", L"{A8415B7A-F661-4D31-92D7-4398E50483DF}", TYPEFLAG_FCANCREATE,
     L"BriselQLToolbar", L"{54EDFA0B-F505-4F2A-B79A-A5EBEC6B23CC}"},
};

struct Param {
  const wchar_t* name;
  VARTYPE vt;
};

struct MethodRow {
  const wchar_t* itf;
  const wchar_t* name;
  DISPID dispid;
  std::vector<Param> params;
};

// Interface-table order within each interface.
const std::vector<MethodRow> kMethods = {
    {L"IVornOffUtils", L"OpenLinks", 204, {{L"ADocument", VT_VARIANT}, {L"AOnlySel", VT_I4}}},
    {L"IVornOffUtils", L"HighlightDocument", 203, {{L"WB_ID", VT_UI4}, {L"Unk", VT_UNKNOWN}, {L"Srv", VT_UNKNOWN}}},
    {L"IVornOffUtils", L"AddBanners", 206, {{L"ADocument", VT_VARIANT}, {L"AElement", VT_VARIANT}}},
    {L"IVornOffUtils",
     L"CaptureScreenShot",
     201,
     {{L"AWebBrowser", VT_UNKNOWN}, {L"ARewriteIfExists", VT_BOOL}, {L"AServer", VT_UNKNOWN}}},
    {L"IVornBHOGUI",
     L"MouseOverLink",
     201,
     {{L"HWND", VT_I4}, {L"X", VT_I4}, {L"Y", VT_I4}, {L"URL", VT_BSTR}, {L"StowlyServer", VT_UNKNOWN}}},
    {L"IVornBHOGUI", L"MouseOutLink", 202, {}},
    {L"IVornBHOGUI", L"MouseMove", 203, {{L"X", VT_I4}, {L"Y", VT_I4}}},
    {L"IVornBHOGUI", L"ShowOurAdvertising", 204, {{L"HWND", VT_I4}, {L"MainServer", VT_UNKNOWN}}},
};

std::vector<const MethodRow*> MethodsOf(const std::wstring& itf) {
  std::vector<const MethodRow*> rows;
  for (const auto& m : kMethods)
    if (itf == m.itf) rows.push_back(&m);
  return rows;
}

const com::TypeLibModel& Model() { return vorn::VornIEGUITypeLibModel(); }

// ---------------------------------------------------------------- the model

TEST(TypeLibModelTest, LibraryAttributes) {
  EXPECT_EQ(Model().name, L"VornIEGUI");
  EXPECT_EQ(com::GuidToString(Model().libid), L"{D21102C9-CB0C-499D-85D7-C67474D21445}");
  EXPECT_EQ(Model().majorVersion, 1);
  EXPECT_EQ(Model().minorVersion, 0);
  EXPECT_EQ(Model().lcid, 0x0409u);
  EXPECT_EQ(Model().syskind, SYS_WIN32);
  EXPECT_TRUE(Model().helpString.ends_with(L" GUI Library")) << com::ToUtf8(Model().helpString);
  EXPECT_GT(Model().helpString.size(), std::wstring(L" GUI Library").size());
}

TEST(TypeLibModelTest, TypeInfosInLibraryOrder) {
  ASSERT_EQ(Model().types.size(), std::size(kTypes));
  for (std::size_t i = 0; i < std::size(kTypes); ++i) {
    const TypeRow& row = kTypes[i];
    const com::TypeInfoModel& t = Model().types[i];
    SCOPED_TRACE(com::ToUtf8(row.name));
    EXPECT_EQ(t.kind, row.kind);
    EXPECT_EQ(t.name, row.name);
    EXPECT_EQ(com::GuidToString(t.guid), row.guid);
    EXPECT_EQ(t.flags, row.flags);
    EXPECT_EQ(t.helpString, row.help);
    EXPECT_EQ(t.majorVersion, 1);
    EXPECT_EQ(t.minorVersion, 0);
    if (row.defaultInterface) {
      EXPECT_EQ(com::GuidToString(t.defaultInterface), row.defaultInterface);
    }
    if (row.kind != com::TypeKind::CoClass) {
      const GUID& base = row.kind == com::TypeKind::Interface ? IID_IUnknown : IID_IDispatch;
      EXPECT_EQ(com::GuidToString(t.base), com::GuidToString(base));
    }
    const auto methods = MethodsOf(row.name);
    ASSERT_EQ(t.methods.size(), methods.size());
    for (std::size_t m = 0; m < methods.size(); ++m) {
      const com::MethodModel& mm = t.methods[m];
      EXPECT_EQ(mm.name, methods[m]->name);
      EXPECT_EQ(mm.dispid, methods[m]->dispid);
      EXPECT_NE(mm.invoker, nullptr);
      ASSERT_EQ(mm.params.size(), methods[m]->params.size()) << com::ToUtf8(mm.name);
      for (std::size_t p = 0; p < mm.params.size(); ++p) {
        EXPECT_EQ(mm.params[p].name, methods[m]->params[p].name);
        EXPECT_EQ(mm.params[p].vt, methods[m]->params[p].vt);
      }
    }
  }
}

TEST(TypeLibModelTest, FactoriesFindNameDescriptionAndProgIdOfEachCoClass) {
  const struct {
    const CLSID* clsid;
    const wchar_t* name;
    const wchar_t* description;
    const wchar_t* progId;
  } rows[] = {
      {&CLSID_VornIEExplorerBar, L"VornIEExplorerBar", L"VornIEExplorerBar", L"VornIEGUI.VornIEExplorerBar"},
      {&CLSID_VornOffUtils, L"VornOffUtils", L"VornOffUtils Object", L"VornIEGUI.VornOffUtils"},
      {&CLSID_VornBHOGUI, L"VornBHOGUI", L"VornBHOGUI Object", L"VornIEGUI.VornBHOGUI"},
      {&CLSID_BriselQLToolbar, L"BriselQLToolbar", L"BriselQLToolbar", L"VornIEGUI.BriselQLToolbar"},
  };
  for (const auto& row : rows) {
    const com::CoClassModel* coclass = Model().FindCoClass(*row.clsid);
    ASSERT_NE(coclass, nullptr) << com::ToUtf8(row.name);
    EXPECT_EQ(coclass->name, row.name);
    EXPECT_EQ(coclass->helpString, row.description);
    EXPECT_EQ(Model().ProgIdOf(*coclass), row.progId);
  }
  // An interface is no coclass, a coclass no interface, and strangers are neither.
  EXPECT_EQ(Model().FindCoClass(IID_IVornOffUtils), nullptr);
  EXPECT_EQ(Model().FindInterface(CLSID_VornOffUtils), nullptr);
  EXPECT_EQ(Model().FindType(IID_IDispatch), nullptr);
}

TEST(TypeLibModelTest, MethodLookupIsCaseInsensitiveByNameAndExactByDispid) {
  const com::InterfaceModel* itf = Model().FindInterface(IID_IVornOffUtils);
  ASSERT_NE(itf, nullptr);
  ASSERT_NE(itf->FindMethod(std::wstring_view(L"capturescreenshot")), nullptr);
  EXPECT_EQ(itf->FindMethod(std::wstring_view(L"capturescreenshot"))->dispid, 201);
  EXPECT_EQ(itf->FindMethod(std::wstring_view(L"CaptureScreenShot2")), nullptr);
  EXPECT_EQ(itf->FindMethod(202), nullptr);  // 202 and 205 are not used by this interface
  EXPECT_EQ(itf->FindMethod(205), nullptr);
  ASSERT_NE(itf->FindMethod(206), nullptr);
  EXPECT_EQ(itf->FindMethod(206)->ParamIndex(L"aelement"), 1);
  EXPECT_EQ(itf->FindMethod(206)->ParamIndex(L"nothing"), -1);
  EXPECT_EQ(itf->FirstMethodSlot(), 7u);
  EXPECT_EQ(Model().FindInterface(IID_IBriselQLToolbar)->FirstMethodSlot(), 3u);
}

// A method entry whose parameters do not fit the C++ method is refused when the model is built.
interface ITwoArgs : IDispatch {
  virtual HRESULT STDMETHODCALLTYPE Two(LONG a, BSTR b) = 0;
};

TEST(TypeLibModelTest, MethodEntriesMustFitTheCppSignature) {
  EXPECT_NO_THROW(com::MethodOf<&ITwoArgs::Two>(L"Two", 1, {{L"a", VT_I4}, {L"b", VT_BSTR}}));
  EXPECT_NO_THROW(com::MethodOf<&ITwoArgs::Two>(L"Two", 1, {{L"a", VT_UI4}, {L"b", VT_BSTR}}));
  EXPECT_THROW(com::MethodOf<&ITwoArgs::Two>(L"Two", 1, {{L"a", VT_I4}}), std::logic_error);
  EXPECT_THROW(com::MethodOf<&ITwoArgs::Two>(L"Two", 1, {{L"a", VT_I4}, {L"b", VT_I4}}), std::logic_error);
  EXPECT_THROW(com::MethodOf<&ITwoArgs::Two>(L"Two", 1, {{L"a", VT_BOOL}, {L"b", VT_BSTR}}), std::logic_error);
  EXPECT_THROW(com::MethodOf<&ITwoArgs::Two>(L"Two", 1, {{L"a", VT_I4}, {L"b", VT_BSTR}, {L"c", VT_I4}}),
               std::logic_error);
}

// ---------------------------------------------------------------- the .idl says the same

struct IdlType {
  std::string uuid, kind, name, help;
  std::vector<std::string> members;  // "id:name(param,param)"
};

std::vector<IdlType> ParseIdl(const std::string& text) {
  std::vector<IdlType> types;
  const auto lib = text.find("library VornIEGUI");
  if (lib == std::string::npos) return types;
  const std::string body = text.substr(lib);
  const std::regex typeRe(R"(\[\s*([^\]]*?)\]\s*(interface|coclass)\s+(\w+)\s*(?::\s*\w+\s*)?\{([^}]*)\})");
  const std::regex uuidRe(R"(uuid\(([0-9A-Fa-f-]+)\))");
  const std::regex helpRe(R"(helpstring\(\"([^\"]*)\"\))");
  const std::regex methodRe(R"(\[id\((0x[0-9A-Fa-f]+)\)\]\s*HRESULT\s+(\w+)\s*\(([^)]*)\))");
  const std::regex paramRe(R"(\[in\][^,]*?(\w+)\s*(?:,|$))");
  for (std::sregex_iterator it(body.begin(), body.end(), typeRe), end; it != end; ++it) {
    IdlType t;
    std::smatch m;
    const std::string attrs = (*it)[1];
    if (std::regex_search(attrs, m, uuidRe)) t.uuid = m[1];
    if (std::regex_search(attrs, m, helpRe)) t.help = m[1];
    t.kind = (*it)[2];
    t.name = (*it)[3];
    const std::string members = (*it)[4];
    for (std::sregex_iterator mi(members.begin(), members.end(), methodRe); mi != end; ++mi) {
      std::string entry = std::to_string(std::stoi((*mi)[1], nullptr, 16)) + ":" + std::string((*mi)[2]) + "(";
      const std::string params = (*mi)[3];
      bool first = true;
      for (std::sregex_iterator pi(params.begin(), params.end(), paramRe); pi != end; ++pi) {
        entry += (first ? "" : ",") + std::string((*pi)[1]);
        first = false;
      }
      t.members.push_back(entry + ")");
    }
    types.push_back(t);
  }
  return types;
}

std::string ReadIdl() {
  const std::string path = std::string(VORN_SOURCE_DIR) + "/src/type_library/VornIEGUI.idl";
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(TypeLibModelTest, IdlDescribesTheSameTypesMembersAndNumbers) {
  const std::string idl = ReadIdl();
  ASSERT_FALSE(idl.empty()) << "VornIEGUI.idl not found";
  EXPECT_NE(idl.find("uuid(D21102C9-CB0C-499D-85D7-C67474D21445)"), std::string::npos);
  EXPECT_NE(idl.find("helpstring(\"" + com::ToUtf8(Model().helpString) + "\")"), std::string::npos);
  EXPECT_NE(idl.find("importlib(\"stdole2.tlb\")"), std::string::npos);

  const auto types = ParseIdl(idl);
  ASSERT_EQ(types.size(), Model().types.size());
  for (std::size_t i = 0; i < types.size(); ++i) {
    const com::TypeInfoModel& t = Model().types[i];
    SCOPED_TRACE(com::ToUtf8(t.name));
    EXPECT_EQ(types[i].name, com::ToUtf8(t.name));
    EXPECT_EQ("{" + types[i].uuid + "}", com::ToUtf8(com::GuidToString(t.guid)));
    EXPECT_EQ(types[i].help, com::ToUtf8(t.helpString));
    EXPECT_EQ(types[i].kind, t.kind == com::TypeKind::CoClass ? "coclass" : "interface");
    std::vector<std::string> expected;
    for (const auto& m : t.methods) {
      std::string entry = std::to_string(m.dispid) + ":" + com::ToUtf8(m.name) + "(";
      for (std::size_t p = 0; p < m.params.size(); ++p) entry += (p ? "," : "") + com::ToUtf8(m.params[p].name);
      expected.push_back(entry + ")");
    }
    EXPECT_EQ(types[i].members, expected);
  }
}

// ---------------------------------------------------------------- the type library served from the model

class TypeLibServedTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(com::LoadOwnTypeLib(Model(), lib_.ReleaseAndGetAddressOf()), S_OK);
  }

  com::ComPtr<ITypeLib> lib_;
};

std::wstring DocName(ITypeInfo* info, MEMBERID memid, std::wstring* help = nullptr) {
  com::Bstr name, doc;
  EXPECT_EQ(info->GetDocumentation(memid, name.ReleaseAndGetAddressOf(), doc.ReleaseAndGetAddressOf(), nullptr,
                                   nullptr),
            S_OK);
  if (help) *help = doc.str();
  return name.str();
}

std::vector<std::wstring> NamesOf(ITypeInfo* info, MEMBERID memid) {
  BSTR names[8] = {};
  UINT count = 0;
  EXPECT_EQ(info->GetNames(memid, names, 8, &count), S_OK);
  std::vector<std::wstring> out;
  for (UINT i = 0; i < count; ++i) out.push_back(com::Bstr::Adopt(names[i]).str());
  return out;
}

TEST_F(TypeLibServedTest, EveryTypeInfoMatchesTheTable) {
  ASSERT_EQ(lib_->GetTypeInfoCount(), std::size(kTypes));
  for (UINT i = 0; i < std::size(kTypes); ++i) {
    const TypeRow& row = kTypes[i];
    SCOPED_TRACE(com::ToUtf8(row.name));
    com::ComPtr<ITypeInfo> info;
    ASSERT_EQ(lib_->GetTypeInfo(i, info.ReleaseAndGetAddressOf()), S_OK);
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(info->GetTypeAttr(&attr), S_OK);
    EXPECT_EQ(com::GuidToString(attr->guid), row.guid);
    EXPECT_EQ(attr->wMajorVerNum, 1);
    EXPECT_EQ(attr->wMinorVerNum, 0);
    EXPECT_EQ(attr->cImplTypes, 1);
    std::wstring help;
    EXPECT_EQ(DocName(info.Get(), MEMBERID_NIL, &help), row.name);
    EXPECT_EQ(help, row.help);
    const auto methods = MethodsOf(row.name);
    switch (row.kind) {
      case com::TypeKind::Interface:
        EXPECT_EQ(attr->typekind, TKIND_INTERFACE);
        EXPECT_EQ(attr->cFuncs, 0);
        EXPECT_EQ(attr->wTypeFlags, row.flags);
        EXPECT_EQ(attr->cbSizeVft, 3 * kPtr);
        break;
      case com::TypeKind::DualInterface:
        // Listed as its dispatch view: IUnknown's and IDispatch's members come first.
        EXPECT_EQ(attr->typekind, TKIND_DISPATCH);
        EXPECT_EQ(attr->cFuncs, 7 + methods.size());
        EXPECT_EQ(attr->wTypeFlags, TYPEFLAG_FDUAL | TYPEFLAG_FDISPATCHABLE);
        break;
      case com::TypeKind::CoClass: {
        EXPECT_EQ(attr->typekind, TKIND_COCLASS);
        EXPECT_EQ(attr->wTypeFlags, TYPEFLAG_FCANCREATE);
        INT implFlags = 0;
        EXPECT_EQ(info->GetImplTypeFlags(0, &implFlags), S_OK);
        EXPECT_EQ(implFlags, IMPLTYPEFLAG_FDEFAULT);
        HREFTYPE href = 0;
        ASSERT_EQ(info->GetRefTypeOfImplType(0, &href), S_OK);
        com::ComPtr<ITypeInfo> itf;
        ASSERT_EQ(info->GetRefTypeInfo(href, itf.ReleaseAndGetAddressOf()), S_OK);
        TYPEATTR* itfAttr = nullptr;
        ASSERT_EQ(itf->GetTypeAttr(&itfAttr), S_OK);
        EXPECT_EQ(com::GuidToString(itfAttr->guid), row.defaultInterface);
        itf->ReleaseTypeAttr(itfAttr);
        break;
      }
    }
    info->ReleaseTypeAttr(attr);
  }
}

TEST_F(TypeLibServedTest, DualInterfacesListTheirMethodsInBothViews) {
  for (const wchar_t* itfName : {L"IVornOffUtils", L"IVornBHOGUI"}) {
    SCOPED_TRACE(com::ToUtf8(itfName));
    const auto methods = MethodsOf(itfName);
    const com::InterfaceModel* model = nullptr;
    for (const auto& t : Model().types)
      if (t.name == itfName) model = &t;
    ASSERT_NE(model, nullptr);
    com::ComPtr<ITypeInfo> dispatchView, vtableView;
    ASSERT_EQ(lib_->GetTypeInfoOfGuid(model->guid, dispatchView.ReleaseAndGetAddressOf()), S_OK);
    HREFTYPE href = 0;
    ASSERT_EQ(dispatchView->GetRefTypeOfImplType(static_cast<UINT>(-1), &href), S_OK);
    ASSERT_EQ(dispatchView->GetRefTypeInfo(href, vtableView.ReleaseAndGetAddressOf()), S_OK);

    TYPEATTR* attr = nullptr;
    ASSERT_EQ(vtableView->GetTypeAttr(&attr), S_OK);
    EXPECT_EQ(attr->typekind, TKIND_INTERFACE);
    EXPECT_EQ(attr->cFuncs, methods.size());
    EXPECT_EQ(attr->wTypeFlags, kDualFlags);
    EXPECT_EQ(attr->cbSizeVft, (7 + methods.size()) * kPtr);
    vtableView->ReleaseTypeAttr(attr);

    for (UINT m = 0; m < methods.size(); ++m) {
      const MethodRow& row = *methods[m];
      SCOPED_TRACE(com::ToUtf8(row.name));
      for (bool dispatch : {false, true}) {
        ITypeInfo* view = dispatch ? dispatchView.Get() : vtableView.Get();
        FUNCDESC* fd = nullptr;
        ASSERT_EQ(view->GetFuncDesc(dispatch ? 7 + m : m, &fd), S_OK);
        EXPECT_EQ(fd->memid, row.dispid);
        EXPECT_EQ(fd->funckind, dispatch ? FUNC_DISPATCH : FUNC_PUREVIRTUAL);
        EXPECT_EQ(fd->invkind, INVOKE_FUNC);
        EXPECT_EQ(fd->callconv, CC_STDCALL);
        EXPECT_EQ(fd->oVft, static_cast<SHORT>((7 + m) * kPtr));
        EXPECT_EQ(fd->elemdescFunc.tdesc.vt, dispatch ? VT_VOID : VT_HRESULT);
        ASSERT_EQ(fd->cParams, static_cast<SHORT>(row.params.size()));
        EXPECT_EQ(fd->cParamsOpt, 0);
        for (SHORT p = 0; p < fd->cParams; ++p) {
          EXPECT_EQ(fd->lprgelemdescParam[p].tdesc.vt, row.params[p].vt);
          EXPECT_EQ(fd->lprgelemdescParam[p].paramdesc.wParamFlags, PARAMFLAG_FIN);
        }
        view->ReleaseFuncDesc(fd);

        std::vector<std::wstring> expectedNames{row.name};
        for (const auto& p : row.params) expectedNames.push_back(p.name);
        EXPECT_EQ(NamesOf(view, row.dispid), expectedNames);
      }
    }
  }
}

TEST_F(TypeLibServedTest, LibraryAttributesAndDocumentation) {
  TLIBATTR* attr = nullptr;
  ASSERT_EQ(lib_->GetLibAttr(&attr), S_OK);
  EXPECT_EQ(com::GuidToString(attr->guid), L"{D21102C9-CB0C-499D-85D7-C67474D21445}");
  EXPECT_EQ(attr->lcid, 0x0409u);
  // A 64-bit Windows build embeds a win64 library; the exact kind per build is
  // pinned by the Windows tests of the embedded library.
  EXPECT_TRUE(attr->syskind == SYS_WIN32 || (sizeof(void*) == 8 && attr->syskind == SYS_WIN64)) << attr->syskind;
  EXPECT_EQ(attr->wMajorVerNum, 1);
  EXPECT_EQ(attr->wMinorVerNum, 0);
  lib_->ReleaseTLibAttr(attr);
  com::Bstr name, doc, helpFile;
  ASSERT_EQ(lib_->GetDocumentation(-1, name.ReleaseAndGetAddressOf(), doc.ReleaseAndGetAddressOf(), nullptr,
                                   helpFile.ReleaseAndGetAddressOf()),
            S_OK);
  EXPECT_EQ(name.str(), L"VornIEGUI");
  EXPECT_EQ(doc.str(), Model().helpString);
  EXPECT_TRUE(helpFile.IsNull());  // no help file
}

}  // namespace
