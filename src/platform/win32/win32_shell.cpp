#include "win32_services.h"

#include <shellapi.h>

#include <optional>

#include "win32_command_line.h"
#include "win32_text.h"

namespace talvenor::win32 {

namespace {

// Programs that later Windows versions replaced, with the name they carry now.
constexpr struct {
    std::string_view program;
    std::string_view successor;
} kRenamedPrograms[] = {{"sndvol32", "sndvol"}};

bool IsFile(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::optional<std::wstring> SearchPathFor(const std::wstring& program) {
    std::wstring found(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = SearchPathW(nullptr, program.c_str(), L".exe",
                                         static_cast<DWORD>(found.size()), found.data(), nullptr);
        if (length == 0) return std::nullopt;
        if (length < found.size()) {
            found.resize(length);
            return found;
        }
        found.resize(length);
    }
}

// The tool's own folder first (its .exe, or a file of the bare name), then the PATH.
std::optional<std::wstring> FindProgram(const std::string& toolDir, const std::string& program) {
    if (!toolDir.empty()) {
        std::wstring folder = Widen(toolDir);
        if (folder.back() != L'\\' && folder.back() != L'/') folder += L'\\';
        for (const wchar_t* suffix : {L".exe", L""}) {
            const std::wstring path = folder + Widen(program) + suffix;
            if (IsFile(path)) return path;
        }
    }
    if (auto found = SearchPathFor(Widen(program))) return found;
    for (const auto& renamed : kRenamedPrograms) {
        if (program == renamed.program) return SearchPathFor(Widen(renamed.successor));
    }
    return std::nullopt;
}

// "explorer.exe address" asks for the web site: the default browser opens it.
bool IsWebAddressCommand(const CommandLine& command) {
    return command.program == "explorer.exe" && command.arguments.size() == 1 &&
           command.arguments.front().find('.') != std::string::npos;
}

bool OpenWebAddress(const std::string& address) {
    const std::string url = address.find("://") == std::string::npos ? "http://" + address : address;
    // The browser is shown normally: a page opened minimised would look as if nothing happened.
    const auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteW(nullptr, L"open", Widen(url).c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    return result > 32;
}

bool Ended(HANDLE process) { return WaitForSingleObject(process, 0) != WAIT_TIMEOUT; }

}  // namespace

int ShowCommandFor(WindowStyle style) {
    return style == WindowStyle::NormalFocus ? SW_SHOWNORMAL : SW_SHOWMINIMIZED;
}

ProcessHandle Win32Platform::Shell(const CommandLine& command, WindowStyle style) {
    if (IsWebAddressCommand(command)) {
        launched_.Launched(0);
        return OpenWebAddress(command.arguments.front()) ? kUnfollowedProcess : 0;
    }
    const std::optional<std::wstring> program = FindProgram(command.toolDir, command.program);
    if (!program) return 0;
    std::wstring line = WindowsCommandLine(command, *program);

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(ShowCommandFor(style));
    PROCESS_INFORMATION process{};
    // A console of its own, so that a conversion's progress shows in its window.
    if (!CreateProcessW(program->c_str(), line.data(), nullptr, nullptr, FALSE, CREATE_NEW_CONSOLE,
                        nullptr, nullptr, &startup, &process)) {
        return 0;
    }
    launched_.Launched(process.dwProcessId);
    const KernelHandle threadHandle(process.hThread);
    // Wine starts a program of its host system without a Windows process to follow.
    if (process.dwProcessId == 0 || process.hProcess == nullptr) {
        const KernelHandle processHandle(process.hProcess);
        return kUnfollowedProcess;
    }
    // Never waited for; held only to answer whether it still runs, and let go once it has ended.
    std::erase_if(started_, [](const auto& entry) { return Ended(entry.second.get()); });
    started_.insert_or_assign(process.dwProcessId, KernelHandle(process.hProcess));
    return process.dwProcessId;
}

bool Win32Platform::IsRunning(ProcessHandle process) {
    if (process > MAXDWORD) return false;
    const auto found = started_.find(static_cast<DWORD>(process));
    return found != started_.end() && !Ended(found->second.get());
}

}  // namespace talvenor::win32
