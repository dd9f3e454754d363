// The class factory of the two toolbar bands: besides the ordinary class
// entries it registers the band's category and lists it under the browser's
// toolbar key, which is what makes the browser offer it.
#pragma once

#include "platform/com/ClassFactory.h"

namespace vorn {

// The desk-band component category.
inline constexpr const wchar_t* kDeskBandCatId = L"{00021492-0000-0000-C000-000000000046}";

class TStowlyToolbarFactory : public com::ClassFactory {
 public:
  TStowlyToolbarFactory(const CLSID& clsid, std::wstring libraryName, std::wstring className,
                        std::wstring typeLibDescription, com::ObjectCreator creator, std::wstring barDescription,
                        std::wstring catId, bool isToolbar, com::Instancing instancing,
                        com::ThreadingModel threading);

  void UpdateRegistry(bool reg, const com::RegistrationContext& ctx) override;

  const std::wstring& BarDescription() const { return FBarDescription; }
  const std::wstring& CatId() const { return FCatID; }
  bool IsToolbar() const { return FIsToolbar; }

 private:
  void RegisterToolbar();
  void UnregisterToolbar();

  std::wstring FBarDescription;
  std::wstring FCatID;
  bool FIsToolbar;
};

}  // namespace vorn
