#include "programs/eval/eval_options.h"

namespace tavo_eval_cli {

std::string evalHelpText()
{
    return R"(Usage: tavo-eval --gt GT.txt RESULT.txt [RESULT2.txt ...] [--csv FILE] [--plot FILE.png]
       tavo-eval --gt-folder GT_DIR --trackers-folder TR_DIR [--seqmap FILE] [--csv FILE] [--plot FILE.png]

Scores tracking results (MOTChallenge files: frame,id,x,y,w,h[,confidence,...],
any tracker's) against ground truth and prints a table, a row per result.

  --gt FILE               the ground truth of one sequence; the result files follow.
                          Its seqinfo.ini (beside it, or one folder up as in SEQ/gt/gt.txt)
                          gives the sequence's length when there is one.
  --gt-folder DIR         ground truth in the MOTChallenge layout: DIR/SEQ/gt/gt.txt and
                          DIR/SEQ/seqinfo.ini (seqLength=)
  --trackers-folder DIR   results as DIR/TRACKER/data/SEQ.txt; writes per tracker
                          DIR/TRACKER/summary.txt (the combined row) and
                          DIR/TRACKER/detailed.csv (a row per sequence and COMBINED)
  --seqmap FILE           the sequences scored: a "name" header, a name a line
                          (default: every DIR/SEQ holding gt/gt.txt)
  --csv FILE              the table as CSV (tracker,sequence,HOTA,...,Success50)
  --plot FILE.png         success and precision curves, a line per tracker
  -h, --help              this text

The numbers (all fractions from 0 to 1 but the counts), computed as the
MOTChallenge evaluator TrackEval computes them:
  HOTA, DetA, AssA, LocA  means over the overlap thresholds 0.05, 0.10, ..., 0.95;
                          HOTA = sqrt(DetA * AssA) at each; HOTA0 is HOTA at 0.05.
                          LocA is 1 when nothing matches.
  IDF1, IDP, IDR          one matching of truth ids to result ids for the whole
                          sequence (a box pair matches at overlap >= 0.5)
  MOTA                    1 - (misses + false positives + id switches) / truth boxes:
                          negative when the errors outnumber the truth boxes (e.g. a
                          result of false positives only). 0 for a sequence with no
                          truth or no result boxes, as the evaluator reports it.
  MOTP                    the mean overlap (IoU) of the matched pairs: higher is better,
                          an overlap and not a distance in pixels
  IDSW, Frag              id switches; times a target's track resumes after a gap
  MT, PT, ML              truth targets matched in more than 80 %, 20 to 80 %, less
                          than 20 % of their frames
  AUC, Success50, Prec20  OTB curves per truth target against the one result id that
                          overlaps it most (frames without its box count as overlap 0
                          and infinite error), averaged over targets: AUC the mean of
                          the success curve (share of frames with overlap above
                          0, 0.05, ..., 1), Success50 its value at 0.5, Prec20 the
                          share with centre error at most 20 pixels

Ground-truth rows with confidence 0 are ignored (MOTChallenge's distractors);
the class column is not read (the MOT16/17/20 benchmark also drops rows of
other classes and result boxes over distractors).
COMBINED rows sum the counts over the sequences, weight AssA and LocA by each
sequence's true positives at every threshold, and average the OTB curves over
all targets.

Errors, exit status 1: a file missing or malformed (file:line: reason), a frame
below 1 or past seqLength, an id given twice on a frame.  Warnings: a file
without boxes; with --gt and no seqinfo.ini, result boxes after the truth's
last frame (scored as false positives).  Exit status 2: a usage error.
)";
}

}  // namespace tavo_eval_cli
