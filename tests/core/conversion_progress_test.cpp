// SPDX-License-Identifier: GPL-3.0-or-later
#include "conversion_progress.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// ffmpeg 5.1's own output for the four presets, from a one-minute FLV (and the AVI made from it).
const std::string kFlvHeader =
    "Input #0, flv, from 'clip été.flv':\n  Metadata:\n    encoder         : Lavf59.27.100\n"
    "  Duration: 00:01:00.03, start: 0.000000, bitrate: 316 kb/s\n"
    "  Stream #0:0: Audio: mp3, 44100 Hz, mono, fltp, 64 kb/s\n"
    "Press [q] to stop, [?] for help\n";
const std::string kAviHeader =
    "Input #0, avi, from 'clip été.avi':\n  Metadata:\n    software        : Lavf59.27.100\n"
    "  Duration: 00:01:00.08, start: 0.000000, bitrate: 314 kb/s\n"
    "Output #0, flv, to 'clip été.flv':\n    Side data:\n"
    "      cpb: bitrate max/min/avg: 0/0/200 buffer size: 0 vbv_delay: N/A\n";
const std::string kAt27 =
    "frame=  688 fps=0.0 q=22.8 size=    1024kB time=00:00:27.56 bitrate= 304.4kbits/s speed=54.8x    \r";
const std::string kAt54 =
    "frame= 1350 fps=1346 q=19.9 size=    2048kB time=00:00:54.04 bitrate= 310.5kbits/s speed=53.9x    \r";
// The last statistics line goes a little past the input's length.
const std::string kPastTheEnd =
    "frame= 1500 fps=1361 q=17.8 Lsize=    2305kB time=00:01:00.04 bitrate= 314.4kbits/s speed=54.5x    \r";
// A slower computer: the same lines with other speeds and lengths.
std::string Slow(const std::string& duration, const std::string& time, const std::string& speed) {
    return "  Duration: " + duration + ", start: 0.000000, bitrate: 316 kb/s\n"
           "frame=  688 fps=12 q=22.8 size=    1024kB time=" + time + " bitrate= 304.4kbits/s speed=" + speed + "    \r";
}

struct Case {
    const char* what;
    std::vector<std::string> feeds;
    int percent;
    long secondsLeft;
    const char* title;
};

