#pragma once

// The temporary files this process has open, kept where a signal handler
// can remove them: a run killed by a signal it cannot finish after leaves
// none of them behind.

namespace tavo_cli {

// At most this many temporaries are registered at once (a run writes up to
// five result files).
constexpr int kRegisteredTemporaries = 8;

// Notes the temporary file `path` (absolute); its slot, or -1 when every
// slot is taken or the name is too long to keep.
int registerTemporary(const char* path);

// Forgets the temporary in `slot` (ignored when -1).
void forgetTemporary(int slot);

// Removes every registered temporary.  Async-signal-safe.
void removeRegisteredTemporaries();

}  // namespace tavo_cli
