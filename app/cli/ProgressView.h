// The download window's view of a request, drawn on standard error: one line when a phase starts,
// then on a terminal its progress redrawn in place (the download: bar, percentage, size, speed, time
// remaining; the conversion: bar, percentage, elapsed and estimated time), and without one a plain line
// when the phase ends.
#pragma once

#include "app/cli/ItemReport.h"
#include "download/DownloadRequest.h"

#include <QTimer>

#include <chrono>
#include <functional>

namespace cli {

class ProgressView final : public download::RequestView {
 public:
  // `onClose` runs when the request closes its "window", with the modal result.
  ProgressView(ItemReport& report, std::function<void(int)> onClose);

  // The request shown; its fields name the video and tell how it ended.
  void setRequest(const download::DownloadRequest* request) { request_ = request; }
  // Presses Stop for the user: after a failure that the window leaves open until Stop (an output
  // file in use), nobody is there to press it.
  void setStop(std::function<void()> stop) { stop_ = std::move(stop); }
  bool closed() const { return closed_; }
  // Whether the request did all it was asked without a failure: the video kept (a download-only page) or
  // the audio file written. Call once closed.
  bool finished() const;

  void showPanel(download::Panel panel) override;
  void showUrl(const std::string& address) override;
  void centreOnOwner() override {}
  void showDownloadName(const std::string& text) override;
  void showDownloadBar(std::int64_t received, std::int64_t total) override;
  void showDownloadDetails(const std::string& received, const std::string& timeLeft,
                           const std::string& speed) override;
  void showConvertName(const std::string& name) override;
  void showConvertProgress(int position, const std::string& elapsed, const std::string& estimated) override;
  void closeWindow(int modalResult) override;

 private:
  void endPhase(bool completed);
  void drawDownload(bool force);
  void drawConvert(bool force);
  bool due(bool force);
  void drawInPlace(int percent, const std::string& after);

  ItemReport& report_;
  Terminal& terminal_;
  std::function<void(int)> onClose_;
  std::function<void()> stop_;
  const download::DownloadRequest* request_ = nullptr;
  download::Panel panel_ = download::Panel::None;
  bool closed_ = false;
  int modalResult_ = 0;
  // The download's figures as the window shows them.
  std::int64_t received_ = 0;
  std::int64_t total_ = -1;
  std::string receivedText_, timeLeftText_, speedText_;
  // The conversion's.
  std::string convertName_;
  int position_ = 0;
  std::string elapsed_, estimated_;
  std::chrono::steady_clock::time_point lastDraw_{};
  QTimer redraw_;               // draws what came in since the last drawing, once the interval is over
  bool downloadNamed_ = false;  // the download's line follows its name
  int draws_ = 0;               // moves the bar's marker while the size is unknown
};

}  // namespace cli
