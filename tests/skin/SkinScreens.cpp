// A manual check of the skinned look in the real windows: saves pictures of the main window in both
// working modes, its drop-down list and pop-up menu, the controls' states, the About box and the download
// window's three panels (the download panel with a known length and busy without one), at the scale the
// program runs at.
//
//   xvfb-run -a -s "-screen 0 1280x1024x24" build/tests/skin_screens OUTPUT_FOLDER [NAME_SUFFIX]
//   QT_SCALE_FACTOR=2 xvfb-run -a -s "-screen 0 1600x1200x24" build/tests/skin_screens OUTPUT_FOLDER -2x
//
// The download window's panels are shown by hand with sample texts; no request runs.
#include "app/AboutBox.h"
#include "app/DownloadWindow.h"
#include "app/MainWindow.h"
#include "platform/Paths.h"
#include "support/JobInputs.h"
#include "ui/skin/Controls.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QEnterEvent>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QRadioButton>
#include <QTest>

#include <cstdio>
#include <filesystem>
#include <string>

namespace {

std::string folder;
std::string suffix;

bool save(QWidget* widget, const std::string& name) {
  const std::string path = folder + "/skin-" + name + suffix + ".png";
  const bool saved = widget->grab().save(QString::fromStdString(path));
  std::printf("%s %s\n", saved ? "saved" : "FAILED", path.c_str());
  return saved;
}

void showWindow(QWidget* window) {
  window->show();
  if (!QTest::qWaitForWindowExposed(window, 10000)) std::printf("window not exposed\n");
  QTest::qWait(100);  // let the first paint settle
}

// A page whose search never ends: the window stays on what the pictures set.
class SilentLocator final : public download::StreamLocator {
 public:
  void start(const std::string&, Done) override {}
  void stop() override {}
};

void showPanel(app::DownloadWindow& window, QFrame* panel) {
  for (QFrame* each : {window.pagePanel, window.downloadPanel, window.convertPanel}) {
    each->move(0, 0);
    each->setVisible(each == panel);
  }
  window.setFixedSize(panel->size());
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: skin_screens OUTPUT_FOLDER [NAME_SUFFIX]\n");
    return 2;
  }
  folder = argv[1];
  suffix = argc > 2 ? argv[2] : "";
  std::filesystem::create_directories(folder);
  const std::filesystem::path settings = std::filesystem::temp_directory_path() / "skin-screens-settings.ini";
  std::filesystem::remove(settings);
  platform::setSettingsFilePath(settings.string());
  bool ok = true;

  app::MainWindow main;
  QApplication::setFont(main.font());
  showWindow(&main);
  ok &= save(&main, "main-download");
  main.convertLocalRadio->click();
  QTest::qWait(50);
  ok &= save(&main, "main-local");
  main.downloadConvertRadio->click();

  main.formatCombo->showPopup();
  QWidget* list = main.formatCombo->view()->window();
  if (!QTest::qWaitForWindowExposed(list, 10000)) std::printf("list not exposed\n");
  QTest::qWait(100);
  ok &= save(list, "list");
  main.formatCombo->hidePopup();

  {
    // Every state of the buttons and radio buttons side by side.
    QWidget states;
    states.setFont(skin::windowFont());
    states.resize(380, 90);
    const char* names[] = {"Normal", "Hover", "Pressed", "Disabled"};
    for (int i = 0; i < 4; ++i) {
      // A column of its own each, or the radio buttons would form one group.
      auto* column = new QWidget(&states);
      column->setGeometry(8 + i * 92, 0, 90, 90);
      skin::Button* button = skin::createButton(column, names[i], 0, 8, 80, 23);
      skin::RadioButton* checked = skin::createRadioButton(column, "Checked", 0, 40);
      checked->setChecked(true);
      skin::RadioButton* unchecked = skin::createRadioButton(column, "Unchecked", 0, 62);
      if (i == 1) {
        QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
        QApplication::sendEvent(button, &enter);
      }
      if (i == 2) button->setDown(true);
      if (i == 3) {
        for (QWidget* w : {static_cast<QWidget*>(button), static_cast<QWidget*>(checked),
                           static_cast<QWidget*>(unchecked)})
          w->setEnabled(false);
      }
    }
    showWindow(&states);
    ok &= save(&states, "states");
  }

  main.popupMenu->popup(main.mapToGlobal(QPoint(40, 300)));
  if (!QTest::qWaitForWindowExposed(main.popupMenu, 10000)) std::printf("menu not exposed\n");
  main.popupMenu->setActiveAction(main.donateAction);
  QTest::qWait(100);
  ok &= save(main.popupMenu, "menu");
  main.popupMenu->hide();

  {
    app::AboutBox about(&main);
    showWindow(&about);
    ok &= save(&about, "about");
  }

  download::JobParts silent;
  silent.pageRules = [] {
    return std::unique_ptr<download::StreamLocator>(std::make_unique<SilentLocator>());
  };
  app::DownloadWindow window(
      &main,
      testing_support::jobInput("https://www.youtube.com/watch?v=aqz-KE-bpKQ",
                                download::RequestMode::DownloadConvert, "/tmp", ".mp3"),
      silent);
  showPanel(window, window.pagePanel);
  window.pageUrlLabel->setText("https://www.youtube.com/watch?v=aqz-KE-bpKQ");
  ok &= save(&window, "download-page");

  showPanel(window, window.downloadPanel);
  window.downloadNameLabel->setText("Downloading: Big Buck Bunny.flv ...");
  window.downloadProgressBar->setRange(0, 3160);
  window.downloadProgressBar->setValue(1234);
  window.receivedLabel->setText("1,234 KB of 3,160 KB received");
  window.timeLeftLabel->setText("00:00:06");
  window.speedLabel->setText("312.5 KB/S");
  ok &= save(&window, "download-progress");
  window.downloadProgressBar->setRange(0, 0);
  window.downloadProgressBar->setBusy(true);
  for (int i = 0; i < 40; ++i) window.downloadProgressBar->advanceBusy();
  window.receivedLabel->setText("1,234 KB received");
  window.timeLeftLabel->clear();
  ok &= save(&window, "download-busy");

  showPanel(window, window.convertPanel);
  window.convertNameLabel->setText("Big Buck Bunny.mp3");
  window.convertProgressBar->setValue(66);
  window.timeElapsedLabel->setText("00:04");
  window.timeEstimatedLabel->setText("00:02");
  ok &= save(&window, "download-convert");

  main.close();
  std::filesystem::remove(settings);
  return ok ? 0 : 1;
}
