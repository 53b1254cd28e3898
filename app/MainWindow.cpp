#include "app/MainWindow.h"

#include "app/AboutBox.h"
#include "app/FolderPicker.h"
#include "app/LoginDialog.h"
#include "app/QueueSession.h"
#include "app/QueueWindow.h"
#include "app/StartRequest.h"
#include "common/Addresses.h"
#include "common/AudioFormats.h"
#include "common/Settings.h"
#include "common/SiteConfig.h"
#include "common/Text.h"
#include "convert/ConvertProcess.h"
#include "download/sites/PlaylistProbe.h"
#include "download/sites/ResolverLocator.h"
#include "platform/ClipboardWatch.h"
#include "platform/Dialogs.h"
#include "platform/Paths.h"
#include "platform/Shell.h"
#include "platform/browser/WebEngineModule.h"
#include "queue/Queue.h"
#include "queue/QueueStore.h"
#include "resources/Pictures.h"
#include "resources/Strings.h"
#include "resources/WebLinks.h"
#include "ui/skin/Controls.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QCursor>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShortcut>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <cstring>
#include <iterator>

namespace app {

const char* const kMainWindowClassName = "Karvel Clipwave Made by Karvel Software";
MainWindow* mainWindow = nullptr;

namespace {

constexpr int kClientWidth = 407;
constexpr int kClientHeight = 334;
constexpr std::size_t kMaxClipboardText = 64 * 1024;  // longer copied text is never an address
// Pasted or dropped text read for addresses: 10,000 long addresses fit.
constexpr std::size_t kMaxDroppedText = 16 * 1024 * 1024;

QString toQt(const std::string& text) {
  return QString::fromStdString(text);
}

// The label's text colour, set in its palette: a style sheet would do the same at a higher cost.
void setTextColour(QLabel* label, const QColor& colour) {
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, colour);
  label->setPalette(palette);
}

// A place for a picture, given once it is drawn.
QLabel* createPicture(QWidget* parent, QSize size, int left, int top) {
  auto* image = new QLabel(parent);
  image->setGeometry(QRect(QPoint(left, top), size));
  return image;
}

}  // namespace

MainWindow::MainWindow()
    : mailbox_(
          std::make_unique<platform::Mailbox<ShowInstance>>([this](ShowInstance&) { onShowInstance(); })) {
  mainWindow = this;
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
  setFixedSize(kClientWidth, kClientHeight);
  setFont(skin::windowFont());
  // The pictures are drawn on a second thread while the controls are made.
  std::future<resources::MainPictures> pictures = resources::drawMainPictures(QSize(kClientWidth, 50));
  createControls();

  // The clipboard watch, the title, the account, the conversion object and the settings.
  lowerSeparator->move(0, lowerSeparator->y());
  clipboard_ = std::make_unique<platform::ClipboardWatch>([this] { onClipboardChanged(); });
  setWindowTitle(toQt(resources::loadString(resources::StringId::Title)));
  accountName.clear();
  accountPassword.clear();
  convert::createConvertProcess();
  loadSettings();
  updateLink->setLinkColours(Qt::white, updateLink->hoverColour());
  showPictures(pictures.get());

  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->availableGeometry();
    move(area.center() - QPoint(kClientWidth / 2, kClientHeight / 2));
  }
  setUpKeyboardAndNames();
}

// The keyboard and screen readers: the links and the menu image answer Enter and Space as a click, Shift+F10
// and the Menu key open the pop-up menu, the example address (which does nothing when clicked) is passed over
// by Tab, and each field and list is labelled by the caption above it.
void MainWindow::setUpKeyboardAndNames() {
  connect(updateLink, &skin::ClickableLabel::clicked, this, [this] { onUpdateLinkClicked(); });
  for (QLabel* opener : {menuImage, advancedLink})
    connect(qobject_cast<skin::ClickableLabel*>(opener), &skin::ClickableLabel::clicked, this,
            [this](bool byKeyboard) { byKeyboard ? showPopupMenuFromKeyboard() : showPopupMenu(); });
  for (const QKeySequence& keys : {QKeySequence(Qt::SHIFT | Qt::Key_F10), QKeySequence(Qt::Key_Menu)}) {
    auto* shortcut = new QShortcut(keys, this);
    connect(shortcut, &QShortcut::activated, this, [this] { showPopupMenuFromKeyboard(); });
  }
  exampleUrlLink->setFocusPolicy(Qt::NoFocus);
  sourceLabel->setBuddy(modeIndex == 1 ? localFileEdit : urlEdit);
  outputFolderLabel->setBuddy(outputFolderEdit);
  formatLabel->setBuddy(formatCombo);
}

