#pragma once

// A result file that replaces its target only when the run is kept: it is
// written under a temporary name in the target's folder (see
// temporaryName) and renamed over the target at the end, so that a failed
// run leaves an earlier file of that name exactly as it was.  While it
// exists, the temporary is registered for removal by a fatal signal, and
// held locked so that no other run's clean-up takes it for a dead run's
// (see temporary_lock.h).

#include <optional>
#include <string>

namespace tavo_cli {

class PendingFile {
public:
    PendingFile() = default;
    ~PendingFile() { discard(); }
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    // Creates the temporary file for `name`, given by the option `option`
    // (for messages), links followed so that the file they lead to is
    // replaced and the links stay, and returns it open for writing; -1 with
    // `error` set on failure.  A name that leads to something other than a
    // regular file, such as /dev/null or a pipe, or that lies in /dev or
    // /proc, is opened as it is and written directly.  A replaced file's
    // permissions pass to the new one.  A name the shell's `>` could not
    // write either, such as a loop of links, is refused with the system's
    // reason.
    int create(const std::string& option, const std::string& name, std::string& error);

    // The folder that the temporary file for `name` goes to; nothing when
    // the name is written directly or names a folder.
    static std::optional<std::string> temporaryFolder(const std::string& name);

    // Why the existing file `name` may not be replaced: it has no write
    // permission bit (checked on the mode, as the superuser may write
    // anything) or the system refuses to write it; nothing when it may.
    static std::optional<std::string> writeProtection(const std::string& name);

    // The option and the name as given, for messages, and the name being
    // written.
    const std::string& option() const { return option_; }
    const std::string& name() const { return name_; }
    const std::string& writtenName() const { return direct_ ? name_ : temporary_; }
    // Whether the name is written as it is (no temporary file).
    bool writesDirectly() const { return direct_; }
    // Whether a temporary waits to replace the target.
    bool pending() const { return !temporary_.empty(); }
    // The file the temporary replaces, links resolved.
    const std::string& target() const { return target_; }
    // Whether the file replaced has other names (hard links), which keep
    // the earlier content: the new file takes this name only.
    bool replacesSharedFile() const { return sharedTarget_; }

    // "OPTION: cannot VERB 'NAME': REASON" with the reason of errno `code`
    // (without "OPTION: " when the option is "").
    std::string error(const char* verb, int code) const;

    // Makes the written data durable and renames the temporary file over
    // the target; false with `error` set when that fails.
    bool commit(std::string& error) { return makeDurable(error) && replaceTarget(error); }
    // The two steps of commit: the data made durable, then the rename.
    bool makeDurable(std::string& error);
    bool replaceTarget(std::string& error);

    // Removes the temporary file, if any.
    void discard();

private:
    int createTemporary(std::string& error);
    void letGo();

    std::string option_;
    std::string name_;
    std::string target_;     // the file to replace, links resolved
    std::string temporary_;  // empty when none is pending
    int slot_ = -1;          // its place among the registered temporaries
    int lockFd_ = -1;        // holds the temporary's lock while it is ours
    bool direct_ = false;
    bool sharedTarget_ = false;
};

}  // namespace tavo_cli
