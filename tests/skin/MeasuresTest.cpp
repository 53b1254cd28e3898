// The arithmetic of the skinned controls: progress caption and fill, frame choice, auto-size, menu entry
// sizes, the busy fill's path and the cutting of a button frame.
#include "ui/skin/Measures.h"

#include <gtest/gtest.h>

#include <QRegion>

#include <climits>

namespace {

TEST(ProgressMeasures, CaptionAndFillFollowThePositionWithinTheRange) {
  const struct {
    int min, max, position, width;
    const char* caption;
    int fillLength;
  } cases[] = {
      {0, 3, 2, 101, "66%", 66},     // truncated, not rounded
      {0, 100, 50, 100, "50%", 49},  // of width - 1
      {0, 100, 29, 101, "29%", 29},  // exact where 29 / 100 * 100 in floating point is 28.99...
      {0, 1000, 999, 11, "99%", 9},
      {0, 100, 0, 100, "0%", 0},
      {0, 100, 100, 100, "100%", 99},
      {0, 100, 150, 100, "150%", 99},  // beyond max: above 100 percent, full length
      {0, 100, -20, 100, "-20%", 0},   // below min
      {5, 5, 5, 100, "0%", 0},         // min = max: no division
      {5, 5, 9, 100, "0%", 0},
      {10, 0, 5, 100, "50%", 0},                     // min above max: the caption's formula, no fill
      {INT_MIN, INT_MAX, INT_MAX, 100, "100%", 99},  // no overflow at the ends of int
      {INT_MIN, INT_MAX, 0, INT_MAX, "50%", INT_MAX / 2},
      {0, 100, 50, 0, "50%", 0},  // no width
      {0, 100, 50, -7, "50%", 0},
      {0, 100, 100, 1, "100%", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.min << ".." << c.max << " at " << c.position << ", " << c.width
                                    << " wide");
    EXPECT_EQ(skin::progressCaption(c.min, c.max, c.position), c.caption);
    EXPECT_EQ(skin::progressFillLength(c.min, c.max, c.position, c.width), c.fillLength);
  }
}

TEST(ProgressMeasures, BusyFillStaysInsideTheBorderAndKeepsCrossing) {
  for (int width : {-3, 0, 1, 2, 3, 10, 100, 321}) {
    SCOPED_TRACE(width);
    const int inside = width - 2;
    const int period = inside > 0 ? inside + std::max(1, inside / 4) : 1;
    int previousEnd = 0;
    bool reachedRight = false, wrapped = false;
    for (int step = 0; step <= 2 * period; ++step) {
      const skin::Span span = skin::busyFillSpan(width, step);
      ASSERT_LE(span.begin, span.end);
      if (inside <= 0) {
        EXPECT_EQ(span.begin, span.end);
        continue;
      }
      EXPECT_GE(span.begin, 1);
      EXPECT_LE(span.end, width - 1);
      EXPECT_LE(span.end - span.begin, std::max(1, inside / 4));
      reachedRight |= span.end == width - 1;
      wrapped |= span.end < previousEnd;
      previousEnd = span.end;
    }
    if (inside > 0) {
      EXPECT_TRUE(reachedRight && wrapped);
    }
  }
  const skin::Span late = skin::busyFillSpan(100, INT_MAX);
  EXPECT_TRUE(late.begin >= 1 && late.end <= 99 && late.begin <= late.end);
}

TEST(FrameChoice, ButtonAndCheckMarkStatesPickTheirFrames) {
  const struct {
    bool enabled, underMouse, pressed;
    int frame;
  } buttons[] = {
      {true, false, false, 1},  {true, true, false, 2},
      {true, true, true, 3},    {true, false, true, 3},  // held down, the mouse dragged off
      {false, false, false, 1}, {false, true, true, 1},
  };
  for (const auto& b : buttons) {
    SCOPED_TRACE(testing::Message() << b.enabled << b.underMouse << b.pressed);
    EXPECT_EQ(skin::buttonFrame(b.enabled, b.underMouse, b.pressed), b.frame);
  }
  EXPECT_EQ(skin::checkMarkFrame(true, true), 1);
  EXPECT_EQ(skin::checkMarkFrame(false, true), 2);
  EXPECT_EQ(skin::checkMarkFrame(true, false), 3);
  EXPECT_EQ(skin::checkMarkFrame(false, false), 4);
}

TEST(SizeMeasures, CheckMarkAutoSizeAndMenuEntries) {
  EXPECT_EQ(skin::checkMarkAutoSize({13, 13}, 13, 100), QSize(121, 19));
  EXPECT_EQ(skin::checkMarkAutoSize({13, 13}, 8, 0), QSize(21, 17));  // the image is the taller
  EXPECT_EQ(skin::checkMarkAutoSize({13, 13}, 30, 5), QSize(26, 36));

  const skin::MenuMeasures menu;  // 21, 5, 26
  EXPECT_EQ(skin::menuItemSize(menu, true, 80, 13, 30).height(), 5);
  EXPECT_EQ(skin::menuItemSize(menu, false, 50, 13, 0), QSize(50 + 26 + 40, 21));
  EXPECT_EQ(skin::menuItemSize(menu, false, 50, 30, 20), QSize(50 + 20 + 26 + 40, 30));
  const skin::MenuMeasures mac{20, 12, 26};
  EXPECT_EQ(skin::menuItemSize(mac, false, 10, 13, 0).height(), 20);
  EXPECT_EQ(skin::menuItemSize(mac, true, 10, 13, 0).height(), 12);
}

// The pieces of a stretched frame cover the target exactly once, the corners unscaled and keeping the
// frame's outer edges.
TEST(StretchedFrame, PiecesTileTheTargetWithCornersUnscaled) {
  const struct {
    QSize frame, target;
  } cases[] = {
      {{18, 21}, {80, 23}}, {{18, 21}, {81, 24}}, {{18, 21}, {18, 21}}, {{18, 21}, {10, 10}},
      {{18, 21}, {7, 5}},   {{18, 21}, {1, 1}},   {{18, 21}, {3, 100}}, {{18, 21}, {400, 2}},
      {{1, 1}, {5, 5}},     {{2, 3}, {9, 9}},     {{13, 13}, {13, 14}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.frame.width() << "x" << c.frame.height() << " over "
                                    << c.target.width() << "x" << c.target.height());
    const std::vector<skin::FramePiece> pieces = skin::stretchedFramePieces(c.frame, c.target);
    QRegion covered;
    long long area = 0;
    for (const skin::FramePiece& piece : pieces) {
      EXPECT_TRUE(QRect(QPoint(0, 0), c.frame).contains(piece.source));
      EXPECT_TRUE(QRect(QPoint(0, 0), c.target).contains(piece.target));
      covered += piece.target;
      area += static_cast<long long>(piece.target.width()) * piece.target.height();
    }
    EXPECT_EQ(covered, QRegion(QRect(QPoint(0, 0), c.target)));
    EXPECT_EQ(area, static_cast<long long>(c.target.width()) * c.target.height());  // no overlaps
    // Each corner piece is unscaled and takes the frame's own corner.
    for (const skin::FramePiece& piece : pieces) {
      const bool atLeft = piece.target.left() == 0, atTop = piece.target.top() == 0;
      const bool atRight = piece.target.right() == c.target.width() - 1;
      const bool atBottom = piece.target.bottom() == c.target.height() - 1;
      if (piece.source.size() != piece.target.size()) continue;
      if (atLeft && atTop) {
        EXPECT_EQ(piece.source.topLeft(), QPoint(0, 0));
      }
      if (atRight && atBottom && !atLeft && !atTop) {
        EXPECT_EQ(piece.source.bottomRight(), QPoint(c.frame.width() - 1, c.frame.height() - 1));
      }
    }
  }
  EXPECT_EQ(skin::stretchedFramePieces({18, 21}, {80, 23}).size(), 9u);
  for (QSize target : {QSize(0, 0), QSize(-4, 20), QSize(20, -1)})
    EXPECT_TRUE(skin::stretchedFramePieces({18, 21}, target).empty());
  EXPECT_TRUE(skin::stretchedFramePieces({0, 0}, {80, 23}).empty());
}

}  // namespace