MainWindow::~MainWindow() {
  if (!closed_) onClose();
  if (mainWindow == this) mainWindow = nullptr;
}

void MainWindow::createControls() {
  bannerImage = createPicture(this, QSize(kClientWidth, 50), 0, 0);
  bannerImage->setScaledContents(true);
  logoImage = createPicture(this, resources::kLogoSize, 8, 8);
  logoImage->setCursor(Qt::PointingHandCursor);
  makerNameLabel = skin::createLabel(this, "Karvel Software", 65, 8);
  QFont titleFont = makerNameLabel->font();
  titleFont.setBold(true);
  titleFont.setPixelSize(15);
  makerNameLabel->setFont(titleFont);
  makerNameLabel->adjustSize();
  setTextColour(makerNameLabel, Qt::white);
  makerNameLabel->setCursor(Qt::PointingHandCursor);
  taglineLabel = skin::createLabel(this, tr("Convert youtube video to mp3"), 66, 27);
  taglineLabel->resize(266, taglineLabel->height());
  setTextColour(taglineLabel, Qt::white);
  updateIcon = createPicture(this, resources::kUpdateSize, 0, 9);
  updateLink = skin::createLinkLabel(this, tr("Check for updates..."), 0, 18, Qt::blue, Qt::red);

  contentPanel = skin::createPanel(this, 8, 50, kClientWidth - 16, kClientHeight - 50);
  sourceLabel = skin::createLabel(
      contentPanel, toQt(resources::loadString(resources::StringId::EnterVideoUrlExample)), 0, 8);
  exampleUrlLink =
      skin::createLinkLabel(contentPanel, toQt(common::SiteConfig::current().exampleWatchUrl), 132, 8);
  exampleUrlEnd = skin::createLabel(contentPanel, ")", 368, 8);
  exampleUrlEnd->hide();
  urlEdit = skin::createEdit(contentPanel, 0, 32, 390, 20);
  localFileEdit = skin::createEdit(contentPanel, 0, 32, 294, 20);
  selectFileButton = skin::createButton(contentPanel, tr("Browser..."), 305, 30, 80, 23);
  selectFileButton->setToolTip(tr("Select local video file"));
  upperSeparator = skin::createPanel(contentPanel, 0, 63, 390, 2, true);
  lowerSeparator = skin::createPanel(contentPanel, 0, 126, 390, 2, true);
  createOutputPanel();
  createBottomControls();

  connect(selectFileButton, &QPushButton::clicked, this, [this] { onSelectFileClicked(); });
  connect(browseFolderButton, &QPushButton::clicked, this, [this] { onBrowseFolderClicked(); });
  connect(startButton, &QPushButton::clicked, this, [this] { onStartClicked(); });
  connect(showFilesButton, &QPushButton::clicked, this, [this] { onShowFilesClicked(); });
  connect(exitButton, &QPushButton::clicked, this, [this] { onExitClicked(); });
  connect(downloadConvertRadio, &QRadioButton::clicked, this, [this] { onDownloadConvertClicked(); });
  connect(convertLocalRadio, &QRadioButton::clicked, this, [this] { onConvertLocalClicked(); });
  // Several addresses pasted or dropped into the address field go to the queue; links and files dropped on
  // the window too.
  urlEdit->installEventFilter(this);
  localFileEdit->installEventFilter(this);
  setAcceptDrops(true);
  for (QWidget* clickable : {logoImage, makerNameLabel}) clickable->installEventFilter(this);
  createMenu();
}

