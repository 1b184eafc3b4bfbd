// SPDX-License-Identifier: GPL-3.0-or-later
#include "flv_rate.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace talvenor {

namespace {

constexpr int kAudioTag = 8, kVideoTag = 9, kScriptTag = 18;
constexpr int kCodecH264 = 7, kCodecMpeg4 = 9;
constexpr int kInfoFrame = 5;  // a command to the player, not a picture
// ffmpeg weighs the times of the first 41 pictures of an FLV file (40 intervals) when it guesses
// the rate; we look at a few more.
constexpr std::size_t kPicturesWanted = 61, kPicturesNeeded = 41;
// A whole short file needs fewer: ffmpeg can tell the rate from 16 intervals.
constexpr std::size_t kPicturesNeededInWholeFile = 17;

std::uint32_t Big(std::string_view bytes, std::size_t at, std::size_t count) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < count; ++i) value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

// The "framerate" number of the file's metadata, 0 when it has none.
double MetadataRate(std::string_view script) {
    static constexpr std::string_view kKey{"\x00\x09" "framerate\x00", 12};
    const std::size_t at = script.find(kKey);
    if (at == std::string_view::npos || script.size() - at - kKey.size() < 8) return 0;
    const std::uint64_t bits = std::uint64_t{Big(script, at + kKey.size(), 4)} << 32 |
                               Big(script, at + kKey.size() + 4, 4);
    double rate = 0;
    std::memcpy(&rate, &bits, sizeof rate);
    return std::isfinite(rate) ? rate : 0;
}

// The rate of the pictures at the start of an FLV file, when they are so evenly spaced that
// ffmpeg takes it for the file's; 0 whenever that is not certain from these bytes.
double EvenRate(std::string_view start) {
    if (start.size() < 13 || start.substr(0, 3) != "FLV") return 0;
    const bool wholeFile = start.size() < kFlvStartBytes;
    double metadataRate = 0;
    std::vector<std::int64_t> times;
    std::size_t at = Big(start, 5, 4) + 4;  // past the header and the first tag size
    while (times.size() < kPicturesWanted && at + 11 <= start.size()) {
        // A filtered (encrypted) stream is for ffmpeg to refuse.
        if (start[at] & 0x20) return 0;
        const int type = start[at] & 0x1f;
        const std::size_t size = Big(start, at + 1, 3);
        const std::int64_t time = Big(start, at + 4, 3) | std::int64_t{Big(start, at + 7, 1)} << 24;
        const std::size_t data = at + 11;
        at = data + size + 4;
        if (at > start.size() && !(type == kVideoTag && data + 5 <= start.size())) break;
        if (type == kScriptTag && times.empty()) {
            metadataRate = MetadataRate(start.substr(data, size));
        } else if (type == kVideoTag && size > 0) {
            const auto flags = static_cast<unsigned char>(start[data]);
            if (flags >> 4 == kInfoFrame) continue;
            const int codec = flags & 0x0f;
            if (codec == kCodecH264 || codec == kCodecMpeg4) {
                if (size < 5) return 0;
                const auto packetType = static_cast<unsigned char>(start[data + 1]);
                // The codec's set-up and the end of the sequence are no pictures.
                if (packetType != 1) continue;
                // ffmpeg distrusts the times of a stream that shows a picture before decoding it.
                if (start[data + 2] & 0x80) return 0;
            }
            times.push_back(time);
        } else if (type != kAudioTag && type != kScriptTag) {
            return 0;
        }
    }
    const bool sawAll = wholeFile && at == start.size();
    if (times.size() < (sawAll ? kPicturesNeededInWholeFile : kPicturesNeeded)) return 0;
    // ffmpeg matches the pictures' times (whole milliseconds in FLV) against rates it knows: when
    // each interval lies within a millisecond of their mean, the rate it finds is theirs.
    const double mean = static_cast<double>(times.back() - times.front()) / static_cast<double>(times.size() - 1);
    for (std::size_t i = 1; i < times.size(); ++i) {
        if (std::abs(static_cast<double>(times[i] - times[i - 1]) - mean) > 1.0) return 0;
    }
    const double rate = 1000.0 / mean;
    // A header that says otherwise would make ffmpeg doubt the times (H.264's own rate then wins).
    return metadataRate <= 0 || std::abs(metadataRate / rate - 1.0) <= 0.05 ? rate : 0;
}

}  // namespace

bool FlvRateSuitsMpeg1(std::string_view start) {
    const double rate = EvenRate(start);
    return rate >= 19.6 && rate <= 100.0;
}

int FlvLowRateMpeg1Twelfths(std::string_view start) {
    const double rate = EvenRate(start);
    // ffmpeg matches the times against rates in twelfths of a picture a second (and NTSC's, a
    // thousandth off a whole one): only a rate within a twentieth of a percent of one of those
    // twelfths is certain. Sixty pictures' whole milliseconds tell it to a fortieth of a percent.
    const long twelfths = std::lround(rate * 12);
    if (twelfths < 12 || std::abs(rate * 12 / static_cast<double>(twelfths) - 1.0) > 0.0005) return 0;
    const double exact = static_cast<double>(twelfths) / 12;
    if (exact >= 19.488) return 0;
    return static_cast<int>(twelfths * static_cast<long>(std::ceil(23.976 / exact)));
}

}  // namespace talvenor
