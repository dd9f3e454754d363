// Forms and data modules declared as data: the form's own properties and a
// tree of component declarations, each naming the handlers its events call.
// LayoutBuilder.h turns a layout into components.
//
//   const FormLayout kLayout = {
//       .client = {650, 22}, .color = clBtnFace, .font = {L"MS Sans Serif", -11},
//       .children = {
//           ImageDecl{.name = L"Image1", .align = alLeft, .size = {62, 22}, .center = true},
//           ToolBarDecl{.name = L"Bar", .align = alLeft, .autoSize = true, .images = L"ImageList",
//                       .children = {ToolButtonDecl{.name = L"Btn", .action = L"OpenAction"}}},
//           ActionListDecl{.name = L"ActionList", .actions = {ActionDecl{.name = L"OpenAction",
//                                                             .onExecute = L"OpenActionExecute"}}},
//       },
//       .onCreate = L"FormCreate",
//   };
//
// Designated initializers must follow the order of the fields below. Every
// field's default is the component's own default; a negative size component
// or a colour of clDefault leaves the component's value alone. Components are
// referred to by name (images, actions, menus) and may be declared after the
// declaration that refers to them. Controls nested in `children` get the
// enclosing control as parent; non-visual components may stand anywhere and
// are only owned.
#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "platform/forms/Graphics.h"
#include "platform/forms/TBitmap.h"
#include "platform/forms/TControl.h"
#include "platform/forms/TForm.h"
#include "platform/forms/TLabel.h"
#include "platform/forms/TPanel.h"
#include "platform/forms/TShape.h"
#include "platform/forms/TStaticText.h"
#include "platform/forms/TToolBar.h"
#include "platform/forms/TToolButton.h"

