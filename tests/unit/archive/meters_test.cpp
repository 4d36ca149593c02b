// Progress of loading and extraction as the events and the two meters see it, and aborting from the
// progress events.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "archive/errors.h"
#include "archive/hooks.h"
#include "archive/meters.h"
#include "archive/progress.h"
#include "archive/unzipper.h"
#include "support/test_machine.h"
#include "support/zip_builder.h"

namespace {

using archive::TArUnZipper;
using test_support::ZipBuilder;

// A meter that remembers the value of every repaint.
class RecordingMeter : public archive::TArCustomMeter {
public:
    std::vector<int> painted;

protected:
    void Refresh() override { painted.push_back(Value()); }
};

// A link that remembers what it was told: -1 for a reset, else the value.
class RecordingLink : public archive::TArMeterLink {
public:
    void DoProgress(uint8_t progress) override { calls.push_back(progress); }
    void Reset() override { calls.push_back(-1); }
    std::vector<int> calls;
};

std::string WriteArchive(const ZipBuilder& zip) {
    static int counter = 0;
    std::string path = test_support::MakeTempDir() + "\\P" + std::to_string(++counter) + ".DAT";
    test_support::WriteFile(path, zip.Build());
    return path;
}

ZipBuilder ThreeItems() {
    ZipBuilder zip;
    zip.Add("one.txt", "1");
    zip.Add("two.txt", "22").method = 8;
    zip.Add("three.txt", "333");
    return zip;
}

TEST(Meter, KeepsChangesOnlyAndShowsAFinishedRunEmpty) {
    int messageLoops = 0;
    archive::SetArProcessMessagesHook([&] { ++messageLoops; });
    RecordingMeter meter;
    for (int value : {0, 33, 33, 66, 100, 100, 250, 0, 5}) meter.DoProgress(static_cast<uint8_t>(value));
    archive::SetArProcessMessagesHook(nullptr);
    EXPECT_EQ(meter.painted, (std::vector<int>{33, 66, 0, 5}));
    EXPECT_EQ(meter.Repaints(), 4);
    EXPECT_EQ(messageLoops, 4);
    meter.Reset();
    EXPECT_EQ(meter.Value(), 0);
}

TEST(Meter, ReferencesAreDroppedWhenTheOtherSideGoesAway) {
    auto meter = std::make_unique<RecordingMeter>();
    auto link = std::make_unique<archive::TArVCLMeterLink>();
    link->SetMeter(meter.get());
    link->DoProgress(40);
    EXPECT_EQ(meter->Value(), 40);
    meter.reset();
    EXPECT_EQ(link->Meter(), nullptr);
    link->DoProgress(50);  // nothing to forward to

    TArUnZipper zip;
    zip.SetArchiveProgressMeter(link.get());
    zip.SetItemProgressMeter(link.get());
    link.reset();
    EXPECT_EQ(zip.ArchiveProgressMeter(), nullptr);
    EXPECT_EQ(zip.ItemProgressMeter(), nullptr);
}

TEST(Progress, ArchiveProgressThroughEventAndMeter) {
    RecordingMeter meter;
    archive::TArVCLMeterLink link;
    link.SetMeter(&meter);
    TArUnZipper zip;
    zip.SetArchiveProgressMeter(&link);
    std::vector<int> reported;
    zip.OnArchiveProgress = [&](void*, uint8_t progress, bool&) { reported.push_back(progress); };
    zip.SetBaseDirectory(test_support::MakeTempDir());
    zip.SetFileName(WriteArchive(ThreeItems()));
    EXPECT_EQ(reported, (std::vector<int>{33, 66, 100, 100}));  // loading

    reported.clear();
    meter.painted.clear();
    zip.ExtractFiles("*.*");
    EXPECT_EQ(reported, (std::vector<int>{33, 66, 100, 100}));
    EXPECT_EQ(meter.painted, (std::vector<int>{33, 66, 0}));

    // Items skipped by the mask count as visited.
    reported.clear();
    zip.ExtractFiles("two.txt");
    EXPECT_EQ(reported, (std::vector<int>{33, 66, 100, 100}));
}

TEST(Progress, LoadingReportsEntriesAgainstTheEndRecordsTotal) {
    struct Case {
        uint16_t total;
        std::vector<int> expected;
    };
    // A damaged total of 0 reports 0 instead of dividing by it.
    for (const Case& c : {Case{3, {33, 66, 100, 100}}, Case{2, {50, 100, 150, 100}}, Case{0, {0, 0, 0, 100}}}) {
        ZipBuilder zip = ThreeItems();
        zip.end.totalEntries = c.total;
        TArUnZipper unzipper;
        std::vector<int> reported;
        unzipper.OnArchiveProgress = [&](void*, uint8_t progress, bool&) { reported.push_back(progress); };
        unzipper.SetFileName(WriteArchive(zip));
        EXPECT_EQ(unzipper.Count(), 3);
        EXPECT_EQ(reported, c.expected) << c.total;
    }
}

// The directory's extent, not its end record, decides how many entries are read: a directory of tens of
// millions of entries against a total of at most 65,535 must not overflow before the division.
TEST(Progress, LoadingPercentageOfHugeDirectories) {
    EXPECT_EQ(archive::ArLoadingProgress(30000000, 1000), uint8_t(3000000));  // its low byte, 192
    EXPECT_EQ(archive::ArLoadingProgress(30000000, 65535), uint8_t(45777));
    EXPECT_EQ(archive::ArLoadingProgress(65535, 65535), 100);
    EXPECT_EQ(archive::ArLoadingProgress(100000, 0), 0);
}

TEST(Progress, ItemProgressStartsAtZeroForEachItem) {
    ZipBuilder zip;
    zip.Add("a.bin", std::string(5000, 'a'));
    zip.Add("b.bin", std::string(10, 'b'));
    zip.Add("c.bin", std::string(40000, 'c')).method = 8;
    RecordingLink link;
    TArUnZipper unzipper;
    unzipper.SetItemProgressMeter(&link);
    std::vector<std::pair<std::string, int>> events;
    unzipper.OnArchiveItemProgress = [&](void*, archive::TArArchiveItem* item, uint8_t progress, bool&) {
        events.emplace_back(item->GetFileName(), progress);
    };
    unzipper.SetBaseDirectory(test_support::MakeTempDir());
    unzipper.SetFileName(WriteArchive(zip));
    link.calls.clear();
    unzipper.ExtractFiles("*.*");

    // Stored items: rounded percentages of 1 KB chunks, ending at 100.
    std::vector<int> expectedStart = {-1, 20, 41, 61, 82, 100, -1, 100, -1};
    ASSERT_GE(link.calls.size(), expectedStart.size());
    EXPECT_EQ(std::vector<int>(link.calls.begin(), link.calls.begin() + static_cast<ptrdiff_t>(expectedStart.size())),
              expectedStart);
    // The deflated item reports as its input is read.
    EXPECT_GT(link.calls.size(), expectedStart.size());
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.front(), std::make_pair(std::string("a.bin"), 20));
    EXPECT_EQ(events.back().first, "c.bin");
}

