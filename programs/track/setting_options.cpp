#include "programs/track/option_builders.h"
#include "appearance/box_fitting.h"
#include "appearance/revealed_background.h"
#include "appearance/background_model.h"
#include "appearance/target_areas.h"

#include <utility>

namespace tavo_cli {

namespace {

using S = Section;

// The surround's default follows a rule of the library: its weight with a
// scale walk and without one.
std::string surroundDefault()
{
    TrackingSettings walk;
    walk.motion.scaleNoise = 0.01;
    return "default " + settingText(surroundWeightFor(walk)) +
           " with --scale-noise or --aspect-noise and without --foreground, else " +
           settingText(surroundWeightFor(TrackingSettings{}));
}

Option seed()
{
    Option seed = option("--seed", "T", S::Tracking,
                         "the random pools are seeded from a counter whose k-th read gives T + k, T any 64-bit "
                         "integer (default: T drawn from the system's entropy); the summary ends with \"seed T\", "
                         "so that --seed T repeats any run exactly");
    seed.set = [](Options& o, const std::string& text) -> Refusal {
        const auto v = parseInt64(text);
        if (!v)
            return std::string("expected a 64-bit integer");
        o.seed = *v;
        return kSet;
    };
    return seed;
}

void addTracking(std::vector<Option>& t)
{
    t.push_back(setting("--samples", "N", S::Tracking, "samples per target"));
    t.push_back(setting("--noise", "S", S::Tracking,
                        "scale of the motion noise in x and y, {range} and at most the larger side of the "
                        "frame; 0 moves the samples by their velocity alone"));
    t.push_back(setting("--iterations", "K", S::Tracking, "iterations of the joint move per frame"));
    t.push_back(positive("--frames", S::Tracking, &Options::frames,
                         "stop after N frames tracked, counted from --start (default: the whole video)"));
    t.push_back(setting("--threads", "N", S::Tracking,
                        "threads for the per-target steps and, in bands of rows, for the frame-wide ones "
                        "(conversion, colour bins, brightness, background), {range}; the results are the same, "
                        "bit for bit, for every N"));
    t.push_back(seed());
    t.push_back(flag("--robust", S::Tracking, &Options::robust,
                     "for real footage: the combination measured best on the scenes of make-scenes (grey, dark "
                     "and white objects, light changes, two-tone objects, clutter, fast turns, growing, hidden "
                     "and converging objects); options given explicitly override it, before or after it.  It "
                     "judges by itself whether the camera moves (--camera-motion auto).  It sets: {preset} --draw "
                     "boxes"));
}

void addColourModel(std::vector<Option>& t)
{
    t.push_back(setting("--model", "hue|hsv", S::ColourModel,
                        "hue: a histogram of the 8-bit hue alone.  hsv: pixels with enough saturation and "
                        "brightness go into hue x saturation bins, all others (grey, black, white, whose hue is "
                        "noise) into brightness bins"));
    t.push_back(setting("--hsv-bins", "H,S,V", S::ColourModel,
                        "bins of hue, saturation and brightness for --model hsv: {range}"));
    t.push_back(setting("--min-saturation", "N", S::ColourModel,
                        "for --model hsv, {range}: a pixel less saturated is binned by its brightness "
                        "only"));
    t.push_back(setting("--min-value", "N", S::ColourModel,
                        "for --model hsv, {range}: a pixel darker is binned by its brightness only"));
    t.push_back(setting("--normalise-light", "", S::ColourModel,
                        "for --model hsv: brightness is scaled by the first frame's mean brightness over the "
                        "current frame's, so that a light change of the whole scene keeps grey pixels in "
                        "their bins"));
    t.push_back(setting("--kernel", "", S::ColourModel,
                        "weight pixels by their distance from the box's centre (Epanechnikov), so that "
                        "background at the edges counts less"));
    t.push_back(
        setting("--parts", "N|auto", S::ColourModel,
                "{range}; 2: one histogram for the upper and one for the lower half of the box, for upright objects; "
                "auto: 2 for a target whose first box is at least " +
                    settingText(kUprightAspect) +
                    " times as tall as wide, else 1, and then the foreground cue (--foreground) weighs " +
                    settingText(kOneBandForegroundGain) +
                    " times as much: a round or wide object's halves differ by shading that turns with it, and its "
                    "motion tells it better than its colours"));
    t.push_back(setting("--sharpness", "L", S::ColourModel,
                        "the likelihood is exp(-L (1 - BC)), BC the Bhattacharyya coefficient, summed over "
                        "the parts; L {range}"));
    Option surround = setting("--surround", "W", S::ColourModel,
                              "{range}: a ring around each box that looks like the object lowers the likelihood by "
                              "exp(-L W BC), so that boxes fit their objects");
    surround.defaultText = surroundDefault();
    t.push_back(surround);
}

void addForegroundAndAdaptation(std::vector<Option>& t)
{
    // The defaults of what no option sets, for the explanations.
    const TrackingSettings d;
    t.push_back(setting(
        "--foreground", "W", S::Foreground,
        "{range}: a background is learnt from the frames (each pixel follows the frame at rate " +
            settingText(d.colour.background.rate) +
            " while no target is near it, and the whole of it follows a light change of the scene); pixels that "
            "differ from it by more than " +
            settingText(d.colour.background.threshold) +
            " in a channel are foreground.  The likelihood is lowered by exp(-L W ((1 - f) + r)), f the box's "
            "share of foreground pixels, r that of a ring around it, so that still look-alikes of a moving "
            "object do not draw its target and boxes fit what moves; 0: off"));
    t.push_back(setting("--edges", "W", S::Foreground,
                        "{range}: a second cue beside the colours, for objects whose colours the background or a "
                        "look-alike shares.  Each pixel's brightness gradient gets one of 8 directions (its sign "
                        "ignored) or none where it is weak; the histograms of these over the box's upper and lower "
                        "half lower the likelihood by exp(-L W sum (1 - B)), B their Bhattacharyya coefficients "
                        "with the target's; 0: off.  Off in --robust"));
    t.push_back(setting("--ring-still-unknown", "", S::Foreground,
                        "with --foreground, the ring r also counts the pixels the background has never seen "
                        "(where targets stood on their first frame) that still look as then: a still "
                        "object's own pixels, so that a box inside a still object does not match as well as "
                        "one that fits it"));
    t.push_back(setting("--ring-still-while-still", "", S::Foreground,
                        "with --ring-still-unknown: the rule holds only while some target's estimate has stayed "
                        "within 0.25 of its first box's larger side from where it started; once every target has "
                        "left its place, the unseen pixels that still look as then are background.  Off by default "
                        "and in --robust"));
    t.push_back(setting("--ring-still-while-unmoved", "", S::Foreground,
                        "with --ring-still-unknown and --learn-revealed: the rule holds only until the object of "
                        "every first box has evidently left it by --learn-revealed's measure (background it "
                        "uncovered, pixels that changed at once and stayed so, over 0.15 of the box within 5 "
                        "frames), counted wherever the targets are: judged from the pixels, so that a target held "
                        "at its first place by the rule does not keep it on; once the camera has moved, the "
                        "judgement before the move stands.  Off by default and in --robust"));
    t.push_back(setting("--revealed-with-camera", "", S::Foreground,
                        "with --learn-revealed and a camera that is followed (--camera-motion): the first boxes "
                        "and what was seen of them move with the camera, so that both rules go on, instead of "
                        "being forgotten at the camera's first move.  Off by default, on in --robust"));
    t.push_back(setting("--learn-revealed", "", S::Foreground,
                        "with --foreground, pixels the background has never seen (under the first boxes) that "
                        "changed at once from one frame to the next, no longer look as then and have stayed unchanged for " +
                            std::to_string(RevealedBackground::kSteadyFrames) +
                            " frames in a row are learnt, even near a target: the background its object "
                            "uncovered; once they cover " + settingText(RevealedBackground::kVacatedShare) +
                            " of a first box within " + std::to_string(RevealedBackground::kVacatingFrames) +
                            " frames (counting those inside a target's own rectangle: a target that follows "
                            "its object leaves them behind), the rest of it that still looks as then is learnt "
                            "too, so that a target does not stay where its object started.  Off by default, on "
                            "in --robust"));
    t.push_back(setting("--work-near-targets", "", S::Foreground,
                        "with --foreground, the frame-wide work of each frame is done only where the targets can "
                        "reach (their sample clouds of the frame before grown on every side by " +
                            (kNearReach == 1.0 ? std::string("a box's") : settingText(kNearReach) + " of a box's") +
                            " larger side, in one rectangle): the background is compared and learnt "
                            "there, the rest of the frame one band of rows a frame, each pixel once in " +
                            std::to_string(BackgroundModel::kRefreshFrames) +
                            " frames, and holds no foreground; with --model hsv, the colours are converted there "
                            "and wherever a sample, a new target or a box fit reads them.  Faster on small targets "
                            "in a large frame.  Off by default and in --robust"));
    t.push_back(setting(
        "--camera-motion", "still|moving|auto", S::Foreground,
        "still: the camera is taken to stand still.  moving: the scene's motion from frame to frame is estimated "
        "(corners followed by optical flow outside the targets, a similarity fitted by RANSAC, on a copy of the "
        "frame at most " +
            std::to_string(kCameraFrameWidth) +
            " pixels wide) and, when the fit can be trusted, the samples and the learnt background move with "
            "it.  auto: followed while most recent trusted estimates shift the frame by more than " +
            settingText(CameraMotionSettings{}.movingShift) +
            " pixel; estimated every frame, but only every " + std::to_string(kAutoStillInterval) +
            "th while the camera is judged still and the last " +
            std::to_string(CameraMotionSettings{}.judgementFrames) +
            " trusted estimates did not shift it (a shift or an untrusted estimate brings back every frame)"));
    t.push_back(setting("--camera-judge-early", "", S::Foreground,
                        "with --camera-motion auto: until " + std::to_string(CameraMotionSettings{}.judgementFrames) +
                            " trusted estimates have been made, the camera is judged on those made, once there are "
                            "4 (three of four shifting; a jolt out and back shifts two), rather than counting the "
                            "others as still: a clip that pans from its start is followed from its fifth frame "
                            "instead of its eleventh.  Off by default, on in --robust"));
    t.push_back(setting("--camera-drift", "PX", S::Foreground,
                        "{range}: with --camera-motion auto, the camera is judged to move also while the steps "
                        "of its last " + std::to_string(CameraMotionSettings{}.judgementFrames) +
                            " trusted estimates (once there are 4), added up, move the scene by more than PX "
                            "pixels: a slow pan of a fraction of a pixel a frame, which no single estimate "
                            "shows.  An estimate's step is the median motion of its corners that lie away from "
                            "the targets.  0: off; " + settingText(kRobustCameraDrift) + " in --robust"));
    t.push_back(setting("--adapt", "A", S::Adaptation,
                        "{range}: after each frame, reference = (1 - A) reference + A estimate, only while "
                        "the estimate matches the reference with BC >= " +
                            settingText(d.adaptation.minSimilarity) +
                            " and no other target's box overlaps it; 0: the reference never changes"));
}

void addMotion(std::vector<Option>& t)
{
    const MotionSettings m;
    t.push_back(setting("--spread", "F", S::Motion,
                        "{range}: a share F of every target's samples is proposed around its estimate "
                        "with a wide random walk (deviation " +
                            settingText(m.spreadRadius) + " of the box's larger side, velocity 0)"));
    t.push_back(setting("--spread-when-poor", "F", S::Motion,
                        "{range}: another share F proposed so in a frame after a poor match (see "
                        "--adaptive-noise), only when the object may have got away"));
    t.push_back(setting("--adaptive-noise", "", S::Motion,
                        "the motion noise grows " + settingText(m.noiseGrowth) + " times a frame, up to " +
                            settingText(m.maxNoiseGain) + " times --noise, while the best match falls below " +
                            settingText(m.poorMatch) +
                            " of the target's typical best (a running mean) or the effective sample size "
                            "below " +
                            settingText(m.poorSampleShare) + " of the samples; it shrinks " +
                            settingText(m.noiseDecay) + " times a frame back to --noise when the match is good"));
    t.push_back(setting("--damping", "D", S::Motion, "{range}: velocities shrink by (1 - D) every frame"));
    t.push_back(setting("--scale-noise", "S", S::Motion,
                        "{range}: a random walk of deviation S on the log of each sample's scale, both axes "
                        "together; boxes then change size in every output"));
    t.push_back(setting("--aspect-noise", "S", S::Motion, "{range}: an extra step on the height's scale alone"));
    t.push_back(setting("--shape-noise", "S", S::Motion,
                        "{range}: a walk of the box's shape that keeps its area (the log of the width "
                        "changes by -S z / 2, that of the height by +S z / 2, z a normal step), so that a "
                        "box turns from tall to wide as a thin object tilts over"));
    t.push_back(setting("--scale-pull", "F", S::Motion,
                        "{range}: with a scale walk, each frame every sample's log scale first moves this "
                        "share of the way toward the size of the target's good frames (a running mean), "
                        "so that a still object keeps its size; growth that matches better wins over it"));
    t.push_back(setting("--scale-range", "LO,HI", S::Motion, "the scales allowed: {range}"));
}

void addLostAndFound(std::vector<Option>& t)
{
    const MotionSettings m;
    t.push_back(setting(
        "--lost-and-found", "", S::LostAndFound,
        "a target whose best match stays below " + settingText(m.lostMatch) + " of its typical best for " +
            settingText(m.lostAfterFrames) + " frames is lost: a share " + settingText(m.lostSpread) +
            " of its samples searches around its last good position, farther every frame, away from other "
            "targets, until a match of " +
            settingText(m.foundMatch) +
            " of the typical finds it.  While it is lost its box stays where it was last seen (in the "
            "estimates, the drawing and the scores, where it counts as not found) and the MOT file has no line "
            "of it.  The MOT file's conf column holds each target's confidence (0..1, 4 decimals; see "
            "--confidence)"));
    t.push_back(setting("--lost-similarity", "B", S::LostAndFound,
                        "{range}: with --lost-and-found and a colour model other than the hue histogram, a "
                        "poor match counts toward losing a target only while the colours at its estimate "
                        "match its reference by less than B (Bhattacharyya coefficient): other cues can fail "
                        "while the object is in view; 0: the match alone decides"));
    t.push_back(setting("--confidence", "likelihood|calibrated", S::LostAndFound,
                        "what each target's confidence (the MOT file's conf column, with --lost-and-found, and "
                        "the label of --draw boxes) says.  likelihood: the weighted mean likelihood of its "
                        "samples, whose level depends on the scene.  calibrated: a number from 0 to 1 that "
                        "predicts whether its box overlaps the object by at least half, from how its best match "
                        "compares with its usual one, how much of its reference's colours the box shows and how "
                        "tightly and evenly its samples gather; do not trust a box below " +
                            settingText(kTrustedConfidence)));
    t.push_back(setting("--keep-in-frame", "", S::LostAndFound,
                        "every sample's box keeps at least half its area in the frame, so that an estimate "
                        "never drifts off the frame; a target whose object left waits at the edge, lost"));
    t.push_back(
        setting("--core-neighbours", "", S::LostAndFound,
                "targets are neighbours (linked, and kept apart by the joint move) when the cores of their sample "
                "clouds overlap (two weighted standard deviations and half the box around the weighted mean), not "
                "their whole clouds, which wide proposals spread over the frame"));

    t.push_back(
        setting("--fit-box", "", S::LostAndFound,
                "every output reports each target's box fitted to its colours: the upright box of the connected patch "
                "of pixels of the target's colours (that differ from the learnt background, with --foreground) "
                "touching its estimate's box, so that the box follows an object that turns or lies down; the "
                "estimate's own box when the patch is under 0.6 or over 1.5 times the target's typical pixel count "
                "(part of it hidden, or a look-alike joined to it).  Needs no other option: without --model hsv the "
                "patch is of the hue histogram's colours"));

    t.push_back(
        setting("--coast-while-matched", "", S::LostAndFound,
                "with --coast-when-joined: a target coasts only while its match is not poor (below 0.3 of its "
                "typical best, or a degenerate cloud); a hand over a pushed object joins its patch too, and a "
                "coasting target cannot follow the object when it shoots away.  Off by default and in --robust"));
    t.push_back(
        setting("--fit-growth-guard", "", S::LostAndFound,
                "with --fit-box: a fitted box may widen the estimate's box by at most 1.2 times the last reported "
                "box's side in a frame and 1.6 times the median of the last 15 reported sides, and (with "
                "--foreground) only where at least 0.3 of the added pixels differ from the learnt background; "
                "else the estimate's own box is reported.  Off by default and in --robust"));

    t.push_back(
        setting("--join-ends-apart", "", S::LostAndFound,
                "with --fit-box: a join (a thing of the target's colours joined to its object) is remembered for " +
                    std::to_string(kJoinMemory) +
                    " frames after the patch last showed it, unless the patch shows the object alone (its typical "
                    "count, at most " + settingText(kApartMostSide) +
                    " times the estimate's box in either side) with its centre over " +
                    settingText(kApartLeastOffset) +
                    " of the box's side from the estimate's: the thing has let go of the object (a hand that "
                    "pushed it), so the target stops coasting and follows it.  Off by default, on in --robust"));

    t.push_back(
        setting("--coast-when-joined", "", S::LostAndFound,
                "with --fit-box: while the patch of a target's colours is over 1.5 times its typical count or "
                "reaches 1 box size from its centre (a look-alike is joined to the object), and for 8 frames after, "
                "the target makes no wide proposals (--spread, --spread-when-poor), which would land on the "
                "look-alike as often as on its object"));
}

}  // namespace

void addSettingOptions(std::vector<Option>& t)
{
    for (auto add : {addTracking, addColourModel, addForegroundAndAdaptation, addMotion, addLostAndFound})
        add(t);
}

}  // namespace tavo_cli
