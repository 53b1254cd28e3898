#include "app/DownloadWindow.h"

#include "common/FrontEnd.h"
#include "platform/Dialogs.h"
#include "resources/Pictures.h"
#include "resources/Strings.h"
#include "ui/skin/Controls.h"

#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

#include <algorithm>
#include <limits>

namespace {

QString toQt(const std::string& text) {
  return QString::fromStdString(text);
}

QLabel* createIcon(QWidget* parent, int left, int top) {
  auto* icon = new QLabel(parent);
  icon->setScaledContents(true);
  icon->setPixmap(resources::programIcon());
  icon->setGeometry(left, top, 32, 32);
  return icon;
}

// A caption label followed by a value label on the same line.
QLabel* createLabelPair(QWidget* parent, const QString& caption, int left, int top) {
  QLabel* label = skin::createLabel(parent, caption, left, top);
  QLabel* value = skin::createLabel(parent, "", left + label->width(), top);
  value->resize(200, label->height());
  return value;
}

}  // namespace

namespace app {

DownloadWindow::DownloadWindow(QWidget* owner, const download::JobInput& job, download::JobParts parts)
    : QDialog(owner) {
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  setModal(true);
  setFont(skin::windowFont());
  createPagePanel();
  createDownloadPanel();
  createConvertPanel();
  for (QPushButton* stop : {pageStopButton, downloadStopButton, convertStopButton})
    connect(stop, &QPushButton::clicked, this, [this] { onStopClicked(); });
  download::JobListener& listener = *this;
  job_ = std::make_unique<download::Job>(job, std::move(parts), listener);
  // Screen readers name the download's bar by the file name above it; the conversion's bar takes its
  // group's title.
  downloadProgressBar->setNameLabel(downloadNameLabel);
}

DownloadWindow::~DownloadWindow() = default;

void DownloadWindow::createPagePanel() {
  pagePanel = skin::createPanel(this, 0, 0, 268, 129);
  pageWaitLabel = skin::createLabel(pagePanel, tr("Get html from the URL, please wait..."), 16, 20);
  pageUrlLabel = skin::createLabel(pagePanel, "", 16, 44);
  pageUrlLabel->resize(236, pageUrlLabel->height());
  pageStopButton = skin::createButton(pagePanel, tr("Stop"), 94, 88, 80, 23);
}

void DownloadWindow::createDownloadPanel() {
  downloadPanel = skin::createPanel(this, 0, 0, 353, 202);
  downloadNameLabel = skin::createLabel(downloadPanel, "", 16, 10);
  downloadNameLabel->resize(321, downloadNameLabel->height());
  downloadProgressBar = skin::createProgressBar(downloadPanel, 16, 30, 321, 18);
  downloadProgressBar->setTextVisible(true);
  auto* details = new QGroupBox(tr("Details"), downloadPanel);
  details->setGeometry(16, 56, 321, 104);
  receivedLabel = createLabelPair(details, tr("Download Size: "), 12, 24);
  timeLeftLabel = createLabelPair(details, tr("Estimating time remaining: "), 12, 48);
  speedLabel = createLabelPair(details, tr("Download Speed\xEF\xBC\x9A"), 12, 72);
  createIcon(details, 277, 20);
  downloadStopButton = skin::createButton(downloadPanel, tr("Stop"), 137, 168, 80, 23);
}

void DownloadWindow::createConvertPanel() {
  convertPanel = skin::createPanel(this, 0, 0, 348, 145);
  auto* converting = new QGroupBox(tr("Converting"), convertPanel);
  converting->setGeometry(10, 8, 328, 96);
  convertNameLabel = skin::createLabel(converting, "", 12, 22);
  convertNameLabel->resize(262, convertNameLabel->height());
  convertProgressBar = skin::createProgressBar(converting, 12, 44, 262, 18);
  convertProgressBar->setTextVisible(true);
  timeElapsedLabel = createLabelPair(converting, tr("Time elapsed: "), 12, 70);
  timeElapsedLabel->setText("00:00");
  timeEstimatedLabel = createLabelPair(converting, tr("Time estimated: "), 160, 70);
  timeEstimatedLabel->setText("00:00");
  timeEstimatedLabel->resize(100, timeEstimatedLabel->height());
  createIcon(converting, 284, 36);
  convertStopButton = skin::createButton(convertPanel, tr("Stop"), 134, 112, 80, 23);
  convertNoteLabel = skin::createLabel(convertPanel, "", 10, 108);
  convertNoteLabel->setWordWrap(true);
  convertNoteLabel->resize(328, 34);
  convertNoteLabel->hide();
}

void DownloadWindow::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (shown_) return;
  shown_ = true;
  // Every panel starts hidden and empty; a local file shows the conversion panel at once, a page the page
  // panel.
  downloadProgressBar->setValue(0);
  convertProgressBar->setValue(0);
  for (QFrame* panel : {pagePanel, downloadPanel, convertPanel}) {
    panel->move(0, 0);
    panel->hide();
  }
  setWindowTitle(toQt(resources::loadString(resources::StringId::Title)));
  for (QLabel* label : {downloadNameLabel, receivedLabel, timeLeftLabel, speedLabel}) label->clear();
  const download::JobInput& input = job_->input();
  if (input.mode == download::RequestMode::ConvertLocalFile) {
    showPanel(convertPanel);
  } else {
    pageUrlLabel->setText(toQt(input.source));
    showPanel(pagePanel);
  }
  job_->start();
}

