#include "app/MainWindow.h"

#include "app/AboutBox.h"
#include "app/FormatTable.h"
#include "app/LoginDialog.h"
#include "app/StartRequest.h"
#include "common/Global.h"
#include "common/SiteConfig.h"
#include "convert/ConvertProcess.h"
#include "platform/ClipboardWatch.h"
#include "platform/Dialogs.h"
#include "platform/IniFile.h"
#include "platform/Paths.h"
#include "platform/Shell.h"
#include "resources/Pictures.h"
#include "resources/Strings.h"
#include "resources/WebLinks.h"
#include "ui/skin/Controls.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QCursor>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>

#include <algorithm>

const char* const kMainWindowClassName = "Karvel Clipwave Made by Karvel Software";
TfrmMain* frmMain = nullptr;

namespace {

constexpr int kClientWidth = 407;
constexpr int kClientHeight = 334;
constexpr std::size_t kMaxClipboardText = 64 * 1024;  // longer copied text is never an address
const char* const kSection = "Options";

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

char LowerAscii(char c) {
  return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
  return text.size() >= prefix.size() &&
         std::equal(prefix.begin(), prefix.end(), text.begin(),
                    [](char a, char b) { return LowerAscii(a) == LowerAscii(b); });
}

bool ContainsNoCase(const std::string& text, const std::string& part) {
  return std::search(text.begin(), text.end(), part.begin(), part.end(),
                     [](char a, char b) { return LowerAscii(a) == LowerAscii(b); }) != text.end();
}

// Leading and trailing blanks and control characters removed.
std::string TrimBlanksAndControls(const std::string& text) {
  const auto keep = [](char c) { return static_cast<unsigned char>(c) > ' '; };
  auto begin = std::find_if(text.begin(), text.end(), keep);
  auto end = std::find_if(text.rbegin(), text.rend(), keep).base();
  return begin < end ? std::string(begin, end) : std::string();
}

QLabel* CreatePicture(QWidget* parent, const QPixmap& picture, int left, int top) {
  auto* image = new QLabel(parent);
  image->setPixmap(picture);
  image->setGeometry(left, top, picture.width(), picture.height());
  return image;
}

}  // namespace

TfrmMain::TfrmMain()
    : messages_(std::make_unique<platform::FunctionTarget>([this](auto& m) { WndProc(m); })) {
  frmMain = this;
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
  setFixedSize(kClientWidth, kClientHeight);
  // Liberation Sans has the metrics the window's positions were laid out for.
  QFont font("Liberation Sans");
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(11);
  setFont(font);
  setWindowIcon(QIcon(resources::ProgramIcon()));
  CreateControls();

  // FormCreate.
  pLine->move(0, pLine->y());
  clipboard_ = std::make_unique<platform::ClipboardWatch>([this] { ClipboardChanged(); });
  setWindowTitle(Q(resources::LoadStr(resources::sTitle)));
  AccountName.clear();
  AccountPassword.clear();
  CreateConvertProcess();
  LoadSettings();
  lUpdate->setStyleSheet("color: #ffffff;");

  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->availableGeometry();
    move(area.center() - QPoint(kClientWidth / 2, kClientHeight / 2));
  }
}

TfrmMain::~TfrmMain() {
  if (!closed_) FormClose();
  if (frmMain == this) frmMain = nullptr;
}

