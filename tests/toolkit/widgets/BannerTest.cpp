#include "platform/foundation/AttributedString.h"
#include "platform/ui/controls/Button.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/text/AttributedText.h"
#include "platform/ui/view/Window.h"
#include "toolkit/richtext/ZVRichText.h"
#include "toolkit/richtext/ZVRichTextLayout.h"
#include "toolkit/style/ColorUtils.h"
#include "toolkit/style/ZVColors.h"
#include "toolkit/widgets/ZVInformationBanner.h"
#include "toolkit/widgets/ZVMessageBanner.h"

#include <gtest/gtest.h>

using platform::resolveColor;

namespace {

struct ClosedCounter : ZVMessageBannerDelegate {
    int closed = 0;
    void bannerClosed(ZVMessageBanner&) override { ++closed; }
};

}  // namespace

TEST(MessageBanner, LaysOutCloseButtonAtTheRightEndAndReportsClose) {
    auto window = platform::Window::make();
    auto banner = std::make_shared<ZVMessageBanner>();
    EXPECT_EQ(banner->frame(), QRectF(0, 0, 100, 40));
    window->addSubview(banner);
    banner->setFrame(QRectF(0, 100, 320, 40));
    banner->setMessage(QStringLiteral("1 file waiting to be shared"));
    banner->layoutIfNeeded();

    EXPECT_EQ(banner->closeButton()->center(), QPointF(300, 20));
    const QRectF label = banner->label()->frame();
    EXPECT_EQ(label.topLeft(), QPointF(5, 5));
    EXPECT_EQ(label.height(), 30);
    EXPECT_EQ(label.width(), banner->closeButton()->frame().x() - 10);
    EXPECT_EQ(banner->message(), QStringLiteral("1 file waiting to be shared"));
    EXPECT_EQ(banner->label()->backgroundColor(), banner->backgroundColor());

    auto delegate = std::make_shared<ClosedCounter>();
    banner->setDelegate(delegate);
    const QPointF tap =
        banner->closeButton()->convertPointTo(banner->closeButton()->bounds().center(), nullptr);
    window->sendTouch(1, platform::TouchPhase::Began, tap);
    window->sendTouch(1, platform::TouchPhase::Ended, tap);
    EXPECT_EQ(delegate->closed, 1);

    delegate.reset();
    banner->closeClicked();  // a delegate that is gone is not called
}

TEST(InformationBanner, HeightFollowsTheNote) {
    ZVInformationBanner banner;
    banner.setFrame(QRectF(0, 0, 320, 50));
    EXPECT_EQ(banner.frame().height(), 50) << "without a note the height stands";

    platform::AttributedString note(QStringLiteral("Members can see every message of this team. ") +
                                    QStringLiteral("Invite people by their e-mail address."));
    const qreal noteHeight = ZVRichTextLayout::heightForText(note, 320 - 41);
    ASSERT_GT(noteHeight, 0);
    banner.setMessage(note);
    EXPECT_EQ(banner.frame().height(), noteHeight + 36);
    banner.layoutIfNeeded();
    EXPECT_EQ(banner.text()->frame(), QRectF(23, 18, 320 - 41, noteHeight));

    banner.setFrame(QRectF(0, 0, 200, 10));
    EXPECT_EQ(banner.frame().height(), ZVRichTextLayout::heightForText(note, 200 - 41) + 36);
}

TEST(InformationBanner, DrawsACardWithAStripe) {
    auto banner = std::make_shared<ZVInformationBanner>();
    banner->setFrame(QRectF(0, 0, 200, 80));
    const QImage shot = banner->snapshot(1);
    EXPECT_EQ(shot.pixelColor(5, 40), resolveColor(ZVColors::background()));
    EXPECT_EQ(shot.pixelColor(16, 40),
              resolveColor(colorWithName(QStringLiteral("gradient_from"))));
    EXPECT_EQ(shot.pixelColor(100, 40), QColor(Qt::white));
}
