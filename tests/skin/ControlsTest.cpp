// The skinned controls as widgets: the radio group rule and its click, auto-size, the menu's measures,
// and what they paint, rendered offscreen into images at 1x and 2x.
#include "ui/skin/Controls.h"
#include "ui/skin/Measures.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QEnterEvent>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QRawFont>
#include <QTest>
#include <QTextLayout>

#include <memory>

namespace {

using skin::UiStyle;

// The widget painted into an image at `scale` device pixels per pixel.
QImage render(QWidget* widget, qreal scale = 1) {
  QImage image((QSizeF(widget->size()) * scale).toSize(), QImage::Format_ARGB32);
  image.setDevicePixelRatio(scale);
  image.fill(Qt::transparent);
  widget->render(&image);
  return image;
}

// Pixels of a caption: dark in every channel (the pictures' darkest blue edge is lighter than this).
bool isInk(QRgb pixel) {
  return qAlpha(pixel) > 0 && qMax(qMax(qRed(pixel), qGreen(pixel)), qBlue(pixel)) < 0x60;
}

QRect inkBox(const QImage& image, const QRect& within) {
  QRect box;
  for (int y = within.top(); y <= within.bottom(); ++y) {
    for (int x = within.left(); x <= within.right(); ++x) {
      if (isInk(image.pixel(x, y))) box |= QRect(x, y, 1, 1);
    }
  }
  return box;
}

// Magenta, or nearly: what would show if the key colour leaked or blended into an edge.
int magentaPixels(const QImage& image) {
  int count = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const QColor c = QColor::fromRgba(image.pixel(x, y));
      if (c.alpha() > 0 && c.red() > 0xC0 && c.blue() > 0xC0 && c.green() < 0x70) ++count;
    }
  }
  return count;
}

void hover(QWidget* widget, bool in) {
  if (in) {
    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
    QApplication::sendEvent(widget, &enter);
  } else {
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(widget, &leave);
  }
}

class SkinControlsTest : public ::testing::Test {
 protected:
  SkinControlsTest() {
    window_.setFont(skin::windowFont());
    window_.resize(420, 300);
  }
  QWidget window_;
};

// A widget rendered into a 2x image paints with the image's scale, so the 2x pictures are the ones checked
// below.
TEST_F(SkinControlsTest, RenderingIntoAnImagePaintsAtTheImageScale) {
  class ScaleProbe : public QWidget {
   public:
    using QWidget::QWidget;
    qreal seen = 0;

   protected:
    void paintEvent(QPaintEvent*) override {
      QPainter p(this);
      seen = skin::paintScale(p);
    }
  } probe(&window_);
  probe.resize(10, 10);
  for (qreal scale : {1.0, 2.0}) {
    render(&probe, scale);
    EXPECT_EQ(probe.seen, scale);
  }
}

TEST_F(SkinControlsTest, ButtonShowsTheFrameOfItsState) {
  skin::Button* button = skin::createButton(&window_, "Start...", 10, 10, 80, 23);
  window_.show();
  EXPECT_EQ(button->currentFrame(), 1);
  hover(button, true);
  EXPECT_EQ(button->currentFrame(), 2);
  button->setDown(true);
  EXPECT_EQ(button->currentFrame(), 3);
  button->setDown(false);
  hover(button, false);
  EXPECT_EQ(button->currentFrame(), 1);
  button->setEnabled(false);
  hover(button, true);
  EXPECT_EQ(button->currentFrame(), 1);
}

TEST_F(SkinControlsTest, APressedCaptionMovesOnePixelRightAndDown) {
  for (qreal scale : {1.0, 2.0}) {
    SCOPED_TRACE(scale);
    skin::Button* button = skin::createButton(&window_, "Start...", 10, 10, 80, 23);
    const QRect inside = QRect(QPoint(0, 0), button->size() * scale).adjusted(4, 4, -4, -4);
    const QRect normal = inkBox(render(button, scale), inside);
    button->setDown(true);
    const QRect pressed = inkBox(render(button, scale), inside);
    ASSERT_FALSE(normal.isEmpty());
    EXPECT_EQ(pressed, normal.translated(QPoint(1, 1) * scale));
    delete button;
  }
}

