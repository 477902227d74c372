// Carries out one parsed zr540ctl command on the engine: the mouse (real or the demo mode's
// simulated one), the local profile files and the saved picture, exactly as the window's pages
// ask the engine for each change.
#pragma once

#include "ctlrequest.h"

#include <QTextStream>

namespace Ctl {

// Returns the exit status; output goes to `out`, the one-line error to `err`.
int run(const Request& request, QTextStream& out, QTextStream& err);

}  // namespace Ctl
