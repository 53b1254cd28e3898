// The modal download window: shows one job's stages on its panels (page, download, conversion), forwards Stop
// and close to the job, and turns the job's outcome into a box and its modal result. The job does the work.
#pragma once

#include "download/Job.h"
#include "ui/skin/ProgressBar.h"

#include <QCoreApplication>
#include <QDialog>

#include <memory>

class QFrame;
class QLabel;
class QPushButton;

namespace app {

class DownloadWindow : public QDialog, private download::JobListener {
  Q_DECLARE_TR_FUNCTIONS(DownloadWindow)

 public:
  DownloadWindow(QWidget* owner, const download::JobInput& job,
                 download::JobParts parts = download::standardJobParts());
  ~DownloadWindow() override;

  download::Job& job() { return *job_; }

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
  // What was done instead of what was asked (the original audio converted, no cover picture); shown below the
  // group, which makes the panel taller, once there is something to say.
  QLabel* convertNoteLabel = nullptr;
  QPushButton* convertStopButton = nullptr;

  void onStopClicked();
  void done(int result) override;  // every ending: the job stops, then the modal result
  void reject() override;          // the close box and Escape: Cancel

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void createPagePanel();
  void createDownloadPanel();
  void createConvertPanel();
  void showPanel(QFrame* panel);
  void centreOnOwner();

  // JobListener.
  void searching(const std::string& page) override;
  void downloading(const std::string& videoFile) override;
  void downloadProgress(const download::DownloadFigures& figures) override;
  void converting(const std::string& audioFile) override;
  void conversionProgress(const download::ConversionFigures& figures) override;
  void convertingChapter(int number, int count, const std::string& title) override;
  void note(const std::string& text) override;
  void finished(const download::JobOutcome& outcome) override;

  std::unique_ptr<download::Job> job_;
  bool shown_ = false;
  bool closing_ = false;
};

}  // namespace app
