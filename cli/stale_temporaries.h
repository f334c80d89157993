#pragma once

// Temporary files left by runs that died before they could remove them
// (killed by SIGKILL, say): removed at the start of the next run that
// writes into their folder.

#include <string>
#include <vector>

namespace tavo_cli {

// Removes, in each of `folders`, the files named as temporaries (see
// temporaryName) of processes that no longer exist; files of a living
// process and every other file stay.  Call before this process creates its
// own: a temporary of its process id is then one of an earlier process.
// Returns a warning for each one that could not be removed.
std::vector<std::string> removeStaleTemporaries(const std::vector<std::string>& folders);

}  // namespace tavo_cli
