// The theme table, the theme pictures and the cutting of strips into frames.
#include "resources/ThemePictures.h"
#include "ui/skin/Theme.h"

#include <gtest/gtest.h>

#include <QPainter>

namespace {

using skin::ThemeEntry;
using skin::ThemeEntryId;
using skin::UiStyle;

TEST(ThemeTable, EntriesOfTheTwoStylesTheWindowsUse) {
  const struct {
    UiStyle style;
    int entry;
    ThemeEntry::Kind kind;
    const char* picture;
    std::uint32_t value;
  } cases[] = {
      {UiStyle::WinXP, 1, ThemeEntry::Kind::Picture, "WINXP_BUTTON", 0},
      {UiStyle::WinXP, 3, ThemeEntry::Kind::Picture, "WINXP_CHECKBOX", 0},
      {UiStyle::WinXP, 4, ThemeEntry::Kind::Picture, "WINXP_RADIOBUTTON", 0},
      {UiStyle::WinXP, 24, ThemeEntry::Kind::Picture, "WINXP_PROGRESSBAR", 0},
      {UiStyle::DeepBlue, 1, ThemeEntry::Kind::Picture, "DEEPBLUE_BUTTON", 0},
      {UiStyle::Protein, 4, ThemeEntry::Kind::Picture, "PROTEIN_RADIOBUTTON", 0},
      {UiStyle::WinXP, 15, ThemeEntry::Kind::Colour, nullptr, 0xDEEBEF},
      {UiStyle::WinXP, 18, ThemeEntry::Kind::Colour, nullptr, 0xC66931},
      {UiStyle::WinXP, 19, ThemeEntry::Kind::Colour, nullptr, 0xEFD3C6},
      {UiStyle::WinXP, 23, ThemeEntry::Kind::Colour, nullptr, 0xCED3D6},
      {UiStyle::WinXP, 25, ThemeEntry::Kind::Colour, nullptr, 0x686868},
      {UiStyle::WinXP, 26, ThemeEntry::Kind::Colour, nullptr, 0xDEEBEF},
      {UiStyle::DeepBlue, 15, ThemeEntry::Kind::Colour, nullptr, 0xE8E8E8},
      {UiStyle::DeepBlue, 18, ThemeEntry::Kind::Colour, nullptr, 0xA04A44},
      {UiStyle::DeepBlue, 19, ThemeEntry::Kind::Colour, nullptr, 0xA04A44},
      {UiStyle::DeepBlue, 20, ThemeEntry::Kind::Colour, nullptr, 0xFFFFFF},
      {UiStyle::DeepBlue, 21, ThemeEntry::Kind::Colour, nullptr, 0xFFFFFF},
      {UiStyle::DeepBlue, 22, ThemeEntry::Kind::Colour, nullptr, 0x000000},
      {UiStyle::DeepBlue, 25, ThemeEntry::Kind::Colour, nullptr, 0x000000},
      {UiStyle::FromThemeFile, 1, ThemeEntry::Kind::None, nullptr, 0},
      {UiStyle::WinXP, 0, ThemeEntry::Kind::None, nullptr, 0},
      {UiStyle::WinXP, 49, ThemeEntry::Kind::None, nullptr, 0},
      {UiStyle::WinXP, -1, ThemeEntry::Kind::None, nullptr, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << static_cast<int>(c.style) << " entry " << c.entry);
    const ThemeEntry entry = skin::themeEntry(c.style, c.entry);
    EXPECT_EQ(entry.kind, c.kind);
    if (c.picture != nullptr) {
      EXPECT_EQ(entry.picture, c.picture);
    }
    if (c.kind == ThemeEntry::Kind::Colour) {
      EXPECT_EQ(entry.value, c.value);
    }
  }
}

// The colours the windows' layouts name as numbers are the table's: setting the style yields them.
TEST(ThemeTable, ColoursAreStoredBlueGreenRed) {
  EXPECT_EQ(skin::colourFromBgr(0xC66931), QColor(0x31, 0x69, 0xC6));
  EXPECT_EQ(skin::colourFromBgr(6842472), skin::themeColour(UiStyle::WinXP, ThemeEntryId::Border, Qt::red));
  EXPECT_EQ(skin::colourFromBgr(14609391),
            skin::themeColour(UiStyle::WinXP, ThemeEntryId::ComboButtonColour, Qt::red));
  EXPECT_EQ(skin::colourFromBgr(13554646),
            skin::themeColour(UiStyle::DeepBlue, ThemeEntryId::MenuBar, Qt::red));
  EXPECT_EQ(skin::colourFromBgr(10504772),
            skin::themeColour(UiStyle::DeepBlue, ThemeEntryId::MenuSelected, Qt::red));
  EXPECT_EQ(skin::themeColour(UiStyle::BlueGlass, ThemeEntryId::Border, Qt::red), QColor(Qt::red));
}

bool hasMagenta(const QImage& image) {
  const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < argb.height(); ++y) {
    for (int x = 0; x < argb.width(); ++x) {
      if (argb.pixel(x, y) == 0xFFFF00FF) return true;
    }
  }
  return false;
}

