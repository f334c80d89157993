#pragma once

// Motion that follows objects which turn sharply, jump, grow and shrink,
// and recovers a target that lost its object.  All of it is opt-in: a
// tracker without MotionSettings (tavo::motion null) moves its samples by
// constant velocity with random acceleration alone.

#include <cstdint>

struct MotionSettings {
    // A share of each target's samples proposed around its estimate (or,
    // while lost, its last good position) by a wide random walk: position
    // only, velocity reset.  0: off.
    double spread = 0.0;
    // The share proposed so in a frame after a poor one (see adaptive
    // noise for "poor"), on top of `spread`: wide proposals only when the
    // object may have got away, so that look-alikes nearby do not draw a
    // well-matched target off its object.
    double spreadWhenPoor = 0.0;
    // Standard deviation of that walk, in base box sizes (the larger side).
    double spreadRadius = 0.75;

    // The motion noise grows by noiseGrowth (up to maxNoiseGain times the
    // set noise) after a frame whose match or cloud is poor, and shrinks by
    // noiseDecay back to 1 after a good one.  Matches are judged against
    // the target's own typical best likelihood (a running mean over its
    // good frames), since what a good match scores depends on the scene's
    // noise and texture.
    bool adaptiveNoise = false;
    double maxNoiseGain = 8.0;
    double noiseGrowth = 1.5;
    double noiseDecay = 0.75;
    double poorMatch = 0.3;          // best below this share of the typical: a poor match
    double poorSampleShare = 0.02;   // effective sample size below this share of n: degenerate
    double typicalRate = 0.1;        // weight of a good frame in the running mean

    // Velocity times (1 - damping) each frame, so that a stale velocity dies out.
    double damping = 0.0;

    // A random walk on each sample's scale: log scale changes by a normal
    // step of this deviation per frame, both axes together; aspectNoise
    // adds an independent step to the y axis.  Kept in [minScale, maxScale]
    // of the initial size.
    double scaleNoise = 0.0;
    double aspectNoise = 0.0;
    // A walk of the box's shape that keeps its area: of the same normal
    // step z, the log of the width changes by -shapeNoise z / 2 and that of
    // the height by +shapeNoise z / 2, so that a box can turn from tall to
    // wide as a thin object tilts over.
    double shapeNoise = 0.0;
    double minScale = 0.5;
    double maxScale = 2.0;
    // Each frame the walk first moves every sample's log scale this share of
    // the way toward the target's settled scale, a running mean of the
    // estimate's scale over good frames (weight settleRate each): a box
    // inside a uniform object matches about as well as one that fits it, and
    // without a pull the size would wander off, most often smaller, as the
    // reference learns the smaller box.  Real growth and shrinking win over
    // the pull by matching better, and the settled scale follows them.  0: off.
    double scalePull = 0.0;
    double settleRate = 0.02;

    // Lost and found: a target whose best likelihood stays below
    // lostMatch of its typical best for lostAfterFrames frames is lost; its
    // proposals (lostSpread of its samples) then search around its last
    // good position, the radius growing by lostRadiusGrowth base sizes a
    // frame, away from boxes other targets hold.  A best likelihood of at
    // least foundMatch of the typical finds it again.
    bool lostAndFound = false;
    double lostMatch = 0.1;
    int lostAfterFrames = 3;
    double foundMatch = 0.3;
    double lostSpread = 0.5;
    double lostRadiusGrowth = 0.5;
    // A poor best match counts toward losing a target only while the
    // colours at its estimate also match its reference by less than
    // lostSimilarity (the Bhattacharyya coefficient, averaged over the
    // bands): the other cues can fail while the object is in view, e.g. the
    // foreground cue on an object that passes still things of its own
    // colours.  A lost target is also found again once those colours match
    // by lostSimilarity.  Needs appearance models; 0: the best match alone
    // decides.
    double lostSimilarity = 0.0;

