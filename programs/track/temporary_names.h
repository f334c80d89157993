#pragma once

// The names of the temporary files that result files are written under
// until the run keeps them: ".tavo-HOST-PID-RANDOM.EXT" beside the result,
// where HOST is this machine's name (letters, digits and '-' only, cut
// short), PID the writing process, RANDOM 16 hexadecimal digits drawn for
// each name, and EXT the result's own extension (the video writer chooses
// the container by it).  The name is short whatever the result's name, and
// no other run claims it: not one on another host sharing the folder, nor
// one in another PID namespace (a container) that has the same process id.
// Who owns such a file is told by a lock, not by its name (see
// temporary_lock.h).

#include <cstdint>
#include <string>
#include <sys/types.h>

namespace tavo_cli {

// The temporary name (no folder) for the result file named `base`.
std::string temporaryName(const std::string& base, const std::string& host, pid_t pid, uint64_t random);

// The temporary name for `base` of this process on this host, with a
// freshly drawn random part.
std::string newTemporaryName(const std::string& base);

// This host's name as it goes into temporary names.
std::string hostLabel();

// Whether `name` (no folder) is exactly of the temporary names' form.
bool isTemporaryName(const std::string& name);

}  // namespace tavo_cli
