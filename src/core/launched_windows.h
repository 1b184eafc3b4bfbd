// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <map>
#include <set>

#include "platform.h"

namespace talvenor {

// Right after a launch, the foreground window the program asks for is the one the new process
// is still opening. Both backends answer with a stand-in handle bound to that process and turn
// it into the real window when it is brought forward. The rules of a stop live here too: a
// stop beats the player's minimising, and keys go only to the window the stop brought forward.
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

    // The player `processId`'s window is to be minimised as it shows (StartsMinimised).
    void MinimiseWhenShown(std::int64_t processId) { toMinimise_.insert(processId); }
    // Whether its window is still to be minimised: not once brought forward, nor once done.
    bool StillToMinimise(std::int64_t processId) const { return toMinimise_.count(processId) != 0; }
    void MinimisingDone(std::int64_t processId) { toMinimise_.erase(processId); }
    // A handler brings `window` forward: the process it stands for (0 for a real handle), whose
    // minimising stops, since a stop that brought the player forward wins over it. Keys go to
    // no window until FocusRequested names the one that came forward.
    std::int64_t BringForward(WindowHandle window);
    // The window that came forward for the running handler; the keys it sends go there alone.
    void FocusRequested(WindowHandle window) { keyTarget_ = window; }
    // The window the next keys are for, once; 0: no window came forward, and the keys are dropped
    // rather than typed into whatever has the focus.
    WindowHandle TakeKeyTarget();

private:
    std::int64_t last_ = 0;
    WindowHandle next_;
    std::map<WindowHandle, std::int64_t> standIns_;
    std::set<std::int64_t> toMinimise_;
    WindowHandle keyTarget_ = 0;
};

}  // namespace talvenor