TEST_F(SkinControlsTest, ADisabledCaptionIsGreyWithAWhiteShadow) {
  skin::Button* button = skin::createButton(&window_, "Show Files...", 10, 10, 80, 23);
  button->setEnabled(false);
  const QImage image = render(button);
  const QRect inside = image.rect().adjusted(4, 4, -4, -4);
  EXPECT_TRUE(inkBox(image, inside).isEmpty());  // nothing black
  int grey = 0;
  for (int y = inside.top(); y <= inside.bottom(); ++y) {
    for (int x = inside.left(); x <= inside.right(); ++x) {
      const QRgb p = image.pixel(x, y);
      if (qAbs(qRed(p) - 0x80) <= 8 && qAbs(qGreen(p) - 0x80) <= 8 && qAbs(qBlue(p) - 0x80) <= 8) ++grey;
    }
  }
  EXPECT_GT(grey, 10);
  // The same caption enabled has black ink where the disabled one is grey.
  button->setEnabled(true);
  EXPECT_FALSE(inkBox(render(button), inside).isEmpty());
}

// Every control in every state, at 1x and 2x and at odd sizes: the key colour never reaches the screen.
TEST_F(SkinControlsTest, MagentaNeverAppears) {
  std::vector<std::pair<std::string, std::function<QWidget*()>>> makers = {
      {"button", [&] { return skin::createButton(&window_, "OK", 0, 0, 80, 23); }},
      {"radio", [&] { return skin::createRadioButton(&window_, "Convert video", 0, 0); }},
      {"list", [&] { return skin::createDropDownList(&window_, 0, 0, 200, 21); }},
      {"bar", [&] { return skin::createProgressBar(&window_, 0, 0, 200, 18); }},
      {"edit", [&] { return skin::createEdit(&window_, 0, 0, 100, 20); }},
  };
  const std::vector<std::pair<std::string, std::function<void(QWidget*)>>> states = {
      {"normal", [](QWidget*) {}},
      {"hover", [](QWidget* w) { hover(w, true); }},
      {"pressed",
       [](QWidget* w) {
         if (auto* b = qobject_cast<QAbstractButton*>(w)) b->setDown(true);
       }},
      {"checked",
       [](QWidget* w) {
         if (auto* b = qobject_cast<QAbstractButton*>(w)) b->setChecked(true);
         if (auto* bar = dynamic_cast<skin::ProgressBar*>(w)) bar->setValue(100);
       }},
      {"focused", [](QWidget* w) { w->setFocus(); }},
      {"disabled", [](QWidget* w) { w->setEnabled(false); }},
      {"busy",
       [](QWidget* w) {
         if (auto* bar = dynamic_cast<skin::ProgressBar*>(w)) {
           bar->setBusy(true);
           for (int i = 0; i < 30; ++i) bar->advanceBusy();
         }
       }},
  };
  window_.show();
  for (const auto& [kind, make] : makers) {
    for (const auto& [state, apply] : states) {
      for (QSize size : {QSize(), QSize(7, 5), QSize(1, 1), QSize(300, 60)}) {
        for (qreal scale : {1.0, 2.0}) {
          SCOPED_TRACE(kind + " " + state + " " + std::to_string(size.width()) + " at " +
                       std::to_string(scale));
          std::unique_ptr<QWidget> widget(make());
          if (size.isValid()) widget->resize(size);
          widget->show();
          apply(widget.get());
          EXPECT_EQ(magentaPixels(render(widget.get(), scale)), 0);
        }
      }
    }
  }

  QMenu* menu = skin::createPopupMenu(&window_);
  menu->addAction("&Home Page");
  menu->addSeparator();
  QAction* about = menu->addAction("&About...");
  menu->addAction("Off")->setEnabled(false);
  menu->popup(QPoint(10, 10));
  ASSERT_TRUE(QTest::qWaitForWindowExposed(menu));
  menu->setActiveAction(about);
  for (qreal scale : {1.0, 2.0}) EXPECT_EQ(magentaPixels(render(menu, scale)), 0);
  menu->hide();
}

