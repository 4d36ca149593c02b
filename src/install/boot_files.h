// The start-up files of drive C (C:\AUTOEXEC.BAT, C:\CONFIG.SYS): the PATH line rewriting that steps 8 and
// 9 of the environment stage (TMainForm::EditAutoexecBat, TMainForm::EditConfigSys) rely on.
#pragma once
#include <string>

namespace app {

// Rewrites a PATH line in place. The line is upper-cased (double-byte characters kept whole); what follows
// its first '=' (the whole line when it has none), without the blanks and control characters at its
// start, is split at ';' into elements. The line becomes "PATH = " followed by each element in order and
// a ';' after every one, the last included:
//   - an element holding "%PATH%" as it stands;
//   - any other in the short (8.3) form the machine gives for it, or as it stands when there is none
//     (a folder that does not exist yet);
//   - an empty element (";;") stays empty.
// Elements and lines of any length are kept whole: a PATH cut short would break the user's machine.
void RewritePathLine(std::string& line);

}  // namespace app
