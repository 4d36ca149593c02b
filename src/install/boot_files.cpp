// Steps 8 and 9 of the environment stage: the chosen products' lines appended to C:\AUTOEXEC.BAT and
// C:\CONFIG.SYS, each file saved first (C:\AUTOEXEC.CHT, C:\CONFIG.CHT), PATH lines in short form.
#include "install/boot_files.h"

#include <algorithm>
#include <array>
#include <memory>

#include "app/main_form.h"
#include "install/copy_into_place.h"
#include "install/stage_support.h"
#include "os/machine.h"
#include "rtl/strings.h"
#include "vcl/dialogs.h"

namespace app {
namespace {

using BootLines = std::array<std::string, kMaxBatLines>;
static_assert(kMaxBatLines == kMaxCfgLines, "both boot files keep their lines in arrays of one type");

// DOS stops reading a text file at this byte; old editors end files with it.
constexpr char kEndOfFileMark = 0x1A;

// One of the two files and how its step treats it.
struct BootFile {
    const char* target;
    const char* backup;
    const char* partialBackup;  // the backup while it is being written
    const char* backupError;    // the message when the backup cannot be made while the file exists
    bool rewritePaths;          // PATH lines in short form (AUTOEXEC.BAT only)
    int TProductConfig::*count;
    BootLines TProductConfig::*lines;
};

const BootFile kAutoexecBat{"C:\\AUTOEXEC.BAT", "C:\\AUTOEXEC.CHT", "C:\\AUTOEXEC.$$$", "修改批处理文件错误!",
                            true, &TProductConfig::BatLineCount, &TProductConfig::BatLines};
const BootFile kConfigSys{"C:\\CONFIG.SYS", "C:\\CONFIG.CHT", "C:\\CONFIG.$$$", "修改配置文件错误!",
                          false, &TProductConfig::CfgLineCount, &TProductConfig::CfgLines};

enum class BackupResult { Made, NoSource, Failed };

// True when the last failed call of the file system found nothing under the name: only then may a file be
// taken for missing. Any other failure (no access, a sharing violation, a folder of that name) means
// something is there that the step cannot read.
bool LastCallFoundNothing() {
    const uint32_t error = os::files().lastError();
    return error == os::kErrorFileNotFound || error == os::kErrorPathNotFound;
}

// Saves the boot file as its backup, byte for byte, replacing an earlier backup. A missing file leaves an
// empty backup behind. A file that exists but cannot be read, or a backup that cannot be created or written
// completely, is Failed: the file must not be changed without its copy. The backup is written under a
// name of its own and takes the backup's name only when complete, so a failed backup leaves an earlier
// one as it was.
BackupResult MakeBackup(const BootFile& boot) {
    std::unique_ptr<os::File> in = os::files().openFile(boot.target, os::kOpenRead | os::kShareDenyNone);
    if (!in && !LastCallFoundNothing()) return BackupResult::Failed;
    if (!in) {
        os::files().createFile(boot.backup);
        return BackupResult::NoSource;
    }
    return CopyIntoPlace(*in, boot.partialBackup, boot.backup).Done() ? BackupResult::Made : BackupResult::Failed;
}

// Opens path for appending, without its read-only attribute; creates it when it does not exist. A file
// that exists but cannot be opened, or whose attributes cannot be read, is never created anew (that would
// empty it): null then. cleared receives the file's attributes when the read-only one was cleared here,
// kInvalidAttributes otherwise.
std::unique_ptr<os::File> OpenForAppending(const std::string& path, uint32_t& cleared) {
    cleared = os::kInvalidAttributes;
    const uint32_t attributes = os::files().getFileAttributes(path);
    if (attributes == os::kInvalidAttributes)
        return LastCallFoundNothing() ? os::files().createFile(path) : nullptr;
    if (attributes & os::kAttrReadOnly) {
        const uint32_t writable = attributes & ~uint32_t(os::kAttrReadOnly);
        if (os::files().setFileAttributes(path, writable ? writable : uint32_t(os::kAttrNormal))) cleared = attributes;
    }
    std::unique_ptr<os::File> file = os::files().openFile(path, os::kOpenReadWrite | os::kShareDenyWrite);
    if (file && file->seek(0, os::SeekOrigin::End) < 0) return nullptr;
    return file;
}

// Where the new lines go: over an end-of-file mark at the end of the file (lines behind it would be
// invisible to DOS), else at the end. overMark tells which; size is the file's size.
bool FindAppendPosition(os::File& file, int64_t size, int64_t& position, bool& overMark) {
    overMark = false;
    position = size;
    if (size == 0) return true;
    char last = 0;
    if (file.seek(size - 1, os::SeekOrigin::Begin) < 0 || file.read(&last, 1) != 1) return false;
    if (last == kEndOfFileMark) {
        overMark = true;
        position = size - 1;
    }
    return file.seek(position, os::SeekOrigin::Begin) >= 0;
}

// Writes text at position (the end, or over an end-of-file mark just before it). The part that makes the
// file longer goes first: if the disk cannot take it, the file is cut back to its size and is as it was.
// Only then is the mark overwritten, which needs no new room.
enum class AppendResult { Appended, LeftAsItWas, Damaged };
AppendResult AppendText(os::File& file, int64_t size, int64_t position, const std::string& text, uint32_t& error) {
    const int64_t head = std::min<int64_t>(size - position, int64_t(text.size()));
    const int64_t tail = int64_t(text.size()) - head;
    auto cutBack = [&] {
        error = os::files().lastError();
        return file.seek(size, os::SeekOrigin::Begin) >= 0 && file.truncate() ? AppendResult::LeftAsItWas
                                                                              : AppendResult::Damaged;
    };
    if (tail > 0 && (file.seek(size, os::SeekOrigin::Begin) < 0 || file.write(text.data() + head, tail) != tail))
        return cutBack();
    if (head > 0 && (file.seek(position, os::SeekOrigin::Begin) < 0 || file.write(text.data(), head) != head)) {
        // The mark is still in place: cutting the new lines off again leaves the file as it was.
        return cutBack();
    }
    return AppendResult::Appended;
}

// The step for one file. False when the backup could not be made: the user was told and nothing was
// appended.
bool EditBootFile(TMainForm& form, const BootFile& boot) {
    const int products = Bounded(form.ProductCount, kMaxProducts);
    auto lineCount = [&](int p) { return Bounded(form.ProductConfigs[size_t(p)].*boot.count, kMaxBatLines); };

    int total = 0;
    for (int p = 0; p < products; ++p)
        if (ProductChosen(p)) total += lineCount(p);
    form.CGauge1.Show();
    form.CGauge1.SetMaxValue(total);

    // The backup is made only when something is going to be appended.
    if (total > 0 && MakeBackup(boot) == BackupResult::Failed) {
        vcl::Application->MessageBox(boot.backupError, "提示!", vcl::mbOK | vcl::mbIconWarning);
        return false;
    }

    // Opened even without lines: a missing file is created empty. Appending is what the read-only
    // attribute is cleared for: a file that receives its lines keeps it cleared, one that ends as it was
    // gets its attributes back (once closed) with the failure that left it so.
    uint32_t cleared = os::kInvalidAttributes;
    std::unique_ptr<os::File> file = OpenForAppending(boot.target, cleared);
    auto noteFailure = [&](const std::string& what) {
        file.reset();
        if (cleared != os::kInvalidAttributes) os::files().setFileAttributes(boot.target, cleared);
        form.NoteFailure(what);
    };
    if (!file) {
        noteFailure(std::string("open ") + boot.target + " to append its lines failed" + LastErrorText());
        return true;
    }
    // The lines are gathered first and written in one piece: a write that fails part-way (a full disk)
    // is undone, so the file ends either with all its new lines or as it was.
    std::string text;
    int handled = 0;
    for (int p = 0; p < products; ++p) {
        if (!ProductChosen(p)) continue;
        const BootLines& lines = form.ProductConfigs[size_t(p)].*boot.lines;
        for (int i = 0, count = lineCount(p); i < count; ++i) {
            form.CGauge1.SetProgress(handled++);
            std::string line = lines[size_t(i)];
            form.Substitute(line);
            if (boot.rewritePaths && rtl::AnsiUpperCase(std::string_view(line).substr(0, 4)) == "PATH")
                RewritePathLine(line);
            // Each line goes on a line of its own after what the file held; the file ends without a break.
            text += "\r\n" + line;
        }
    }
    if (text.empty()) return true;
    const int64_t size = file->size();
    int64_t position = 0;
    bool overMark = false;
    if (size < 0 || !FindAppendPosition(*file, size, position, overMark)) {
        noteFailure(std::string("read ") + boot.target + " to append its lines failed" + LastErrorText() +
                    "; nothing was appended");
        return true;
    }
    uint32_t error = 0;
    const AppendResult result = AppendText(*file, size, position, text, error);
    if (result != AppendResult::Appended)
        noteFailure(std::string("append to ") + boot.target + " failed" + WindowsErrorText(error) +
                    (result == AppendResult::LeftAsItWas
                         ? "; the file was left as it was"
                         : "; the file could not be put back, its backup is " + std::string(boot.backup)));
    return true;
}

}  // namespace

void RewritePathLine(std::string& line) {
    const std::string upper = rtl::AnsiUpperCase(line);
    std::string result = "PATH = ";
    // '=' and ';' lie below every trail byte of the double-byte code pages, so plain searches are safe.
    const size_t equals = upper.find('=');
    std::string rest = rtl::TrimLeft(equals == std::string::npos ? std::string_view(upper)
                                                                 : std::string_view(upper).substr(equals + 1));
    while (!rest.empty()) {
        const size_t separator = rest.find(';');
        const std::string element = rest.substr(0, separator);
        std::string shortForm;
        if (element.find("%PATH%") != std::string::npos || element.empty() ||
            !os::system().shortPathName(element, shortForm) || shortForm.empty())
            result += element;
        else
            result += shortForm;
        result += ';';
        if (separator == std::string::npos) break;
        rest.erase(0, separator + 1);
    }
    line = std::move(result);
}

void TMainForm::EditAutoexecBat() {
    // A refused backup skips only this file; CONFIG.SYS follows.
    EditBootFile(*this, kAutoexecBat);
}

void TMainForm::EditConfigSys() {
    // A refused backup ends the stage; this is its last step.
    EditBootFile(*this, kConfigSys);
}

}  // namespace app
