// Screen readers and the keyboard: every control of every window as Qt's accessibility interfaces show it
// (name, role, value, state), the order Tab walks the controls in, the links and the menu image worked from
// the keyboard, and the focus they show.
#include "app/AboutBox.h"
#include "app/DownloadWindow.h"
#include "app/LoginDialog.h"
#include "app/MainWindow.h"
#include "app/QueueSession.h"
#include "app/QueueWindow.h"

#include "download/Job.h"
#include "platform/Paths.h"
#include "resources/WebLinks.h"
#include "support/JobInputs.h"
#include "support/TempDir.h"
#include "support/WaitFor.h"
#include "ui/skin/Controls.h"

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTest>

#include <set>

using testing_support::TempDir;

QT_BEGIN_NAMESPACE
// Failures show the texts, not their bytes.
inline void PrintTo(const QString& text, std::ostream* out) {
  *out << '"' << text.toStdString() << '"';
}
QT_END_NAMESPACE

namespace {

// One control as a screen reader should find it. A null value is not checked. A drop-down list's name is the
// entry it shows, as Qt gives it on Linux: its caption comes through the label relation, and `name` is that.
struct Row {
  QWidget* widget;
  QString name;
  QAccessible::Role role;
  QString value = QString();
};

// Whatever a user works or reads as a control: the skinned controls and the lists.
bool isControl(QWidget* widget) {
  return dynamic_cast<skin::Button*>(widget) != nullptr || dynamic_cast<skin::Edit*>(widget) != nullptr ||
         dynamic_cast<skin::RadioButton*>(widget) != nullptr ||
         dynamic_cast<skin::DropDownList*>(widget) != nullptr ||
         dynamic_cast<skin::ProgressBar*>(widget) != nullptr ||
         dynamic_cast<skin::ClickableLabel*>(widget) != nullptr ||
         (dynamic_cast<QAbstractItemView*>(widget) != nullptr &&
          dynamic_cast<QHeaderView*>(widget) == nullptr);
}

QString describe(const QWidget* widget) {
  return QString("%1 at (%2,%3)").arg(widget->metaObject()->className()).arg(widget->x()).arg(widget->y());
}

// The window itself, then every row; and every control of the window that is not hidden has a row, so that
// a control added later without a name fails here.
void expectTable(QWidget* window, const QString& title, QAccessible::Role windowRole,
                 const std::vector<Row>& rows) {
  SCOPED_TRACE(title.toStdString());
  QAccessibleInterface* own = QAccessible::queryAccessibleInterface(window);
  ASSERT_NE(own, nullptr);
  EXPECT_EQ(own->text(QAccessible::Name), title);
  EXPECT_EQ(own->role(), windowRole);

  std::set<QWidget*> listed;
  for (const Row& row : rows) listed.insert(row.widget);
  for (QWidget* widget : window->findChildren<QWidget*>()) {
    if (isControl(widget) && widget->window() == window && !widget->isHidden()) {
      EXPECT_TRUE(listed.count(widget) == 1) << "no row for " << describe(widget).toStdString();
    }
  }

  for (const Row& row : rows) {
    SCOPED_TRACE(row.name.toStdString());
    QAccessibleInterface* control = QAccessible::queryAccessibleInterface(row.widget);
    ASSERT_NE(control, nullptr);
    EXPECT_FALSE(row.name.isEmpty());
    if (row.role == QAccessible::ComboBox) {
      const auto labels = control->relations(QAccessible::Label);
      ASSERT_EQ(labels.size(), 1);
      EXPECT_EQ(labels.front().first->text(QAccessible::Name), row.name);
      EXPECT_EQ(control->text(QAccessible::Name), control->text(QAccessible::Value));
    } else {
      EXPECT_EQ(control->text(QAccessible::Name), row.name);
    }
    EXPECT_EQ(control->role(), row.role);
    if (!row.value.isNull()) {
      EXPECT_EQ(control->text(QAccessible::Value), row.value);
    }
    EXPECT_EQ(control->state().focusable, (row.widget->focusPolicy() & Qt::TabFocus) != 0);
    EXPECT_EQ(control->state().disabled, !row.widget->isEnabled());
  }
}

// The controls Tab reaches from `first`, in order, until it comes back.
std::vector<QWidget*> tabOrder(QWidget* first) {
  first->setFocus(Qt::TabFocusReason);
  // A window that has just become active hands its focus on when the activation is delivered.
  if (!QTest::qWaitFor([first] { return first->hasFocus(); }, 2000)) return {};
  std::vector<QWidget*> order;
  for (int i = 0; i < 40; ++i) {
    QWidget* focused = QApplication::focusWidget();
    if (focused == nullptr || (!order.empty() && focused == order.front())) break;
    order.push_back(focused);
    QTest::keyClick(focused, Qt::Key_Tab);
  }
  return order;
}

void activate(QWidget* window) {
  window->show();
  window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window));
}

