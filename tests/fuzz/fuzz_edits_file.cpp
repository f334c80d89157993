// libFuzzer harness for the edits file of tavo-track (--apply-edits).
// Checked: a refusal names the file and the line; the edits read have
// frames from 1 that never decrease, ids from 1 and, for add and reinit,
// boxes the tracker can take; their lines, written out, read back to the
// same lines.

#define FUZZ_HARNESS_NAME "fuzz_edits_file"
#include "fuzz_check.h"
#include "programs/track/edit_record.h"

#include <cstdint>
#include <string>
#include <vector>

using namespace tavo_cli;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::string name = "edits.txt";
    std::vector<TargetEdit> edits;
    std::string error;
    if (!parseEdits(text, name, edits, error)) {
        CHECK(error.rfind("'" + name + "' line ", 0) == 0);
        return 0;
    }
    std::string written;
    int lastFrame = 1;
    for (const TargetEdit& e : edits) {
        CHECK(e.frame >= lastFrame);
        lastFrame = e.frame;
        CHECK(e.id >= 1);
        CHECK(e.line >= 1);
        if (e.action != EditAction::Drop)
            CHECK(e.box.width >= 1 && e.box.height >= 1 && !boxRangeProblem(e.box));
        written += editLine(e) + "\n";
    }
    std::vector<TargetEdit> again;
    CHECK(parseEdits(written, name, again, error));
    CHECK(again.size() == edits.size());
    for (size_t i = 0; i < edits.size(); ++i)
        CHECK(editLine(again[i]) == editLine(edits[i]));
    return 0;
}
