#include "programs/track/file_names.h"

namespace tavo_cli {

namespace fs = std::filesystem;

namespace {

// Links followed before giving up, as the system does (its MAXSYMLINKS).
constexpr int kMaxLinkHops = 40;

}  // namespace

fs::path resolvedFileName(const std::string& name)
{
    std::error_code ec;
    fs::path path = fs::absolute(name, ec);
    if (ec)
        return fs::path(name);
    // The last part may be a link to a file yet to be created, which
    // weakly_canonical would keep as it is: follow it by hand.
    for (int hop = 0; hop < kMaxLinkHops && fs::is_symlink(path, ec); ++hop) {
        const fs::path target = fs::read_symlink(path, ec);
        if (ec)
            break;
        path = target.is_absolute() ? target : path.parent_path() / target;
    }
    const fs::path resolved = fs::weakly_canonical(path, ec);
    return ec ? path.lexically_normal() : resolved;
}

bool sameFile(const std::string& a, const std::string& b)
{
    if (a == b)
        return true;
    std::error_code ec;
    if (fs::equivalent(a, b, ec) && !ec)
        return true;
    return resolvedFileName(a) == resolvedFileName(b);
}

}  // namespace tavo_cli