void DownloadWindow::showPanel(QFrame* shown) {
  for (QFrame* p : {pagePanel, downloadPanel, convertPanel}) p->setVisible(p == shown);
  setFixedSize(shown->size());
}

void DownloadWindow::centreOnOwner() {
  const QWidget* owner = parentWidget();
  if (owner == nullptr) return;
  const QRect outer = owner->frameGeometry();
  const QRect own = frameGeometry();
  move(outer.left() + (outer.width() - own.width()) / 2, outer.top() + (outer.height() - own.height()) / 2);
}

void DownloadWindow::searching(const std::string& page) {
  pageUrlLabel->setText(toQt(page));
}

void DownloadWindow::downloading(const std::string& videoFile) {
  showPanel(downloadPanel);
  centreOnOwner();
  const QString text = tr("Downloading: %1 ...").arg(toQt(videoFile));
  downloadNameLabel->setText(text);
  downloadNameLabel->setToolTip(text);
}

void DownloadWindow::downloadProgress(const download::DownloadFigures& figures) {
  // No size announced: the bar only shows that data arrives.
  downloadProgressBar->setBusy(figures.total < 0);
  if (figures.total < 0) {
    downloadProgressBar->setRange(0, 0);
  } else {
    // The bar counts in int; sizes past its range are shown in larger units.
    const std::int64_t unit = figures.total / std::numeric_limits<int>::max() + 1;
    downloadProgressBar->setRange(0, static_cast<int>(figures.total / unit));
    downloadProgressBar->setValue(
        static_cast<int>(std::clamp<std::int64_t>(figures.received, 0, figures.total) / unit));
  }
  receivedLabel->setText(toQt(figures.receivedText));
  timeLeftLabel->setText(toQt(figures.timeLeftText));
  speedLabel->setText(toQt(figures.speedText));
}

void DownloadWindow::converting(const std::string& audioFile) {
  showPanel(convertPanel);
  convertNameLabel->setText(toQt(audioFile));
  convertNameLabel->setToolTip(toQt(audioFile));
}

void DownloadWindow::convertingChapter(int number, int count, const std::string& title) {
  const QString text = tr("Chapter %1 of %2: %3").arg(number).arg(count).arg(toQt(title));
  convertNameLabel->setText(text);
  convertNameLabel->setToolTip(text);
}

// Notes gather below the group; the panel grows to show them, the Stop button moves down.
void DownloadWindow::note(const std::string& text) {
  const QString line = toQt(text);
  const QString shown = convertNoteLabel->text().isEmpty() ? line : convertNoteLabel->text() + "\n" + line;
  convertNoteLabel->setText(shown);
  convertNoteLabel->setToolTip(shown);
  convertNoteLabel->show();
  const int height = convertNoteLabel->heightForWidth(convertNoteLabel->width());
  convertNoteLabel->resize(convertNoteLabel->width(), std::max(height, 16));
  convertStopButton->move(convertStopButton->x(), convertNoteLabel->y() + convertNoteLabel->height() + 6);
  convertPanel->resize(convertPanel->width(), convertStopButton->y() + convertStopButton->height() + 10);
  if (convertPanel->isVisible()) setFixedSize(convertPanel->size());
}

void DownloadWindow::conversionProgress(const download::ConversionFigures& figures) {
  convertProgressBar->setValue(figures.percent);
  timeElapsedLabel->setText(toQt(figures.elapsed));
  timeEstimatedLabel->setText(toQt(figures.estimated));
}

// How each ending looks: no stream found, the age page or a refused page are notices and end as Stop does; a
// failed download or conversion is an error box; a page that cannot be read closes without a word; an audio
// file in use is told and the window waits for Stop.
void DownloadWindow::finished(const download::JobOutcome& outcome) {
  if (closing_) return;
  using Cause = download::JobOutcome::Cause;
  const std::string& item = job_->input().source;
  switch (outcome.status) {
    case download::JobOutcome::Status::Done:
      done(platform::ModalResult::Cancel);
      return;
    case download::JobOutcome::Status::Stopped:
      done(platform::ModalResult::Abort);
      return;
    case download::JobOutcome::Status::Failed:
      break;
  }
  switch (outcome.cause) {
    case Cause::NoStreamFound:
    case Cause::AgeRestricted:
    case Cause::PageRefused:
      common::frontEnd().notice(item, outcome.message);
      done(platform::ModalResult::Abort);
      return;
    case Cause::OutputInUse:
      common::frontEnd().failure(item, outcome.message);
      return;
    case Cause::PageUnreadable:
    case Cause::OutputKept:
      done(platform::ModalResult::Cancel);
      return;
    case Cause::None:
    case Cause::ResolverFailed:
    case Cause::DownloadFailed:
    case Cause::ConverterNotStarted:
    case Cause::ConversionFailed:
      if (!outcome.message.empty()) common::frontEnd().failure(item, outcome.message);
      done(platform::ModalResult::Cancel);
      return;
  }
}

void DownloadWindow::onStopClicked() {
  job_->stop();
  done(platform::ModalResult::Abort);
}

void DownloadWindow::reject() {
  done(platform::ModalResult::Cancel);
}

void DownloadWindow::done(int result) {
  if (closing_) return;
  closing_ = true;
  // A stage still running when the window closes (the close box) ends with it.
  job_->stop();
  QDialog::done(result);
}

}  // namespace app
