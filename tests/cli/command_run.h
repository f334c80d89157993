#pragma once

// Running tavo-track as a user does, from the tests: each test gets a fresh
// directory of its own, runs the command there through the shell and reads
// back what it printed and wrote.

#include "synthetic_video.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace command_run {

namespace fs = std::filesystem;

struct Result {
    int status = -1;
    std::string out;
    std::string err;
};

inline std::string readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// The temporary files of runs in `dir` (hidden, named ".tavo-..."), sorted.
inline std::vector<std::string> temporaryFiles(const fs::path& dir)
{
    std::vector<std::string> found;
    for (const auto& entry : fs::directory_iterator(dir))
        if (entry.path().filename().string().rfind(".tavo-", 0) == 0)
            found.push_back(entry.path().filename().string());
    std::sort(found.begin(), found.end());
    return found;
}

// A process id that no process has here now: that of a child that ended.
inline pid_t endedProcess()
{
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    ::waitpid(child, nullptr, 0);
    return child;
}

inline std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        result.push_back(line);
    return result;
}

inline std::vector<std::string> split(const std::string& line, char separator = ',')
{
    std::vector<std::string> fields;
    std::istringstream in(line);
    for (std::string field; std::getline(in, field, separator);)
        fields.push_back(field);
    return fields;
}

// A Sun raster image (24-bit, blue-green-red), a format OpenCV reads as
// part of an image sequence.
inline void writeSunRaster(const fs::path& path, const cv::Mat& bgr)
{
    std::ofstream out(path, std::ios::binary);
    const auto word = [&](uint32_t v) {
        const char b[4] = {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
        out.write(b, 4);
    };
    const uint32_t rowBytes = (bgr.cols * 3 + 1) & ~1u;  // rows padded to 16 bits
    for (uint32_t v : {0x59a66a95u, uint32_t(bgr.cols), uint32_t(bgr.rows), 24u, rowBytes * bgr.rows, 1u, 0u, 0u})
        word(v);
    std::vector<char> row(rowBytes, 0);
    for (int y = 0; y < bgr.rows; ++y) {
        std::copy_n(bgr.ptr<char>(y), bgr.cols * 3, row.begin());
        out.write(row.data(), rowBytes);
    }
}

// Every test works in a fresh directory of its own.
class CliCommand : public ::testing::Test {
protected:
    void SetUp() override
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = fs::path(TAVO_BINARY_DIR) / "cli-test-runs" / info->name();
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }

    fs::path path(const std::string& name) const { return dir_ / name; }

    // Runs a shell command in the test's directory (or `cwd`), without a
    // terminal.
    Result shell(const std::string& command, const fs::path& cwd = {}) const
    {
        const fs::path where = cwd.empty() ? dir_ : cwd;
        const std::string line = "cd '" + where.string() + "' && { " + command + "; } >'" +
                                 path("stdout.txt").string() + "' 2>'" + path("stderr.txt").string() + "' </dev/null";
        Result r;
        const int raw = std::system(line.c_str());
        r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        r.out = readFile(path("stdout.txt"));
        r.err = readFile(path("stderr.txt"));
        return r;
    }

    Result track(const std::string& args, const fs::path& cwd = {}) const
    {
        return shell("'" TAVO_TRACK "' " + args, cwd);
    }

    // The synthetic clip with its ground truth, `frames` frames long.
    void makeClip(int frames) const
    {
        ASSERT_TRUE(synthetic::writeVideo(path("clip.avi"), frames));
        ASSERT_TRUE(synthetic::writeGroundTruth(path("clip.gt.txt"), frames));
    }

    fs::path dir_;
};

}  // namespace command_run
