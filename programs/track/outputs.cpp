#include "programs/track/outputs.h"

#include "inputs/quiet_stderr.h"
#include "programs/track/error_plot.h"
#include "programs/track/result_commit.h"
#include "programs/track/stale_temporaries.h"
#include "programs/track/video_codec.h"

#include <opencv2/core/core_c.h>
#include <opencv2/imgcodecs.hpp>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace tavo_cli {

bool TextOutput::open(const std::string& path, std::string& error)
{
    discard();
    const int fd = pending_.create(option_, path, error);
    if (fd < 0)
        return false;
    file_ = ::fdopen(fd, "wb");
    if (!file_) {
        error = pending_.error("create", errno);
        ::close(fd);
        pending_.discard();
        return false;
    }
    failure_ = 0;
    return true;
}

// Each call clears errno first, so that a failure is told by its own reason.

void TextOutput::write(const std::string& text)
{
    errno = 0;
    if (file_ && !failure_ && std::fwrite(text.data(), 1, text.size(), file_) != text.size())
        failure_ = errno ? errno : EIO;
}

bool TextOutput::fail(std::string& error)
{
    error = pending_.error("write", failure_);
    return false;
}

bool TextOutput::flush(std::string& error)
{
    errno = 0;
    if (file_ && !failure_ && std::fflush(file_) != 0)
        failure_ = errno ? errno : EIO;
    return failure_ ? fail(error) : true;
}

bool TextOutput::close(std::string& error)
{
    if (!file_)
        return failure_ ? fail(error) : true;
    flush(error);
    errno = 0;
    if (std::fclose(file_) != 0 && !failure_)
        failure_ = errno ? errno : EIO;
    file_ = nullptr;
    return failure_ ? fail(error) : true;
}

void TextOutput::discard()
{
    if (file_)
        std::fclose(file_);
    file_ = nullptr;
    pending_.discard();
}

