// The base of everything a form is built from. A component may own other
// components; an owner frees what it owns, newest first, whenever it is freed
// itself, including when a constructor of the owner throws after creating
// components, since the base destructor still runs then.
//
// Components are made with `new` and an owner, or held by the creator (a
// TOwned<T>, which frees as an owner does) when they have none. Freeing an
// owned component directly is fine: it leaves its owner's list first.
//
// References between components (a tool button's drop-down menu, an action
// list's images) are kept safe by free notification: the holder calls
// FreeNotification(referenced) and is told through Notification(referenced,
// opRemove) when the referenced component is freed, before it is gone, so
// that it clears its pointer. The link is mutual and ends when either side is
// freed or RemoveFreeNotification is called.
//
// Freeing runs in two steps, as handlers of a derived class must run while the
// derived object is still whole: BeforeDestruction() (a form's or data
// module's destruction handler), then the destructor. Every way of freeing a
// component made with `new` does both: its owner, forms::Free, TOwned, a
// std::unique_ptr or a plain `delete`, since the class's own operator delete
// runs the first step before it destroys the object. Only a component that is
// not on the heap (a local owner, say) skips it: its destructor alone runs.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <new>
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

  // A number free for the component's user (menu items keep a rating in it, say).
  std::intptr_t Tag() const { return tag_; }
  void SetTag(std::intptr_t value) { tag_ = value; }

  // Asks to be told (Notification) when `component` is freed, and tells it
  // the same way when this one is freed first. Null and self are ignored.
  void FreeNotification(TComponent* component);
  void RemoveFreeNotification(TComponent* component);

  // Runs the parts of freeing that need the whole object; once.
  void BeforeDestructionOnce();

  // `delete` of any component comes here with the object still whole: the
  // destruction handlers run before the destructor, whoever frees it.
  // Components are never over-aligned: the block goes back as plain `new` made it.
  static void operator delete(TComponent* component, std::destroying_delete_t);

 protected:
  enum TOperation { opInsert, opRemove };
  // `component`, which this one holds a free notification with, is being freed.
  virtual void Notification(TComponent* component, TOperation operation);
  // Runs before the destructor whenever a component on the heap is freed.
  virtual void BeforeDestruction() {}

 private:
  bool NameTaken(std::wstring_view name, const TComponent* except) const;
  void SendFreeNotifications();

  TComponent* owner_ = nullptr;
  std::wstring name_;
  std::vector<TComponent*> components_;
  std::vector<TComponent*> freeNotifies_;
  std::intptr_t tag_ = 0;
  bool destroying_ = false;
  bool beforeDestructionRan_ = false;
};

// Frees a component as its owner would (the same as `delete`). Null is fine.
void Free(TComponent* component);

struct TComponentDeleter {
  void operator()(TComponent* component) const { Free(component); }
};
// A component without owner, held by its creator.
template <class T>
using TOwned = std::unique_ptr<T, TComponentDeleter>;

}  // namespace forms
