// Runs the conversion stage of a job to its end with the program's conversion object and the real ffmpeg, and
// keeps what it told: the name, the notes, the chapters, the progress and the result.
#pragma once

#include "convert/ConvertProcess.h"
#include "download/AudioConversion.h"
#include "support/WaitFor.h"

#include <optional>
#include <string>
#include <vector>

namespace convert_test {

struct StageRun {
  std::optional<download::ConversionResult> result;
  std::string named;
  std::vector<std::string> notes;
  std::vector<std::string> chapters;  // "k/N title"
  std::vector<int> percents;
};

inline StageRun runStage(const download::ConversionOrder& order, int limitMs = 60000) {
  StageRun run;
  download::AudioConversion stage(*convert::convertProcess);
  stage.setNotes({.naming = [&](const std::string& output) { run.named = output; },
                  .note = [&](const std::string& text) { run.notes.push_back(text); },
                  .chapter =
                      [&](int number, int count, const std::string& title) {
                        run.chapters.push_back(std::to_string(number) + "/" + std::to_string(count) + " " +
                                               title);
                      }});
  stage.start(
      order, [&](const download::ConversionFigures& figures) { run.percents.push_back(figures.percent); },
      [&](download::ConversionResult result) { run.result = std::move(result); });
  testing_support::waitFor([&] { return run.result.has_value(); }, limitMs);
  return run;
}

}  // namespace convert_test