// Controls asked to paint at no size, or to show more than fits, paint without a fault.
TEST_F(SkinControlsTest, NoSizeAndOverlongCaptionsPaintQuietly) {
  const QString longCaption = QString("A caption far longer than its control ").repeated(20);
  std::vector<QWidget*> widgets = {
      skin::createButton(&window_, longCaption, 0, 0, 0, 0),
      skin::createButton(&window_, longCaption, 0, 0, 30, 12),
      skin::createButton(&window_, "\t  \t", 0, 0, 80, 23),
      skin::createRadioButton(&window_, longCaption, 0, 0),
      skin::createDropDownList(&window_, 0, 0, 0, 0),
      skin::createDropDownList(&window_, 0, 0, 3, 3),
      skin::createProgressBar(&window_, 0, 0, 0, 0),
      skin::createProgressBar(&window_, 0, 0, 2, 2),
      skin::createEdit(&window_, 0, 0, -5, -5),
  };
  auto* list = static_cast<skin::DropDownList*>(widgets[5]);
  list->addItem(longCaption);
  auto* radio = static_cast<skin::RadioButton*>(widgets[3]);
  radio->setAutoSize(false);
  radio->resize(40, 10);
  window_.show();
  for (QWidget* widget : widgets) {
    widget->show();
    for (qreal scale : {1.0, 2.0}) render(widget, scale);
    widget->grab();
  }
  SUCCEED();
}

TEST_F(SkinControlsTest, ProgressBarFillsAsFarAsThePositionAndCaptionsItsPercentage) {
  skin::ProgressBar* bar = skin::createProgressBar(&window_, 0, 0, 101, 18);
  const auto fillColumns = [&] {
    const QImage image = render(bar);
    int columns = 0, first = -1;
    for (int x = 0; x < image.width(); ++x) {
      const QRgb p = image.pixel(x, 2);
      if (qGreen(p) > qRed(p) + 30) {  // the green fill, not the pale background
        if (first < 0) first = x;
        ++columns;
      }
    }
    return std::pair(first, columns);
  };
  const struct {
    int min, max, value;
    const char* caption;
    int columns;
  } cases[] = {
      {0, 100, 50, "50%", 49}, {0, 3, 2, "66%", 65}, {0, 100, 100, "100%", 99},
      {0, 100, 0, "0%", 0},    {7, 7, 7, "0%", 0},  // min = max: a fill of length 0 is drawn as 1, that is
                                                    // empty
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.caption);
    bar->setRange(c.min, c.max);
    bar->setValue(c.value);
    EXPECT_EQ(bar->text(), c.caption);
    const auto [first, columns] = fillColumns();
    EXPECT_EQ(columns, c.columns);
    if (columns > 0) {
      EXPECT_EQ(first, 1);
    }
  }
  // A position outside the range leaves the bar as it was.
  bar->setRange(0, 100);
  bar->setValue(40);
  bar->setValue(250);
  bar->setValue(-3);
  EXPECT_EQ(bar->text(), "40%");
  EXPECT_EQ(fillColumns().second, 39);
}

TEST_F(SkinControlsTest, ABusyBarShowsNoCaptionAndItsFillMovesWhileShown) {
  skin::ProgressBar* bar = skin::createProgressBar(&window_, 0, 0, 200, 18);
  bar->setRange(0, 0);
  bar->setBusy(true);
  EXPECT_TRUE(bar->text().isEmpty());
  window_.show();
  const int start = bar->busyStep();
  EXPECT_TRUE(QTest::qWaitFor([&] { return bar->busyStep() >= start + 3; }, 10000));
  const QImage image = render(bar);
  EXPECT_TRUE(inkBox(image, image.rect().adjusted(1, 1, -1, -1)).isEmpty());
  // Its fill is where the busy span says.
  const skin::Span span = skin::busyFillSpan(200, bar->busyStep());
  for (int x = 1; x < 199; ++x) {
    const QRgb p = image.pixel(x, 2);
    EXPECT_EQ(qGreen(p) > qRed(p) + 30, x >= span.begin && x < span.end) << x;
  }
  bar->setBusy(false);
  EXPECT_EQ(bar->text(), "0%");
}

