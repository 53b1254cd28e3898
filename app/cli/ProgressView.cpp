#include "app/cli/ProgressView.h"

#include "platform/Dialogs.h"

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

ProgressView::ProgressView(ItemReport& report, std::function<void(int)> onClose)
    : report_(report), terminal_(report.terminal()), onClose_(std::move(onClose)) {
  redraw_.setSingleShot(true);
  QObject::connect(&redraw_, &QTimer::timeout, [this] {
    drawDownload(true);
    drawConvert(true);
  });
}

bool ProgressView::finished() const {
  if (request_ == nullptr || report_.failed()) return false;
  if (request_->mode == download::RequestMode::DownloadOnly)
    return panel_ == download::Panel::Download && modalResult_ != platform::ModalResult::Abort;
  return request_->convertPosition == 100;
}

void ProgressView::showPanel(download::Panel panel) {
  if (panel == panel_) return;
  if (panel_ != download::Panel::None) endPhase(true);  // the next phase begins: this one is done
  panel_ = panel;
  if (panel == download::Panel::FetchPage)
    terminal_.line("Get html from the URL, please wait... " + report_.item());
  downloadNamed_ = false;
  received_ = 0;
  total_ = -1;
  receivedText_.clear();
  timeLeftText_.clear();
  speedText_.clear();
  position_ = 0;
  elapsed_.clear();
  estimated_.clear();
}

void ProgressView::showUrl(const std::string& /*address*/) {
  // The item itself, named when the page phase began.
}

void ProgressView::showDownloadName(const std::string& text) {
  terminal_.line(text);  // "Downloading: <file> ..."
  downloadNamed_ = true;
  drawDownload(true);
}

void ProgressView::showDownloadBar(std::int64_t received, std::int64_t total) {
  received_ = received;
  total_ = total;
  drawDownload(false);
}

void ProgressView::showDownloadDetails(const std::string& received, const std::string& timeLeft,
                                       const std::string& speed) {
  receivedText_ = received;
  timeLeftText_ = timeLeft;
  speedText_ = speed;
  drawDownload(false);
}

void ProgressView::showConvertName(const std::string& name) {
  convertName_ = name;
  if (report_.failed()) return;  // the existing file was kept: nothing is converted
  terminal_.line("Converting: " + name + " ...");
  drawConvert(true);
}

void ProgressView::showConvertProgress(int position, const std::string& elapsed,
                                       const std::string& estimated) {
  position_ = position;
  // The end record clears the window's time labels; the line keeps the last times it showed.
  if (!elapsed.empty()) elapsed_ = elapsed;
  if (!estimated.empty()) estimated_ = estimated;
  drawConvert(position >= 100);
  // A failed conversion that does not end the request: the window would wait for Stop.
  if (report_.failed() && position < 100 && stop_) stop_();
}

void ProgressView::closeWindow(int modalResult) {
  if (closed_) return;
  closed_ = true;
  modalResult_ = modalResult;
  endPhase(finished());
  redraw_.stop();
  if (onClose_) onClose_(modalResult);
}

// The line of the phase that ends stays on the terminal as last drawn; without a terminal a completed
// phase says so in a line of its own.
void ProgressView::endPhase(bool completed) {
  switch (panel_) {
    case download::Panel::FetchPage:
      if (completed && !terminal_.isTerminal() && request_ != nullptr)
        terminal_.line("Found the video: " + request_->fileName);
      break;
    case download::Panel::Download:
      drawDownload(true);
      if (completed && !terminal_.isTerminal()) terminal_.line("Downloaded: " + receivedText_);
      break;
    case download::Panel::Convert:
      drawConvert(true);
      if (completed && !terminal_.isTerminal()) terminal_.line("Converted: " + convertName_);
      break;
    case download::Panel::None:
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
  if (panel_ != download::Panel::Download || !downloadNamed_ || !due(force)) return;
  const int percent = total_ > 0    ? static_cast<int>(std::min(received_, total_) * 100 / total_)
                      : total_ == 0 ? 100
                                    : -1;
  std::string after = receivedText_;
  if (!speedText_.empty()) after += "  " + speedText_;
  if (!timeLeftText_.empty()) after += "  " + timeLeftText_ + " left";
  drawInPlace(percent, after);
}

void ProgressView::drawConvert(bool force) {
  if (panel_ != download::Panel::Convert || report_.failed() || !due(force)) return;
  const std::string after = "Time elapsed: " + (elapsed_.empty() ? "00:00" : elapsed_) +
                            "  Time estimated: " + (estimated_.empty() ? "00:00" : estimated_);
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
