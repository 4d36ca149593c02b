// The simulated profile calls keep the parse of a file between calls; what they read must still follow
// the file's bytes however the file changes: through the profile calls, through the file calls, or on
// the host behind the machine's back, also to a text of the same length.
#ifndef _WIN32
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "os/sim/sim_machine.h"

namespace {

TEST(SimProfileReuse, ReadsFollowEveryChangeOfTheFile) {
    char pattern[] = "/tmp/ts-profile-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::string root = pattern;
    os::sim::SimMachine machine;
    machine.addDrive('C', {os::DriveType::Fixed, root});
    os::Profile& profile = machine.profile();
    const std::string file = "C:\\APP.INI";
    auto host = [&](const std::string& text) { std::ofstream(root + "/APP.INI", std::ios::binary) << text; };

    host("[A]\r\nKey=1\r\n");
    EXPECT_EQ(profile.readString(file, "A", "Key", "-"), "1");
    EXPECT_EQ(profile.readString(file, "a", "KEY", "-"), "1");  // the kept parse, names without case
    host("[A]\r\nKey=2\r\n");  // same length, other bytes
    EXPECT_EQ(profile.readString(file, "A", "Key", "-"), "2");
    ASSERT_TRUE(profile.writeString(file, "B", "Other", "3"));
    EXPECT_EQ(profile.readString(file, "B", "Other", "-"), "3");
    EXPECT_EQ(profile.sectionNames(file), (std::vector<std::string>{"A", "B"}));
    ASSERT_TRUE(machine.files().deleteFile(file));
    EXPECT_EQ(profile.readString(file, "A", "Key", "-"), "-");
    // Another file of the same names is another document.
    std::ofstream(root + "/OTHER.INI", std::ios::binary) << "[A]\r\nKey=other\r\n";
    host("[A]\r\nKey=4\r\n");
    EXPECT_EQ(profile.readString("C:\\OTHER.INI", "A", "Key", "-"), "other");
    EXPECT_EQ(profile.readString(file, "A", "Key", "-"), "4");
    std::filesystem::remove_all(root);
}

}  // namespace
#endif