TEST_F(SkinControlsTest, MissingPicturesFallBackToPlainDrawing) {
  // DeepBlue has colours of its own but no pictures are drawn for it; FromThemeFile has nothing at all.
  for (UiStyle style : {UiStyle::DeepBlue, UiStyle::FromThemeFile}) {
    SCOPED_TRACE(static_cast<int>(style));
    skin::Button* button = skin::createButton(&window_, "OK", 0, 0, 80, 23);
    button->setUiStyle(style);
    skin::RadioButton* radio = skin::createRadioButton(&window_, "One", 0, 30);
    radio->setUiStyle(style);
    radio->setChecked(true);
    skin::ProgressBar* bar = skin::createProgressBar(&window_, 0, 60, 100, 18);
    bar->setUiStyle(style);
    bar->setValue(50);
    skin::DropDownList* list = skin::createDropDownList(&window_, 0, 90, 100, 21);
    list->setUiStyle(style);
    const QImage buttonImage = render(button);
    EXPECT_FALSE(inkBox(buttonImage, buttonImage.rect()).isEmpty());  // its frame and caption
    EXPECT_EQ(radio->size(), skin::checkMarkAutoSize({13, 13}, radio->fontMetrics().height(),
                                                     radio->fontMetrics().horizontalAdvance("One")));
    const QImage radioImage = render(radio);
    EXPECT_NE(radioImage.pixel(7, radioImage.height() / 2), radioImage.pixel(0, 0));  // a dot in a ring
    const QImage barImage = render(bar);
    EXPECT_NE(barImage.pixel(10, 9), barImage.pixel(90, 9));  // filled half way
    const QImage listImage = render(list);
    EXPECT_NE(listImage.pixel(list->buttonRect().center()), listImage.pixel(10, 10));
  }
}

TEST_F(SkinControlsTest, RadioButtonsAutoSizeToTheirCaption) {
  skin::RadioButton* radio =
      skin::createRadioButton(&window_, "Download and convert video from YouTube", 0, 190);
  const QFontMetrics metrics(radio->font());
  const QSize expected = skin::checkMarkAutoSize(
      {13, 13}, metrics.height(), metrics.horizontalAdvance("Download and convert video from YouTube"));
  EXPECT_EQ(radio->geometry(), QRect(QPoint(0, 190), expected));
  QFont larger = radio->font();
  larger.setPixelSize(30);
  radio->setFont(larger);
  EXPECT_EQ(radio->height(), QFontMetrics(larger).height() + 2 + 4);
}

// The group rule: checking one radio button, by a click or by the program, unchecks the others of its group
// and parent, then runs its click; a click on the checked one changes nothing.
TEST_F(SkinControlsTest, RadioGroupRuleAndItsClick) {
  QWidget* first = new QWidget(&window_);
  QWidget* second = new QWidget(&window_);
  skin::RadioButton* a = skin::createRadioButton(first, "a", 0, 0);
  skin::RadioButton* b = skin::createRadioButton(first, "b", 0, 20);
  skin::RadioButton* other = skin::createRadioButton(first, "other group", 0, 40);
  other->setGroupIndex(1);
  skin::RadioButton* elsewhere = skin::createRadioButton(second, "elsewhere", 0, 0);
  for (skin::RadioButton* r : {a, other, elsewhere}) r->setChecked(true);  // before the window is shown
  std::vector<std::string> clicks;
  for (skin::RadioButton* r : {a, b, other, elsewhere}) {
    QObject::connect(r, &QAbstractButton::clicked, r, [&clicks, r, a, b] {
      // The others are already unchecked when the click runs.
      clicks.push_back(r->text().toStdString() + (a->isChecked() && b->isChecked() ? " (both checked)" : ""));
    });
  }
  EXPECT_TRUE(clicks.empty());  // nothing runs while the window is being built
  EXPECT_TRUE(a->isChecked() && other->isChecked() && elsewhere->isChecked());

  window_.show();
  b->setChecked(true);  // by the program
  EXPECT_EQ(clicks, std::vector<std::string>{"b"});
  EXPECT_FALSE(a->isChecked());
  EXPECT_TRUE(other->isChecked() && elsewhere->isChecked());
  b->setChecked(true);  // already checked: no click
  EXPECT_EQ(clicks.size(), 1u);

  QTest::mouseClick(a, Qt::LeftButton, {}, QPoint(3, a->height() / 2));  // by the user, on the mark
  EXPECT_EQ(clicks, (std::vector<std::string>{"b", "a"}));
  EXPECT_TRUE(a->isChecked());
  EXPECT_FALSE(b->isChecked());
  QTest::mouseClick(a, Qt::LeftButton, {}, QPoint(a->width() - 2, a->height() / 2));  // on its caption
  EXPECT_TRUE(a->isChecked());
  EXPECT_EQ(a->currentFrame(), 1);
  EXPECT_EQ(b->currentFrame(), 2);
  b->setEnabled(false);
  EXPECT_EQ(b->currentFrame(), 4);
}

