// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32_file_dialog.h"

#include <commdlg.h>

#include <algorithm>

#include "win32_text.h"

namespace talvenor::win32 {

namespace {

// Room for long paths, well beyond the classic 260 characters.
constexpr std::size_t kPathCapacity = 32768;

}  // namespace

std::wstring WindowsFilter(std::wstring_view filter) {
    if (filter.empty()) return {};
    std::wstring converted(filter);
    for (wchar_t& c : converted) {
        if (c == L'|') c = L'\0';
    }
    converted.push_back(L'\0');
    converted.push_back(L'\0');
    return converted;
}

void Win32OpenFileDialog::SetFilter(const std::string& filter) { filter_ = WindowsFilter(Widen(filter)); }

void Win32OpenFileDialog::SetDialogTitle(const std::string& title) { title_ = Widen(title); }

void Win32OpenFileDialog::SetFileName(const std::string& fileName) { fileName_ = Widen(fileName); }

void Win32OpenFileDialog::ShowOpen() {
    std::wstring buffer(kPathCapacity, L'\0');
    fileName_.copy(buffer.data(), std::min(fileName_.size(), kPathCapacity - 1));

    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner_;
    dialog.lpstrFilter = filter_.empty() ? nullptr : filter_.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = buffer.data();
    dialog.nMaxFile = static_cast<DWORD>(buffer.size());
    dialog.lpstrTitle = title_.empty() ? nullptr : title_.c_str();
    dialog.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    // Browsing may move the working directory: the folder of a chosen file is made current by
    // the program itself, which tells the user when it cannot be.
    std::wstring previous(GetCurrentDirectoryW(0, nullptr), L'\0');
    previous.resize(GetCurrentDirectoryW(static_cast<DWORD>(previous.size()), previous.data()));
    const bool chosen = GetOpenFileNameW(&dialog) != FALSE;
    SetCurrentDirectoryW(previous.c_str());
    // A cancel, or a dialog that could not open, leaves the name as it was.
    if (chosen) fileName_ = buffer.c_str();
}

std::string Win32OpenFileDialog::FileName() { return Narrow(fileName_); }

}  // namespace talvenor::win32
