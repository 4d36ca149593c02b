// Progress meters: a meter link receives progress values and passes them to its meter. The meter keeps
// a value 0-99 (100 and above are kept as 0, so a finished meter shows empty); every change repaints it
// at once and lets the application's message loop run.
#pragma once
#include <cstdint>
#include <set>

namespace archive {

// A component that others may hold references to: when it is destroyed, each holder registered through
// FreeNotification has its Notification called so it can drop the reference.
class TArBaseComponent {
public:
    virtual ~TArBaseComponent();
    void FreeNotification(TArBaseComponent* holder);
    void RemoveFreeNotification(TArBaseComponent* holder);
    virtual void Notification(TArBaseComponent* component) {}
    static const char* Version() { return "1.00"; }

private:
    std::set<TArBaseComponent*> holders_;
    std::set<TArBaseComponent*> held_;
};

class TArMeterLink : public TArBaseComponent {
public:
    virtual void DoProgress(uint8_t progress) = 0;
    virtual void Reset() = 0;
};

enum class TArMeterOrientation { moHorizontal, moVertical };

// The meter's value rules. Painting is the form library's: it overrides Refresh.
class TArCustomMeter : public TArBaseComponent {
public:
    // Keeps the value (100 and above as 0); when that differs from the current one, repaints at once and
    // runs the message loop.
    void DoProgress(uint8_t progress);
    void Reset() { DoProgress(0); }
    int Value() const { return value_; }
    // Number of changes that reached the screen (tests read it).
    int Repaints() const { return repaints_; }

    TArMeterOrientation Orientation = TArMeterOrientation::moHorizontal;

protected:
    virtual void Refresh() {}

private:
    int value_ = 0;
    int repaints_ = 0;
};

class TArVCLMeterLink : public TArMeterLink {
public:
    ~TArVCLMeterLink() override;
    void DoProgress(uint8_t progress) override;
    void Reset() override;
    TArCustomMeter* Meter() const { return meter_; }
    void SetMeter(TArCustomMeter* meter);
    void Notification(TArBaseComponent* component) override;

private:
    TArCustomMeter* meter_ = nullptr;
};

}  // namespace archive
