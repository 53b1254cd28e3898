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
MainWindow* mainWindow = nullptr;

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

MainWindow::MainWindow()
    : messages_(std::make_unique<platform::FunctionTarget>([this](auto& m) { handleMessage(m); })) {
  mainWindow = this;
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
  lowerSeparator->move(0, lowerSeparator->y());
  clipboard_ = std::make_unique<platform::ClipboardWatch>([this] { onClipboardChanged(); });
  setWindowTitle(Q(resources::loadString(resources::StringId::Title)));
  AccountName.clear();
  AccountPassword.clear();
  CreateConvertProcess();
  LoadSettings();
  updateLink->setStyleSheet("color: #ffffff;");

  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->availableGeometry();
    move(area.center() - QPoint(kClientWidth / 2, kClientHeight / 2));
  }
}

MainWindow::~MainWindow() {
  if (!closed_) onClose();
  if (mainWindow == this) mainWindow = nullptr;
}

void MainWindow::CreateControls() {
  bannerImage = new QLabel(this);
  bannerImage->setScaledContents(true);
  bannerImage->setPixmap(resources::BannerPicture(kClientWidth, 50));
  logoImage = CreatePicture(this, resources::LogoPicture(), 8, 8);
  logoImage->setCursor(Qt::PointingHandCursor);
  makerNameLabel = skin::CreateLabel(this, "Karvel Software", 65, 8);
  QFont titleFont = makerNameLabel->font();
  titleFont.setBold(true);
  titleFont.setPixelSize(15);
  makerNameLabel->setFont(titleFont);
  makerNameLabel->adjustSize();
  makerNameLabel->setStyleSheet("color: #ffffff;");
  makerNameLabel->setCursor(Qt::PointingHandCursor);
  taglineLabel = skin::CreateLabel(this, "Convert youtube video to mp3", 66, 27);
  taglineLabel->resize(266, taglineLabel->height());
  taglineLabel->setStyleSheet("color: #ffffff;");
  updateIcon = CreatePicture(this, resources::UpdatePicture(), 0, 9);
  updateLink = skin::CreateLinkLabel(this, "Check for updates...", 0, 18);

  contentPanel = skin::CreatePanel(this, 8, 50, kClientWidth - 16, kClientHeight - 50);
  sourceLabel = skin::CreateLabel(contentPanel,
                                  Q(resources::loadString(resources::StringId::EnterVideoUrlExample)), 0, 8);
  exampleUrlLink =
      skin::CreateLinkLabel(contentPanel, Q(common::SiteConfig::Current().ExampleWatchUrl), 132, 8);
  exampleUrlLink->setStyleSheet("color: #0000ff;");
  exampleUrlEnd = skin::CreateLabel(contentPanel, ")", 368, 8);
  exampleUrlEnd->hide();
  urlEdit = skin::CreateEdit(contentPanel, 0, 32, 390, 20);
  localFileEdit = skin::CreateEdit(contentPanel, 0, 32, 294, 20);
  selectFileButton = skin::CreateButton(contentPanel, "Browser...", 305, 30, 80, 23);
  selectFileButton->setToolTip("Select local video file");
  upperSeparator = skin::CreatePanel(contentPanel, 0, 63, 390, 2, true);
  lowerSeparator = skin::CreatePanel(contentPanel, 0, 126, 390, 2, true);
  CreateOutputPanel();
  CreateBottomControls();

  connect(selectFileButton, &QPushButton::clicked, this, [this] { onSelectFileClicked(); });
  connect(browseFolderButton, &QPushButton::clicked, this, [this] { onBrowseFolderClicked(); });
  connect(startButton, &QPushButton::clicked, this, [this] { onStartClicked(); });
  connect(showFilesButton, &QPushButton::clicked, this, [this] { onShowFilesClicked(); });
  connect(exitButton, &QPushButton::clicked, this, [this] { onExitClicked(); });
  connect(downloadConvertRadio, &QRadioButton::clicked, this, [this] { onDownloadConvertClicked(); });
  connect(convertLocalRadio, &QRadioButton::clicked, this, [this] { onConvertLocalClicked(); });
  for (QWidget* clickable : {logoImage, makerNameLabel, updateLink, menuImage, advancedLink})
    clickable->installEventFilter(this);
  CreateMenu();
}

void MainWindow::CreateOutputPanel() {
  outputPanel = skin::CreatePanel(contentPanel, 0, 70, 390, 50);
  outputFolderLabel = skin::CreateLabel(outputPanel, "Output Folder:", 0, 3);
  outputFolderEdit = skin::CreateEdit(outputPanel, 0, 25, 294, 20);
  browseFolderButton = skin::CreateButton(outputPanel, "Browser...", 305, 23, 80, 23);
  browseFolderButton->setToolTip("Set your default output folder");
}

