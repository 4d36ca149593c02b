// The headless backend: no windows, only properties. Modal loops, message boxes and folder browsers are
// answered by a Driver; every message box and folder browser is recorded for reports.
//
// Text is measured by the Backend's default, ApproximateTextSize (vcl/backend.h): deterministic sizes for
// auto-size labels, independent of the host's fonts.
//
// Time: a simulated clock in milliseconds that only AdvanceClock moves. Timers fire only then, in order
// of their due times (ties in the order they were started), so runs are deterministic; ProcessMessages
// never fires a timer.
#pragma once
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "vcl/backend.h"
#include "vcl/headless/driver.h"

namespace vcl::headless {

enum class AnsweredBy { Driver, Default };

struct MessageBoxRecord {
    std::string caption, text;
    unsigned flags = 0;
    int answer = 0;
    AnsweredBy by = AnsweredBy::Default;
    std::string modalForm;  // name of the modal form active when it appeared ("" when none)
};

struct FolderBrowserRecord {
    std::string title, startPath;
    bool cancelled = false;
    std::string path;  // the chosen folder
    AnsweredBy by = AnsweredBy::Default;
    unsigned flags = 0;  // BIF_* flags of a browser rooted at the desktop (BrowseFromDesktop)
};

class HeadlessBackend final : public Backend {
public:
    explicit HeadlessBackend(Driver* driver = nullptr) : driver_(driver) {}
    void SetDriver(Driver* driver) { driver_ = driver; }

    const std::vector<MessageBoxRecord>& MessageBoxes() const { return messageBoxes_; }
    const std::vector<FolderBrowserRecord>& FolderBrowsers() const { return folderBrowsers_; }
    // Immediate repaints a control received (Refresh, Repaint, Update) since it was made.
    int PaintCount(const TControl& control) const;
    int ProcessMessagesCount() const { return processMessages_; }
    bool HasWindow(const TWinControl& control) const { return windows_.count(&control) != 0; }
    // True when the application's loop ended because nothing could happen any more (no modal form and
    // no user to act on the main form).
    bool EndedIdle() const { return endedIdle_; }

    uint64_t Now() const { return now_; }
    // Moves the clock forward, firing each due timer (a timer due several times fires several times).
    void AdvanceClock(uint64_t milliseconds);

    void CreateHandle(TWinControl& control) override;
    void DestroyHandle(TWinControl& control) override;
    void ControlDestroyed(TControl& control) override;
    void Changed(TControl& control, TChange what) override {}
    void PaintNow(TControl& control) override;
    int FrameWidth(const TForm& form) override { return 0; }
    int FrameHeight(const TForm& form) override { return 0; }
    void HandleMessage(TForm* modalForm) override;
    void ProcessMessages() override { ++processMessages_; }
    int ShowMessageBox(const std::string& text, const std::string& caption, unsigned flags) override;
    bool BrowseForFolder(const std::string& title, std::string& path) override;
    // Answered as BrowseForFolder (the driver's path verbatim, so also an empty or a network path), with
    // the flags recorded.
    bool BrowseFromDesktop(const std::string& title, unsigned flags, std::string& path) override;
    void TimerChanged(TTimer& timer) override;
    void TimerDestroyed(TTimer& timer) override;

private:
    struct Schedule {
        uint64_t due;
        uint64_t order;
    };
    Driver* driver_;
    std::vector<MessageBoxRecord> messageBoxes_;
    std::vector<FolderBrowserRecord> folderBrowsers_;
    std::map<const TControl*, int> paints_;
    std::set<const TWinControl*> windows_;
    std::map<TTimer*, Schedule> timers_;
    uint64_t now_ = 0, nextOrder_ = 0;
    int processMessages_ = 0;
    bool endedIdle_ = false;
};

}  // namespace vcl::headless
