#include "cli/temporary_names.h"

#include <cctype>
#include <regex>

namespace tavo_cli {

namespace {

// An extension is kept when it is this short and of letters and digits
// only: enough for every container and picture format, and the name stays
// far below the system's limit of 255 bytes (NAME_MAX).
constexpr size_t kLongestKeptExtension = 16;

const char kPrefix[] = ".tavo-";

// The extension of `base` with its dot, or "" when there is none to keep.
std::string keptExtension(const std::string& base)
{
    const auto dot = base.rfind('.');
    if (dot == std::string::npos || dot == 0)
        return "";
    const std::string extension = base.substr(dot + 1);
    if (extension.empty() || extension.size() > kLongestKeptExtension)
        return "";
    for (const char c : extension)
        if (!std::isalnum(static_cast<unsigned char>(c)))
            return "";
    return "." + extension;
}

}  // namespace

std::string temporaryName(const std::string& base, pid_t pid, unsigned number)
{
    return kPrefix + std::to_string(pid) + "-" + std::to_string(number) + keptExtension(base);
}

std::optional<pid_t> temporaryOwner(const std::string& name)
{
    // A process id of at most 7 digits (the system's pid_max is 2^22), a
    // number that fits an unsigned.
    static const std::regex form(R"(\.tavo-([1-9][0-9]{0,6})-(0|[1-9][0-9]{0,9})(\.[A-Za-z0-9]{1,16})?)");
    std::smatch match;
    if (!std::regex_match(name, match, form))
        return std::nullopt;
    return static_cast<pid_t>(std::stol(match[1]));
}

}  // namespace tavo_cli