void MainWindow::showPictures(const resources::MainPictures& pictures) {
  setWindowIcon(QIcon(QPixmap::fromImage(pictures.icon)));
  bannerImage->setPixmap(QPixmap::fromImage(pictures.banner));
  logoImage->setPixmap(QPixmap::fromImage(pictures.logo));
  updateIcon->setPixmap(QPixmap::fromImage(pictures.update));
}

void MainWindow::createOutputPanel() {
  outputPanel = skin::createPanel(contentPanel, 0, 70, 390, 50);
  outputFolderLabel = skin::createLabel(outputPanel, tr("Output Folder:"), 0, 3);
  outputFolderEdit = skin::createEdit(outputPanel, 0, 25, 294, 20);
  browseFolderButton = skin::createButton(outputPanel, tr("Browser..."), 305, 23, 80, 23);
  browseFolderButton->setToolTip(tr("Set your default output folder"));
}

void MainWindow::createBottomControls() {
  formatLabel = skin::createLabel(contentPanel, tr("Convert to:"), 0, 138);
  formatCombo = skin::createDropDownList(contentPanel, 0, 158, 390, 21);
  for (const common::AudioFormat& format : common::audioFormats())
    formatCombo->addItem(QCoreApplication::translate("AudioFormats", format.listText.data()));
  formatCombo->setCurrentIndex(1);
  downloadConvertRadio =
      skin::createRadioButton(contentPanel, tr("Download and convert video from YouTube"), 0, 190);
  convertLocalRadio = skin::createRadioButton(contentPanel, tr("Convert video from local FLV file"), 0, 214);
  downloadConvertRadio->setChecked(true);
  menuImage = skin::createShiftImage(contentPanel, resources::menuPicture(false),
                                     resources::menuPicture(true), 3, 242);
  menuImage->setToolTip(tr("Click to popup the menu"));
  advancedLink = skin::createLinkLabel(contentPanel, tr("Advanced"), 37, 260);
  QFont bold = advancedLink->font();
  bold.setBold(true);
  advancedLink->setFont(bold);
  advancedLink->adjustSize();
  startButton = skin::createButton(contentPanel, tr("Start..."), 117, 249, 80, 23);
  showFilesButton = skin::createButton(contentPanel, tr("Show Files..."), 211, 249, 80, 23);
  exitButton = skin::createButton(contentPanel, tr("Exit"), 305, 249, 80, 23);
}

void MainWindow::createMenu() {
  popupMenu = skin::createPopupMenu(this);
  homePageAction = popupMenu->addAction(tr("&Home Page"), this, [this] { onHomePageTriggered(); });
  popupMenu->addSeparator();
  donateAction = popupMenu->addAction(tr("&Donate"), this, [this] { onDonateTriggered(); });
  popupMenu->addSeparator();
  setAccountAction =
      popupMenu->addAction(tr("&Set YouTube Account"), this, [this] { onSetAccountTriggered(); });
  setAccountAction->setVisible(false);  // the account is not used by this build
  signInAction = popupMenu->addAction(tr("Sign in to a site..."), this, [this] { onSignInTriggered(); });
  popupMenu->addSeparator();
  splitChaptersAction = popupMenu->addAction(tr("Split into chapters"));
  splitChaptersAction->setCheckable(true);
  connect(splitChaptersAction, &QAction::toggled, this, [this](bool checked) { splitChapters = checked; });
  evenLoudnessAction = popupMenu->addAction(tr("Even loudness"));
  evenLoudnessAction->setCheckable(true);
  connect(evenLoudnessAction, &QAction::toggled, this, [this](bool checked) { evenLoudness = checked; });
  popupMenu->addSeparator();
  queueAction = popupMenu->addAction(tr("&Queue..."), this, [this] { onQueueTriggered(); });
  popupMenu->addSeparator();
  aboutAction = popupMenu->addAction(tr("&About..."), this, [this] { onAboutTriggered(); });
}

void MainWindow::loadSettings() {
  const common::Settings settings = common::readSettings();
  outputDir = settings.outputFolder;
  modeIndex = settings.mode;
  formatIndex = settings.formatIndex;
  splitChapters = settings.splitChapters;
  evenLoudness = settings.evenLoudness;
  if (splitChaptersAction != nullptr) splitChaptersAction->setChecked(splitChapters);
  if (evenLoudnessAction != nullptr) evenLoudnessAction->setChecked(evenLoudness);
}

