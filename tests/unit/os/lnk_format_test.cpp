// Shell link files written by the simulated machine read back field by field, and damaged ones never
// make the reader leave the bytes it was given.
#ifndef _WIN32
#include <gtest/gtest.h>

#include "os/sim/lnk_writer.h"

using os::sim::detail::BuildShellLink;
using os::sim::detail::LinkContents;
using os::sim::detail::ReadShellLink;

TEST(LinkFormat, WhatIsWrittenReadsBack) {
    LinkContents link;
    link.localBasePath = "C:\\Program Files\\Shop\\SHOP.EXE";
    link.description = "\xC9\xCC\xB5\xEA";  // GBK
    link.workingDirectory = "C:\\Program Files\\Shop";
    link.arguments = "/quiet";
    std::vector<uint8_t> file = BuildShellLink(link);
    LinkContents back = ReadShellLink(std::string(file.begin(), file.end()));
    EXPECT_EQ(back.localBasePath, link.localBasePath);
    EXPECT_EQ(back.description, link.description);
    EXPECT_EQ(back.workingDirectory, link.workingDirectory);
    EXPECT_EQ(back.arguments, link.arguments);

    // Cut at every length: fields come back whole or empty.
    for (size_t n = 0; n < file.size(); ++n) {
        LinkContents part = ReadShellLink(std::string(file.begin(), file.begin() + static_cast<ptrdiff_t>(n)));
        EXPECT_TRUE(part.localBasePath.empty() || part.localBasePath == link.localBasePath) << n;
        EXPECT_TRUE(part.workingDirectory.empty() || part.workingDirectory == link.workingDirectory) << n;
    }
}
#endif
