#include "com_server/ComServerUnit.h"

#include "band_hosting/BriselQLToolbarUnit.h"
#include "band_hosting/IEBandRegistry.h"
#include "band_hosting/VornIEExplorerBarUnit.h"
#include "bho_gui/VornBHOGUIUnit.h"
#include "main_toolbar/MainIEToolBandFormUnit.h"
#include "quick_links/QLIEToolBandFormUnit.h"
#include "type_library/ResourceStrings.h"
#include "com_server/ToolbarFactoryUnit.h"
#include "type_library/VornIEGUITypeLib.h"
#include "page_utils/VornOffUtilsUnit.h"
#include "platform/com/Boundary.h"
#include "server_link/BHOMngUnit.h"
#include "server_link/ServerWrapperUnit.h"
#include "platform/com/ClassInfo.h"
#include "platform/com/ComError.h"
#include "platform/com/ComPtr.h"
#include "platform/com/ModuleCounters.h"
#include "platform/com/TypeLibrary.h"
#include "platform/forms/MenuPeer.h"
#include "platform/win/Module.h"

namespace vorn {
namespace {

const com::CoClassModel& CoClassOf(REFCLSID clsid) {
  const com::CoClassModel* coclass = VornIEGUITypeLibModel().FindCoClass(clsid);
  // Without its coclass a class cannot get a factory, and the library cannot start.
  if (!coclass) throw com::ComError(TYPE_E_ELEMENTNOTFOUND, L"coclass missing from the type library");
  return *coclass;
}

std::unique_ptr<com::ClassFactory> AutomationFactory(REFCLSID clsid, com::ObjectCreator creator) {
  const auto& coclass = CoClassOf(clsid);
  return std::make_unique<com::ClassFactory>(clsid, VornIEGUITypeLibModel().name, coclass.name, coclass.helpString,
                                             creator, com::Instancing::MultiInstance,
                                             com::ThreadingModel::Apartment);
}

std::unique_ptr<com::ClassFactory> ToolbarFactory(REFCLSID clsid, com::ObjectCreator creator,
                                                  const std::wstring& barDescription) {
  const auto& coclass = CoClassOf(clsid);
  return std::make_unique<TStowlyToolbarFactory>(clsid, VornIEGUITypeLibModel().name, coclass.name,
                                                 coclass.helpString, creator, barDescription, kDeskBandCatId,
                                                 /*isToolbar=*/true, com::Instancing::MultiInstance,
                                                 com::ThreadingModel::Apartment);
}

// A type library's attributes, handed back to it on every path.
class TLibAttrHolder {
 public:
  explicit TLibAttrHolder(com::ComPtr<ITypeLib> typeLib) : FTypeLib(std::move(typeLib)) {
    if (FTypeLib && FAILED(FTypeLib->GetLibAttr(&FAttr))) FAttr = nullptr;
  }
  ~TLibAttrHolder() {
    if (FAttr) FTypeLib->ReleaseTLibAttr(FAttr);
  }
  TLibAttrHolder(const TLibAttrHolder&) = delete;
  TLibAttrHolder& operator=(const TLibAttrHolder&) = delete;

  const TLIBATTR* Get() const { return FAttr; }

