#include "platform/forms/LayoutBuilder.h"

#include <vector>

#include "platform/forms/FormsErrors.h"
#include "platform/forms/TAction.h"
#include "platform/forms/TImage.h"
#include "platform/forms/TImageList.h"
#include "platform/forms/TPopupMenu.h"
#include "platform/forms/TTimer.h"

namespace forms {

namespace {

class Builder {
 public:
  Builder(TComponent& owner, const THandlerTable& handlers, bool controlsAllowed)
      : owner_(owner), handlers_(handlers), controlsAllowed_(controlsAllowed) {}

  // The container's arrangement waits until all its children are there, so that
  // children at the same place are arranged in declaration order.
  void Build(const std::vector<ComponentDecl>& decls, TWinControl* parent) {
    if (parent) parent->DisableAlign();
    struct AlignGuard {
      TWinControl* parent;
      ~AlignGuard() {
        try {
          if (parent) parent->EnableAlign();
        } catch (...) {
          // Arranging cannot fail short of a window system error; the build's own error matters more.
        }
      }
    } guard{parent};
    for (const ComponentDecl& decl : decls) std::visit([&](const auto& d) { Create(d, parent); }, decl);
  }

  // References are resolved once every component exists: a declaration may name a later one.
  void Link() {
    for (auto& link : links_) link();
    links_.clear();
  }

  template <class E>
  void BindEvent(E& slot, const std::wstring& handler, const TComponent& component, const wchar_t* event) {
    if (handler.empty()) return;
    auto it = handlers_.find(handler);
    const std::wstring where = (component.Name().empty() ? std::wstring(L"the form") : component.Name()) + L"." + event;
    if (it == handlers_.end()) throw ELayoutError(L"No handler named " + handler + L" for " + where);
    const E* bound = std::get_if<E>(&it->second);
    if (!bound) throw ELayoutError(L"Handler " + handler + L" does not fit " + where);
    slot = *bound;
  }

 private:
  template <class T>
  T* Find(const std::wstring& name, const TComponent& from, const wchar_t* property) {
    TComponent* found = owner_.FindComponent(name);
    if (!found) throw ELayoutError(L"Unknown component " + name + L" in " + from.Name() + L"." + property);
    T* typed = dynamic_cast<T*>(found);
    if (!typed) throw ELayoutError(L"Component " + name + L" does not fit " + from.Name() + L"." + property);
    return typed;
  }

  template <class Target, class T, class Setter>
  void LinkLater(const std::wstring& name, T* component, const wchar_t* property, Setter set) {
    if (name.empty()) return;
    links_.push_back([this, name, component, property, set] { set(Find<Target>(name, *component, property)); });
  }

  void CheckControlsAllowed(const std::wstring& name) {
    if (!controlsAllowed_) throw ELayoutError(L"A data module cannot hold the control " + name);
  }

  template <class Decl>
  void Common(TControl& c, const Decl& d, TWinControl* parent) {
    c.SetName(d.name);
    c.SetBounds(d.pos.x, d.pos.y, d.size.cx >= 0 ? d.size.cx : c.Width(), d.size.cy >= 0 ? d.size.cy : c.Height());
    c.SetAlign(d.align);
    c.SetHint(d.hint);
    c.SetVisible(d.visible);
    c.SetEnabled(d.enabled);
    c.SetTag(d.tag);
    c.SetParent(parent);
  }

  template <class Decl>
  void MouseEvents(TControl& c, const Decl& d) {
    BindEvent(c.OnMouseDown, d.onMouseDown, c, L"OnMouseDown");
    BindEvent(c.OnMouseMove, d.onMouseMove, c, L"OnMouseMove");
    BindEvent(c.OnMouseUp, d.onMouseUp, c, L"OnMouseUp");
  }

  template <class Decl>
  void Colors(TControl& c, const Decl& d) {
    if (d.color != clDefault) c.SetColor(d.color);
    if (d.fontColor != clDefault) c.SetFontColor(d.fontColor);
  }

  void Create(const LabelDecl& d, TWinControl* parent) {
    CheckControlsAllowed(d.name);
    auto* c = new TLabel(&owner_);
    Common(*c, d, parent);
    c->SetCaption(d.caption);
    Colors(*c, d);
    c->SetTransparent(d.transparent);
    c->SetAlignment(d.alignment);
    c->SetShowAccelChar(d.showAccelChar);
    c->SetAutoSize(d.autoSize);
    BindEvent(c->OnClick, d.onClick, *c, L"OnClick");
    MouseEvents(*c, d);
  }

  void Create(const ShapeDecl& d, TWinControl* parent) {
    CheckControlsAllowed(d.name);
    auto* c = new TShape(&owner_);
    Common(*c, d, parent);
    c->SetBrush(d.brush);
    c->SetPen(d.pen);
    c->SetShape(d.shape);
    MouseEvents(*c, d);
  }

