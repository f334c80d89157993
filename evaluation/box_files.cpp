#include "evaluation/box_files.h"

#include "evaluation/mot_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <unordered_map>

namespace tavo_eval {

namespace fs = std::filesystem;

namespace {

std::string trimmed(const std::string& s)
{
    const auto first = s.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return std::string();
    return s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}

uint64_t frameAndId(int frame, int id)
{
    return (static_cast<uint64_t>(static_cast<uint32_t>(frame)) << 32) | static_cast<uint32_t>(id);
}

// The first fault of the file's records: a frame outside the sequence or
// an id given twice on a frame; empty when there is none.
std::string recordFault(const std::vector<MotRecord>& records, const std::string& path, int length,
                        const std::string& lengthSource)
{
    std::unordered_map<uint64_t, int> lineOf;
    lineOf.reserve(records.size());
    for (const MotRecord& r : records) {
        const std::string where = path + ":" + std::to_string(r.line) + ": ";
        if (r.frame < 1)
            return where + "frame " + std::to_string(r.frame) + ": frames are numbered from 1";
        if (length > 0 && r.frame > length)
            return where + "frame " + std::to_string(r.frame) + " is beyond the sequence's " +
                   std::to_string(length) + " frames (seqLength in " + lengthSource + ")";
        const auto [seen, fresh] = lineOf.emplace(frameAndId(r.frame, r.id), r.line);
        if (!fresh)
            return where + "id " + std::to_string(r.id) + " is given twice on frame " + std::to_string(r.frame) +
                   " (first on line " + std::to_string(seen->second) + ")" +
                   (r.id == kNoIdentity ? ": boxes without identity, as in detection files, are no tracks"
                                                  : "");
    }
    return std::string();
}

}  // namespace

std::optional<std::vector<tavo_eval::EvalRecord>> loadBoxes(const std::string& path, int length,
                                                            const std::string& lengthSource, std::string& error,
                                                            Warnings& warnings)
{
    std::ifstream in(path, std::ios::binary);
    if (!in || fs::is_directory(path)) {
        error = path + ": cannot open: " + (fs::is_directory(path) ? "it is a folder" : std::strerror(errno));
        return std::nullopt;
    }
    const auto records = readMotRecords(in, path, error);
    if (!records)
        return std::nullopt;
    error = recordFault(*records, path, length, lengthSource);
    if (!error.empty())
        return std::nullopt;
    if (records->empty())
        warnings.push_back(path + ": no boxes in the file");
    std::vector<tavo_eval::EvalRecord> boxes;
    boxes.reserve(records->size());
    for (const MotRecord& r : *records)
        boxes.push_back({r.frame, r.id, cv::Rect2d(r.box.x, r.box.y, r.box.width, r.box.height),
                         r.confidence.value_or(1.0)});
    return boxes;
}

std::optional<int> sequenceLength(const std::string& seqinfo, std::string& error)
{
    std::ifstream in(seqinfo);
    if (!in) {
        error = seqinfo + ": cannot open: " + std::strerror(errno) + " (the sequence's length is read from it)";
        return std::nullopt;
    }
    for (std::string line; std::getline(in, line);) {
        const auto equals = line.find('=');
        if (equals == std::string::npos || trimmed(line.substr(0, equals)) != "seqLength")
            continue;
        const std::string value = trimmed(line.substr(equals + 1));
        char* end = nullptr;
        const long n = std::strtol(value.c_str(), &end, 10);
        if (value.empty() || *end != '\0' || n < 1 || n > INT32_MAX) {
            error = seqinfo + ": seqLength '" + value + "' is not a whole number of frames from 1";
            return std::nullopt;
        }
        return static_cast<int>(n);
    }
    error = seqinfo + ": no seqLength= line (the sequence's number of frames)";
    return std::nullopt;
}

std::string seqinfoNear(const std::string& truthFile)
{
    const fs::path folder = fs::path(truthFile).parent_path();
    for (const fs::path& candidate : {folder / "seqinfo.ini", folder.parent_path() / "seqinfo.ini"})
        if (!candidate.empty() && fs::is_regular_file(candidate))
            return candidate.string();
    return std::string();
}

std::string sequenceNameOf(const std::string& truthFile)
{
    const fs::path path = fs::absolute(truthFile).lexically_normal();
    if (path.filename() == "gt.txt" && path.parent_path().filename() == "gt")
        return path.parent_path().parent_path().filename().string();
    return path.stem().string();
}

std::optional<std::vector<std::string>> readSeqmap(const std::string& path, std::string& error)
{
    std::ifstream in(path);
    if (!in) {
        error = "--seqmap " + path + ": cannot open: " + std::strerror(errno);
        return std::nullopt;
    }
    std::vector<std::string> names;
    std::set<std::string> seen;
    int lineNumber = 0;
    bool header = false;
    for (std::string line; std::getline(in, line);) {
        ++lineNumber;
        const std::string name = trimmed(line.substr(0, line.find(',')));
        if (name.empty())
            continue;
        if (!header) {
            header = true;
            if (name != "name") {
                error = path + ":" + std::to_string(lineNumber) + ": expected the header line 'name', not '" + name + "'";
                return std::nullopt;
            }
            continue;
        }
        if (!seen.insert(name).second) {
            error = path + ":" + std::to_string(lineNumber) + ": sequence '" + name + "' is named twice";
            return std::nullopt;
        }
        names.push_back(name);
    }
    if (names.empty())
        error = path + ": names no sequence";
    return names.empty() ? std::nullopt : std::optional(names);
}

std::vector<std::string> sequencesIn(const std::string& truthFolder)
{
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(truthFolder, ec))
        if (fs::is_regular_file(entry.path() / "gt" / "gt.txt"))
            names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> trackersIn(const std::string& trackersFolder, Warnings& warnings)
{
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(trackersFolder, ec)) {
        if (!entry.is_directory())
            continue;
        if (fs::is_directory(entry.path() / "data"))
            names.push_back(entry.path().filename().string());
        else
            warnings.push_back(entry.path().string() + ": no data/ folder: not a tracker's results, left out");
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace tavo_eval
