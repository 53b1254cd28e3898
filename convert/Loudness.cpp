#include "convert/Loudness.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace convert {
namespace {

// The gate below which ebur128 measures nothing: such audio is silence, and no gain makes it music.
constexpr double kQuietest = -69.0;

// The number after `label` in `text` from `from` on ("-inf" included); NaN when there is none.
double valueAfter(const std::string& text, std::size_t from, const std::string& label, std::size_t* at) {
  const std::size_t found = text.find(label, from);
  if (found == std::string::npos) return std::numeric_limits<double>::quiet_NaN();
  std::size_t i = found + label.size();
  while (i < text.size() && text[i] == ' ') ++i;
  if (text.compare(i, 4, "-inf") == 0) {
    if (at != nullptr) *at = i;
    return -std::numeric_limits<double>::infinity();
  }
  char* end = nullptr;
  const std::string rest = text.substr(i, 32);
  const double value = std::strtod(rest.c_str(), &end);
  if (end == rest.c_str()) return std::numeric_limits<double>::quiet_NaN();
  if (at != nullptr) *at = i;
  return value;
}

std::string fixed(double value, int decimals) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
  return buffer;
}

}  // namespace

std::vector<std::string> measureCommand(const std::string& input) {
  // The frames' own lines are written at a level below the one asked for: only the summary comes.
  return {"ffmpeg",
          "-nostdin",
          "-hide_banner",
          "-v",
          "info",
          "-i",
          input,
          "-map",
          "0:a:0",
          "-vn",
          "-sn",
          "-dn",
          "-af",
          "ebur128=peak=true:framelog=verbose",
          "-f",
          "null",
          "-"};
}

LoudnessMeasure readLoudnessSummary(const std::string& errors) {
  LoudnessMeasure measure;
  const std::size_t summary = errors.rfind("Summary:");
  if (summary == std::string::npos) return measure;
  std::size_t at = summary;
  const std::size_t integratedAt = errors.find("Integrated loudness:", summary);
  const std::size_t rangeAt = errors.find("Loudness range:", summary);
  const std::size_t peakAt = errors.find("True peak:", summary);
  if (integratedAt == std::string::npos || rangeAt == std::string::npos || peakAt == std::string::npos)
    return measure;
  measure.integrated = valueAfter(errors, integratedAt, "I:", &at);
  measure.threshold = valueAfter(errors, integratedAt, "Threshold:", &at);
  measure.range = valueAfter(errors, rangeAt, "LRA:", &at);
  measure.truePeak = valueAfter(errors, peakAt, "Peak:", &at);
  measure.valid = !std::isnan(measure.integrated) && !std::isnan(measure.threshold) &&
                  !std::isnan(measure.range) && !std::isnan(measure.truePeak) &&
                  std::isfinite(measure.integrated);
  return measure;
}

std::string loudnessFilter(const LoudnessMeasure& measure) {
  if (!measure.valid || measure.integrated <= kQuietest) return {};
  const double gain = kTargetLoudness - measure.integrated;
  if (!std::isfinite(measure.truePeak) || measure.truePeak + gain <= kTargetPeak)
    return "volume=" + fixed(gain, 2) + "dB";
  // loudnorm takes a measured true peak of at most +99 and a range of at least 0.
  const double range = std::clamp(measure.range, 0.0, 99.0);
  const double targetRange = std::clamp(range, 1.0, 20.0);
  return "loudnorm=I=" + fixed(kTargetLoudness, 1) + ":TP=" + fixed(kTargetPeak, 1) +
         ":LRA=" + fixed(targetRange, 1) + ":measured_I=" + fixed(measure.integrated, 2) +
         ":measured_TP=" + fixed(std::clamp(measure.truePeak, -99.0, 99.0), 2) +
         ":measured_LRA=" + fixed(range, 2) +
         ":measured_thresh=" + fixed(std::clamp(measure.threshold, -99.0, 0.0), 2) + ":linear=true";
}

std::vector<std::string> loudnessWords(const LoudnessMeasure& measure, int sampleRate, bool formatSetsRate) {
  const std::string filter = loudnessFilter(measure);
  if (filter.empty()) return {};
  std::vector<std::string> words{"-af", filter};
  if (filter.rfind("loudnorm", 0) == 0 && !formatSetsRate) {
    words.push_back("-ar");
    words.push_back(std::to_string(sampleRate > 0 ? sampleRate : 44100));
  }
  return words;
}

}  // namespace convert
