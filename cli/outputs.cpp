#include "cli/outputs.h"

#include "app/quiet_stderr.h"

#include <opencv2/core/core_c.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace tavo_cli {

TextOutput::~TextOutput()
{
    std::string ignored;
    close(ignored);
}

bool TextOutput::open(const std::string& path, std::string& error)
{
    file_ = std::fopen(path.c_str(), "wb");
    if (!file_) {
        error = "cannot create '" + path + "': " + std::strerror(errno);
        return false;
    }
    path_ = path;
    failed_ = false;
    return true;
}

void TextOutput::write(const std::string& text)
{
    if (file_ && !failed_ && std::fwrite(text.data(), 1, text.size(), file_) != text.size())
        failed_ = true;
}

bool TextOutput::flush(std::string& error)
{
    if (file_ && !failed_ && std::fflush(file_) != 0)
        failed_ = true;
    if (failed_)
        error = "cannot write '" + path_ + "'";
    return !failed_;
}

bool TextOutput::close(std::string& error)
{
    if (!file_)
        return !failed_;
    bool ok = flush(error);
    if (std::fclose(file_) != 0 && ok) {
        failed_ = true;
        error = "cannot write '" + path_ + "'";
        ok = false;
    }
    file_ = nullptr;
    return ok;
}

bool VideoOutput::open(const std::string& path, double framesPerSecond, CvSize size, std::string& error)
{
    QuietStderr quiet;  // the encoder's own complaints are not ours to show
    try {
        writer_.open(path, cv::CAP_FFMPEG, cv::VideoWriter::fourcc('M', 'J', 'P', 'G'), framesPerSecond,
                     cv::Size(size.width, size.height));
    } catch (const cv::Exception&) {
    }
    if (!writer_.isOpened()) {
        error = "cannot create the video '" + path + "'";
        return false;
    }
    return true;
}

void VideoOutput::write(const CvMat& frame)
{
    if (!writer_.isOpened())
        return;
    QuietStderr quiet;
    writer_.write(cv::cvarrToMat(&frame));
}

void VideoOutput::close()
{
    QuietStderr quiet;
    writer_.release();
}

namespace {

bool exists(const std::string& path)
{
    std::error_code ec;
    return std::filesystem::exists(path, ec);
}

}  // namespace

bool Outputs::open(const Options& o, double framesPerSecond, CvSize frameSize, std::string& error)
{
    const auto refused = [this] {
        discard();
        return false;
    };
    if (!o.videoFile.empty()) {
        const bool fresh = !exists(o.videoFile);
        if (!video_.open(o.videoFile, framesPerSecond, frameSize, error))
            return refused();
        if (fresh)
            created_.push_back(o.videoFile);
    }
    if (!o.motFile.empty()) {
        const bool fresh = !exists(o.motFile);
        if (!mot_.open(o.motFile, error))
            return refused();
        if (fresh)
            created_.push_back(o.motFile);
    }
    if (!o.estimatesFile.empty()) {
        if (!estimates_.open(o.estimatesFile, error))
            return refused();
        estimates_.write(kEstimatesHeader);
    }
    return true;
}

bool Outputs::writeFrame(int frameNumber, const tavo& tracker, const CvMat& annotated, std::string& error)
{
    for (const auto& target : tracker.targets) {
        if (mot_.isOpen()) {
            std::optional<double> confidence;
            if (tracker.motion && tracker.motion->lostAndFound)
                confidence = motConfidence(target->motion);
            mot_.write(motLine(frameNumber, target->id,
                               estimateBox(target->estimate, target->baseWidth, target->baseHeight), confidence));
        }
        if (estimates_.isOpen())
            estimates_.write(estimateLine(frameNumber, target->id, target->estimate));
    }
    if (video_.isOpen())
        video_.write(annotated);
    return mot_.flush(error) && estimates_.flush(error);
}

bool Outputs::close(std::string& error)
{
    bool ok = mot_.close(error);
    std::string estimatesError;
    if (!estimates_.close(estimatesError) && ok) {
        error = estimatesError;
        ok = false;
    }
    video_.close();
    return ok;
}

void Outputs::discard()
{
    video_.close();
    std::string ignored;
    mot_.close(ignored);
    estimates_.close(ignored);
    for (const std::string& file : created_)
        std::remove(file.c_str());
    created_.clear();
}

}  // namespace tavo_cli
