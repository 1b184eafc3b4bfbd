// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <map>

#include "platform.h"

namespace talvenor {

// Right after a launch, the foreground window the program asks for is the one the new process
// is still opening. Both backends answer with a stand-in handle bound to that process and turn
// it into the real window when it is brought forward.
class LaunchedWindows {
public:
    // `firstStandIn` must lie above every handle the system can give.
    explicit LaunchedWindows(WindowHandle firstStandIn) : next_(firstStandIn) {}

    // Records the process just started; 0 forgets it.
    void Launched(std::int64_t processId) { last_ = processId; }
    // A stand-in for the window of the process started last, once; 0 when there is none.
    WindowHandle TakeStandIn();
    // The process a stand-in stands for; 0 when `window` is a real handle.
    std::int64_t ProcessOf(WindowHandle window) const;

private:
    std::int64_t last_ = 0;
    WindowHandle next_;
    std::map<WindowHandle, std::int64_t> standIns_;
};

}  // namespace talvenor
