#include "download/DownloadWindow.h"

#include "platform/Dialogs.h"
#include "platform/browser/CreateWebBrowser.h"
#include "resources/Pictures.h"
#include "resources/Strings.h"
#include "ui/skin/Controls.h"

#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include <algorithm>
#include <limits>

namespace {

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

QLabel* CreateIcon(QWidget* parent, int left, int top) {
  auto* icon = new QLabel(parent);
  icon->setPixmap(resources::ProgramIcon().scaled(32, 32, Qt::KeepAspectRatio, Qt::SmoothTransformation));
  icon->setGeometry(left, top, 32, 32);
  return icon;
}

// A caption label followed by a value label on the same line.
QLabel* CreateLabelPair(QWidget* parent, const QString& caption, int left, int top) {
  QLabel* label = skin::CreateLabel(parent, caption, left, top);
  QLabel* value = skin::CreateLabel(parent, "", left + label->width(), top);
  value->resize(200, label->height());
  return value;
}

}  // namespace

DownloadWindow::DownloadWindow(QWidget* owner, const download::ConversionRequest& request,
                               const std::string& outputFolder)
    : QDialog(owner) {
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  setModal(true);
  if (owner != nullptr) setFont(owner->font());
  createPagePanel();
  createDownloadPanel();
  createConvertPanel();
  for (QPushButton* stop : {pageStopButton, downloadStopButton, convertStopButton})
    connect(stop, &QPushButton::clicked, this, [this] { onStopClicked(); });
  download::RequestView& view = *this;
  request_ = std::make_unique<download::DownloadRequest>(request, outputFolder, view);
  if (request.Mode != download::RequestMode::ConvertLocalFile) {
    // The engine behind the controls starts with their first page, not before.
    firstBrowser_ = platform::CreateWebBrowser();
    secondBrowser_ = platform::CreateWebBrowser();
    request_->UseBrowsers(*firstBrowser_, *secondBrowser_);
  }
}

DownloadWindow::~DownloadWindow() = default;

void DownloadWindow::createPagePanel() {
  pagePanel = skin::CreatePanel(this, 0, 0, 268, 129);
  pageWaitLabel = skin::CreateLabel(pagePanel, "Get html from the URL, please wait...", 16, 20);
  pageUrlLabel = skin::CreateLabel(pagePanel, "", 16, 44);
  pageUrlLabel->resize(236, pageUrlLabel->height());
  pageStopButton = skin::CreateButton(pagePanel, "Stop", 94, 88, 80, 23);
}

void DownloadWindow::createDownloadPanel() {
  downloadPanel = skin::CreatePanel(this, 0, 0, 353, 202);
  downloadNameLabel = skin::CreateLabel(downloadPanel, "", 16, 10);
  downloadNameLabel->resize(321, downloadNameLabel->height());
  downloadProgressBar = skin::CreateProgressBar(downloadPanel, 16, 30, 321, 18);
  downloadProgressBar->setTextVisible(true);
  auto* details = new QGroupBox("Details", downloadPanel);
  details->setGeometry(16, 56, 321, 104);
  receivedLabel = CreateLabelPair(details, "Download Size: ", 12, 24);
  timeLeftLabel = CreateLabelPair(details, "Estimating time remaining: ", 12, 48);
  speedLabel = CreateLabelPair(details, "Download Speed\xEF\xBC\x9A", 12, 72);
  CreateIcon(details, 277, 20);
  downloadStopButton = skin::CreateButton(downloadPanel, "Stop", 137, 168, 80, 23);
}

