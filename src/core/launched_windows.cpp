// SPDX-License-Identifier: GPL-3.0-or-later
#include "launched_windows.h"

namespace talvenor {

WindowHandle LaunchedWindows::TakeStandIn() {
    if (last_ == 0) return 0;
    const WindowHandle handle = next_++;
    standIns_[handle] = last_;
    last_ = 0;
    return handle;
}

std::int64_t LaunchedWindows::ProcessOf(WindowHandle window) const {
    const auto found = standIns_.find(window);
    return found == standIns_.end() ? 0 : found->second;
}

std::int64_t LaunchedWindows::BringForward(WindowHandle window) {
    keyTarget_ = 0;
    const std::int64_t process = ProcessOf(window);
    toMinimise_.erase(process);
    return process;
}

WindowHandle LaunchedWindows::TakeKeyTarget() {
    const WindowHandle target = keyTarget_;
    keyTarget_ = 0;
    return target;
}

}  // namespace talvenor
