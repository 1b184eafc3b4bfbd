// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "win32_api.h"

namespace talvenor::win32 {

// Makes screen readers name `control` `name`. Text boxes and lists otherwise take their name from
// a label window before them, and the window's labels are painted, not windows; a button would
// be named by its caption, which says less than its name.
void GiveAccessibleName(HWND control, std::wstring name);

}  // namespace talvenor::win32
