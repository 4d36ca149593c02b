// The session's playing rules, which must match the headless script driver's: queued answers and folder
// choices, and which button an answer presses.
#include <gtest/gtest.h>

#include "setupbot/session.h"

namespace setupbot {
namespace {

Session Make(const std::string& text) { return Session(setupcheck::ParseSessionFile(text)); }

TEST(SessionRules, QueuesAnswersAndFolderChoicesPassedOnTheWay) {
    Session session = Make("answer cancel\nbrowse D:\\Apps\nclick BitBtn2\nanswer ok\n");
    auto action = session.NextFormAction();
    ASSERT_TRUE(action);
    EXPECT_EQ(action->control, "BitBtn2");
    auto answer = session.TakeAnswer();  // the queued one first, not the later line
    ASSERT_TRUE(answer);
    EXPECT_TRUE(answer->cancel);
    auto folder = session.TakeBrowse();
    ASSERT_TRUE(folder);
    EXPECT_EQ(folder->value, "D:\\Apps");
    EXPECT_EQ(session.Unused(), (std::vector<std::string>{"answer ok"}));
}

TEST(SessionRules, ABoxTakesTheNextLineOnlyWhenItIsAnAnswer) {
    Session session = Make("click BitBtn1\nanswer ok\nclick BitBtn2\n");
    ASSERT_TRUE(session.NextFormAction());
    EXPECT_TRUE(session.TakeAnswer());
    EXPECT_FALSE(session.TakeAnswer()) << "the next line is a click: the box takes its default";
    EXPECT_FALSE(session.TakeBrowse()) << "nor is it a folder choice: the browser is cancelled";
    EXPECT_EQ(session.Unused(), (std::vector<std::string>{"click BitBtn2"}));
}

TEST(SessionRules, UnusedListsQueuedAnswersThenFoldersThenTheRest) {
    Session session = Make("browse cancel\nanswer ok\n");
    EXPECT_FALSE(session.NextFormAction());
    EXPECT_EQ(session.Unused(), (std::vector<std::string>{"answer ok", "browse cancel"}));
}

TEST(MessageBoxButton, AnswersAsTheHeadlessDriverDoes) {
    auto ok = setupcheck::ParseSessionFile("answer ok")[0];
    auto cancel = setupcheck::ParseSessionFile("answer cancel")[0];
    constexpr unsigned kOk = 0, kOkCancel = 1, kYesNo = 4, kYesNoCancel = 3, kDefaultSecond = 0x100;
    EXPECT_EQ(ChooseMessageBoxButton(ok, kOkCancel), 1);
    EXPECT_EQ(ChooseMessageBoxButton(cancel, kOkCancel), 2);
    EXPECT_EQ(ChooseMessageBoxButton(cancel, kOk), 1) << "no Cancel: the last button";
    EXPECT_EQ(ChooseMessageBoxButton(ok, kYesNo), 6) << "no OK: the first button";
    EXPECT_EQ(ChooseMessageBoxButton(cancel, kYesNo), 7);
    EXPECT_EQ(ChooseMessageBoxButton(cancel, kYesNoCancel), 2);
    EXPECT_EQ(ChooseMessageBoxButton(std::nullopt, kOkCancel), 1) << "no answer: the default button";
    EXPECT_EQ(ChooseMessageBoxButton(std::nullopt, kOkCancel | kDefaultSecond), 2);
    EXPECT_EQ(ChooseMessageBoxButton(std::nullopt, kYesNo | 0x300), 6) << "a default past the buttons: the first";
}

}  // namespace
}  // namespace setupbot
