// The modal download window: shows one request's panels (page, download, conversion) and forwards
// Stop and close to the request, which does the work.
#pragma once

#include "download/ConversionRequest.h"
#include "download/DownloadRequest.h"
#include "platform/browser/WebBrowser.h"
#include "ui/skin/ProgressBar.h"

#include <QDialog>

#include <memory>

class QFrame;
class QLabel;
class QPushButton;

class DownloadWindow : public QDialog, private download::RequestView {
 public:
  // `outputFolder` is the main window's output folder text.
  DownloadWindow(QWidget* owner, const download::ConversionRequest& request, const std::string& outputFolder);
  ~DownloadWindow() override;

  download::DownloadRequest& request() { return *request_; }

  // The page panel: fetching the page.
  QFrame* pagePanel = nullptr;
  QLabel* pageWaitLabel = nullptr;
  QLabel* pageUrlLabel = nullptr;
  QPushButton* pageStopButton = nullptr;
  // The download panel.
  QFrame* downloadPanel = nullptr;
  QLabel* downloadNameLabel = nullptr;
  skin::ProgressBar* downloadProgressBar = nullptr;
  QLabel* receivedLabel = nullptr;
  QLabel* timeLeftLabel = nullptr;
  QLabel* speedLabel = nullptr;
  QPushButton* downloadStopButton = nullptr;
  // The conversion panel.
  QFrame* convertPanel = nullptr;
  QLabel* convertNameLabel = nullptr;
  skin::ProgressBar* convertProgressBar = nullptr;
  QLabel* timeElapsedLabel = nullptr;
  QLabel* timeEstimatedLabel = nullptr;
  QPushButton* convertStopButton = nullptr;

  void onStopClicked();
  void done(int result) override;  // every ending: onWindowClosed, then the modal result
  void reject() override;          // the close box and Escape: Cancel

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void createPagePanel();
  void createDownloadPanel();
  void createConvertPanel();

  // RequestView.
  void showPanel(download::Panel panel) override;
  void showUrl(const std::string& address) override;
  void centreOnOwner() override;
  void showDownloadName(const std::string& text) override;
  void showDownloadBar(std::int64_t received, std::int64_t total) override;
  void showDownloadDetails(const std::string& received, const std::string& timeLeft,
                           const std::string& speed) override;
  void showConvertName(const std::string& name) override;
  void showConvertProgress(int position, const std::string& elapsed, const std::string& estimated) override;
  void closeWindow(int modalResult) override;

  std::unique_ptr<platform::WebBrowser> firstBrowser_;  // the hidden browser controls the page is read with
  std::unique_ptr<platform::WebBrowser> secondBrowser_;
  std::unique_ptr<download::DownloadRequest> request_;
  bool shown_ = false;
  bool closing_ = false;
};