TEST_F(SkinControlsTest, MenuEntriesAreMeasuredAsTheMenuStyleSays) {
  for (int pixelSize : {11, 30}) {
    SCOPED_TRACE(pixelSize);
    QMenu* menu = skin::createPopupMenu(&window_);
    QFont font = skin::windowFont();
    font.setPixelSize(pixelSize);
    menu->setFont(font);
    QAction* home = menu->addAction("&Home Page");
    QAction* separator = menu->addSeparator();
    QAction* about = menu->addAction("&About...");
    QAction* open = menu->addAction("Open File\tCtrl+O");
    menu->adjustSize();
    const QFontMetrics metrics(font);
    const int textHeight = metrics.height();
    int widest = 0;
    for (const char* caption : {"&Home Page", "&About...", "Open File"})
      widest = std::max(widest, metrics.size(Qt::TextShowMnemonic, caption).width());
    const int width = widest + 26 + 40 + metrics.horizontalAdvance("Ctrl+O");
    for (QAction* entry : {home, about, open}) {
      EXPECT_EQ(menu->actionGeometry(entry).height(), std::max(textHeight, 21));
      EXPECT_EQ(menu->actionGeometry(entry).width(), width);
    }
    EXPECT_EQ(menu->actionGeometry(separator).height(), 5);
    // The entries start right inside the one-pixel frame, the side bar flush with it.
    EXPECT_EQ(menu->actionGeometry(home).left(), 1);
    delete menu;
  }
}

TEST_F(SkinControlsTest, MenuPaintsTheBarTheHighlightAndGreyDisabledText) {
  QMenu* menu = skin::createPopupMenu(&window_);
  menu->setFont(skin::windowFont());
  QAction* home = menu->addAction("&Home Page");
  QAction* off = menu->addAction("Off");
  off->setEnabled(false);
  menu->popup(QPoint(10, 10));
  ASSERT_TRUE(QTest::qWaitForWindowExposed(menu));
  menu->setActiveAction(home);
  const QImage image = render(menu);
  const QRect homeRect = menu->actionGeometry(home), offRect = menu->actionGeometry(off);
  const QColor deepBlueSelected(0x44, 0x4A, 0xA0), bar(0xD6, 0xD3, 0xCE);
  EXPECT_EQ(QColor(image.pixel(homeRect.left() + 3, homeRect.center().y())), deepBlueSelected);
  EXPECT_EQ(QColor(image.pixel(homeRect.right() - 3, homeRect.center().y())), deepBlueSelected);
  EXPECT_EQ(QColor(image.pixel(offRect.left() + 3, offRect.center().y())), bar);
  EXPECT_EQ(QColor(image.pixel(offRect.left() + 26 + 1, offRect.top() + 1)), QColor(Qt::white));
  // The highlighted caption is white; the disabled one grey, never black: its darkest pixel is a grey.
  const QRect homeText = homeRect.adjusted(30, 0, 0, 0), offText = offRect.adjusted(30, 0, 0, 0);
  int lightest = 0, darkest = 255;
  bool neutral = true;
  for (int y = homeText.top(); y <= homeText.bottom(); ++y) {
    for (int x = homeText.left(); x <= homeText.right(); ++x)
      lightest = std::max(lightest, qRed(image.pixel(x, y)));
  }
  for (int y = offText.top(); y <= offText.bottom(); ++y) {
    for (int x = offText.left(); x <= offText.right(); ++x) {
      const QRgb p = image.pixel(x, y);
      darkest = std::min(darkest, qRed(p));
      neutral &= qRed(p) == qGreen(p) && qGreen(p) == qBlue(p);
    }
  }
  EXPECT_GE(lightest, 0xF0);
  EXPECT_GE(darkest, 0x80);
  EXPECT_LE(darkest, 0xB0);
  EXPECT_TRUE(neutral);
  menu->hide();
}

TEST_F(SkinControlsTest, LinkLabelTakesItsHoverColourUnderTheMouse) {
  skin::LinkLabel* link = skin::createLinkLabel(&window_, "Check for updates...", 0, 0, Qt::white, Qt::red);
  EXPECT_TRUE(link->font().underline());
  EXPECT_EQ(link->cursor().shape(), Qt::PointingHandCursor);
  EXPECT_EQ(link->palette().color(QPalette::WindowText), QColor(Qt::white));
  hover(link, true);
  EXPECT_EQ(link->palette().color(QPalette::WindowText), QColor(Qt::red));
  hover(link, false);
  EXPECT_EQ(link->palette().color(QPalette::WindowText), QColor(Qt::white));
  link->setLinkColours(Qt::blue);  // no hover colour: stays blue
  hover(link, true);
  EXPECT_EQ(link->palette().color(QPalette::WindowText), QColor(Qt::blue));
}

