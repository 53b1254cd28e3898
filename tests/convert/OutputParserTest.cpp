// The converter's output turned into progress records: the duration and position rules, today's
// converter's own lines, and output of any shape.
#include "ConvertTestSupport.h"
#include "convert/ConvertProcess.h"
#include "convert/OutputParser.h"
#include "support/WaitFor.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

using convert_test::RecordCollector;

struct ParseCase {
  const char* name;
  std::vector<std::string> chunks;  // each as one read
  std::int64_t duration;            // duration() afterwards
  std::vector<int> percents;        // the records posted, in order
};

// Lines of ffmpeg 5.1's standard error, copied from real runs.
const std::string kInput =
    "Input #0, flv, from '/tmp/in.flv':\n  Metadata:\n    encoder         : Lavf59.27.100\n"
    "  Duration: 00:10:00.03, start: 0.000000, bitrate: 226 kb/s\n"
    "  Stream #0:0: Audio: mp3, 44100 Hz, mono, fltp, 64 kb/s\n";
const std::string kOutput =
    "Output #0, mp3, to '/tmp/out.mp3':\n  Metadata:\n    TSSE            : Lavf59.27.100\n"
    "  Stream #0:0: Audio: mp3, 44100 Hz, stereo, fltp, 128 kb/s\n";

const ParseCase kCases[] = {
    {"SecondsPosition",
     {"  Duration: 00:03:25.04, start: 0.0\nsize= 1kB time=102.50 bitrate=1.0kbits/s\n"},
     205,
     {49}},
    // 100 is left to the end record, which comes once the converter has ended.
    {"PositionAtDurationGives99", {"Duration: 00:03:25.04,\ntime=205.00\n"}, 205, {99}},
    {"FractionOnlyGivesNothing", {"Duration: 00:03:25.04,\ntime=0.50\n"}, 205, {}},
    {"BeyondDurationGivesNothing", {"Duration: 00:03:25.04,\ntime=300.1\n"}, 205, {}},
    {"PositionBeforeDurationGivesNothing", {"time=102.50\nDuration: 00:03:25.04,\n"}, 205, {}},
    {"LineWithBothWords", {"Duration: 00:00:10.00 time=5.00\n"}, 10, {50}},
    {"AnyLetterCase", {"DURATION: 00:00:10.00\nTiMe=5.00\n"}, 10, {50}},
    {"CrLfIsOneLineEnd", {"Duration: 00:00:10.00\r\ntime=5.00\r\n"}, 10, {50}},
    {"HoursCount", {"Duration: 01:00:00.00,\ntime=00:30:00.00\n"}, 3600, {50}},
    // A line cut by a read is completed by the next one.
    {"PositionSplitAcrossReads",
     {"Duration: 00:00:10.00,\nsize= 1kB time=00:00:0", "5.00 bitrate=1kbits/s\n"},
     10,
     {50}},
    // The converter writes the label and the time of the duration line separately.
    {"DurationLabelAndTimeInTwoReads",
     {kInput.substr(0, kInput.find("00:10:00.03")), kInput.substr(kInput.find("00:10:00.03")),
      "size= 1kB time=00:05:00.01 bitrate=1kbits/s\r"},
     600,
     {50}},
    {"DurationWithHoursPast99", {"Duration: 123:00:00.00,\ntime=221400.00\n"}, 442800, {50}},
    {"ClockPositionWithHoursPast99", {"Duration: 150:00:00.00,\ntime=75:00:00.00\n"}, 540000, {50}},
    {"LineCutInManyPieces", {"Dur", "ation: 00:00:", "10.00,", "\ntime=", "5.", "00\r"}, 10, {50}},
    {"NoDurationNoRecord", {"size= 54kB time=00:00:03.01 bitrate= 145.6kbits/s speed= 178x\n"}, 0, {}},
    {"DurationUnknown",
     {"  Duration: N/A, bitrate: N/A\nsize= 54kB time=00:00:03.01 bitrate=1kbits/s\n"},
     0,
     {}},
    {"TodaysConverterCrSeparatedUpdates",
     {kInput + "Stream mapping:\n  Stream #0:0 -> #0:0 (mp3 (mp3float) -> mp3 (libmp3lame))\n" + kOutput,
      "size=       1kB time=00:00:00.00 bitrate=N/A speed=N/A    \r"
      "size=    1024kB time=00:01:00.00 bitrate= 139.8kbits/s speed= 120x    \r"
      "size=    2048kB time=00:02:00.50 bitrate= 139.8kbits/s speed= 120x    \r",
      "size=    9393kB time=00:10:00.03 bitrate= 128.2kbits/s speed= 121x    \n"
      "video:0kB audio:9386kB subtitle:0kB other streams:0kB global headers:0kB muxing overhead: 0.004%\n"},
     600,
     {10, 20, 99}},
    {"NotAvailableAndNegativeTimes",
     {"Duration: 00:00:10.00,\nsize= 0kB time=-00:00:00.02 bitrate=N/A speed=N/A\r"
      "size= 1kB time=00:00:05.00 bitrate=1.0kbits/s\rsize= 1kB time=N/A bitrate=N/A speed=1.5x\r"
      "size= 1kB time=N/A bitrate=N/A\r"},
     10,
     {50}},
    {"EmptyAndBlankLines", {"\r\n\r\r\n \t \n"}, 0, {}},
};

class ParseOutputTable : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseOutputTable, PostsTheExpectedRecords) {
  const ParseCase& c = GetParam();
  RecordCollector records;
  convert::ConvertProcess process;
  process.notifyTarget = records.mailbox();
  for (const std::string& chunk : c.chunks) process.parseOutput(chunk);
  testing_support::pumpEvents();
  EXPECT_EQ(process.duration(), c.duration);
  EXPECT_EQ(records.progressPercents(), c.percents);
  for (const convert::ConvertProgress& r : records.records()) {
    EXPECT_EQ(r.status, convert::ConvertProgress::Status::Ok);
    EXPECT_EQ(r.elapsed, "00:00");  // parsed at once after the duration line
    EXPECT_EQ(r.estimated, "00:00");
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, ParseOutputTable, ::testing::ValuesIn(kCases),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(ParseOutput, OutputOfAnyShapeIsParsedAndLaterLinesStillCount) {
  std::mt19937 random(7);
  std::string binary(1 << 20, '\0');
  for (char& c : binary) c = static_cast<char>(random());
  const std::string longLine(1 << 20, 'x');
  RecordCollector records;
  convert::ConvertProcess process;
  process.notifyTarget = records.mailbox();
  process.parseOutput(binary);
  process.parseOutput(longLine + "time=");
  process.parseOutput("Duration: 00:00:10.00\n" + binary + "\ntime=00:00:02.00 " + longLine + "\n");
  testing_support::pumpEvents();
  EXPECT_EQ(process.duration(), 10);
  EXPECT_EQ(records.progressPercents().back(), 20);
}

TEST(FormatMinutesSeconds, TwoDigitsEachMinutesUnbounded) {
  const std::pair<std::int64_t, const char*> cases[] = {{0, "00:00"},   {59, "00:59"},   {60, "01:00"},
                                                        {605, "10:05"}, {4503, "75:03"}, {6000, "100:00"}};
  for (const auto& [seconds, text] : cases)
    EXPECT_EQ(convert::formatMinutesSeconds(seconds), text) << seconds;
}

}  // namespace
