#include "platform/ui/text/FontTable.h"
#include "platform/ui/text/TextFrame.h"

#include <QtGui/QFontMetricsF>

#include <gtest/gtest.h>

using namespace platform;

namespace {

TextLook bodyLook(qreal size = 16) {
    TextLook look;
    look.font = FontTable::font(QStringLiteral("OpenSans"), size);
    return look;
}

const TextLineInfo& lineHolding(const TextFrame& frame, int index) {
    for (const TextLineInfo& line : frame.lines()) {
        if (index >= line.location && index < line.location + line.length) {
            return line;
        }
    }
    throw std::out_of_range("no line holds the index");
}

}  // namespace

TEST(TextFrame, PlaceholderTakesTheSizeItsCallbackGivesAndLandsInItsLine) {
    constexpr qreal kWidth = 37;
    constexpr qreal kHeight = 30;
    constexpr qreal kDescent = 2;
    StyledText text(QStringLiteral("Hello "), bodyLook());
    text.appendPlaceholder(bodyLook(), [] {
        return PlaceholderMetrics{kWidth, kHeight - kDescent, kDescent};
    });
    text.append(QStringLiteral(" world"), bodyLook());

    const TextFrame frame(text, {300, TextFrame::kUnlimited});

    ASSERT_EQ(frame.lines().size(), 1u);
    const TextLineInfo& line = frame.lines().front();
    ASSERT_EQ(line.runs.size(), 3u);
    const TextRunInfo& placeholder = line.runs[1];
    EXPECT_TRUE(placeholder.isPlaceholder);
    EXPECT_EQ(placeholder.location, 6);
    EXPECT_EQ(placeholder.length, 1);
    EXPECT_DOUBLE_EQ(placeholder.width, kWidth);
    EXPECT_DOUBLE_EQ(placeholder.descent, kDescent);
    EXPECT_DOUBLE_EQ(placeholder.x, line.runs[0].width);
    EXPECT_DOUBLE_EQ(line.runs[2].x, line.runs[0].width + kWidth);
    // The tall placeholder lifts the whole line: its top is the frame's top.
    const QRectF rect = TextFrame::runRect(line, placeholder);
    EXPECT_NEAR(rect.top(), 0, 0.01);
    EXPECT_NEAR(rect.height(), kHeight, 0.01);
    EXPECT_GE(line.ascent, kHeight - kDescent);
}

TEST(TextFrame, LineSeparatorBreaksTheLineWithoutParagraphSpacing) {
    constexpr qreal kParagraphSpacing = 10;
    TextLook look = bodyLook();
    look.paragraph.paragraphSpacing = kParagraphSpacing;
    const TextFrame lineBreak(StyledText(QStringLiteral("one\u2028two"), look),
                              {300, TextFrame::kUnlimited});
    const TextFrame paragraphBreak(StyledText(QStringLiteral("one\u2029two"), look),
                                   {300, TextFrame::kUnlimited});
    const TextFrame newline(StyledText(QStringLiteral("one\ntwo"), look),
                            {300, TextFrame::kUnlimited});

    ASSERT_EQ(lineBreak.lines().size(), 2u);
    ASSERT_EQ(paragraphBreak.lines().size(), 2u);
    ASSERT_EQ(newline.lines().size(), 2u);
    const qreal lineStep = lineBreak.lines()[1].origin.y() - lineBreak.lines()[0].origin.y();
    const qreal paragraphStep =
        paragraphBreak.lines()[1].origin.y() - paragraphBreak.lines()[0].origin.y();
    EXPECT_NEAR(paragraphStep - lineStep, kParagraphSpacing, 0.01);
    EXPECT_DOUBLE_EQ(newline.lines()[1].origin.y(), paragraphBreak.lines()[1].origin.y());
    // Each separator belongs to the line it ends, so the lines cover the whole string.
    EXPECT_EQ(paragraphBreak.lines()[0].length, 4);
    EXPECT_EQ(lineHolding(paragraphBreak, 4).location, 4);
    EXPECT_EQ(paragraphBreak.fittedLength(), 7);
}

