// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32_console.h"

#include <objbase.h>
#include <shobjidl.h>

#include <algorithm>
#include <cwchar>

#include "console_words.h"
#include "win32_command_line.h"
#include "conversion_progress.h"
#include "win32_handles.h"
#include "win32_platform.h"
#include "win32_text.h"

namespace talvenor::win32 {

namespace {

// How often the progress is said again: some terminals drop one that is not repeated.
constexpr ULONGLONG kProgressRepeatMs = 3000;
// How long the console waits for more output before it looks at the tool and the clock again.
constexpr DWORD kReadPollMs = 200;

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

// How much of `text` ends on a whole UTF-8 character: a sequence cut short is held back.
std::size_t CompleteLength(std::string_view text) {
    for (std::size_t back = 1; back <= 4 && back <= text.size(); ++back) {
        const auto byte = static_cast<unsigned char>(text[text.size() - back]);
        if ((byte & 0xC0) == 0x80) continue;
        const std::size_t length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
        return length > back ? text.size() - back : text.size();
    }
    return text.size();
}

// Writes the tool's UTF-8 output to the console as UTF-16, so that it shows right whatever the
// console's code page; a character cut between two reads waits for its end.
class Utf8ToConsole {
public:
    explicit Utf8ToConsole(HANDLE console) : console_(console) {}
    void Write(const char* bytes, std::size_t size) {
        pending_.append(bytes, size);
        Pass(CompleteLength(pending_));
    }
    // What is left at the end is written as it is, invalid or not.
    void Flush() { Pass(pending_.size()); }

private:
    void Pass(std::size_t length) {
        if (length == 0) return;
        const int count = static_cast<int>(length);
        std::wstring wide(static_cast<std::size_t>(MultiByteToWideChar(CP_UTF8, 0, pending_.data(), count, nullptr, 0)), L'\0');
        MultiByteToWideChar(CP_UTF8, 0, pending_.data(), count, wide.data(), static_cast<int>(wide.size()));
        win32::Write(console_, wide);
        pending_.erase(0, length);
    }

    HANDLE console_;
    std::string pending_;
};

// The progress on the taskbar: the terminal's progress sequence, which Windows Terminal shows on
// its tab and taskbar button, and the taskbar button of a classic console's window.
class TaskbarProgress {
public:
    enum State { kCleared = 0, kNormal = 1, kFailed = 2 };

    explicit TaskbarProgress(HANDLE console) : console_(console), window_(GetConsoleWindow()) {
        DWORD mode = 0;
        // Without terminal processing the sequence would show as text: it is sent only with it.
        sequences_ = GetConsoleMode(console, &mode) &&
                     SetConsoleMode(console, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
        if (sequences_) sequences_ = SequenceUnseen();
        if (FAILED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList3,
                                    reinterpret_cast<void**>(taskbar_.put())))) {
            return;
        }
        taskbarReady_ = SUCCEEDED(taskbar_->HrInit());
    }

    void Show(State state, int percent) {
        state_ = state;
        percent_ = std::clamp(percent, 0, 100);
        Send();
    }
    void RepeatIfDue() {
        if (shown_ && GetTickCount64() - sentAt_ >= kProgressRepeatMs) Send();
    }

private:
    // Whether the console takes the sequence without showing it. Some hosts accept terminal
    // processing yet print what they do not know (Wine's console): tried once, on the empty
    // console, and rubbed out there.
    bool SequenceUnseen() {
        CONSOLE_SCREEN_BUFFER_INFO before{};
        CONSOLE_SCREEN_BUFFER_INFO after{};
        if (!GetConsoleScreenBufferInfo(console_, &before)) return false;
        Write(console_, L"\x1b]9;4;0;0\x1b\\");
        if (!GetConsoleScreenBufferInfo(console_, &after)) return false;
        const COORD from = before.dwCursorPosition;
        const COORD to = after.dwCursorPosition;
        if (from.X == to.X && from.Y == to.Y) return true;
        const long cells = static_cast<long>(to.Y - from.Y) * before.dwSize.X + (to.X - from.X);
        DWORD written = 0;
        FillConsoleOutputCharacterW(console_, L' ', static_cast<DWORD>(std::max(cells, 0L)), from, &written);
        SetConsoleCursorPosition(console_, from);
        return false;
    }

    void Send() {
        shown_ = state_ != kCleared;
        sentAt_ = GetTickCount64();
        if (sequences_) {
            Write(console_, L"\x1b]9;4;" + std::to_wstring(static_cast<int>(state_)) + L";" +
                                std::to_wstring(percent_) + L"\x1b\\");
        }
        if (!taskbarReady_ || window_ == nullptr) return;
        taskbar_->SetProgressState(window_, state_ == kCleared ? TBPF_NOPROGRESS
                                            : state_ == kFailed ? TBPF_ERROR
                                                                : TBPF_NORMAL);
        if (state_ != kCleared) taskbar_->SetProgressValue(window_, static_cast<ULONGLONG>(percent_), 100);
    }

