#include "archive/meters.h"

#include "archive/hooks.h"

namespace archive {

TArBaseComponent::~TArBaseComponent() {
    for (TArBaseComponent* holder : holders_) {
        holder->held_.erase(this);
        holder->Notification(this);
    }
    for (TArBaseComponent* held : held_) held->holders_.erase(this);
}

void TArBaseComponent::FreeNotification(TArBaseComponent* holder) {
    holders_.insert(holder);
    holder->held_.insert(this);
}

void TArBaseComponent::RemoveFreeNotification(TArBaseComponent* holder) {
    holders_.erase(holder);
    holder->held_.erase(this);
}

void TArCustomMeter::DoProgress(uint8_t progress) {
    // Compare what would be shown: a finished meter (100 kept as 0) must not repaint for every further 100.
    int shown = progress >= 100 ? 0 : progress;
    if (shown == value_) return;
    value_ = shown;
    ++repaints_;
    Refresh();
    ArProcessMessages();
}

TArVCLMeterLink::~TArVCLMeterLink() = default;

void TArVCLMeterLink::DoProgress(uint8_t progress) {
    if (meter_) meter_->DoProgress(progress);
}

void TArVCLMeterLink::Reset() {
    if (meter_) meter_->Reset();
}

void TArVCLMeterLink::SetMeter(TArCustomMeter* meter) {
    if (meter_) meter_->RemoveFreeNotification(this);
    meter_ = meter;
    if (meter_) meter_->FreeNotification(this);
}

void TArVCLMeterLink::Notification(TArBaseComponent* component) {
    if (component == meter_) meter_ = nullptr;
}

}  // namespace archive
