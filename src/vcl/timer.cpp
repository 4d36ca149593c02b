// The timer component: its state, and the backend told of every change.
#include "vcl/timer.h"

namespace vcl {

TTimer::TTimer(TComponent* owner) : TComponent(owner) {}

TTimer::~TTimer() { backend().TimerDestroyed(*this); }

void TTimer::SetEnabled(bool value) {
    if (value == enabled_) return;
    enabled_ = value;
    backend().TimerChanged(*this);
}

void TTimer::SetInterval(unsigned value) {
    if (value == interval_) return;
    interval_ = value;
    backend().TimerChanged(*this);
}

void TTimer::SetOnTimer(TNotifyEvent handler) {
    onTimer_ = std::move(handler);
    backend().TimerChanged(*this);
}

void TTimer::Tick() {
    if (Running()) onTimer_(this);
}

}  // namespace vcl