    HANDLE console_;
    HWND window_;
    bool sequences_ = false;
    ComRef<ITaskbarList3> taskbar_;
    bool taskbarReady_ = false;
    State state_ = kCleared;
    int percent_ = 0;
    bool shown_ = false;
    ULONGLONG sentAt_ = 0;
};

// Passes what the tool writes to the console, and its progress to the title and the taskbar,
// until the tool has ended and its output is all read. `process` may be null: a program of
// Wine's host system has none to wait for, and its output's end is its end.
int ShowToolOutput(HANDLE pipe, HANDLE process, HANDLE console, const std::string& tool,
                   TaskbarProgress& taskbar, ProgressReader& reader) {
    Utf8ToConsole text(console);
    char buffer[4096];
    for (;;) {
        DWORD available = 0;
        // Fails once every writing end has gone and all is read.
        if (!PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr)) break;
        if (available == 0) {
            // What a tool that has ended left in the pipe is all: a process of its own may still
            // hold the pipe open.
            const bool ended = process != nullptr && WaitForSingleObject(process, kReadPollMs) == WAIT_OBJECT_0;
            if (process == nullptr) Sleep(kReadPollMs);
            if (ended && PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) && available == 0) break;
            taskbar.RepeatIfDue();
            continue;
        }
        DWORD got = 0;
        if (!ReadFile(pipe, buffer, std::min<DWORD>(available, sizeof buffer), &got, nullptr) || got == 0) break;
        text.Write(buffer, got);
        if (ProgressReaderFeed(&reader, buffer, got)) {
            char title[256];
            ProgressTitle(&reader, tool.c_str(), title, sizeof title);
            SetConsoleTitleW(Widen(title).c_str());
            if (ProgressPercent(&reader) >= 0) taskbar.Show(TaskbarProgress::kNormal, ProgressPercent(&reader));
        }
        taskbar.RepeatIfDue();
    }
    text.Flush();
    // A last line left without its end.
    ProgressReaderFeed(&reader, "\n", 1);
    return std::max(ProgressPercent(&reader), 0);
}

// The file a conversion writes under its temporary name, and the job its tool runs in, for the
// handler that runs when the console is closed.
std::wstring partialFile;
HANDLE toolJob = nullptr;