TEST(ProgressReader, ReadsFfmpegsOwnOutputAndGivesNothingWrong) {
    const std::string overlong = "frame=  688 " + std::string(600, 'x') + " time=00:00:27.56 speed=54.8x\r";
    const std::vector<Case> cases = {
        {"FLV vers AVI, with its last line past the end", {kFlvHeader, kAt27, kAt54, kPastTheEnd},
         90, 0, "Talvenor — ffmpeg — 90 % (reste 0 s)"},
        {"FLV vers AVI non compressé", {kFlvHeader,
          "frame= 1080 fps=0.0 q=-0.0 size=  128768kB time=00:00:43.23 bitrate=24399.8kbits/s speed=86.1x    \r"},
         72, 0, "Talvenor — ffmpeg — 72 % (reste 0 s)"},
        {"FLV vers MPEG1, its speed padded", {kFlvHeader,
          "frame=  904 fps=0.0 q=16.8 size=    2816kB time=00:00:36.14 bitrate= 638.3kbits/s dup=1 drop=0 speed=  72x    \r"},
         60, 0, "Talvenor — ffmpeg — 60 % (reste 0 s)"},
        {"AVI vers FLV", {kAviHeader,
          "frame=  409 fps=0.0 q=24.8 size=     256kB time=00:00:27.26 bitrate=  76.9kbits/s dup=0 drop=269 speed=53.5x    \r"},
         45, 1, "Talvenor — ffmpeg — 45 % (reste 1 s)"},
        {"under a minute left", {Slow("00:01:00.03", "00:00:30.00", "0.67x")}, 49, 45,
         "Talvenor — ffmpeg — 49 % (reste 45 s)"},
        {"under an hour left", {Slow("00:10:00.00", "00:02:00.00", "6.86x")}, 20, 70,
         "Talvenor — ffmpeg — 20 % (reste 1 min 10 s)"},
        {"hours left", {Slow("01:30:00.00", "00:10:00.00", "1.2x")}, 11, 4000,
         "Talvenor — ffmpeg — 11 % (reste 1 h 06 min)"},
        {"no speed yet", {Slow("00:01:00.03", "00:00:30.00", "N/A")}, 49, -1, "Talvenor — ffmpeg — 49 %"},
        {"a stream, with no duration",
         {"Input #0, lavfi, from 'testsrc=size=320x240:rate=25':\n  Duration: N/A, start: 0.000000, bitrate: N/A\n",
          "frame=   75 fps=0.0 q=2.0 Lsize=     129kB time=00:00:03.00 bitrate= 352.3kbits/s speed=41.6x    \r"},
         -1, -1, "Talvenor — ffmpeg"},
        {"lines cut across reads", {"  Dura", "tion: 00:01:00.03, start: 0.000000\n", kAt27.substr(0, 50), kAt27.substr(50)},
         45, 1, "Talvenor — ffmpeg — 45 % (reste 1 s)"},
        {"time=N/A", {kFlvHeader, "frame=    0 fps=0.0 q=0.0 size=       0kB time=N/A bitrate=N/A speed=N/A    \r"},
         -1, -1, "Talvenor — ffmpeg"},
        {"a negative time", {kFlvHeader, "frame=    1 fps=0.0 q=0.0 size=       0kB time=-00:00:00.04 bitrate=N/A speed=N/A    \r"},
         -1, -1, "Talvenor — ffmpeg"},
        {"a position past the end alone", {kFlvHeader, kPastTheEnd}, -1, -1, "Talvenor — ffmpeg"},
        {"newer ffmpeg: KiB and elapsed=", {kFlvHeader,
          "frame=    0 fps=0.0 q=0.0 size=       0KiB time=N/A bitrate=N/A speed=N/A elapsed=0:00:30.50    \r",
          "frame=  688 fps=0.0 q=22.8 size=    1024KiB time=00:00:27.56 bitrate= 304.4kbits/s speed=54.8x elapsed=0:00:00.50    \r"},
         45, 1, "Talvenor — ffmpeg — 45 % (reste 1 s)"},
        {"never backwards", {kFlvHeader, kAt54, kAt27}, 90, 0, "Talvenor — ffmpeg — 90 % (reste 0 s)"},
        {"garbage and an over-long line", {kFlvHeader, "frame=  688 time=00:0x:27.56 speed=54.8x\r", overlong,
          "\x01\xff time=00:00:27.56\n"},
         -1, -1, "Talvenor — ffmpeg"},
        {"only the input's Duration counts", {kFlvHeader, "  Duration: 00:00:10.00, start: 0.000000\n", kAt27},
         45, 1, "Talvenor — ffmpeg — 45 % (reste 1 s)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ProgressReader reader;
        ProgressReaderInit(&reader);
        bool changed = false;
        for (const std::string& feed : c.feeds) changed |= ProgressReaderFeed(&reader, feed.data(), feed.size()) != 0;
        EXPECT_EQ(ProgressPercent(&reader), c.percent);
        EXPECT_EQ(ProgressSecondsLeft(&reader), c.secondsLeft);
        char title[128];
        EXPECT_EQ(ProgressTitle(&reader, "ffmpeg", title, sizeof title), std::string(c.title).size());
        EXPECT_EQ(std::string(title), c.title);
        EXPECT_EQ(changed, std::string(c.title) != "Talvenor — ffmpeg") << "the feed tells when the title changed";
        const std::string again = c.feeds.back();
        EXPECT_EQ(ProgressReaderFeed(&reader, again.data(), again.size()), 0) << "the same line changes nothing";
    }
    // A title cut short never ends in half a character: "Talvenor —" would need 3 bytes more.
    ProgressReader reader;
    ProgressReaderInit(&reader);
    char small[12];
    EXPECT_EQ(ProgressTitle(&reader, "ffmpeg", small, sizeof small), 9u);
    EXPECT_EQ(std::string(small), "Talvenor ");
}

}  // namespace
