// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

#include "platform.h"

namespace talvenor::win32 {

// One argument written so that CommandLineToArgvW and the C runtime read it back unchanged.
std::wstring QuoteArgument(std::wstring_view argument);

// The line CreateProcessW receives for `command` once its program was found at `programPath`.
// While the composed text splits into exactly the arguments, it is that text with the tool's
// path put in; otherwise every argument is written out, quoted where it needs it.
std::wstring WindowsCommandLine(const CommandLine& command, std::wstring_view programPath);

}  // namespace talvenor::win32