void TfrmMain::CreateControls() {
  imgTitle = new QLabel(this);
  imgTitle->setScaledContents(true);
  imgTitle->setPixmap(resources::BannerPicture(kClientWidth, 50));
  Image1 = CreatePicture(this, resources::LogoPicture(), 8, 8);
  Image1->setCursor(Qt::PointingHandCursor);
  lTitle = skin::CreateLabel(this, "Karvel Software", 65, 8);
  QFont titleFont = lTitle->font();
  titleFont.setBold(true);
  titleFont.setPixelSize(15);
  lTitle->setFont(titleFont);
  lTitle->adjustSize();
  lTitle->setStyleSheet("color: #ffffff;");
  lTitle->setCursor(Qt::PointingHandCursor);
  lTitleHint = skin::CreateLabel(this, "Convert youtube video to mp3", 66, 27);
  lTitleHint->resize(266, lTitleHint->height());
  lTitleHint->setStyleSheet("color: #ffffff;");
  iUpdate = CreatePicture(this, resources::UpdatePicture(), 0, 9);
  lUpdate = skin::CreateLinkLabel(this, "Check for updates...", 0, 18);

  pSingleMode = skin::CreatePanel(this, 8, 50, kClientWidth - 16, kClientHeight - 50);
  lVideo = skin::CreateLabel(pSingleMode, Q(resources::LoadStr(resources::sEnterVideoUrlExample)), 0, 8);
  lUrl = skin::CreateLinkLabel(pSingleMode, Q(global::SiteConfig::Current().ExampleWatchUrl), 132, 8);
  lUrl->setStyleSheet("color: #0000ff;");
  lUrlEnd = skin::CreateLabel(pSingleMode, ")", 368, 8);
  lUrlEnd->hide();
  eUrl = skin::CreateEdit(pSingleMode, 0, 32, 390, 20);
  eFileName = skin::CreateEdit(pSingleMode, 0, 32, 294, 20);
  bSelectFile = skin::CreateButton(pSingleMode, "Browser...", 305, 30, 80, 23);
  bSelectFile->setToolTip("Select local video file");
  Panel2 = skin::CreatePanel(pSingleMode, 0, 63, 390, 2, true);
  pLine = skin::CreatePanel(pSingleMode, 0, 126, 390, 2, true);
  CreateOutputPanel();
  CreateBottomControls();

  connect(bSelectFile, &QPushButton::clicked, this, [this] { bSelectFileClick(); });
  connect(bBrowser, &QPushButton::clicked, this, [this] { bBrowserClick(); });
  connect(bStart, &QPushButton::clicked, this, [this] { bStartClick(); });
  connect(bShowFiles, &QPushButton::clicked, this, [this] { bShowFilesClick(); });
  connect(bExit, &QPushButton::clicked, this, [this] { bExitClick(); });
  connect(rbDownloadConvert, &QRadioButton::clicked, this, [this] { rbDownloadConvertClick(); });
  connect(rbConvert, &QRadioButton::clicked, this, [this] { rbConvertClick(); });
  for (QWidget* clickable : {Image1, lTitle, lUpdate, WlmShiftImage1, lbEAddress})
    clickable->installEventFilter(this);
  CreateMenu();
}

void TfrmMain::CreateOutputPanel() {
  pOutput = skin::CreatePanel(pSingleMode, 0, 70, 390, 50);
  lOutputFolder = skin::CreateLabel(pOutput, "Output Folder:", 0, 3);
  eOutputFolder = skin::CreateEdit(pOutput, 0, 25, 294, 20);
  bBrowser = skin::CreateButton(pOutput, "Browser...", 305, 23, 80, 23);
  bBrowser->setToolTip("Set your default output folder");
}

void TfrmMain::CreateBottomControls() {
  lConvertTo = skin::CreateLabel(pSingleMode, "Convert to:", 0, 138);
  cbFormat = skin::CreateDropDownList(pSingleMode, 0, 158, 390, 21);
  for (const std::string& text : app::FormatListTexts()) cbFormat->addItem(QString::fromStdString(text));
  cbFormat->setCurrentIndex(1);
  rbDownloadConvert =
      skin::CreateRadioButton(pSingleMode, "Download and convert video from YouTube", 0, 190, 390);
  rbConvert = skin::CreateRadioButton(pSingleMode, "Convert video from local FLV file", 0, 214, 390);
  rbDownloadConvert->setChecked(true);
  WlmShiftImage1 = CreatePicture(pSingleMode, resources::MenuPicture(false), 3, 242);
  WlmShiftImage1->setToolTip("Click to popup the menu");
  WlmShiftImage1->setCursor(Qt::PointingHandCursor);
  lbEAddress = skin::CreateLinkLabel(pSingleMode, "Advanced", 37, 260);
  QFont bold = lbEAddress->font();
  bold.setBold(true);
  lbEAddress->setFont(bold);
  lbEAddress->adjustSize();
  lbEAddress->setStyleSheet("color: #0000ff;");
  bStart = skin::CreateButton(pSingleMode, "Start...", 117, 249, 80, 23);
  bShowFiles = skin::CreateButton(pSingleMode, "Show Files...", 211, 249, 80, 23);
  bExit = skin::CreateButton(pSingleMode, "Exit", 305, 249, 80, 23);
}