void MainWindow::saveSettings() {
  const std::string typed = outputFolderEdit->text().toStdString();
  if (platform::directoryExists(typed)) outputDir = typed;
  if (downloadConvertRadio->isChecked()) modeIndex = 0;
  if (convertLocalRadio->isChecked()) modeIndex = 1;
  formatIndex = formatCombo->currentIndex();
  common::writeSettings({.outputFolder = outputDir,
                         .mode = modeIndex,
                         .formatIndex = formatIndex,
                         .splitChapters = splitChapters,
                         .evenLoudness = evenLoudness});
}

void MainWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (shown_) return;
  shown_ = true;
  onFirstShow();
}

void MainWindow::onFirstShow() {
  if (modeIndex == 0) {
    downloadConvertRadio->setChecked(true);
    applyMode(0);
  } else if (modeIndex == 1) {
    convertLocalRadio->setChecked(true);
    applyMode(1);
  }
  outputFolderEdit->setText(toQt(outputDir));
  formatCombo->setCurrentIndex(formatIndex >= 0 && formatIndex < formatCombo->count() ? formatIndex : -1);
  bannerImage->setGeometry(0, 0, width(), 50);
  bannerImage->lower();
  updateLink->move(width() - updateLink->width() - 10, updateLink->y());
  updateIcon->move(updateLink->x() - 20, updateIcon->y());
  localFileEdit->setGeometry(urlEdit->x(), urlEdit->y(), outputFolderEdit->width(), localFileEdit->height());
  // Once the window is up: the queue a previous run left.
  QTimer::singleShot(0, this, [this] { checkQueueAtStart(); });
}

void MainWindow::checkQueueAtStart() {
  if (queue_ || !platform::fileExists(queue::queueDatabasePath())) return;
  QueueSession& session = queueSession();
  const int unfinished = session.unfinished();
  if (unfinished == 0) return;
  const std::string question =
      unfinished == 1 ? tr("1 item was not finished. Continue?").toStdString()
                      : tr("%1 items were not finished. Continue?").arg(unfinished).toStdString();
  const int answer =
      platform::currentDialogs().messageBox(resources::loadString(resources::StringId::Title), question,
                                            platform::DialogIcon::Question, platform::DialogButtons::YesNo);
  if (answer == platform::ModalResult::Yes) {
    session.queue().continueUnfinished();
  } else {
    session.queue().leaveUnfinished();
  }
  session.showWindow();
}

void MainWindow::applyMode(int mode) {
  const bool download = mode == 0;
  formatLabel->setEnabled(true);
  formatCombo->setEnabled(true);
  sourceLabel->setText(toQt(resources::loadString(download ? resources::StringId::EnterVideoUrlExample
                                                           : resources::StringId::SelectVideoFile)));
  sourceLabel->adjustSize();
  fitExampleAddress();
  exampleUrlLink->setVisible(download);
  exampleUrlEnd->setVisible(download);
  urlEdit->setVisible(download);
  localFileEdit->setVisible(!download);
  selectFileButton->setVisible(!download);
  sourceLabel->setBuddy(download ? urlEdit : localFileEdit);
}

// Keeps the example address clear of the caption before it and closes it with ")" right after it, whatever
// the width of the font the system gives.
void MainWindow::fitExampleAddress() {
  exampleUrlLink->move(std::max(132, sourceLabel->x() + sourceLabel->width()), exampleUrlLink->y());
  exampleUrlEnd->move(exampleUrlLink->x() + exampleUrlLink->width(), exampleUrlEnd->y());
}

void MainWindow::onDownloadConvertClicked() {
  applyMode(0);
}
void MainWindow::onConvertLocalClicked() {
  applyMode(1);
}

void MainWindow::onClipboardChanged() {
  const std::optional<std::string> text = platform::ClipboardWatch::text(kMaxClipboardText);
  if (!text) return;
  const std::string trimmed = common::trim(*text);
  if (!common::startsWithNoCase(trimmed, common::SiteConfig::current().streamCachePrefix) &&
      common::containsNoCase(trimmed, ".com")) {
    urlEdit->setText(toQt(trimmed));
  }
}

