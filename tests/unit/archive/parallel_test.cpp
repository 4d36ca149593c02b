// Items extracted on several workers: the caller's thread must see exactly what one thread would show
// (every event, meter step and failure report in archive order), and the files must come out the same,
// also when a worker cannot start, an item fails or a handler aborts in the middle of the run.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

#include "archive/errors.h"
#include "archive/extract.h"
#include "archive/hooks.h"
#include "archive/meters.h"
#include "archive/unzipper.h"
#include "support/test_machine.h"
#include "support/zip_builder.h"

namespace {

using test_support::ZipBuilder;

const char* const kPassword = "pluvermak_*&!";

std::vector<uint8_t> Pattern(size_t length, unsigned seed) {
    std::vector<uint8_t> data(length);
    uint32_t x = seed * 2654435761u + 1;
    for (size_t i = 0; i < length; ++i) {
        x = x * 1103515245u + 12345u;
        data[i] = static_cast<uint8_t>(i % 7 == 0 ? x >> 24 : 'a' + (i / 13) % 26);
    }
    return data;
}

// A package of every kind of item the workers take: stored and deflated, plain and encrypted, small and
// large (several progress reports), in folders and at the top, and an empty file.
ZipBuilder MixedPackage() {
    ZipBuilder zip;
    zip.Add("readme.txt", "read me first");
    zip.Add("data/stored.bin", Pattern(5000, 1));
    zip.Add("data/deflated.bin", Pattern(40000, 2)).method = 8;
    auto& fixed = zip.Add("data/fixed.txt", Pattern(3000, 3));
    fixed.method = 8;
    fixed.fixedHuffman = true;
    zip.Add("empty.txt", "");
    auto& secretStored = zip.Add("secret/stored.bin", Pattern(2500, 4));
    secretStored.password = kPassword;
    auto& secretLarge = zip.Add("secret/large.bin", Pattern(120000, 5));
    secretLarge.method = 8;
    secretLarge.password = kPassword;
    for (int i = 0; i < 6; ++i) {
        auto& entry = zip.Add("many/item" + std::to_string(i) + ".txt", Pattern(700 + 900 * size_t(i), 10 + i));
        entry.method = i % 2 ? 8 : 0;
        entry.password = i % 3 ? kPassword : "";
    }
    return zip;
}

// A link that writes what it is told into the run's log.
class LoggingLink : public archive::TArMeterLink {
public:
    LoggingLink(std::vector<std::string>& log, const char* name) : log_(log), name_(name) {}
    void DoProgress(uint8_t progress) override { log_.push_back(name_ + " " + std::to_string(progress)); }
    void Reset() override { log_.push_back(name_ + " reset"); }

private:
    std::vector<std::string>& log_;
    std::string name_;
};

struct RunRecord {
    std::vector<std::string> log;  // every event and meter call, in order
    std::string outcome = "returned";
    std::map<std::string, std::string> files;  // each entry's output: its content, or "(none)"
    int parallelItems = 0;
    int workers = 0;
};

// What a run does besides extracting: when to abort, and what else to prepare.
struct Scenario {
    std::string abortItem;  // abort at the abortAt-th progress report of this item
    int abortAt = 0;
    int abortArchiveAt = -1;  // abort the archive progress report of this value
    std::string raiseOnFailureOf;  // the failure handler raises for this item
    bool test = false;          // TestFiles instead of ExtractFiles
    std::function<void(const std::string& out)> prepare;
};

struct HandlerError : std::runtime_error {
    HandlerError() : std::runtime_error("handler raised") {}
};

RunRecord Extract(const ZipBuilder& zip, int workers, const Scenario& scenario = {}) {
    static int counter = 0;
    std::string home = test_support::MakeTempDir();
    std::string package = home + "\\P" + std::to_string(++counter) + ".DAT";
    test_support::WriteFile(package, zip.Build());
    std::string out = home + "\\out";
    archive::ArCreateDirectory(out);
    if (scenario.prepare) scenario.prepare(out);

    RunRecord run;
    archive::SetArWorkerLimit(workers);
    archive::TArUnZipper unzipper;
    LoggingLink archiveLink(run.log, "archive meter"), itemLink(run.log, "item meter");
    unzipper.SetArchiveProgressMeter(&archiveLink);
    unzipper.SetItemProgressMeter(&itemLink);
    unzipper.SetExtractOptions(archive::eoCreateDirs | archive::eoRestorePath);
    unzipper.SetPassword(kPassword);
    unzipper.SetBaseDirectory(out);
    unzipper.SetFileName(package);
    run.log.clear();

    std::map<std::string, int> reports;
    unzipper.OnArchiveItemProgress = [&](void*, archive::TArArchiveItem* item, uint8_t progress, bool& abort) {
        run.log.push_back(item->GetFileName() + " " + std::to_string(progress));
        abort = item->GetFileName() == scenario.abortItem && ++reports[scenario.abortItem] == scenario.abortAt;
    };
    unzipper.OnArchiveProgress = [&](void*, uint8_t progress, bool& abort) {
        run.log.push_back("archive " + std::to_string(progress));
        abort = progress == scenario.abortArchiveAt;
    };
    unzipper.OnProcessItemFailure = [&](void*, archive::TArArchiveItem* item, archive::TArProcessType,
                                        archive::TArErrorClass errorClass, int code) {
        run.log.push_back(item->GetFileName() + " failed " + std::to_string(static_cast<int>(errorClass)) + " " +
                          std::to_string(code));
        if (item->GetFileName() == scenario.raiseOnFailureOf) throw HandlerError();
    };
    try {
        if (scenario.test) unzipper.TestFiles("*.*");
        else unzipper.ExtractFiles("*.*");
    } catch (const archive::EArNoArchive&) {
        run.outcome = "EArNoArchive";
    } catch (const archive::EArUserAbort&) {
        run.outcome = "EArUserAbort";
    } catch (const HandlerError&) {
        run.outcome = "HandlerError";
    }
    archive::SetArWorkerLimit(0);
    run.parallelItems = unzipper.Archive()->ParallelItems;
    run.workers = unzipper.Archive()->ParallelWorkers;
    EXPECT_FALSE(unzipper.Archive()->Locked());
    for (const auto& entry : zip.entries) {
        std::string path = out + "\\" + entry.name;
        for (char& c : path) c = c == '/' ? '\\' : c;
        // The folders on the way: a run that ends early leaves those it made so far, no others.
        for (size_t slash = entry.name.find('/'); slash != std::string::npos; slash = entry.name.find('/', slash + 1)) {
            const std::string folder = entry.name.substr(0, slash);
            run.files["folder " + folder] = archive::ArDirectoryExists(out + "\\" + folder) ? "(folder)" : "(none)";
        }
        if (!test_support::FileExists(path)) {
            run.files[entry.name] = "(none)";
            continue;
        }
        std::vector<uint8_t> data = test_support::ReadFile(path);
        run.files[entry.name] = std::string(data.begin(), data.end());
    }
    return run;
}

// Where two event logs part, with a few lines of context, since gtest shows only their beginnings.
std::string FirstDifference(const std::vector<std::string>& a, const std::vector<std::string>& b) {
    size_t at = 0;
    while (at < a.size() && at < b.size() && a[at] == b[at]) ++at;
    std::string text = "logs part at line " + std::to_string(at) + ":";
    for (size_t i = at > 3 ? at - 3 : 0; i < at + 4; ++i)
        text += "\n  " + (i < a.size() ? a[i] : "(end)") + "  |  " + (i < b.size() ? b[i] : "(end)");
    return text;
}

// The run on one thread and the run on four workers agree in everything the caller can see.
void ExpectSameAsInLine(const ZipBuilder& zip, const Scenario& scenario, int expectParallelAtLeast = 1) {
    RunRecord inLine = Extract(zip, 1, scenario);
    RunRecord parallel = Extract(zip, 4, scenario);
    EXPECT_EQ(inLine.workers, 0);
    EXPECT_EQ(inLine.parallelItems, 0);
    if (expectParallelAtLeast > 0) {
        EXPECT_GE(parallel.workers, 2);
    }
    EXPECT_GE(parallel.parallelItems, expectParallelAtLeast);
    EXPECT_EQ(parallel.outcome, inLine.outcome);
    EXPECT_EQ(parallel.log, inLine.log) << FirstDifference(parallel.log, inLine.log);
    EXPECT_EQ(parallel.files, inLine.files);
}

class ParallelItems : public testing::Test {
protected:
    void TearDown() override {
        archive::SetArWorkerLimit(0);
        archive::SetArThreadStartHook(nullptr);
    }
};

TEST_F(ParallelItems, EventsMeterStepsAndFilesComeInArchiveOrder) {
    ZipBuilder zip = MixedPackage();
    RunRecord inLine = Extract(zip, 1);
    RunRecord parallel = Extract(zip, 4);
    EXPECT_EQ(parallel.parallelItems, static_cast<int>(zip.entries.size()));
    EXPECT_EQ(parallel.log, inLine.log);
    EXPECT_EQ(parallel.files, inLine.files);
    for (const auto& entry : zip.entries)
        EXPECT_EQ(parallel.files[entry.name], std::string(entry.data.begin(), entry.data.end())) << entry.name;
    // The large encrypted item reports once per 16 KB of input.
    int largeReports = 0;
    for (const std::string& line : parallel.log) largeReports += line.rfind("secret/large.bin ", 0) == 0;
    EXPECT_GE(largeReports, 3);

    Scenario testing;
    testing.test = true;
    ExpectSameAsInLine(zip, testing);
}

TEST_F(ParallelItems, RepeatedRunsGiveTheSameResult) {
    ZipBuilder zip = MixedPackage();
    RunRecord first = Extract(zip, 4);
    for (int i = 0; i < 3; ++i) {
        RunRecord again = Extract(zip, 4);
        EXPECT_EQ(again.log, first.log);
        EXPECT_EQ(again.files, first.files);
    }
}

// Workers that cannot start leave their share to the others, or every item to the caller's thread.
TEST_F(ParallelItems, WorkersThatCannotStartLeaveTheWorkToOthers) {
    ZipBuilder zip = MixedPackage();
    RunRecord inLine = Extract(zip, 1);
    for (int allowed : {0, 1, 2}) {
        SCOPED_TRACE("workers that start: " + std::to_string(allowed));
        int started = 0;
        archive::SetArThreadStartHook([&](const char* purpose) {
            if (std::string(purpose) == "extract-worker" && started++ >= allowed)
                throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
        });
        RunRecord run = Extract(zip, 4);
        archive::SetArThreadStartHook(nullptr);
        EXPECT_EQ(run.workers, allowed);
        EXPECT_EQ(run.parallelItems, allowed ? static_cast<int>(zip.entries.size()) : 0);
        EXPECT_EQ(run.log, inLine.log);
        EXPECT_EQ(run.files, inLine.files);
    }
}

// Failing items among parallel ones are reported where they stand, exactly as in line.
TEST_F(ParallelItems, FailingItemsAreReportedInTheirPlace) {
    ZipBuilder zip = MixedPackage();
    zip.entries[2].localSignature = 0x04034B51;                    // damaged local header
    zip.entries[3].crc = 0x12345678;                               // CRC mismatch: the file stays
    zip.entries[8].payload = std::vector<uint8_t>{0xFF, 0xFF, 0xFF};  // corrupt deflate data
    zip.entries[8].method = 8;
    // Deflate data that ends half-way: found only after several progress reports the caller may already
    // have made from the worker's record.
    auto& cut = zip.Add("data/cut.bin", Pattern(120000, 6));
    cut.method = 8;
    cut.payload = test_support::DeflateStoredBlocks(cut.data, 8000);
    cut.payload->resize(cut.payload->size() / 2);
    auto& unsafe = zip.Add("../outside.txt", "refused");
    unsafe.method = 8;
    auto& last = zip.Add("last.bin", Pattern(3000, 99));
    last.method = 8;
    last.password = "another password";  // a user abort that ends the archive
    ExpectSameAsInLine(zip, {});
    // The decoder read past the end of the cut item's data; its meter still stops at 100.
    for (const std::string& line : Extract(zip, 4).log) {
        if (line.rfind("data/cut.bin ", 0) == 0 && line.find("failed") == std::string::npos) {
            EXPECT_LE(std::stoi(line.substr(13)), 100) << line;
        }
    }
}

// Runs of encrypted deflated items, which workers and the prefetcher decrypt several at once before
// decoding them (or, after an item too long to be read whole, alongside its blocks): damaged data or a
// wrong CRC inside such a group is reported in its place as in line, and the other items of the group
// come out whole.
TEST_F(ParallelItems, EncryptedItemsDecryptedTogetherComeOutAsInLine) {
    ZipBuilder zip;
    for (int i = 0; i < 11; ++i) {
        // Items 0 and 6 are over 1 MiB even deflated (stored blocks).
        const size_t size = i % 6 == 0 ? 1100000 : 300 + 7000 * size_t(i % 5);
        auto& entry = zip.Add("enc/item" + std::to_string(i) + ".bin", Pattern(size, 30 + i));
        entry.method = 8;
        entry.password = kPassword;
    }
    zip.entries[3].payload = std::vector<uint8_t>{0xFF, 0xFF, 0xFF};  // damaged deflate data
    zip.entries[6].crc = 0x12345678;                                   // CRC mismatch: the file stays
    zip.entries[8].crc = 0x12345678;
    ExpectSameAsInLine(zip, {});
    RunRecord run = Extract(zip, 4);
    for (size_t i = 0; i < zip.entries.size(); ++i) {
        const auto& entry = zip.entries[i];
        const std::string expected = i == 3 ? "(none)" : std::string(entry.data.begin(), entry.data.end());
        EXPECT_EQ(run.files[entry.name], expected) << entry.name;
    }
    Scenario abort;
    abort.abortItem = "enc/item5.bin";
    abort.abortAt = 1;
    ExpectSameAsInLine(zip, abort);
}

TEST_F(ParallelItems, AWrongPasswordInTheMiddleEndsTheRunAndUndoesTheWorkDoneAhead) {
    ZipBuilder zip = MixedPackage();
    zip.entries[5].password = "another password";
    Scenario scenario;
    ExpectSameAsInLine(zip, scenario);
    RunRecord parallel = Extract(zip, 4);
    EXPECT_EQ(parallel.outcome, "EArNoArchive");
    EXPECT_EQ(parallel.files["secret/large.bin"], "(none)");  // decoded ahead, then removed
    EXPECT_EQ(parallel.files["many/item5.txt"], "(none)");
}

// An Abort from the caller's handlers, given while workers run ahead: the run ends as in line, the files
// of later items are gone, and an item aborted in the middle ends as it would in line.
TEST_F(ParallelItems, AbortFromAHandlerWhileWorkersRun) {
    ZipBuilder zip = MixedPackage();
    Scenario archiveAbort;
    archiveAbort.abortArchiveAt = 23;  // after the third item
    ExpectSameAsInLine(zip, archiveAbort);

    Scenario deflatedAbort;  // the decoder stops: the item fails its CRC check, later items go on
    deflatedAbort.abortItem = "secret/large.bin";
    deflatedAbort.abortAt = 2;
    ExpectSameAsInLine(zip, deflatedAbort);

    Scenario storedAbort;  // a stored copy stops as a user abort, which ends the archive
    storedAbort.abortItem = "data/stored.bin";
    storedAbort.abortAt = 2;
    ExpectSameAsInLine(zip, storedAbort);

    Scenario raising;  // a failure handler that raises leaves the run at once
    raising.raiseOnFailureOf = "data/fixed.txt";
    zip.entries[3].crc = 0x12345678;
    ExpectSameAsInLine(zip, raising);
    EXPECT_EQ(Extract(zip, 4, raising).files["many/item0.txt"], "(none)");
}

// An existing output file is replaced in line, never by a worker ahead of time: a run that ends early must
// leave it as it was.
TEST_F(ParallelItems, ExistingFilesStayUntilTheirTurn) {
    ZipBuilder zip = MixedPackage();
    Scenario scenario;
    scenario.abortArchiveAt = 23;
    scenario.prepare = [](const std::string& out) {
        archive::ArCreateDirectory(out + "\\many");
        test_support::WriteFile(out + "\\many\\item3.txt", "the user's own file");
        test_support::WriteFile(out + "\\readme.txt", "an older readme");
    };
    ExpectSameAsInLine(zip, scenario, 0);
    RunRecord run = Extract(zip, 4, scenario);
    EXPECT_EQ(run.files["many/item3.txt"], "the user's own file");
    EXPECT_EQ(run.files["readme.txt"], "read me first");

    scenario.abortArchiveAt = -1;
    RunRecord whole = Extract(zip, 4, scenario);
    EXPECT_EQ(whole.parallelItems, static_cast<int>(zip.entries.size()) - 2);
    EXPECT_EQ(whole.files["many/item3.txt"], std::string(zip.entries[10].data.begin(), zip.entries[10].data.end()));
}

// Items whose output depends on the order of writing stay in line: two items of one name, and a file
// where another item needs a folder.
TEST_F(ParallelItems, ItemsWhoseOrderMattersStayInLine) {
    ZipBuilder zip = MixedPackage();
    zip.Add("DATA/Stored.bin", "the same file again, later");
    RunRecord run = Extract(zip, 4);
    EXPECT_EQ(run.parallelItems, static_cast<int>(zip.entries.size()) - 2);
    ExpectSameAsInLine(zip, {});

    ZipBuilder clash = MixedPackage();
    clash.Add("readme.txt/below.txt", "needs readme.txt as a folder");
    RunRecord clashing = Extract(clash, 4);
    EXPECT_EQ(clashing.parallelItems, 0);
    ExpectSameAsInLine(clash, {}, 0);
}

}  // namespace