bool hasClearPixel(const QImage& image) {
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (qAlpha(image.pixel(x, y)) == 0) return true;
    }
  }
  return false;
}

TEST(ThemePictures, EveryPictureHasItsSizeAtEachScaleWithMagentaKeyedOut) {
  const struct {
    const char* name;
    QSize size;
    bool hasTransparentCorners;
  } pictures[] = {
      {"WINXP_BUTTON", {54, 21}, true},          {"WINXP_CHECKBOX", {52, 13}, false},
      {"WINXP_RADIOBUTTON", {52, 13}, true},     {"WINXP_PROGRESSBAR", {6, 10}, false},
      {"WINXP_COMBOBOX_BUTTON", {17, 17}, true},
  };
  EXPECT_EQ(resources::themePictureNames().size(), static_cast<qsizetype>(std::size(pictures)));
  for (const auto& picture : pictures) {
    for (int scale : {1, 2, 3}) {
      SCOPED_TRACE(testing::Message() << picture.name << " at " << scale);
      const QImage drawn = resources::drawThemePicture(picture.name, scale);
      ASSERT_FALSE(drawn.isNull());
      EXPECT_EQ(drawn.size(), picture.size * scale);
      EXPECT_EQ(drawn.devicePixelRatio(), scale);
      EXPECT_EQ(hasMagenta(drawn), picture.hasTransparentCorners);
      const QPixmap shown = skin::themePicture(picture.name, scale);
      EXPECT_EQ(shown.deviceIndependentSize().toSize(), picture.size);
      EXPECT_FALSE(hasMagenta(shown.toImage()));
      EXPECT_EQ(hasClearPixel(shown.toImage()), picture.hasTransparentCorners);
    }
  }
  // Ratios between whole scales take the next one up.
  EXPECT_EQ(skin::themePicture("WINXP_BUTTON", 1.5).devicePixelRatio(), 2);
  EXPECT_EQ(skin::themePicture("WINXP_BUTTON", 0.5).devicePixelRatio(), 1);
}

TEST(ThemePictures, MissingPicturesAreNull) {
  EXPECT_TRUE(resources::drawThemePicture("NO_SUCH_PICTURE", 1).isNull());
  EXPECT_TRUE(skin::themePicture("", 1).isNull());
  EXPECT_TRUE(skin::themePicture(UiStyle::DeepBlue, ThemeEntryId::Button, 1).isNull());
  EXPECT_TRUE(skin::themePicture(UiStyle::FromThemeFile, ThemeEntryId::Button, 1).isNull());
  EXPECT_TRUE(skin::themePicture(UiStyle::WinXP, ThemeEntryId::Border, 1).isNull());  // a colour entry
  EXPECT_EQ(skin::comboButtonPictureName(UiStyle::WinXP), "WINXP_COMBOBOX_BUTTON");
  EXPECT_EQ(skin::comboButtonPictureName(UiStyle::MacOS), "MACOS_COMBOBOX_BUTTON");
  EXPECT_TRUE(skin::comboButtonPictureName(UiStyle::DeepBlue).isEmpty());
}

