#include "app/file_kind.h"

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
