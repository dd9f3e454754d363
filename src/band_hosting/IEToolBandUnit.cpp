#include "band_hosting/IEToolBandUnit.h"

namespace vorn {

TIEBandForm* TIEToolBand::CreatePlainToolbarForm(TIEBand* band) {
  TIEBandForm* form = TIEBandForm::CreateForBand<TIEBandForm>(band);
  form->SetClientHeight(kDefaultHeight);
  return form;
}

LONG TIEToolBand::GetMinHeight() { return Form() ? Form()->Height() : kDefaultHeight; }
LONG TIEToolBand::GetMaxHeight() { return Form() ? Form()->Height() : kDefaultHeight; }
LONG TIEToolBand::GetActualWidth() { return Form() ? Form()->Width() : 0; }
LONG TIEToolBand::GetActualHeight() { return Form() ? Form()->Height() : 0; }

}  // namespace vorn
