// The figures of the path and summary pages: module sums, the MiB text, free space from either call, the
// shortage boundary and the shortage message.
#include <gtest/gtest.h>

#include <memory>

#include "wizard/disk_space.h"
#include "wizard/install_paths.h"

namespace {

constexpr int64_t MiB = 1048576;

app::TModule Module(const char* name, int64_t size, int state) {
    app::TModule module;
    module.Name = name;
    module.Size = size;
    module.State = state;
    return module;
}

// A table with two products in mode 1 (the current one); mode 0 holds a large module that must not count.
std::unique_ptr<app::TProductTable> TwoProducts() {
    auto table = std::make_unique<app::TProductTable>();
    table->ProductCount = 2;
    table->CurMode = 1;
    table->Products[0].ModuleCount = 2;
    table->Products[1].ModuleCount = 1;
    table->Modules[0][0][0] = Module("Other mode", 900 * MiB, 1);
    table->Modules[1][0][0] = Module("Client", 3 * MiB, 1);
    table->Modules[1][0][1] = Module("Shop", 5 * MiB, 0);
    table->Modules[1][0][2] = Module("Past the count", 7 * MiB, 1);
    table->Modules[1][1][0] = Module("Base", MiB / 2, 3);  // locked modules are selected too
    return table;
}

TEST(ModuleSums, OnlySelectedModulesOfTheCurrentModeWithinTheCountAreSummed) {
    auto table = TwoProducts();
    EXPECT_EQ(wizard::SelectedModuleBytes(*table, 0), 3 * MiB);
    EXPECT_EQ(wizard::SelectedModuleBytes(*table, 1), MiB / 2);
    EXPECT_EQ(wizard::SelectedModuleBytesOfAllProducts(*table), 3 * MiB + MiB / 2);
    // Outside the table: nothing, and no read beyond its arrays.
    EXPECT_EQ(wizard::SelectedModuleBytes(*table, -1), 0);
    EXPECT_EQ(wizard::SelectedModuleBytes(*table, app::kMaxProducts), 0);
    table->CurMode = app::kMaxInstallModes;
    EXPECT_EQ(wizard::SelectedModuleBytesOfAllProducts(*table), 0);
    table->CurMode = 1;
    table->Products[0].ModuleCount = 1000;  // a count beyond the capacity is cut to it
    EXPECT_EQ(wizard::SelectedModuleBytes(*table, 0), 10 * MiB);
}

TEST(MegabytesText, WholeMiBTruncatedWithTheUnit) {
    EXPECT_EQ(wizard::MegabytesText(0), "0 M");
    EXPECT_EQ(wizard::MegabytesText(MiB - 1), "0 M");
    EXPECT_EQ(wizard::MegabytesText(MiB + MiB / 2), "1 M");
    EXPECT_EQ(wizard::MegabytesText(int64_t(5) << 30), "5120 M");
}

TEST(FreeSpace, GeometryOfTheOldCallIsConvertedWithoutWrapping) {
    // 512-byte sectors, 8 per cluster, 25600 free clusters: 100 MiB.
    EXPECT_EQ(wizard::FreeMegabytes(os::DiskGeometry{8, 512, 25600, 30000}), 100);
    // Less than a MiB rounds down.
    EXPECT_EQ(wizard::FreeMegabytes(os::DiskGeometry{1, 512, 2047, 4000}), 0);
    // 64 KiB clusters × 100000: 6250 MiB, beyond the 4 GiB a 32-bit product could hold.
    EXPECT_EQ(wizard::FreeMegabytes(os::DiskGeometry{128, 512, 100000, 100000}), 6250);
}

TEST(FreeSpace, TotalFreeBytesOfTheNewCallAreClampedToTheIntRange) {
    EXPECT_EQ(wizard::FreeMegabytes(uint64_t(100 * MiB + MiB - 1)), 100);
    EXPECT_EQ(wizard::FreeMegabytes(~uint64_t(0)), 0x7FFFFFFF);
}

// The boundary itself (exactly the free space fits, one KiB more does not) is tested on the wizard.
TEST(Shortage, LargeFiguresAreComparedIn64Bits) {
    // 3 GiB needed, 1 GiB free: a 32-bit requirement would be negative and fit.
    EXPECT_TRUE(wizard::IsShortage(int64_t(3) << 30, 1024));
    // 4 TiB free: FreeMB × 1024 exceeds 32 bits and must not turn negative.
    EXPECT_FALSE(wizard::IsShortage(int64_t(1) << 30, 4 * 1024 * 1024));
}

TEST(Shortage, MessageShowsRequiredMiBTheDriveLetterAndFreeMiB) {
    EXPECT_EQ(wizard::ShortageMessage(250 * MiB + MiB - 1, 4, 17),
              "磁盘空间不够，至少需要 250 兆的空间！请退出安装程序，删除一些不必要的文件后，再重新安装！\n\n"
              "“D”盘只有 17兆 的剩余空间！");
    EXPECT_NE(wizard::ShortageMessage(int64_t(5) << 30, 3, 0).find("至少需要 5120 兆的空间"), std::string::npos);
    EXPECT_EQ(std::string(wizard::kShortageCaption), "提示");
}

TEST(DriveMove, OnlyPathsOnALetteredDriveTakeTheNewLetter) {
    auto owned = std::make_unique<app::TProductTable>();  // megabytes: not on the stack
    app::TProductTable& table = *owned;
    table.ProductCount = 8;
    table.Products[0].MainPath = "C:\\Shop\\";
    table.Products[1].MainPath = "";
    table.Products[2].MainPath = "D:";
    table.Products[3].MainPath = "C:\\\xB1\\";  // ends in a double-byte character whose second byte is '\'
    table.Products[4].MainPath = "\\\\server\\share\\x\\";
    table.Products[5].MainPath = "Shop\\Bin\\";            // relative
    table.Products[6].MainPath = "\xC9\xCC\xB5\xEA\\";    // "商店\": starts with a double-byte character
    table.Products[7].MainPath = "d:\\tools";
    table.Products[8].MainPath = "C:\\Beyond";  // past ProductCount
    wizard::MoveProductsToDrive(table, 'E', false);
    EXPECT_EQ(table.Products[0].MainPath, "E:\\Shop\\");
    EXPECT_EQ(table.Products[1].MainPath, "");
    EXPECT_EQ(table.Products[2].MainPath, "E:");
    EXPECT_EQ(table.Products[4].MainPath, "\\\\server\\share\\x\\") << "not E\\server\\share";
    EXPECT_EQ(table.Products[5].MainPath, "Shop\\Bin\\");
    EXPECT_EQ(table.Products[6].MainPath, "\xC9\xCC\xB5\xEA\\");
    EXPECT_EQ(table.Products[7].MainPath, "E:\\tools");
    EXPECT_EQ(table.Products[8].MainPath, "C:\\Beyond");
    wizard::MoveProductsToDrive(table, 'F', true);
    EXPECT_EQ(table.Products[0].MainPath, "F:\\Shop");
    EXPECT_EQ(table.Products[3].MainPath, "F:\\\xB1\\") << "a character's second byte is not a separator";
    EXPECT_EQ(table.Products[4].MainPath, "\\\\server\\share\\x\\") << "paths not moved keep their backslash";
    EXPECT_EQ(table.Products[5].MainPath, "Shop\\Bin\\");
    // A "letter" that is none moves nothing.
    wizard::MoveProductsToDrive(table, '\\', true);
    EXPECT_EQ(table.Products[0].MainPath, "F:\\Shop");
}

TEST(DriveMove, DriveLetterOnlyForALetterFollowedByAColon) {
    EXPECT_EQ(wizard::DriveLetterOf("C:\\Shop"), 'C');
    EXPECT_EQ(wizard::DriveLetterOf("e:"), 'E');
    EXPECT_EQ(wizard::DriveLetterOf("z:rel"), 'Z');
    for (const char* path : {"", "C", "\\\\server\\share", "\\Shop", "Shop", "1:\\x", "_WINDIR_\\x", "\xC9\xCC:"})
        EXPECT_EQ(wizard::DriveLetterOf(path), 0) << path;
}

TEST(DriveMove, DriveTypesRefusedForATypedPath) {
    EXPECT_STREQ(wizard::DriveTypeRefusal(os::DriveType::NoRootDir), wizard::kNoSuchDrive);
    EXPECT_STREQ(wizard::DriveTypeRefusal(os::DriveType::Removable), wizard::kOnFloppyDrive);
    EXPECT_STREQ(wizard::DriveTypeRefusal(os::DriveType::Remote), wizard::kOnNetworkDrive);
    EXPECT_STREQ(wizard::DriveTypeRefusal(os::DriveType::CdRom), wizard::kOnCdRomDrive);
    EXPECT_EQ(wizard::DriveTypeRefusal(os::DriveType::Fixed), nullptr);
    EXPECT_EQ(wizard::DriveTypeRefusal(os::DriveType::RamDisk), nullptr);
    EXPECT_EQ(wizard::DriveTypeRefusal(os::DriveType::Unknown), nullptr);
    EXPECT_EQ(wizard::DriveTypeRefusal(static_cast<os::DriveType>(7)), nullptr);
}

}  // namespace
