// The modal download window: shows one request's panels (page, download, conversion) and forwards
// Stop and close to the request, which does the work.
#pragma once

#include "download/ConversionRequest.h"
#include "download/DownloadRequest.h"
#include "platform/browser/WebBrowser.h"

#include <QDialog>

#include <memory>

class QFrame;
class QLabel;
class QProgressBar;
class QPushButton;

class TfrmDownload : public QDialog, private download::RequestView {
 public:
  // `outputFolder` is the main window's output folder text.
  TfrmDownload(QWidget* owner, const download::ConversionRequest& request, const std::string& outputFolder);
  ~TfrmDownload() override;

  download::TDownloadRequest& Request() { return *request_; }

  // Panel 1: fetching the page.
  QFrame* Panel1 = nullptr;
  QLabel* Label1 = nullptr;
  QLabel* lUrl = nullptr;
  QPushButton* bStop = nullptr;
  // Panel 2: downloading.
  QFrame* Panel2 = nullptr;
  QLabel* lFileName = nullptr;
  QProgressBar* suiProgressBar1 = nullptr;
  QLabel* lReceiveData = nullptr;
  QLabel* lEstimateTime = nullptr;
  QLabel* lReceiveSpeed = nullptr;
  QPushButton* suiButton1 = nullptr;
  // Panel 3: converting.
  QFrame* Panel3 = nullptr;
  QLabel* lConvertName = nullptr;
  QProgressBar* suiProgressBar2 = nullptr;
  QLabel* lTimeElapsed = nullptr;
  QLabel* lTimeEstimated = nullptr;
  QPushButton* suiButton2 = nullptr;

  void bStopClick();
  void done(int result) override;  // every ending: FormClose, then the modal result
  void reject() override;          // the close box and Escape: Cancel

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void CreatePanel1();
  void CreatePanel2();
  void CreatePanel3();

  // RequestView.
  void ShowPanel(download::Panel panel) override;
  void ShowUrl(const std::string& address) override;
  void CentreOnOwner() override;
  void ShowDownloadName(const std::string& text) override;
  void ShowDownloadBar(std::int64_t received, std::int64_t total) override;
  void ShowDownloadDetails(const std::string& received, const std::string& timeLeft,
                           const std::string& speed) override;
  void ShowConvertName(const std::string& name) override;
  void ShowConvertProgress(int position, const std::string& elapsed, const std::string& estimated) override;
  void CloseWindow(int modalResult) override;

  std::unique_ptr<platform::WebBrowser> WebBrowser_1;  // the hidden browser controls the page is read with
  std::unique_ptr<platform::WebBrowser> WebBrowser_2;
  std::unique_ptr<download::TDownloadRequest> request_;
  bool shown_ = false;
  bool closing_ = false;
};
