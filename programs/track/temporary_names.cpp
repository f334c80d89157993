#include "programs/track/temporary_names.h"

#include <cctype>
#include <climits>
#include <cstdio>
#include <random>
#include <regex>
#include <sys/random.h>
#include <unistd.h>

namespace tavo_cli {

namespace {

// An extension is kept when it is this short and of letters and digits
// only: enough for every container and picture format, and the name stays
// far below the system's limit of 255 bytes (NAME_MAX).
constexpr size_t kLongestKeptExtension = 16;
// The host's name is cut to this many characters for the same reason.
constexpr size_t kLongestHostLabel = 32;
// Stands for a host whose name gives no usable character.
const char kUnnamedHost[] = "host";

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

// 64 random bits from the system, or from the standard library's source
// where the system's cannot be read.
uint64_t randomBits()
{
    uint64_t bits = 0;
    if (::getrandom(&bits, sizeof bits, GRND_NONBLOCK) == static_cast<ssize_t>(sizeof bits))
        return bits;
    std::random_device device;
    return (uint64_t{device()} << 32) ^ device();
}

}  // namespace

std::string temporaryName(const std::string& base, const std::string& host, pid_t pid, uint64_t random)
{
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(random));
    return kPrefix + host + "-" + std::to_string(pid) + "-" + hex + keptExtension(base);
}

std::string newTemporaryName(const std::string& base)
{
    return temporaryName(base, hostLabel(), ::getpid(), randomBits());
}

std::string hostLabel()
{
    char name[HOST_NAME_MAX + 1] = {};
    if (::gethostname(name, sizeof name - 1) != 0)
        name[0] = '\0';
    std::string label;
    for (const char* c = name; *c && label.size() < kLongestHostLabel; ++c)
        if (std::isalnum(static_cast<unsigned char>(*c)) || *c == '-')
            label += *c;
    return label.empty() ? kUnnamedHost : label;
}

bool isTemporaryName(const std::string& name)
{
    // A process id of at most 7 digits (the system's pid_max is 2^22).
    static const std::regex form(R"(\.tavo-[A-Za-z0-9-]{1,32}-[1-9][0-9]{0,6}-[0-9a-f]{16}(\.[A-Za-z0-9]{1,16})?)");
    return std::regex_match(name, form);
}

}  // namespace tavo_cli
