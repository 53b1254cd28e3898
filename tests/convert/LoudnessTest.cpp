// Even loudness: the ebur128 summary read, the filter chosen from it (one gain, or loudnorm when the gain
// would push the true peak too high), and real conversions measured again with loudnorm.
#include "ConvertTestSupport.h"
#include "StageRun.h"

#include "common/AudioFormats.h"
#include "convert/Loudness.h"
#include "support/TempDir.h"

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>

namespace {

namespace fs = std::filesystem;
using testing_support::TempDir;

constexpr const char* kSummary = R"([Parsed_ebur128_0 @ 0x55e14454f300] Summary:

  Integrated loudness:
    I:         -21.8 LUFS
    Threshold: -31.8 LUFS

  Loudness range:
    LRA:         4.1 LU
    Threshold: -41.8 LUFS
    LRA low:   -23.8 LUFS
    LRA high:  -19.7 LUFS

  True peak:
    Peak:      -12.1 dBFS
)";

TEST(LoudnessSummary, ReadsTheLastSummaryAndRefusesAnIncompleteOne) {
  const convert::LoudnessMeasure m = convert::readLoudnessSummary(std::string("frames...\n") + kSummary);
  ASSERT_TRUE(m.valid);
  EXPECT_DOUBLE_EQ(m.integrated, -21.8);
  EXPECT_DOUBLE_EQ(m.threshold, -31.8);
  EXPECT_DOUBLE_EQ(m.range, 4.1);
  EXPECT_DOUBLE_EQ(m.truePeak, -12.1);
  std::string silence = kSummary;
  silence.replace(silence.find("-12.1"), 5, " -inf");
  EXPECT_TRUE(std::isinf(convert::readLoudnessSummary(silence).truePeak));
  const std::string cut = std::string(kSummary).substr(0, std::string(kSummary).find("True peak"));
  EXPECT_FALSE(convert::readLoudnessSummary(cut).valid);
  EXPECT_FALSE(convert::readLoudnessSummary("no summary at all").valid);
  EXPECT_FALSE(
      convert::readLoudnessSummary("Summary: Integrated loudness: I: x LUFS Loudness range: True peak:")
          .valid);
}

TEST(LoudnessFilter, OneGainUnlessThePeakWouldPassTheLimit) {
  const auto measure = [](double integrated, double peak) {
    return convert::LoudnessMeasure{
        .valid = true, .integrated = integrated, .threshold = integrated - 10, .range = 5, .truePeak = peak};
  };
  using Words = std::vector<std::string>;
  const std::string loudnorm =
      "loudnorm=I=-14.0:TP=-1.0:LRA=5.0:measured_I=-20.00:measured_TP=-3.00:measured_LRA=5.00:"
      "measured_thresh=-30.00:linear=true";
  const struct {
    convert::LoudnessMeasure measure;
    int rate;
    bool formatSetsRate;
    Words words;
  } rows[] = {
      {measure(-21.8, -12.1), 44100, false, {"-af", "volume=7.80dB"}},
      {measure(-8.0, -0.5), 44100, false, {"-af", "volume=-6.00dB"}},
      {measure(-20.0, -7.0), 32000, false, {"-af", "volume=6.00dB"}},  // exactly at the limit
      {measure(-20.0, -3.0), 48000, false, {"-af", loudnorm, "-ar", "48000"}},
      {measure(-20.0, -3.0), 0, false, {"-af", loudnorm, "-ar", "44100"}},
      {measure(-20.0, -3.0), 48000, true, {"-af", loudnorm}},
      {measure(-70.0, -std::numeric_limits<double>::infinity()), 44100, false, {}},  // silence
      {convert::LoudnessMeasure{}, 44100, false, {}},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(convert::loudnessWords(row.measure, row.rate, row.formatSetsRate), row.words);
    EXPECT_EQ(convert::loudnessFilter(row.measure), row.words.empty() ? "" : row.words[1]);
  }
}

class LoudnessTest : public testing::Test {
 protected:
  void SetUp() override { convert::createConvertProcess(); }
  void TearDown() override { convert::destroyConvertProcess(); }

