#include "cli/stale_temporaries.h"

#include "cli/temporary_names.h"

#include <cerrno>
#include <cstring>
#include <csignal>
#include <filesystem>
#include <set>
#include <unistd.h>

namespace tavo_cli {

namespace fs = std::filesystem;

namespace {

// Whether the process `pid` still exists (one we may not signal does too).
bool processExists(pid_t pid)
{
    if (pid == ::getpid())
        return false;  // before this process creates any: an earlier one's
    return ::kill(pid, 0) == 0 || errno == EPERM;
}

void removeIn(const fs::path& folder, std::vector<std::string>& warnings)
{
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::optional<pid_t> owner = temporaryOwner(it->path().filename().string());
        if (!owner || processExists(*owner) || it->symlink_status(ec).type() != fs::file_type::regular)
            continue;
        // Another run may remove it at the same time.
        if (::unlink(it->path().c_str()) != 0 && errno != ENOENT)
            warnings.push_back("cannot remove '" + it->path().string() + "', a temporary file left by process " +
                               std::to_string(*owner) + ": " + std::strerror(errno));
    }
}

}  // namespace

std::vector<std::string> removeStaleTemporaries(const std::vector<std::string>& folders)
{
    std::vector<std::string> warnings;
    for (const std::string& folder : std::set<std::string>(folders.begin(), folders.end()))
        removeIn(folder, warnings);
    return warnings;
}

}  // namespace tavo_cli
