// The installed backend, and the inactive one used until a real or headless backend is installed.
#include "vcl/backend.h"

#include "rtl/exceptions.h"

namespace vcl {
namespace {

// Keeps properties only; anything that would wait for a user fails loudly instead of guessing.
class InactiveBackend final : public Backend {
public:
    void CreateHandle(TWinControl&) override {}
    void DestroyHandle(TWinControl&) override {}
    void ControlDestroyed(TControl&) override {}
    void Changed(TControl&, TChange) override {}
    void PaintNow(TControl&) override {}
    int FrameWidth(const TForm&) override { return 0; }
    int FrameHeight(const TForm&) override { return 0; }
    void HandleMessage(TForm*) override { Fail("a message loop"); }
    void ProcessMessages() override {}
    int ShowMessageBox(const std::string& text, const std::string&, unsigned) override {
        Fail("a message box (" + text + ")");
        return 0;
    }
    bool BrowseForFolder(const std::string&, std::string&) override {
        Fail("a folder browser");
        return false;
    }
    void TimerChanged(TTimer&) override {}
    void TimerDestroyed(TTimer&) override {}

private:
    [[noreturn]] static void Fail(const std::string& what) {
        throw rtl::Exception("No window backend is installed for " + what);
    }
};

Backend* current = nullptr;

// Never destroyed: forms freed during static destruction still talk to it.
Backend& Inactive() {
    static Backend* inactive = new InactiveBackend;
    return *inactive;
}

}  // namespace

Backend& backend() { return current ? *current : Inactive(); }

Backend* SetBackend(Backend* next) {
    Backend* previous = current;
    current = next;
    return previous;
}

}  // namespace vcl
