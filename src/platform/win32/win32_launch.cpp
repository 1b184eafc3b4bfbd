// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32_platform.h"

#include <shellapi.h>

#include <algorithm>
#include <cwchar>
#include <optional>
#include <vector>

#include "presets.h"
#include "win32_command_line.h"
#include "win32_console.h"
#include "win32_text.h"

namespace talvenor::win32 {

namespace {

// The volume mixer, by the name it had and the name later Windows versions gave it.
constexpr const wchar_t* kMixerFiles[] = {L"sndvol32.exe", L"sndvol.exe"};

bool IsFile(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::wstring InFolder(std::wstring folder, std::wstring_view name) {
    if (!folder.empty() && folder.back() != L'\\' && folder.back() != L'/') folder += L'\\';
    return folder + std::wstring(name);
}

// A PATH entry that names a folder for itself: "." and relative entries would lead back to the
// current folder, which is the video's.
bool IsAbsoluteFolder(std::wstring_view entry) {
    const bool drive = entry.size() >= 3 && entry[1] == L':' && (entry[2] == L'\\' || entry[2] == L'/');
    const bool network = entry.size() >= 2 && (entry[0] == L'\\' || entry[0] == L'/') &&
                         (entry[1] == L'\\' || entry[1] == L'/');
    return drive || network;
}

constexpr wchar_t kUserEnvironment[] = L"Environment";
constexpr wchar_t kSystemEnvironment[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";

std::wstring ProcessPath() {
    std::wstring path(GetEnvironmentVariableW(L"PATH", nullptr, 0), L'\0');
    path.resize(GetEnvironmentVariableW(L"PATH", path.data(), static_cast<DWORD>(path.size())));
    return path;
}

// The Path value under `key` as the registry holds it now, its %VARIABLES% expanded.
std::wstring RegistryPath(HKEY root, const wchar_t* key) {
    constexpr DWORD kStrings = RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND;
    DWORD type = 0;
    DWORD size = 0;
    if (RegGetValueW(root, key, L"Path", kStrings, &type, nullptr, &size) != ERROR_SUCCESS) return {};
    std::wstring value(size / sizeof(wchar_t) + 1, L'\0');
    if (RegGetValueW(root, key, L"Path", kStrings, &type, value.data(), &size) != ERROR_SUCCESS) return {};
    value.resize(std::wcslen(value.c_str()));
    if (type != REG_EXPAND_SZ) return value;
    std::wstring expanded(ExpandEnvironmentStringsW(value.c_str(), nullptr, 0), L'\0');
    const DWORD room = static_cast<DWORD>(expanded.size());
    expanded.resize(ExpandEnvironmentStringsW(value.c_str(), expanded.data(), room));
    return expanded.c_str();
}

// The user's and the system's PATH as installers leave them, also after Talvenor has started.
std::wstring RegistryPaths() {
    return RegistryPath(HKEY_CURRENT_USER, kUserEnvironment) + L";" +
           RegistryPath(HKEY_LOCAL_MACHINE, kSystemEnvironment);
}

std::vector<std::wstring> PathEntries(std::wstring_view path) {
    std::vector<std::wstring> entries;
    while (!path.empty()) {
        const std::size_t end = std::min(path.find(L';'), path.size());
        if (end > 0) entries.emplace_back(path.substr(0, end));
        path.remove_prefix(std::min(end + 1, path.size()));
    }
    return entries;
}

std::optional<std::wstring> SearchPathVariable(const std::wstring& file) {
    for (std::wstring entry : PathEntries(ProcessPath() + L";" + RegistryPaths())) {
        // Entries may be written in quotes.
        if (entry.size() >= 2 && entry.front() == L'"' && entry.back() == L'"') entry = entry.substr(1, entry.size() - 2);
        if (!IsAbsoluteFolder(entry)) continue;
        const std::wstring candidate = InFolder(entry, file);
        if (IsFile(candidate)) return candidate;
    }
    return std::nullopt;
}

std::wstring SystemFolder() {
    wchar_t folder[MAX_PATH];
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::wstring(folder, length) : std::wstring();
}

// The tool's own folder first (its .exe, or a file of the bare name), then the PATH; never the
// current folder. The mixer is the system's own.
std::optional<std::wstring> FindProgram(const CommandLine& command) {
    const std::string& toolDir = command.toolDir;
    const std::string& program = command.program;
    if (command.purpose == LaunchPurpose::Mixer) {
        const std::wstring system = SystemFolder();
        for (const wchar_t* mixer : kMixerFiles) {
            if (!system.empty() && IsFile(InFolder(system, mixer))) return InFolder(system, mixer);
        }
        return std::nullopt;
    }
    const std::wstring name = Widen(program);
    if (!toolDir.empty()) {
        for (const wchar_t* suffix : {L".exe", L""}) {
            const std::wstring path = InFolder(Widen(toolDir), name + suffix);
            if (IsFile(path)) return path;
        }
    }
    const bool hasExtension = name.find(L'.') != std::wstring::npos;
    return SearchPathVariable(hasExtension ? name : name + L".exe");
}

bool OpenWebAddress(const std::string& address) {
    const std::string url = WebAddress(address);
    // The browser is shown normally: a page opened minimised would look as if nothing happened.
    const auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteW(nullptr, L"open", Widen(url).c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    return result > 32;
}

}  // namespace

void TakeEnvironmentChange(const wchar_t* area) {
    if (area == nullptr || CompareStringOrdinal(area, -1, L"Environment", -1, TRUE) != CSTR_EQUAL) {
        return;
    }
    std::wstring path = ProcessPath();
    std::vector<std::wstring> known = PathEntries(path);
    for (const std::wstring& entry : PathEntries(RegistryPaths())) {
        const auto same = [&entry](const std::wstring& other) {
            return CompareStringOrdinal(entry.c_str(), -1, other.c_str(), -1, TRUE) == CSTR_EQUAL;
        };
        if (std::any_of(known.begin(), known.end(), same)) continue;
        path += (path.empty() || path.back() == L';' ? L"" : L";") + entry;
        known.push_back(entry);
    }
    SetEnvironmentVariableW(L"PATH", path.c_str());
}

int ShowCommandFor(const CommandLine& command, WindowStyle style) {
    return StartsMinimised(command.purpose, style) ? SW_SHOWMINIMIZED : SW_SHOWNORMAL;
}

ProcessHandle Win32Platform::Shell(const CommandLine& command, WindowStyle style) {
    // The web site: the default browser opens its address.
    if (command.purpose == LaunchPurpose::WebSite && command.arguments.size() == 1) {
        launched_.Launched(0);
        return OpenWebAddress(command.arguments.front()) ? kUnfollowedProcess : 0;
    }
    const std::optional<std::wstring> program = FindProgram(command);
    if (!program) return 0;
    std::wstring started = *program;
    std::wstring line = WindowsCommandLine(command, *program);
    // The player is a console program too, but shows only its video window.
    DWORD creation = CREATE_NO_WINDOW;
    if (command.purpose == LaunchPurpose::Conversion) {
        // A conversion shows in a console that stays open when the tool fails.
        started = ConsoleProgram();
        line = ConsoleCommandLine(started, {line, Widen(command.output), Widen(command.partialOutput)});
        creation = CREATE_NEW_CONSOLE;
    }

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(ShowCommandFor(command, style));
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(started.c_str(), line.data(), nullptr, nullptr, FALSE, creation, nullptr, nullptr,
                        &startup, &process)) {
        return 0;
    }
    launched_.Launched(process.dwProcessId);
    const KernelHandle threadHandle(process.hThread);
    // Wine starts a program of its host system without a Windows process to follow.
    if (process.dwProcessId == 0 || process.hProcess == nullptr) {
        const KernelHandle processHandle(process.hProcess);
        return kUnfollowedProcess;
    }
    // Held to answer whether it still runs, and let go once it has ended; a conversion's end is
    // also told to the window.
    std::erase_if(started_, [](const auto& entry) { return Ended(entry.second.get()); });
    if (command.purpose == LaunchPurpose::Conversion) WatchConversion(process.dwProcessId, process.hProcess);
    started_.insert_or_assign(process.dwProcessId, KernelHandle(process.hProcess));
    // The player shows its window itself, in front, ignoring the start style.
    if (startup.wShowWindow == SW_SHOWMINIMIZED) MinimiseWhenShown(process.dwProcessId);
    return process.dwProcessId;
}

bool Win32Platform::IsRunning(ProcessHandle process) {
    if (process > MAXDWORD) return false;
    const auto found = started_.find(static_cast<DWORD>(process));
    if (found == started_.end() || Ended(found->second.get())) return false;
    // A conversion's console outlives a tool that failed: the tool's end is what counts.
    const KernelHandle toolEnded(OpenEventW(SYNCHRONIZE, FALSE, ToolEndedEventName(found->first).c_str()));
    return !toolEnded || !Ended(toolEnded.get());
}

}  // namespace talvenor::win32
