#pragma once

// File names as the file system sees them: through symbolic links, even
// links to files that do not exist yet.

#include <filesystem>
#include <string>

namespace tavo_cli {

// The absolute name of the file that writing `name` would create or
// replace: links are followed at every level, the last one included when it
// leads nowhere yet.  Gives a lexically absolute name when the file system
// cannot tell (a loop of links, an unreadable folder).
std::filesystem::path resolvedFileName(const std::string& name);

// Whether two names lead to the same file, existing or to be created.
bool sameFile(const std::string& a, const std::string& b);

}  // namespace tavo_cli
