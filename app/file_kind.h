#pragma once

// Files that a read can wait on for ever: FIFOs (named pipes and the pipes
// of a shell's <(...)), sockets and devices.  Inputs are regular files (or
// folders); these are named in messages by their kind.

#include <optional>
#include <string>
#include <sys/types.h>

// "a FIFO (named pipe)", "a socket", "a character device" or "a block
// device" for such a file's mode (st_mode); nothing for other files.
std::optional<std::string> specialFileKind(mode_t mode);

