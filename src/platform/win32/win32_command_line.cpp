// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32_command_line.h"

#include <vector>

#include "presets.h"
#include "win32_text.h"

namespace talvenor::win32 {

namespace {

bool NeedsQuotes(std::wstring_view argument) {
    return argument.empty() || argument.find_first_of(L" \t\n\v\"") != std::wstring_view::npos;
}

// The first word of a line ends at the first blank unless quoted, and backslashes stay as they
// are; a path holds no quote, so quoting it whole is enough.
std::wstring QuoteProgram(std::wstring_view path) {
    if (path.find_first_of(L" \t") == std::wstring_view::npos) return std::wstring(path);
    return L"\"" + std::wstring(path) + L"\"";
}

}  // namespace

std::wstring QuoteArgument(std::wstring_view argument) {
    if (!NeedsQuotes(argument)) return std::wstring(argument);
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        // Backslashes count only before a quote: there each one is doubled and the quote escaped.
        if (c == L'"') backslashes = backslashes * 2 + 1;
        quoted.append(backslashes, L'\\');
        backslashes = 0;
        quoted.push_back(c);
    }
    // Before the closing quote every backslash is doubled so that the quote still closes.
    quoted.append(backslashes * 2, L'\\');
    quoted.push_back(L'"');
    return quoted;
}

std::wstring WindowsCommandLine(const CommandLine& command, std::wstring_view programPath) {
    const std::string head =
        command.toolDir.empty() ? command.program : command.toolDir + "/" + command.program;
    const std::string_view text = command.text;
    if (text.starts_with(head) && (text.size() == head.size() || text[head.size()] == ' ')) {
        const std::string_view rest = text.substr(head.size());
        bool plain = SplitWords(rest) == command.arguments;
        for (const std::string& argument : command.arguments) {
            plain = plain && !NeedsQuotes(Widen(argument));
        }
        if (plain) return QuoteProgram(programPath) + Widen(rest);
    }
    std::wstring line = QuoteProgram(programPath);
    for (const std::string& argument : command.arguments) {
        line += L' ';
        line += QuoteArgument(Widen(argument));
    }
    return line;
}

}  // namespace talvenor::win32