void MainWindow::onShowInstance() {
  show();
  if (isMinimized()) showNormal();
  raise();
  activateWindow();
}

void MainWindow::onBrowseFolderClicked() {
  std::string folder;
  if (!selectFolder(resources::loadString(resources::StringId::SelectDirectory), "", folder)) return;
  outputFolderEdit->setText(toQt(folder));
  outputDir = outputFolderEdit->text().toStdString();
}

void MainWindow::onExitClicked() {
  close();
}

void MainWindow::onStartClicked() {
  try {
    // Several addresses in the field, or one while the queue is busy: to the queue.
    if (downloadConvertRadio->isChecked()) {
      const std::vector<std::string> addresses = addressesIn(urlEdit->text().toStdString());
      if (addresses.size() > 1 || (addresses.size() == 1 && queue_ && queue_->busy())) {
        if (queueItems(addresses)) urlEdit->clear();
        return;
      }
    } else if (convertLocalRadio->isChecked() && queue_ && queue_->busy() &&
               platform::fileExists(localFileEdit->text().toStdString())) {
      if (queueItems({localFileEdit->text().toStdString()})) localFileEdit->clear();
      return;
    }
    const app::StartInput input = startInput();
    // A page that may hold a list is asked about first; its answer starts the request.
    const std::string address = common::trim(input.address);
    if (input.source == app::StartInput::Source::PageAddress && download::mayHoldPlaylist(address) &&
        download::isResolverEnabled()) {
      if (probing()) return;
      probe_ = std::make_unique<download::PlaylistProbe>();
      // The request goes on with the fields as they are now.
      startButton->setEnabled(false);
      urlEdit->setReadOnly(true);
      setCursor(Qt::BusyCursor);
      probe_->start(address, [this](download::PlaylistAnswer answer) {
        // The box is not opened from inside the probe's call.
        QTimer::singleShot(0, this, [this, answer = std::move(answer)] { onProbed(answer); });
      });
      return;
    }
    startChecked();
  } catch (...) {
    // A failed request leaves nothing to report; the main window stays usable.
  }
}

bool MainWindow::probing() const {
  return probe_ != nullptr && probe_->running();
}

app::StartInput MainWindow::startInput() const {
  using Source = app::StartInput::Source;
  return {.source = downloadConvertRadio->isChecked() ? Source::PageAddress
                    : convertLocalRadio->isChecked()  ? Source::LocalFile
                                                      : Source::Unchosen,
          .address = urlEdit->text().toStdString(),
          .localFile = localFileEdit->text().toStdString(),
          .outputFolder = outputFolderEdit->text().toStdString(),
          .formatIndex = formatCombo->currentIndex(),
          .splitChapters = splitChapters,
          .evenLoudness = evenLoudness};
}

void MainWindow::startChecked() {
  app::startRequest(this, startInput(), outputDir);
}

void MainWindow::onProbed(const download::PlaylistAnswer& answer) {
  probe_.reset();
  startButton->setEnabled(true);
  urlEdit->setReadOnly(false);
  unsetCursor();
  if (closed_) return;
  if (answer.status != download::PlaylistAnswer::Status::Playlist) {
    // A single video, or no answer: the request goes on as for any page; its job tells its own failure.
    startChecked();
    return;
  }
  const std::size_t count = answer.entries.size();
  const std::string question =
      count == 1 ? tr("This page holds a list of 1 video. Convert all of them?").toStdString()
                 : tr("This page holds a list of %1 videos. Convert all of them?").arg(count).toStdString();
  const int choice = platform::currentDialogs().messageBox(resources::loadString(resources::StringId::Title),
                                                           question, platform::DialogIcon::Question,
                                                           platform::DialogButtons::AllOnlyThisCancel);
  if (choice == platform::ModalResult::No) {
    startChecked();
    return;
  }
  if (choice != platform::ModalResult::Yes) return;
  std::vector<std::string> pages;
  pages.reserve(count);
  for (const download::PlaylistEntry& entry : answer.entries) pages.push_back(entry.url);
  if (queueItems(pages, answer.title.empty() ? tr("Playlist").toStdString() : answer.title)) urlEdit->clear();
}