class AccessibilityTest : public ::testing::Test {
 protected:
  void SetUp() override {
    QAccessible::setActive(true);
    platform::setSettingsFilePath(dir_.file("settings.ini"));
    window_ = std::make_unique<app::MainWindow>();
    activate(window_.get());
  }
  void TearDown() override {
    window_.reset();
    platform::setSettingsFilePath("");
  }
  TempDir dir_;
  std::unique_ptr<app::MainWindow> window_;
};

TEST_F(AccessibilityTest, MainWindowControlsInBothModes) {
  app::MainWindow& w = *window_;
  w.urlEdit->setText("http://example.org/watch?v=1");
  const QString source = w.sourceLabel->text();
  std::vector<Row> rows = {
      {w.updateLink, "Check for updates...", QAccessible::Link},
      {w.exampleUrlLink, w.exampleUrlLink->text(), QAccessible::Link},
      {w.urlEdit, source, QAccessible::EditableText, "http://example.org/watch?v=1"},
      {w.localFileEdit, "", QAccessible::EditableText},
      {w.selectFileButton, "Browser...", QAccessible::Button},
      {w.outputFolderEdit, "Output Folder:", QAccessible::EditableText},
      {w.browseFolderButton, "Browser...", QAccessible::Button},
      {w.formatCombo, "Convert to:", QAccessible::ComboBox, w.formatCombo->currentText()},
      {w.downloadConvertRadio, "Download and convert video from YouTube", QAccessible::RadioButton},
      {w.convertLocalRadio, "Convert video from local FLV file", QAccessible::RadioButton},
      {w.menuImage, "Click to popup the menu", QAccessible::ButtonMenu},
      {w.advancedLink, "Advanced", QAccessible::Link},
      {w.startButton, "Start...", QAccessible::Button},
      {w.showFilesButton, "Show Files...", QAccessible::Button},
      {w.exitButton, "Exit", QAccessible::Button},
  };
  // The hidden local-file field has no caption of its own in this mode; its row is checked below.
  std::vector<Row> shown = rows;
  std::erase_if(shown, [&](const Row& row) { return row.widget == w.localFileEdit; });
  EXPECT_FALSE(source.isEmpty());
  expectTable(&w, w.windowTitle(), QAccessible::Client, shown);
  EXPECT_TRUE(QAccessible::queryAccessibleInterface(w.downloadConvertRadio)->state().checked);
  EXPECT_FALSE(QAccessible::queryAccessibleInterface(w.convertLocalRadio)->state().checked);

  // In the local-file mode the caption names the local-file field.
  w.convertLocalRadio->click();
  ASSERT_TRUE(w.localFileEdit->isVisible());
  EXPECT_NE(w.sourceLabel->text(), source);
  for (Row& row : rows) {
    if (row.widget == w.localFileEdit) row.name = w.sourceLabel->text();
    if (row.widget == w.urlEdit) row.name = "";
  }
  std::erase_if(rows, [&](const Row& row) { return row.widget == w.urlEdit; });
  expectTable(&w, w.windowTitle(), QAccessible::Client, rows);
  EXPECT_TRUE(QAccessible::queryAccessibleInterface(w.convertLocalRadio)->state().checked);
}

TEST_F(AccessibilityTest, TabWalksTheMainWindowTopToBottom) {
  app::MainWindow& w = *window_;
  EXPECT_EQ(tabOrder(w.updateLink),
            (std::vector<QWidget*>{w.updateLink, w.urlEdit, w.outputFolderEdit, w.browseFolderButton,
                                   w.formatCombo, w.downloadConvertRadio, w.convertLocalRadio, w.menuImage,
                                   w.advancedLink, w.startButton, w.showFilesButton, w.exitButton}));
  w.convertLocalRadio->click();
  EXPECT_EQ(
      tabOrder(w.updateLink),
      (std::vector<QWidget*>{w.updateLink, w.localFileEdit, w.selectFileButton, w.outputFolderEdit,
                             w.browseFolderButton, w.formatCombo, w.downloadConvertRadio, w.convertLocalRadio,
                             w.menuImage, w.advancedLink, w.startButton, w.showFilesButton, w.exitButton}));
}

