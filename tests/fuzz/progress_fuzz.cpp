// SPDX-License-Identifier: GPL-3.0-or-later
// The progress reader fed any output in any pieces: the same state whole or in pieces, the
// percentage within its bounds and never going back, the title cut at any size still UTF-8.
#include <algorithm>
#include <clocale>
#include <cstdint>
#include <cstring>
#include <cwchar>

#include "conversion_progress.h"
#include "fuzz_check.h"

static bool IsUtf8(const char* text, std::size_t size) {
    std::mbstate_t state{};
    return std::mbsrtowcs(nullptr, &text, 0, &state) != static_cast<std::size_t>(-1) && std::strlen(text) == size;
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FUZZ_CHECK(std::setlocale(LC_CTYPE, "C.UTF-8") != nullptr);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const char* bytes = reinterpret_cast<const char*>(data) + 1;
    --size;
    ProgressReader whole, pieces;
    ProgressReaderInit(&whole);
    ProgressReaderInit(&pieces);
    ProgressReaderFeed(&whole, bytes, size);
    // The first byte sets the pieces' lengths.
    for (std::size_t at = 0, piece = 0; at < size; at += piece) {
        piece = std::min<std::size_t>(size - at, 1 + (data[0] * (at + 7)) % 97);
        const int before = ProgressPercent(&pieces);
        ProgressReaderFeed(&pieces, bytes + at, piece);
        FUZZ_CHECK(ProgressPercent(&pieces) >= before && ProgressPercent(&pieces) <= 100);
    }
    FUZZ_CHECK(ProgressPercent(&whole) == ProgressPercent(&pieces));
    FUZZ_CHECK(ProgressSecondsLeft(&whole) == ProgressSecondsLeft(&pieces) && ProgressSecondsLeft(&whole) >= -1);
    char full[256], cut[256];
    const std::size_t length = ProgressTitle(&whole, "ffmpég", full, sizeof full);
    ProgressTitle(&pieces, "ffmpég", cut, sizeof cut);
    FUZZ_CHECK(length < sizeof full - 1 && std::strcmp(full, cut) == 0);
    for (std::size_t room = 1; room <= length + 1; ++room) {
        const std::size_t kept = ProgressTitle(&whole, "ffmpég", cut, room);
        FUZZ_CHECK(kept < room && std::strncmp(cut, full, kept) == 0 && IsUtf8(cut, kept));
    }
    return 0;
}