  // Integrated loudness, true peak and sample rate of `file`, measured again by loudnorm.
  struct Measured {
    double integrated = 0, truePeak = 0;
    std::string sampleRate;
  };
  Measured measureAgain(const std::string& file) {
    std::string errors = convert_test::captureTool(
        {"sh", "-c", "ffmpeg -nostdin -hide_banner -i \"$0\" -af loudnorm=print_format=json -f null - 2>&1",
         file});
    const std::size_t open = errors.rfind('{');
    const QJsonObject json = QJsonDocument::fromJson(QByteArray::fromStdString(
                                                         errors.substr(open == std::string::npos ? 0 : open)))
                                 .object();
    return {json.value("input_i").toString().toDouble(), json.value("input_tp").toString().toDouble(),
            convert_test::probeStream(file, "sample_rate")};
  }

  download::ConversionOrder order(const std::string& input, const std::string& formatName,
                                  const std::string& out) {
    const common::AudioFormat* format = common::audioFormatAt(common::audioFormatIndex(formatName));
    return {.input = input,
            .output = dir_.file(out) + std::string(format->extension),
            .arguments = std::string(format->converterArgs),
            .tags = {},
            .evenLoudness = true};
  }

  TempDir dir_;
};

// A quiet tone needs one gain; noise whose peaks the gain would push too high needs loudnorm, after which the
// source's rate is kept.
TEST_F(LoudnessTest, ConversionsLandOnTheTargetWithinOneLu) {
  const std::string quiet = dir_.file("quiet.mkv");
  convert_test::makeMedia({"-f", "lavfi", "-i", "sine=frequency=440:duration=8:sample_rate=32000", "-af",
                           "volume=-20dB", "-c:a", "flac"},
                          quiet);
  const std::string peaky = dir_.file("peaky.mkv");
  // Pink noise at -26.7 LUFS with true peaks at -13.5 dBTP: the 12.7 dB it needs would put its peaks above
  // -1.
  convert_test::makeMedia({"-f", "lavfi", "-i", "anoisesrc=c=pink:a=0.25:r=48000:d=8:seed=7", "-c:a", "flac"},
                          peaky);
  const struct {
    std::string input, format, sampleRate, filter;
  } rows[] = {
      {quiet, "mp3-128", "44100", "-af volume="},
      {quiet, "flac", "32000", "-af volume="},
      {peaky, "flac", "48000", "-af loudnorm="},
      {peaky, "m4a", "48000", "-af loudnorm="},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.input + " " + row.format);
    const convert_test::StageRun run = convert_test::runStage(
        order(row.input, row.format, fs::path(row.input).stem().string() + "-" + row.format));
    ASSERT_TRUE(run.result.has_value());
    ASSERT_EQ(run.result->status, download::ConversionResult::Status::Done) << run.result->message;
    EXPECT_TRUE(run.notes.empty()) << run.notes.front();
    EXPECT_NE(convert::convertProcess->commandLine().find(row.filter), std::string::npos)
        << convert::convertProcess->commandLine();
    const Measured measured = measureAgain(run.result->files.at(0));
    EXPECT_NEAR(measured.integrated, convert::kTargetLoudness, 1.0);
    EXPECT_LE(measured.truePeak, convert::kTargetPeak + 0.5);
    EXPECT_EQ(measured.sampleRate, row.sampleRate);
  }
}

// Silence is left as it is: no gain makes it music.
TEST_F(LoudnessTest, SilenceIsLeftAlone) {
  const std::string silent = dir_.file("silent.mkv");
  convert_test::makeMedia({"-f", "lavfi", "-i", "anullsrc=r=44100:cl=stereo", "-t", "3", "-c:a", "flac"},
                          silent);
  const convert_test::StageRun run = convert_test::runStage(order(silent, "wav", "silent"));
  ASSERT_TRUE(run.result.has_value());
  EXPECT_EQ(run.result->status, download::ConversionResult::Status::Done) << run.result->message;
  EXPECT_EQ(convert_test::probeStream(run.result->files.at(0), "codec_name"), "pcm_s16le");
}

}  // namespace
