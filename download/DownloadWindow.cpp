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

TfrmDownload::TfrmDownload(QWidget* owner, const download::ConversionRequest& request,
                           const std::string& outputFolder)
    : QDialog(owner) {
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  setModal(true);
  if (owner != nullptr) setFont(owner->font());
  CreatePanel1();
  CreatePanel2();
  CreatePanel3();
  for (QPushButton* stop : {bStop, suiButton1, suiButton2})
    connect(stop, &QPushButton::clicked, this, [this] { bStopClick(); });
  download::RequestView& view = *this;
  request_ = std::make_unique<download::TDownloadRequest>(request, outputFolder, view);
  if (request.Mode != download::rmConvertLocalFile) {
    // The engine behind the controls starts with their first page, not before.
    WebBrowser_1 = platform::CreateWebBrowser();
    WebBrowser_2 = platform::CreateWebBrowser();
    request_->UseBrowsers(*WebBrowser_1, *WebBrowser_2);
  }
}

TfrmDownload::~TfrmDownload() = default;

void TfrmDownload::CreatePanel1() {
  Panel1 = skin::CreatePanel(this, 0, 0, 268, 129);
  Label1 = skin::CreateLabel(Panel1, "Get html from the URL, please wait...", 16, 20);
  lUrl = skin::CreateLabel(Panel1, "", 16, 44);
  lUrl->resize(236, lUrl->height());
  bStop = skin::CreateButton(Panel1, "Stop", 94, 88, 80, 23);
}

void TfrmDownload::CreatePanel2() {
  Panel2 = skin::CreatePanel(this, 0, 0, 353, 202);
  lFileName = skin::CreateLabel(Panel2, "", 16, 10);
  lFileName->resize(321, lFileName->height());
  suiProgressBar1 = skin::CreateProgressBar(Panel2, 16, 30, 321, 18);
  suiProgressBar1->setTextVisible(true);
  auto* details = new QGroupBox("Details", Panel2);
  details->setGeometry(16, 56, 321, 104);
  lReceiveData = CreateLabelPair(details, "Download Size: ", 12, 24);
  lEstimateTime = CreateLabelPair(details, "Estimating time remaining: ", 12, 48);
  lReceiveSpeed = CreateLabelPair(details, "Download Speed\xEF\xBC\x9A", 12, 72);
  CreateIcon(details, 277, 20);
  suiButton1 = skin::CreateButton(Panel2, "Stop", 137, 168, 80, 23);
}

void TfrmDownload::CreatePanel3() {
  Panel3 = skin::CreatePanel(this, 0, 0, 348, 145);
  auto* converting = new QGroupBox("Converting", Panel3);
  converting->setGeometry(10, 8, 328, 96);
  lConvertName = skin::CreateLabel(converting, "", 12, 22);
  lConvertName->resize(262, lConvertName->height());
  suiProgressBar2 = skin::CreateProgressBar(converting, 12, 44, 262, 18);
  suiProgressBar2->setTextVisible(true);
  lTimeElapsed = CreateLabelPair(converting, "Time elapsed: ", 12, 70);
  lTimeElapsed->setText("00:00");
  lTimeEstimated = CreateLabelPair(converting, "Time estimated: ", 160, 70);
  lTimeEstimated->setText("00:00");
  lTimeEstimated->resize(100, lTimeEstimated->height());
  CreateIcon(converting, 284, 36);
  suiButton2 = skin::CreateButton(Panel3, "Stop", 134, 112, 80, 23);
}

void TfrmDownload::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (shown_) return;
  shown_ = true;
  // FormShow.
  suiProgressBar1->setValue(0);
  suiProgressBar2->setValue(0);
  for (QFrame* panel : {Panel1, Panel2, Panel3}) {
    panel->move(0, 0);
    panel->hide();
  }
  setWindowTitle(Q(resources::LoadStr(resources::sTitle)));
  for (QLabel* label : {lFileName, lReceiveData, lEstimateTime, lReceiveSpeed}) label->clear();
  if (!request_->Sources.empty()) lUrl->setText(Q(request_->Sources.front()));
  request_->FormShow();
}

void TfrmDownload::ShowPanel(download::Panel panel) {
  QFrame* shown = panel == download::Panel::FetchPage  ? Panel1
                  : panel == download::Panel::Download ? Panel2
                  : panel == download::Panel::Convert  ? Panel3
                                                       : nullptr;
  for (QFrame* p : {Panel1, Panel2, Panel3}) p->setVisible(p == shown);
  if (shown != nullptr) setFixedSize(shown->size());
}

void TfrmDownload::CentreOnOwner() {
  const QWidget* owner = parentWidget();
  if (owner == nullptr) return;
  const QRect outer = owner->frameGeometry();
  const QRect own = frameGeometry();
  move(outer.left() + (outer.width() - own.width()) / 2, outer.top() + (outer.height() - own.height()) / 2);
}

void TfrmDownload::ShowDownloadName(const std::string& text) {
  lFileName->setText(Q(text));
  lFileName->setToolTip(Q(text));
}

void TfrmDownload::ShowDownloadBar(std::int64_t received, std::int64_t total) {
  if (total < 0) {
    suiProgressBar1->setRange(0, 0);  // no size announced: the bar only shows that data arrives
    return;
  }
  // The bar counts in int; sizes past its range are shown in larger units.
  const std::int64_t unit = total / std::numeric_limits<int>::max() + 1;
  suiProgressBar1->setRange(0, static_cast<int>(total / unit));
  suiProgressBar1->setValue(static_cast<int>(std::clamp<std::int64_t>(received, 0, total) / unit));
}

void TfrmDownload::ShowDownloadDetails(const std::string& received, const std::string& timeLeft,
                                       const std::string& speed) {
  lReceiveData->setText(Q(received));
  lEstimateTime->setText(Q(timeLeft));
  lReceiveSpeed->setText(Q(speed));
}

void TfrmDownload::ShowUrl(const std::string& address) {
  lUrl->setText(Q(address));
}

void TfrmDownload::ShowConvertName(const std::string& name) {
  lConvertName->setText(Q(name));
  lConvertName->setToolTip(Q(name));
}

void TfrmDownload::ShowConvertProgress(int position, const std::string& elapsed,
                                       const std::string& estimated) {
  suiProgressBar2->setValue(position);
  lTimeElapsed->setText(Q(elapsed));
  lTimeEstimated->setText(Q(estimated));
}

void TfrmDownload::CloseWindow(int modalResult) {
  if (!closing_) done(modalResult);
}

void TfrmDownload::bStopClick() {
  request_->Stop();
}

void TfrmDownload::reject() {
  done(platform::mrCancel);
}

void TfrmDownload::done(int result) {
  if (closing_) return;
  closing_ = true;
  request_->FormClose();
  QDialog::done(result);
}
