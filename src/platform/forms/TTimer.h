// A window timer of the thread that creates the TTimer: it ticks through that
// thread's message loop (WM_TIMER on a hidden utility window the toolkit keeps
// per thread while any timer of the thread needs it) and calls OnTimer.
//
// The timer runs while Enabled (the default), Interval > 0 (milliseconds,
// default 1000) and an OnTimer handler is set. Setting Enabled, Interval or the
// handler starts it over with the full interval. A handler that throws fails
// silently. Freeing the timer (with its owner, say) kills it. Use a timer only
// on the thread that made it.
#pragma once

#include "platform/forms/TComponent.h"
#include "platform/win/WindowTypes.h"

namespace forms {

class TTimer : public TComponent {
 public:
  explicit TTimer(TComponent* owner);
  ~TTimer() override;

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value);
  UINT Interval() const { return interval_; }
  void SetInterval(UINT value);
  const TNotifyEvent& OnTimer() const { return onTimer_; }
  void SetOnTimer(TNotifyEvent handler);

  // The window timer is set.
  bool Running() const { return running_; }

  // What a tick does: the handler (if the timer is still meant to run).
  void Timer();

 private:
  void UpdateTimer();
  void Stop();

  bool enabled_ = true;
  UINT interval_ = 1000;
  TNotifyEvent onTimer_;
  bool running_ = false;
  bool holdsWindow_ = false;
  UINT_PTR id_ = 0;
  HWND window_ = nullptr;
};

}  // namespace forms
