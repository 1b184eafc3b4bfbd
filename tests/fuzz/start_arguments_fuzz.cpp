// SPDX-License-Identifier: GPL-3.0-or-later
// The program's own arguments, each ended by a NUL byte: refused only for an option of none of
// ours before "--", else every argument but the first "--" a file, in order.
#include <algorithm>
#include <cstdint>
#include <string>

#include "fuzz_check.h"
#include "start_arguments.h"

using talvenor::StartRequest;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> arguments(1);
    for (std::size_t k = 0; k < size; ++k) {
        if (data[k] == 0) arguments.emplace_back();
        else arguments.back() += static_cast<char>(data[k]);
    }
    const StartRequest request = talvenor::ReadStartArguments(arguments);
    const auto end = std::find(arguments.begin(), arguments.end(), "--");
    const auto option = std::find_if(arguments.begin(), end, [](const std::string& a) { return a.size() > 1 && a[0] == '-'; });
    if (request.action == StartRequest::Action::Refuse) {
        FUZZ_CHECK(option != end && request.refused == *option && request.files.empty());
        FUZZ_CHECK(talvenor::RefusalText("talvenor", request.refused).find(request.refused) != std::string::npos);
    } else if (request.action == StartRequest::Action::OpenWindow) {
        FUZZ_CHECK(option == end && request.files.size() == arguments.size() - (end != arguments.end()));
        for (std::size_t k = 0, a = 0; k < request.files.size(); ++k, ++a) {
            if (arguments.begin() + a == end) ++a;
            FUZZ_CHECK(request.files[k].path == arguments[a] && request.files[k].local);
        }
    } else {
        FUZZ_CHECK(arguments.size() == 1 && (arguments[0] == "--version" || arguments[0] == "--help"));
    }
    return 0;
}
