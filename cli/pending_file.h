#pragma once

// A result file that replaces its target only when the run is kept: it is
// written under a temporary name in the target's folder and renamed over
// the target at the end, so that a failed run leaves an earlier file of
// that name exactly as it was.

#include <string>

namespace tavo_cli {

class PendingFile {
public:
    PendingFile() = default;
    ~PendingFile() { discard(); }
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    // Creates the temporary file for `name` (links followed, so that the
    // file they lead to is replaced and the links stay) and returns it open
    // for writing; -1 with `error` set on failure.  A name that leads to
    // something other than a regular file, such as /dev/null or a pipe, or
    // that lies in /dev or /proc, is opened as it is and written directly.  A replaced file's permissions
    // pass to the new one.
    int create(const std::string& name, std::string& error);

    // The name as given, for messages, and the name being written.
    const std::string& name() const { return name_; }
    const std::string& writtenName() const { return direct_ ? name_ : temporary_; }
    // Whether the name is written as it is (no temporary file).
    bool writesDirectly() const { return direct_; }

    // Makes the written data durable and renames the temporary file over
    // the target; false with `error` set when that fails.
    bool commit(std::string& error);

    // Removes the temporary file, if any.
    void discard();

private:
    std::string name_;
    std::string target_;     // the file to replace, links resolved
    std::string temporary_;  // empty when none is pending
    bool direct_ = false;
};

// "cannot VERB 'NAME': REASON" with the reason of errno `code`.
std::string fileError(const char* verb, const std::string& name, int code);

}  // namespace tavo_cli
