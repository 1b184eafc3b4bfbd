// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "win32_api.h"

namespace talvenor::win32 {

// Talvenor.exe started with this switch first is a conversion's console, not the window.
inline constexpr std::wstring_view kConsoleSwitch = L"--console";

// The line that starts `program` (Talvenor.exe) as the console of the tool's line `toolLine`.
std::wstring ConsoleCommandLine(std::wstring_view program, std::wstring_view toolLine);

// The tool's line when `commandLine`, as GetCommandLineW gives it, asks for a console; the rest
// of the line is passed on untouched, so the tool reads exactly the arguments it was given.
std::optional<std::wstring> ToolLineOf(std::wstring_view commandLine);

// The two lines a failed conversion leaves in its console, as on Linux. Codes from the system
// (a crash) are shown as Windows writes them, in hexadecimal.
std::wstring FailureLines(DWORD exitCode);

// The event the console of process `consoleProcess` sets once its tool has ended: a failed
// conversion's console stays until Entrée, but the conversion itself is over.
std::wstring ToolEndedEventName(DWORD consoleProcess);

// Opens a console, runs the tool's line in it and waits; on failure keeps the console until
// Entrée. Returns the tool's exit code.
int RunConversionConsole(const std::wstring& toolLine);

}  // namespace talvenor::win32