void MainWindow::onShowFilesClicked() {
  showFiles(outputFolderEdit->text().toStdString(), outputDir);
}

void MainWindow::onSelectFileClicked() {
  const std::vector<std::string> chosen = selectLocalFiles();
  if (chosen.size() == 1) localFileEdit->setText(toQt(chosen.front()));
  if (chosen.size() < 2) return;
  // Several files: the ones that are there go to the queue.
  std::vector<std::string> files;
  std::copy_if(chosen.begin(), chosen.end(), std::back_inserter(files),
               [](const std::string& file) { return platform::fileExists(file); });
  queueItems(files);
}

QueueSession& MainWindow::queueSession() {
  if (!queue_) {
    queue_ = std::make_unique<QueueSession>();
    const std::string message = queue_->open();
    if (!message.empty())
      platform::currentDialogs().messageBox(resources::loadString(resources::StringId::Title), message,
                                            platform::DialogIcon::Warning, platform::DialogButtons::Ok);
  }
  return *queue_;
}

void MainWindow::onQueueTriggered() {
  queueSession().showWindow();
}

bool MainWindow::queueItems(const std::vector<std::string>& items, const std::string& album) {
  if (items.empty()) return false;
  const std::string folder = outputFolderEdit->text().toStdString();
  if (!ensureQueueFolder(folder)) return false;
  outputDir = folder;
  const bool pages = std::any_of(items.begin(), items.end(),
                                 [](const std::string& item) { return !platform::fileExists(item); });
  // Pages are read by the web engine's module: without it only the files are queued, and the user is told.
  const bool pagesReadable = !pages || platform::loadWebEngineModule();
  if (!pagesReadable)
    platform::currentDialogs().messageBox(resources::loadString(resources::StringId::Title),
                                          platform::webEngineMissingMessage(), platform::DialogIcon::Error,
                                          platform::DialogButtons::Ok);
  const QueueRequest request{.outputFolder = folder,
                             .formatIndex = formatCombo->currentIndex(),
                             .splitChapters = splitChapters,
                             .evenLoudness = evenLoudness};
  std::vector<download::JobInput> inputs;
  inputs.reserve(items.size());
  for (std::size_t k = 0; k < items.size(); ++k) {
    // A file that is gone (or never was) is no page address either: it is left out.
    const bool file = platform::fileExists(items[k]);
    if (!file && (!pagesReadable || !(common::isWebAddress(items[k]) || common::isVideoPageUrl(items[k]))))
      continue;
    inputs.push_back(queuedInput(items[k], request));
    if (album.empty()) continue;
    // The entries of a list: their place and the list's length and name, for the audio files' tags.
    inputs.back().trackNumber = static_cast<int>(k + 1);
    inputs.back().trackCount = static_cast<int>(items.size());
    inputs.back().album = album;
  }
  if (inputs.empty()) return false;
  queueSession().add(std::move(inputs));
  return true;
}

bool MainWindow::takeItems(const QMimeData& mime) {
  std::vector<std::string> items;
  if (mime.hasUrls()) {
    for (const QUrl& url : mime.urls()) {
      const std::string item =
          url.isLocalFile() ? url.toLocalFile().toStdString() : url.toString().toStdString();
      if (url.isLocalFile() ? platform::fileExists(item) : common::isWebAddress(item)) items.push_back(item);
    }
  } else if (mime.hasText()) {
    const std::string text = mime.text().left(static_cast<qsizetype>(kMaxDroppedText)).toStdString();
    items = addressesIn(text);
  }
  if (items.empty()) return false;
  if (items.size() > 1 || (queue_ && queue_->busy())) {
    queueItems(items);
    return true;
  }
  // One item alone goes into its field, ready for Start.
  const bool file = platform::fileExists(items.front());
  (file ? convertLocalRadio : downloadConvertRadio)->setChecked(true);
  applyMode(file ? 1 : 0);
  (file ? localFileEdit : urlEdit)->setText(toQt(items.front()));
  return true;
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls() || event->mimeData()->hasText()) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
  if (takeItems(*event->mimeData())) event->acceptProposedAction();
}

