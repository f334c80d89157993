#include "programs/track/target_edits.h"

#include "evaluation/mot_file.h"
#include "evaluation/text_input.h"

#include <algorithm>
#include <cmath>
#include <sstream>

namespace tavo_cli {

using tavo_eval::MotRecord;
using tavo_eval::readMotRecords;
using tavo_eval::readTextInput;

bool readReinitRows(const Options& options, const std::vector<int>& ids, const std::vector<int>& firstFrames,
                    std::vector<ReinitRow>& rows, std::string& error)
{
    const auto text = readTextInput("--targets", "targets file", options.targetsFile, error);
    if (!text)
        return false;
    std::istringstream in(*text);
    const auto records = readMotRecords(in, options.targetsFile, error);
    if (!records)
        return false;
    std::map<int, int> firstFrameOf;
    for (size_t i = 0; i < ids.size() && i < firstFrames.size(); ++i)
        firstFrameOf[ids[i]] = firstFrames[i];
    for (const MotRecord& r : *records) {
        const auto first = firstFrameOf.find(r.id);
        if (first == firstFrameOf.end() || r.frame <= first->second)
            continue;
        const RealBox& b = r.box;
        rows.push_back(ReinitRow{r.frame, r.id,
                                 Box{static_cast<int>(std::lround(b.x)), static_cast<int>(std::lround(b.y)),
                                     static_cast<int>(std::lround(b.width)), static_cast<int>(std::lround(b.height))},
                                 r.line});
    }
    std::stable_sort(rows.begin(), rows.end(), [](const ReinitRow& a, const ReinitRow& b) { return a.frame < b.frame; });
    return true;
}

TargetEditor::TargetEditor(std::vector<ReinitRow> rows, int dropLost, std::string targetsFile)
    : rows_(std::move(rows)), dropLost_(dropLost), targetsFile_(std::move(targetsFile))
{
}

void TargetEditor::apply(TrackingSession& session, int frame, std::vector<std::string>& warnings)
{
    while (nextRow_ < rows_.size() && rows_[nextRow_].frame < frame)
        ++nextRow_;  // frames before the first tracked
    for (; nextRow_ < rows_.size() && rows_[nextRow_].frame == frame; ++nextRow_) {
        const ReinitRow& row = rows_[nextRow_];
        std::string error;
        if (!session.reinitTarget(row.id, row.box, error))
            warnings.push_back("'" + targetsFile_ + "' line " + std::to_string(row.line) + ": target " +
                               std::to_string(row.id) + " is not re-initialised on frame " + std::to_string(frame) +
                               ": " + error);
        lostFrames_[row.id] = 0;
    }
    if (dropLost_ > 0)
        dropLost(session, frame);
}

bool TargetEditor::applyEdit(TrackingSession& session, TargetEdit& edit, std::string& error)
{
    if (edit.action == EditAction::Add) {
        const int id = session.addTarget(edit.box, edit.id, error);
        if (id == 0)
            return false;
        edit.id = id;
    } else if (edit.action == EditAction::Reinit) {
        if (!session.reinitTarget(edit.id, edit.box, error))
            return false;
    } else {
        const auto t = std::find_if(session.targets().begin(), session.targets().end(),
                                    [&](const TrackedTarget& x) { return x.id == edit.id; });
        const RealBox last = t != session.targets().end() ? t->box : RealBox{};
        if (!session.removeTarget(edit.id, error))
            return false;
        droppedBoxes_[edit.id] = last;
    }
    if (edit.action == EditAction::Drop)
        lostFrames_.erase(edit.id);
    else
        lostFrames_[edit.id] = 0;
    edited_ = true;
    return true;
}

void TargetEditor::fileEdits(std::vector<TargetEdit> edits, std::string file)
{
    fileEdits_ = std::move(edits);
    nextFileEdit_ = 0;
    editsFile_ = std::move(file);
}

std::vector<std::pair<TargetEdit, std::string>> TargetEditor::applyFileEdits(TrackingSession& session, int frame)
{
    std::vector<std::pair<TargetEdit, std::string>> outcomes;
    for (; nextFileEdit_ < fileEdits_.size() && fileEdits_[nextFileEdit_].frame <= frame; ++nextFileEdit_) {
        TargetEdit edit = fileEdits_[nextFileEdit_];
        const std::string where = "'" + editsFile_ + "' line " + std::to_string(edit.line) + ": ";
        std::string error;
        if (edit.frame < frame)
            error = where + "frame " + std::to_string(edit.frame) + " is before the first frame tracked, " +
                    std::to_string(frame) + ": not applied";
        else if (!applyEdit(session, edit, error))
            error = where + "not applied on frame " + std::to_string(frame) + ": " + error;
        outcomes.emplace_back(edit, error);
    }
    return outcomes;
}

void TargetEditor::dropLost(TrackingSession& session, int frame)
{
    std::vector<int> gone;
    for (const TrackedTarget& t : session.targets()) {
        int& lost = lostFrames_[t.id];
        lost = t.state == TargetState::Lost ? lost + 1 : 0;
        if (lost > dropLost_) {
            gone.push_back(t.id);
            droppedBoxes_[t.id] = t.box;
        }
    }
    for (const int id : gone) {
        std::string error;
        session.removeTarget(id, error);
        lostFrames_.erase(id);
        notes_.push_back("target " + std::to_string(id) + " dropped on frame " + std::to_string(frame) +
                         ", lost since frame " + std::to_string(frame - dropLost_) + " (--drop-lost " +
                         std::to_string(dropLost_) + ")");
    }
}

int TargetEditor::targetCount(const std::vector<TrackedTarget>& now) const
{
    int count = static_cast<int>(now.size());
    for (const auto& dropped : droppedBoxes_)
        if (std::none_of(now.begin(), now.end(), [&](const TrackedTarget& t) { return t.id == dropped.first; }))
            ++count;
    return count;
}

void TargetEditor::scoringRow(const std::vector<TrackedTarget>& targets, std::vector<RealBox>& boxes,
                              std::vector<char>& lost) const
{
    boxes.clear();
    lost.clear();
    for (const int id : scoreIds_) {
        const auto t = std::find_if(targets.begin(), targets.end(), [id](const TrackedTarget& x) { return x.id == id; });
        if (t != targets.end()) {
            boxes.push_back(t->box);
            lost.push_back(t->lost ? 1 : 0);
            continue;
        }
        const auto dropped = droppedBoxes_.find(id);
        if (dropped == droppedBoxes_.end())
            break;
        boxes.push_back(dropped->second);
        lost.push_back(1);
    }
}

std::optional<std::string> editingRefusal(const Options& options)
{
    if (options.reinitFromTargets && options.targetsFile.empty())
        return std::string("--reinit-from-targets needs --targets FILE, whose later rows re-initialise its targets");
    if (!options.editsFile.empty() && !options.show)
        return std::string("--edits needs --show: it holds the changes made in its window");
    return std::nullopt;
}

bool startEditor(const Options& options, const RunInputs& inputs, const std::vector<int>& ids,
                 TargetEditor& editor, std::string& error)
{
    std::vector<ReinitRow> rows;
    if (options.reinitFromTargets && !readReinitRows(options, inputs.ids, inputs.frames, rows, error))
        return false;
    editor = TargetEditor(std::move(rows), options.dropLost, options.targetsFile);
    editor.scoreIds(ids);
    return true;
}

}  // namespace tavo_cli
