// A job's progress and outcome drawn on standard error: one line when a stage starts, then on a terminal its
// progress redrawn in place (the download: bar, percentage, size, speed, time remaining; the conversion: bar,
// percentage, elapsed and estimated time), and without one a plain line when the stage ends. A video
// converted while it downloads shows both on the download's line ("converted 40%" after its percentage); what
// remains of the conversion once the download has ended gets its own line. The outcome ends the drawing: a
// failure is one line naming the item and the cause, and no more progress follows it.
#pragma once

#include "app/cli/ItemReport.h"
#include "download/JobListener.h"

#include <QTimer>

#include <chrono>
#include <functional>

namespace cli {

class ProgressView final : public download::JobListener {
 public:
  // `ended` runs once the job has ended, with whether it did all it was asked without a failure.
  ProgressView(ItemReport& report, std::function<void(bool ok)> ended);

  void searching(const std::string& page) override;
  void downloading(const std::string& videoFile) override;
  void downloadProgress(const download::DownloadFigures& figures) override;
  void converting(const std::string& audioFile) override;
  void conversionProgress(const download::ConversionFigures& figures) override;
  void conversionAlongside(const download::ConversionFigures& figures) override;
  void convertingChapter(int number, int count, const std::string& title) override;
  void note(const std::string& text) override;
  void finished(const download::JobOutcome& outcome) override;

 private:
  enum class Stage { None, Search, Download, Convert };

  void enter(Stage stage);
  void endStage(bool completed);
  void drawDownload(bool force);
  void drawConvert(bool force);
  bool due(bool force);
  void drawInPlace(int percent, const std::string& after);

  ItemReport& report_;
  Terminal& terminal_;
  std::function<void(bool)> ended_;
  Stage stage_ = Stage::None;
  std::string videoFile_;
  // The download's figures as the window shows them.
  download::DownloadFigures download_;
  int alongside_ = -1;  // the percentage converted while the video downloads; -1 while none is
  // The conversion's. Its line is written with its first figures: the overwrite question comes first, and
  // no conversion follows when the existing file is kept.
  std::string audioFile_;
  bool convertNamed_ = false;
  int position_ = 0;
  std::string elapsed_, estimated_;
  std::chrono::steady_clock::time_point lastDraw_{};
  QTimer redraw_;  // draws what came in since the last drawing, once the interval is over
  int draws_ = 0;  // moves the bar's marker while the size is unknown
};

}  // namespace cli