void MainWindow::CreateBottomControls() {
  formatLabel = skin::CreateLabel(contentPanel, "Convert to:", 0, 138);
  formatCombo = skin::CreateDropDownList(contentPanel, 0, 158, 390, 21);
  for (const std::string& text : app::FormatListTexts()) formatCombo->addItem(QString::fromStdString(text));
  formatCombo->setCurrentIndex(1);
  downloadConvertRadio =
      skin::CreateRadioButton(contentPanel, "Download and convert video from YouTube", 0, 190, 390);
  convertLocalRadio = skin::CreateRadioButton(contentPanel, "Convert video from local FLV file", 0, 214, 390);
  downloadConvertRadio->setChecked(true);
  menuImage = CreatePicture(contentPanel, resources::MenuPicture(false), 3, 242);
  menuImage->setToolTip("Click to popup the menu");
  menuImage->setCursor(Qt::PointingHandCursor);
  advancedLink = skin::CreateLinkLabel(contentPanel, "Advanced", 37, 260);
  QFont bold = advancedLink->font();
  bold.setBold(true);
  advancedLink->setFont(bold);
  advancedLink->adjustSize();
  advancedLink->setStyleSheet("color: #0000ff;");
  startButton = skin::CreateButton(contentPanel, "Start...", 117, 249, 80, 23);
  showFilesButton = skin::CreateButton(contentPanel, "Show Files...", 211, 249, 80, 23);
  exitButton = skin::CreateButton(contentPanel, "Exit", 305, 249, 80, 23);
}

void MainWindow::CreateMenu() {
  popupMenu = new QMenu(this);
  homePageAction = popupMenu->addAction("&Home Page", this, [this] { onHomePageTriggered(); });
  popupMenu->addSeparator();
  donateAction = popupMenu->addAction("&Donate", this, [this] { onDonateTriggered(); });
  popupMenu->addSeparator();
  setAccountAction = popupMenu->addAction("&Set YouTube Account", this, [this] { onSetAccountTriggered(); });
  setAccountAction->setVisible(false);  // the account is not used by this build
  popupMenu->addSeparator();
  aboutAction = popupMenu->addAction("&About...", this, [this] { onAboutTriggered(); });
}

void MainWindow::LoadSettings() {
  const platform::IniFile ini(platform::SettingsFilePath());
  OutputDir = ini.ReadString(kSection, "OutputDirectory", platform::DefaultOutputDir());
  ModeIndex = ini.ReadInteger(kSection, "RadioButton", 0);
  FormatIndex = ini.ReadInteger(kSection, "ConvertFormat", 1);
}

void MainWindow::SaveSettings() {
  platform::IniFile ini(platform::SettingsFilePath());
  const std::string typed = outputFolderEdit->text().toStdString();
  if (platform::DirectoryExists(typed)) OutputDir = typed;
  ini.WriteString(kSection, "OutputDirectory", OutputDir);
  if (downloadConvertRadio->isChecked()) ModeIndex = 0;
  if (convertLocalRadio->isChecked()) ModeIndex = 1;
  ini.WriteInteger(kSection, "RadioButton", ModeIndex);
  FormatIndex = formatCombo->currentIndex();
  ini.WriteInteger(kSection, "ConvertFormat", FormatIndex);
  ini.UpdateFile();
}

void MainWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (shown_) return;
  shown_ = true;
  onFirstShow();
}

void MainWindow::onFirstShow() {
  if (ModeIndex == 0) {
    downloadConvertRadio->setChecked(true);
    ApplyMode(0);
  } else if (ModeIndex == 1) {
    convertLocalRadio->setChecked(true);
    ApplyMode(1);
  }
  outputFolderEdit->setText(Q(OutputDir));
  formatCombo->setCurrentIndex(FormatIndex >= 0 && FormatIndex < formatCombo->count() ? FormatIndex : -1);
  bannerImage->setGeometry(0, 0, width(), 50);
  bannerImage->lower();
  updateLink->move(width() - updateLink->width() - 10, updateLink->y());
  updateIcon->move(updateLink->x() - 20, updateIcon->y());
  localFileEdit->setGeometry(urlEdit->x(), urlEdit->y(), outputFolderEdit->width(), localFileEdit->height());
}

