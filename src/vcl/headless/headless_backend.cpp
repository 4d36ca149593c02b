// The headless backend: records instead of windows, a driver instead of a user, a simulated clock.
#include "vcl/headless/headless_backend.h"

#include <algorithm>

#include "vcl/dialogs.h"
#include "vcl/forms.h"
#include "vcl/timer.h"

namespace vcl::headless {

int HeadlessBackend::PaintCount(const TControl& control) const {
    auto found = paints_.find(&control);
    return found == paints_.end() ? 0 : found->second;
}

// A headless window's handle is a token unique to its control, so code handing a window to the machine
// (an owner, say) can be checked.
void HeadlessBackend::CreateHandle(TWinControl& control) {
    windows_.insert(&control);
    control.SetNativeHandle(&control);
}

void HeadlessBackend::DestroyHandle(TWinControl& control) {
    windows_.erase(&control);
    control.SetNativeHandle(nullptr);
}

// Windowed controls have left windows_ in DestroyHandle already (it runs first, from ~TWinControl).
void HeadlessBackend::ControlDestroyed(TControl& control) { paints_.erase(&control); }

void HeadlessBackend::PaintNow(TControl& control) {
    ++paints_[&control];
    // Painting a form's surface is when its OnPaint runs, as with a real window.
    if (auto* form = dynamic_cast<TForm*>(&control)) form->Paint();
}

void HeadlessBackend::HandleMessage(TForm* modalForm) {
    if (!modalForm) {
        // Nobody acts on a modeless main window: the run is over.
        endedIdle_ = true;
        Application->Terminate();
        return;
    }
    if (!driver_ || !driver_->Act(*modalForm))
        throw ESessionExhausted("The session ran out while " + modalForm->Name() + " waited for the user");
}

int HeadlessBackend::ShowMessageBox(const std::string& text, const std::string& caption, unsigned flags) {
    MessageBoxRecord record{caption, text, flags, MessageBoxDefaultAnswer(flags), AnsweredBy::Default, ""};
    if (TForm* modal = Screen->ActiveModalForm()) record.modalForm = modal->Name();
    if (driver_) {
        if (std::optional<int> answer = driver_->AnswerMessageBox(text, caption, flags)) {
            std::vector<int> buttons = MessageBoxButtons(flags);
            if (std::find(buttons.begin(), buttons.end(), *answer) == buttons.end())
                throw EActionRefused("The answer " + MessageBoxAnswerName(*answer) + " is not a button of the box \"" +
                                     caption + "\" (" + MessageBoxButtonsName(flags) + ")");
            record.answer = *answer;
            record.by = AnsweredBy::Driver;
        }
    }
    messageBoxes_.push_back(record);
    return record.answer;
}

bool HeadlessBackend::BrowseForFolder(const std::string& title, std::string& path) {
    FolderBrowserRecord record{title, path, true, "", AnsweredBy::Default};
    if (driver_) {
        if (std::optional<FolderAnswer> answer = driver_->AnswerFolderBrowser(title, path)) {
            record.by = AnsweredBy::Driver;
            record.cancelled = answer->cancel;
            if (!answer->cancel) record.path = answer->path;
        }
    }
    folderBrowsers_.push_back(record);
    if (record.cancelled) return false;
    path = record.path;
    return true;
}

bool HeadlessBackend::BrowseFromDesktop(const std::string& title, unsigned flags, std::string& path) {
    std::string chosen;
    bool confirmed = BrowseForFolder(title, chosen);
    folderBrowsers_.back().flags = flags;
    if (confirmed) path = chosen;
    return confirmed;
}

void HeadlessBackend::TimerChanged(TTimer& timer) {
    if (timer.Running())
        timers_[&timer] = Schedule{now_ + timer.Interval(), nextOrder_++};
    else
        timers_.erase(&timer);
}

void HeadlessBackend::TimerDestroyed(TTimer& timer) { timers_.erase(&timer); }

void HeadlessBackend::AdvanceClock(uint64_t milliseconds) {
    const uint64_t target = now_ + milliseconds;
    for (;;) {
        // The earliest due timer; a handler may start, stop or destroy timers, so look again each time.
        auto next = timers_.end();
        for (auto it = timers_.begin(); it != timers_.end(); ++it) {
            if (it->second.due > target) continue;
            if (next == timers_.end() || it->second.due < next->second.due ||
                (it->second.due == next->second.due && it->second.order < next->second.order))
                next = it;
        }
        if (next == timers_.end()) break;
        TTimer* timer = next->first;
        now_ = next->second.due;
        next->second = Schedule{now_ + timer->Interval(), nextOrder_++};
        timer->Tick();
    }
    now_ = target;
}

}  // namespace vcl::headless
