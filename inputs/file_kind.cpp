#include "inputs/file_kind.h"

#include <cctype>
#include <sys/stat.h>

std::optional<std::string> specialFileKind(mode_t mode)
{
    if (S_ISFIFO(mode))
        return std::string("a FIFO (named pipe)");
    if (S_ISSOCK(mode))
        return std::string("a socket");
    if (S_ISCHR(mode))
        return std::string("a character device");
    if (S_ISBLK(mode))
        return std::string("a block device");
    return std::nullopt;
}

namespace {

// The first index of a numbered sequence is looked for up to here.
constexpr int kFirstIndexSearched = 1000;
// Digits of a number's width read at most ("%0004d"); a wider one names no
// file that can exist.
constexpr size_t kWidestNumber = 4;

// The name of index `index` of the sequence `pattern`; nothing when the
// pattern has no single %d or %0Nd ("%%" is a percent sign).
std::optional<std::string> numberedName(const std::string& pattern, int index)
{
    std::string name;
    bool numbered = false;
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] != '%') {
            name.push_back(pattern[i]);
            continue;
        }
        if (i + 1 < pattern.size() && pattern[i + 1] == '%') {
            name.push_back('%');
            ++i;
            continue;
        }
        size_t end = i + 1;
        while (end < pattern.size() && std::isdigit(static_cast<unsigned char>(pattern[end])))
            ++end;
        if (numbered || end >= pattern.size() || pattern[end] != 'd' || end - i - 1 > kWidestNumber)
            return std::nullopt;
        const size_t width = end > i + 1 ? std::stoul(pattern.substr(i + 1, end - i - 1)) : 0;
        const std::string digits = std::to_string(index);
        name += std::string(width > digits.size() ? width - digits.size() : 0, '0') + digits;
        numbered = true;
        i = end;
    }
    return numbered ? std::optional<std::string>(name) : std::nullopt;
}

}  // namespace

std::optional<WaitingFile> waitingFileOfSequence(const std::string& pattern)
{
    if (!numberedName(pattern, 0))
        return std::nullopt;
    struct stat status {};
    int index = 0;
    while (index < kFirstIndexSearched && ::stat(numberedName(pattern, index)->c_str(), &status) != 0)
        ++index;
    for (; ::stat(numberedName(pattern, index)->c_str(), &status) == 0; ++index)
        if (const auto kind = specialFileKind(status.st_mode))
            return WaitingFile{*numberedName(pattern, index), *kind};
    return std::nullopt;
}
