// The session file of setupcheck simulate: every action form, comments, and errors naming the line.
#include <gtest/gtest.h>

#include "setupcheck/session_file.h"

using setupcheck::ParseSessionFile;
using setupcheck::SessionAction;
using setupcheck::SessionFileError;

TEST(SessionFile, ReadsEveryActionForm) {
    auto actions = ParseSessionFile(
        "# a whole session\n"
        "click BitBtn2                 # press a control by name\n"
        "Click ModeButtons[1]\r\n"
        "check CheckListBox1 2 off\n"
        "check CheckListBox1 0 GRAYED\n"
        "\n"
        "select ListView1 1\n"
        "type EdtInsName MY INST\n"
        "type EdtInsName\n"
        "browse D:\\Apps\\\xE8\xB4\xA2\xE5\x8A\xA1\n"
        "browse cancel\n"
        "answer cancel\n"
        "CLOSE\n");
    ASSERT_EQ(actions.size(), 11u);
    EXPECT_EQ(actions[0].kind, SessionAction::Kind::Click);
    EXPECT_EQ(actions[0].control, "BitBtn2");
    EXPECT_EQ(actions[0].line, 2);
    EXPECT_EQ(actions[0].text, "click BitBtn2");
    EXPECT_EQ(actions[1].control, "ModeButtons[1]");
    EXPECT_EQ(actions[2].kind, SessionAction::Kind::Check);
    EXPECT_EQ(actions[2].index, 2);
    EXPECT_EQ(actions[2].state, SessionAction::CheckState::Off);
    EXPECT_EQ(actions[3].state, SessionAction::CheckState::Grayed);
    EXPECT_EQ(actions[4].kind, SessionAction::Kind::Select);
    EXPECT_EQ(actions[4].index, 1);
    EXPECT_EQ(actions[5].value, "MY INST");  // the rest of the line, blanks inside kept
    EXPECT_EQ(actions[6].value, "");         // empties the edit
    EXPECT_EQ(actions[7].value, "D:\\Apps\\\xE8\xB4\xA2\xE5\x8A\xA1");
    EXPECT_FALSE(actions[7].cancel);
    EXPECT_TRUE(actions[8].cancel);
    EXPECT_EQ(actions[9].kind, SessionAction::Kind::Answer);
    EXPECT_TRUE(actions[9].cancel);
    EXPECT_EQ(actions[10].kind, SessionAction::Kind::Close);
}

TEST(SessionFile, MistakesNameTheirLine) {
    auto errorOf = [](const std::string& text) -> std::string {
        try {
            ParseSessionFile(text);
        } catch (const SessionFileError& e) {
            return e.what();
        }
        return "";
    };
    EXPECT_NE(errorOf("click\n").find("line 1: click needs a control name"), std::string::npos);
    EXPECT_NE(errorOf("\npress BitBtn2\n").find("line 2: unknown action press"), std::string::npos);
    EXPECT_NE(errorOf("check CheckListBox1 x on\n").find("not an item number: x"), std::string::npos);
    EXPECT_NE(errorOf("check CheckListBox1 1 maybe\n").find("on, off or grayed"), std::string::npos);
    EXPECT_NE(errorOf("answer yes\n").find("answer needs ok or cancel"), std::string::npos);
    EXPECT_NE(errorOf("browse\n").find("browse needs a folder"), std::string::npos);
    EXPECT_NE(errorOf("click BitBtn2 now\n").find("unexpected text after the action: now"), std::string::npos);
    EXPECT_NE(errorOf("close frmSetupGuide\n").find("unexpected text after the action"), std::string::npos);
}
