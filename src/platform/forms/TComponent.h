// The base of everything a form is built from. A component may own other
// components; an owner frees what it owns, newest first, whenever it is freed
// itself, including when a constructor of the owner throws after creating
// components, since the base destructor still runs then.
//
// Components are made with `new` and an owner, or held by the creator (a
// unique_ptr, say) when they have none. Freeing an owned component directly
// is fine: it leaves its owner's list first.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace forms {

class TComponent;

// A parameterless event: the component that fired it.
using TNotifyEvent = std::function<void(TComponent* sender)>;

class TComponent {
 public:
  explicit TComponent(TComponent* owner);
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;
  virtual ~TComponent();

  TComponent* Owner() const { return owner_; }

  const std::wstring& Name() const { return name_; }
  // Empty, or an identifier (a letter or '_', then letters, digits, '_') that
  // no other component of the same owner has, without regard to ASCII case;
  // EComponentError otherwise, and the name stays as it was.
  void SetName(const std::wstring& name);

  int ComponentCount() const { return static_cast<int>(components_.size()); }
  // The owned components in creation order; EComponentError outside 0..ComponentCount()-1.
  TComponent* Components(int index) const;
  // An owned component by name (ASCII case ignored); null when there is none
  // or the name is empty. Only direct ownership counts.
  TComponent* FindComponent(std::wstring_view name) const;

  // Takes over a component (its former owner lets it go). Refuses null, the
  // component itself or one of its owners, and a name already taken here.
  void InsertComponent(TComponent* component);
  // Lets a component go without freeing it; the caller owns it afterwards.
  // A component this one does not own is left alone.
  void RemoveComponent(TComponent* component);
  // Frees every owned component, newest first.
  void DestroyComponents();

  // True from the start of the destructor.
  bool Destroying() const { return destroying_; }

 private:
  bool NameTaken(std::wstring_view name, const TComponent* except) const;

  TComponent* owner_ = nullptr;
  std::wstring name_;
  std::vector<TComponent*> components_;
  bool destroying_ = false;
};

}  // namespace forms