TEST_F(SkinControlsTest, ShiftImageSwapsUnderTheMouseAndShiftsWhilePressed) {
  QPixmap normal(32, 32), focused(32, 32);
  normal.fill(Qt::blue);
  focused.fill(Qt::yellow);
  skin::ShiftImage* image = skin::createShiftImage(&window_, normal, focused, 3, 242);
  window_.show();
  EXPECT_EQ(image->geometry(), QRect(3, 242, 32, 32));
  hover(image, true);
  EXPECT_EQ(image->pixmap().toImage().pixel(0, 0), QColor(Qt::yellow).rgb());
  QTest::mousePress(image, Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(image->pos(), QPoint(5, 244));
  QTest::mouseRelease(image, Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(image->pos(), QPoint(3, 242));
  hover(image, false);
  EXPECT_EQ(image->pixmap().toImage().pixel(0, 0), QColor(Qt::blue).rgb());
  image->setEnabled(false);
  hover(image, true);
  EXPECT_EQ(image->pixmap().toImage().pixel(0, 0), QColor(Qt::blue).rgb());
}

TEST_F(SkinControlsTest, EditsAndListsAreFramedInTheBorderColourAndPasswordsShowStars) {
  skin::Edit* edit = skin::createEdit(&window_, 0, 0, 134, 20);
  edit->setText("secret");
  skin::DropDownList* list = skin::createDropDownList(&window_, 0, 30, 390, 21);
  list->addItem("MP3 - Normal Quality Audio (128 Kbps, Stereo)");
  const QColor border(0x68, 0x68, 0x68);
  for (QWidget* widget : {static_cast<QWidget*>(edit), static_cast<QWidget*>(list)}) {
    const QImage image = render(widget);
    for (QPoint corner : {QPoint(0, 0), QPoint(image.width() - 1, image.height() - 1), QPoint(40, 0)})
      EXPECT_EQ(QColor(image.pixel(corner)), border);
  }
  EXPECT_EQ(edit->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, edit), '*');
  edit->setEchoMode(QLineEdit::Password);
  EXPECT_EQ(edit->displayText(), "******");
  EXPECT_EQ(list->style()->styleHint(QStyle::SH_ComboBox_Popup, nullptr, list), 0);
  EXPECT_EQ(list->buttonRect(), QRect(390 - 2 - 17, 2, 17, 17));
}

// "Download Speed：" ends in a full-width colon, which the window font lacks: it comes from the fallback
// font, a real glyph, not the box of a missing one.
TEST(WindowFont, TheFullWidthColonIsARealGlyph) {
  const QString text = QString::fromUtf8("Download Speed\xEF\xBC\x9A");
  QTextLayout layout(text, skin::windowFont());
  layout.beginLayout();
  layout.createLine();
  layout.endLayout();
  bool colonFound = false;
  const QList<QGlyphRun> runs = layout.glyphRuns();
  QStringList families;
  for (const QGlyphRun& run : runs) {
    families << run.rawFont().familyName();
    for (quint32 glyph : run.glyphIndexes()) EXPECT_NE(glyph, 0u) << run.rawFont().familyName().toStdString();
    colonFound |= run.rawFont().supportsCharacter(0xFF1A);
  }
  EXPECT_TRUE(colonFound);
  EXPECT_TRUE(families.contains("Liberation Sans")) << families.join(", ").toStdString();

  // Drawn, it differs from a character no font has (drawn as the missing-glyph box).
  const auto draw = [](const QString& character) {
    QImage image(40, 24, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setFont(skin::windowFont());
    p.setPen(Qt::black);
    p.drawText(image.rect(), Qt::AlignCenter, character);
    return image;
  };
  const QImage colon = draw(QString::fromUtf8("\xEF\xBC\x9A"));
  EXPECT_NE(colon, draw(QString(QChar(0x0378))));
  EXPECT_NE(colon, draw(" "));
}

}  // namespace
