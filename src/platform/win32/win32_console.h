// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "win32_api.h"

namespace talvenor::win32 {

// Talvenor.exe started with this switch first is a conversion's console, not the window.
inline constexpr std::wstring_view kConsoleSwitch = L"--console";
inline constexpr std::wstring_view kFileSwitch = L"--file";

// What a conversion's console is asked to do: run the tool's line and, when `output` is given,
// turn the file the tool writes, `partial`, into `output` once it has ended well, or remove it.
struct ConsoleRequest {
    std::wstring toolLine;
    std::wstring output;
    std::wstring partial;
    bool operator==(const ConsoleRequest&) const = default;
};

// The line that starts `program` (Talvenor.exe) as the console of `request`:
// "program" --console [--file OUTPUT PARTIAL] TOOL'S LINE, the two names quoted as the C runtime
// reads them.
std::wstring ConsoleCommandLine(std::wstring_view program, const ConsoleRequest& request);

// The request when `commandLine`, as GetCommandLineW gives it, asks for a console; the tool's
// line is passed on untouched, so the tool reads exactly the arguments it was given.
std::optional<ConsoleRequest> ConsoleRequestOf(std::wstring_view commandLine);

// The lines a failed conversion leaves in its console, as on Linux: the code, why (`reason`,
// UTF-8), and how to close it. Codes from the system (a crash) are shown as Windows writes them,
// in hexadecimal; a conversion that ended well but whose file kept its temporary name has none.
std::wstring FailureLines(DWORD exitCode, const char* reason, bool withCode = true);

// The event the console of process `consoleProcess` sets once its tool has ended: a failed
// conversion's console stays until Entrée, but the conversion itself is over.
std::wstring ToolEndedEventName(DWORD consoleProcess);

// Opens a console, runs the tool's line in it and waits, then sees to its file; on failure keeps
// the console until Entrée. Returns the tool's exit code.
int RunConversionConsole(const ConsoleRequest& request);

}  // namespace talvenor::win32
