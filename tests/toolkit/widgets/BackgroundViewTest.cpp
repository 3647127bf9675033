#include "platform/foundation/Scheduler.h"
#include "platform/ui/controls/ImageView.h"
#include "platform/ui/view/Window.h"
#include "toolkit/richtext/ZVRichText.h"
#include "toolkit/widgets/ZVBackgroundView.h"

#include <gtest/gtest.h>

using platform::Scheduler;
using platform::TouchPhase;

namespace {

struct LinkRecorder : ZVRichTextDelegate {
    std::vector<QString> urls;
    bool shouldOpenURL(const QString& url) override {
        urls.push_back(url);
        return false;
    }
};

class BackgroundView : public ::testing::Test {
protected:
    BackgroundView() {
        window->setRootView(root);
        root->addSubview(view);
        view->setFrame(QRectF(0, 0, 320, 480));
        view->layoutIfNeeded();
    }
    std::size_t subviewCount() const { return view->subviews().size(); }

    std::shared_ptr<platform::Window> window =
        platform::Window::make({platform::DeviceProfile::Idiom::Phone, {320, 480}, 1, 20});
    std::shared_ptr<platform::View> root = platform::View::make(QRectF(0, 0, 320, 480));
    std::shared_ptr<ZVBackgroundView> view = std::make_shared<ZVBackgroundView>();
};

}  // namespace

TEST_F(BackgroundView, CloudsOnlyUntilATextIsSet) {
    EXPECT_EQ(subviewCount(), 3u);
    EXPECT_EQ(view->clouds()[0]->center(), QPointF(320.0 / 3, 192));
    EXPECT_EQ(view->clouds()[1]->center(), QPointF(0, 320));
    EXPECT_EQ(view->clouds()[2]->center(), QPointF(224, 100));

    view->setLinkText(QStringLiteral("Start a conversation"));
    EXPECT_FALSE(view->attributedText()) << "a link text alone shows nothing";
    EXPECT_EQ(subviewCount(), 3u);
}

TEST_F(BackgroundView, ShowsWithOneFadeAndASecondTextOnlyReplacesTheLabel) {
    view->setText(QStringLiteral("No conversations"));
    ASSERT_TRUE(view->label());
    ASSERT_TRUE(view->logo());
    const auto label = view->label();
    EXPECT_EQ(subviewCount(), 5u);
    EXPECT_EQ(label->layer().presentationOpacity(), 0);
    Scheduler::main().advance(0.125);
    EXPECT_GT(label->layer().presentationOpacity(), 0);
    EXPECT_LT(label->layer().presentationOpacity(), 1);

    view->setText(QStringLiteral("Nothing unread"));
    EXPECT_EQ(view->label(), label);
    EXPECT_EQ(subviewCount(), 5u);
    EXPECT_EQ(view->attributedText()->string(), QStringLiteral("Nothing unread\n"));
    Scheduler::main().advance(0.15);
    EXPECT_TRUE(label->layer().animationKeys().isEmpty());
    EXPECT_EQ(label->alpha(), 1);
    view->setText(QStringLiteral("Still nothing"));
    EXPECT_TRUE(label->layer().animationKeys().isEmpty()) << "no second fade";

    // The label sits below the illustration, the pair centred in the view.
    const QRectF logo = view->logo()->frame();
    const qreal h = label->frame().height();
    EXPECT_EQ(label->frame().x(), 5);
    EXPECT_EQ(label->frame().width(), 310);
    EXPECT_EQ(label->frame().y(), logo.bottom() + 20);
    EXPECT_EQ(logo.center(), QPointF(160, 240 - (h + 20) / 2));
}

TEST_F(BackgroundView, ClearingDetachesAtOnceAndRemovesAfterTheFade) {
    view->setText(QStringLiteral("No conversations"));
    Scheduler::main().advance(0.3);
    const auto label = view->label();

    view->setText(QString());
    EXPECT_FALSE(view->attributedText());
    EXPECT_FALSE(view->label());
    EXPECT_FALSE(view->logo());
    EXPECT_EQ(subviewCount(), 5u) << "still fading out";
    Scheduler::main().advance(0.2);
    EXPECT_GT(label->layer().presentationOpacity(), 0);
    EXPECT_EQ(subviewCount(), 5u);
    // The fade ends on the first display frame from 0.25 s on.
    Scheduler::main().advance(0.1);
    EXPECT_EQ(subviewCount(), 3u);
    EXPECT_EQ(label->superview(), nullptr);

    // Showing again while the old one fades makes a new pair.
    view->setText(QStringLiteral("Back"));
    view->setText(QString());
    view->setText(QStringLiteral("Again"));
    EXPECT_EQ(subviewCount(), 7u);
    Scheduler::main().advance(0.3);
    EXPECT_EQ(subviewCount(), 5u);
    EXPECT_EQ(view->label()->alpha(), 1);
}

TEST_F(BackgroundView, TheLinkLineReachesTheDelegate) {
    auto delegate = std::make_shared<LinkRecorder>();
    view->setDelegate(delegate);
    view->setText(QStringLiteral("No conversations"));
    view->setLinkText(QStringLiteral("Start one"));
    EXPECT_EQ(view->attributedText()->string(), QStringLiteral("No conversations\nStart one"));
    Scheduler::main().advance(0.3);

    const auto label = view->label();
    label->layoutIfNeeded();
    const QRectF link = label->highlightFrame();
    ASSERT_FALSE(link.isEmpty());
    const QPointF at = label->convertPointTo(link.center(), nullptr);
    EXPECT_GT(at.y(), label->frame().center().y()) << "on its own line, below the text";
    window->sendTouch(1, TouchPhase::Began, at);
    window->sendTouch(1, TouchPhase::Ended, at);
    Scheduler::main().advance(0.2);
    EXPECT_EQ(delegate->urls, std::vector<QString>{QStringLiteral("x")});
}

TEST_F(BackgroundView, ANewContentInsetRecentresAtOnce) {
    view->setText(QStringLiteral("No conversations"));
    const qreal before = view->logo()->center().y();
    view->setContentInset({100, 40, 0, 0});
    EXPECT_EQ(view->logo()->center().y(), before + 50);
    EXPECT_EQ(view->logo()->center().x(), 180);
    EXPECT_EQ(view->label()->frame().x(), 45);
    EXPECT_EQ(view->label()->frame().width(), 270);
}
