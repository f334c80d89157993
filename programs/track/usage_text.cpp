#include "programs/track/option_table.h"

#include <algorithm>
#include <sstream>

#ifndef TAVO_VERSION
#define TAVO_VERSION "unknown"
#endif

namespace tavo_cli {

namespace {

// Lines of --help are at most this wide; option texts start in this column.
constexpr size_t kHelpWidth = 79;
constexpr size_t kHelpColumn = 20;
// A space that --help does not break a line at.
constexpr char kNoBreak = '\x1f';

// The sections of --help, in order, each with its heading.
struct SectionHeading {
    Section section;
    const char* heading;
};

const SectionHeading kSections[] = {
    {Section::Input, "Input:"},
    {Section::Targets, "Targets:"},
    {Section::Tracking, "Tracking:"},
    {Section::ColourModel,
     "Colour model, for real footage (default: each target's histogram of the hue alone, learnt once):"},
    {Section::Foreground, "Foreground, for a still camera:"},
    {Section::Adaptation, "Adaptation, for objects whose look changes:"},
    {Section::Motion,
     "Motion, for objects that turn, jump, stop or grow (default: none of it, constant velocity with random "
     "acceleration alone):"},
    {Section::LostAndFound, "Lost and found, for objects that are hidden:"},
    {Section::Outputs, "Outputs (default: none):"},
    {Section::Windows, "Windows:"},
    {Section::General, "General:"},
};

// Words of `text` in lines of at most `width` columns, each indented by
// `indent` spaces; the first line starts with `first` instead (as long).
std::string wrapped(const std::string& text, size_t indent, size_t width, std::string first = {})
{
    std::istringstream words(text);
    std::string out, line, word;
    std::string prefix = first.empty() ? std::string(indent, ' ') : std::move(first);
    while (words >> word) {
        if (!line.empty() && indent + line.size() + 1 + word.size() > width) {
            out += prefix + line + "\n";
            prefix = std::string(indent, ' ');
            line.clear();
        }
        line += (line.empty() ? "" : " ") + word;
    }
    if (!line.empty())
        out += prefix + line + "\n";
    std::replace(out.begin(), out.end(), kNoBreak, ' ');
    return out;
}

std::string replaced(std::string text, const std::string& what, const std::string& by)
{
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + by.size()))
        text.replace(at, what.size(), by);
    return text;
}

// An option's entry in --help: its names and value on the left, its text
// (with its default) beside them, or below them when they are too long.
std::string helpEntry(const Option& o, const TrackingSettings& defaults)
{
    std::string text = replaced(o.help, "{range}", (o.setting ? o.setting->expected : std::string()));
    text = replaced(text, "{preset}", robustPresetText());
    if (!o.defaultText.empty())
        text += " (" + o.defaultText + ")";
    else if (o.setting && o.takesValue())
        text += std::string(" (default") + kNoBreak + o.setting->text(defaults) + ")";

    std::string label = "  " + (o.shortName.empty() ? "" : o.shortName + ", ") + o.name;
    if (o.takesValue())
        label += " " + o.value;
    if (label.size() + 2 > kHelpColumn)
        return label + "\n" + wrapped(text, kHelpColumn, kHelpWidth);
    return wrapped(text, kHelpColumn, kHelpWidth, label + std::string(kHelpColumn - label.size(), ' '));
}

}  // namespace

std::string robustPresetText()
{
    const TrackingSettings defaults;
    const TrackingSettings robust = robustSettings();
    std::string text;
    for (const Option& o : optionTable()) {
        if (!o.setting || o.setting->text(robust) == o.setting->text(defaults))
            continue;
        text += (text.empty() ? "" : " ") + o.name;
        if (o.takesValue())
            text += " " + o.setting->text(robust);
    }
    return text;
}

std::string usageText()
{
    const TrackingSettings defaults;
    std::string s = "Usage: tavo-track [VIDEO] [options]\n\n" +
                    wrapped("Tracks targets through a video with the TAVO multi-target particle filter, without a "
                            "window unless --select or --show asks for one.  VIDEO defaults to " +
                                Options{}.video +
                                ".  The targets are given with --box, --targets or --select; the demo's video "
                                "(a file named " +
                                kDemoVideoName +
                                ") needs none of them: its nine targets are tracked, so that tavo-track alone "
                                "runs the demo headless.",
                            0, kHelpWidth);
    for (const SectionHeading& section : kSections) {
        s += "\n" + wrapped(section.heading, 0, kHelpWidth);
        for (const Option& o : optionTable())
            if (o.section == section.section)
                s += helpEntry(o, defaults);
    }
    const std::string limit = std::to_string(kMaxBoxCoordinate);
    for (const std::string& paragraph : {
             "Boxes are read and written in pixels of the frame, column 0 and row 0 first, within -" + limit +
                 " and " + limit +
                 ".  Result files, the pictures included, are written under temporary names beside them and "
                 "replace earlier files of their names, all together, only when the run succeeds, is interrupted "
                 "after its first frame or stops at a frame of another size; an earlier file that is write-protected (no write permission bit) is "
                 "refused before the run starts, as the shell's > refuses it.  "
                 "Up to " +
                 std::to_string(kStandardTargetCount) +
                 " targets, the sample store is sized as in the demo; more are accepted while samples times "
                 "targets stays within " +
                 std::to_string(kMaxStoreSlots) + ".",
             std::string("VIDEO is a video file, a numbered image sequence (seq/img%04d.png, printf's "
                         "numbering), a folder of images (png, jpg, bmp, tif, ppm, webp, ...: in natural order, "
                         "img2 before img10, at 25 frames/s) or a MOTChallenge sequence folder (img1/ and "
                         "seqinfo.ini, whose frameRate is used), never one of FFmpeg's "
                         "protocols: file:x.avi is the file of that name.  Frames of a video file that change "
                         "size are not seen as such: OpenCV's FFmpeg reader keeps the first frame's size, gives "
                         "a frame that grows as the last frame of that size again and one that shrinks "
                         "distorted, and the run goes on; an image sequence stops at a frame of another size."),
             std::string("--select and --show need a display."),
             std::string("Ctrl-C (SIGINT), SIGTERM or a hangup (SIGHUP) stops the run at once, even inside a "
                         "long frame: the result files keep every frame tracked before it, complete, and nothing "
                         "of the unfinished one.  A second one, SIGQUIT, the CPU time limit or another signal that "
                         "ends a process (SIGUSR1, SIGALRM, ...) ends it at once and removes its temporary files; "
                         "those of a run killed outright are removed by the next run writing into their folder."),
             std::string("Exit status: 0 success (warnings go to stderr; also when stopped from the window), 1 "
                         "run-time error (video, files, standard output, a frame of another size), 2 usage error "
                         "(also a run that needs more memory than the machine has, no display for a window, no "
                         "target selected, a write-protected result file), 130 or 143 after SIGINT or SIGTERM, 129 "
                         "after SIGHUP."),
         })
        s += "\n" + wrapped(paragraph, 0, kHelpWidth);
    return s;
}

std::string versionText() { return std::string("tavo-track ") + TAVO_VERSION + "\n"; }

}  // namespace tavo_cli
