// The fault matrix: the sample medium installed by setupcheck simulate on a machine that meets a full
// disk, a scratched disc, a disc taken out, locked files, folders and keys it may not change, each at
// several points of the run (start-up, every stage, each boot file). Every run must end with a complete
// report, name what failed with its path or key and Windows error, and lose nothing: the boot files, the
// INI file and the program the setup changes end as they were or as a run without faults leaves them,
// a changed boot file has its complete backup, the uninstaller's lists name only files that are there,
// and nothing is written outside what a run without faults writes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "setupcheck/report.h"
#include "setupcheck/simulate.h"

namespace fs = std::filesystem;
using namespace setupcheck;

namespace {

const fs::path kSamples = fs::path(__FILE__).parent_path() / "../../../samples";

std::string ReadHost(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteHost(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

// The files the setup changes in place, as the machine holds them before the run (host paths below the
// root, drive folders in lower case).
const std::map<std::string, std::string> kBefore = {
    {"c/AUTOEXEC.BAT", "@ECHO OFF\r\nPATH C:\\DOS\r\n\x1A"},  // ends in a DOS end-of-file mark
    {"c/CONFIG.SYS", "FILES=40\r\nBUFFERS=20"},
    {"c/WINDOWS/THDSN.INI", "[Old Source]\r\nServer=OLD\r\n"},
    {"c/WINDOWS/Tavrun2.EXE", "an earlier uninstaller"},
};

// The host file of a Windows path below root, names matched without case; "" when there is none.
fs::path HostOf(const fs::path& root, const std::string& windowsPath) {
    if (windowsPath.size() < 3 || windowsPath[1] != ':') return {};
    fs::path host = root / std::string(1, char(std::tolower(static_cast<unsigned char>(windowsPath[0]))));
    std::stringstream rest(windowsPath.substr(3));
    std::string name;
    while (std::getline(rest, name, '\\')) {
        if (name.empty()) continue;
        std::error_code error;
        fs::path found;
        for (const auto& entry : fs::directory_iterator(host, error)) {
            const std::string candidate = entry.path().filename().string();
            if (candidate.size() == name.size() &&
                std::equal(candidate.begin(), candidate.end(), name.begin(), [](char a, char b) {
                    return std::toupper(static_cast<unsigned char>(a)) == std::toupper(static_cast<unsigned char>(b));
                }))
                found = entry.path();
        }
        if (found.empty()) return {};
        host = found;
    }
    return host;
}

class FaultMatrix : public testing::Test {
protected:
    static void SetUpTestSuite() {
        std::string pattern = (fs::temp_directory_path() / "fault-matrix-XXXXXX").string();
        ASSERT_TRUE(mkdtemp(pattern.data()));
        work_ = pattern;
        const std::string command = "'" + (kSamples / "build-medium").string() + "' '" + (work_ / "medium").string() + "' >/dev/null";
        ASSERT_EQ(std::system(command.c_str()), 0) << "samples/build-medium failed";
        baseline_ = new Outcome(Run("baseline", ""));
        ASSERT_EQ(baseline_->report.failures.size(), 0u);
        ASSERT_EQ(baseline_->report.endKind, "closed");
    }
    static void TearDownTestSuite() {
        delete baseline_;
        baseline_ = nullptr;
        fs::remove_all(work_);
    }

    struct Outcome {
        Report report;
        fs::path root;
        std::map<std::string, std::string> files;  // the files of kBefore and their backups after the run
    };

    static Outcome Run(const std::string& name, const std::string& faults) {
        Outcome outcome;
        outcome.root = work_ / name;
        fs::remove_all(outcome.root);
        for (const auto& [path, bytes] : kBefore) WriteHost(outcome.root / path, bytes);
        fs::create_directories(outcome.root / "e");
        WriteHost(work_ / (name + ".ini"), "[Faults]\n" + faults);
        SimulateOptions options;
        options.medium = (work_ / "medium").string();
        options.sessionFile = (kSamples / "sessions/install.txt").string();
        options.machineFile = (work_ / (name + ".ini")).string();
        options.root = outcome.root.string();
        options.inPlace = true;
        outcome.report = Simulate(options);
        for (const auto& [path, bytes] : kBefore) outcome.files[path] = ReadHost(outcome.root / path);
        for (const char* backup : {"c/AUTOEXEC.CHT", "c/CONFIG.CHT"})
            if (fs::exists(outcome.root / backup)) outcome.files[backup] = ReadHost(outcome.root / backup);
        return outcome;
    }

    // Runs the setup under faults and checks what every run must hold. fileFault: the failures come from
    // the file system and name its error.
    Outcome Check(const std::string& name, const std::string& faults, bool fileFault = true) {
        SCOPED_TRACE(name + ": " + faults);
        Outcome outcome = Run(name, faults);
        const Report& report = outcome.report;
        const Report& baseline = baseline_->report;

        // A complete report: the run ended by itself or in its error box, never for want of actions.
        EXPECT_TRUE(report.endKind == "closed" || report.endKind == "error") << report.endKind;

        // The files changed in place: as they were or as the run without faults leaves them.
        for (const auto& [path, bytes] : kBefore) {
            const std::string& now = outcome.files[path];
            EXPECT_TRUE(now == bytes || now == baseline_->files.at(path)) << path << " holds: " << now;
        }
        // A changed boot file has its complete backup.
        for (const auto& [file, backup] :
             {std::pair{"c/AUTOEXEC.BAT", "c/AUTOEXEC.CHT"}, {"c/CONFIG.SYS", "c/CONFIG.CHT"}}) {
            if (outcome.files[file] != kBefore.at(file)) {
                EXPECT_EQ(outcome.files[backup], kBefore.at(file)) << backup;
            }
        }

        // Nothing outside what a run without faults writes, and no file left half-written under a name of
        // its own.
        for (const auto& [path, file] : report.changes.files) {
            EXPECT_TRUE(baseline.changes.files.count(path)) << "written outside the targets: " << path;
        }
        EXPECT_TRUE(report.changes.deleted.empty());

        // The uninstaller's lists name files that are there.
        for (const auto& [key, values] : report.changes.registry) {
            if (!values || key.find("UninstallInfo") == std::string::npos) continue;
            for (const auto& [value, data] : *values) {
                if (data) {
                    EXPECT_FALSE(HostOf(outcome.root, *data).empty())
                        << key << "|" << value << " lists a missing " << *data;
                }
            }
        }

        // What went wrong is said: a message, an error box or a failure naming the Windows error.
        const bool sameAsBaseline = report.changes.files.size() == baseline.changes.files.size() &&
                                    report.changes.registry == baseline.changes.registry &&
                                    report.changes.links.size() == baseline.changes.links.size();
        if (!sameAsBaseline) {
            EXPECT_FALSE(report.failures.empty() && report.messages.empty()) << "changes differ, but nothing was said";
        }
        if (fileFault) {
            for (const std::string& failure : report.failures) {
                EXPECT_NE(failure.find("Windows error"), std::string::npos) << failure;
            }
        }
        return outcome;
    }

    static bool Mentions(const Report& report, const std::string& text) {
        for (const std::string& failure : report.failures)
            if (failure.find(text) != std::string::npos) return true;
        return false;
    }

    static fs::path work_;
    static Outcome* baseline_;
};

fs::path FaultMatrix::work_;
FaultMatrix::Outcome* FaultMatrix::baseline_ = nullptr;

TEST_F(FaultMatrix, AFullDiskAtEveryPointOfTheRun) {
    // The run writes about 18 KB: full from the start, during the copy stage, at the configuration
    // files, at the boot files, and just before the end.
    for (const char* mib : {"0", "0.002", "0.008", "0.0155", "0.0165", "0.0169", "0.0172"}) {
        Outcome outcome = Check(std::string("full-") + mib, std::string("DiskFull=C,") + mib + "\n");
        for (const std::string& failure : outcome.report.failures)
            EXPECT_NE(failure.find("Windows error 112"), std::string::npos) << failure;
    }
    // Full from the start: nothing of the packages is installed and each item is named.
    Outcome empty = Check("full-start", "DiskFull=C,0\n");
    EXPECT_TRUE(Mentions(empty.report, "extract C:\\TianHeng\\Finance\\BIN\\THCW.EXE from THBIN.DAT failed (Windows error 112)"));
    EXPECT_TRUE(Mentions(empty.report, "Tavrun2.EXE could not be written completely"));
    EXPECT_EQ(empty.files["c/WINDOWS/Tavrun2.EXE"], kBefore.at("c/WINDOWS/Tavrun2.EXE"));
    EXPECT_EQ(empty.files["c/AUTOEXEC.BAT"], kBefore.at("c/AUTOEXEC.BAT"));
}

TEST_F(FaultMatrix, AScratchedDiscAtStartUpAndInEveryPackageRead) {
    // An unreadable description ends the setup as a missing one does, before anything is changed.
    for (const char* file : {"SETUP.INI", "CONFIG.INI", "COMMENT.INI"}) {
        Outcome outcome = Check(std::string("scratch-") + file, std::string("ReadError=E:\\") + file + ",20\n");
        ASSERT_EQ(outcome.report.messages.size(), 1u) << file;
        // "找不到NAME，无法安装！" as the report gives it, in UTF-8.
        EXPECT_EQ(outcome.report.messages[0].text, std::string("\xE6\x89\xBE\xE4\xB8\x8D\xE5\x88\xB0") + file + "\xEF\xBC\x8C\xE6\x97\xA0\xE6\xB3\x95\xE5\xAE\x89\xE8\xA3\x85\xEF\xBC\x81");
        EXPECT_TRUE(outcome.report.changes.files.empty());
    }
    Check("scratch-package", "ReadError=E:\\THBIN.DAT,200\n");
    // A package whose directory cannot be read while start-up totals the packages' sizes (the damage lies
    // in its last entry, before the 22-byte end record): the exception box names the package and the
    // error after the stream's own text.
    const auto size = int64_t(fs::file_size(work_ / "medium" / "THBIN.DAT"));
    Outcome directory =
        Check("scratch-package-directory", "ReadError=E:\\THBIN.DAT," + std::to_string(size - 30) + "\n");
    EXPECT_EQ(directory.report.endKind, "error");
    EXPECT_EQ(directory.report.endMessage, "Stream read error: E:\\THBIN.DAT (Windows error 23)");
    EXPECT_TRUE(directory.report.changes.files.empty());
    Check("scratch-public-package", "ReadError=E:\\THSYS.DAT,300\n");
    Outcome uninstaller = Check("scratch-uninstaller", "ReadError=E:\\Setup.CHT,3\n");
    EXPECT_TRUE(Mentions(uninstaller.report, "Tavrun2.EXE could not be written completely from E:\\Setup.CHT (Windows error 23)"));
    EXPECT_EQ(uninstaller.files["c/WINDOWS/Tavrun2.EXE"], kBefore.at("c/WINDOWS/Tavrun2.EXE"));
}

TEST_F(FaultMatrix, ADiscTakenOutAtEveryPointOfTheRun) {
    for (int reads : {0, 5, 100, 250, 300, 350, 380, 400, 420, 2000})
        Check("not-ready-" + std::to_string(reads), "NotReady=E," + std::to_string(reads) + "\n");
}

TEST_F(FaultMatrix, LockedFilesTheSetupChanges) {
    for (const char* path : {"C:\\AUTOEXEC.BAT", "C:\\CONFIG.SYS", "C:\\WINDOWS\\THDSN.INI", "C:\\WINDOWS\\Tavrun2.EXE"}) {
        Outcome outcome = Check(std::string("locked-") + fs::path(path).filename().string(), std::string("Locked=") + path + "\n");
        EXPECT_TRUE(Mentions(outcome.report, "Windows error 32") || !outcome.report.messages.empty()) << path;
    }
}

TEST_F(FaultMatrix, FoldersTheUserMayNotChange) {
    for (const char* folder : {"C:\\", "C:\\TianHeng\\Trade", "C:\\WINDOWS", "C:\\WINDOWS\\SYSTEM32",
                               "C:\\Documents and Settings"}) {
        Outcome outcome = Check(std::string("deny-") + std::to_string(std::hash<std::string>()(folder)),
                                std::string("DenyWrite=") + folder + "\n");
        EXPECT_TRUE(Mentions(outcome.report, "Windows error 5") || !outcome.report.messages.empty()) << folder;
    }
}

TEST_F(FaultMatrix, KeysTheUserMayNotChange) {
    for (const char* key : {"HKLM", "HKLM\\SOFTWARE\\Tessarine", "HKLM\\SOFTWARE\\TianHeng",
                            "HKLM\\SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\RUNONCE",
                            "HKLM\\SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\UNINSTALL"}) {
        Outcome outcome = Check(std::string("deny-key-") + std::to_string(std::hash<std::string>()(key)),
                                std::string("DenyRegistry=") + key + "\n", false);
        EXPECT_TRUE(Mentions(outcome.report, std::string("registry key ") + key) ||
                    Mentions(outcome.report, std::string("registry value ") + key))
            << key;
        // Each registry failure names the registry's error, as file failures name theirs.
        for (const std::string& failure : outcome.report.failures) {
            if (failure.rfind("registry ", 0) == 0) {
                EXPECT_NE(failure.find(" (Windows error 5)"), std::string::npos) << failure;
            }
        }
        for (const auto& [changed, values] : outcome.report.changes.registry)
            EXPECT_NE(changed.rfind(key, 0), 0u) << "changed below a denied key: " << changed;
    }
}

}  // namespace
