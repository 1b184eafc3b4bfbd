// SPDX-License-Identifier: GPL-3.0-or-later
// Stands in for a tool: writes what it received to "argv_echo.txt" in its working directory, as
// UTF-8 lines: the raw command line, the working directory, the show command it was asked for,
// then one argument per line. A console program, as ffmpeg is. Then, as ffmpeg would:
//   ARGV_ECHO_WAIT_FOR_Q=1   reads its standard input until "q", writes "argv_echo.q", goes on;
//   ARGV_ECHO_PROGRESS=1     prints, as ffmpeg does on its standard error, a Duration line (an
//                            "é" cut across two writes) and three statistics lines a second
//                            apart, and ends 12 s after it began;
//   ARGV_ECHO_WRITE=TEXT     writes TEXT into the file its last argument names, as its output;
//   ARGV_ECHO_SAY=TEXT       prints TEXT and a line's end on its standard error;
//   ARGV_ECHO_EXIT=N         ends with exit code N (decimal, or 0x... hexadecimal), else 0.
#include <windows.h>

#include <shellapi.h>

#include <algorithm>
#include <cwchar>
#include <string>

#include "win32_text.h"

using talvenor::win32::Narrow;

int wmain() {
    std::wstring directory(MAX_PATH * 4, L'\0');
    directory.resize(GetCurrentDirectoryW(static_cast<DWORD>(directory.size()), directory.data()));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    GetStartupInfoW(&startup);
    const int show = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : -1;

    std::string report = Narrow(GetCommandLineW()) + "\n" + Narrow(directory) + "\n" + std::to_string(show) + "\n";
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    for (int i = 1; i < count; ++i) report += Narrow(arguments[i]) + "\n";
    const std::wstring lastArgument = count > 1 ? arguments[count - 1] : L"";
    LocalFree(arguments);

    // Written aside and renamed, so that a reader never sees half a report.
    const HANDLE file = CreateFileW(L"argv_echo.tmp", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    DWORD written = 0;
    WriteFile(file, report.data(), static_cast<DWORD>(report.size()), &written, nullptr);
    CloseHandle(file);
    if (!MoveFileExW(L"argv_echo.tmp", L"argv_echo.txt", MOVEFILE_REPLACE_EXISTING)) return 1;

    wchar_t value[256] = {};
    if (GetEnvironmentVariableW(L"ARGV_ECHO_WRITE", value, 256) > 0) {
        const HANDLE output = CreateFileW(lastArgument.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        const std::string text = Narrow(value);
        WriteFile(output, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        CloseHandle(output);
    }
    if (GetEnvironmentVariableW(L"ARGV_ECHO_SAY", value, 256) > 0) {
        const std::string text = Narrow(value) + "\n";
        WriteFile(GetStdHandle(STD_ERROR_HANDLE), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    }
    if (GetEnvironmentVariableW(L"ARGV_ECHO_WAIT_FOR_Q", value, 32) > 0) {
        // ffmpeg's console keys: it stops on "q".
        const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
        SetConsoleMode(input, 0);
        wchar_t key = 0;
        DWORD read = 0;
        while (ReadConsoleW(input, &key, 1, &read, nullptr) && read == 1 && key != L'q') {
        }
        if (key != L'q') return 1;
        CloseHandle(CreateFileW(L"argv_echo.q", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    }
    if (GetEnvironmentVariableW(L"ARGV_ECHO_PROGRESS", value, 32) > 0) {
        const ULONGLONG began = GetTickCount64();
        const HANDLE errors = GetStdHandle(STD_ERROR_HANDLE);
        const auto say = [errors](const std::string& text) {
            DWORD done = 0;
            WriteFile(errors, text.data(), static_cast<DWORD>(text.size()), &done, nullptr);
        };
        // The console reads the "é" in two pieces.
        say("Input #0, flv, from 'clip \xc3");
        Sleep(500);
        say("\xa9t\xc3\xa9.flv':\n  Duration: 00:00:20.00, start: 0.000000, bitrate: 316 kb/s\n");
        for (const char* time : {"00:00:05.00", "00:00:10.00", "00:00:15.00"}) {
            Sleep(1000);
            say(std::string("frame=  125 fps= 25 q=2.0 size=     256kB time=") + time +
                " bitrate= 419.4kbits/s speed=0.5x    \r");
        }
        Sleep(static_cast<DWORD>(12000 - std::min<ULONGLONG>(GetTickCount64() - began, 12000)));
        say("\n");
    }
    if (GetEnvironmentVariableW(L"ARGV_ECHO_EXIT", value, 32) == 0) return 0;
    return static_cast<int>(std::wcstoul(value, nullptr, 0));
}