 private:
  com::ComPtr<ITypeLib> FTypeLib;
  TLIBATTR* FAttr = nullptr;
};

// The system kind the type library was registered under: the embedded
// library's own (a 64-bit build's is SYS_WIN64), else the model's.
SYSKIND RegisteredSysKind(const std::wstring& modulePath) {
  const auto& model = VornIEGUITypeLibModel();
  com::ComPtr<ITypeLib> typeLib;
  if (FAILED(com::LoadModuleTypeLib(model, modulePath, typeLib.ReleaseAndGetAddressOf())) || !typeLib)
    return model.syskind;
  const TLibAttrHolder attr(std::move(typeLib));
  return attr.Get() ? attr.Get()->syskind : model.syskind;
}

}  // namespace

TComServer::TComServer() {
  const std::wstring product = LoadResString(kStrProductName);
  AddFactory(ToolbarFactory(CLSID_VornIEExplorerBar, &TVornIEExplorerBar::Create, product + L" Bar"));
  AddFactory(AutomationFactory(CLSID_VornOffUtils, &CreateVornOffUtils));
  AddFactory(AutomationFactory(CLSID_VornBHOGUI, &CreateVornBHOGUI));
  AddFactory(ToolbarFactory(CLSID_BriselQLToolbar, &TBriselQLToolbar::Create, product + L" Links" + L" Bar"));
}

TComServer::~TComServer() = default;

void TComServer::AddFactory(std::unique_ptr<com::ClassFactory> factory) { FFactories.push_back(std::move(factory)); }

com::ClassFactory* TComServer::FindFactory(REFCLSID clsid) const {
  for (const auto& f : FFactories)
    if (IsEqualCLSID(f->Clsid(), clsid)) return f.get();
  return nullptr;
}

std::wstring TComServer::RegisteredModulePath() {
  static const int anchor = 0;
  std::wstring path = win::ModuleFileNameOf(&anchor);
  if (path.find(L' ') != std::wstring::npos) path = win::ShortPathOf(path);
  return path;
}

void TComServer::UpdateRegistry(bool reg) {
  const auto& model = VornIEGUITypeLibModel();
  static const int anchor = 0;
  const std::wstring modulePath = win::ModuleFileNameOf(&anchor);
  if (reg) {
    com::ComPtr<ITypeLib> typeLib;
    com::Check(com::LoadModuleTypeLib(model, modulePath, typeLib.ReleaseAndGetAddressOf()), L"LoadTypeLib");
    const std::wstring helpDir = modulePath.substr(0, modulePath.find_last_of(L"\\/"));
    com::Check(RegisterTypeLib(typeLib.Get(), const_cast<LPOLESTR>(modulePath.c_str()),
                               const_cast<LPOLESTR>(helpDir.c_str())),
               L"RegisterTypeLib");
  } else {
    UnRegisterTypeLib(model.libid, model.majorVersion, model.minorVersion, model.lcid, RegisteredSysKind(modulePath));
  }
  com::RegistrationContext ctx;
  ctx.modulePath = RegisteredModulePath();
  ctx.typeLibGuid = com::GuidToString(model.libid);
  ctx.typeLibVersion = std::to_wstring(model.majorVersion) + L"." + std::to_wstring(model.minorVersion);
  for (const auto& factory : FFactories) factory->UpdateRegistry(reg, ctx);
}

// ------------------------------------------------------------------ module state

namespace {

// Everything the library keeps process-wide, in the order it is created at
// load; members are destroyed in reverse order at unload.
struct LibraryState {
  // The module's objects find their class information through its type library; the
  // server wrapper, below the page utilities, makes them with the creator handed down here;
  // the two toolbar bands, below their forms, host the form classes handed down here.
  // Popup menus are the system's own while the module is loaded.
  LibraryState() {
    com::SetModuleTypeLibModel(&VornIEGUITypeLibModel());
    SetPageUtilitiesCreator(&CreateVornOffUtils);
    SetMainToolbarFormClass(&TMainIEToolBandForm::CreateForBand);
    SetQuickLinksFormClass(&TQLIEToolBandForm::CreateForBand);
    forms::SetMenuPeer(&forms::SystemMenuPeer());
  }
  ~LibraryState() {
    forms::SetMenuPeer(nullptr);
    SetQuickLinksFormClass(nullptr);
    SetMainToolbarFormClass(nullptr);
    SetPageUtilitiesCreator(nullptr);
    com::SetModuleTypeLibModel(nullptr);
  }

  // Band forms are listed, and their threads hooked, from the first band to the unload.
  TBandRegistries bandRegistries;
  // The settings key and the module's switch reader, before any class can be asked for.
  TSettingsStore settings;
  TComServer server;
};

LibraryState& Library() {
  static LibraryState state;
  return state;
}

// Created while the module loads, not at the first call.
[[maybe_unused]] const bool g_loaded = (Library(), true);

}  // namespace

TComServer& ComServer() { return Library().server; }

}  // namespace vorn

// ------------------------------------------------------------------ exported entry points

// Finding a factory may fail (the module state could not be made); the
// registration entry points answer E_FAIL for any failure; the unload
// question answers "not now" when in doubt.

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
  return com::Boundary(com::MayFail, [&] {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    com::ClassFactory* factory = vorn::ComServer().FindFactory(rclsid);
    if (!factory) return CLASS_E_CLASSNOTAVAILABLE;
    return factory->QueryInterface(riid, ppv);
  });
}

STDAPI DllCanUnloadNow() {
  return com::Boundary(com::MustAnswer(S_FALSE), [] { return com::ModuleCounters::CanUnloadNow(); });
}

STDAPI DllRegisterServer() {
  return com::Boundary(com::MustAnswer(E_FAIL), [] { vorn::ComServer().UpdateRegistry(true); });
}

STDAPI DllUnregisterServer() {
  return com::Boundary(com::MustAnswer(E_FAIL), [] { vorn::ComServer().UpdateRegistry(false); });
}
