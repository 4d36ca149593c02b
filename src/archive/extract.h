// Extraction of one ZIP item: output path, directories, password check, decoding by method, CRC check,
// file date and attributes.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "archive/zip_archive.h"
#include "rtl/streams.h"

namespace archive {

// True when a stored name (with '\' separators) names something below the directory it is extracted
// into: no drive, no ':', no leading separator, no "." or ".." level (nor a level of dots and blanks, which
// Windows reduces to one), and no NUL byte (the file functions would end the name there, so the file
// written would not be the one the name says). An empty name is safe. Other names raise EArUnsafeName
// (code 100) on extraction.
bool ArIsSafeRelativeName(const std::string& name);

// The output path of a stored name below baseDirectory (the whole stored path with eoRestorePath, else
// its file part). Raises EArUnsafeName for names that ArIsSafeRelativeName refuses.
std::string ArOutputPath(const std::string& baseDirectory, const std::string& name, TArExtractOptions options);

// The output path of name below baseDirectory. Creates missing directories with eoCreateDirs (else
// EArNoSuchDirectory); asks confirmOverwrite when the file exists. Returns false when the item is to be
// skipped; on true, name holds the full output path.
bool ArConfirmPath(const std::string& baseDirectory, std::string& name, TArExtractOptions options,
                   const TArConfirmOverwriteEvent& confirmOverwrite);

// Creates every missing directory of path; a failure raises EInOutError with the system error. The
// directories it made, outermost first, are added to created when given.
void ArCreateDirectory(const std::string& path, std::vector<std::string>* created = nullptr);
// False for paths with '*' or '?'; else whether path is an existing directory.
bool ArDirectoryExists(const std::string& path);

// Extracts item to the file name (made into an output path by ArConfirmPath), then sets its date, time
// and attributes. On failure the partly written file is deleted and the exception raised again; a user
// abort also makes the archive asInvalid.
void ArUnzip(TArArchive& archive, TArArchiveItem& item, const std::string& name);
// Creates (or truncates) outputName, runs decode on it, then sets the item's date, time and attributes and
// closes it. When anything raises, onUserAbort runs first for EArUserAbort, the file is deleted and the
// exception raised again; a failure to create the file propagates unchanged.
void ArWriteItemFile(const std::string& outputName, TArArchiveItem& item, const std::function<void(rtl::TStream&)>& decode,
                     const std::function<void()>& onUserAbort);
// Deletes an output file written by the engine, also when its attributes made it read-only.
void ArRemoveOutput(const std::string& outputName);
// Decodes item into stream (EArBadStream when null), checking its CRC.
void ArUnzipToStream(TArArchive& archive, TArArchiveItem& item, rtl::TStream* stream);
// Decodes item without writing anything.
void ArTestItem(TArArchive& archive, TArArchiveItem& item);

// A stream that takes every byte and keeps none.
class TArBitBucketStream : public rtl::TStream {
public:
    int64_t Read(void*, int64_t) override { return 0; }
    int64_t Write(const void*, int64_t count) override {
        position_ += count;
        return count;
    }
    int64_t Seek(int64_t offset, os::SeekOrigin origin) override {
        position_ = origin == os::SeekOrigin::Begin ? offset : position_ + offset;
        return position_;
    }

private:
    int64_t position_ = 0;
};

}  // namespace archive
