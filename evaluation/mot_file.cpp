#include "evaluation/mot_file.h"

#include "evaluation/text_input.h"
#include "settings/number_text.h"
#include "session/tracking_session.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace tavo_eval {

namespace {

// The columns read: frame, id, x, y, w, h and the confidence.
constexpr size_t kColumnsRead = 7;
constexpr size_t kColumnsNeeded = 6;
const char* const kByteOrderMark = "\xEF\xBB\xBF";

std::string trimmed(const std::string& s)
{
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string::npos)
        return std::string();
    const auto last = s.find_last_not_of(" \t");
    return s.substr(first, last - first + 1);
}

// One line ended by LF, CR or CR LF, without its end; false when the input
// has no more.  A NUL byte ends the line too, and is kept in it for the
// caller to refuse.  `left` counts down the bytes the input may still hold:
// below 0, the input is too large and the line is cut.
bool readLine(std::istream& in, std::string& line, long long& left)
{
    line.clear();
    std::streambuf* buffer = in.rdbuf();
    bool any = false;
    while (left >= 0) {
        const int c = buffer->sbumpc();
        if (c == std::char_traits<char>::eof()) {
            in.setstate(std::ios::eofbit);
            return any;
        }
        any = true;
        --left;
        if (c == '\n')
            return true;
        if (c == '\r') {
            if (buffer->sgetc() == '\n' && left > 0) {
                buffer->sbumpc();
                --left;
            }
            return true;
        }
        line.push_back(static_cast<char>(c));
        if (c == '\0')
            return true;
    }
    return true;
}

// A field as it is quoted in a message: bytes that do not print shown as
// \xNN, so that a NUL does not end the message.
std::string visible(const std::string& field)
{
    std::string text;
    for (const char c : field) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte != 0x7f) {
            text.push_back(c);
            continue;
        }
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, "\\x%02x", byte);
        text += escaped;
    }
    return text;
}

// A whole number, written as "12" or "12.0" as some tools do.  `tooLarge`
// tells a number beyond an int from something else.
std::optional<int> wholeNumber(const std::string& text, bool& tooLarge)
{
    const auto v = parseFiniteDouble(text);
    tooLarge = v && (*v < INT32_MIN || *v > INT32_MAX);
    if (!v || tooLarge || *v != std::floor(*v))
        return std::nullopt;
    return static_cast<int>(*v);
}

}  // namespace

std::optional<std::vector<MotRecord>> readMotRecords(std::istream& in, const std::string& name,
                                                     std::string& error)
{
    std::vector<MotRecord> records;
    std::string text;
    int lineNumber = 0;
    long long left = kLargestTextInput;
    while (readLine(in, text, left)) {
        ++lineNumber;
        if (left < 0) {
            error = name + ": " + tooLargeReason("MOTChallenge file");
            return std::nullopt;
        }
        if (text.find('\0') != std::string::npos) {
            error = name + ": " + nulByteReason(static_cast<size_t>(lineNumber));
            return std::nullopt;
        }
        if (lineNumber == 1 && text.rfind(kByteOrderMark, 0) == 0)
            text.erase(0, 3);
        if (trimmed(text).empty())
            continue;
        std::vector<std::string> fields;
        std::string::size_type start = 0;
        while (fields.size() < kColumnsRead) {
            const auto comma = text.find(',', start);
            fields.push_back(trimmed(text.substr(start, comma - start)));
            if (comma == std::string::npos)
                break;
            start = comma + 1;
        }
        const std::string where = name + ":" + std::to_string(lineNumber) + ": ";
        if (fields.size() < kColumnsNeeded) {
            error = where + "expected at least six columns frame,id,x,y,w,h";
            return std::nullopt;
        }
        MotRecord r;
        r.line = lineNumber;
        bool frameTooLarge = false, idTooLarge = false;
        const auto frame = wholeNumber(fields[0], frameTooLarge);
        const auto id = wholeNumber(fields[1], idTooLarge);
        if (frameTooLarge || idTooLarge) {
            error = where + "the " + (frameTooLarge ? "frame" : "id") + " '" + visible(fields[frameTooLarge ? 0 : 1]) +
                    "' is too large (at most " + std::to_string(INT32_MAX) + ")";
            return std::nullopt;
        }
        if (!frame || !id) {
            error = where + "frame and id must be whole numbers";
            return std::nullopt;
        }
        r.frame = *frame;
        r.id = *id;
        double* box[4] = {&r.box.x, &r.box.y, &r.box.width, &r.box.height};
        for (int i = 0; i < 4; ++i) {
            const auto v = parseFiniteDouble(fields[2 + i]);
            if (!v) {
                error = where + "x, y, w and h must be numbers, not '" + visible(fields[2 + i]) + "'";
                return std::nullopt;
            }
            if (std::fabs(*v) > kMaxBoxCoordinate) {
                error = where + "'" + visible(fields[2 + i]) + "' is too large: coordinates and sizes are at most " +
                        std::to_string(kMaxBoxCoordinate) + " pixels";
                return std::nullopt;
            }
            *box[i] = *v;
        }
        if (fields.size() > kColumnsNeeded)
            r.confidence = parseFiniteDouble(fields[kColumnsNeeded]);
        records.push_back(r);
    }
    if (in.bad()) {
        error = name + ": read error";
        return std::nullopt;
    }
    return records;
}

