// The robot's report: what it saw at each stop, the message boxes it answered, the wizard's part, the busy
// window's texts, inconsistencies between the windows and their descriptions, and how the run ended.
// Texts are UTF-8 here. Field names follow `setupcheck simulate`'s report where the two overlap.
#pragma once
#include <string>
#include <vector>

#include "setupbot/description.h"
#include "setupbot/json.h"

namespace setupbot {

struct ControlRecord {
    std::string name, className, text, state, color;
    bool showing = false, enabled = false;
    Rect rect;
};

struct FormRecord {
    std::string name, caption;
    Rect rect;
    std::vector<ControlRecord> controls;  // the showing ones
};

struct StopRecord {
    int index = 0;
    std::string kind;  // page, form (a dialog), messagebox, browser, stage
    int page = 0;      // page stops: the wizard's page
    std::string form;  // the form the stop is about (the wizard, a dialog), or empty
    std::string shot;  // the screenshot's file name, or empty without --shots
    bool same = true;  // the screen equalled its forced repaint
    long long differingPixels = 0;
    Rect box;
    std::vector<FormRecord> forms;
};

struct MessageRecord {
    std::string caption, text, icon, buttons, answer, by;
};

struct ShownPage {
    int page = 0;
    std::string title, description, next;
    bool nextEnabled = false, backVisible = false;
};

struct WizardRecord {
    int result = 0;
    std::vector<int> pages;
    std::vector<ShownPage> shown;
    int mode = -1;  // -1 until a mode button was seen checked
    std::vector<std::string> products;
    std::string instance;
    std::vector<std::string> summary;
    std::vector<std::vector<std::string>> pathlist;
};

struct RunReport {
    std::vector<StopRecord> stops;
    std::vector<MessageRecord> messages;
    WizardRecord wizard;
    std::vector<std::string> busy;
    std::vector<std::string> inconsistent;
    std::string endKind = "session", endMessage;
    std::vector<std::string> unused;
};

Json ToJson(const RunReport& report);

// Names as `setupcheck simulate` spells them, from MB_* flags and an answer's IDOK..IDNO.
std::string IconName(unsigned flags);
std::string ButtonsName(unsigned flags);
std::string AnswerName(int answer);
// The buttons a message box with these flags has, as IDOK..IDNO values, in order.
std::vector<int> MessageBoxButtonIds(unsigned flags);

}  // namespace setupbot