// The console's window closed, or the session ends: the tool is stopped, and what it had
// written goes, before the system ends this process.
BOOL WINAPI OnConsoleClosed(DWORD event) {
    if (event != CTRL_CLOSE_EVENT && event != CTRL_LOGOFF_EVENT && event != CTRL_SHUTDOWN_EVENT) return FALSE;
    if (toolJob != nullptr) TerminateJobObject(toolJob, 1);
    // The tool's handle on its file goes with it: the file can be removed a moment later.
    for (int attempt = 0; !partialFile.empty() && attempt < 20; ++attempt) {
        if (DeleteFileW(partialFile.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND) break;
        Sleep(50);
    }
    return FALSE;
}

// The tool's file once it has ended: under its own name when it ended well, gone otherwise.
// False when it ended well but its file could not take its name.
bool Settle(const ConsoleRequest& request, DWORD code) {
    if (request.output.empty()) return true;
    if (code != 0) {
        DeleteFileW(request.partial.c_str());
        return true;
    }
    // A tool that ended well without writing a file leaves nothing to name.
    if (GetFileAttributesW(request.partial.c_str()) == INVALID_FILE_ATTRIBUTES) return true;
    return MoveFileExW(request.partial.c_str(), request.output.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
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

void ShowFailed(const std::string& tool) {
    char title[256];
    ProgressFailedTitle(tool.c_str(), title, sizeof title);
    SetConsoleTitleW(Widen(title).c_str());
}

}  // namespace

std::wstring ConsoleCommandLine(std::wstring_view program, const ConsoleRequest& request) {
    std::wstring line = L"\"" + std::wstring(program) + L"\" " + std::wstring(kConsoleSwitch) + L" ";
    if (!request.output.empty()) {
        // Quoted as the C runtime reads them, so that the console can take them off the front.
        line += std::wstring(kFileSwitch) + L" " + QuoteArgument(request.output) + L" " + QuoteArgument(request.partial) + L" ";
    }
    return line + request.toolLine;
}

namespace {

// Takes the switch `word` and a blank after it off the front of `rest`.
bool TakeSwitch(std::wstring_view& rest, std::wstring_view word) {
    if (!rest.starts_with(word) || rest.size() == word.size() || !IsBlank(rest[word.size()])) return false;
    rest = SkipBlanks(rest.substr(word.size()));
    return true;
}

// Takes the first argument off the front of `rest`, read as CommandLineToArgvW and the C runtime
// read it: blanks end it outside quotes, 2n backslashes before a quote are n and the quote opens
// or closes, 2n + 1 are n and a quote; other backslashes are themselves. Empty: none there.
std::optional<std::wstring> TakeQuoted(std::wstring_view& rest) {
    std::wstring argument;
    bool quoted = false;
    std::size_t i = 0;
    while (i < rest.size() && (quoted || !IsBlank(rest[i]))) {
        std::size_t backslashes = 0;
        while (i < rest.size() && rest[i] == L'\\') ++backslashes, ++i;
        if (i < rest.size() && rest[i] == L'"') {
            argument.append(backslashes / 2, L'\\');
            if (backslashes % 2 == 1) {
                argument.push_back(L'"');
            } else {
                quoted = !quoted;
            }
            ++i;
            continue;
        }
        argument.append(backslashes, L'\\');
        if (i < rest.size() && (quoted || !IsBlank(rest[i]))) argument.push_back(rest[i++]);
    }
    if (argument.empty()) return std::nullopt;
    rest = SkipBlanks(rest.substr(i));
    return argument;
}

}  // namespace

std::optional<ConsoleRequest> ConsoleRequestOf(std::wstring_view commandLine) {
    std::wstring_view rest = SkipBlanks(commandLine.substr(EndOfFirstWord(commandLine)));
    if (!TakeSwitch(rest, kConsoleSwitch)) return std::nullopt;
    ConsoleRequest request;
    if (TakeSwitch(rest, kFileSwitch)) {
        const auto output = TakeQuoted(rest);
        const auto partial = output ? TakeQuoted(rest) : std::nullopt;
        if (!partial) return std::nullopt;
        request.output = *output;
        request.partial = *partial;
    }
    if (rest.empty()) return std::nullopt;
    request.toolLine = std::wstring(rest);
    return request;
}

std::wstring FailureLines(DWORD exitCode, const char* reason, bool withCode) {
    wchar_t code[16];
    // 0xC0000005 and its kind are the system's own codes for a crash.
    swprintf(code, 16, exitCode >= 0xC0000000 ? L"0x%08lX" : L"%lu",
             static_cast<unsigned long>(exitCode));
    const std::wstring failed = withCode ? Widen(kConversionFailed) + L" (code " + code + L").\r\n" : L"";
    return failed + Widen(reason) + L"\r\n" + Widen(kPressEnterToClose);
}

std::wstring ToolEndedEventName(DWORD consoleProcess) {
    return L"Local\\TalvenorToolEnded-" + std::to_wstring(consoleProcess);
}

int RunConversionConsole(const ConsoleRequest& request) {
    const std::wstring& toolLine = request.toolLine;
    const KernelHandle toolEnded(
        CreateEventW(nullptr, TRUE, FALSE, ToolEndedEventName(GetCurrentProcessId()).c_str()));
    const auto tellToolEnded = [&toolEnded] {
        if (toolEnded) SetEvent(toolEnded.get());
    };
    // Started with a console of its own or not, the conversion shows in one.
    if (GetConsoleWindow() == nullptr) AllocConsole();
    const std::wstring program = ProgramOf(toolLine);
    const std::string tool = Narrow(NameOf(program));
    // Named as on Linux, and never taken for one of the program's message boxes.
    ProgressReader nothingYet;
    ProgressReaderInit(&nothingYet);
    char title[256];
    ProgressTitle(&nothingYet, tool.c_str(), title, sizeof title);
    SetConsoleTitleW(Widen(title).c_str());
    // Ctrl+C is the tool's to handle: it stops cleanly and the console says how it ended.
    SetConsoleCtrlHandler(nullptr, TRUE);
    partialFile = request.partial;
    SetConsoleCtrlHandler(OnConsoleClosed, TRUE);
    const KernelHandle input = OpenConsole(L"CONIN$", GENERIC_READ | GENERIC_WRITE);
    const KernelHandle output = OpenConsole(L"CONOUT$", GENERIC_READ | GENERIC_WRITE);
    // The taskbar's progress is a COM object.
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    TaskbarProgress taskbar(output.get());

    // Closing the console ends this process, and with it the tool: the job goes with its last
    // handle.
    const KernelHandle job(CreateJobObjectW(nullptr, nullptr));
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (job)
        SetInformationJobObject(job.get(), JobObjectExtendedLimitInformation, &limits,
                                sizeof limits);
    toolJob = job.get();

    // The tool writes into a pipe, read here to follow its progress; its keys still come from
    // the console.
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherited, 0)) readEnd = writeEnd = nullptr;
    const KernelHandle toolOutput(readEnd);
    KernelHandle toolWrites(writeEnd);
    if (toolOutput) SetHandleInformation(toolOutput.get(), HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input.get();
    startup.hStdOutput = toolWrites ? toolWrites.get() : output.get();
    startup.hStdError = startup.hStdOutput;
    PROCESS_INFORMATION process{};
    std::wstring line = toolLine;
    // Only the console's own handles and the pipe's writing end are inheritable here.
    if (!CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, TRUE, CREATE_SUSPENDED,
                        nullptr, nullptr, &startup, &process)) {
        const DWORD error = GetLastError();
        tellToolEnded();
        ShowFailed(tool);
        ProgressReader nothing;
        ProgressReaderInit(&nothing);
        Write(output.get(), L"Impossible de lancer « " + program + L" » (erreur " + std::to_wstring(error) + L").\r\n" +
                                Widen(ProgressFailureReason(&nothing, TOOL_NOT_STARTED)) + L"\r\n" +
                                Widen(kPressEnterToClose));
        WaitForEnter(input.get());
        return static_cast<int>(error);
    }
    // The tool holds the only writing end left: its end ends the pipe.
    toolWrites.reset();
    const KernelHandle processHandle(process.hProcess);
    const KernelHandle threadHandle(process.hThread);
    if (job) AssignProcessToJobObject(job.get(), processHandle.get());
    ResumeThread(threadHandle.get());
    int percent = 0;
    ProgressReader reader;
    ProgressReaderInit(&reader);
    if (toolOutput) percent = ShowToolOutput(toolOutput.get(), processHandle.get(), output.get(), tool, taskbar, reader);
    WaitForSingleObject(processHandle.get(), INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(processHandle.get(), &code);
    // Settled before anyone is told it has ended: the notification's click must find the file.
    const bool named = Settle(request, code);
    tellToolEnded();
    if (code == 0 && named) {
        taskbar.Show(TaskbarProgress::kCleared, 0);
        return 0;
    }
    taskbar.Show(TaskbarProgress::kFailed, percent);
    ShowFailed(tool);
    const ToolEnd end = !named ? TOOL_NOT_NAMED : code >= 0xC0000000 ? TOOL_CRASHED : TOOL_FAILED;
    Write(output.get(), L"\r\n" + FailureLines(code, ProgressFailureReason(&reader, end), named));
    WaitForEnter(input.get());
    taskbar.Show(TaskbarProgress::kCleared, 0);
    return code == 0 ? 1 : static_cast<int>(code);
}


std::wstring Win32Platform::ConsoleProgram() const {
    if (!consoleProgram_.empty()) return consoleProgram_;
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) return path.substr(0, length);
        path.resize(path.size() * 2);
    }
}

