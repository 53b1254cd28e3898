// A manual check of Start in the real window: types the inputs of a new user into the main window,
// presses the buttons with the mouse, and saves a picture of the screen while each box is up.
//
//   xvfb-run -a -s "-screen 0 800x600x24" build/tests/request_screens OUTPUT_FOLDER
//
// Boxes are answered as the scenario says (Yes or No to the folder question, OK to notices).
#include "app/DownloadLauncher.h"
#include "app/MainWindow.h"
#include "common/SiteConfig.h"
#include "platform/Paths.h"
#include "platform/QtDialogs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

struct Scenario {
  const char* name;
  bool localFile;
  const char* typed;   // into the address or the file field
  const char* folder;  // "{tmp}" is a folder that exists
  QPushButton* app::MainWindow::*button;
  QMessageBox::StandardButton answer;  // to the first box; later boxes get OK
};

std::string fill(std::string text, const std::string& tmp) {
  const std::size_t at = text.find("{tmp}");
  if (at != std::string::npos) text.replace(at, 5, tmp);
  return text;
}

// Saves the screen whenever a message box is shown, then presses its answer.
class BoxWatcher : public QObject {
 public:
  BoxWatcher(std::string folder) : folder_(std::move(folder)) { qApp->installEventFilter(this); }
  void next(const std::string& name, QMessageBox::StandardButton answer) {
    name_ = name;
    answer_ = answer;
    count_ = 0;
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    auto* box = qobject_cast<QMessageBox*>(watched);
    if (box != nullptr && event->type() == QEvent::Show) {
      QTimer::singleShot(300, box, [this, box] { capture(box); });
    }
    return false;
  }

 private:
  void capture(QMessageBox* box) {
    const std::string file =
        folder_ + "/" + name_ + (count_ > 0 ? "-" + std::to_string(count_) : "") + ".png";
    QGuiApplication::primaryScreen()->grabWindow(0).save(QString::fromStdString(file));
    std::printf("%s: [%s] %s\n", file.c_str(), box->windowTitle().toStdString().c_str(),
                box->text().toStdString().c_str());
    QAbstractButton* button = box->button(count_ == 0 ? answer_ : QMessageBox::Ok);
    if (button == nullptr) button = box->buttons().front();
    ++count_;
    QTest::mouseClick(button, Qt::LeftButton);
  }

  std::string folder_;
  std::string name_;
  QMessageBox::StandardButton answer_ = QMessageBox::Ok;
  int count_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: request_screens OUTPUT_FOLDER\n");
    return 2;
  }
  const std::string out = argv[1];
  std::filesystem::create_directories(out);
  const std::string tmp = (std::filesystem::temp_directory_path() / "clipwave-screens").string();
  std::filesystem::remove_all(tmp);
  std::filesystem::create_directories(tmp);
  platform::setSettingsFilePath(tmp + "/settings.ini");
  platform::installQtDialogs();
  common::SiteConfig::setCurrent(common::SiteConfig());
  app::setDownloadWindowFactory([](QWidget*, const download::JobInput& request) {
    std::printf("request: %s mode %d %s \"%s\"\n", request.source.c_str(), static_cast<int>(request.mode),
                request.targetExt.c_str(), request.convertArgs.c_str());
    return 2;
  });

  app::MainWindow window;
  window.show();
  if (!QTest::qWaitForWindowExposed(&window)) return 1;
  BoxWatcher watcher(out);
  const Scenario scenarios[] = {
      {"1-empty-address", false, "", "{tmp}/missing", &app::MainWindow::startButton, QMessageBox::Ok},
      {"2-empty-file", true, "", "{tmp}", &app::MainWindow::startButton, QMessageBox::Ok},
      {"3-missing-folder-no", false, "http://www.youtube.com/watch?v=abc", "{tmp}/new/sub",
       &app::MainWindow::startButton, QMessageBox::No},
      {"4-not-a-video-page", false, "http://www.youtube.com/user/someone", "{tmp}",
       &app::MainWindow::startButton, QMessageBox::Ok},
      {"5-missing-local-file", true, "/no/such/clip.flv", "{tmp}/made", &app::MainWindow::startButton,
       QMessageBox::Yes},
      {"6-show-files-missing", false, "", "{tmp}/gone", &app::MainWindow::showFilesButton, QMessageBox::Ok},
      {"7-good-address", false, "http://www.youtube.com/watch?feature=x&v=abc", "{tmp}",
       &app::MainWindow::startButton, QMessageBox::Ok},
  };
  for (const Scenario& s : scenarios) {
    watcher.next(s.name, s.answer);
    QRadioButton* mode = s.localFile ? window.convertLocalRadio : window.downloadConvertRadio;
    QTest::mouseClick(mode, Qt::LeftButton, {}, QPoint(8, mode->height() / 2));  // on the round button
    QLineEdit* field = s.localFile ? window.localFileEdit : window.urlEdit;
    field->clear();
    QTest::keyClicks(field, s.typed);
    window.outputFolderEdit->clear();
    QTest::keyClicks(window.outputFolderEdit, QString::fromStdString(fill(s.folder, tmp)));
    QTest::mouseClick(window.*s.button, Qt::LeftButton);
    window.grab().save(QString::fromStdString(out + "/" + s.name + "-window-after.png"));
  }
  std::filesystem::remove_all(tmp);
  return 0;
}
