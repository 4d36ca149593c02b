// Replacing a file only with a complete copy: the new content is written beside the file under another
// name and takes the file's place once every byte is in. A copy that breaks off (a full disk, a source
// that cannot be read to its end) thus never stands where an earlier, complete file stood.
#pragma once
#include <cstdint>
#include <string>

#include "os/files.h"

namespace app {

struct CopyIntoPlaceResult {
    // The step that failed, or Done.
    enum class Step {
        Done,
        NotCreated,   // the partial file could not be created; nothing changed
        NotWritten,   // the source could not be read or the partial file written to the end; nothing changed
        NotReplaced,  // the earlier file could not be deleted; it stays as it was
        NotMoved,     // the partial file could not be renamed; the earlier file is gone
    };
    Step step = Step::Done;
    uint32_t error = 0;  // the Windows error of the failed step
    bool Done() const { return step == Step::Done; }
};

// Copies source, from where it stands to its end, into partialPath (created or truncated), then deletes
// targetPath if it exists and renames partialPath to it. On any failure partialPath is removed again.
// partialPath must name a file on the same drive as targetPath that nothing else uses.
CopyIntoPlaceResult CopyIntoPlace(os::File& source, const std::string& partialPath, const std::string& targetPath);

}  // namespace app
