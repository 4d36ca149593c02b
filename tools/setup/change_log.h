// The unattended setup's record of what it changed: the journal's changes folded into the report's
// "changes" (the machine as the run left it, in the shape the simulation reports), each change as one line
// of JSON, and a sink that appends those lines to a file as the changes are made.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "journal/change.h"
#include "os/files.h"
#include "setupcheck/report.h"

namespace unattended {

// Folds the changes, in order, into the files that now hold something new (size and CRC-32 of their
// last state), the files deleted that existed before the run, the registry values written or deleted,
// the links saved; and the programs started, into launched. A file or value both made and removed in the
// run leaves no trace. Texts are converted from the machine's code page to UTF-8.
void FoldChanges(const std::vector<journal::Change>& changes, setupcheck::ReportChanges& out,
                 std::vector<setupcheck::ReportLaunch>& launched);

// One change as a JSON object on one line (UTF-8, no line break): "kind" (ChangeKindName), "path" and the
// fields of its kind.
std::string ChangeJson(const journal::Change& change);

// Appends each change as a line to an open file and passes it on to a list; every line is handed to the
// file system at once, so a run that is killed leaves the lines of the changes it made.
class JournalFileSink : public journal::ChangeSink {
public:
    JournalFileSink(std::unique_ptr<os::File> file, journal::ChangeList& list);
    void Record(const journal::Change& change) override;

private:
    std::unique_ptr<os::File> file_;
    journal::ChangeList& list_;
};

}  // namespace unattended
