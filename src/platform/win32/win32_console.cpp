#include "win32_console.h"

#include <cwchar>

#include "console_words.h"
#include "win32_handles.h"
#include "win32_text.h"

namespace talvenor::win32 {

namespace {

bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t';
}

// Where the first word of a line ends, as the system reads a program's name: to the closing
// quote when it opens with one, else to the first blank.
std::size_t EndOfFirstWord(std::wstring_view line) {
    if (!line.empty() && line.front() == L'"') {
        const std::size_t closing = line.find(L'"', 1);
        return closing == std::wstring_view::npos ? line.size() : closing + 1;
    }
    std::size_t end = 0;
    while (end < line.size() && !IsBlank(line[end])) ++end;
    return end;
}

std::wstring_view SkipBlanks(std::wstring_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    return text;
}

// The tool's own name, the first word of its line, without quotes.
std::wstring ProgramOf(std::wstring_view toolLine) {
    std::wstring_view word = toolLine.substr(0, EndOfFirstWord(toolLine));
    if (word.size() >= 2 && word.front() == L'"') word = word.substr(1, word.size() - 2);
    return std::wstring(word);
}

// "ffmpeg" for C:\Outils\ffmpeg.exe.
std::wstring NameOf(std::wstring_view program) {
    std::wstring_view name = program.substr(program.find_last_of(L"\\/") + 1);
    if (name.size() > 4 && _wcsicmp(std::wstring(name.substr(name.size() - 4)).c_str(), L".exe") == 0) {
        name.remove_suffix(4);
    }
    return std::wstring(name);
}

void Write(HANDLE console, std::wstring_view text) {
    DWORD written = 0;
    WriteConsoleW(console, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

KernelHandle OpenConsole(const wchar_t* name, DWORD access) {
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    const HANDLE handle = CreateFileW(name, access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited,
                                      OPEN_EXISTING, 0, nullptr);
    return KernelHandle(handle == INVALID_HANDLE_VALUE ? nullptr : handle);
}

// Keeps the console open until the user presses Entrée (or closes it).
void WaitForEnter(HANDLE input) {
    // Keys typed for the tool must not answer the question.
    FlushConsoleInputBuffer(input);
    SetConsoleMode(input, ENABLE_PROCESSED_INPUT | ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT);
    wchar_t line[64];
    DWORD read = 0;
    while (ReadConsoleW(input, line, 64, &read, nullptr) && read > 0) {
        if (std::wstring_view(line, read).find_first_of(L"\r\n") != std::wstring_view::npos) return;
    }
}

}  // namespace

std::wstring ConsoleCommandLine(std::wstring_view program, std::wstring_view toolLine) {
    return L"\"" + std::wstring(program) + L"\" " + std::wstring(kConsoleSwitch) + L" " +
           std::wstring(toolLine);
}

std::optional<std::wstring> ToolLineOf(std::wstring_view commandLine) {
    std::wstring_view rest = SkipBlanks(commandLine.substr(EndOfFirstWord(commandLine)));
    if (!rest.starts_with(kConsoleSwitch)) return std::nullopt;
    rest.remove_prefix(kConsoleSwitch.size());
    if (rest.empty() || !IsBlank(rest.front())) return std::nullopt;
    rest = SkipBlanks(rest);
    if (rest.empty()) return std::nullopt;
    return std::wstring(rest);
}

std::wstring FailureLines(DWORD exitCode) {
    wchar_t code[16];
    // 0xC0000005 and its kind are the system's own codes for a crash.
    swprintf(code, 16, exitCode >= 0xC0000000 ? L"0x%08lX" : L"%lu",
             static_cast<unsigned long>(exitCode));
    return Widen(kConversionFailed) + L" (code " + code + L").\r\n" + Widen(kPressEnterToClose);
}

std::wstring ToolEndedEventName(DWORD consoleProcess) {
    return L"Local\\TalvenorToolEnded-" + std::to_wstring(consoleProcess);
}

int RunConversionConsole(const std::wstring& toolLine) {
    const KernelHandle toolEnded(
        CreateEventW(nullptr, TRUE, FALSE, ToolEndedEventName(GetCurrentProcessId()).c_str()));
    const auto tellToolEnded = [&toolEnded] {
        if (toolEnded) SetEvent(toolEnded.get());
    };
    // Started with a console of its own or not, the conversion shows in one.
    if (GetConsoleWindow() == nullptr) AllocConsole();
    const std::wstring program = ProgramOf(toolLine);
    // Named as on Linux, and never taken for one of the program's message boxes.
    SetConsoleTitleW((L"Talvenor — " + NameOf(program)).c_str());
    // Ctrl+C is the tool's to handle: it stops cleanly and the console says how it ended.
    SetConsoleCtrlHandler(nullptr, TRUE);
    const KernelHandle input = OpenConsole(L"CONIN$", GENERIC_READ | GENERIC_WRITE);
    const KernelHandle output = OpenConsole(L"CONOUT$", GENERIC_READ | GENERIC_WRITE);

    // Closing the console ends this process, and with it the tool: the job goes with its last
    // handle.
    const KernelHandle job(CreateJobObjectW(nullptr, nullptr));
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (job)
        SetInformationJobObject(job.get(), JobObjectExtendedLimitInformation, &limits,
                                sizeof limits);

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input.get();
    startup.hStdOutput = output.get();
    startup.hStdError = output.get();
    PROCESS_INFORMATION process{};
    std::wstring line = toolLine;
    // Only the console's own handles are inheritable here.
    if (!CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, TRUE, CREATE_SUSPENDED,
                        nullptr, nullptr, &startup, &process)) {
        const DWORD error = GetLastError();
        tellToolEnded();
        Write(output.get(), L"Impossible de lancer « " + program + L" » (erreur " +
                                std::to_wstring(error) + L").\r\n" + Widen(kPressEnterToClose));
        WaitForEnter(input.get());
        return static_cast<int>(error);
    }
    const KernelHandle processHandle(process.hProcess);
    const KernelHandle threadHandle(process.hThread);
    if (job) AssignProcessToJobObject(job.get(), processHandle.get());
    ResumeThread(threadHandle.get());
    WaitForSingleObject(processHandle.get(), INFINITE);
    tellToolEnded();
    DWORD code = 0;
    GetExitCodeProcess(processHandle.get(), &code);
    if (code == 0) return 0;
    Write(output.get(), L"\r\n" + FailureLines(code));
    WaitForEnter(input.get());
    return static_cast<int>(code);
}

}  // namespace talvenor::win32