// Space and Enter on the menu image and on "Advanced", and Shift+F10 or the Menu key anywhere in the window,
// open the pop-up menu below the menu image.
TEST_F(AccessibilityTest, KeysOpenThePopupMenu) {
  app::MainWindow& w = *window_;
  struct Case {
    QWidget* focused;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
  };
  for (const Case& c :
       {Case{w.menuImage, Qt::Key_Space, {}}, Case{w.menuImage, Qt::Key_Return, {}},
        Case{w.advancedLink, Qt::Key_Enter, Qt::KeypadModifier},
        Case{w.urlEdit, Qt::Key_F10, Qt::ShiftModifier}, Case{w.exitButton, Qt::Key_Menu, {}}}) {
    SCOPED_TRACE(QKeySequence(c.key | c.modifiers).toString().toStdString());
    c.focused->setFocus();
    QTest::keyClick(c.focused, c.key, c.modifiers);
    EXPECT_TRUE(w.popupMenu->isVisible());
    EXPECT_EQ(w.popupMenu->pos(), w.menuImage->mapToGlobal(QPoint(0, w.menuImage->height())));
    w.popupMenu->hide();
  }
  // The menu image's press action, as a screen reader gives it, opens the menu too.
  QAccessibleInterface* image = QAccessible::queryAccessibleInterface(w.menuImage);
  ASSERT_NE(image->actionInterface(), nullptr);
  image->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
  EXPECT_TRUE(w.popupMenu->isVisible());
  w.popupMenu->hide();
}

// A link label clicks on Enter, Return and Space alone, and on its press action, never while disabled; it
// shows the focus it has.
TEST_F(AccessibilityTest, LinkLabelAnswersTheKeyboardAndShowsItsFocus) {
  skin::LinkLabel* link = skin::createLinkLabel(window_.get(), "Link", 200, 300);
  int clicks = 0;
  bool byKeyboard = false;
  QObject::connect(link, &skin::ClickableLabel::clicked, [&](bool keys) {
    ++clicks;
    byKeyboard = keys;
  });
  link->show();
  link->clearFocus();
  const QImage unfocused = link->grab().toImage();
  link->setFocus();
  ASSERT_TRUE(link->hasFocus());
  EXPECT_NE(link->grab().toImage(), unfocused);

  for (const auto& [key, modifiers, counted] :
       {std::tuple{Qt::Key_Return, Qt::KeyboardModifiers{}, 1},
        std::tuple{Qt::Key_Space, Qt::KeyboardModifiers{}, 1},
        std::tuple{Qt::Key_Enter, Qt::KeyboardModifiers{Qt::KeypadModifier}, 1},
        std::tuple{Qt::Key_A, Qt::KeyboardModifiers{}, 0},
        std::tuple{Qt::Key_Space, Qt::KeyboardModifiers{Qt::ControlModifier}, 0}}) {
    clicks = 0;
    QTest::keyClick(link, key, modifiers);
    EXPECT_EQ(clicks, counted) << key;
    EXPECT_EQ(byKeyboard, counted == 1) << key;
    byKeyboard = false;
  }
  // The mouse clicks it as before, and says so.
  clicks = 0;
  byKeyboard = true;
  QTest::mouseClick(link, Qt::LeftButton);
  EXPECT_EQ(clicks, 1);
  EXPECT_FALSE(byKeyboard);
  QAccessibleActionInterface* actions = QAccessible::queryAccessibleInterface(link)->actionInterface();
  ASSERT_NE(actions, nullptr);
  clicks = 0;
  actions->doAction(QAccessibleActionInterface::pressAction());
  EXPECT_EQ(clicks, 1);

  link->setEnabled(false);
  clicks = 0;
  actions->doAction(QAccessibleActionInterface::pressAction());
  QTest::keyClick(link, Qt::Key_Space);
  EXPECT_EQ(clicks, 0);
  EXPECT_FALSE(actions->actionNames().contains(QAccessibleActionInterface::pressAction()));
}

TEST_F(AccessibilityTest, DownloadWindowBarsCarryTheirValue) {
  app::DownloadWindow window(
      window_.get(),
      testing_support::jobInput("http://127.0.0.1:9/watch?v=x", download::RequestMode::DownloadConvert,
                                dir_.file("out")),
      download::standardJobParts());
  window.setWindowTitle(window_->windowTitle());
  window.downloadNameLabel->setText("Rock & Roll.webm");
  window.downloadProgressBar->setRange(0, 200);
  window.downloadProgressBar->setValue(50);
  window.convertProgressBar->setRange(0, 100);
  window.convertProgressBar->setValue(99);
  expectTable(&window, window_->windowTitle(), QAccessible::Dialog,
              {{window.pageStopButton, "Stop", QAccessible::Button},
               {window.downloadProgressBar, "Rock & Roll.webm", QAccessible::ProgressBar, "25%"},
               {window.downloadStopButton, "Stop", QAccessible::Button},
               {window.convertProgressBar, "Converting", QAccessible::ProgressBar, "99%"},
               {window.convertStopButton, "Stop", QAccessible::Button}});
  QAccessibleValueInterface* value =
      QAccessible::queryAccessibleInterface(window.downloadProgressBar)->valueInterface();
  ASSERT_NE(value, nullptr);
  EXPECT_EQ(value->currentValue().toInt(), 50);
  EXPECT_EQ(value->maximumValue().toInt(), 200);
  // A busy bar (no known end) says no percentage.
  window.downloadProgressBar->setBusy(true);
  EXPECT_EQ(QAccessible::queryAccessibleInterface(window.downloadProgressBar)->text(QAccessible::Value), "");
}

