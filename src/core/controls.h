// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>

#include "form_design.h"
#include "platform.h"

namespace talvenor {

// The window's controls as the handlers see them. Setting a property here never raises an
// event: the form raises what the toolkit would raise itself.
class FormControls {
public:
    virtual ~FormControls() = default;

    virtual void SetText(ControlId control, const std::string& text) = 0;
    virtual std::string Text(ControlId control) = 0;
    virtual void SetEnabled(ControlId control, bool enabled) = 0;
    virtual void SetVisible(ControlId control, bool visible) = 0;
    virtual void SetBackColor(ControlId control, Colour colour) = 0;
    // -1 when nothing is selected.
    virtual std::int16_t ListIndex(ControlId list) = 0;
    virtual void SetListIndex(ControlId list, std::int16_t index) = 0;
    virtual std::string ListItem(ControlId list, int index) = 0;

    // The window's native handle.
    virtual WindowHandle hWnd() = 0;
    // 1 minimises the window.
    virtual void SetWindowState(int state) = 0;
};

}  // namespace talvenor
