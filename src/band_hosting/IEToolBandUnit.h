// A band that is a one-row horizontal toolbar: its sizes follow its form.
#pragma once

#include "band_hosting/IEBandUnit.h"

namespace vorn {

class TIEToolBand : public TIEBand {
 public:
  // A band form of one toolbar row, for bands whose own form is not there yet.
  static TIEBandForm* CreatePlainToolbarForm(TIEBand* band);

 protected:
  // Height a toolbar band reports before it has a form.
  static constexpr LONG kDefaultHeight = 22;

  LONG GetMinWidth() override { return 0; }
  LONG GetMinHeight() override;
  LONG GetMaxWidth() override { return -1; }
  LONG GetMaxHeight() override;
  LONG GetActualWidth() override;
  LONG GetActualHeight() override;
  DWORD GetModeFlags() override { return DBIMF_NORMAL; }
};

}  // namespace vorn
