// The shell "open" of the alarm sound lives in the ui library (ui/ShellOpen.h),
// below every subsystem that plays it; these names keep older includes working.
#pragma once

#include "ui/ShellOpen.h"

namespace orvex::config {

using ui::kMaxPlayers;
using ui::mapSoundFileName;
using ui::runningPlayers;
using ui::shellOpen;
using ui::ShellOpenRecorder;
using ui::shellOpenRepeated;

} // namespace orvex::config