namespace {

// Free space below which a file system counts as full: a write of the video
// writer (a frame, or its buffer of 32 KiB) no longer fits.
constexpr uint64_t kFullFileSystemBytes = uint64_t{1} << 20;
// The video writer's buffer: the most one of its writes adds to the file.
constexpr uint64_t kVideoWriteBytes = uint64_t{32} << 10;

// Whether the file system holding `name` has no room left for us.
bool fileSystemFull(const std::string& name)
{
    struct statvfs fs {};
    if (::statvfs(name.c_str(), &fs) != 0)
        return false;
    // The blocks kept for the superuser are ours when we are it.
    const uint64_t blocks = ::geteuid() == 0 ? fs.f_bfree : fs.f_bavail;
    return blocks * fs.f_frsize < kFullFileSystemBytes;
}

// Whether a file of `size` bytes has grown as far as the file-size limit
// (ulimit -f) lets it, give or take a write of the video writer.
bool reachesSizeLimit(off_t size)
{
    struct rlimit limit {};
    if (::getrlimit(RLIMIT_FSIZE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return false;
    return static_cast<uint64_t>(size) + kVideoWriteBytes >= limit.rlim_cur;
}

}  // namespace

bool VideoOutput::open(const std::string& path, double framesPerSecond, CvSize size, std::string& error)
{
    discard();
    const int fd = pending_.create("--video", path, error);
    if (fd < 0)
        return false;
    ::close(fd);  // the writer opens the file by its name
    const VideoCodec codec = videoCodecFor(path);
    const cv::Size frameSize(size.width, size.height);
    bool opened = false;
    if (!frameSizeRefusal(codec, frameSize)) {
        QuietStderr quiet;  // the encoder's own complaints are not ours to show
        opened = openVideoWriter(writer_, pending_.writtenName(), codec, framesPerSecond, frameSize);
    }
    struct stat file {};
    if (!opened && ::stat(pending_.writtenName().c_str(), &file) != 0)
        error = pending_.error("create", errno);  // gone meanwhile, with its folder say
    else if (!opened)
        error = videoRefusalMessage(path, codec, frameSize);
    if (!opened) {
        pending_.discard();
        return false;
    }
    framesWritten_ = 0;
    return true;
}

void VideoOutput::write(const CvMat& frame)
{
    if (!writer_.isOpened())
        return;
    QuietStderr quiet;
    writer_.write(cv::cvarrToMat(&frame));
    ++framesWritten_;
}

bool VideoOutput::close(std::string& error)
{
    if (!writer_.isOpened())
        return true;
    {
        QuietStderr quiet;
        writer_.release();
    }
    const std::string& written = pending_.writtenName();
    if (framesWritten_ == 0 || pending_.writesDirectly())
        return true;  // nothing to check, or a device such as /dev/null

    // The file must read back with every frame, in its index and its data.
    int held = 0;
    double declared = 0;
    {
        QuietStderr quiet;
        try {
            cv::VideoCapture check(written, cv::CAP_FFMPEG);
            if (check.isOpened()) {
                declared = check.get(cv::CAP_PROP_FRAME_COUNT);
                while (check.grab())
                    ++held;
            }
        } catch (const cv::Exception&) {
        }
    }
    if (held == framesWritten_ && declared == framesWritten_)
        return true;
    error = incompleteReason(std::min(held, static_cast<int>(declared)));
    return false;
}

std::string VideoOutput::incompleteReason(int held) const
{
    // The writer keeps the system's reason to itself: it is told from the
    // file and its surroundings.
    const std::string& written = pending_.writtenName();
    struct stat file {};
    if (::stat(written.c_str(), &file) != 0)
        return pending_.error("write", errno);  // removed, or its folder
    if (fileSystemFull(written))
        return pending_.error("write", ENOSPC);
    if (reachesSizeLimit(file.st_size))
        return pending_.error("write", EFBIG);
    return "--video: cannot write the video '" + pending_.name() + "': the file holds " + std::to_string(held) +
           " of the " + std::to_string(framesWritten_) + " frames written";
}

void VideoOutput::discard()
{
    if (writer_.isOpened()) {
        QuietStderr quiet;
        writer_.release();
    }
    pending_.discard();
}

bool PictureOutput::open(const std::string& path, std::string& error)
{
    discard();
    fd_ = pending_.create(option_, path, error);
    return fd_ >= 0;
}

bool PictureOutput::write(const cv::Mat& picture, std::string& error)
{
    if (fd_ < 0)
        return true;
    std::vector<uchar> png;
    bool encoded = false;
    try {
        encoded = cv::imencode(".png", picture, png);
    } catch (const cv::Exception&) {
    }
    int failure = encoded ? 0 : EINVAL;
    for (size_t done = 0; !failure && done < png.size();) {
        const ssize_t n = ::write(fd_, png.data() + done, png.size() - done);
        if (n > 0)
            done += static_cast<size_t>(n);
        else if (n < 0 && errno != EINTR)
            failure = errno;
    }
    if (::close(fd_) != 0 && !failure)
        failure = errno;
    fd_ = -1;
    if (!failure)
        return true;
    error = pending_.error("write", failure);
    return false;
}

void PictureOutput::discard()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    pending_.discard();
}

namespace {

// The output files the options name, with the option that names each.
std::vector<std::pair<const char*, std::string>> namedOutputs(const Options& o)
{
    std::vector<std::pair<const char*, std::string>> named;
    for (const auto& [option, name] : {std::pair<const char*, const std::string&>{"--video", o.videoFile},
                                       {"--mot", o.motFile},
                                       {"--estimates", o.estimatesFile},
                                       {"--confidence-terms", o.confidenceTermsFile},
                                       {"--plot", o.plotFile}})
        if (!name.empty())
            named.emplace_back(option, name);
    if (!o.plotFile.empty() && !o.gtFile.empty())
        named.emplace_back("--plot", errorPlotName(o.plotFile));
    return named;
}

}  // namespace

std::optional<std::string> protectedOutput(const Options& options)
{
    for (const auto& [option, name] : namedOutputs(options))
        if (const auto why = PendingFile::writeProtection(name))
            return std::string(option) + ": cannot replace '" + name + "': " + *why;
    return std::nullopt;
}

bool Outputs::open(const Options& o, double framesPerSecond, CvSize frameSize, std::string& error)
{
    const auto refused = [this] {
        discard();
        return false;
    };
    std::vector<std::string> folders;
    for (const auto& named : namedOutputs(o))
        if (const auto folder = PendingFile::temporaryFolder(named.second))
            folders.push_back(*folder);
    warnings_ = removeStaleTemporaries(folders);

    if (!o.videoFile.empty() && !video_.open(o.videoFile, framesPerSecond, frameSize, error))
        return refused();
    if (!o.motFile.empty() && !mot_.open(o.motFile, error))
        return refused();
    if (!o.estimatesFile.empty()) {
        if (!estimates_.open(o.estimatesFile, error))
            return refused();
        withStates_ = o.states;
        estimates_.write(withStates_ ? kEstimatesHeaderWithStates : kEstimatesHeader);
    }
    if (!o.confidenceTermsFile.empty()) {
        if (!terms_.open(o.confidenceTermsFile, error))
            return refused();
        terms_.write(kConfidenceTermsHeader);
    }
    if (!o.plotFile.empty() && !plot_.open(o.plotFile, error))
        return refused();
    if (!o.plotFile.empty() && !o.gtFile.empty() && !errorPlot_.open(errorPlotName(o.plotFile), error))
        return refused();
    for (PendingFile* file : {&video_.pending(), &mot_.pending(), &estimates_.pending(), &terms_.pending(),
                              &plot_.pending(), &errorPlot_.pending()})
        if (file->pending() && file->replacesSharedFile())
            warnings_.push_back(file->option() + ": '" + file->name() +
                                "' has other names (hard links), which keep its earlier content: the results "
                                "replace this name only");
    return true;
}

bool Outputs::writeFrame(int frameNumber, const std::vector<TrackedTarget>& targets, bool withConfidence,
                         const CvMat* annotated, std::string& error)
{
    for (const TrackedTarget& target : targets) {
        // A lost target claims no box, as in other trackers' MOT files.
        if (mot_.isOpen() && !target.lost)
            mot_.write(motLine(frameNumber, target.id, target.box,
                               withConfidence ? std::optional<double>(target.confidence) : std::nullopt,
                               target.inFrame));
        if (estimates_.isOpen())
            estimates_.write(estimateLine(frameNumber, target, withStates_));
        // Only a confidence that was computed has terms.
        if (terms_.isOpen() && !target.lost && target.inFrame)
            terms_.write(confidenceTermsLine(frameNumber, target));
    }
    if (video_.isOpen() && annotated)
        video_.write(*annotated);
    return mot_.flush(error) && estimates_.flush(error) && terms_.flush(error);
}

bool Outputs::close(std::string& error)
{
    // Every file is closed; the first failure is the one reported.
    std::string errors[4];
    const bool ok[4] = {mot_.close(errors[0]), estimates_.close(errors[1]), terms_.close(errors[2]),
                        video_.close(errors[3])};
    for (int i = 0; i < 4; ++i)
        if (!ok[i]) {
            error = errors[i];
            return false;
        }
    return true;
}

bool Outputs::commit(std::string& error)
{
    return commitTogether({&video_.pending(), &mot_.pending(), &estimates_.pending(), &terms_.pending(),
                           &plot_.pending(), &errorPlot_.pending()},
                          error);
}

void Outputs::discard()
{
    video_.discard();
    mot_.discard();
    estimates_.discard();
    terms_.discard();
    plot_.discard();
    errorPlot_.discard();
}

}  // namespace tavo_cli
