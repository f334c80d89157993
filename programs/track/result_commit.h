#pragma once

// The end of a run whose results are kept: every pending result file
// replaces its target, all of them or none.  The files already there are
// first kept aside under temporary names (a second name, a hard link, where
// the file system allows it; else they are renamed aside); then each result
// is renamed over its target.  When one of these steps fails, the files
// replaced so far get their earlier content back, those that did not exist
// before are removed again, and nothing is left aside.

#include "programs/track/pending_file.h"

#include <string>
#include <vector>

namespace tavo_cli {

// Replaces the targets of `files` (those with nothing pending are passed
// over) together; false with `error` set, naming the file that failed and
// the system's reason, when they were left as they were.
bool commitTogether(const std::vector<PendingFile*>& files, std::string& error);

}  // namespace tavo_cli
