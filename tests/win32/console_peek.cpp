// SPDX-License-Identifier: GPL-3.0-or-later
// Reads and types into another process's console for the tests, as a user at its window would:
//   console_peek text PROCESS        what the console shows, one UTF-8 line per row, blanks trimmed
//   console_peek type PROCESS KEYS   types KEYS into the console's input ("\r" in KEYS is Entrée)
//   console_peek title PROCESS       the console window's title, in UTF-8
// PROCESS is a process id, or the file name of a running program ("Talvenor.exe").
// Exit status 2 when there is no such process or it has no console to attach to.
#include <windows.h>

#include <tlhelp32.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "win32_text.h"

using talvenor::win32::Narrow;

namespace {

int PrintText() {
    const HANDLE output =
        CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (output == INVALID_HANDLE_VALUE || !GetConsoleScreenBufferInfo(output, &info)) return 2;
    std::string text;
    for (SHORT row = 0; row <= info.dwCursorPosition.Y; ++row) {
        std::wstring line(static_cast<std::size_t>(info.dwSize.X), L' ');
        DWORD read = 0;
        ReadConsoleOutputCharacterW(output, line.data(), static_cast<DWORD>(line.size()), {0, row},
                                    &read);
        line.resize(read);
        line.erase(line.find_last_not_of(L' ') + 1);
        text += Narrow(line) + "\n";
    }
    CloseHandle(output);
    FreeConsole();
    // Written once the console is let go: our output goes to whoever started us.
    fwrite(text.data(), 1, text.size(), stdout);
    return 0;
}

int PrintTitle() {
    wchar_t title[1024] = {};
    const DWORD length = GetConsoleTitleW(title, 1024);
    FreeConsole();
    const std::string text = Narrow(std::wstring_view(title, length)) + "\n";
    fwrite(text.data(), 1, text.size(), stdout);
    return 0;
}

int Type(const std::wstring& keys) {
    const HANDLE input =
        CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
    if (input == INVALID_HANDLE_VALUE) return 2;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        const bool enter = keys.compare(i, 2, L"\\r") == 0;
        const wchar_t character = enter ? L'\r' : keys[i];
        if (enter) ++i;
        INPUT_RECORD records[2]{};
        for (int k = 0; k < 2; ++k) {
            records[k].EventType = KEY_EVENT;
            records[k].Event.KeyEvent.bKeyDown = k == 0;
            records[k].Event.KeyEvent.wRepeatCount = 1;
            records[k].Event.KeyEvent.wVirtualKeyCode =
                enter ? VK_RETURN : LOBYTE(VkKeyScanW(character));
            records[k].Event.KeyEvent.uChar.UnicodeChar = character;
        }
        DWORD written = 0;
        WriteConsoleInputW(input, records, 2, &written);
    }
    CloseHandle(input);
    return 0;
}

DWORD ProcessIdOf(const std::wstring& process) {
    if (process.find_first_not_of(L"0123456789") == std::wstring::npos)
        return std::wcstoul(process.c_str(), nullptr, 10);
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    DWORD found = 0;
    for (BOOL more = Process32FirstW(snapshot, &entry); more && found == 0;
         more = Process32NextW(snapshot, &entry)) {
        if (_wcsicmp(entry.szExeFile, process.c_str()) == 0) found = entry.th32ProcessID;
    }
    CloseHandle(snapshot);
    return found;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) return 1;
    const std::wstring command = argv[1];
    FreeConsole();
    const DWORD process = ProcessIdOf(argv[2]);
    if (process == 0 || !AttachConsole(process)) return 2;
    if (command == L"text") return PrintText();
    if (command == L"title") return PrintTitle();
    if (command == L"type" && argc >= 4) return Type(argv[3]);
    return 1;
}