namespace forms {

struct LayoutPoint {
  int x = 0;
  int y = 0;
};

// Negative: the component's default.
struct LayoutSize {
  int cx = -1;
  int cy = -1;
};

struct ComponentDecl;

struct LabelDecl {
  std::wstring name;
  TAlign align = alNone;
  LayoutPoint pos;
  LayoutSize size;
  std::wstring caption;
  std::wstring hint;
  bool visible = true;
  bool enabled = true;
  std::intptr_t tag = 0;
  TColor color = clDefault;
  TColor fontColor = clDefault;
  bool autoSize = true;
  bool transparent = false;
  TAlignment alignment = taLeftJustify;
  bool showAccelChar = true;
  std::wstring onClick, onMouseDown, onMouseMove, onMouseUp;
};

struct ShapeDecl {
  std::wstring name;
  TAlign align = alNone;
  LayoutPoint pos;
  LayoutSize size;
  std::wstring hint;
  bool visible = true;
  bool enabled = true;
  std::intptr_t tag = 0;
  TBrush brush;
  TPen pen;
  TShapeType shape = stRectangle;
  std::wstring onMouseDown, onMouseMove, onMouseUp;
};

struct ImageDecl {
  std::wstring name;
  TAlign align = alNone;
  LayoutPoint pos;
  LayoutSize size;
  bool center = false;
  bool stretch = false;
  bool transparent = false;
  bool autoSize = false;
  TBitmap picture;
  std::wstring hint;
  bool visible = true;
  bool enabled = true;
  std::intptr_t tag = 0;
  std::wstring onClick, onMouseDown, onMouseMove, onMouseUp;
};

struct PanelDecl {
  std::wstring name;
  TAlign align = alNone;
  LayoutPoint pos;
  LayoutSize size;
  std::wstring caption;
  std::wstring hint;
  bool visible = true;
  bool enabled = true;
  std::intptr_t tag = 0;
  TColor color = clDefault;
  TColor fontColor = clDefault;
  bool autoSize = false;
  TBevelCut bevelInner = bvNone;
  TBevelCut bevelOuter = bvRaised;
  int bevelWidth = 1;
  int borderWidth = 0;
  TAlignment alignment = taCenter;
  std::vector<ComponentDecl> children;
  std::wstring onClick, onMouseDown, onMouseMove, onMouseUp;
};

struct StaticTextDecl {
  std::wstring name;
  TAlign align = alNone;
  LayoutPoint pos;
  LayoutSize size;
  std::wstring caption;
  std::wstring hint;
  bool visible = true;
  bool enabled = true;
  std::intptr_t tag = 0;
  TColor color = clDefault;
  TColor fontColor = clDefault;
  bool autoSize = true;
  TStaticBorderStyle borderStyle = sbsNone;
  TAlignment alignment = taLeftJustify;
  bool showAccelChar = true;
  std::wstring onClick, onMouseDown, onMouseMove, onMouseUp;
};

struct ToolBarDecl {
  std::wstring name;
  TAlign align = alTop;
  LayoutPoint pos;
  LayoutSize size;
  bool autoSize = false;
  bool flat = false;
  std::wstring images;
  std::wstring hotImages;
  bool showCaptions = false;
  bool list = false;
  bool wrapable = true;
  bool transparent = false;
  bool customizable = false;
  unsigned edgeBorders = ebTop;
  int buttonWidth = 23;
  int buttonHeight = 22;
  std::wstring hint;
  bool visible = true;
  bool enabled = true;
  std::intptr_t tag = 0;
  TColor color = clDefault;
  std::vector<ComponentDecl> children;
  std::wstring onClick, onMouseDown, onMouseMove, onMouseUp;
};

struct ToolButtonDecl {
  std::wstring name;
  std::wstring action;
  TToolButtonStyle style = tbsButton;
  std::wstring dropdownMenu;
  bool autoSize = false;
  std::wstring caption;
  std::wstring hint;
  int imageIndex = -1;
  bool visible = true;
  bool enabled = true;
  bool down = false;
  bool grouped = false;
  bool allowAllUp = false;
  std::intptr_t tag = 0;
  std::wstring onClick, onMouseDown, onMouseMove, onMouseUp;
};

struct ActionDecl {
  std::wstring name;
  std::wstring caption;
  std::wstring hint;
  int imageIndex = -1;
  bool enabled = true;
  bool checked = false;
  bool visible = true;
  std::intptr_t tag = 0;
  std::wstring onExecute;
  std::wstring onUpdate;
};

struct ActionListDecl {
  std::wstring name;
  std::wstring images;
  std::vector<ActionDecl> actions;
  std::wstring onUpdate;
  std::wstring onExecute;
};

struct MenuItemDecl {
  std::wstring name;
  std::wstring caption;
  std::wstring action;
  std::wstring hint;
  int imageIndex = -1;
  bool checked = false;
  bool radioItem = false;
  int groupIndex = 0;
  bool enabled = true;
  bool visible = true;
  bool isDefault = false;
  bool autoCheck = false;
  std::intptr_t tag = 0;
  std::vector<MenuItemDecl> items;
  std::wstring onClick;
  std::wstring onMeasureItem;
  std::wstring onDrawItem;
  std::wstring onAdvancedDrawItem;
};

struct PopupMenuDecl {
  std::wstring name;
  std::wstring images;
  bool ownerDraw = false;
  bool autoPopup = true;
  std::vector<MenuItemDecl> items;
  std::wstring onPopup;
};

struct ImageListDecl {
  std::wstring name;
  int width = 16;
  int height = 16;
  // Added in order (a strip adds several images, see TImageList::Add).
  std::vector<TBitmap> bitmaps;
};

struct TimerDecl {
  std::wstring name;
  bool enabled = true;
  UINT interval = 1000;
  std::wstring onTimer;
};

struct ComponentDecl
    : std::variant<LabelDecl, ShapeDecl, ImageDecl, PanelDecl, StaticTextDecl, ToolBarDecl, ToolButtonDecl,
                   ActionListDecl, PopupMenuDecl, ImageListDecl, TimerDecl> {
  using variant::variant;
};

struct FormLayout {
  LayoutSize client;
  TColor color = clBtnFace;
  TFont font;
  std::wstring caption;
  TFormBorderStyle borderStyle = bsNone;
  int borderWidth = 0;
  TPosition position = poDesigned;
  bool autoSize = false;
  bool alphaBlend = false;
  int alphaBlendValue = 255;
  std::wstring hint;
  std::vector<ComponentDecl> children;
  // Shown once built (a form in a host's window or a top-level one).
  bool visible = false;
  std::wstring onCreate;
  std::wstring onDestroy;
};

struct DataModuleLayout {
  // Non-visual components only.
  std::vector<ComponentDecl> children;
  std::wstring onCreate;
  std::wstring onDestroy;
};

}  // namespace forms
