#include "type_library/VornIEGUITypeLib.h"

#include "platform/com/ClassInfo.h"

namespace vorn {
namespace {

constexpr WORD kOleAutomation = TYPEFLAG_FOLEAUTOMATION;
constexpr WORD kDual = TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FDISPATCHABLE;
constexpr WORD kCreatable = TYPEFLAG_FCANCREATE;

com::TypeInfoModel Interface(const wchar_t* name, const IID& iid, const wchar_t* help) {
  com::TypeInfoModel t;
  t.kind = com::TypeKind::Interface;
  t.name = name;
  t.guid = iid;
  t.flags = kOleAutomation;
  t.helpString = help;
  t.base = IID_IUnknown;
  return t;
}

com::TypeInfoModel Dual(const wchar_t* name, const IID& iid, const wchar_t* help,
                        std::vector<com::MethodModel> methods) {
  com::TypeInfoModel t;
  t.kind = com::TypeKind::DualInterface;
  t.name = name;
  t.guid = iid;
  t.flags = kDual;
  t.helpString = help;
  t.base = IID_IDispatch;
  t.methods = std::move(methods);
  return t;
}

com::TypeInfoModel CoClass(const wchar_t* name, const CLSID& clsid, const wchar_t* help, const IID& defaultItf) {
  com::TypeInfoModel t;
  t.kind = com::TypeKind::CoClass;
  t.name = name;
  t.guid = clsid;
  t.flags = kCreatable;
  t.helpString = help;
  t.defaultInterface = defaultItf;
  return t;
}

com::TypeLibModel Build() {
  using com::MethodOf;
  com::TypeLibModel lib;
  lib.name = L"VornIEGUI";
  lib.libid = LIBID_VornIEGUI;
  lib.majorVersion = 1;
  lib.minorVersion = 0;
  lib.lcid = 0x0409;
  lib.syskind = SYS_WIN32;
  lib.helpString = L"VornIE GUI Library";
  lib.types = {
      // 0, 1
      Interface(L"IVornIEExplorerBar", IID_IVornIEExplorerBar, L"Interface for VornIEExplorerBar Object"),
      CoClass(L"VornIEExplorerBar", CLSID_VornIEExplorerBar, L"VornIEExplorerBar", IID_IVornIEExplorerBar),
      // 2, 3
      Dual(L"IVornOffUtils", IID_IVornOffUtils, L"Dispatch interface for VornOffUtils Object",
           {
               MethodOf<&IVornOffUtils::OpenLinks>(L"OpenLinks", 0xCC,
                                                   {{L"ADocument", VT_VARIANT}, {L"AOnlySel", VT_I4}}),
               MethodOf<&IVornOffUtils::HighlightDocument>(
                   L"HighlightDocument", 0xCB, {{L"WB_ID", VT_UI4}, {L"Unk", VT_UNKNOWN}, {L"Srv", VT_UNKNOWN}}),
               MethodOf<&IVornOffUtils::AddBanners>(L"AddBanners", 0xCE,
                                                    {{L"ADocument", VT_VARIANT}, {L"AElement", VT_VARIANT}}),
               MethodOf<&IVornOffUtils::CaptureScreenShot>(
                   L"CaptureScreenShot", 0xC9,
                   {{L"AWebBrowser", VT_UNKNOWN}, {L"ARewriteIfExists", VT_BOOL}, {L"AServer", VT_UNKNOWN}}),
           }),
      CoClass(L"VornOffUtils", CLSID_VornOffUtils, L"VornOffUtils Object", IID_IVornOffUtils),
      // 4, 5
      Dual(L"IVornBHOGUI", IID_IVornBHOGUI, L"Dispatch interface for VornBHOGUI Object",
           {
               MethodOf<&IVornBHOGUI::MouseOverLink>(L"MouseOverLink", 0xC9,
                                                     {{L"HWND", VT_I4},
                                                      {L"X", VT_I4},
                                                      {L"Y", VT_I4},
                                                      {L"URL", VT_BSTR},
                                                      {L"StowlyServer", VT_UNKNOWN}}),
               MethodOf<&IVornBHOGUI::MouseOutLink>(L"MouseOutLink", 0xCA, {}),
               MethodOf<&IVornBHOGUI::MouseMove>(L"MouseMove", 0xCB, {{L"X", VT_I4}, {L"Y", VT_I4}}),
               MethodOf<&IVornBHOGUI::ShowOurAdvertising>(L"ShowOurAdvertising", 0xCC,
                                                          {{L"HWND", VT_I4}, {L"MainServer", VT_UNKNOWN}}),
           }),
      CoClass(L"VornBHOGUI", CLSID_VornBHOGUI, L"VornBHOGUI Object", IID_IVornBHOGUI),
      // 6, 7
      Interface(L"IBriselQLToolbar", IID_IBriselQLToolbar, L"Interface for BriselQLToolbar Object"),
      CoClass(L"BriselQLToolbar", CLSID_BriselQLToolbar, L"BriselQLToolbar", IID_IBriselQLToolbar),
  };
  return lib;
}

}  // namespace

const com::TypeLibModel& VornIEGUITypeLibModel() {
  static const com::TypeLibModel model = Build();
  return model;
}

}  // namespace vorn
