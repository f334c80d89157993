#include "programs/track/option_table.h"

#include "programs/track/option_builders.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <utility>

namespace tavo_cli {

namespace {

using S = Section;

// --progress or --no-progress.
Option progress(const char* name, bool shown, const char* help)
{
    Option o = option(name, "", S::Outputs, help);
    o.set = [shown](Options& options, const std::string&) {
        options.progress = shown;
        return kSet;
    };
    return o;
}

// The picture's format follows from its name, and the error plot's name is
// made from it.
bool hasPngExtension(const std::string& name)
{
    const std::string::size_type n = name.size();
    if (n < 5 || name[n - 4] != '.')
        return false;
    std::string ext = name.substr(n - 3);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    return ext == "png";
}

Option camera()
{
    Option camera = option("--camera", "N", S::Input,
                           "track what camera N (0: the first) films, instead of VIDEO, until Ctrl-C or --frames; "
                           "give the targets with --select (or --box)");
    camera.set = [](Options& o, const std::string& text) -> Refusal {
        const auto n = parseInt(text);
        // Digits alone, beyond even a 64-bit integer, are a number too large.
        const bool digits = !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
        if (!n && (parseInt64(text) > 0 || digits))
            return "at most " + std::to_string(INT32_MAX);
        if (!n || *n < 0)
            return std::string("expected a camera number, 0 or more");
        o.camera = *n;
        return kSet;
    };
    return camera;
}

Option boxId()
{
    Option boxId = option("--box-id", "ID,X,Y,W,H", S::Targets,
                          "a target rectangle as with --box, with its own id ID > 0 (each id once); repeat for "
                          "more targets; not combined with --box");
    boxId.set = [](Options& o, const std::string& text) -> Refusal {
        const auto comma = text.find(',');
        const auto id = parseInt(text.substr(0, comma));
        if (comma == std::string::npos || !id || *id <= 0)
            return std::string("expected a positive id before the box: ID,X,Y,W,H");
        if (std::find(o.boxIds.begin(), o.boxIds.end(), *id) != o.boxIds.end())
            return "the id " + std::to_string(*id) + " is given twice";
        std::string why;
        const auto b = parseBox(text.substr(comma + 1), why);
        if (!b)
            return why;
        o.boxes.push_back(*b);
        o.boxIds.push_back(*id);
        return kSet;
    };
    boxId.repeatable = true;
    return boxId;
}

void addInputAndTargets(std::vector<Option>& t)
{
    t.push_back(camera());
    t.push_back(positive("--start", S::Input, &Options::start,
                         "begin at frame N of the video (the frames before are read and skipped); frame numbers "
                         "in every output stay the video's, and --box and --select boxes are on frame N "
                         "(default 1)"));
    Option box =
        option("--box", "X,Y,W,H", S::Targets,
               "a target rectangle on the first frame tracked: top-left corner and size in pixels, W and H > 0; "
               "repeat for more targets, which get the ids 1, 2, 3, ... in the order given");
    box.set = [](Options& o, const std::string& text) -> Refusal {
        std::string why;
        const auto b = parseBox(text, why);
        if (!b)
            return why;
        o.boxes.push_back(*b);
        return kSet;
    };
    box.repeatable = true;
    t.push_back(box);
    t.push_back(boxId());
    t.push_back(file("--targets", "FILE", S::Targets, &Options::targetsFile,
                     "the boxes of a MOTChallenge file (ground truth or detections): each id starts on its "
                     "first row at or after the first frame tracked (which must have boxes) and keeps its id; "
                     "boxes with id -1 count on that first frame alone and are numbered after the highest id; "
                     "a warning names rows of confidence 0"));
    t.push_back(flag("--reinit-from-targets", S::Targets, &Options::reinitFromTargets,
                     "a --targets file's later rows of a running id re-initialise that target at the row's box "
                     "on the row's frame (its appearance relearnt, its search started there, its id kept); "
                     "without it (the default) such rows are only the file's truth.  Rows that cannot be "
                     "applied are warned about"));
    t.push_back(positive("--drop-lost", S::Targets, &Options::dropLost,
                         "drop a target once it has been lost (see --states) N frames in a row: the --mot and "
                         "--estimates files have no rows for it from then on, and a line after the summary (also "
                         "with --quiet) notes the frame (default: never)"));
    t.push_back(file("--apply-edits", "FILE", S::Targets, &Options::applyEditsFile,
                     "apply the changes to the targets that --edits wrote (lines FRAME add|drop|reinit ID "
                     "[X Y W H]), each after its frame is tracked and written, exactly as they were made: with "
                     "the same video, options and --seed the run is repeated bit for bit.  A line that cannot "
                     "be applied is warned about"));
    t.push_back(flag("--demo-targets", S::Targets, &Options::demoTargets,
                     "the demo's nine targets, on any video (the demo's own, TAVO_DEMO.avi, gets them without "
                     "it)"));
}

Option draw()
{
    Option draw = option("--draw", "boxes|samples|design", S::Outputs,
                         "how --video and --show draw the targets: boxes, each target's box in its own colour "
                         "with its id (and confidence, with --lost-and-found) on a label, dashed where it was last "
                         "seen while it is lost, and the path of its centre over the last 20 frames; samples, the "
                         "boxes over each target's samples, drawn faintly; design, the tracker's own drawing: every "
                         "sample's outline in red, the estimates in black, links between neighbours, id labels");
    draw.set = [](Options& o, const std::string& text) -> Refusal {
        const auto style = drawingStyleNamed(text);
        if (!style)
            return std::string("expected boxes, samples or design");
        o.drawing = *style;
        return kSet;
    };
    draw.defaultText = "default design, boxes with --robust";
    return draw;
}

Option plot()
{
    Option plot = file("--plot", "FILE.png", S::Outputs, &Options::plotFile,
                       "a picture of every target's path over the first frame; with --gt also FILE-errors.png, "
                       "the centre error and the overlap with the ground truth of every target over the frames");
    plot.set = [setFile = plot.set](Options& o, const std::string& text) -> Refusal {
        if (!text.empty() && !hasPngExtension(text))
            return std::string("the picture is a PNG file, its name ends in .png");
        return setFile(o, text);
    };
    return plot;
}

void addOutputs(std::vector<Option>& t)
{
    t.push_back(file("--mot", "FILE", S::Outputs, &Options::motFile,
                     "MOTChallenge results, frame,id,x,y,w,h,1,-1,-1,-1: each target's estimate with two "
                     "decimals, w = base width x scale_x, h = base height x scale_y, x = pos_x - w/2, y = pos_y - "
                     "h/2 (earlier builds wrote the drawing's whole-pixel rectangle, often a pixel smaller); no "
                     "line for a target while it is lost (--lost-and-found)"));
    t.push_back(file("--estimates", "FILE", S::Outputs, &Options::estimatesFile,
                     "CSV of the estimates, frame,id,pos_x,pos_y,vel_x,vel_y,scale_x,scale_y"));
    t.push_back(file("--confidence-terms", "FILE", S::Outputs, &Options::confidenceTermsFile,
                     "CSV of what the calibrated confidence is computed from, a line per target and frame "
                     "that has one (not lost, its box on the frame): frame,id,x,y,w,h (the box of --mot), "
                     "its terms and the confidence, for tools/fit_confidence.py; needs --confidence "
                     "calibrated (set by --robust)"));
    t.push_back(file("--video", "FILE", S::Outputs, &Options::videoFile,
                     "the annotated frames at the input's frame rate (25 frames/s when the input declares "
                     "none or one slower than 0.01 frames/s), their codec by the extension: .mp4, .m4v and .mov "
                     "H.264, which browsers play (refused before tracking where OpenCV's FFmpeg has no H.264 "
                     "encoder); .avi and any other MJPG.  Frames narrower than 8 pixels or lower than 2 (4x4 "
                     "for H.264) are refused before tracking"));
    t.push_back(draw());
    t.push_back(flag("--states", S::Outputs, &Options::states,
                     "each target's state on every frame: tracked, hidden (believed behind something, its box "
                     "coasting) or lost (out of the frame, or unseen for more than 50 frames), as a last column "
                     "state of --estimates and in the boxes drawing (--draw boxes or samples): a solid box "
                     "tracked, dashed hidden, dotted lost; judged with or without --robust (default: off, the "
                     "files and drawing as without it)"));
    t.push_back(file("--gt", "FILE", S::Outputs, &Options::gtFile,
                     "score the run against MOTChallenge ground truth (each target against the object of its "
                     "id) and print the report: centre errors in pixels, success rate (overlap >= 0.5), identity "
                     "confusions, and CLEAR-MOT MOTA, MOTP (mean overlap of the matched pairs) and ID switches; "
                     "before them HOTA (DetA, AssA, LocA, HOTA at overlap 0.05), IDF1 (IDP, IDR), mostly "
                     "tracked, partly tracked and mostly lost targets, fragmentations and the OTB curves' AUC, "
                     "precision at 20 px and success at 0.5, as tavo-eval computes them on the --mot file; "
                     "warnings name ids no target has and boxes without area"));
    t.push_back(plot());
    t.push_back(flag(
        {"-q", "--quiet"}, S::Outputs, &Options::quiet,
        "no progress line (see --progress) and no summary; errors, warnings, the targets dropped "
        "(--drop-lost), the changes made in the --show window and the --gt report are still printed"));
    t.push_back(flag("--print-seed", S::Outputs, &Options::printSeed, "print \"seed T\" also with --quiet"));
    t.push_back(flag("--timings", S::Outputs, &Options::timings,
                     "at the end, a table on stderr of where each frame's time went (off by default): each "
                     "stage's median ms per frame (decoding, conversion and binning, background, camera motion, "
                     "proposing and measuring, joint move, estimates and states, box fitting, outputs and "
                     "drawing) and its share of the time, from the second frame on; also with --quiet"));
    t.push_back(progress("--progress", true,
                         "show the progress on stderr, also with --quiet (default unless --quiet): on a "
                         "terminal one line that keeps changing, otherwise (a log file, a pipe) a plain line "
                         "every 10 s"));
    t.push_back(progress("--no-progress", false, "no progress line"));
}

void addWindowsAndGeneral(std::vector<Option>& t)
{
    t.push_back(flag("--select", S::Windows, &Options::select,
                     "drag more target rectangles with the mouse on the first frame, after those of --box or "
                     "--targets: Space or Enter keeps the rectangle, c drops it (or the last one kept), Escape "
                     "(or Enter with no rectangle drawn) starts the tracking; new targets take the ids after the "
                     "highest, and the run's boxes are printed as --box options on stderr (--box-id when the ids "
                     "are not 1, 2, 3, ...)"));
    t.push_back(flag("--show", S::Windows, &Options::show,
                     "show the tracking in a window while it runs: Space pauses and resumes, Escape or closing "
                     "the window stops the run (the results so far are kept); while paused, drag a rectangle "
                     "to add a target, click a target's box to select it, then d drops it, or drag a new box "
                     "and press r to re-initialise it there (see --edits); a display that goes away ends "
                     "the run as SIGHUP would (exit status 129), the results so far kept.  The band below the "
                     "frame gives its number; at the end the last frame stays until a key or the window is "
                     "closed (the results are written by then).  Windows larger than the screen are scaled "
                     "down, tiny videos scaled up"));
    t.push_back(file("--edits", "FILE", S::Windows, &Options::editsFile,
                     "with --show: write the changes made to the targets while paused to FILE, a line each "
                     "as it is made (FILE is replaced at the start and kept whatever becomes of the run); "
                     "--apply-edits FILE repeats them.  Each change is printed on stderr as its line in any "
                     "case"));
    Option speed = option("--show-speed", "video|max", S::Windows,
                          "how fast --show plays: video, no faster than the input's frame rate (25 frames/s "
                          "when it declares none); max, each frame as soon as it is tracked");
    speed.set = [](Options& o, const std::string& text) -> Refusal {
        if (text != "video" && text != "max")
            return std::string("expected video or max");
        o.showAsFastAsTracked = text == "max";
        return kSet;
    };
    speed.defaultText = "default video";
    t.push_back(speed);

    Option help = option({"-h", "--help"}, "", S::General, "print this text");
    help.action = ParseResult::Action::Help;
    t.push_back(help);
    Option version = option("--version", "", S::General, "print the version");
    version.action = ParseResult::Action::Version;
    t.push_back(version);
}

std::vector<Option> makeTable()
{
    std::vector<Option> t;
    addInputAndTargets(t);
    addSettingOptions(t);
    addOutputs(t);
    addWindowsAndGeneral(t);
    return t;
}

}  // namespace

const std::vector<Option>& optionTable()
{
    static const std::vector<Option> options = makeTable();
    return options;
}

const Option* findOption(const std::string& name)
{
    for (const Option& o : optionTable())
        if (name == o.name || (!o.shortName.empty() && name == o.shortName))
            return &o;
    return nullptr;
}

}  // namespace tavo_cli
