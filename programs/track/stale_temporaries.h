#pragma once

// Temporary files left by runs that died before they could remove them
// (killed by SIGKILL, say): removed at the start of the next run that
// writes into their folder.  Only files whose owner is shown to be gone go:
// those no living run holds locked (see temporary_lock.h), whatever process
// id or host their names give.

#include <string>
#include <vector>

namespace tavo_cli {

// Removes, in each of `folders`, the files named as temporaries (see
// temporaryName) that no run owns any more; owned ones and every other file
// stay.  Returns a warning for each one that could not be removed.
std::vector<std::string> removeStaleTemporaries(const std::vector<std::string>& folders);

}  // namespace tavo_cli