TEST(Progress, EmptyArchiveExtractsWithoutAnyReport) {
    ZipBuilder empty;
    TArUnZipper zip;
    RecordingLink archiveLink, itemLink;
    zip.SetArchiveProgressMeter(&archiveLink);
    zip.SetItemProgressMeter(&itemLink);
    int reports = 0;
    zip.OnArchiveProgress = [&](void*, uint8_t, bool&) { ++reports; };
    zip.SetFileName(WriteArchive(empty));
    EXPECT_EQ(zip.Count(), 0);
    reports = 0;
    archiveLink.calls.clear();
    itemLink.calls.clear();
    zip.ExtractFiles("*.*");
    EXPECT_EQ(reports, 0);
    EXPECT_TRUE(archiveLink.calls.empty());
    EXPECT_TRUE(itemLink.calls.empty());
}

TEST(Abort, FromLoadingProgressLeavesAnInvalidArchive) {
    TArUnZipper zip;
    int loads = 0, changes = 0;
    zip.OnLoad = [&](void*) { ++loads; };
    zip.OnChange = [&](void*) { ++changes; };
    zip.OnArchiveProgress = [&](void*, uint8_t progress, bool& abort) { abort = progress >= 66; };
    EXPECT_THROW(zip.SetFileName(WriteArchive(ThreeItems())), archive::EArUserAbort);
    EXPECT_EQ(zip.Status(), archive::TArArchiveStatus::asInvalid);
    EXPECT_EQ(zip.Count(), 2);
    EXPECT_EQ(loads, 1);
    EXPECT_EQ(changes, 0);
    EXPECT_THROW(zip.ExtractFiles("*.*"), archive::EArNoArchive);
}

TEST(Abort, FromExtractionProgressStopsTheRun) {
    std::string out = test_support::MakeTempDir();
    TArUnZipper zip;
    zip.SetBaseDirectory(out);
    zip.SetFileName(WriteArchive(ThreeItems()));
    zip.OnArchiveProgress = [&](void*, uint8_t progress, bool& abort) { abort = progress == 33; };
    EXPECT_THROW(zip.ExtractFiles("*.*"), archive::EArUserAbort);
    EXPECT_TRUE(test_support::FileExists(out + "\\one.txt"));
    EXPECT_FALSE(test_support::FileExists(out + "\\two.txt"));
    EXPECT_EQ(zip.Status(), archive::TArArchiveStatus::asIdle);
}

TEST(Abort, FromItemProgress) {
    std::string out = test_support::MakeTempDir();
    ZipBuilder zip;
    zip.Add("deflated.bin", std::string(100000, 'd')).method = 8;
    zip.Add("stored.bin", std::string(5000, 's'));
    zip.Add("after.txt", "after");
    TArUnZipper unzipper;
    unzipper.SetBaseDirectory(out);
    std::vector<int> failures;
    unzipper.OnProcessItemFailure = [&](void*, archive::TArArchiveItem*, archive::TArProcessType,
                                        archive::TArErrorClass, int code) { failures.push_back(code); };
    unzipper.OnArchiveItemProgress = [&](void*, archive::TArArchiveItem*, uint8_t progress, bool& abort) {
        abort = progress > 0 && progress < 100;
    };
    unzipper.SetFileName(WriteArchive(zip));
    // The deflate decoder stops early: what was written stays and fails the CRC check. A stored copy
    // stops as a user abort, which ends the archive.
    EXPECT_THROW(unzipper.ExtractFiles("*.*"), archive::EArNoArchive);
    EXPECT_EQ(failures, (std::vector<int>{archive::kArZipBadCRC, archive::kArUserAbort}));
    EXPECT_TRUE(test_support::FileExists(out + "\\deflated.bin"));
    EXPECT_FALSE(test_support::FileExists(out + "\\stored.bin"));
    EXPECT_FALSE(test_support::FileExists(out + "\\after.txt"));
}

}  // namespace
