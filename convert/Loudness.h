// Even loudness: the audio is brought to kTargetLoudness integrated with its true peak at most kTargetPeak.
// One measurement first (ffmpeg's ebur128 filter, integrated loudness and true peak), then one gain with the
// volume filter; only when that gain would push the true peak past the limit, the loudnorm filter with the
// measured values, and the source's sample rate asked for (loudnorm alone gives 192 kHz).
#pragma once

#include <string>
#include <vector>

namespace convert {

constexpr double kTargetLoudness = -14.0;  // LUFS
constexpr double kTargetPeak = -1.0;       // dBTP

struct LoudnessMeasure {
  bool valid = false;
  double integrated = 0;  // LUFS
  double threshold = 0;   // LUFS, the integrated loudness's gate
  double range = 0;       // LU
  double truePeak = 0;    // dBTP; -inf for silence
};

// The words of the ffmpeg run that measures the whole of `input`'s first audio stream.
std::vector<std::string> measureCommand(const std::string& input);

// The summary the ebur128 filter writes at the end of its run, read from ffmpeg's error output.
LoudnessMeasure readLoudnessSummary(const std::string& errors);

// The filter that brings audio of `measure` to the target: "volume=3.50dB", or "loudnorm=..." when one gain
// would push the true peak past the limit. Empty when nothing is to change: a measure that is not valid, or
// audio too quiet to measure (silence).
std::string loudnessFilter(const LoudnessMeasure& measure);

// The converter's output words for that filter: "-af FILTER", and after loudnorm "-ar RATE" (`sampleRate`,
// 44100 when unknown) unless the format sets a rate of its own. None when nothing is to change.
std::vector<std::string> loudnessWords(const LoudnessMeasure& measure, int sampleRate, bool formatSetsRate);

}  // namespace convert