TEST(TextFrame, FittedRangeStopsAtTheLastWholeLineUnderTheHeightLimit) {
    const TextLook look = bodyLook();
    const StyledText text(QStringLiteral("alpha\nbravo\ncharlie\ndelta"), look);
    const TextFrame unlimited(text, {300, TextFrame::kUnlimited});
    ASSERT_EQ(unlimited.lines().size(), 4u);
    const qreal twoLines = unlimited.lines()[2].origin.y() - unlimited.lines()[2].ascent;

    const TextFrame limited(text, {300, twoLines + 1});
    EXPECT_EQ(limited.lines().size(), 2u);
    EXPECT_EQ(limited.fittedLength(), QStringLiteral("alpha\nbravo\n").size());
    EXPECT_TRUE(limited.isTruncated());
    int fitted = 0;
    const QSizeF suggested = TextFrame::suggestedSize(text, {300, twoLines + 1}, &fitted);
    EXPECT_EQ(fitted, limited.fittedLength());
    EXPECT_NEAR(suggested.height(), twoLines, 0.01);
    // Too low for even one line: nothing fits.
    EXPECT_EQ(TextFrame(text, {300, 3}).lines().size(), 0u);
}

TEST(TextFrame, RunRangesMapBackToTheirGlyphBoxes) {
    TextLook bold = bodyLook();
    bold.font = FontTable::font(QStringLiteral("OpenSans-Bold"), 16);
    StyledText text(QStringLiteral("plain "), bodyLook());
    text.append(QStringLiteral("bold words that wrap"), bold);
    text.append(QStringLiteral(" and plain again"), bodyLook());
    const TextFrame frame(text, {120, TextFrame::kUnlimited});

    ASSERT_GT(frame.lines().size(), 1u);
    int covered = 0;
    for (const TextLineInfo& line : frame.lines()) {
        for (const TextRunInfo& run : line.runs) {
            EXPECT_EQ(run.location, covered) << "runs follow each other without gaps";
            covered += run.length;
            const QRectF box = TextFrame::runRect(line, run);
            // The middle of the box finds a character of the run again.
            const int index = frame.characterIndexAt(box.center());
            EXPECT_GE(index, run.location);
            EXPECT_LE(index, run.location + run.length);
            const QFont& font = text.runAt(run.location)->look.font;
            EXPECT_NEAR(box.height(), QFontMetricsF(font).ascent() + QFontMetricsF(font).descent(),
                        0.01);
            EXPECT_LE(box.right(), 120 + 0.01 + QFontMetricsF(font).horizontalAdvance(u' '));
        }
    }
    EXPECT_EQ(covered, text.length());
}

TEST(TextFrame, TailTruncationEndsTheLastLineWithAnEllipsisThatFits) {
    const StyledText text(QStringLiteral("a long sentence that cannot fit on one line at all"),
                          bodyLook());
    TextFrameOptions options;
    options.maximumLines = 1;
    options.truncateTail = true;
    const TextFrame frame(text, {100, TextFrame::kUnlimited}, options);
    ASSERT_EQ(frame.lines().size(), 1u);
    EXPECT_TRUE(frame.isTruncated());
    EXPECT_LE(frame.lines()[0].width, 100.0);
    EXPECT_GT(frame.lines()[0].width, 50.0);
}

TEST(TextFrame, LayingOutAgainAtANewWidthMatchesAFreshFrame) {
    StyledText text(QStringLiteral("Some words to wrap at two different widths "), bodyLook());
    text.appendPlaceholder(bodyLook(), [] { return PlaceholderMetrics{20, 14, 2}; });
    text.append(QStringLiteral(" and more after the placeholder"), bodyLook());
    TextFrame reused(text, {300, TextFrame::kUnlimited});
    ASSERT_FALSE(reused.lines().empty());
    reused.setSize({140, TextFrame::kUnlimited});
    const TextFrame fresh(text, {140, TextFrame::kUnlimited});
    ASSERT_EQ(reused.lines().size(), fresh.lines().size());
    for (std::size_t i = 0; i < fresh.lines().size(); ++i) {
        EXPECT_EQ(reused.lines()[i].location, fresh.lines()[i].location);
        EXPECT_EQ(reused.lines()[i].origin, fresh.lines()[i].origin);
        EXPECT_EQ(reused.lines()[i].runs.size(), fresh.lines()[i].runs.size());
    }
    EXPECT_EQ(reused.usedSize(), fresh.usedSize());
}
