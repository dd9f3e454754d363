#include "band_hosting/IEBandRegistry.h"

#include <algorithm>

#include "band_hosting/HookMngUnit.h"
#include "band_hosting/IEBandUnit.h"

namespace vorn {

TProcessIEBands* ProcessIEBands = nullptr;

// ------------------------------------------------------------------ TThreadIEBands

void TThreadIEBands::Add(TIEBandForm* form) {
  Remove(form);
  FItems.push_back(TIEBandItem{form});
}

void TThreadIEBands::Remove(TIEBandForm* form) {
  auto it = std::find_if(FItems.begin(), FItems.end(), [form](const TIEBandItem& item) { return item.FForm == form; });
  if (it != FItems.end()) FItems.erase(it);
}

bool TThreadIEBands::Contains(const TIEBandForm* form) const {
  return std::any_of(FItems.begin(), FItems.end(), [form](const TIEBandItem& item) { return item.FForm == form; });
}

void TThreadIEBands::NotifyActivation(bool active) {
  std::vector<TIEBandForm*> forms;
  for (const auto& item : FItems) forms.push_back(item.FForm);
  for (TIEBandForm* form : forms) {
    if (!Contains(form)) continue;
    try {
      form->ActivationChanged(active);
    } catch (...) {
      // A form's trouble stays with that form.
    }
  }
}

// ------------------------------------------------------------------ TProcessIEBands

std::shared_ptr<TThreadIEBands> TProcessIEBands::FindThread(DWORD threadId) const {
  for (const auto& entry : FThreads)
    if (entry->ThreadID() == threadId) return entry;
  return nullptr;
}

void TProcessIEBands::AddBandForm(TIEBandForm* form) {
  std::lock_guard lock(FLock);
  const DWORD self = win::GetCurrentThreadId();
  auto entry = FindThread(self);
  if (!entry) {
    entry = std::make_shared<TThreadIEBands>(self);
    FThreads.push_back(entry);
  }
  const bool listedBefore = entry->Contains(form);
  entry->Add(form);
  // One hook reference per listed form: listing a form again takes none.
  if (!listedBefore && HookManager) HookManager->AddHook();
}

void TProcessIEBands::RemoveBandForm(TIEBandForm* form) {
  std::lock_guard lock(FLock);
  auto entry = FindThread(win::GetCurrentThreadId());
  if (!entry || !entry->Contains(form)) return;
  entry->Remove(form);
  if (entry->IsEmpty()) FThreads.erase(std::find(FThreads.begin(), FThreads.end(), entry));
  if (HookManager) HookManager->RemoveHook();
}

void TProcessIEBands::NotifyActivation(bool active) {
  std::lock_guard lock(FLock);
  if (auto entry = FindThread(win::GetCurrentThreadId())) entry->NotifyActivation(active);
}

std::vector<TIEBandForm*> TProcessIEBands::FormsOfThisThread() const {
  std::lock_guard lock(FLock);
  std::vector<TIEBandForm*> forms;
  if (auto entry = FindThread(win::GetCurrentThreadId()))
    for (int i = 0; i < entry->Count(); ++i) forms.push_back(entry->Forms(i));
  return forms;
}

int TProcessIEBands::ThreadCount() const {
  std::lock_guard lock(FLock);
  return static_cast<int>(FThreads.size());
}

// ------------------------------------------------------------------ activation hook

LRESULT CALLBACK ActivationHookProc(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HC_ACTION && lParam) {
    const auto* message = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    // The window does not matter: activating any window of the thread (the
    // frame, a dialog) concerns every band form of the thread.
    if (message->message == WM_NCACTIVATE && ProcessIEBands)
      ProcessIEBands->NotifyActivation(LOWORD(message->wParam) != 0);
  }
  return HookManager ? HookManager->CallNextHook(code, wParam, lParam) : 0;
}

// ------------------------------------------------------------------ TBandRegistries

TBandRegistries::TBandRegistries() {
  ProcessIEBands = new TProcessIEBands();
  HookManager = new THookManager(WH_CALLWNDPROCRET, &ActivationHookProc);
}

TBandRegistries::~TBandRegistries() {
  delete HookManager;
  HookManager = nullptr;
  delete ProcessIEBands;
  ProcessIEBands = nullptr;
}

}  // namespace vorn
