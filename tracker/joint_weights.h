#pragma once

// The numbers of the joint move's weighting.

// The penalty of a drawn sample overlapping a neighbour's draw by a share r
// of its own area is exp(-64 r^2): a full overlap weighs e^-64, a quarter of
// the area still e^-4.  (Scaling by a power of two is exact, so this is
// bit for bit r * r * -8 * 8.)
constexpr double kOverlapPenaltyRate = -64.0;

// The final weight mixes a sample's share of the votes and its share of
// the likelihoods half and half.
constexpr double kVoteShareWeight = 0.5;
constexpr double kLikelihoodShareWeight = 0.5;