void Win32Platform::WatchConversion(DWORD processId, HANDLE process) {
    HANDLE own = nullptr;
    // A handle of its own: the one kept for IsRunning goes once the process is seen ended.
    if (!DuplicateHandle(GetCurrentProcess(), process, GetCurrentProcess(), &own, SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION,
                         FALSE, 0)) {
        return;
    }
    WatchedConversion conversion;
    conversion.process.reset(own);
    conversion.startedAt = GetTickCount64();
    conversion.notice = std::make_unique<EndedNotice>(EndedNotice{messageWindow_.get(), processId});
    const auto onEnded = [](PVOID context, BOOLEAN) {
        const auto* notice = static_cast<const EndedNotice*>(context);
        PostMessageW(notice->window, kConversionEndedMessage, notice->processId, 0);
    };
    if (!RegisterWaitForSingleObject(&conversion.wait, own, onEnded, conversion.notice.get(), INFINITE,
                                     WT_EXECUTEONLYONCE)) {
        return;
    }
    // A process id comes back once its process has gone: an earlier watch of it is over.
    if (const auto earlier = watched_.find(processId); earlier != watched_.end()) {
        UnregisterWaitEx(earlier->second.wait, INVALID_HANDLE_VALUE);
    }
    watched_.insert_or_assign(processId, std::move(conversion));
}

void Win32Platform::ReportConversionEnd(DWORD processId) {
    const auto found = watched_.find(processId);
    if (found == watched_.end()) return;
    UnregisterWaitEx(found->second.wait, INVALID_HANDLE_VALUE);
    DWORD code = 0;
    GetExitCodeProcess(found->second.process.get(), &code);
    const double seconds = static_cast<double>(GetTickCount64() - found->second.startedAt) / 1000.0;
    watched_.erase(found);
    if (conversionEnded_) conversionEnded_(processId, static_cast<int>(code), seconds);
}

}  // namespace talvenor::win32
