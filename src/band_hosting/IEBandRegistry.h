// The process-wide list of live band forms, grouped by the thread that made
// them, so that the activation hook of a thread can tell that thread's forms
// that their browser window was activated or deactivated.
//
// Lock order: this registry's lock, then the hook manager's; never the other
// way round. The activation hook takes the registry lock and releases it
// before it calls on (through the hook manager) to the next hook.
#pragma once

#include <memory>
#include <mutex>
#include <vector>

#include "platform/win/Window.h"

namespace vorn {

class TIEBandForm;

// One listed form; the item does not own it.
struct TIEBandItem {
  TIEBandForm* FForm = nullptr;
};

// The band forms made on one thread, in registration order.
class TThreadIEBands {
 public:
  explicit TThreadIEBands(DWORD threadId) : FThreadID(threadId) {}

  DWORD ThreadID() const { return FThreadID; }
  // Lists the form once, at the end (an earlier item for it is dropped).
  void Add(TIEBandForm* form);
  // Drops the first item of the form; nothing when it is not listed.
  void Remove(TIEBandForm* form);
  bool IsEmpty() const { return FItems.empty(); }
  bool Contains(const TIEBandForm* form) const;
  int Count() const { return static_cast<int>(FItems.size()); }
  TIEBandForm* Forms(int index) const { return FItems.at(static_cast<size_t>(index)).FForm; }
  // ActivationChanged(active) on every listed form, in list order. A form
  // unlisted by an earlier form's handler is skipped; a handler that throws
  // does not keep the others from hearing of it.
  void NotifyActivation(bool active);

 private:
  DWORD FThreadID;
  std::vector<TIEBandItem> FItems;
};

class TProcessIEBands {
 public:
  TProcessIEBands() = default;
  TProcessIEBands(const TProcessIEBands&) = delete;
  TProcessIEBands& operator=(const TProcessIEBands&) = delete;

  // Each works on the calling thread's entry and holds the lock throughout,
  // hook reference changes and notifications included.
  // Lists the form and takes one reference on the thread's activation hook.
  void AddBandForm(TIEBandForm* form);
  // Unlists the form, deleting the thread's entry with its last form, and
  // gives back the hook reference the form held. A form that is not listed
  // changes nothing.
  void RemoveBandForm(TIEBandForm* form);
  // ActivationChanged(active) on every band form of the calling thread.
  void NotifyActivation(bool active);

  // The calling thread's listed forms, in registration order.
  std::vector<TIEBandForm*> FormsOfThisThread() const;
  // Threads with at least one listed form.
  int ThreadCount() const;

 private:
  // Require FLock held.
  std::shared_ptr<TThreadIEBands> FindThread(DWORD threadId) const;

  // Shared so that an entry being notified outlives its deletion by a handler.
  std::vector<std::shared_ptr<TThreadIEBands>> FThreads;
  // Recursive, as a critical section is: a form told of activation may make
  // or free a band form of its own thread.
  mutable std::recursive_mutex FLock;
};

// The process's registry of band forms; exists while the library is loaded.
extern TProcessIEBands* ProcessIEBands;

// The thread hook (WH_CALLWNDPROCRET) that turns WM_NCACTIVATE, received by
// any window of a thread, into ActivationChanged on that thread's band forms.
LRESULT CALLBACK ActivationHookProc(int code, WPARAM wParam, LPARAM lParam);

// Creates ProcessIEBands and then HookManager when the library loads, and
// destroys them in reverse order when it unloads.
class TBandRegistries {
 public:
  TBandRegistries();
  ~TBandRegistries();
  TBandRegistries(const TBandRegistries&) = delete;
  TBandRegistries& operator=(const TBandRegistries&) = delete;
};

}  // namespace vorn
