// The form of the quick-links toolbar band: one drop-down button per group
// of links that the archive application keeps, whose menu lists the group's
// links, and a "Manage groups" button whose drop-down lists the groups again.
// A link opens in the toolbar's own browser window; a group opens each of its
// links in a new browser window. The groups are built again from the
// application whenever it says they changed.
#pragma once

#include <string>
#include <vector>

#include "platform/forms/TImage.h"
#include "platform/forms/TImageList.h"
#include "platform/forms/TPopupMenu.h"
#include "platform/forms/TToolBar.h"
#include "platform/forms/TToolButton.h"
#include "server_link/ServerWrapperUnit.h"

namespace vorn {

class TQLIEToolBandForm : public TStowlyIEToolBandForm {
 public:
  explicit TQLIEToolBandForm(TIEBand* band);
  ~TQLIEToolBandForm() override;

  // What the quick-links band creates.
  static TIEBandForm* CreateForBand(TIEBand* band);

  // TStowlyIEToolBandForm
  void ServerConnected(void* sender) override;
  void ServerDisconnected(void* sender) override;
  void QuickGroupChange(void* sender) override;

  // Shows "Manage groups" (the bar takes its width) and builds the groups.
  void ShowManager();
  // Frees every group button, link menu and group item.
  void ClearGroups();
  // Asks the application for its groups and links. A lost connection while
  // it runs clears the form (ServerDisconnected); the build then stops
  // without touching what it was filling.
  void BuildGroups();

  // One entry per visible group, in building order (the last group first); a
  // group button's and a group item's tag is the index of their entry.
  struct TGroupEntry {
    std::wstring Name;
    forms::TPopupMenu* Menu = nullptr;  // the group's links; owned by the form
  };
  const std::vector<TGroupEntry>& Groups() const { return FGroups; }

  // Components of the form description.
  forms::TImage* Image1 = nullptr;
  forms::TToolBar* QLMngToolBar = nullptr;
  forms::TToolButton* QLMngToolButton = nullptr;
  forms::TToolBar* QLToolBar = nullptr;
  forms::TImageList *ImageList = nullptr, *HotImageList = nullptr;
  forms::TPopupMenu* QGPopupMenu = nullptr;

 protected:
  void BuildLayout() override;
  void FormCreate() override;
  void FormDestroy() override;

 private:
  void QLMngToolButtonClick(forms::TComponent* Sender);
  void GroupClick(forms::TComponent* Sender);
  void LinkClick(forms::TComponent* Sender);

  std::vector<TGroupEntry> FGroups;
  // Counts the clearings: a build that sees the count change was cleared under it.
  unsigned FClearings = 0;
};

}  // namespace vorn