void TfrmMain::CreateMenu() {
  suiPopupMenu1 = new QMenu(this);
  Homepage1 = suiPopupMenu1->addAction("&Home Page", this, [this] { Homepage1Click(); });
  suiPopupMenu1->addSeparator();
  Donate1 = suiPopupMenu1->addAction("&Donate", this, [this] { Donate1Click(); });
  suiPopupMenu1->addSeparator();
  miSetYouTubeaccount =
      suiPopupMenu1->addAction("&Set YouTube Account", this, [this] { miSetYouTubeaccountClick(); });
  miSetYouTubeaccount->setVisible(false);  // the account is not used by this build
  suiPopupMenu1->addSeparator();
  About1 = suiPopupMenu1->addAction("&About...", this, [this] { About1Click(); });
}

void TfrmMain::LoadSettings() {
  const platform::IniFile ini(platform::SettingsFilePath());
  OutputDir = ini.ReadString(kSection, "OutputDirectory", platform::DefaultOutputDir());
  ModeIndex = ini.ReadInteger(kSection, "RadioButton", 0);
  FormatIndex = ini.ReadInteger(kSection, "ConvertFormat", 1);
}

void TfrmMain::SaveSettings() {
  platform::IniFile ini(platform::SettingsFilePath());
  const std::string typed = eOutputFolder->text().toStdString();
  if (platform::DirectoryExists(typed)) OutputDir = typed;
  ini.WriteString(kSection, "OutputDirectory", OutputDir);
  if (rbDownloadConvert->isChecked()) ModeIndex = 0;
  if (rbConvert->isChecked()) ModeIndex = 1;
  ini.WriteInteger(kSection, "RadioButton", ModeIndex);
  FormatIndex = cbFormat->currentIndex();
  ini.WriteInteger(kSection, "ConvertFormat", FormatIndex);
  ini.UpdateFile();
}

void TfrmMain::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (shown_) return;
  shown_ = true;
  FormShow();
}

void TfrmMain::FormShow() {
  if (ModeIndex == 0) {
    rbDownloadConvert->setChecked(true);
    ApplyMode(0);
  } else if (ModeIndex == 1) {
    rbConvert->setChecked(true);
    ApplyMode(1);
  }
  eOutputFolder->setText(Q(OutputDir));
  cbFormat->setCurrentIndex(FormatIndex >= 0 && FormatIndex < cbFormat->count() ? FormatIndex : -1);
  imgTitle->setGeometry(0, 0, width(), 50);
  imgTitle->lower();
  lUpdate->move(width() - lUpdate->width() - 10, lUpdate->y());
  iUpdate->move(lUpdate->x() - 20, iUpdate->y());
  eFileName->setGeometry(eUrl->x(), eUrl->y(), eOutputFolder->width(), eFileName->height());
}

void TfrmMain::ApplyMode(int mode) {
  const bool download = mode == 0;
  lConvertTo->setEnabled(true);
  cbFormat->setEnabled(true);
  lVideo->setText(
      Q(resources::LoadStr(download ? resources::sEnterVideoUrlExample : resources::sSelectVideoFile)));
  lVideo->adjustSize();
  FitExampleAddress();
  lUrl->setVisible(download);
  lUrlEnd->setVisible(download);
  eUrl->setVisible(download);
  eFileName->setVisible(!download);
  bSelectFile->setVisible(!download);
}

// Keeps the example address clear of the caption before it and closes it with ")" right after it, whatever
// the width of the font the system gives.
void TfrmMain::FitExampleAddress() {
  lUrl->move(std::max(132, lVideo->x() + lVideo->width()), lUrl->y());
  lUrlEnd->move(lUrl->x() + lUrl->width(), lUrlEnd->y());
}

