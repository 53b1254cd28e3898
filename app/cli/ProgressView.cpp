#include "app/cli/ProgressView.h"

#include "common/Text.h"
#include "resources/Translations.h"

#include <algorithm>

namespace cli {
namespace {

constexpr std::chrono::milliseconds kRedrawInterval{100};
constexpr int kMaxBarWidth = 30;
constexpr int kMinBarWidth = 10;

// "[#######       ]" for a percentage; "[   <=>        ]" moving with `step` when it is unknown (-1).
std::string bar(int percent, int width, int step) {
  std::string inside(static_cast<std::size_t>(width), ' ');
  if (percent >= 0) {
    std::fill_n(inside.begin(), std::clamp(percent, 0, 100) * width / 100, '#');
  } else {
    const int span = width - 3;
    const int cycle = std::max(1, 2 * span);
    const int place = step % cycle < span ? step % cycle : cycle - step % cycle;
    inside.replace(static_cast<std::size_t>(place), 3, "<=>");
  }
  return "[" + inside + "]";
}

std::string percentText(int percent) {
  std::string text = percent < 0 ? "--" : std::to_string(std::clamp(percent, 0, 100));
  return std::string(text.size() < 3 ? 3 - text.size() : 0, ' ') + text + "%";
}

}  // namespace

ProgressView::ProgressView(ItemReport& report, std::function<void(bool ok)> ended)
    : report_(report), terminal_(report.terminal()), ended_(std::move(ended)) {
  redraw_.setSingleShot(true);
  QObject::connect(&redraw_, &QTimer::timeout, [this] {
    drawDownload(true);
    drawConvert(true);
  });
}

void ProgressView::searching(const std::string& /*page*/) {
  enter(Stage::Search);
  terminal_.line(common::fillIn(
      resources::translate("ProgressView", "Get html from the URL, please wait... %1"), {report_.item()}));
}

void ProgressView::downloading(const std::string& videoFile) {
  videoFile_ = videoFile;
  enter(Stage::Download);
  download_ = {};
  alongside_ = -1;
  terminal_.line(common::fillIn(resources::translate("ProgressView", "Downloading: %1 ..."), {videoFile}));
  drawDownload(true);
}

void ProgressView::downloadProgress(const download::DownloadFigures& figures) {
  download_ = figures;
  drawDownload(false);
}

void ProgressView::conversionAlongside(const download::ConversionFigures& figures) {
  alongside_ = std::clamp(figures.percent, 0, 100);
  drawDownload(false);
}

void ProgressView::converting(const std::string& audioFile) {
  enter(Stage::Convert);
  audioFile_ = audioFile;
  convertNamed_ = false;
  position_ = 0;
  elapsed_.clear();
  estimated_.clear();
}

void ProgressView::conversionProgress(const download::ConversionFigures& figures) {
  if (!convertNamed_) {
    terminal_.line(common::fillIn(resources::translate("ProgressView", "Converting: %1 ..."), {audioFile_}));
    convertNamed_ = true;
  }
  position_ = figures.percent;
  // The end record clears the window's time labels; the line keeps the last times it showed.
  if (!figures.elapsed.empty()) elapsed_ = figures.elapsed;
  if (!figures.estimated.empty()) estimated_ = figures.estimated;
  drawConvert(figures.percent >= 100);
}

// Each chapter's line stays above the one progress of the whole video.
void ProgressView::convertingChapter(int number, int count, const std::string& title) {
  if (!convertNamed_) {
    terminal_.line(common::fillIn(resources::translate("ProgressView", "Converting: %1 ..."), {audioFile_}));
    convertNamed_ = true;
  }
  terminal_.endInPlace();
  terminal_.line(common::fillIn(resources::translate("ProgressView", "Chapter %1 of %2: %3"),
                                {std::to_string(number), std::to_string(count), oneLine(title)}));
  drawConvert(true);
}

// What was done instead of what was asked is a line of its own, kept above the progress.
void ProgressView::note(const std::string& text) {
  if (stage_ == Stage::Convert && !convertNamed_) {
    terminal_.line(common::fillIn(resources::translate("ProgressView", "Converting: %1 ..."), {audioFile_}));
    convertNamed_ = true;
  }
  terminal_.endInPlace();
  terminal_.line(oneLine(text));
  drawConvert(true);
}

void ProgressView::finished(const download::JobOutcome& outcome) {
  using Status = download::JobOutcome::Status;
  redraw_.stop();
  if (outcome.status == Status::Done) {
    endStage(true);
  } else {
    // A failure or a stop ends the line as it was last drawn; nothing of a failed stage is drawn again.
    terminal_.endInPlace();
  }
  if (outcome.status == Status::Failed) {
    std::string message = outcome.message;
    if (outcome.cause == download::JobOutcome::Cause::OutputKept)
      message += resources::translate("ProgressView", " (-y replaces it)");
    report_.fail(report_.item(), message);
  }
  stage_ = Stage::None;
  if (ended_) ended_(outcome.status == Status::Done && !report_.failed());
}

// A new stage begins: the one before it is done.
void ProgressView::enter(Stage stage) {
  if (stage_ != Stage::None && stage_ != stage) endStage(true);
  stage_ = stage;
}

// The line of the stage that ends stays on the terminal as last drawn; without a terminal a completed stage
// says so in a line of its own.
void ProgressView::endStage(bool completed) {
  switch (stage_) {
    case Stage::Search:
      if (completed && !terminal_.isTerminal())
        terminal_.line(
            common::fillIn(resources::translate("ProgressView", "Found the video: %1"), {videoFile_}));
      break;
    case Stage::Download:
      drawDownload(true);
      if (completed && !terminal_.isTerminal())
        terminal_.line(
            common::fillIn(resources::translate("ProgressView", "Downloaded: %1"), {download_.receivedText}));
      break;
    case Stage::Convert:
      drawConvert(true);
      if (completed && convertNamed_ && !terminal_.isTerminal())
        terminal_.line(common::fillIn(resources::translate("ProgressView", "Converted: %1"), {audioFile_}));
      break;
    case Stage::None:
      break;
  }
  terminal_.endInPlace();
}

bool ProgressView::due(bool force) {
  if (!terminal_.isTerminal() || terminal_.quiet()) return false;
  const auto now = std::chrono::steady_clock::now();
  if (!force && now - lastDraw_ < kRedrawInterval) {
    // Drawn soon: a download that stalls still shows the last bytes that came.
    if (!redraw_.isActive())
      redraw_.start(
          std::chrono::duration_cast<std::chrono::milliseconds>(kRedrawInterval - (now - lastDraw_)));
    return false;
  }
  redraw_.stop();
  lastDraw_ = now;
  ++draws_;
  return true;
}

void ProgressView::drawDownload(bool force) {
  if (stage_ != Stage::Download || !due(force)) return;
  const std::int64_t received = download_.received;
  const std::int64_t total = download_.total;
  const int percent = total > 0    ? static_cast<int>(std::min(received, total) * 100 / total)
                      : total == 0 ? 100
                                   : -1;
  // The conversion's figure comes first: a narrow terminal cuts the end of the line.
  std::string after = alongside_ >= 0
                          ? common::fillIn(resources::translate("ProgressView", "converted %1%  "),
                                           {std::to_string(alongside_)})
                          : std::string();
  after += download_.receivedText;
  if (!download_.speedText.empty()) after += "  " + download_.speedText;
  if (!download_.timeLeftText.empty())
    after += common::fillIn(resources::translate("ProgressView", "  %1 left"), {download_.timeLeftText});
  drawInPlace(percent, after);
}

void ProgressView::drawConvert(bool force) {
  if (stage_ != Stage::Convert || !convertNamed_ || !due(force)) return;
  const std::string after =
      common::fillIn(resources::translate("ProgressView", "Time elapsed: %1  Time estimated: %2"),
                     {elapsed_.empty() ? "00:00" : elapsed_, estimated_.empty() ? "00:00" : estimated_});
  drawInPlace(position_, after);
}

// "  [bar] 45%  <after>", the bar as wide as the terminal leaves room for.
void ProgressView::drawInPlace(int percent, const std::string& after) {
  const std::string pct = percentText(percent);
  // Two blanks, the bar's brackets, a blank, the percentage, two blanks, the rest, and the last column.
  const int fixed = static_cast<int>(pct.size() + after.size()) + 2 + 2 + 1 + 2 + 1;
  const int width = std::clamp(terminal_.columns() - fixed, kMinBarWidth, kMaxBarWidth);
  terminal_.drawInPlace("  " + bar(percent, width, draws_) + " " + pct + "  " + after);
}

}  // namespace cli
