#include "platform/ui/controls/ColorValue.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/text/AttributedText.h"

#include <QtGui/QFontMetricsF>
#include <QtGui/QPainter>

#include <gtest/gtest.h>

#include <cmath>

using namespace platform;

namespace {

constexpr qreal kFontSize = 15;
const QChar kEllipsis(0x2026);

FontDescription testFont() {
    FontDescription font;
    font.pointSize = kFontSize;
    return font;
}

QFontMetricsF testMetrics() {
    return QFontMetricsF(resolveFont(testFont()));
}

std::shared_ptr<Label> labelWith(const QString& text, const QRectF& frame = {}) {
    auto label = View::make<Label>(frame);
    label->setFont(testFont());
    label->setText(text);
    return label;
}

QString shown(const Label& label) {
    return label.textLayout().text().string().left(label.textLayout().fittedLength());
}

qreal lineHeight(const Label& label) {
    return label.textLayout().lines().front().ascent + label.textLayout().lines().front().descent;
}

}  // namespace

TEST(Label, SizeThatFitsFollowsLinesAndWidth) {
    const QString words = QStringLiteral("mmmm mmmm mmmm mmmm mmmm mmmm");
    const QFontMetricsF metrics = testMetrics();
    const qreal natural = metrics.horizontalAdvance(words);
    // Two words to a line.
    const qreal narrow = metrics.horizontalAdvance(QStringLiteral("mmmm mmmm ")) + 1;
    const qreal line = metrics.ascent() + metrics.descent() + metrics.leading();
    struct Case {
        const char* name;
        int lines;
        qreal width;
        qreal expectedWidth;
        int expectedLines;
    };
    const Case cases[] = {
        {"one line ignores the width", 1, 50, std::ceil(natural), 1},
        {"no width limit keeps one line", 0, 0, std::ceil(natural), 1},
        {"many lines wrap at the width", 0, narrow,
         std::ceil(metrics.horizontalAdvance(QStringLiteral("mmmm mmmm"))), 3},
        {"a line limit caps the height", 2, narrow,
         std::ceil(metrics.horizontalAdvance(QStringLiteral("mmmm mmmm"))), 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto label = labelWith(words);
        label->setNumberOfLines(c.lines);
        const QSizeF size = label->sizeThatFits({c.width, 1000});
        EXPECT_NEAR(size.width(), c.expectedWidth, 1);
        EXPECT_NEAR(size.height(), line * c.expectedLines, 1);
        EXPECT_EQ(size.height(), std::ceil(size.height()));
    }
    EXPECT_EQ(labelWith(QString())->sizeThatFits({100, 100}), QSizeF(0, 0));
}

TEST(Label, SizeToFitThenShowsTheWholeTextRightAligned) {
    const auto label = labelWith(QStringLiteral("Right"));
    label->setTextAlignment(TextAlignment::Right);
    label->sizeToFit();
    EXPECT_EQ(label->bounds().width(), std::ceil(testMetrics().horizontalAdvance("Right")));
    EXPECT_FALSE(label->isTruncated());
    // Measuring ignored the alignment; laying out in the fitted bounds keeps the line inside.
    const TextLineInfo& line = label->textLayout().lines().front();
    EXPECT_GE(line.origin.x(), 0);
    EXPECT_LE(line.origin.x() + line.width, label->bounds().width() + 0.01);
}

// A label is usually sized to fit, then placed and drawn: whatever bounds it then gets, it shows
// what a label given those bounds at once shows.
TEST(Label, AMeasuredLabelLaysOutInItsBoundsAsAFreshOne) {
    const QString text = QStringLiteral("alpha beta gamma delta epsilon zeta eta theta");
    const qreal natural = testMetrics().horizontalAdvance(text);
    struct Case {
        const char* name;
        int lines;
        LineBreakMode mode;
        TextAlignment alignment;
        QSizeF measured;
        QRectF frame;
    };
    const Case cases[] = {
        {"fitted",
         1,
         LineBreakMode::TruncatingTail,
         TextAlignment::Natural,
         {0, 0},
         {0, 0, std::ceil(natural), 30}},
        {"narrower: an ellipsis",
         1,
         LineBreakMode::TruncatingTail,
         TextAlignment::Left,
         {0, 0},
         {0, 0, natural / 2, 30}},
        {"head cut",
         1,
         LineBreakMode::TruncatingHead,
         TextAlignment::Natural,
         {0, 0},
         {0, 0, natural / 3, 30}},
        {"lower than a line",
         1,
         LineBreakMode::TruncatingTail,
         TextAlignment::Natural,
         {0, 0},
         {0, 0, natural / 2, 4}},
        {"wrapped",
         0,
         LineBreakMode::WordWrap,
         TextAlignment::Natural,
         {natural / 3, 1000},
         {0, 0, natural / 3, 200}},
        {"wrapped, then narrower and capped",
         2,
         LineBreakMode::TruncatingTail,
         TextAlignment::Natural,
         {natural / 2, 1000},
         {0, 0, natural / 4, 200}},
        {"centred in wider bounds",
         1,
         LineBreakMode::TruncatingTail,
         TextAlignment::Center,
         {0, 0},
         {0, 0, natural + 80, 30}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto configure = [&](Label& label) {
            label.setNumberOfLines(c.lines);
            label.setLineBreakMode(c.mode);
            label.setTextAlignment(c.alignment);
        };
        const auto measured = labelWith(text);
        configure(*measured);
        measured->sizeThatFits(c.measured);
        measured->setFrame(c.frame);
        const auto fresh = labelWith(text, c.frame);
        configure(*fresh);

        EXPECT_EQ(shown(*measured), shown(*fresh));
        EXPECT_EQ(measured->isTruncated(), fresh->isTruncated());
        const auto& got = measured->textLayout().lines();
        const auto& expected = fresh->textLayout().lines();
        ASSERT_EQ(got.size(), expected.size());
        for (std::size_t i = 0; i < got.size(); ++i) {
            EXPECT_EQ(got[i].location, expected[i].location);
            EXPECT_NEAR(got[i].origin.x(), expected[i].origin.x(), 0.01);
            EXPECT_NEAR(got[i].origin.y(), expected[i].origin.y(), 0.01);
            EXPECT_NEAR(got[i].width, expected[i].width, 0.01);
        }
        EXPECT_EQ(measured->textRectForBounds(measured->bounds()),
                  fresh->textRectForBounds(fresh->bounds()));
    }
}

TEST(Label, TruncationModesPlaceTheEllipsis) {
    const QString text = QStringLiteral("alpha beta gamma delta epsilon zeta eta theta");
    const qreal width = testMetrics().horizontalAdvance(text) / 2;
    struct Case {
        LineBreakMode mode;
        bool ellipsis;
        bool keepsStart;
        bool keepsEnd;
    };
    const Case cases[] = {
        {LineBreakMode::TruncatingTail, true, true, false},
        {LineBreakMode::TruncatingHead, true, false, true},
        {LineBreakMode::TruncatingMiddle, true, true, true},
        {LineBreakMode::Clip, false, true, false},
        {LineBreakMode::WordWrap, false, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.mode));
        const auto label = labelWith(text, {0, 0, width, 40});
        label->setLineBreakMode(c.mode);
        const QString s = shown(*label);
        EXPECT_TRUE(label->isTruncated());
        EXPECT_EQ(s.contains(kEllipsis), c.ellipsis) << s.toStdString();
        EXPECT_EQ(s.startsWith(QStringLiteral("alpha")), c.keepsStart) << s.toStdString();
        EXPECT_EQ(s.endsWith(QStringLiteral("theta")), c.keepsEnd) << s.toStdString();
        ASSERT_EQ(label->textLayout().lines().size(), 1u);
        EXPECT_LE(label->textLayout().lines().front().width, width + 0.01);
    }
}

TEST(Label, CharacterWrapFillsEachLineWhereWordWrapBreaksBetweenWords) {
    const QString text = QStringLiteral("aaaa bbbbbb");
    // Room for "aaaa bbbb" but not for the whole second word after the first.
    const qreal width = testMetrics().horizontalAdvance(QStringLiteral("aaaa bbbb")) + 1;
    const auto label = labelWith(text, {0, 0, width, 200});
    label->setNumberOfLines(0);
    label->setLineBreakMode(LineBreakMode::WordWrap);
    ASSERT_EQ(label->textLayout().lines().size(), 2u);
    EXPECT_EQ(label->textLayout().lines()[1].location, 5);
    label->setLineBreakMode(LineBreakMode::CharWrap);
    ASSERT_EQ(label->textLayout().lines().size(), 2u);
    EXPECT_EQ(label->textLayout().lines()[1].location, 9);
    EXPECT_FALSE(label->isTruncated());
}

TEST(Label, TruncatesOnlyTheLastOfSeveralLines) {
    const QString text = QStringLiteral("first line\nsecond line\nthird line");
    const auto label = labelWith(text, {0, 0, 300, 200});
    label->setNumberOfLines(2);
    label->setLineBreakMode(LineBreakMode::TruncatingHead);
    EXPECT_TRUE(label->isTruncated());
    // The second paragraph fits its width; the ellipsis says that a third one was cut.
    EXPECT_EQ(shown(*label), QStringLiteral("first line\nsecond line") + kEllipsis);

    label->setNumberOfLines(0);
    EXPECT_FALSE(label->isTruncated());
    EXPECT_EQ(shown(*label), text);
}

TEST(Label, TextIsCentredVerticallyAndBoundsLowerThanALineStillShowIt) {
    for (const qreal height : {100.0, 6.0}) {
        SCOPED_TRACE(height);
        const auto label = labelWith(QStringLiteral("Middle words"), {0, 0, 200, height});
        label->setNumberOfLines(0);
        const QRectF rect = label->textRectForBounds(label->bounds());
        ASSERT_EQ(label->textLayout().lines().size(), 1u);
        EXPECT_NEAR(rect.center().y(), height / 2, 0.01);
        EXPECT_NEAR(rect.height(), lineHeight(*label), 1);
        EXPECT_FALSE(label->isTruncated());
    }
}

TEST(Label, StateColoursReplaceTheTextColour) {
    const QColor red(Qt::red);
    const QColor blue(Qt::blue);
    struct Case {
        const char* name;
        bool enabled;
        bool highlighted;
        QColor highlightColour;
        bool expectOwn;
        QColor expected;  // when not the label's own red
    };
    const Case cases[] = {
        {"normal", true, false, blue, true, {}},
        {"highlighted", true, true, blue, false, blue},
        {"highlighted without a colour", true, true, QColor(), true, {}},
        {"disabled", false, false, blue, false, QColor(0x99, 0x99, 0x99)},
        {"disabled wins over highlighted", false, true, blue, false, QColor(0x99, 0x99, 0x99)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto label = labelWith(QStringLiteral("Coloured"), {0, 0, 200, 30});
        label->setTextColor(red);
        label->setHighlightedTextColor(c.highlightColour);
        label->setEnabled(c.enabled);
        label->setHighlighted(c.highlighted);
        const QColor drawn = label->textLayout().text().runs().front().look.foreground;
        EXPECT_EQ(drawn, c.expectOwn ? red : c.expected);
    }
}

TEST(Label, AttributedTextKeepsItsOwnAttributesAndTakesTheLabelsElsewhere) {
    AttributedString text(QStringLiteral("plain bold"));
    FontDescription bold = testFont().bold();
    bold.pointSize = 30;
    text.addAttribute(TextAttribute::Font, QVariant::fromValue(bold), 6, 4);
    text.addAttribute(TextAttribute::ForegroundColor, QVariant::fromValue(colorValue(Qt::green)), 6,
                      4);
    const auto label = View::make<Label>(QRectF(0, 0, 300, 60));
    label->setFont(testFont());
    label->setTextColor(Qt::red);
    label->setAttributedText(text);

    const auto& runs = label->textLayout().text().runs();
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].look.foreground, QColor(Qt::red));
    EXPECT_EQ(runs[0].look.font.pixelSize(), resolveFont(testFont()).pixelSize());
    EXPECT_EQ(runs[1].look.foreground, QColor(Qt::green));
    EXPECT_EQ(runs[1].look.font.pixelSize(), resolveFont(bold).pixelSize());

    // Setting the font afterwards applies it to the whole text.
    label->setFont(testFont());
    EXPECT_EQ(label->textLayout().text().runs().back().look.font.pixelSize(),
              resolveFont(testFont()).pixelSize());
    EXPECT_EQ(label->text(), QStringLiteral("plain bold"));
}

TEST(Label, DrawsItsTextIntoTheBounds) {
    const auto label = labelWith(QStringLiteral("MMMM"), {0, 0, 100, 40});
    label->setTextColor(Qt::black);
    label->setBackgroundColor(Qt::white);
    const QImage image = label->snapshot(1);
    int dark = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            dark += qGray(image.pixel(x, y)) < 128 ? 1 : 0;
        }
    }
    EXPECT_GT(dark, 20);
    EXPECT_FALSE(label->isUserInteractionEnabled());
}
