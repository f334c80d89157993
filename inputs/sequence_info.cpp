#include "inputs/sequence_info.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

const char* const kFramesFolder = "img1";
const char* const kInfoFile = "seqinfo.ini";
const std::string kRateKey = "frameRate";

std::string trimmed(const std::string& s)
{
    const auto first = s.find_first_not_of(" \t\r");
    const auto last = s.find_last_not_of(" \t\r");
    return first == std::string::npos ? std::string() : s.substr(first, last - first + 1);
}

}  // namespace

bool isMotSequence(const std::string& folder)
{
    std::error_code ec;
    return fs::is_directory(fs::path(folder) / kFramesFolder, ec) &&
           fs::is_regular_file(fs::path(folder) / kInfoFile, ec);
}

std::string sequenceFrames(const std::string& folder) { return (fs::path(folder) / kFramesFolder).string(); }

double sequenceFrameRate(const std::string& folder, std::string& problem)
{
    const fs::path info = fs::path(folder) / kInfoFile;
    std::ifstream in(info);
    for (std::string line; std::getline(in, line);) {
        const auto eq = line.find('=');
        if (eq == std::string::npos || trimmed(line.substr(0, eq)) != kRateKey)
            continue;
        const std::string value = trimmed(line.substr(eq + 1));
        char* end = nullptr;
        const double rate = std::strtod(value.c_str(), &end);
        const std::string where = "'" + info.string() + "': " + kRateKey + " '" + value + "' ";
        if (value.empty() || end != value.c_str() + value.size() || !std::isfinite(rate) || rate <= 0)
            problem = where + "is not a number of frames per second above 0";
        else if (rate > kFastestSequenceRate)
            problem = where + "is too large (at most " + std::to_string(static_cast<int>(kFastestSequenceRate)) +
                      " frames per second)";
        else
            return rate;
        return 0.0;
    }
    return 0.0;
}