// A strip whose every column holds its own number in the red channel, at a scale.
QPixmap numberedStrip(int width, int height, int scale) {
  QImage image(width * scale, height * scale, QImage::Format_ARGB32);
  for (int x = 0; x < image.width(); ++x) {
    for (int y = 0; y < image.height(); ++y) image.setPixel(x, y, qRgb(x / scale, 0, 0));
  }
  QPixmap strip = QPixmap::fromImage(image);
  strip.setDevicePixelRatio(scale);
  return strip;
}

TEST(StripFrames, FramesAreEqualSlicesAndTheLastIsTakenFromTheRightEdge) {
  const struct {
    int stripWidth, frames, frame;
    int firstColumn, width;  // expected, in pixels at scale 1
  } cases[] = {
      {54, 3, 1, 0, 18}, {54, 3, 2, 18, 18}, {54, 3, 3, 36, 18}, {52, 4, 4, 39, 13},
      {10, 3, 1, 0, 3},  {10, 3, 2, 3, 3},   {10, 3, 3, 7, 3},  // 10 div 3: the last frame ends at the edge
      {54, 3, 0, 0, 18}, {54, 3, 9, 36, 18},                    // outside 1..3: the nearest frame
      {54, 1, 1, 0, 54},
  };
  for (int scale : {1, 2}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(testing::Message()
                   << "frame " << c.frame << " of " << c.frames << " in " << c.stripWidth << " at " << scale);
      const QPixmap frame = skin::stripFrame(numberedStrip(c.stripWidth, 4, scale), c.frame, c.frames);
      EXPECT_EQ(frame.devicePixelRatio(), scale);
      EXPECT_EQ(frame.deviceIndependentSize().toSize(), QSize(c.width, 4));
      const QImage image = frame.toImage();
      EXPECT_EQ(qRed(image.pixel(0, 0)), c.firstColumn);
      EXPECT_EQ(qRed(image.pixel(image.width() - 1, 0)), c.firstColumn + c.width - 1);
    }
  }
  const QPixmap strip = numberedStrip(54, 4, 1);
  EXPECT_EQ(skin::stripFrame(strip, 1, 0).width(), 54);    // no frames: the strip as it is
  EXPECT_EQ(skin::stripFrame(strip, 1, 100).width(), 54);  // frames narrower than a pixel
  EXPECT_TRUE(skin::stripFrame(QPixmap(), 1, 3).isNull());
}

// Drawing a frame over any target fills it edge to edge and never reads outside the frame.
TEST(StripFrames, AStretchedFrameFillsTheTargetAtBothScales) {
  for (int scale : {1, 2}) {
    QImage face(18 * scale, 21 * scale, QImage::Format_ARGB32);
    face.fill(Qt::blue);
    QPixmap frame = QPixmap::fromImage(face);
    frame.setDevicePixelRatio(scale);
    for (QSize size : {QSize(80, 23), QSize(7, 5), QSize(1, 1), QSize(300, 60)}) {
      SCOPED_TRACE(testing::Message() << size.width() << "x" << size.height() << " at " << scale);
      QImage target(size * scale, QImage::Format_ARGB32);
      target.setDevicePixelRatio(scale);
      target.fill(Qt::white);
      {
        QPainter p(&target);
        EXPECT_EQ(skin::paintScale(p), scale);
        skin::drawStretchedFrame(p, QRect(QPoint(0, 0), size), frame);
        skin::drawStretchedFrame(p, QRect(0, 0, 0, 5), frame);  // nothing, no fault
        skin::drawStretchedFrame(p, QRect(QPoint(0, 0), size), QPixmap());
      }
      for (int y = 0; y < target.height(); ++y) {
        for (int x = 0; x < target.width(); ++x) ASSERT_EQ(target.pixel(x, y), QColor(Qt::blue).rgb());
      }
    }
  }
}

}  // namespace
