#include "archive/extract.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "archive/archive_host.h"
#include "archive/port_gate.h"
#include "os/machine.h"
#include "rtl/strings.h"

namespace archive {

namespace {

// "." and "..", also in the forms Windows reduces to them: it drops trailing dots and blanks from names,
// so ".. " and "..." are no ordinary names either.
bool IsUnsafeComponent(const std::string& part) {
    return !part.empty() && part.find('.') != std::string::npos && part.find_first_not_of(". ") == std::string::npos;
}

}  // namespace

bool ArIsSafeRelativeName(const std::string& name) {
    if (name.empty()) return true;
    if (name[0] == '\\' || name.find(':') != std::string::npos || name.find('\0') != std::string::npos) return false;
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = start;
        while (end < name.size() && name[end] != '\\') {
            if (rtl::IsLeadByte(static_cast<uint8_t>(name[end])) && end + 1 < name.size()) ++end;
            ++end;
        }
        if (IsUnsafeComponent(name.substr(start, end - start))) return false;
        start = end + 1;
    }
    return true;
}

namespace {

os::LocalDateTime FromDos(uint16_t date, uint16_t time) {
    return {(date >> 9) + 1980, (date >> 5) & 15, date & 31, time >> 11, (time >> 5) & 63, (time & 31) * 2};
}

bool IsValidDosDate(uint16_t date, uint16_t time) {
    int month = (date >> 5) & 15, day = date & 31;
    return month >= 1 && month <= 12 && day >= 1 && (time >> 11) < 24 && ((time >> 5) & 63) < 60 && (time & 31) < 30;
}

}  // namespace

bool ArDirectoryExists(const std::string& path) {
    if (path.find_first_of("*?") != std::string::npos) return false;
    uint32_t attributes = detail::Gated([&] { return os::files().getFileAttributes(path); });
    return attributes != os::kInvalidAttributes && (attributes & os::kAttrDirectory);
}

namespace {

// Creates the missing levels of path, which is known not to exist; those it made go to created.
void CreateMissingLevels(const std::string& path, std::vector<std::string>* created = nullptr) {
    // The prefixes ending at a separator, then the whole path; drive roots and the server and share of a
    // network path are never created.
    size_t skipUntil = path.rfind("\\\\", 0) == 0 ? rtl::ExtractFileDrive(path).size() : 0;
    std::vector<std::string> levels;
    for (size_t i = 0; i < path.size(); ++i) {
        if (rtl::IsLeadByte(static_cast<uint8_t>(path[i])) && i + 1 < path.size()) {
            ++i;
            continue;
        }
        if (path[i] != '\\' || i == 0 || i <= skipUntil || path[i - 1] == ':') continue;
        levels.push_back(path.substr(0, i));
    }
    levels.push_back(path);
    // Find the deepest level that exists (usually the parent), then create the ones below it.
    size_t first = levels.size() - 1;
    while (first > 0 && !ArDirectoryExists(levels[first - 1])) --first;
    for (size_t i = first; i < levels.size(); ++i) {
        uint32_t error = 0;
        bool made = detail::Gated([&] {
            bool ok = os::files().createDirectory(levels[i]);
            if (!ok) error = os::files().lastError();
            return ok;
        });
        if (!made && !ArDirectoryExists(levels[i]))
            throw rtl::EInOutError("Cannot create directory " + levels[i], static_cast<int>(error));
        if (made && created) created->push_back(levels[i]);
    }
}

}  // namespace

void ArCreateDirectory(const std::string& path, std::vector<std::string>* created) {
    if (!ArDirectoryExists(path)) CreateMissingLevels(path, created);
}

std::string ArOutputPath(const std::string& baseDirectory, const std::string& name, TArExtractOptions options) {
    std::string stored = rtl::SlashesToBackslashes(name);
    // The base directory may end in a double-byte character whose trail byte is '\\'.
    std::string result = rtl::IncludeTrailingBackslash(baseDirectory);
    std::string relative = (options & eoRestorePath) ? stored : rtl::ExtractFileName(stored);
    // A NUL anywhere in the stored name refuses the item, also when only its file part is used: the
    // name the caller sees is the whole stored one.
    if (stored.find('\0') != std::string::npos || !ArIsSafeRelativeName(relative)) throw EArUnsafeName();
    return result + relative;
}

