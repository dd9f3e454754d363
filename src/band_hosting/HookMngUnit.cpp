#include "band_hosting/HookMngUnit.h"

#include <limits>

#include "platform/com/ComError.h"

namespace vorn {

THookManager* HookManager = nullptr;

THookManager::THookManager(int hookType, HOOKPROC hookProc) : FHookType(hookType), FHookProc(hookProc) {}

THookManager::~THookManager() {
  std::lock_guard lock(FLock);
  for (const auto& record : FRecords)
    if (record.FHook) win::UnhookWindowsHookEx(record.FHook);
  FRecords.clear();
}

TThreadHookData* THookManager::Find(DWORD threadId) {
  for (auto& record : FRecords)
    if (record.FThreadID == threadId) return &record;
  return nullptr;
}

const TThreadHookData* THookManager::Find(DWORD threadId) const {
  return const_cast<THookManager*>(this)->Find(threadId);
}

void THookManager::AddHook() {
  std::lock_guard lock(FLock);
  const DWORD self = win::GetCurrentThreadId();
  TThreadHookData* record = Find(self);
  if (!record) {
    // A refused hook still gets a record: the thread then simply hears of no
    // activation, and the counting stays the same for its users.
    TThreadHookData fresh;
    fresh.FThreadID = self;
    fresh.FHook = win::SetWindowsHookExA(FHookType, FHookProc, nullptr, self);
    FRecords.push_back(fresh);
    record = &FRecords.back();
  }
  if (record->FRefCount == std::numeric_limits<LONG>::max())
    throw com::ComError(DISP_E_OVERFLOW, L"too many users of one thread hook");
  ++record->FRefCount;
}

void THookManager::RemoveHook() {
  std::lock_guard lock(FLock);
  TThreadHookData* record = Find(win::GetCurrentThreadId());
  if (!record) return;
  // A record is deleted when its count reaches 0, so the count never goes below 1 here.
  if (--record->FRefCount != 0) return;
  if (record->FHook) win::UnhookWindowsHookEx(record->FHook);
  FRecords.erase(FRecords.begin() + (record - FRecords.data()));
}

LRESULT THookManager::CallNextHook(int code, WPARAM wParam, LPARAM lParam) {
  HHOOK hook = nullptr;
  {
    std::lock_guard lock(FLock);
    const TThreadHookData* record = Find(win::GetCurrentThreadId());
    if (!record) return 0;
    hook = record->FHook;
  }
  // Outside the lock: the next hook may be anyone's and may take locks of its own.
  return win::CallNextHookEx(hook, code, wParam, lParam);
}

LONG THookManager::RefCount() const {
  std::lock_guard lock(FLock);
  const TThreadHookData* record = Find(win::GetCurrentThreadId());
  return record ? record->FRefCount : 0;
}

HHOOK THookManager::Hook() const {
  std::lock_guard lock(FLock);
  const TThreadHookData* record = Find(win::GetCurrentThreadId());
  return record ? record->FHook : nullptr;
}

int THookManager::ThreadCount() const {
  std::lock_guard lock(FLock);
  return static_cast<int>(FRecords.size());
}

}  // namespace vorn
