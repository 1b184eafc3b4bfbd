// SPDX-License-Identifier: GPL-3.0-or-later
// Isolated on any bytes: UTF-8 out; each line of the name (a byte that begins no character read
// as U+FFFD) either unchanged or set apart whole, FSI ... line ... PDI, its isolates balanced; and
// set apart wherever the name holds a character that Unicode's own data (bidi_classes.inc, made
// from UnicodeData.txt) puts in the classes R, AL or AN or among the controls of direction.
#include <algorithm>
#include <clocale>
#include <cstdint>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "form1.h"
#include "fuzz_check.h"

namespace {

struct Range {
    char32_t first, last;
    const char* bidiClass;
};
const Range kClasses[] = {
#include "bidi_classes.inc"
};

// The bidirectional class of `c` among those above; "" for any other.
const char* ClassOf(char32_t c) {
    const auto after = std::upper_bound(std::begin(kClasses), std::end(kClasses), c,
                                        [](char32_t v, const Range& r) { return v < r.first; });
    return after != std::begin(kClasses) && c <= after[-1].last ? after[-1].bidiClass : "";
}
bool EndsParagraph(char32_t c) { return std::strcmp(ClassOf(c), "B") == 0; }
bool TurnsText(char32_t c) { return *ClassOf(c) != '\0' && !EndsParagraph(c); }

// The lines of `text` as characters, each with its paragraph's end; `bad`: some byte began none.
std::vector<std::u32string> Lines(const std::string& text, bool& bad) {
    std::vector<std::u32string> lines(1);
    std::mbstate_t state{};
    for (std::size_t i = 0, n = 0; i < text.size(); i += n == 0 ? 1 : n) {
        wchar_t c = 0;
        n = std::mbrtowc(&c, text.data() + i, text.size() - i, &state);
        // The C library also reads sequences of five and six bytes, and surrogates: not UTF-8.
        if (n > 4 || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
            state = {};
            c = 0xFFFD;
            n = 1;
            bad = true;
        }
        lines.back() += static_cast<char32_t>(c);
        if (EndsParagraph(static_cast<char32_t>(c))) lines.emplace_back();
    }
    return lines;
}

bool SetApart(const std::u32string& shown, const std::u32string& line) {
    int depth = 0;
    for (std::size_t i = 0; i < shown.size(); ++i) {
        depth += (shown[i] >= 0x2066 && shown[i] <= 0x2068) - (shown[i] == 0x2069);
        if (depth <= 0 && i + 1 < shown.size()) return false;
    }
    const std::size_t opening = shown.find_first_not_of(U'\u2068');
    for (std::size_t a = 1; depth == 0 && a <= opening && a + line.size() < shown.size(); ++a) {
        if (shown.compare(a, line.size(), line) == 0 && shown.find_first_not_of(U'\u2069', a + line.size()) == std::u32string::npos) return true;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FUZZ_CHECK(std::setlocale(LC_CTYPE, "C.UTF-8") != nullptr);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string name(reinterpret_cast<const char*>(data), size);
    bool bad = false, outBad = false;
    const std::vector<std::u32string> given = Lines(name, bad);
    const std::vector<std::u32string> shown = Lines(talvenor::Isolated(name), outBad);
    FUZZ_CHECK(!outBad && shown.size() == given.size());
    bool turns = false;
    for (const std::u32string& line : given) turns |= std::any_of(line.begin(), line.end(), TurnsText);
    for (std::size_t k = 0; k < given.size(); ++k) {
        std::u32string line = given[k], out = shown[k];
        if (k + 1 < given.size()) {
            FUZZ_CHECK(!out.empty() && out.back() == line.back());
            line.pop_back();
            out.pop_back();
        }
        FUZZ_CHECK(out == line ? line.empty() || !turns : SetApart(out, line));
    }
    return 0;
}
