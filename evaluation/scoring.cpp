#include "evaluation/scoring.h"

#include "evaluation/assignment.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <set>

namespace tavo_eval {

double intersectionOverUnion(const RealBox& a, const RealBox& b)
{
    const double w = std::min(a.x + a.width, b.x + b.width) - std::max(a.x, b.x);
    const double h = std::min(a.y + a.height, b.y + b.height) - std::max(a.y, b.y);
    if (w <= 0 || h <= 0)
        return 0.0;
    const double common = w * h;
    return common / (a.width * a.height + b.width * b.height - common);
}

double centreDistance(const RealBox& a, const RealBox& b)
{
    return std::hypot((a.x + 0.5 * a.width) - (b.x + 0.5 * b.width), (a.y + 0.5 * a.height) - (b.y + 0.5 * b.height));
}

namespace {

// A coordinate as the MOTChallenge result file gives it: two decimals.
double asWritten(double v)
{
    char text[64];
    const int length = std::snprintf(text, sizeof text, "%.2f", v);
    double read = 0.0;
    std::from_chars(text, text + length, read);
    return read;
}

tavo_eval::EvalRecord resultRecord(int frame, int id, const RealBox& b)
{
    return {frame, id, cv::Rect2d(asWritten(b.x), asWritten(b.y), asWritten(b.width), asWritten(b.height)), 1.0};
}

// The ground truth of frames first to last as tavo-eval reads it; nothing
// when it gives an id twice on a frame.
std::optional<std::vector<tavo_eval::EvalRecord>> truthOfFrames(const GroundTruth& truth, int first, int last)
{
    std::vector<tavo_eval::EvalRecord> records;
    for (auto it = truth.lower_bound(first); it != truth.end() && it->first <= last; ++it) {
        std::set<int> ids;
        for (const MotRecord& m : it->second) {
            if (!ids.insert(m.id).second)
                return std::nullopt;
            records.push_back({m.frame, m.id, cv::Rect2d(m.box.x, m.box.y, m.box.width, m.box.height),
                               m.confidence.value_or(1.0)});
        }
    }
    return records;
}

}  // namespace

Scorer::Scorer(GroundTruth truth, std::vector<int> trackerIds)
    : truth_(std::move(truth)), ids_(std::move(trackerIds)), sums_(ids_.size()), frameScores_(ids_.size())
{
}

void Scorer::addFrame(int frame, const std::vector<RealBox>& boxes, const std::vector<char>& lost)
{
    if (lastFrame_ == 0)
        firstFrame_ = frame;
    lastFrame_ = frame;
    static const std::vector<MotRecord> none;
    const auto found = truth_.find(frame);
    const std::vector<MotRecord>& objects = found == truth_.end() ? none : found->second;
    const FrameBoxes f{boxes, lost, static_cast<int>(std::min(boxes.size(), ids_.size()))};
    scoreTargets(frame, objects, f);
    countClearMot(objects, f);
}

// Per target: error, success and confusion against its own object.
void Scorer::scoreTargets(int frame, const std::vector<MotRecord>& objects, const FrameBoxes& f)
{
    for (int t = 0; t < f.count; ++t) {
        if (!f.isLost(t))
            results_.push_back(resultRecord(frame, ids_[t], f.boxes[t]));
        const auto own = std::find_if(objects.begin(), objects.end(), [&](const MotRecord& r) { return r.id == ids_[t]; });
        if (own == objects.end())
            continue;
        Sums& s = sums_[t];
        const double error = centreDistance(f.boxes[t], own->box);
        const double overlap = f.isLost(t) ? 0.0 : intersectionOverUnion(f.boxes[t], own->box);
        frameScores_[t].push_back(FrameScore{frame, error, overlap});
        ++s.frames;
        s.errorSum += error;
        s.maxError = std::max(s.maxError, error);
        if (overlap >= kMatchOverlap)
            ++s.successes;
        for (const MotRecord& other : objects) {
            if (f.isLost(t))
                break;  // a lost target is not taken for another
            if (other.id != own->id && centreDistance(f.boxes[t], other.box) < error) {
                ++s.confusions;
                break;
            }
        }
    }
}

// CLEAR-MOT's matching: last frame's pairs that still overlap enough are
// kept, the rest are matched by least total (1 - overlap).  The box of
// each object, -1 for none.
std::vector<int> Scorer::matchObjects(const std::vector<MotRecord>& objects, const FrameBoxes& f,
                                      const std::vector<std::vector<double>>& overlap) const
{
    const int nObjects = static_cast<int>(objects.size());
    std::vector<int> boxOfObject(nObjects, -1);
    std::vector<char> boxTaken(f.count, 0);
    for (int o = 0; o < nObjects; ++o) {
        const auto last = lastMatch_.find(objects[o].id);
        if (last == lastMatch_.end())
            continue;
        const int t = last->second;
        if (t < f.count && !boxTaken[t] && overlap[o][t] >= kMatchOverlap) {
            boxOfObject[o] = t;
            boxTaken[t] = 1;
        }
    }
    std::vector<int> openObjects, openBoxes;
    for (int o = 0; o < nObjects; ++o)
        if (boxOfObject[o] < 0)
            openObjects.push_back(o);
    for (int t = 0; t < f.count; ++t)
        if (!boxTaken[t] && !f.isLost(t))
            openBoxes.push_back(t);
    if (openObjects.empty() || openBoxes.empty())
        return boxOfObject;
    // A pair below the threshold costs more than all admissible pairs
    // together, so the assignment first maximises the admissible pairs.
    const double forbidden = 1.0 + static_cast<double>(std::min(openObjects.size(), openBoxes.size()));
    std::vector<std::vector<double>> cost(openObjects.size(), std::vector<double>(openBoxes.size()));
    for (size_t i = 0; i < openObjects.size(); ++i)
        for (size_t j = 0; j < openBoxes.size(); ++j) {
            const double v = overlap[openObjects[i]][openBoxes[j]];
            cost[i][j] = v >= kMatchOverlap ? 1.0 - v : forbidden;
        }
    const std::vector<int> pick = minimumCostAssignment(cost);
    for (size_t i = 0; i < openObjects.size(); ++i) {
        if (pick[i] < 0)
            continue;
        const int o = openObjects[i];
        const int t = openBoxes[pick[i]];
        if (overlap[o][t] >= kMatchOverlap)
            boxOfObject[o] = t;
    }
    return boxOfObject;
}

void Scorer::countClearMot(const std::vector<MotRecord>& objects, const FrameBoxes& f)
{
    const int nObjects = static_cast<int>(objects.size());
    std::vector<std::vector<double>> overlap(nObjects, std::vector<double>(f.count));
    for (int o = 0; o < nObjects; ++o)
        for (int t = 0; t < f.count; ++t)
            overlap[o][t] = f.isLost(t) ? 0.0 : intersectionOverUnion(objects[o].box, f.boxes[t]);
    const std::vector<int> boxOfObject = matchObjects(objects, f, overlap);
    int matches = 0;
    for (int o = 0; o < nObjects; ++o) {
        const int t = boxOfObject[o];
        if (t < 0)
            continue;
        ++matches;
        overlapSum_ += overlap[o][t];
        const auto last = lastMatch_.find(objects[o].id);
        if (last != lastMatch_.end() && last->second != t)
            ++mot_.idSwitches;
        lastMatch_[objects[o].id] = t;
    }
    int claimed = 0;  // boxes of targets that are not lost
    for (int t = 0; t < f.count; ++t)
        claimed += f.isLost(t) ? 0 : 1;
    mot_.objects += nObjects;
    mot_.matches += matches;
    mot_.misses += nObjects - matches;
    mot_.falsePositives += claimed - matches;
}

ScoreReport Scorer::report() const
{
    ScoreReport r;
    r.firstFrame = firstFrame_;
    r.lastFrame = lastFrame_;
    Sums all;
    for (size_t t = 0; t < ids_.size(); ++t) {
        const Sums& s = sums_[t];
        TargetScore score;
        score.id = ids_[t];
        score.frames = s.frames;
        score.meanError = s.frames ? s.errorSum / s.frames : 0.0;
        score.maxError = s.maxError;
        score.successRate = s.frames ? static_cast<double>(s.successes) / s.frames : 0.0;
        score.confusions = s.confusions;
        r.targets.push_back(score);
        all.frames += s.frames;
        all.errorSum += s.errorSum;
        all.maxError = std::max(all.maxError, s.maxError);
        all.successes += s.successes;
        all.confusions += s.confusions;
    }
    r.overall.frames = all.frames;
    r.overall.meanError = all.frames ? all.errorSum / all.frames : 0.0;
    r.overall.maxError = all.maxError;
    r.overall.successRate = all.frames ? static_cast<double>(all.successes) / all.frames : 0.0;
    r.overall.confusions = all.confusions;
    r.mot = mot_;
    r.mot.mota = mot_.objects
                     ? 1.0 - static_cast<double>(mot_.misses + mot_.falsePositives + mot_.idSwitches) / mot_.objects
                     : 0.0;
    r.mot.motp = mot_.matches ? overlapSum_ / mot_.matches : 0.0;
    if (lastFrame_ > 0)
        if (const auto truth = truthOfFrames(truth_, firstFrame_, lastFrame_))
            r.measures = tavo_eval::summarise(tavo_eval::evaluateSequence(*truth, results_));
    return r;
}

namespace {

std::string row(const char* label, const TargetScore& s)
{
    char line[160];
    if (s.frames == 0)
        std::snprintf(line, sizeof line, "%6s  %6d  %10s  %9s  %7s  %10s\n", label, 0, "-", "-", "-", "-");
    else
        std::snprintf(line, sizeof line, "%6s  %6d  %10.2f  %9.2f  %7.3f  %10d\n", label, s.frames, s.meanError,
                      s.maxError, s.successRate, s.confusions);
    return line;
}

// "NAME value" for each column named, as tavo-eval --csv writes the value.
std::string measureList(const tavo_eval::SummaryRow& row, const std::vector<std::string>& names)
{
    const std::vector<std::string>& columns = tavo_eval::summaryColumns();
    const std::vector<std::string> fields = tavo_eval::summaryFields(row);
    std::string text;
    for (const std::string& name : names) {
        const auto at = std::find(columns.begin(), columns.end(), name) - columns.begin();
        text += (text.empty() ? "" : ", ") + name + " " + fields[at];
    }
    return text;
}

// tavo-eval's measures, a line per family.
std::string measureLines(const std::optional<tavo_eval::SummaryRow>& row)
{
    if (!row)
        return "HOTA, identity, tracks and OTB curves: not computed, the ground truth gives an id twice on a "
               "frame (tavo-eval refuses such a file)\n";
    return "HOTA: " + measureList(*row, {"HOTA", "DetA", "AssA", "LocA", "HOTA0"}) + "\n" +
           "identity: " + measureList(*row, {"IDF1", "IDP", "IDR"}) + "\n" +
           "tracks: " + measureList(*row, {"MT", "PT", "ML", "Frag"}) + "\n" +
           "OTB curves: " + measureList(*row, {"AUC", "Prec20", "Success50"}) + "\n";
}

}  // namespace

std::string formatReport(const ScoreReport& report, const std::string& truthName)
{
    std::string out = "score against " + truthName;
    if (report.lastFrame == 0)
        return out + ": no frame tracked\n";
    out += ", frames " + std::to_string(report.firstFrame) + " to " + std::to_string(report.lastFrame) + "\n";
    // Before the table: scripts read the "all" row and CLEAR-MOT as the last two lines.
    out += measureLines(report.measures);
    out += "target  frames  mean error  max error  success  confusions\n";
    for (const TargetScore& s : report.targets)
        out += row(std::to_string(s.id).c_str(), s);
    out += row("all", report.overall);
    const ClearMot& m = report.mot;
    char line[240];
    if (m.objects == 0)
        std::snprintf(line, sizeof line, "CLEAR-MOT: no ground-truth object in these frames, %d false positives\n",
                      m.falsePositives);
    else
        std::snprintf(line, sizeof line,
                      "CLEAR-MOT: MOTA %.3f, MOTP %.3f, ID switches %d (objects %d, matches %d, misses %d, "
                      "false positives %d)\n",
                      m.mota, m.motp, m.idSwitches, m.objects, m.matches, m.misses, m.falsePositives);
    return out + line;
}

}  // namespace tavo_eval
