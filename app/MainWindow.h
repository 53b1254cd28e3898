// The main window: the address or local file, the output folder, the format, the mode, and the
// buttons that start a request. It reads its settings at creation and writes them when it closes.
#pragma once

#include "app/StartChecks.h"
#include "platform/Messages.h"
#include "ui/skin/LinkLabel.h"

#include <QCoreApplication>
#include <QWidget>

#include <memory>
#include <string>
#include <vector>

class QComboBox;
class QFrame;
class QLabel;
class QMimeData;
class QLineEdit;
class QMenu;
class QAction;
class QPushButton;
class QRadioButton;

namespace download {
class PlaylistProbe;
struct PlaylistAnswer;
}  // namespace download
namespace platform {
class ClipboardWatch;
}
namespace resources {
struct MainPictures;
}

namespace app {

class QueueSession;

// What a second copy of the program sends to bring this window forward.
struct ShowInstance {};

// The main window's class name; the single-instance socket is named after it.
extern const char* const kMainWindowClassName;

class MainWindow : public QWidget {
  Q_DECLARE_TR_FUNCTIONS(MainWindow)

 public:
  MainWindow();  // reads the settings and creates the conversion object
  ~MainWindow() override;

  platform::MailboxRef<ShowInstance> mailbox() const { return mailbox_->ref(); }

  // The settings and the account as the window holds them.
  std::string outputDir;
  int modeIndex = 0;
  int formatIndex = 1;
  bool splitChapters = false;
  bool evenLoudness = false;
  std::string accountName;
  std::string accountPassword;

  // Controls the other windows and the tests reach.
  QLabel* bannerImage = nullptr;
  QLabel* logoImage = nullptr;
  QLabel* makerNameLabel = nullptr;
  QLabel* taglineLabel = nullptr;
  QLabel* updateIcon = nullptr;
  skin::LinkLabel* updateLink = nullptr;
  QFrame* contentPanel = nullptr;
  QLabel* sourceLabel = nullptr;
  QLabel* exampleUrlLink = nullptr;
  QLabel* exampleUrlEnd = nullptr;
  QLineEdit* urlEdit = nullptr;
  QLineEdit* localFileEdit = nullptr;
  QPushButton* selectFileButton = nullptr;
  QFrame* upperSeparator = nullptr;
  QFrame* lowerSeparator = nullptr;
  QFrame* outputPanel = nullptr;
  QLabel* outputFolderLabel = nullptr;
  QLineEdit* outputFolderEdit = nullptr;
  QPushButton* browseFolderButton = nullptr;
  QLabel* formatLabel = nullptr;
  QComboBox* formatCombo = nullptr;
  QRadioButton* downloadConvertRadio = nullptr;
  QRadioButton* convertLocalRadio = nullptr;
  QLabel* menuImage = nullptr;
  QLabel* advancedLink = nullptr;
  QPushButton* startButton = nullptr;
  QPushButton* showFilesButton = nullptr;
  QPushButton* exitButton = nullptr;
  QMenu* popupMenu = nullptr;
  QAction* homePageAction = nullptr;
  QAction* donateAction = nullptr;
  QAction* setAccountAction = nullptr;
  QAction* signInAction = nullptr;
  QAction* splitChaptersAction = nullptr;  // checked: a video with chapters becomes one file per chapter
  QAction* evenLoudnessAction = nullptr;   // checked: every audio file gets the same loudness
  QAction* queueAction = nullptr;          // opens the queue window
  QAction* aboutAction = nullptr;

  void loadSettings();
  void saveSettings();

  // Event handlers.
  void onFirstShow();
  void onClose();
  void onBrowseFolderClicked();
  void onExitClicked();
  void onStartClicked();
  void onShowFilesClicked();
  void onSelectFileClicked();
  void onDownloadConvertClicked();
  void onConvertLocalClicked();
  void onClipboardChanged();
  void showPopupMenu();              // pops the menu up where the mouse is
  void showPopupMenuFromKeyboard();  // below the menu image
  void onHomePageTriggered();
  void onDonateTriggered();
  void onMakerNameClicked();
  void onUpdateLinkClicked();
  void onAboutTriggered();
  void onSetAccountTriggered();
  // Opens the browser window of the pages' profile on the address field's web address, or on the YouTube
  // site's home page, for the user to sign in to a site once.
  void onSignInTriggered();
  // The address the sign-in window opens on.
  std::string signInAddress() const;
  void onShowInstance();
  void onQueueTriggered();

  // The queue, opened (and its store read) at its first use.
  QueueSession& queueSession();
  bool hasQueueSession() const { return queue_ != nullptr; }
  // Adds page addresses and local files to the queue with the window's folder, format and options, and shows
  // the queue window. False when nothing was added (the folder is missing and not made, or the pages cannot
  // be loaded: the user is told).
  // `album`: the items are the entries of a list of that name, in order (their track numbers and count).
  bool queueItems(const std::vector<std::string>& items, const std::string& album = std::string());
  // Dropped or pasted data: several addresses or files are queued; one goes into its field (or into the queue
  // while the queue is busy). False when it holds no address and no file.
  bool takeItems(const QMimeData& mime);
  // At the first show: a queue left in the store is read, a moved-aside database told, and unfinished items
  // offered to go on ("N items were not finished. Continue?"; No leaves them stopped).
  void checkQueueAtStart();
  // Start with one page address that may hold a list: the resolver is asked first (the Start button waits
  // meanwhile), then the box "This page holds a list of N videos. Convert all of them?" chooses between the
  // queue (All), the download window (Only this video) and nothing (Cancel).
  bool probing() const;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void createControls();
  void createOutputPanel();
  void createBottomControls();
  void createMenu();
  void setUpKeyboardAndNames();
  void showPictures(const resources::MainPictures& pictures);
  void applyMode(int mode);
  void fitExampleAddress();
  StartInput startInput() const;  // the fields as Start reads them
  void startChecked();
  void onProbed(const download::PlaylistAnswer& answer);

  std::unique_ptr<platform::Mailbox<ShowInstance>> mailbox_;
  std::unique_ptr<platform::ClipboardWatch> clipboard_;
  std::unique_ptr<QueueSession> queue_;
  std::unique_ptr<download::PlaylistProbe> probe_;
  bool shown_ = false;
  bool closed_ = false;
};

// The one main window, while it exists.
extern MainWindow* mainWindow;

}  // namespace app