void MainWindow::showPopupMenu() {
  popupMenu->popup(QCursor::pos());
}
void MainWindow::showPopupMenuFromKeyboard() {
  popupMenu->popup(menuImage->mapToGlobal(QPoint(0, menuImage->height())));
}
void MainWindow::onHomePageTriggered() {
  platform::openUrl(resources::loadString(resources::StringId::ProductPage));
}
void MainWindow::onDonateTriggered() {
  platform::openUrl(resources::loadString(resources::StringId::DonationPage));
}
void MainWindow::onMakerNameClicked() {
  platform::openUrl(resources::kMakerSite);
}
void MainWindow::onUpdateLinkClicked() {
  platform::openUrl(resources::kUpdatePage);
}

void MainWindow::onAboutTriggered() {
  AboutBox about(this);
  about.exec();
}

std::string MainWindow::signInAddress() const {
  const QString typed = urlEdit->text().trimmed();
  for (const char* scheme : {"http://", "https://"}) {
    if (typed.size() > static_cast<qsizetype>(std::strlen(scheme)) &&
        typed.startsWith(QLatin1String(scheme), Qt::CaseInsensitive))
      return typed.toStdString();
  }
  return "http://" + common::SiteConfig::current().youTubeHost + "/";
}

void MainWindow::onSignInTriggered() {
  try {
    platform::openSignInWindow(signInAddress(), this);
  } catch (const platform::BrowserError& error) {
    platform::currentDialogs().messageBox(resources::loadString(resources::StringId::Title), error.what(),
                                          platform::DialogIcon::Error, platform::DialogButtons::Ok);
  }
}

void MainWindow::onSetAccountTriggered() {
  LoginDialog login(this);
  if (!accountName.empty()) {
    login.userNameEdit->setText(toQt(accountName));
    login.passwordEdit->setText(toQt(accountPassword));
  }
  if (login.exec() != platform::ModalResult::Ok) return;
  accountName = login.userNameEdit->text().toStdString();
  accountPassword = login.passwordEdit->text().toStdString();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == urlEdit || watched == localFileEdit) {
    // Text pasted into the address field that holds several addresses goes to the queue, and so do several
    // items dropped on either field; anything else is the field's own.
    if (watched == urlEdit && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->matches(QKeySequence::Paste)) {
      const QString text = QGuiApplication::clipboard()->text().left(static_cast<qsizetype>(kMaxDroppedText));
      const std::vector<std::string> addresses = addressesIn(text.toStdString());
      if (addresses.size() > 1) {
        queueItems(addresses);
        return true;
      }
    }
    if (event->type() == QEvent::DragEnter) {
      auto* enter = static_cast<QDragEnterEvent*>(event);
      if (enter->mimeData()->hasUrls() || enter->mimeData()->hasText()) enter->acceptProposedAction();
      return true;
    }
    if (event->type() == QEvent::DragMove) {
      static_cast<QDragMoveEvent*>(event)->acceptProposedAction();
      return true;
    }
    if (event->type() == QEvent::Drop) {
      auto* drop = static_cast<QDropEvent*>(event);
      if (takeItems(*drop->mimeData())) drop->acceptProposedAction();
      return true;
    }
  }
  if (event->type() == QEvent::MouseButtonRelease) {
    if (watched == logoImage) onHomePageTriggered();
    if (watched == makerNameLabel) onMakerNameClicked();
  }
  return QWidget::eventFilter(watched, event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (!closed_) onClose();
  event->accept();
}

void MainWindow::onClose() {
  closed_ = true;
  probe_.reset();
  try {
    saveSettings();
  } catch (...) {
  }
  try {
    queue_.reset();  // running items end as stopped; what they downloaded is kept for the next start
  } catch (...) {
  }
  try {
    clipboard_.reset();
  } catch (...) {
  }
  try {
    convert::destroyConvertProcess();
  } catch (...) {
  }
}

}  // namespace app
