// The screen check and the record taken at each stop.
#include "setupbot/stops.h"

#include <windows.h>

#include <cstdio>
#include <map>

#include "setupbot/text.h"

namespace setupbot {
namespace {

std::string RectText(const Rect& rect) {
    return std::to_string(rect.left) + "," + std::to_string(rect.top) + " " + std::to_string(rect.width) + "x" +
           std::to_string(rect.height);
}

std::string ColorText(unsigned color) {
    char text[16];
    std::snprintf(text, sizeof text, "%08X", color);
    return text;
}

std::vector<FormRecord> VisibleForms(const Description& description) {
    std::vector<FormRecord> forms;
    for (const FormInfo& form : description.forms) {
        if (!form.visible) continue;
        FormRecord record;
        record.name = form.name;
        record.caption = AnsiToUtf8(form.caption);
        record.rect = form.rect;
        for (const ControlInfo& control : description.controls) {
            if (control.form != form.name || !control.showing) continue;
            ControlRecord entry;
            entry.name = control.name;
            entry.className = control.className;
            entry.text = AnsiToUtf8(control.text);
            entry.state = AnsiToUtf8(control.state);
            entry.color = ColorText(control.color);
            entry.showing = control.showing;
            entry.enabled = control.enabled;
            entry.rect = control.rect;
            record.controls.push_back(std::move(entry));
        }
        forms.push_back(std::move(record));
    }
    return forms;
}

std::wstring ShotPath(const std::wstring& folder, const std::string& name) {
    std::wstring path = folder;
    if (!path.empty() && path.back() != L'\\' && path.back() != L'/') path += L'\\';
    return path + Utf8ToWide(name);
}

// Enabled as the description means it: the window and every parent window below its form. The form's own
// window is left out: a modal loop disables the other forms' windows, which their controls do not report.
bool EnabledInTree(Window window) {
    for (HWND current = window; current && (GetWindowLongW(current, GWL_STYLE) & WS_CHILD);
         current = GetParent(current))
        if (!IsWindowEnabled(current)) return false;
    return true;
}

bool ComparesText(const std::string& className) {
    return className == "TBitBtn" || className == "TButton" || className == "TRadioButton" ||
           className == "TCheckBox" || className == "TEdit";
}

}  // namespace

void CheckConsistency(Robot& robot, const Description& description, int stopIndex) {
    auto note = [&](const std::string& form, const std::string& control, const std::string& what,
                    const std::string& window, const std::string& described) {
        robot.report.inconsistent.push_back("stop " + std::to_string(stopIndex) + ": " + form + "." + control +
                                            ": " + what + ": window " + window + ", description " + described);
    };
    auto flag = [](bool value) { return std::string(value ? "1" : "0"); };
    for (const FormInfo& form : description.forms) {
        if (!form.visible) continue;
        Window formWindow = robot.program.FindForm(form.name);
        if (!formWindow) continue;
        std::map<std::string, Window> windows;
        for (Window child : Descendants(formWindow)) {
            std::string name = WindowName(child);
            if (!name.empty()) windows.emplace(name, child);
        }
        for (const ControlInfo& control : description.controls) {
            if (control.form != form.name) continue;
            auto found = windows.find(control.name);
            if (found == windows.end()) continue;  // a graphic control, or one without a window yet
            Window window = found->second;
            bool visible = IsWindowVisible(window) != FALSE;
            if (visible != control.showing) note(form.name, control.name, "showing", flag(visible), flag(control.showing));
            bool enabled = EnabledInTree(window);
            if (enabled != control.enabled) note(form.name, control.name, "enabled", flag(enabled), flag(control.enabled));
            if (ComparesText(control.className)) {
                std::wstring text = WindowTextWide(window);
                if (text != AnsiToWide(control.text))
                    note(form.name, control.name, "text", "\"" + WideToUtf8(text) + "\"",
                         "\"" + AnsiToUtf8(control.text) + "\"");
            }
            RECT bounds{};
            GetWindowRect(window, &bounds);
            Rect rect{int(bounds.left), int(bounds.top), int(bounds.right - bounds.left), int(bounds.bottom - bounds.top)};
            if (!(rect == control.rect)) note(form.name, control.name, "rect", RectText(rect), RectText(control.rect));
        }
    }
}

WaitEnd TakeStop(Robot& robot, const StopWhat& what, const Description& description, bool held) {
    StopRecord stop;
    stop.index = int(robot.report.stops.size()) + 1;
    stop.kind = what.kind;
    stop.page = what.page;
    stop.form = what.form;
    stop.forms = VisibleForms(description);
    CheckConsistency(robot, description, stop.index);

    Image before = CaptureScreen(robot.capture);
    RepaintWindows(robot.program.TopLevelWindows(true));
    std::optional<Description> after;
    WaitEnd waited = robot.WaitQuiet(after, true, held);
    Image repainted = CaptureScreen(robot.capture);
    // The clock may grow (its first text comes a second after start-up) between the descriptions: its
    // rectangles before, between and after the screenshots are all masked.
    std::vector<Rect> masks = robot.Masks(description);
    std::optional<Description> last = robot.client.Describe(robot.program, 2000);
    for (const auto* later : {&after, &last}) {
        if (!*later) continue;
        std::vector<Rect> more = robot.Masks(**later);
        masks.insert(masks.end(), more.begin(), more.end());
    }
    ImageDifference difference = CompareImages(before, repainted, masks);
    stop.same = difference.pixels == 0;
    stop.differingPixels = difference.pixels;
    stop.box = difference.box;
    if (before.pixels.empty() || repainted.pixels.empty()) {
        // A screen that could not be read proves nothing: the stop fails.
        stop.same = false;
        stop.differingPixels = -1;
    }

    if (!robot.options.shots.empty()) {
        char number[8];
        std::snprintf(number, sizeof number, "%03d", stop.index);
        std::string kind = what.kind == "page" ? "page" + std::to_string(what.page)
                           : what.kind == "form" ? what.form
                                                   : what.kind;
        stop.shot = std::string(number) + "-" + kind + ".bmp";
        WriteFileBytes(ShotPath(robot.options.shots, stop.shot), EncodeBmp(before));
        if (!stop.same)
            WriteFileBytes(ShotPath(robot.options.shots, std::string(number) + "-" + kind + "-repaint.bmp"),
                           EncodeBmp(repainted));
    }
    robot.report.stops.push_back(std::move(stop));
    return waited;
}

}  // namespace setupbot
