#pragma once

// Changing a Tracker's targets from Python: tracker.add(box, id=None),
// tracker.remove(id) and tracker.reinit(id, box), with the conversions and
// errors they share.

#include "support/box.h"
#include "session/tracking_session.h"

#include <pybind11/pybind11.h>

namespace tavo_python {

// A box (x, y, w, h) of four integers; TypeError or ValueError naming it.
Box boxFrom(pybind11::handle value);

// Adds a target to the session at the box (id: None or 0 numbers it);
// returns its id.  ValueError in the session's words for a box or id it
// refuses, RuntimeError when its store has no room.
int addTargetTo(TrackingSession& session, const Box& box, int id);
// Drops target `id`; ValueError for an unknown id.
void removeTargetFrom(TrackingSession& session, int id);
// Relearns target `id` at the box; ValueError for an unknown id or a box
// the session refuses.
void reinitTargetOf(TrackingSession& session, int id, const Box& box);

// An id: an integer that fits in 32 bits (None: 0 when `noneAllowed`).
int idFrom(pybind11::handle value, bool noneAllowed);

}  // namespace tavo_python
