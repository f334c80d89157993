#pragma once

// Reading a text file named by an option (--targets, --gt) whole, with
// messages that name the option, the file and the reason.

#include <optional>
#include <string>

namespace tavo_eval {

// The largest text input read: far beyond the ground truth of any video,
// small enough to hold in memory with its records.
constexpr long long kLargestTextInput = 256LL << 20;

// The contents of `name`, or nothing with `error` set, e.g. "--gt
// '/dev/zero': not a text file (a NUL byte on line 1)".  `what` names the
// file's role ("ground-truth file").  Refused: directories, FIFOs and
// sockets (a read could wait for ever for a writer), devices that have
// nothing to read at once, unreadable files, files larger than
// kLargestTextInput and files holding NUL bytes.  Opening and reading never
// wait for another process.
std::optional<std::string> readTextInput(const std::string& option, const std::string& what,
                                         const std::string& name, std::string& error);

// Why a text input is refused, in the words readTextInput uses after the
// option and file: "not a text file (a NUL byte on line 3)"; "too large
// for a ground-truth file (more than 256 MiB)".
std::string nulByteReason(size_t line);
// Why a FIFO or socket (`kind`, as specialFileKind names it) is refused as
// a `what`: a read could wait for ever for a writer.
std::string waitingReason(const std::string& kind, const std::string& what);
std::string tooLargeReason(const std::string& what);

}  // namespace tavo_eval
