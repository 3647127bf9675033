#include "platform/ui/controls/ActivityIndicator.h"
#include "platform/ui/text/AttributedText.h"
#include "platform/ui/text/TextFrame.h"
#include "toolkit/richtext/ZVRichText.h"
#include "toolkit/richtext/ZVRichTextLayout.h"
#include "toolkit/tables/ZVTableMessage.h"

#include <gtest/gtest.h>

namespace {

const QString kTwoLines =
    QStringLiteral("Messages older than these are kept on the server and load as you scroll up");

TEST(ZVTableMessage, ItsHeightIsItsTextsAtTheWidthLessTheMarginsPlusTen) {
    auto row = platform::View::make<ZVTableMessage>();
    row->setText(kTwoLines);
    row->setFrame(QRectF(0, 0, 320, 1));
    const auto& text = row->textView()->attributedText();
    const qreal expected = ZVRichTextLayout::heightForText(text, 294) + 10;
    EXPECT_EQ(row->frame().height(), expected);
    // Two lines indeed: more than one line's height.
    EXPECT_GT(expected - 10, ZVRichTextLayout::heightForText(text.substring(0, 8), 294) * 1.5);
    row->layoutIfNeeded();
    EXPECT_EQ(row->textView()->frame(), QRectF(13, 5, 294, expected - 10));

    row->setMarginWidth(30);
    row->setFrame(QRectF(0, 0, 320, 1));
    EXPECT_EQ(row->frame().height(), ZVRichTextLayout::heightForText(text, 260) + 10);

    // Without text the given height stays.
    auto empty = platform::View::make<ZVTableMessage>();
    empty->setFrame(QRectF(0, 0, 320, 33));
    EXPECT_EQ(empty->frame().height(), 33);
}

TEST(ZVTableMessage, OneSpinnerFollowsTheTextWhileActivityIsOn) {
    auto row = platform::View::make<ZVTableMessage>();
    row->setText("Loading");
    row->setActivity(true);
    const auto spinner = row->activityIndicator();
    row->setActivity(true);
    ASSERT_NE(spinner, nullptr);
    EXPECT_EQ(row->activityIndicator(), spinner);
    EXPECT_EQ(std::count(row->subviews().begin(), row->subviews().end(), spinner), 1);
    EXPECT_TRUE(spinner->isAnimating());

    row->setFrame(QRectF(0, 0, 320, 1));
    row->layoutIfNeeded();
    const qreal natural = platform::TextFrame::suggestedSize(
                              platform::resolveAttributedText(row->textView()->attributedText()),
                              {platform::TextFrame::kUnlimited, platform::TextFrame::kUnlimited})
                              .width();
    EXPECT_EQ(spinner->center(), QPointF(13 + natural + 5 + spinner->bounds().width() / 2,
                                         row->bounds().center().y()));

    row->setActivity(false);
    EXPECT_EQ(row->activityIndicator(), nullptr);
    EXPECT_EQ(spinner->superview(), nullptr);
}

}  // namespace
