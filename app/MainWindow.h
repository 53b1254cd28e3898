// The main window: the address or local file, the output folder, the format, the mode, and the
// buttons that start a request. It reads its settings at creation and writes them when it closes.
#pragma once

#include "platform/Messages.h"

#include <QWidget>

#include <memory>
#include <string>

class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QAction;
class QPushButton;
class QRadioButton;

namespace platform {
class ClipboardWatch;
}

// The private message a second copy of the program sends to bring this window forward.
constexpr std::uint32_t WM_SHOW_INSTANCE = 0x1604;

// The main window's class name; the single-instance socket is named after it.
extern const char* const kMainWindowClassName;

class TfrmMain : public QWidget {
 public:
  TfrmMain();  // FormCreate
  ~TfrmMain() override;

  platform::WindowHandle Handle() const { return messages_->Handle(); }

  // Fields.
  std::string OutputDir;
  int ModeIndex = 0;
  int FormatIndex = 1;
  std::string AccountName;
  std::string AccountPassword;

  // Controls the other windows and the tests reach.
  QLabel* imgTitle = nullptr;
  QLabel* Image1 = nullptr;
  QLabel* lTitle = nullptr;
  QLabel* lTitleHint = nullptr;
  QLabel* iUpdate = nullptr;
  QLabel* lUpdate = nullptr;
  QFrame* pSingleMode = nullptr;
  QLabel* lVideo = nullptr;
  QLabel* lUrl = nullptr;
  QLabel* lUrlEnd = nullptr;
  QLineEdit* eUrl = nullptr;
  QLineEdit* eFileName = nullptr;
  QPushButton* bSelectFile = nullptr;
  QFrame* Panel2 = nullptr;
  QFrame* pLine = nullptr;
  QFrame* pOutput = nullptr;
  QLabel* lOutputFolder = nullptr;
  QLineEdit* eOutputFolder = nullptr;
  QPushButton* bBrowser = nullptr;
  QLabel* lConvertTo = nullptr;
  QComboBox* cbFormat = nullptr;
  QRadioButton* rbDownloadConvert = nullptr;
  QRadioButton* rbConvert = nullptr;
  QLabel* WlmShiftImage1 = nullptr;
  QLabel* lbEAddress = nullptr;
  QPushButton* bStart = nullptr;
  QPushButton* bShowFiles = nullptr;
  QPushButton* bExit = nullptr;
  QMenu* suiPopupMenu1 = nullptr;
  QAction* Homepage1 = nullptr;
  QAction* Donate1 = nullptr;
  QAction* miSetYouTubeaccount = nullptr;
  QAction* About1 = nullptr;

  void LoadSettings();
  void SaveSettings();

  // Event handlers.
  void FormShow();
  void FormClose();
  void bBrowserClick();
  void bExitClick();
  void bStartClick();
  void bShowFilesClick();
  void bSelectFileClick();
  void rbDownloadConvertClick();
  void rbConvertClick();
  void ClipboardChanged();
  void iAboutClick();  // pops the menu up where the mouse is
  void Homepage1Click();
  void Donate1Click();
  void lTitleClick();
  void lUpdateClick();
  void About1Click();
  void miSetYouTubeaccountClick();
  void WMShowInstance();

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CreateControls();
  void CreateOutputPanel();
  void CreateBottomControls();
  void CreateMenu();
  void ApplyMode(int mode);
  void FitExampleAddress();
  void WndProc(platform::Message& msg);

  std::unique_ptr<platform::FunctionTarget> messages_;
  std::unique_ptr<platform::ClipboardWatch> clipboard_;
  bool shown_ = false;
  bool closed_ = false;
};

// The one main window, while it exists.
extern TfrmMain* frmMain;
