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


// The first file of a numbered image sequence ("img%04d.png", printf's
// numbering as FFmpeg and OpenCV read it) that is such a file, and its
// kind: among the files from the first index found (0 to 999) on, up to the
// first missing one.  Nothing when `pattern` numbers no files (it holds no
// single %d, with an optional width) or none of them is such a file.
struct WaitingFile {
    std::string name;
    std::string kind;
};
std::optional<WaitingFile> waitingFileOfSequence(const std::string& pattern);
