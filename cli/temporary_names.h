#pragma once

// The names of the temporary files that result files are written under
// until the run keeps them: ".tavo-PID-N.EXT" beside the result, where PID
// is the writing process, N counts its temporaries and EXT is the result's
// own extension (the video writer chooses the container by it).  The name
// is short whatever the result's name, and tells which process it belongs
// to, so that one left by a process that died can be recognised.

#include <optional>
#include <string>
#include <sys/types.h>

namespace tavo_cli {

// The temporary name (no folder) for the result file named `base`.
std::string temporaryName(const std::string& base, pid_t pid, unsigned number);

// The process a temporary name belongs to; nothing when `name` (no folder)
// is not exactly of that form.
std::optional<pid_t> temporaryOwner(const std::string& name);

}  // namespace tavo_cli