namespace {

// ArConfirmPath; a directory equal to knownDirectory (found or made for the item before) is not looked at.
bool ConfirmPath(const std::string& baseDirectory, std::string& name, TArExtractOptions options,
                 const TArConfirmOverwriteEvent& confirmOverwrite, std::string* knownDirectory) {
    std::string result = ArOutputPath(baseDirectory, name, options);
    std::string directory = rtl::ExcludeTrailingBackslash(rtl::ExtractFilePath(result));
    if (!directory.empty() && !(knownDirectory && *knownDirectory == directory) && !ArDirectoryExists(directory)) {
        if (options & eoCreateDirs) CreateMissingLevels(directory);
        else throw EArNoSuchDirectory();
    }
    if (knownDirectory) *knownDirectory = directory;
    bool confirm = true;
    if (confirmOverwrite && detail::Gated([&] { return os::FileExists(result); })) confirmOverwrite(result, confirm);
    if (!confirm) return false;
    name = result;
    return true;
}

}  // namespace

bool ArConfirmPath(const std::string& baseDirectory, std::string& name, TArExtractOptions options,
                   const TArConfirmOverwriteEvent& confirmOverwrite) {
    return ConfirmPath(baseDirectory, name, options, confirmOverwrite, nullptr);
}

void ArUnzipToStream(TArArchive& archive, TArArchiveItem& item, rtl::TStream* stream) {
    if (!stream) throw EArBadStream();
    detail::TArArchiveHost host(archive);
    detail::DecodeItem(host, item, stream);
}

void ArTestItem(TArArchive& archive, TArArchiveItem& item) {
    detail::TArArchiveHost host(archive);
    detail::DecodeItem(host, item, nullptr);
}

void ArUnzip(TArArchive& archive, TArArchiveItem& item, const std::string& name) {
    std::string outputName = name;
    const TArConfirmOverwriteEvent noQuestion;
    if (!ConfirmPath(archive.BaseDirectory(), outputName, archive.ExtractOptions,
                     archive.OverwriteNeedsQuestion ? archive.OnConfirmOverwrite : noQuestion, &archive.KnownDirectory))
        return;
    ArWriteItemFile(outputName, item, [&](rtl::TStream& file) { ArUnzipToStream(archive, item, &file); }, [&] {
        archive.Status = TArArchiveStatus::asInvalid;
    });
}

void ArWriteItemFile(const std::string& outputName, TArArchiveItem& item, const std::function<void(rtl::TStream&)>& decode,
                     const std::function<void()>& onUserAbort) {
    std::unique_ptr<rtl::TFileStream> file =
        detail::Gated([&] { return std::make_unique<rtl::TFileStream>(outputName, rtl::fmCreate); });
    auto close = [&file] { detail::Gated([&file] { file.reset(); }); };
    try {
        decode(*file);
        uint16_t date = item.GetLastModFileDate(), time = item.GetLastModFileTime();
        if (IsValidDosDate(date, time)) file->Handle().setLastWriteTime(FromDos(date, time));
        detail::Gated([&] { return os::files().setFileAttributes(outputName, item.GetExternalFileAttributes()); });
        close();
    } catch (...) {
        try {
            throw;
        } catch (const EArUserAbort&) {
            if (onUserAbort) onUserAbort();
        } catch (...) {
        }
        close();
        ArRemoveOutput(outputName);
        throw;
    }
}

void ArRemoveOutput(const std::string& outputName) {
    detail::Gated([&] {
        if (!os::PathExists(outputName)) return;
        if (!os::files().deleteFile(outputName)) {
            // A file whose attributes were already set may be read-only.
            os::files().setFileAttributes(outputName, os::kAttrNormal);
            os::files().deleteFile(outputName);
        }
    });
}

}  // namespace archive