namespace {

// The record's box as a target's, or nothing with `error` set.
std::optional<InitialTarget> targetOf(const MotRecord& r, int id, const std::string& name, std::string& error)
{
    const std::string where = name + ":" + std::to_string(r.line) + ": ";
    InitialTarget t;
    t.id = id;
    t.frame = r.frame;
    t.box = Box{static_cast<int>(std::lround(r.box.x)), static_cast<int>(std::lround(r.box.y)),
                static_cast<int>(std::lround(r.box.width)), static_cast<int>(std::lround(r.box.height))};
    t.line = r.line;
    t.zeroConfidence = r.confidence && *r.confidence == 0.0;
    if (t.box.width <= 0 || t.box.height <= 0) {
        error = where + "the box of id " + std::to_string(t.id) +
                " has no pixels (width and height must be at least 1 once rounded)";
        return std::nullopt;
    }
    if (const auto problem = boxRangeProblem(t.box)) {
        error = where + "the box of id " + std::to_string(t.id) + ": " + *problem;
        return std::nullopt;
    }
    return t;
}

}  // namespace

std::optional<std::vector<InitialTarget>> readInitialTargets(std::istream& in, const std::string& name,
                                                             std::string& error, int startFrame)
{
    auto records = readMotRecords(in, name, error);
    if (!records)
        return std::nullopt;
    std::vector<const MotRecord*> used;
    for (const MotRecord& r : *records) {
        if (r.id <= 0 && r.id != kNoIdentity) {
            error = name + ":" + std::to_string(r.line) + ": expected a positive id (or " +
                    std::to_string(kNoIdentity) + " for a box without one), not " + std::to_string(r.id);
            return std::nullopt;
        }
        if (r.frame >= startFrame)
            used.push_back(&r);
    }
    if (used.empty()) {
        error = name + ": no boxes in the file" +
                (records->empty() ? std::string() : " on frame " + std::to_string(startFrame) + " or later");
        return std::nullopt;
    }
    int first = used.front()->frame;
    for (const MotRecord* r : used)
        first = std::min(first, r->frame);

    // Each id's record on its first frame, once; records without one come
    // after the highest id.
    std::map<int, const MotRecord*> startOfId;
    int highest = 0;
    for (const MotRecord* r : used) {
        if (r->id == kNoIdentity)
            continue;
        highest = std::max(highest, r->id);
        const auto [seen, fresh] = startOfId.emplace(r->id, r);
        if (fresh || r->frame > seen->second->frame)
            continue;
        if (r->frame == seen->second->frame) {
            error = name + ":" + std::to_string(r->line) + ": id " + std::to_string(r->id) +
                    " is given twice on frame " + std::to_string(r->frame) + " (first on line " +
                    std::to_string(seen->second->line) + ")";
            return std::nullopt;
        }
        seen->second = r;
    }

    std::vector<InitialTarget> targets;
    for (const auto& [id, r] : startOfId) {
        const auto t = targetOf(*r, id, name, error);
        if (!t)
            return std::nullopt;
        targets.push_back(*t);
    }
    for (const MotRecord* r : used) {
        if (r->id != kNoIdentity || r->frame != first)
            continue;
        if (highest == INT32_MAX) {
            error = name + ":" + std::to_string(r->line) + ": no id is left for a box without one";
            return std::nullopt;
        }
        const auto t = targetOf(*r, ++highest, name, error);
        if (!t)
            return std::nullopt;
        targets.push_back(*t);
    }
    std::stable_sort(targets.begin(), targets.end(), [](const InitialTarget& a, const InitialTarget& b) {
        return a.frame != b.frame ? a.frame < b.frame : a.id < b.id;
    });
    return targets;
}

GroundTruth groupByFrame(const std::vector<MotRecord>& records)
{
    GroundTruth gt;
    for (const MotRecord& r : records)
        gt[r.frame].push_back(r);
    return gt;
}

}  // namespace tavo_eval
