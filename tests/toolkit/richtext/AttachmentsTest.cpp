#include "platform/foundation/Application.h"
#include "platform/foundation/Resources.h"
#include "platform/foundation/Scheduler.h"
#include "platform/ui/resources/Images.h"
#include "tests/support/TestEnvironment.h"
#include "toolkit/richtext/ZVRichTextLayout.h"
#include "toolkit/richtext/attachments/ZVRichTextBackground.h"
#include "toolkit/richtext/attachments/ZVRichTextCheckbox.h"
#include "toolkit/richtext/attachments/ZVRichTextEmoticon.h"
#include "toolkit/richtext/attachments/ZVRichTextLink.h"
#include "toolkit/style/Geometry.h"
#include "toolkit/style/RichTextAttributes.h"
#include "toolkit/style/ZVTextStyles.h"

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtGui/QImage>

#include <gtest/gtest.h>

namespace {

namespace Attr = platform::TextAttribute;
using platform::AttributedString;
using platform::TextAttributes;
using Attachments = ZVRichTextLayout::Attachments;

TextAttributes body(const TextAttributes& extra = {}) {
    TextAttributes attributes = ZVTextStyles::attributesForStyle(0);
    for (auto it = extra.begin(); it != extra.end(); ++it) {
        attributes.insert(it.key(), it.value());
    }
    return attributes;
}

AttributedString pieces(const std::vector<std::pair<QString, TextAttributes>>& parts) {
    AttributedString text;
    for (const auto& [string, attributes] : parts) {
        text.append(string, body(attributes));
    }
    return text;
}

TEST(RichTextAttachments, RangesFollowEarlierSubstitutions) {
    const AttributedString text = pieces({
        {"a", {}},
        {"[ ]", {{ZVCheckboxAttributeName, false}}},
        {"b", {}},
        {"xy", {{Attr::Link, "http://x.test/"}, {ZVLinkIndexAttributeName, 1}}},
        {"[x]", {{ZVCheckboxAttributeName, true}}},
        {"\n", {{ZVHorizontalLineAttributeName, 1}}},
    });
    Attachments attachments;
    const AttributedString result = ZVRichTextLayout::extractAttachments(text, &attachments, {});
    EXPECT_EQ(result.string(), QStringLiteral("a\uFFFCbxy\uFFFC\n"));
    ASSERT_EQ(attachments.size(), 4u);
    const std::pair<qsizetype, qsizetype> ranges[] = {{1, 1}, {3, 2}, {5, 1}, {6, 1}};
    for (std::size_t i = 0; i < attachments.size(); ++i) {
        EXPECT_EQ(attachments[i]->range().location, ranges[i].first) << i;
        EXPECT_EQ(attachments[i]->range().length, ranges[i].second) << i;
    }
    EXPECT_FALSE(dynamic_cast<ZVRichTextCheckbox&>(*attachments[0]).checked());
    EXPECT_TRUE(dynamic_cast<ZVRichTextCheckbox&>(*attachments[2]).checked());
    // Text without attachments comes back as it is.
    const AttributedString plain = pieces({{"plain", {}}});
    EXPECT_EQ(ZVRichTextLayout::extractAttachments(plain, nullptr, {}), plain);
}

TEST(RichTextAttachments, CheckboxTakesItsImageAndAGap) {
    const QSizeF image = platform::Images::pointSize(
        platform::Images::named(QStringLiteral("icon-checkbox-normal")));
    ASSERT_GT(image.width(), 0);
    ZVRichTextCheckbox box({}, {0, 3}, {{ZVCheckboxAttributeName, false}});
    EXPECT_EQ(box.size(), QSizeF(image.width() + 5, image.height()));
    const platform::PlaceholderMetrics metrics = box.metrics();
    EXPECT_EQ(metrics.width, image.width() + 5);
    EXPECT_EQ(metrics.descent, 2);
    EXPECT_EQ(metrics.ascent, image.height() - 2);
}

TEST(RichTextAttachments, EmoticonWithoutItsPictureStaysText) {
    const QString dir = zvtest::makeTempDir(QStringLiteral("resources"));
    QDir().mkpath(dir + QStringLiteral("/images"));
    QImage picture(40, 40, QImage::Format_ARGB32);
    picture.fill(Qt::yellow);
    ASSERT_TRUE(picture.save(dir + QStringLiteral("/images/ic_e_smile@2x.png")));
    platform::Resources::setDirectory(dir);
    platform::Images::clearCache();

    const AttributedString text = pieces({
        {":)", {{ZVEmoticonAttributeName, "esmile"}, {ZVEmoticonSizeAttributeName, false}}},
        {" ", {}},
        {":Q", {{ZVEmoticonAttributeName, "enosuch"}, {ZVEmoticonSizeAttributeName, false}}},
        // The large picture of the same kind is missing too.
        {":(", {{ZVEmoticonAttributeName, "esmile"}, {ZVEmoticonSizeAttributeName, true}}},
    });
    Attachments attachments;
    const AttributedString result = ZVRichTextLayout::extractAttachments(text, &attachments, {});
    EXPECT_EQ(result.string(), QStringLiteral("\uFFFC :Q:("));
    ASSERT_EQ(attachments.size(), 1u);
    EXPECT_EQ(dynamic_cast<ZVRichTextEmoticon&>(*attachments[0]).name(), QStringLiteral("esmile"));
    EXPECT_EQ(attachments[0]->size(), QSizeF(20, 20));

    platform::Resources::setDirectory({});
    platform::Images::clearCache();
}

TEST(RichTextAttachments, FadingHighlightRunsItsLastSecondsThenClears) {
    const platform::Color yellow{255, 230, 128, 255};
    const QDateTime now = platform::Scheduler::main().currentDate();
    const auto highlight = [&](int secondsAgo) {
        return ZVRichTextBackground({}, {0, 3},
                                    {{Attr::BackgroundColor, QVariant::fromValue(yellow)},
                                     {ZVFadingHighlightAttributeName, now.addSecs(-secondsAgo)}});
    };

    ZVRichTextBackground recent = highlight(1);
    EXPECT_EQ(recent.fading(), 75);
    int steps = 0;
    while (recent.animating()) {
        recent.animate();
        ++steps;
        if (steps <= 50) {
            EXPECT_EQ(recent.color(), yellow) << steps;
        }
    }
    EXPECT_EQ(steps, 75);
    EXPECT_EQ(recent.color()->alpha, 0);

    ZVRichTextBackground old = highlight(5);
    EXPECT_FALSE(old.animating());
    EXPECT_EQ(old.color(), platform::Color::clear());

    // Without a time stamp the colour stays.
    ZVRichTextBackground plain({}, {0, 3}, {{Attr::BackgroundColor, QVariant::fromValue(yellow)}});
    EXPECT_FALSE(plain.animating());
    EXPECT_EQ(plain.color(), yellow);
}

TEST(RichTextAttachments, PiecesOfOneLinkContinueEachOther) {
    const auto link = [](int index) {
        return ZVRichTextLink(
            {}, {0, 1},
            {{Attr::Link, QStringLiteral("http://x.test/")}, {ZVLinkIndexAttributeName, index}});
    };
    const ZVRichTextLink first = link(1);
    ZVRichTextLink second = link(1);
    const ZVRichTextLink other = link(2);
    EXPECT_TRUE(second.continuesAttachment(first));
    EXPECT_FALSE(other.continuesAttachment(first));
    EXPECT_FALSE(second.continuesAttachment(ZVRichTextCheckbox({}, {0, 1}, {})));

    second.resetFrame();
    second.addFrame(QRectF(0, 0, 50, 20));
    second.addFrame(QRectF(0, 20, 30, 20));
    EXPECT_TRUE(second.containsPoint(QPointF(10, 30)));
    EXPECT_FALSE(second.containsPoint(QPointF(40, 30)));
    EXPECT_EQ(second.boundingRect(), QRectF(0, 0, 50, 40));
}

TEST(RichTextHeights, EmptyTextIsOneLineAndLowResolutionAddsRoom) {
    EXPECT_EQ(ZVRichTextLayout::heightForText(AttributedString(), 300), 24);
    platform::Application::shared().setScreenScale(1);
    EXPECT_EQ(ZVRichTextLayout::heightForText(AttributedString(), 300), 27);
    platform::Application::shared().setScreenScale(2);

    const AttributedString words =
        pieces({{"some words that wrap over several lines of text", {}}});
    bool truncated = true;
    const qreal wide = ZVRichTextLayout::heightForText(words, QSizeF(2000, 1900), &truncated);
    EXPECT_FALSE(truncated);
    EXPECT_GT(ZVRichTextLayout::heightForText(words, 60), wide);
    ZVRichTextLayout::heightForText(words, QSizeF(60, 30), &truncated);
    EXPECT_TRUE(truncated);
}

}  // namespace