    // Every sample's box keeps at least kLeastShareInFrame of its area in
    // the frame: leaving the frame costs a sample nothing otherwise (its
    // measured rectangle is clipped to the frame), so a lost target's
    // estimate would drift off without bound.
    bool keepInFrame = false;
    // Targets are neighbours when the cores of their sample clouds overlap
    // (the weighted mean of the sample centres, two weighted standard
    // deviations and half the estimate's box around it), not their whole
    // clouds: wide proposals would make every target every target's
    // neighbour.
    bool coreNeighbours = false;
    // While a thing of the target's colours is joined to its object (told
    // by the box fit, BoxFitSettings: nothing without it), the target
    // coasts on its own motion: no wide proposals, which would land on the
    // look-alike as often as on the object, so that a look-alike that
    // crosses or passes close does not carry it away.  (Holding the noise at its set scale too was
    // tried: a ball thrown from a hand could not be followed.)
    bool coastWhenJoined = false;
    // With coastWhenJoined: a target coasts only while its match is not
    // poor.  A joined thing need not be a look-alike that would lure the
    // target: a hand whose fingers lie over a puck joins the puck's patch
    // for as long as it pushes it, and a coasting target cannot follow the
    // puck when it shoots away; a poor match says the object got away.
    bool coastWhileMatched = false;

    bool any() const
    {
        return spread > 0.0 || spreadWhenPoor > 0.0 || adaptiveNoise || damping > 0.0 || scaleWalk() || lostAndFound ||
               keepInFrame || coreNeighbours || coastWhenJoined;
    }
    // Whether boxes change size or shape.
    bool scaleWalk() const { return scaleNoise > 0.0 || aspectNoise > 0.0 || shapeNoise > 0.0; }
};

// What a target's robust motion remembers between frames.
struct MotionState {
    double noiseGain = 1.0;  // factor on the motion noise
    bool poor = false;       // the last frame's match or cloud was poor
    double confidence = 1.0;  // weighted mean likelihood of the last frame
    double bestLikelihood = 1.0;
    double typicalBest = 0.0;  // running mean of the best likelihood of good frames; 0: none yet
    int poorFrames = 0;      // frames in a row with a best match below lostMatch of the typical
    bool lost = false;
    int lostFrames = 0;      // frames since the target was lost
    float lastGoodX = 0.0f, lastGoodY = 0.0f;  // estimate of the last confident frame
    float lastGoodScaleX = 1.0f, lastGoodScaleY = 1.0f;
    double settledScaleX = 1.0, settledScaleY = 1.0;  // see MotionSettings::scalePull
    // A thing of the target's colours is joined to its object: the target
    // coasts (see MotionSettings::coastWhenJoined).
    bool coasting = false;
};

// The share of a sample's box that keepInFrame holds in the frame.
constexpr double kLeastShareInFrame = 0.5;

// The centre's range along one axis of the frame (0 .. `frameSide`) that
// keeps kLeastShareInFrame of a box `side` long in the frame when the
// other axis does the same: sqrt(kLeastShareInFrame) of the side inside.
void centreRangeInFrame(double side, double frameSide, double& low, double& high);

// Next noise gain after a frame: grows while the match or the cloud is
// poor, decays toward 1 while it is good, always within [1, maxNoiseGain].
double nextNoiseGain(double gain, bool poor, const MotionSettings& settings);

// Effective sample size (sum w)^2 / sum w^2 of weights with that sum and
// sum of squares; 0 for weights that are all 0.
double effectiveSampleSize(double sum, double sumOfSquares);

class tavo;
// After a frame's estimates: every target's confidence, noise gain and
// lost/found state (nothing for a tracker without MotionSettings).
void updateMotionStates(tavo& tracker);

// Whether a frame's best likelihood is poor for the target: below `share`
// of its typical best (never before it has one).
bool belowTypical(const MotionState& state, double best, double share);

// Whether a target coasts this frame (MotionSettings::coastWhenJoined):
// `joined`, the box fit found a thing of its colours joined to its object.
bool coastsNow(const MotionSettings& settings, bool joined, const MotionState& state);

struct Sample;
// The lost/found state and the typical best after a frame with that
// estimate, best likelihood, confidence and colour similarity at the
// estimate (see lostSimilarity; 0 when not measured).
void updateMotionState(MotionState& state, double bestLikelihood, double confidence, const Sample& estimate,
                       const MotionSettings& settings, double similarity = 0.0);
