#include "rendering/window_environment.h"

#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

// Every category, every level: Qt's fatal errors are not filtered.
const char* const kQtLoggingOff = "*=false";

std::string privateRuntimeDirectory;

void removeRuntimeDirectory() { ::rmdir(privateRuntimeDirectory.c_str()); }

// A directory of this user's alone (mode 0700), as Qt expects.
void makeRuntimeDirectory()
{
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/tavo-runtime-XXXXXX";
    if (!::mkdtemp(pattern.data()))
        return;  // Qt falls back on its own; its remark is filtered out
    privateRuntimeDirectory = pattern;
    ::setenv("XDG_RUNTIME_DIR", privateRuntimeDirectory.c_str(), 1);
    std::atexit(removeRuntimeDirectory);
}

}  // namespace

void quietWindowSystem()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    ::setenv("QT_LOGGING_RULES", kQtLoggingOff, 1);
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (!runtime || !*runtime)
        makeRuntimeDirectory();
}
