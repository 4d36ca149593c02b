// Replacing a file only with a complete copy (see the header).
#include "install/copy_into_place.h"

#include <memory>
#include <vector>

#include "os/machine.h"

namespace app {

namespace {

CopyIntoPlaceResult Failed(CopyIntoPlaceResult::Step step, uint32_t error) { return {step, error}; }

}  // namespace

CopyIntoPlaceResult CopyIntoPlace(os::File& source, const std::string& partialPath, const std::string& targetPath) {
    using Step = CopyIntoPlaceResult::Step;
    os::FileSystem& files = os::files();
    std::unique_ptr<os::File> partial = files.createFile(partialPath);
    if (!partial) return Failed(Step::NotCreated, files.lastError());

    std::vector<uint8_t> buffer(64 * 1024);
    uint32_t error = 0;
    bool complete = false;
    while (!complete) {
        const int64_t got = source.read(buffer.data(), int64_t(buffer.size()));
        if (got < 0 || (got > 0 && partial->write(buffer.data(), got) != got)) {
            // The error is taken before the clean-up below makes calls of its own.
            error = files.lastError();
            break;
        }
        complete = got == 0;
    }
    partial.reset();
    // Every further failure removes the partial file; the error is the one of the step that failed.
    auto fail = [&](Step step, uint32_t stepError) {
        files.deleteFile(partialPath);
        return Failed(step, stepError);
    };
    if (!complete) return fail(Step::NotWritten, error);
    if (os::PathExists(targetPath) && !files.deleteFile(targetPath)) return fail(Step::NotReplaced, files.lastError());
    if (!files.moveFile(partialPath, targetPath)) return fail(Step::NotMoved, files.lastError());
    return {};
}

}  // namespace app