void TfrmMain::rbDownloadConvertClick() {
  ApplyMode(0);
}
void TfrmMain::rbConvertClick() {
  ApplyMode(1);
}

void TfrmMain::ClipboardChanged() {
  const std::optional<std::string> text = platform::ClipboardWatch::Text(kMaxClipboardText);
  if (!text) return;
  const std::string trimmed = TrimBlanksAndControls(*text);
  if (!StartsWithNoCase(trimmed, global::SiteConfig::Current().StreamCachePrefix) &&
      ContainsNoCase(trimmed, ".com")) {
    eUrl->setText(Q(trimmed));
  }
}

void TfrmMain::WndProc(platform::Message& msg) {
  if (msg.Msg == WM_SHOW_INSTANCE) WMShowInstance();
}

void TfrmMain::WMShowInstance() {
  show();
  if (isMinimized()) showNormal();
  raise();
  activateWindow();
}

void TfrmMain::bBrowserClick() {
  std::string folder;
  if (!global::SelectFolder(resources::LoadStr(resources::sSelectDirectory), "", folder)) return;
  eOutputFolder->setText(Q(folder));
  OutputDir = eOutputFolder->text().toStdString();
}

void TfrmMain::bExitClick() {
  close();
}

void TfrmMain::bStartClick() {
  try {
    const app::MainWindowFields fields{rbDownloadConvert->isChecked(),       rbConvert->isChecked(),
                                       eUrl->text().toStdString(),           eFileName->text().toStdString(),
                                       eOutputFolder->text().toStdString(),  cbFormat->currentIndex(),
                                       cbFormat->currentText().toStdString()};
    app::StartClick(this, fields, OutputDir);
  } catch (...) {
    // A failed request leaves nothing to report; the main window stays usable.
  }
}

void TfrmMain::bShowFilesClick() {
  app::ShowFilesClick(eOutputFolder->text().toStdString(), OutputDir);
}

void TfrmMain::bSelectFileClick() {
  if (const std::optional<std::string> file = app::SelectFileClick()) eFileName->setText(Q(*file));
}

void TfrmMain::iAboutClick() {
  suiPopupMenu1->popup(QCursor::pos());
}
void TfrmMain::Homepage1Click() {
  platform::OpenUrl(resources::LoadStr(resources::sProductPage));
}
void TfrmMain::Donate1Click() {
  platform::OpenUrl(resources::LoadStr(resources::sDonationPage));
}
void TfrmMain::lTitleClick() {
  platform::OpenUrl(resources::kMakerSite);
}
void TfrmMain::lUpdateClick() {
  platform::OpenUrl(resources::kUpdatePage);
}

void TfrmMain::About1Click() {
  TfrmAbout about(this);
  about.exec();
}

void TfrmMain::miSetYouTubeaccountClick() {
  TfrmLogin login(this);
  if (!AccountName.empty()) {
    login.eUsername->setText(Q(AccountName));
    login.ePassword->setText(Q(AccountPassword));
  }
  if (login.exec() != platform::mrOk) return;
  AccountName = login.eUsername->text().toStdString();
  AccountPassword = login.ePassword->text().toStdString();
}

bool TfrmMain::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonRelease) {
    if (watched == Image1) Homepage1Click();
    if (watched == lTitle) lTitleClick();
    if (watched == lUpdate) lUpdateClick();
    if (watched == WlmShiftImage1 || watched == lbEAddress) iAboutClick();
  }
  if (watched == WlmShiftImage1) {
    if (event->type() == QEvent::Enter) WlmShiftImage1->setPixmap(resources::MenuPicture(true));
    if (event->type() == QEvent::Leave) WlmShiftImage1->setPixmap(resources::MenuPicture(false));
  }
  return QWidget::eventFilter(watched, event);
}

void TfrmMain::closeEvent(QCloseEvent* event) {
  if (!closed_) FormClose();
  event->accept();
}

void TfrmMain::FormClose() {
  closed_ = true;
  try {
    SaveSettings();
  } catch (...) {
  }
  try {
    clipboard_.reset();
  } catch (...) {
  }
  try {
    DestroyConvertProcess();
  } catch (...) {
  }
}
