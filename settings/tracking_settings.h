#pragma once

// Everything a tracking session can be told, in one record grouped by the
// part that owns it, with every default declared once (in the owners'
// records), the robust preset, the rules that tie settings together and
// the check of their ranges (made from settings/setting_table.h).

#include "appearance/box_fitting.h"
#include "motion/camera_compensation.h"
#include "appearance/colour_model.h"
#include "session/confidence.h"
#include "appearance/reference_adaptation.h"
#include "motion/robust_motion.h"
#include "core/tracker_sizing.h"

#include <optional>
#include <string>
#include <vector>

// The particle filters themselves.
struct SamplingSettings {
    int samples = 500;  // per target
    float noise = 0.2f;  // scale of the motion noise in x and y, in pixels
    int iterations = kStandardJointIterations;  // of the joint move, per frame
    int threads = 1;  // for the per-target steps; results do not depend on it
};

struct TrackingSettings {
    SamplingSettings tracking;
    // The colour model; it also owns the foreground cue (foregroundWeight,
    // background) and the colour surround (ringWeight).
    ColourModelSettings colour;
    AdaptationSettings adaptation;
    // Motion beyond constant velocity; it also owns lost and found.
    MotionSettings motion;
    // Whether the camera moves, and how its motion is estimated.
    CameraSettings camera;
    // Whether results report boxes fitted to the target's colours.
    BoxFitSettings fit;
    // What each target's confidence says.
    ConfidenceSettings confidence;
    // The colour surround's weight; unset: surroundWeightFor's rule.
    std::optional<double> surround;

    // Whether the targets need appearance models rather than their own hue
    // histograms (after resolved()).
    bool usesAppearanceModels() const { return !colour.isHueHistogram() || adaptation.rate > 0.0 || fit.enabled; }
};

// Limits of the settings, with their reasons.
//
// More threads than this are refused: the per-target steps of a frame are
// far too few to keep more busy, and a slip of the finger should not start
// thousands.
constexpr int kMaxThreads = 64;
// More joint-move iterations per frame than this are refused: 20000 times
// the standard 5000, they take about ten seconds a frame on a desktop,
// long after the move has settled; 2^31 - 1 would take minutes per frame.
constexpr int kMaxIterations = 100000000;
// The largest scale-noise and aspect-noise (a log-scale step per frame) and
// the largest scale a scale range allows.
constexpr double kMaxScaleNoise = 0.5;
constexpr double kMaxScale = 10.0;
// The largest surround and foreground weights.
constexpr double kMaxSurroundWeight = 10.0;
constexpr double kMaxForegroundWeight = 10.0;
// The edge cue at its most weighs ten times the colours.
constexpr double kMaxEdgeWeight = 10.0;
// The largest sharpness: beyond it every imperfect match weighs nothing.
constexpr double kMaxSharpness = 1000.0;
// A camera's steps over half a second adding up to more than this many
// pixels is a pan that no one would call still.
constexpr double kMaxCameraDrift = 1000.0;
// The largest noise scale a float holds.
constexpr double kMaxNoise = 3.4028234663852886e38;

// The robust preset's lostSimilarity: a target whose estimate still shows
// more than this of its reference's colours is not lost, whatever the other
// cues say (an object half hidden keeps about 0.7).
constexpr double kRobustLostSimilarity = 0.6;

// The robust preset's driftShift: a still camera's estimates over half a
// second add up to a few tenths of a pixel (their noise does not add up);
// three pixels is a pan of a fifth of a pixel a frame.
constexpr double kRobustCameraDrift = 3.0;

// The surround's weight when boxes change size and none is set: the
// surround tells a box that fits its object from one inside it.
constexpr double kScaleSurroundWeight = 0.5;

// The colour surround's weight: the one set, else kScaleSurroundWeight with
// a scale walk and without the foreground cue (whose own ring does that
// work), else 0.
double surroundWeightFor(const TrackingSettings& settings);

// The parts as the command and Python write them: "1", "2", or "auto" for
// kPartsByShape.
std::string partsText(int parts);

// The settings with every rule applied: the surround's weight is set.
TrackingSettings resolved(TrackingSettings settings);

// The robust preset: the combination measured best on the scored scenes
// (hsv bins, light normalised, a centre-weighted kernel, bands by shape, slow
// adaptation, the foreground cue of a still camera, wide proposals after
// poor frames, adaptive noise, a scale walk, lost and found).  Settings
// changed after it override it.
TrackingSettings robustSettings();

// A value out of range: the setting's name in lower case with hyphens (as
// the command's option, without the dashes), the value as text, and what
// is expected.
struct SettingProblem {
    std::string setting;
    std::string value;
    std::string expected;
};

// Every value out of range, in the order of the settings table
// (settings/setting_table.h), the value as the table writes it; empty when
// all can be used.
std::vector<SettingProblem> settingProblems(const TrackingSettings& settings);

// What settingProblems expects of a setting (empty for an unknown name).
std::string expectedValue(const std::string& setting);

// Settings that depend on the frame: a noise scale beyond the larger side
// of the frame (a sample would jump out of it in one step, and far beyond
// it the positions overflow).
std::optional<SettingProblem> frameProblem(const TrackingSettings& settings, int frameWidth, int frameHeight);
