#include "programs/track/result_commit.h"

#include "programs/track/temporary_lock.h"
#include "programs/track/temporary_names.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace tavo_cli {

namespace {

// A target and what was done to it.
struct Step {
    PendingFile* file = nullptr;
    std::string backup;       // its earlier content's name; empty when it had none
    bool movedAside = false;  // the backup is the target renamed, not a link
    bool replaced = false;
    int lockFd = -1;          // keeps the backup from other runs' clean-ups
};

std::string folderOf(const std::string& path) { return path.substr(0, path.rfind('/') + 1); }
std::string baseOf(const std::string& path) { return path.substr(path.rfind('/') + 1); }

// Keeps the regular file that `step` replaces aside; false with `error` set.
bool keepAside(Step& step, std::string& error)
{
    const std::string& target = step.file->target();
    struct stat existing {};
    if (::lstat(target.c_str(), &existing) != 0 || !S_ISREG(existing.st_mode))
        return true;  // nothing to keep (a new file), or nothing a rename could bring back
    // Locked before it has the second name, so that no clean-up takes it.
    step.lockFd = holdLock(target);
    const std::string backup = folderOf(target) + newTemporaryName(baseOf(target));
    if (::link(target.c_str(), backup.c_str()) != 0) {
        if (std::rename(target.c_str(), backup.c_str()) != 0) {
            error = step.file->error("keep aside", errno);
            return false;
        }
        step.movedAside = true;
    }
    step.backup = backup;
    return true;
}

// Undoes `step`: the earlier content back under its name, or no file where
// there was none; a message for each file that cannot be brought back.
void undo(const Step& step, std::string& error)
{
    const std::string& target = step.file->target();
    int failure = 0;
    if (!step.backup.empty() && (step.replaced || step.movedAside)) {
        if (std::rename(step.backup.c_str(), target.c_str()) != 0)
            failure = errno;
    } else if (!step.backup.empty()) {
        ::unlink(step.backup.c_str());
    } else if (step.replaced && ::unlink(target.c_str()) != 0 && errno != ENOENT) {
        failure = errno;
    }
    if (failure)
        error += "; " + step.file->error("restore", failure) +
                 (step.backup.empty() ? "" : " (its earlier content is in '" + step.backup + "')");
}

void release(const Step& step)
{
    if (step.lockFd >= 0)
        ::close(step.lockFd);
}

}  // namespace

bool commitTogether(const std::vector<PendingFile*>& files, std::string& error)
{
    std::vector<Step> steps;
    for (PendingFile* file : files) {
        if (!file->pending())
            continue;
        if (!file->makeDurable(error))
            return false;
        Step step;
        step.file = file;
        steps.push_back(step);
    }
    bool ok = true;
    for (Step& step : steps)
        if (!(ok = keepAside(step, error) && (step.replaced = step.file->replaceTarget(error))))
            break;
    for (const Step& step : steps) {
        if (!ok)
            undo(step, error);
        else if (!step.backup.empty())
            ::unlink(step.backup.c_str());
        release(step);
    }
    return ok;
}

}  // namespace tavo_cli
