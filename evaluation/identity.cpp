// IDF1, IDP and IDR (Ristani et al., 2016): one matching of truth ids to
// result ids for the whole sequence, the one of the most matched boxes.

#include "evaluation/measures.h"
#include "evaluation/pair_counts.h"

#include <algorithm>

namespace tavo_eval {

void finishIdentity(IdentityScores& s)
{
    s.idr = s.idtp / std::max(1.0, double(s.idtp) + s.idfn);
    s.idp = s.idtp / std::max(1.0, double(s.idtp) + s.idfp);
    s.idf1 = s.idtp / std::max(1.0, s.idtp + 0.5 * s.idfp + 0.5 * s.idfn);
}

IdentityScores identityScores(const SequenceBoxes& s)
{
    // Frames on which each pair of ids overlaps enough to match; the
    // best pairing's total is the number of boxes matched with identity.
    PairCounts frames;
    for (const FrameBoxes& f : s.frames)
        for (size_t i = 0; i < f.truth.size(); ++i)
            for (size_t j = 0; j < f.result.size(); ++j)
                if (f.at(i, j) >= kMatchOverlap)
                    frames.add(f.truth[i], f.result[j], 1.0);
    double matched = 0.0;
    for (const uint64_t pair : bestPairing(frames))
        matched += frames.sums().at(pair);

    IdentityScores id;
    id.idtp = static_cast<int>(matched);
    id.idfn = s.truthBoxCount - id.idtp;
    id.idfp = s.resultBoxCount - id.idtp;
    finishIdentity(id);
    return id;
}

}  // namespace tavo_eval
