// The windows in German and Chinese: every caption, button, choice and list entry fits its control, and
// no text runs past the edge of the panel or window that holds it. English is measured the same way, so
// that the check itself is known to hold for the geometry the windows were drawn for. With
// CLIPWAVE_SCREENSHOT_DIR set, each window is also saved there as a picture.
#include "app/AboutBox.h"
#include "app/DownloadWindow.h"
#include "app/LoginDialog.h"
#include "app/MainWindow.h"
#include "app/QueueSession.h"
#include "app/QueueWindow.h"

#include "download/DownloadProgress.h"
#include "platform/Paths.h"
#include "resources/Translations.h"
#include "support/JobInputs.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

using testing_support::TempDir;

namespace {

// The width a text needs in a widget's font: its widest line, without the shortcut marks.
int textWidth(const QWidget* widget, QString text) {
  text.remove(QRegularExpression("&(?!&)"));
  int widest = 0;
  for (const QString& line : text.split('\n'))
    widest = std::max(widest, widget->fontMetrics().horizontalAdvance(line));
  return widest;
}

QString describe(const QWidget* widget, const QString& text) {
  return QString("%1 \"%2\" at (%3,%4) %5 wide in %6 wide")
      .arg(widget->metaObject()->className(), text)
      .arg(widget->x())
      .arg(widget->y())
      .arg(widget->width())
      .arg(widget->parentWidget()->width());
}

// Every text control shown under `root`: its text within the control, and the control's text within its
// parent.
void expectNothingCut(QWidget* root) {
  for (QWidget* widget : root->findChildren<QWidget*>()) {
    if (!widget->isVisibleTo(root)) continue;
    QString text;
    int needed = 0;  // the width the text takes, from the widget's left edge
    if (auto* label = qobject_cast<QLabel*>(widget); label != nullptr && !label->wordWrap()) {
      text = label->text();
      needed = textWidth(label, text) + 2 * label->margin();
    } else if (auto* radio = qobject_cast<QRadioButton*>(widget)) {
      text = radio->text();
      needed = radio->sizeHint().width();
    } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
      text = button->text();
      needed = textWidth(button, text) + 6;
    } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
      text = group->title();
      needed = textWidth(group, text) + 16;
    } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
      for (int i = 0; i < combo->count(); ++i) {
        text = combo->itemText(i);
        needed = std::max(needed, textWidth(combo, text) + 22);
      }
    }
    if (text.isEmpty()) continue;
    const std::string where = describe(widget, text).toStdString();
    EXPECT_LE(needed, widget->width()) << "cut inside its control: " << where;
    EXPECT_LE(widget->x() + needed, widget->parentWidget()->contentsRect().right() + 1)
        << "runs past its parent: " << where;
  }
}

void save(QWidget* window, const QString& name) {
  const QByteArray dir = qgetenv("CLIPWAVE_SCREENSHOT_DIR");
  if (dir.isEmpty()) return;
  QDir().mkpath(QString::fromUtf8(dir));
  const int scale = static_cast<int>(window->devicePixelRatioF() + 0.5);
  window->grab().save(QString("%1/%2-%3-%4x.png")
                          .arg(QString::fromUtf8(dir), name,
                               resources::currentLanguage().empty()
                                   ? "en"
                                   : QString::fromStdString(resources::currentLanguage()))
                          .arg(scale));
}

class TranslatedWindows : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    resources::installTranslations();
    resources::useLanguage(GetParam());
    platform::setSettingsFilePath(dir_.file("settings.ini"));
  }
  void TearDown() override {
    platform::setSettingsFilePath("");
    resources::useLanguage("");
  }
  TempDir dir_;
};

TEST_P(TranslatedWindows, MainWindowInBothModes) {
  app::MainWindow window;
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  expectNothingCut(&window);
  save(&window, "main");
  window.convertLocalRadio->click();
  expectNothingCut(&window);
  save(&window, "main-local");
}

// The window is not shown, which would start its job: each panel is filled as the job would fill it.
TEST_P(TranslatedWindows, DownloadWindowPanels) {
  app::MainWindow owner;
  app::DownloadWindow window(
      &owner,
      testing_support::jobInput("http://127.0.0.1:9/watch?v=x", download::RequestMode::DownloadConvert,
                                dir_.file("out")),
      download::standardJobParts());
  window.setWindowTitle(owner.windowTitle());
  download::DownloadProgress progress;
  progress.setTotal(56'789'000);
  progress.onBodyReceived(12'345'000, 1);
  window.pageUrlLabel->setText("http://www.youtube.com/watch?v=Xq0TXIuQ5zk");
  window.downloadNameLabel->setText(
      QCoreApplication::translate("DownloadWindow", "Downloading: %1 ...").arg("My clip.webm"));
  window.downloadProgressBar->setRange(0, 100);
  window.downloadProgressBar->setValue(21);
  window.convertProgressBar->setValue(40);
  window.receivedLabel->setText(QString::fromStdString(progress.receivedText));
  window.timeLeftLabel->setText("00:01:23");
  window.speedLabel->setText("1234.5 KB/S");
  window.convertNameLabel->setText("My clip.mp3");
  for (QFrame* panel : {window.pagePanel, window.downloadPanel, window.convertPanel}) {
    for (QFrame* other : {window.pagePanel, window.downloadPanel, window.convertPanel})
      other->setVisible(other == panel);
    window.setFixedSize(panel->size());
    expectNothingCut(panel);
    save(&window, panel == window.pagePanel       ? "page"
                  : panel == window.downloadPanel ? "download"
                                                  : "convert");
  }
}

TEST_P(TranslatedWindows, QueueAboutAndSignInWindows) {
  app::MainWindow owner;
  owner.queueSession().showWindow();
  ASSERT_NE(owner.queueSession().window(), nullptr);
  expectNothingCut(owner.queueSession().window());
  save(owner.queueSession().window(), "queue");
  app::AboutBox about(&owner);
  expectNothingCut(&about);
  app::LoginDialog login(&owner);
  expectNothingCut(&login);
}

INSTANTIATE_TEST_SUITE_P(Languages, TranslatedWindows, ::testing::Values("", "de", "zh_CN"),
                         [](const ::testing::TestParamInfo<const char*>& language) {
                           const std::string name = language.param;
                           return name.empty()   ? std::string("English")
                                  : name == "de" ? std::string("German")
                                                 : std::string("Chinese");
                         });

}  // namespace