  void Create(const ImageDecl& d, TWinControl* parent) {
    CheckControlsAllowed(d.name);
    auto* c = new TImage(&owner_);
    Common(*c, d, parent);
    c->SetCenter(d.center);
    c->SetStretch(d.stretch);
    c->SetTransparent(d.transparent);
    c->SetPicture(d.picture);
    c->SetAutoSize(d.autoSize);
    BindEvent(c->OnClick, d.onClick, *c, L"OnClick");
    MouseEvents(*c, d);
  }

  void Create(const PanelDecl& d, TWinControl* parent) {
    CheckControlsAllowed(d.name);
    auto* c = new TPanel(&owner_);
    Common(*c, d, parent);
    c->SetCaption(d.caption);
    Colors(*c, d);
    c->SetBevelInner(d.bevelInner);
    c->SetBevelOuter(d.bevelOuter);
    c->SetBevelWidth(d.bevelWidth);
    c->SetBorderWidth(d.borderWidth);
    c->SetAlignment(d.alignment);
    BindEvent(c->OnClick, d.onClick, *c, L"OnClick");
    MouseEvents(*c, d);
    Build(d.children, c);
    c->SetAutoSize(d.autoSize);
  }

  void Create(const StaticTextDecl& d, TWinControl* parent) {
    CheckControlsAllowed(d.name);
    auto* c = new TStaticText(&owner_);
    Common(*c, d, parent);
    c->SetCaption(d.caption);
    Colors(*c, d);
    c->SetBorderStyle(d.borderStyle);
    c->SetAlignment(d.alignment);
    c->SetShowAccelChar(d.showAccelChar);
    c->SetAutoSize(d.autoSize);
    BindEvent(c->OnClick, d.onClick, *c, L"OnClick");
    MouseEvents(*c, d);
  }

  void Create(const ToolBarDecl& d, TWinControl* parent) {
    CheckControlsAllowed(d.name);
    auto* c = new TToolBar(&owner_);
    Common(*c, d, parent);
    if (d.color != clDefault) c->SetColor(d.color);
    c->SetFlat(d.flat);
    c->SetShowCaptions(d.showCaptions);
    c->SetList(d.list);
    c->SetWrapable(d.wrapable);
    c->SetTransparent(d.transparent);
    c->SetCustomizable(d.customizable);
    c->SetEdgeBorders(d.edgeBorders);
    c->SetButtonWidth(d.buttonWidth);
    c->SetButtonHeight(d.buttonHeight);
    BindEvent(c->OnClick, d.onClick, *c, L"OnClick");
    MouseEvents(*c, d);
    LinkLater<TImageList>(d.images, c, L"Images", [c](TImageList* l) { c->SetImages(l); });
    LinkLater<TImageList>(d.hotImages, c, L"HotImages",
              [c](TImageList* l) { c->SetHotImages(l); });
    Build(d.children, c);
    c->SetAutoSize(d.autoSize);
  }

  void Create(const ToolButtonDecl& d, TWinControl* parent) {
    CheckControlsAllowed(d.name);
    auto* c = new TToolButton(&owner_);
    c->SetName(d.name);
    c->SetStyle(d.style);
    c->SetCaption(d.caption);
    c->SetHint(d.hint);
    c->SetImageIndex(d.imageIndex);
    c->SetVisible(d.visible);
    c->SetEnabled(d.enabled);
    c->SetGrouped(d.grouped);
    c->SetAllowAllUp(d.allowAllUp);
    c->SetTag(d.tag);
    c->SetAutoSize(d.autoSize);
    c->SetParent(parent);
    c->SetDown(d.down);
    BindEvent(c->OnClick, d.onClick, *c, L"OnClick");
    MouseEvents(*c, d);
    LinkLater<TAction>(d.action, c, L"Action", [c](TAction* a) { c->SetAction(a); });
    LinkLater<TPopupMenu>(d.dropdownMenu, c, L"DropdownMenu",
              [c](TPopupMenu* m) { c->SetDropdownMenu(m); });
  }

  void Create(const ActionListDecl& d, TWinControl*) {
    auto* list = new TActionList(&owner_);
    list->SetName(d.name);
    BindEvent(list->OnUpdate, d.onUpdate, *list, L"OnUpdate");
    BindEvent(list->OnExecute, d.onExecute, *list, L"OnExecute");
    LinkLater<TImageList>(d.images, list, L"Images",
              [list](TImageList* l) { list->SetImages(l); });
    for (const ActionDecl& a : d.actions) {
      auto* action = new TAction(&owner_);
      action->SetName(a.name);
      action->SetCaption(a.caption);
      action->SetHint(a.hint);
      action->SetImageIndex(a.imageIndex);
      action->SetEnabled(a.enabled);
      action->SetChecked(a.checked);
      action->SetVisible(a.visible);
      action->SetTag(a.tag);
      action->SetActionList(list);
      BindEvent(action->OnExecute, a.onExecute, *action, L"OnExecute");
      BindEvent(action->OnUpdate, a.onUpdate, *action, L"OnUpdate");
    }
  }

