// The timer: fires OnTimer every Interval milliseconds while Enabled and a handler is assigned. The backend
// decides when time passes (a real timer, or the headless backend's simulated clock).
#pragma once
#include "vcl/controls.h"

namespace vcl {

class TTimer : public TComponent {
public:
    explicit TTimer(TComponent* owner);
    ~TTimer() override;
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool value);
    // Milliseconds; 0 stops the timer.
    unsigned Interval() const { return interval_; }
    void SetInterval(unsigned value);
    void SetOnTimer(TNotifyEvent handler);
    // True when it would fire: enabled, a non-zero interval and a handler.
    bool Running() const { return enabled_ && interval_ > 0 && static_cast<bool>(onTimer_); }
    // Called by the backend when an interval has passed.
    void Tick();

private:
    bool enabled_ = true;
    unsigned interval_ = 1000;
    TNotifyEvent onTimer_;
};

}  // namespace vcl