TEST_F(AccessibilityTest, QueueWindowControls) {
  window_->queueSession().showWindow();
  app::QueueWindow* queueWindow = window_->queueSession().window();
  ASSERT_NE(queueWindow, nullptr);
  app::QueueWindow& q = *queueWindow;
  std::vector<Row> rows;
  const QStringList filters = {"All", "Running", "Waiting", "Done", "Failed"};
  for (int i = 0; i < filters.size(); ++i)
    rows.push_back({q.filterButtons[static_cast<std::size_t>(i)], filters[i], QAccessible::RadioButton});
  rows.insert(rows.end(),
              std::initializer_list<Row>{
                  {q.list, q.windowTitle(), QAccessible::Table},
                  {q.stopButton, "Stop", QAccessible::Button},
                  {q.retryButton, "Retry", QAccessible::Button},
                  {q.removeButton, "Remove", QAccessible::Button},
                  {q.showFileButton, "Show file", QAccessible::Button},
                  {q.startAllButton, "Start all", QAccessible::Button},
                  {q.stopAllButton, "Stop all", QAccessible::Button},
                  {q.parallelCombo, "Run at once:", QAccessible::ComboBox, q.parallelCombo->currentText()},
                  {q.replaceCombo, "When the audio file exists:", QAccessible::ComboBox, "keep it"}});
  expectTable(&q, q.windowTitle(), QAccessible::Client, rows);
  EXPECT_TRUE(q.windowTitle().startsWith("Queue - "));
}

// Tab walks the queue window as it reads: the filter, the list, the buttons below it, then the two choices.
// Buttons that cannot act (nothing chosen in the list) are passed over.
TEST_F(AccessibilityTest, TabWalksTheQueueWindowTopToBottom) {
  window_->hide();
  window_->queueSession().showWindow();
  app::QueueWindow* queueWindow = window_->queueSession().window();
  ASSERT_NE(queueWindow, nullptr);
  app::QueueWindow& q = *queueWindow;
  activate(&q);
  std::vector<QWidget*> expected(q.filterButtons.begin(), q.filterButtons.end());
  expected.push_back(q.list);
  for (QWidget* button : std::initializer_list<QWidget*>{q.stopButton, q.retryButton, q.removeButton,
                                                         q.showFileButton, q.startAllButton, q.stopAllButton})
    if (button->isEnabled()) expected.push_back(button);
  expected.push_back(q.parallelCombo);
  expected.push_back(q.replaceCombo);
  EXPECT_EQ(tabOrder(q.filterButtons.front()), expected);
}

TEST_F(AccessibilityTest, AboutBoxAndSignInWindow) {
  // The main window steps aside so that each box becomes the active window.
  window_->hide();
  app::AboutBox about(window_.get());
  activate(&about);
  expectTable(&about, "About", QAccessible::Dialog,
              {{about.makerSiteLink, resources::kMakerSite, QAccessible::Link},
               {about.okButton, "OK", QAccessible::Button}});
  EXPECT_EQ(tabOrder(about.makerSiteLink), (std::vector<QWidget*>{about.makerSiteLink, about.okButton}));
  about.hide();

  app::LoginDialog login(window_.get());
  activate(&login);
  expectTable(&login, "Member Login", QAccessible::Dialog,
              {{login.userNameEdit, "Username:", QAccessible::EditableText},
               {login.passwordEdit, "Password:", QAccessible::EditableText},
               {login.okButton, "OK", QAccessible::Button},
               {login.cancelButton, "Cancel", QAccessible::Button}});
  EXPECT_TRUE(QAccessible::queryAccessibleInterface(login.passwordEdit)->state().passwordEdit);
  EXPECT_EQ(tabOrder(login.userNameEdit), (std::vector<QWidget*>{login.userNameEdit, login.passwordEdit,
                                                                 login.okButton, login.cancelButton}));
  login.hide();
}

}  // namespace
