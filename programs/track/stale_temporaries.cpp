#include "programs/track/stale_temporaries.h"

#include "programs/track/temporary_lock.h"
#include "programs/track/temporary_names.h"

#include <cstring>
#include <filesystem>
#include <set>

namespace tavo_cli {

namespace fs = std::filesystem;

namespace {

void removeIn(const fs::path& folder, std::vector<std::string>& warnings)
{
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (!isTemporaryName(it->path().filename().string()) ||
            it->symlink_status(ec).type() != fs::file_type::regular)
            continue;
        int failure = 0;
        if (!removeIfUnowned(it->path().string(), failure) && failure != 0)
            warnings.push_back("cannot remove '" + it->path().string() +
                               "', a temporary file left by a run that ended: " + std::strerror(failure));
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
