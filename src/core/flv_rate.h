// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <string_view>

namespace talvenor {

// How much of an FLV file is read before a conversion to MPEG-1: enough for the first sixty
// pictures of a 720p video, read in a few milliseconds once the system has the file in memory.
inline constexpr std::size_t kFlvStartBytes = 2u << 20;

// Whether `start`, the first bytes of an FLV file (all of it when shorter than kFlvStartBytes),
// shows pictures so evenly spaced, 19.6 to 100 a second, that ffmpeg takes their own rate for
// the file's, and so picks an MPEG-1 rate by itself (it does from 19.488 up). False whenever that
// is not certain from these bytes: too few pictures, uneven times, a header that gives another
// rate, anything but an FLV file.
bool FlvRateSuitsMpeg1(std::string_view start);

// For `start` showing pictures evenly spaced at fewer than 19.488 a second, at a rate ffmpeg takes
// for the file's with certainty (a whole number of twelfths of a picture a second: 15, 12, 7.5...),
// the rate the MPEG-1 output gets, the smallest multiple of it from 23.976 up (15 -> 30, 12 -> 24,
// 5 -> 25), in twelfths of a picture a second; 0 whenever that is not certain from these bytes.
int FlvLowRateMpeg1Twelfths(std::string_view start);

}  // namespace talvenor
