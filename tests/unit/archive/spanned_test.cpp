// Spanned sets: volumes found by generated names or through the image event, a central directory that
// starts on an earlier volume than the end record and crosses a volume border, item data crossing
// borders, missing volumes, removable disks, and ordinary archives that must never ask for a volume.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "archive/errors.h"
#include "archive/hooks.h"
#include "archive/span_stream.h"
#include "archive/unzipper.h"
#include "os/machine.h"
#include "support/test_machine.h"
#include "support/zip_builder.h"

#ifndef _WIN32
#include "os/sim/sim_machine.h"
#endif

namespace {

using archive::TArUnZipper;
using test_support::ZipBuilder;

std::string ReadText(const std::string& path) {
    std::vector<uint8_t> data = test_support::ReadFile(path);
    return {data.begin(), data.end()};
}

std::string Pattern(size_t length, char seed) {
    std::string text(length, ' ');
    for (size_t i = 0; i < length; ++i) text[i] = static_cast<char>(seed + (i * 13 + i / 7) % 26);
    return text;
}

// Four items; the directory lists them last to first so extraction goes back over the volumes.
ZipBuilder FourItems() {
    ZipBuilder zip;
    zip.spannedMarker = true;
    zip.Add("A.TXT", Pattern(3000, 'a'));
    zip.Add("dir/B.TXT", Pattern(2500, 'b')).method = 8;
    zip.Add("C.TXT", Pattern(1800, 'c'));
    zip.Add("D.TXT", "small");
    zip.directoryOrder = {3, 2, 1, 0};
    return zip;
}

// Records message boxes; answers with the given button.
struct MessageBoxes {
    explicit MessageBoxes(int answer) {
        archive::SetArMessageBoxHook([this, answer](const std::string& text, const std::string& caption, unsigned) {
            shown.push_back(caption + ": " + text);
            return answer;
        });
    }
    ~MessageBoxes() { archive::SetArMessageBoxHook(nullptr); }
    std::vector<std::string> shown;
};

void WriteVolumes(const std::string& dir, const std::vector<std::vector<uint8_t>>& volumes) {
    std::string first = dir + "\\SETUP.DAT";
    for (size_t i = 0; i < volumes.size(); ++i)
        test_support::WriteFile(i == 0 ? first : archive::ArIncFilename(first, static_cast<int>(i)), volumes[i]);
}

void ExpectAllExtracted(TArUnZipper& zip, const std::string& out) {
    std::vector<int> failures;
    zip.OnProcessItemFailure = [&](void*, archive::TArArchiveItem*, archive::TArProcessType, archive::TArErrorClass,
                                   int code) { failures.push_back(code); };
    zip.SetBaseDirectory(out);
    zip.SetExtractOptions(archive::eoCreateDirs | archive::eoRestorePath);
    zip.ExtractFiles("*.*");
    EXPECT_TRUE(failures.empty());
    EXPECT_EQ(ReadText(out + "\\A.TXT"), Pattern(3000, 'a'));
    EXPECT_EQ(ReadText(out + "\\dir\\B.TXT"), Pattern(2500, 'b'));
    EXPECT_EQ(ReadText(out + "\\C.TXT"), Pattern(1800, 'c'));
    EXPECT_EQ(ReadText(out + "\\D.TXT"), "small");
}

TEST(SpannedSet, ThreeVolumesFoundByTheirNames) {
    ZipBuilder zip = FourItems();
    test_support::ZipLayout layout = zip.Layout();
    const uint64_t bData = layout.localOffsets[1] + 30 + 9;
    const uint64_t cHeader = layout.localOffsets[2];
    const uint64_t dir = layout.directoryOffset;
    // The first border inside B's data or inside C's local header; the second inside the second central
    // header or right between two of them. The directory starts on volume 1 and ends on volume 2.
    struct Borders {
        uint64_t first, second;
    };
    for (Borders b : {Borders{bData + 1000, dir + 46 + 5 + 10}, Borders{bData + 1, dir + 46 + 5},
                      Borders{cHeader + 7, dir + 2 * 46 + 5 + 5 + 3}, Borders{dir - 1, layout.endOffset - 1}}) {
        SCOPED_TRACE(testing::Message() << "borders " << b.first << ", " << b.second);
        std::string home = test_support::MakeTempDir();
        std::vector<std::vector<uint8_t>> volumes = zip.BuildVolumes({b.first, b.second});
        WriteVolumes(home, volumes);

        MessageBoxes boxes(archive::kMbOk);
        TArUnZipper unzipper;
        unzipper.SetFileName(home + "\\SETUP.DAT");
        EXPECT_TRUE(unzipper.Spanned());
        const auto& footer = static_cast<archive::TArZipArchive*>(unzipper.Archive())->Footer;
        EXPECT_EQ(footer.StartDiskNumber, 1);
        EXPECT_EQ(footer.DiskNumber, 2);
        ASSERT_EQ(unzipper.Count(), 4);
        EXPECT_EQ(unzipper.GetItem(0)->GetFileName(), "D.TXT");
        EXPECT_EQ(unzipper.GetItem(2)->GetFileName(), "dir/B.TXT");
        EXPECT_EQ(unzipper.GetItem(3)->Header.DiskNumberStart, 0);
        ExpectAllExtracted(unzipper, test_support::MakeTempDir());
        // Extracting again starts from wherever the last run left the stream.
        ExpectAllExtracted(unzipper, test_support::MakeTempDir());
        EXPECT_TRUE(boxes.shown.empty());
    }
}

TEST(SpannedSet, MissingVolumesAreReported) {
    ZipBuilder zip = FourItems();
    test_support::ZipLayout layout = zip.Layout();
    std::vector<std::vector<uint8_t>> volumes =
        zip.BuildVolumes({layout.localOffsets[1] + 500, layout.directoryOffset + 60});
    for (int missing : {1, 2}) {
        SCOPED_TRACE(missing);
        std::string home = test_support::MakeTempDir();
        WriteVolumes(home, volumes);
        ASSERT_TRUE(os::files().deleteFile(archive::ArIncFilename(home + "\\SETUP.DAT", missing)));
        TArUnZipper unzipper;
        EXPECT_THROW(unzipper.SetFileName(home + "\\SETUP.DAT"), archive::EArFileNotFound);
    }
}

TEST(SpannedSet, VolumesNamedByTheImageEvent) {
    ZipBuilder zip = FourItems();
    test_support::ZipLayout layout = zip.Layout();
    std::vector<std::vector<uint8_t>> volumes =
        zip.BuildVolumes({layout.localOffsets[1] + 500, layout.directoryOffset + 60});
    std::string home = test_support::MakeTempDir();
    for (size_t i = 0; i < volumes.size(); ++i)
        test_support::WriteFile(home + "\\part" + std::to_string(i) + ".bin", volumes[i]);
    test_support::WriteFile(home + "\\SETUP.DAT", volumes[0]);

    TArUnZipper unzipper;
    std::vector<int> requested;
    unzipper.OnRequestImage = [&](void*, int number, std::string& name, bool&) {
        requested.push_back(number);
        name = home + "\\part" + std::to_string(number < 0 ? 2 : number) + ".bin";
    };
    unzipper.SetFileName(home + "\\SETUP.DAT");
    ASSERT_EQ(unzipper.Count(), 4);
    EXPECT_EQ(requested, (std::vector<int>{-1, 1, 2}));
    // Only the volumes the items need: D and C on 1, B from 0 into 1, A on 0. The deflate decoder's
    // read-ahead must not run on into volume 2.
    requested.clear();
    ExpectAllExtracted(unzipper, test_support::MakeTempDir());
    EXPECT_EQ(requested, (std::vector<int>{1, 0, 1, 0}));

    // Refusing the request for the last volume.
    TArUnZipper refused;
    refused.OnRequestImage = [](void*, int, std::string&, bool& abort) { abort = true; };
    EXPECT_NO_THROW(refused.SetFileName(home + "\\SETUP.DAT"));
    EXPECT_EQ(refused.Count(), 0);
}

TEST(SpannedSet, SingleVolumeWrittenInSpanningMode) {
    ZipBuilder zip = FourItems();
    std::vector<uint8_t> bytes = zip.Build();
    bytes[2] = '0';
    bytes[3] = '0';
    std::string home = test_support::MakeTempDir();
    test_support::WriteFile(home + "\\SETUP.DAT", bytes);
    TArUnZipper unzipper;
    unzipper.SetFileName(home + "\\SETUP.DAT");
    EXPECT_TRUE(unzipper.Spanned());
    ASSERT_EQ(unzipper.Count(), 4);
    ExpectAllExtracted(unzipper, test_support::MakeTempDir());
}

TEST(OrdinaryArchive, ReadingPastItsEndIsAShortReadNeverAVolumeRequest) {
    ZipBuilder zip;
    zip.Add("first.txt", "first");
    auto& overlong = zip.Add("overlong.txt", "claims to be far longer");
    overlong.uncompressedSize = 100000;
    std::string home = test_support::MakeTempDir();
    test_support::WriteFile(home + "\\SETUP.DAT", zip.Build());

    MessageBoxes boxes(archive::kMbOk);
    TArUnZipper unzipper;
    std::vector<int> failures;
    unzipper.OnProcessItemFailure = [&](void*, archive::TArArchiveItem*, archive::TArProcessType,
                                        archive::TArErrorClass, int code) { failures.push_back(code); };
    std::string out = test_support::MakeTempDir();
    unzipper.SetBaseDirectory(out);
    unzipper.SetFileName(home + "\\SETUP.DAT");
    unzipper.ExtractFiles("*.*");
    EXPECT_FALSE(unzipper.Spanned());
    EXPECT_EQ(failures, std::vector<int>{archive::kArZipBadCRC});
    EXPECT_EQ(ReadText(out + "\\first.txt"), "first");
    EXPECT_TRUE(boxes.shown.empty());

    archive::TArSpanStream stream(home + "\\SETUP.DAT", os::kOpenRead | os::kShareDenyNone,
                                  archive::TArMediaType::mtLocal);
    std::vector<uint8_t> buffer(static_cast<size_t>(stream.GetSize()) + 100);
    stream.SetPosition(10);
    EXPECT_EQ(stream.Read(buffer.data(), static_cast<int64_t>(buffer.size())), stream.GetSize() - 10);
    EXPECT_EQ(stream.Read(buffer.data(), 1), 0);
}

TEST(VolumeNames, ExtensionTakesTheVolumeNumber) {
    EXPECT_EQ(archive::ArIncFilename("C:\\SETUP.DAT", 1), "C:\\SETUP.D01");
    EXPECT_EQ(archive::ArIncFilename("C:\\SETUP.DAT", 12), "C:\\SETUP.D12");
    EXPECT_EQ(archive::ArIncFilename("C:\\SETUP.DAT", 123), "C:\\SETUP.D23");
    EXPECT_EQ(archive::ArIncFilename("C:\\DIR.X\\SETUP", 7), "C:\\DIR.X\\SETUP.07");
}

#ifndef _WIN32
// A drive of the simulated machine that reports itself removable, holding a fresh folder.
std::string RemovableDrive() {
    auto& sim = static_cast<os::sim::SimMachine&>(os::machine());
    std::string folder = test_support::MakeTempDir();
    std::optional<std::string> host = sim.hostPath(folder);
    EXPECT_TRUE(host.has_value());
    sim.addDrive('R', {os::DriveType::Removable, *host});
    return "R:";
}

TEST(RemovableDisks, FirstDiskWithoutTheLastOneCancelled) {
    std::string drive = RemovableDrive();
    ZipBuilder zip = FourItems();
    test_support::ZipLayout layout = zip.Layout();
    test_support::WriteFile(drive + "\\SETUP.DAT", zip.BuildVolumes({layout.directoryOffset})[0]);

    MessageBoxes boxes(archive::kMbCancel);
    TArUnZipper unzipper;
    EXPECT_NO_THROW(unzipper.SetFileName(drive + "\\SETUP.DAT"));
    EXPECT_EQ(unzipper.Count(), 0);
    EXPECT_EQ(boxes.shown, std::vector<std::string>{"Insert floppy: Insert the last disk in the spanned disk set"});
}

TEST(RemovableDisks, ItemOnAnotherDiskCancelled) {
    std::string drive = RemovableDrive();
    ZipBuilder zip;
    zip.Add("first-disk.txt", "on disk 1");
    zip.Add("last-disk.txt", "on disk 2");
    zip.directoryOrder = {1, 0};
    test_support::ZipLayout layout = zip.Layout();
    // The second disk holds the second item and the directory.
    test_support::WriteFile(drive + "\\SETUP.DAT", zip.BuildVolumes({layout.localOffsets[1]})[1]);

    MessageBoxes boxes(archive::kMbCancel);
    TArUnZipper unzipper;
    std::vector<int> failures;
    unzipper.OnProcessItemFailure = [&](void*, archive::TArArchiveItem*, archive::TArProcessType,
                                        archive::TArErrorClass, int code) { failures.push_back(code); };
    std::string out = test_support::MakeTempDir();
    unzipper.SetBaseDirectory(out);
    unzipper.SetFileName(drive + "\\SETUP.DAT");
    EXPECT_TRUE(unzipper.Spanned());
    ASSERT_EQ(unzipper.Count(), 2);
    unzipper.ExtractFiles("*.*");
    EXPECT_EQ(ReadText(out + "\\last-disk.txt"), "on disk 2");
    EXPECT_FALSE(test_support::FileExists(out + "\\first-disk.txt"));
    EXPECT_EQ(failures, std::vector<int>{archive::kArUserAbort});
    EXPECT_EQ(unzipper.Status(), archive::TArArchiveStatus::asInvalid);
    EXPECT_EQ(boxes.shown, std::vector<std::string>{"Insert floppy: Insert disk number 1 of the spanned disk set"});
}

// A drive whose disk can be changed: each disk is a folder of its own holding SETUP.DAT, and inserting one
// maps the removable drive R: onto it, as changing floppies would.
class DiskDrive {
public:
    explicit DiskDrive(const std::vector<std::vector<uint8_t>>& disks) {
        for (const auto& disk : disks) {
            std::string folder = test_support::MakeTempDir();
            test_support::WriteFile(folder + "\\SETUP.DAT", disk);
            std::optional<std::string> host = Sim().hostPath(folder);
            EXPECT_TRUE(host.has_value());
            hosts_.push_back(host.value_or(""));
        }
    }
    // Disk number counts from 0.
    void Insert(size_t disk) {
        Sim().addDrive('R', {os::DriveType::Removable, hosts_.at(disk)});
        inDrive = disk;
    }
    size_t inDrive = 0;

private:
    static os::sim::SimMachine& Sim() { return static_cast<os::sim::SimMachine&>(os::machine()); }
    std::vector<std::string> hosts_;
};

// Three disks: C on the first, A running from the first onto the second, B on the second, the directory
// on the third. The directory lists A, C, B: after A the drive holds the second disk, so C needs the first
// one again and B the second.
TEST(RemovableDisks, RequestsFollowTheDiskInTheDrive) {
    ZipBuilder zip;
    zip.spannedMarker = true;
    zip.Add("A.TXT", Pattern(3000, 'a'));
    zip.Add("B.TXT", Pattern(900, 'b')).method = 8;
    zip.Add("C.TXT", Pattern(1200, 'c'));
    zip.fileOrder = {2, 0, 1};
    zip.directoryOrder = {0, 2, 1};
    test_support::ZipLayout layout = zip.Layout();
    DiskDrive drive(zip.BuildVolumes({layout.localOffsets[0] + 30 + 5 + 1500, layout.directoryOffset}));
    drive.Insert(0);

    MessageBoxes boxes(archive::kMbCancel);
    std::vector<std::string> requests;
    TArUnZipper unzipper;
    unzipper.OnRequestLastDisk = [&](void*, bool& abort) {
        requests.push_back("last");
        drive.Insert(2);
        abort = false;
    };
    bool refuse = false;
    unzipper.OnRequestNthDisk = [&](void*, uint8_t disk, bool& abort) {
        requests.push_back(std::to_string(disk));
        abort = refuse;
        if (!refuse) drive.Insert(size_t(disk) - 1);
    };
    unzipper.SetFileName("R:\\SETUP.DAT");
    EXPECT_TRUE(unzipper.Spanned());
    ASSERT_EQ(unzipper.Count(), 3);
    EXPECT_EQ(requests, std::vector<std::string>{"last"});

    std::string out = test_support::MakeTempDir();
    std::vector<int> failures;
    unzipper.OnProcessItemFailure = [&](void*, archive::TArArchiveItem*, archive::TArProcessType,
                                        archive::TArErrorClass, int code) { failures.push_back(code); };
    unzipper.SetBaseDirectory(out);
    unzipper.ExtractFiles("*.*");
    EXPECT_TRUE(failures.empty());
    EXPECT_EQ(ReadText(out + "\\A.TXT"), Pattern(3000, 'a'));
    EXPECT_EQ(ReadText(out + "\\B.TXT"), Pattern(900, 'b'));
    EXPECT_EQ(ReadText(out + "\\C.TXT"), Pattern(1200, 'c'));
    // A asks for the first disk and, reading on, for the second; C for the first again; B for the second.
    // No request names the disk already in the drive.
    EXPECT_EQ(requests, (std::vector<std::string>{"last", "1", "2", "1", "2"}));
    EXPECT_TRUE(boxes.shown.empty());

    // Extracting again starts from the second disk, still in the drive.
    requests.clear();
    unzipper.SetBaseDirectory(test_support::MakeTempDir());
    unzipper.ExtractFiles("*.*");
    EXPECT_TRUE(failures.empty());
    EXPECT_EQ(requests, (std::vector<std::string>{"1", "2", "1", "2"}));

    // Refusing the disk an item needs: that item fails as aborted, and the archive goes invalid.
    refuse = true;
    requests.clear();
    unzipper.ExtractFiles("A.TXT");
    EXPECT_EQ(requests, std::vector<std::string>{"1"});
    EXPECT_EQ(failures, std::vector<int>{archive::kArUserAbort});
    EXPECT_EQ(unzipper.Status(), archive::TArArchiveStatus::asInvalid);
}
#endif

}  // namespace
