#pragma once

// Changes to the targets while the video runs: a targets file's later rows
// of a running target re-initialise it there (--reinit-from-targets), a
// target lost for N frames in a row is dropped (--drop-lost N), and the
// changes made in the live window or read from --apply-edits are applied
// (edit_record.h).

#include "programs/track/edit_record.h"
#include "programs/track/options.h"
#include "programs/track/run_inputs.h"
#include "session/tracking_session.h"

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tavo_cli {

// A targets file's row that re-initialises target `id` on the video's frame.
struct ReinitRow {
    int frame = 0;
    int id = 0;
    Box box;
    int line = 0;  // of the file, for messages
};

// The rows of --targets after each target's first (`ids` and `firstFrames`
// as the run starts them), in file order; false with `error` set when the
// file cannot be read.
bool readReinitRows(const Options& options, const std::vector<int>& ids, const std::vector<int>& firstFrames,
                    std::vector<ReinitRow>& rows, std::string& error);

class TargetEditor {
public:
    // Re-initialises at `rows` and drops targets lost `dropLost` frames in a
    // row (0: never); `targetsFile` names the rows' file in messages.
    TargetEditor(std::vector<ReinitRow> rows, int dropLost, std::string targetsFile);
    // Whether it changes anything: without rows or --drop-lost the run is
    // what it was without an editor.
    bool active() const { return !rows_.empty() || dropLost_ > 0 || edited_; }
    // On the video's frame `frame`, tracked, before its results are
    // written: re-initialises the targets that have a row on it, then drops
    // those lost too long.  A row that cannot be applied becomes a warning.
    void apply(TrackingSession& session, int frame, std::vector<std::string>& warnings);
    // Applies one change after the video's frame `edit.frame`, its results
    // written; false with `error` saying why the session refused it.  An
    // add with id 0 takes the next free id, set in `edit`.
    bool applyEdit(TrackingSession& session, TargetEdit& edit, std::string& error);
    // The changes read from a file (--apply-edits), applied in order by
    // applyFileEdits on their frames.
    void fileEdits(std::vector<TargetEdit> edits, std::string file);
    // After the video's frame `frame` is written: applies the file's
    // changes of that frame, in order.  Each comes back with an empty
    // text when it was applied, otherwise a warning naming the file's line.
    std::vector<std::pair<TargetEdit, std::string>> applyFileEdits(TrackingSession& session, int frame);
    // A line per target dropped, in the order they were.
    const std::vector<std::string>& notes() const { return notes_; }
    // The targets of the run: those of `now` and those dropped before (by
    // --drop-lost or a change), each id once.
    int targetCount(const std::vector<TrackedTarget>& now) const;
    // The scorer's boxes in the order of `ids`: a dropped target counts as
    // lost at its last box; ids not yet joined end the lists.
    void scoringRow(const std::vector<TrackedTarget>& targets, std::vector<RealBox>& boxes,
                    std::vector<char>& lost) const;
    // The targets' ids in the scorer's order.
    void scoreIds(std::vector<int> ids) { scoreIds_ = std::move(ids); }

private:
    void dropLost(TrackingSession& session, int frame);

    std::vector<ReinitRow> rows_;
    size_t nextRow_ = 0;
    int dropLost_;
    std::string targetsFile_;
    std::map<int, int> lostFrames_;      // by id: frames lost in a row, the last tracked included
    std::map<int, RealBox> droppedBoxes_;  // by id: the box of a dropped target's last frame
    std::vector<std::string> notes_;
    std::vector<int> scoreIds_;
    bool edited_ = false;  // a change was applied: the scorer follows the ids
    std::vector<TargetEdit> fileEdits_;
    size_t nextFileEdit_ = 0;
    std::string editsFile_;
};

// Why the options that change the targets cannot be used as given.
std::optional<std::string> editingRefusal(const Options& options);

// Sets the editor up for the run: the rows of --targets (with
// --reinit-from-targets) for its targets, --drop-lost, and `ids`, the
// targets' ids in the scorer's order; false with `error` set when the
// targets file cannot be read again.
bool startEditor(const Options& options, const RunInputs& inputs, const std::vector<int>& ids,
                 TargetEditor& editor, std::string& error);

}  // namespace tavo_cli