  void CreateItems(const std::vector<MenuItemDecl>& decls, TMenuItem* parent) {
    for (const MenuItemDecl& d : decls) {
      auto* item = new TMenuItem(&owner_);
      item->SetName(d.name);
      parent->Add(item);
      item->SetCaption(d.caption);
      item->SetHint(d.hint);
      item->SetImageIndex(d.imageIndex);
      item->SetRadioItem(d.radioItem);
      item->SetGroupIndex(d.groupIndex);
      item->SetChecked(d.checked);
      item->SetEnabled(d.enabled);
      item->SetVisible(d.visible);
      item->SetDefault(d.isDefault);
      item->SetAutoCheck(d.autoCheck);
      item->SetTag(d.tag);
      BindEvent(item->OnClick, d.onClick, *item, L"OnClick");
      BindEvent(item->OnMeasureItem, d.onMeasureItem, *item, L"OnMeasureItem");
      BindEvent(item->OnDrawItem, d.onDrawItem, *item, L"OnDrawItem");
      BindEvent(item->OnAdvancedDrawItem, d.onAdvancedDrawItem, *item, L"OnAdvancedDrawItem");
      LinkLater<TAction>(d.action, item, L"Action",
                [item](TAction* a) { item->SetAction(a); });
      CreateItems(d.items, item);
    }
  }

  void Create(const PopupMenuDecl& d, TWinControl*) {
    auto* menu = new TPopupMenu(&owner_);
    menu->SetName(d.name);
    menu->SetOwnerDraw(d.ownerDraw);
    menu->SetAutoPopup(d.autoPopup);
    BindEvent(menu->OnPopup, d.onPopup, *menu, L"OnPopup");
    LinkLater<TImageList>(d.images, menu, L"Images",
              [menu](TImageList* l) { menu->SetImages(l); });
    CreateItems(d.items, menu->Items());
  }

  void Create(const ImageListDecl& d, TWinControl*) {
    auto* list = new TImageList(&owner_);
    list->SetName(d.name);
    list->SetSize(d.width, d.height);
    for (const TBitmap& bitmap : d.bitmaps) list->Add(bitmap);
  }

  void Create(const TimerDecl& d, TWinControl*) {
    auto* timer = new TTimer(&owner_);
    timer->SetName(d.name);
    timer->SetEnabled(d.enabled);
    timer->SetInterval(d.interval);
    TNotifyEvent handler;
    BindEvent(handler, d.onTimer, *timer, L"OnTimer");
    timer->SetOnTimer(std::move(handler));
  }

  TComponent& owner_;
  const THandlerTable& handlers_;
  bool controlsAllowed_;
  std::vector<std::function<void()>> links_;
};

}  // namespace

void BuildLayout(TForm& form, const FormLayout& layout, const THandlerTable& handlers) {
  form.DisableAlign();
  struct AlignGuard {
    TForm& form;
    ~AlignGuard() {
      try {
        form.EnableAlign();
      } catch (...) {
        // As above: never let the arrangement replace the build's own error.
      }
    }
  } guard{form};
  if (layout.client.cx >= 0) form.SetClientWidth(layout.client.cx);
  if (layout.client.cy >= 0) form.SetClientHeight(layout.client.cy);
  form.SetColor(layout.color);
  form.SetFont(layout.font);
  form.SetCaption(layout.caption);
  form.SetHint(layout.hint);
  form.SetBorderStyle(layout.borderStyle);
  form.SetBorderWidth(layout.borderWidth);
  form.SetPosition(layout.position);
  form.SetAlphaBlend(layout.alphaBlend);
  form.SetAlphaBlendValue(layout.alphaBlendValue);
  Builder builder(form, handlers, true);
  builder.Build(layout.children, &form);
  builder.Link();
  builder.BindEvent(form.OnCreate, layout.onCreate, form, L"OnCreate");
  builder.BindEvent(form.OnDestroy, layout.onDestroy, form, L"OnDestroy");
  form.SetAutoSize(layout.autoSize);
  if (layout.visible) form.Show();
}

void BuildLayout(TDataModule& module, const DataModuleLayout& layout, const THandlerTable& handlers) {
  Builder builder(module, handlers, false);
  builder.Build(layout.children, nullptr);
  builder.Link();
  builder.BindEvent(module.OnCreate, layout.onCreate, module, L"OnCreate");
  builder.BindEvent(module.OnDestroy, layout.onDestroy, module, L"OnDestroy");
}

}  // namespace forms
