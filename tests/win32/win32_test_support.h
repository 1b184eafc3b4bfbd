// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>

#include "win32_api.h"

namespace talvenor::testing {

// Processes this thread's messages until `done` holds or `limit` passes; true when it held.
inline bool PumpUntil(const std::function<bool()>& done,
                      std::chrono::milliseconds limit = std::chrono::milliseconds(10000),
                      const std::function<bool(MSG&)>& filter = nullptr) {
    const auto end = std::chrono::steady_clock::now() + limit;
    for (;;) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (filter && filter(message)) continue;
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        if (done()) return true;
        if (std::chrono::steady_clock::now() > end) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
}

// A fresh folder under the system's temporary folder, removed with the object.
class TemporaryFolder {
public:
    explicit TemporaryFolder(const std::wstring& name) {
        wchar_t base[MAX_PATH + 1];
        GetTempPathW(MAX_PATH + 1, base);
        // A name of its own: a folder that a started process still works in cannot go at once.
        static int made = 0;
        path_ = std::filesystem::path(base) /
                (name + L" " + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++made));
        // Wine gives out the same process ids run after run: a folder left by an earlier run goes first.
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
        std::filesystem::create_directories(path_);
    }
    ~TemporaryFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// Sets the working directory for one scope.
class WorkingDirectory {
public:
    explicit WorkingDirectory(const std::filesystem::path& path) : previous_(std::filesystem::current_path()) {
        std::filesystem::current_path(path);
    }
    ~WorkingDirectory() {
        std::error_code ignored;
        std::filesystem::current_path(previous_, ignored);
    }
    WorkingDirectory(const WorkingDirectory&) = delete;
    WorkingDirectory& operator=(const WorkingDirectory&) = delete;

private:
    std::filesystem::path previous_;
};

// Sets an environment variable, which the processes started meanwhile inherit, for one scope.
class EnvironmentVariable {
public:
    EnvironmentVariable(std::wstring name, const std::wstring& value) : name_(std::move(name)) {
        const DWORD length = GetEnvironmentVariableW(name_.c_str(), nullptr, 0);
        if (length > 0) {
            previous_.resize(length);
            previous_.resize(GetEnvironmentVariableW(name_.c_str(), previous_.data(), length));
            hadValue_ = true;
        }
        SetEnvironmentVariableW(name_.c_str(), value.c_str());
    }
    ~EnvironmentVariable() { SetEnvironmentVariableW(name_.c_str(), hadValue_ ? previous_.c_str() : nullptr); }
    EnvironmentVariable(const EnvironmentVariable&) = delete;
    EnvironmentVariable& operator=(const EnvironmentVariable&) = delete;

private:
    std::wstring name_;
    std::wstring previous_;
    bool hadValue_ = false;
};

// The folder of the running test program, where the stand-in programs are built too.
inline std::filesystem::path TestProgramFolder() {
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return std::filesystem::path(path).parent_path();
}

inline std::wstring WindowText(HWND window) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

inline std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}


// Runs `open`, which shows a modal box of this thread; once the box is up, `act` reads it and
// closes it.
class ModalWatcher {
public:
    static void Run(const std::function<void()>& open, const std::function<void(HWND)>& act) {
        current = &act;
        const UINT_PTR timer = SetTimer(nullptr, 0, 50, OnTimer);
        open();
        KillTimer(nullptr, timer);
        current = nullptr;
    }

private:
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD) {
        HWND box = nullptr;
        EnumThreadWindows(
            GetCurrentThreadId(),
            [](HWND candidate, LPARAM found) {
                if (ClassOf(candidate) == L"#32770" && IsWindowVisible(candidate)) {
                    *reinterpret_cast<HWND*>(found) = candidate;
                    return FALSE;
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&box));
        if (box == nullptr || current == nullptr) return;
        const auto* act = current;
        current = nullptr;
        (*act)(box);
    }
    static inline const std::function<void(HWND)>* current = nullptr;
};

}  // namespace talvenor::testing
