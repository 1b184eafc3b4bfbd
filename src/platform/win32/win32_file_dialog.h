// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

#include "platform.h"
#include "win32_api.h"

namespace talvenor::win32 {

// The system's open-file dialog, modal to the owner window.
class Win32OpenFileDialog : public OpenFileDialog {
public:
    void SetOwner(HWND owner) { owner_ = owner; }

    void SetFilter(const std::string& filter) override;
    void SetDialogTitle(const std::string& title) override;
    void SetFileName(const std::string& fileName) override;
    void ShowOpen() override;
    std::string FileName() override;

private:
    HWND owner_ = nullptr;
    std::wstring filter_;
    std::wstring title_;
    std::wstring fileName_;
};

// "Video|*.flv;" as the dialog takes it: each piece ended by a NUL, the list by another.
std::wstring WindowsFilter(std::wstring_view filter);

}  // namespace talvenor::win32
