#include "cli/mot_file.h"

#include <algorithm>
#include <cmath>

namespace tavo_cli {

namespace {

std::string trimmed(const std::string& s)
{
    const auto first = s.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return std::string();
    const auto last = s.find_last_not_of(" \t\r");
    return s.substr(first, last - first + 1);
}

// A whole number, written as "12" or "12.0" as some tools do.
std::optional<int> wholeNumber(const std::string& text)
{
    const auto v = parseFiniteDouble(text);
    if (!v || *v != std::floor(*v) || *v < INT32_MIN || *v > INT32_MAX)
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
    while (std::getline(in, text)) {
        ++lineNumber;
        if (trimmed(text).empty())
            continue;
        std::vector<std::string> fields;
        std::string::size_type start = 0;
        while (fields.size() < 6) {
            const auto comma = text.find(',', start);
            fields.push_back(trimmed(text.substr(start, comma - start)));
            if (comma == std::string::npos)
                break;
            start = comma + 1;
        }
        const std::string where = name + ":" + std::to_string(lineNumber) + ": ";
        if (fields.size() < 6) {
            error = where + "expected at least six columns frame,id,x,y,w,h";
            return std::nullopt;
        }
        MotRecord r;
        r.line = lineNumber;
        const auto frame = wholeNumber(fields[0]);
        const auto id = wholeNumber(fields[1]);
        if (!frame || !id) {
            error = where + "frame and id must be whole numbers";
            return std::nullopt;
        }
        r.frame = *frame;
        r.id = *id;
        double* box[4] = {&r.box.x, &r.box.y, &r.box.width, &r.box.height};
        for (int i = 0; i < 4; ++i) {
            const auto v = parseFiniteDouble(fields[2 + i]);
            // Beyond a billion pixels a coordinate is garbage, and it would
            // not fit the tracker's ints.
            if (!v || std::fabs(*v) > 1e9) {
                error = where + "x, y, w and h must be numbers, not '" + fields[2 + i] + "'";
                return std::nullopt;
            }
            *box[i] = *v;
        }
        records.push_back(r);
    }
    if (in.bad()) {
        error = name + ": read error";
        return std::nullopt;
    }
    return records;
}

std::optional<std::vector<Box>> readInitialBoxes(std::istream& in, const std::string& name, std::string& error)
{
    auto records = readMotRecords(in, name, error);
    if (!records)
        return std::nullopt;
    if (records->empty()) {
        error = name + ": no boxes in the file";
        return std::nullopt;
    }
    int first = records->front().frame;
    for (const MotRecord& r : *records)
        first = std::min(first, r.frame);
    std::vector<MotRecord> chosen;
    for (const MotRecord& r : *records)
        if (r.frame == first)
            chosen.push_back(r);
    std::stable_sort(chosen.begin(), chosen.end(), [](const MotRecord& a, const MotRecord& b) { return a.id < b.id; });

    std::vector<Box> boxes;
    for (const MotRecord& r : chosen) {
        Box b{static_cast<int>(std::lround(r.box.x)), static_cast<int>(std::lround(r.box.y)),
              static_cast<int>(std::lround(r.box.width)), static_cast<int>(std::lround(r.box.height))};
        if (b.width <= 0 || b.height <= 0) {
            error = name + ":" + std::to_string(r.line) + ": the box of id " + std::to_string(r.id) +
                    " has no pixels (width and height must be at least 1 once rounded)";
            return std::nullopt;
        }
        if (int64_t{b.width} * b.height > INT32_MAX) {
            error = name + ":" + std::to_string(r.line) + ": the box of id " + std::to_string(r.id) + " is too large";
            return std::nullopt;
        }
        boxes.push_back(b);
    }
    return boxes;
}

GroundTruth groupByFrame(const std::vector<MotRecord>& records)
{
    GroundTruth gt;
    for (const MotRecord& r : records)
        gt[r.frame].push_back(r);
    return gt;
}

}  // namespace tavo_cli
