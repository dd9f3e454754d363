// Builds a declared layout (FormLayout.h) into a form or a data module.
//
// Building creates every declared component owned by the form (or module),
// sets its properties, parents the controls, then links the components named
// by others (images, actions, menus) and binds each event to the handler of
// that name in the handler table the form provides. Alignment of the form is
// held back while building and done once at the end.
//
// Errors (ELayoutError): a handler name missing from the table, a handler of
// the wrong kind for its event, a reference to a component that is not
// declared or is of the wrong kind, a control in a data module. Duplicate or
// malformed names raise EComponentError. Whatever was built before the error
// stays owned by the form and is freed with it.
//
// Handlers are bound with Bind, which takes a member function of the form and
// picks the event kind from its signature:
//   THandlerTable{{L"FormCreate", Bind(this, &MyForm::FormCreate)}, ...}
// with, for example, `void FormCreate(TComponent* sender)` or
// `void BtnMouseMove(TComponent* sender, TShiftState shift, int x, int y)`.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <variant>

#include "platform/forms/FormLayout.h"
#include "platform/forms/FormsErrors.h"
#include "platform/forms/TActionList.h"
#include "platform/forms/TDataModule.h"
#include "platform/forms/TForm.h"
#include "platform/forms/TMenuItem.h"

namespace forms {

using THandler = std::variant<TNotifyEvent, TMouseEvent, TMouseMoveEvent, TActionEvent, TMenuMeasureItemEvent,
                              TMenuDrawItemEvent, TAdvancedMenuDrawItemEvent>;
using THandlerTable = std::map<std::wstring, THandler, std::less<>>;

// A handler calling `method` on `self`; the method's parameters choose the event kind.
template <class C, class... A>
THandler Bind(C* self, void (C::*method)(A...)) {
  return std::function<void(A...)>([self, method](A... args) { (self->*method)(std::forward<A>(args)...); });
}

void BuildLayout(TForm& form, const FormLayout& layout, const THandlerTable& handlers);
void BuildLayout(TDataModule& module, const DataModuleLayout& layout, const THandlerTable& handlers);

// The built component `name` of owner, as the kind its code expects:
// ELayoutError naming it when the layout has none of that name and kind.
template <class T>
T* LayoutComponent(const TComponent& owner, std::wstring_view name) {
  auto* component = dynamic_cast<T*>(owner.FindComponent(name));
  if (!component) throw ELayoutError(L"The layout has no component " + std::wstring(name) + L" of the kind asked for");
  return component;
}

}  // namespace forms
