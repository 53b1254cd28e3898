#include "app/DownloadWindow.h"

#include "platform/Dialogs.h"
#include "platform/browser/CreateWebBrowser.h"
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

DownloadWindow::DownloadWindow(QWidget* owner, const download::ConversionRequest& request,
                               const std::string& outputFolder)
    : QDialog(owner) {
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  setModal(true);
  setFont(skin::windowFont());
  createPagePanel();
  createDownloadPanel();
  createConvertPanel();
  for (QPushButton* stop : {pageStopButton, downloadStopButton, convertStopButton})
    connect(stop, &QPushButton::clicked, this, [this] { onStopClicked(); });
  download::RequestView& view = *this;
  request_ = std::make_unique<download::DownloadRequest>(request, outputFolder, view);
  if (request.mode != download::RequestMode::ConvertLocalFile) {
    // The engine behind the controls starts with their first page, not before.
    firstBrowser_ = platform::createWebBrowser();
    secondBrowser_ = platform::createWebBrowser();
    request_->useBrowsers(*firstBrowser_, *secondBrowser_);
  }
}

DownloadWindow::~DownloadWindow() = default;

void DownloadWindow::createPagePanel() {
  pagePanel = skin::createPanel(this, 0, 0, 268, 129);
  pageWaitLabel = skin::createLabel(pagePanel, "Get html from the URL, please wait...", 16, 20);
  pageUrlLabel = skin::createLabel(pagePanel, "", 16, 44);
  pageUrlLabel->resize(236, pageUrlLabel->height());
  pageStopButton = skin::createButton(pagePanel, "Stop", 94, 88, 80, 23);
}

void DownloadWindow::createDownloadPanel() {
  downloadPanel = skin::createPanel(this, 0, 0, 353, 202);
  downloadNameLabel = skin::createLabel(downloadPanel, "", 16, 10);
  downloadNameLabel->resize(321, downloadNameLabel->height());
  downloadProgressBar = skin::createProgressBar(downloadPanel, 16, 30, 321, 18);
  downloadProgressBar->setTextVisible(true);
  auto* details = new QGroupBox("Details", downloadPanel);
  details->setGeometry(16, 56, 321, 104);
  receivedLabel = createLabelPair(details, "Download Size: ", 12, 24);
  timeLeftLabel = createLabelPair(details, "Estimating time remaining: ", 12, 48);
  speedLabel = createLabelPair(details, "Download Speed\xEF\xBC\x9A", 12, 72);
  createIcon(details, 277, 20);
  downloadStopButton = skin::createButton(downloadPanel, "Stop", 137, 168, 80, 23);
}

void DownloadWindow::createConvertPanel() {
  convertPanel = skin::createPanel(this, 0, 0, 348, 145);
  auto* converting = new QGroupBox("Converting", convertPanel);
  converting->setGeometry(10, 8, 328, 96);
  convertNameLabel = skin::createLabel(converting, "", 12, 22);
  convertNameLabel->resize(262, convertNameLabel->height());
  convertProgressBar = skin::createProgressBar(converting, 12, 44, 262, 18);
  convertProgressBar->setTextVisible(true);
  timeElapsedLabel = createLabelPair(converting, "Time elapsed: ", 12, 70);
  timeElapsedLabel->setText("00:00");
  timeEstimatedLabel = createLabelPair(converting, "Time estimated: ", 160, 70);
  timeEstimatedLabel->setText("00:00");
  timeEstimatedLabel->resize(100, timeEstimatedLabel->height());
  createIcon(converting, 284, 36);
  convertStopButton = skin::createButton(convertPanel, "Stop", 134, 112, 80, 23);
}

void DownloadWindow::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (shown_) return;
  shown_ = true;
  // Every panel starts hidden and empty; the request then shows the first one.
  downloadProgressBar->setValue(0);
  convertProgressBar->setValue(0);
  for (QFrame* panel : {pagePanel, downloadPanel, convertPanel}) {
    panel->move(0, 0);
    panel->hide();
  }
  setWindowTitle(toQt(resources::loadString(resources::StringId::Title)));
  for (QLabel* label : {downloadNameLabel, receivedLabel, timeLeftLabel, speedLabel}) label->clear();
  if (!request_->sources.empty()) pageUrlLabel->setText(toQt(request_->sources.front()));
  request_->onWindowShown();
}

void DownloadWindow::showPanel(download::Panel panel) {
  QFrame* shown = panel == download::Panel::FetchPage  ? pagePanel
                  : panel == download::Panel::Download ? downloadPanel
                  : panel == download::Panel::Convert  ? convertPanel
                                                       : nullptr;
  for (QFrame* p : {pagePanel, downloadPanel, convertPanel}) p->setVisible(p == shown);
  if (shown != nullptr) setFixedSize(shown->size());
}

void DownloadWindow::centreOnOwner() {
  const QWidget* owner = parentWidget();
  if (owner == nullptr) return;
  const QRect outer = owner->frameGeometry();
  const QRect own = frameGeometry();
  move(outer.left() + (outer.width() - own.width()) / 2, outer.top() + (outer.height() - own.height()) / 2);
}

void DownloadWindow::showDownloadName(const std::string& text) {
  downloadNameLabel->setText(toQt(text));
  downloadNameLabel->setToolTip(toQt(text));
}

void DownloadWindow::showDownloadBar(std::int64_t received, std::int64_t total) {
  // No size announced: the bar only shows that data arrives.
  downloadProgressBar->setBusy(total < 0);
  if (total < 0) {
    downloadProgressBar->setRange(0, 0);
    return;
  }
  // The bar counts in int; sizes past its range are shown in larger units.
  const std::int64_t unit = total / std::numeric_limits<int>::max() + 1;
  downloadProgressBar->setRange(0, static_cast<int>(total / unit));
  downloadProgressBar->setValue(static_cast<int>(std::clamp<std::int64_t>(received, 0, total) / unit));
}

void DownloadWindow::showDownloadDetails(const std::string& received, const std::string& timeLeft,
                                         const std::string& speed) {
  receivedLabel->setText(toQt(received));
  timeLeftLabel->setText(toQt(timeLeft));
  speedLabel->setText(toQt(speed));
}

void DownloadWindow::showUrl(const std::string& address) {
  pageUrlLabel->setText(toQt(address));
}

void DownloadWindow::showConvertName(const std::string& name) {
  convertNameLabel->setText(toQt(name));
  convertNameLabel->setToolTip(toQt(name));
}

void DownloadWindow::showConvertProgress(int position, const std::string& elapsed,
                                         const std::string& estimated) {
  convertProgressBar->setValue(position);
  timeElapsedLabel->setText(toQt(elapsed));
  timeEstimatedLabel->setText(toQt(estimated));
}

void DownloadWindow::closeWindow(int modalResult) {
  if (!closing_) done(modalResult);
}

void DownloadWindow::onStopClicked() {
  request_->stop();
}

void DownloadWindow::reject() {
  done(platform::ModalResult::Cancel);
}

void DownloadWindow::done(int result) {
  if (closing_) return;
  closing_ = true;
  request_->onWindowClosed();
  QDialog::done(result);
}
