// The report as JSON, and the names of message-box icons, buttons and answers.
#include "setupbot/report.h"

namespace setupbot {
namespace {

// MB_* values and dialog answers, as Windows defines them (kept here so this file needs no <windows.h>).
constexpr unsigned kIconMask = 0xF0, kButtonMask = 0x0F;
enum : int { kOk = 1, kCancel = 2, kAbort = 3, kRetry = 4, kIgnore = 5, kYes = 6, kNo = 7 };

Json RectJson(const Rect& rect) {
    Json array = Json::Array();
    array.Add(rect.left);
    array.Add(rect.top);
    array.Add(rect.width);
    array.Add(rect.height);
    return array;
}

Json StringsJson(const std::vector<std::string>& texts) {
    Json array = Json::Array();
    for (const std::string& text : texts) array.Add(text);
    return array;
}

Json FormJson(const FormRecord& form) {
    Json object = Json::Object();
    object.Set("name", form.name);
    object.Set("caption", form.caption);
    object.Set("rect", RectJson(form.rect));
    Json controls = Json::Array();
    for (const ControlRecord& control : form.controls) {
        Json entry = Json::Object();
        entry.Set("name", control.name);
        entry.Set("class", control.className);
        entry.Set("text", control.text);
        entry.Set("showing", control.showing);
        entry.Set("enabled", control.enabled);
        entry.Set("rect", RectJson(control.rect));
        entry.Set("state", control.state);
        entry.Set("color", control.color);
        controls.Add(std::move(entry));
    }
    object.Set("controls", std::move(controls));
    return object;
}

Json StopJson(const StopRecord& stop) {
    Json object = Json::Object();
    object.Set("index", stop.index);
    object.Set("kind", stop.kind);
    if (stop.kind == "page") object.Set("page", stop.page);
    object.Set("form", stop.form);
    object.Set("shot", stop.shot);
    object.Set("same", stop.same);
    object.Set("differing_pixels", stop.differingPixels);
    object.Set("box", RectJson(stop.box));
    Json forms = Json::Array();
    for (const FormRecord& form : stop.forms) forms.Add(FormJson(form));
    object.Set("forms", std::move(forms));
    return object;
}

Json WizardJson(const WizardRecord& wizard) {
    Json object = Json::Object();
    object.Set("result", wizard.result);
    Json pages = Json::Array();
    for (int page : wizard.pages) pages.Add(page);
    object.Set("pages", std::move(pages));
    Json shown = Json::Array();
    for (const ShownPage& page : wizard.shown) {
        Json entry = Json::Object();
        entry.Set("page", page.page);
        entry.Set("title", page.title);
        entry.Set("description", page.description);
        entry.Set("next", page.next);
        entry.Set("next_enabled", page.nextEnabled);
        entry.Set("back_visible", page.backVisible);
        shown.Add(std::move(entry));
    }
    object.Set("shown", std::move(shown));
    object.Set("mode", wizard.mode < 0 ? Json() : Json(wizard.mode));
    object.Set("products", StringsJson(wizard.products));
    object.Set("instance", wizard.instance);
    object.Set("summary", StringsJson(wizard.summary));
    Json pathlist = Json::Array();
    for (const auto& row : wizard.pathlist) pathlist.Add(StringsJson(row));
    object.Set("pathlist", std::move(pathlist));
    return object;
}

}  // namespace

Json ToJson(const RunReport& report) {
    Json root = Json::Object();
    Json stops = Json::Array();
    for (const StopRecord& stop : report.stops) stops.Add(StopJson(stop));
    root.Set("stops", std::move(stops));
    Json messages = Json::Array();
    for (const MessageRecord& message : report.messages) {
        Json entry = Json::Object();
        entry.Set("caption", message.caption);
        entry.Set("text", message.text);
        entry.Set("icon", message.icon);
        entry.Set("buttons", message.buttons);
        entry.Set("answer", message.answer);
        entry.Set("by", message.by);
        messages.Add(std::move(entry));
    }
    root.Set("messages", std::move(messages));
    root.Set("wizard", WizardJson(report.wizard));
    root.Set("busy", StringsJson(report.busy));
    root.Set("inconsistent", StringsJson(report.inconsistent));
    Json end = Json::Object();
    end.Set("kind", report.endKind);
    end.Set("message", report.endMessage);
    root.Set("end", std::move(end));
    root.Set("unused", StringsJson(report.unused));
    return root;
}

std::string IconName(unsigned flags) {
    switch (flags & kIconMask) {
    case 0x10: return "stop";
    case 0x20: return "question";
    case 0x30: return "warning";
    case 0x40: return "information";
    default: return "none";
    }
}

std::string ButtonsName(unsigned flags) {
    switch (flags & kButtonMask) {
    case 1: return "okcancel";
    case 2: return "abortretryignore";
    case 3: return "yesnocancel";
    case 4: return "yesno";
    case 5: return "retrycancel";
    default: return "ok";
    }
}

std::string AnswerName(int answer) {
    switch (answer) {
    case kOk: return "ok";
    case kCancel: return "cancel";
    case kAbort: return "abort";
    case kRetry: return "retry";
    case kIgnore: return "ignore";
    case kYes: return "yes";
    case kNo: return "no";
    default: return "cancel";
    }
}

std::vector<int> MessageBoxButtonIds(unsigned flags) {
    switch (flags & kButtonMask) {
    case 1: return {kOk, kCancel};
    case 2: return {kAbort, kRetry, kIgnore};
    case 3: return {kYes, kNo, kCancel};
    case 4: return {kYes, kNo};
    case 5: return {kRetry, kCancel};
    default: return {kOk};
    }
}

}  // namespace setupbot