void MainWindow::ApplyMode(int mode) {
  const bool download = mode == 0;
  formatLabel->setEnabled(true);
  formatCombo->setEnabled(true);
  sourceLabel->setText(Q(resources::loadString(download ? resources::StringId::EnterVideoUrlExample
                                                        : resources::StringId::SelectVideoFile)));
  sourceLabel->adjustSize();
  FitExampleAddress();
  exampleUrlLink->setVisible(download);
  exampleUrlEnd->setVisible(download);
  urlEdit->setVisible(download);
  localFileEdit->setVisible(!download);
  selectFileButton->setVisible(!download);
}

// Keeps the example address clear of the caption before it and closes it with ")" right after it, whatever
// the width of the font the system gives.
void MainWindow::FitExampleAddress() {
  exampleUrlLink->move(std::max(132, sourceLabel->x() + sourceLabel->width()), exampleUrlLink->y());
  exampleUrlEnd->move(exampleUrlLink->x() + exampleUrlLink->width(), exampleUrlEnd->y());
}

void MainWindow::onDownloadConvertClicked() {
  ApplyMode(0);
}
void MainWindow::onConvertLocalClicked() {
  ApplyMode(1);
}

void MainWindow::onClipboardChanged() {
  const std::optional<std::string> text = platform::ClipboardWatch::Text(kMaxClipboardText);
  if (!text) return;
  const std::string trimmed = TrimBlanksAndControls(*text);
  if (!StartsWithNoCase(trimmed, common::SiteConfig::Current().StreamCachePrefix) &&
      ContainsNoCase(trimmed, ".com")) {
    urlEdit->setText(Q(trimmed));
  }
}

void MainWindow::handleMessage(platform::Message& msg) {
  if (msg.id == MainWindowMessage::ShowInstance) onShowInstance();
}

void MainWindow::onShowInstance() {
  show();
  if (isMinimized()) showNormal();
  raise();
  activateWindow();
}

void MainWindow::onBrowseFolderClicked() {
  std::string folder;
  if (!common::SelectFolder(resources::loadString(resources::StringId::SelectDirectory), "", folder)) return;
  outputFolderEdit->setText(Q(folder));
  OutputDir = outputFolderEdit->text().toStdString();
}

void MainWindow::onExitClicked() {
  close();
}

void MainWindow::onStartClicked() {
  try {
    const app::MainWindowFields fields{
        downloadConvertRadio->isChecked(),       convertLocalRadio->isChecked(),
        urlEdit->text().toStdString(),           localFileEdit->text().toStdString(),
        outputFolderEdit->text().toStdString(),  formatCombo->currentIndex(),
        formatCombo->currentText().toStdString()};
    app::startRequest(this, fields, OutputDir);
  } catch (...) {
    // A failed request leaves nothing to report; the main window stays usable.
  }
}

void MainWindow::onShowFilesClicked() {
  app::showFiles(outputFolderEdit->text().toStdString(), OutputDir);
}

void MainWindow::onSelectFileClicked() {
  if (const std::optional<std::string> file = app::selectLocalFile()) localFileEdit->setText(Q(*file));
}

void MainWindow::showPopupMenu() {
  popupMenu->popup(QCursor::pos());
}
void MainWindow::onHomePageTriggered() {
  platform::OpenUrl(resources::loadString(resources::StringId::ProductPage));
}
void MainWindow::onDonateTriggered() {
  platform::OpenUrl(resources::loadString(resources::StringId::DonationPage));
}
void MainWindow::onMakerNameClicked() {
  platform::OpenUrl(resources::kMakerSite);
}
void MainWindow::onUpdateLinkClicked() {
  platform::OpenUrl(resources::kUpdatePage);
}

void MainWindow::onAboutTriggered() {
  AboutBox about(this);
  about.exec();
}

void MainWindow::onSetAccountTriggered() {
  LoginDialog login(this);
  if (!AccountName.empty()) {
    login.userNameEdit->setText(Q(AccountName));
    login.passwordEdit->setText(Q(AccountPassword));
  }
  if (login.exec() != platform::ModalResult::Ok) return;
  AccountName = login.userNameEdit->text().toStdString();
  AccountPassword = login.passwordEdit->text().toStdString();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonRelease) {
    if (watched == logoImage) onHomePageTriggered();
    if (watched == makerNameLabel) onMakerNameClicked();
    if (watched == updateLink) onUpdateLinkClicked();
    if (watched == menuImage || watched == advancedLink) showPopupMenu();
  }
  if (watched == menuImage) {
    if (event->type() == QEvent::Enter) menuImage->setPixmap(resources::MenuPicture(true));
    if (event->type() == QEvent::Leave) menuImage->setPixmap(resources::MenuPicture(false));
  }
  return QWidget::eventFilter(watched, event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (!closed_) onClose();
  event->accept();
}

void MainWindow::onClose() {
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