void DownloadWindow::createConvertPanel() {
  convertPanel = skin::CreatePanel(this, 0, 0, 348, 145);
  auto* converting = new QGroupBox("Converting", convertPanel);
  converting->setGeometry(10, 8, 328, 96);
  convertNameLabel = skin::CreateLabel(converting, "", 12, 22);
  convertNameLabel->resize(262, convertNameLabel->height());
  convertProgressBar = skin::CreateProgressBar(converting, 12, 44, 262, 18);
  convertProgressBar->setTextVisible(true);
  timeElapsedLabel = CreateLabelPair(converting, "Time elapsed: ", 12, 70);
  timeElapsedLabel->setText("00:00");
  timeEstimatedLabel = CreateLabelPair(converting, "Time estimated: ", 160, 70);
  timeEstimatedLabel->setText("00:00");
  timeEstimatedLabel->resize(100, timeEstimatedLabel->height());
  CreateIcon(converting, 284, 36);
  convertStopButton = skin::CreateButton(convertPanel, "Stop", 134, 112, 80, 23);
}

void DownloadWindow::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (shown_) return;
  shown_ = true;
  // onWindowShown.
  downloadProgressBar->setValue(0);
  convertProgressBar->setValue(0);
  for (QFrame* panel : {pagePanel, downloadPanel, convertPanel}) {
    panel->move(0, 0);
    panel->hide();
  }
  setWindowTitle(Q(resources::loadString(resources::StringId::Title)));
  for (QLabel* label : {downloadNameLabel, receivedLabel, timeLeftLabel, speedLabel}) label->clear();
  if (!request_->Sources.empty()) pageUrlLabel->setText(Q(request_->Sources.front()));
  request_->onWindowShown();
}

void DownloadWindow::ShowPanel(download::Panel panel) {
  QFrame* shown = panel == download::Panel::FetchPage  ? pagePanel
                  : panel == download::Panel::Download ? downloadPanel
                  : panel == download::Panel::Convert  ? convertPanel
                                                       : nullptr;
  for (QFrame* p : {pagePanel, downloadPanel, convertPanel}) p->setVisible(p == shown);
  if (shown != nullptr) setFixedSize(shown->size());
}

void DownloadWindow::CentreOnOwner() {
  const QWidget* owner = parentWidget();
  if (owner == nullptr) return;
  const QRect outer = owner->frameGeometry();
  const QRect own = frameGeometry();
  move(outer.left() + (outer.width() - own.width()) / 2, outer.top() + (outer.height() - own.height()) / 2);
}

void DownloadWindow::ShowDownloadName(const std::string& text) {
  downloadNameLabel->setText(Q(text));
  downloadNameLabel->setToolTip(Q(text));
}

void DownloadWindow::ShowDownloadBar(std::int64_t received, std::int64_t total) {
  if (total < 0) {
    downloadProgressBar->setRange(0, 0);  // no size announced: the bar only shows that data arrives
    return;
  }
  // The bar counts in int; sizes past its range are shown in larger units.
  const std::int64_t unit = total / std::numeric_limits<int>::max() + 1;
  downloadProgressBar->setRange(0, static_cast<int>(total / unit));
  downloadProgressBar->setValue(static_cast<int>(std::clamp<std::int64_t>(received, 0, total) / unit));
}

void DownloadWindow::ShowDownloadDetails(const std::string& received, const std::string& timeLeft,
                                         const std::string& speed) {
  receivedLabel->setText(Q(received));
  timeLeftLabel->setText(Q(timeLeft));
  speedLabel->setText(Q(speed));
}

void DownloadWindow::ShowUrl(const std::string& address) {
  pageUrlLabel->setText(Q(address));
}

void DownloadWindow::ShowConvertName(const std::string& name) {
  convertNameLabel->setText(Q(name));
  convertNameLabel->setToolTip(Q(name));
}

void DownloadWindow::ShowConvertProgress(int position, const std::string& elapsed,
                                         const std::string& estimated) {
  convertProgressBar->setValue(position);
  timeElapsedLabel->setText(Q(elapsed));
  timeEstimatedLabel->setText(Q(estimated));
}

void DownloadWindow::CloseWindow(int modalResult) {
  if (!closing_) done(modalResult);
}

void DownloadWindow::onStopClicked() {
  request_->Stop();
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
