#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/Scheduler.h"
#include "platform/ui/standins/EditMenu.h"
#include "platform/ui/standins/input/MemoryPasteboard.h"
#include "platform/ui/view/EditAction.h"
#include "platform/ui/view/Window.h"
#include "toolkit/richtext/ZVRichText.h"
#include "toolkit/richtext/attachments/ZVRichTextCheckbox.h"
#include "toolkit/style/RichTextAttributes.h"
#include "toolkit/style/ZVTextStyles.h"

#include <QtGui/QImage>

#include <gtest/gtest.h>

namespace {

namespace Attr = platform::TextAttribute;
using platform::AttributedString;
using platform::TouchPhase;

const QString kLink = QStringLiteral("http://x.test/page");
const QString kWords = QStringLiteral("words that go on and on and on well past the edge");

AttributedString bodyText(const QString& text, const platform::TextAttributes& extra = {}) {
    platform::TextAttributes attributes = ZVTextStyles::attributesForStyle(0);
    for (auto it = extra.begin(); it != extra.end(); ++it) {
        attributes.insert(it.key(), it.value());
    }
    return AttributedString(text, attributes);
}

AttributedString linkText(const QString& text) {
    return bodyText(text, {{Attr::Link, kLink}, {ZVLinkIndexAttributeName, 1}});
}

struct LinkRecorder : ZVRichTextDelegate {
    std::vector<bool> toggles;
    void checkboxToggled(bool checked) override { toggles.push_back(checked); }
};

// A window at one pixel per point holding the view at its top-left corner.
class RichTextView : public ::testing::Test {
protected:
    RichTextView() {
        window->setRootView(root);
        root->setBackgroundColor(Qt::white);
        root->addSubview(view);
        ZVRichText::setURLHandler(
            {[this](const QString& url, const QRectF&, platform::View&) { opened.push_back(url); },
             [this](const QUrl& url, const QRectF&, platform::View&,
                    std::function<void()> completion) {
                 menus.push_back(url.toString());
                 closeMenu = std::move(completion);
             }});
    }

    void touch(TouchPhase phase, QPointF point) { window->sendTouch(1, phase, point); }
    void advance(double seconds) { platform::Scheduler::main().advance(seconds); }

    std::shared_ptr<platform::Window> window =
        platform::Window::make({platform::DeviceProfile::Idiom::Phone, {400, 300}, 1, 20});
    std::shared_ptr<platform::View> root = platform::View::make(QRectF(0, 0, 400, 300));
    std::shared_ptr<ZVRichText> view = platform::View::make<ZVRichText>();
    std::vector<QString> opened;
    std::vector<QString> menus;
    std::function<void()> closeMenu;
};

TEST_F(RichTextView, TextWidthOfOneLineAndOfSeveral) {
    view->setFrame(QRectF(0, 0, 300, 200));
    view->setAttributedText(bodyText(QStringLiteral("short")));
    EXPECT_GT(view->textWidth(), 10);
    EXPECT_LT(view->textWidth(), 100);

    view->setAttributedText(bodyText(kWords + kWords));
    EXPECT_EQ(view->textWidth(), 300);
}

// A reused cell hands its view an equal text on every reload. The lines laid out for it stay only
// while what they were laid out by stays: the size and the truncation mode.
TEST_F(RichTextView, AnEqualTextIsLaidOutAgainWhenTheSizeOrTheModeChanged) {
    const AttributedString text = bodyText(kWords + kWords + kWords);
    view->setFrame(QRectF(0, 0, 300, 40));
    view->setAttributedText(text);
    // Not watched without a mode.
    EXPECT_EQ(view->truncationState(), ZVRichText::kAllFits);

    view->setTruncationMode(ZVRichText::kTruncationNoted);
    view->setAttributedText(text);
    EXPECT_NE(view->truncationState(), ZVRichText::kAllFits);

    view->setFrame(QRectF(0, 0, 400, 300));
    view->setAttributedText(text);
    EXPECT_EQ(view->truncationState(), ZVRichText::kAllFits);

    view->setAttributedText(bodyText(QStringLiteral("short")));
    EXPECT_LT(view->textWidth(), 100);
}

TEST_F(RichTextView, TruncationFadeCoversTheCutEdgeOnlyOnAnOpaqueBackground) {
    view->setFrame(QRectF(0, 0, 200, 24));
    view->setTruncationMode(ZVRichText::kTruncationFaded);
    view->setAttributedText(bodyText(kWords.left(20) + QStringLiteral("\n") + kWords));
    EXPECT_EQ(view->truncationState(), ZVRichText::kCutOneLine);

    const auto darkPixelsInColumn = [&](int x) {
        const QImage image = root->snapshot(1);
        int dark = 0;
        for (int y = 0; y < 24; ++y) {
            dark += qGray(image.pixel(x, y)) < 128;
        }
        return dark;
    };
    // The text reaches the right end, but the fade hides it there and lets it show further in.
    EXPECT_EQ(darkPixelsInColumn(199), 0);
    EXPECT_GT(darkPixelsInColumn(20), 0);

    view->setBackgroundColor(Qt::transparent);
    view->setNeedsDisplay();
    int darkNearTheEnd = 0;
    for (int x = 150; x < 200; ++x) {
        darkNearTheEnd += darkPixelsInColumn(x);
    }
    EXPECT_GT(darkNearTheEnd, 0);

    // A new size lays the text out again.
    view->setFrame(QRectF(0, 0, 80, 60));
    view->layoutIfNeeded();
    EXPECT_EQ(view->truncationState(), ZVRichText::kCutSeveralLines);
}

TEST_F(RichTextView, ATapOpensTheLinkJustAfterTheFingerLifts) {
    view->setFrame(QRectF(0, 0, 300, 100));
    view->setAttributedText(linkText(QStringLiteral("open me")));
    const QPointF onLink = view->highlightFrame().center();
    ASSERT_FALSE(view->highlightFrame().isEmpty());

    touch(TouchPhase::Began, onLink);
    EXPECT_TRUE(view->attachments().front()->tapped());
    touch(TouchPhase::Ended, onLink);
    EXPECT_FALSE(view->attachments().front()->tapped());
    advance(0.09);
    EXPECT_TRUE(opened.empty());
    advance(0.02);
    EXPECT_EQ(opened, std::vector<QString>{kLink});
    // The long press was called off by the lift.
    advance(2);
    EXPECT_TRUE(menus.empty());
}

TEST_F(RichTextView, HoldingALinkShowsTheShareMenuInsteadOfOpeningIt) {
    view->setFrame(QRectF(0, 0, 300, 100));
    view->setAttributedText(linkText(QStringLiteral("open me")));
    const QPointF onLink = view->highlightFrame().center();

    touch(TouchPhase::Began, onLink);
    advance(1.0);
    EXPECT_EQ(menus, std::vector<QString>{kLink});
    EXPECT_TRUE(view->menuShowing());
    touch(TouchPhase::Ended, onLink);
    advance(1.0);
    EXPECT_TRUE(opened.empty());
    closeMenu();
    EXPECT_FALSE(view->menuShowing());
    EXPECT_FALSE(view->attachments().front()->tapped());
}

TEST_F(RichTextView, PressingOnePieceOfAWrappedLinkMarksEveryPiece) {
    view->setFrame(QRectF(0, 0, 120, 200));
    AttributedString text = linkText(QStringLiteral("a link long enough to wrap"));
    view->setAttributedText(text);
    ASSERT_GE(view->attachments().size(), 1u);
    // One link attachment holds both lines' pieces; its frame spans two lines.
    const QRectF box = view->highlightFrame();
    EXPECT_GT(box.height(), 40);
    touch(TouchPhase::Began, QPointF(box.left() + 5, box.bottom() - 5));
    for (const auto& attachment : view->attachments()) {
        EXPECT_TRUE(attachment->tapped());
    }
    touch(TouchPhase::Cancelled, QPointF(box.left() + 5, box.bottom() - 5));
    for (const auto& attachment : view->attachments()) {
        EXPECT_FALSE(attachment->tapped());
    }
}

TEST_F(RichTextView, ACheckboxTogglesAndTellsTheDelegate) {
    const auto recorder = std::make_shared<LinkRecorder>();
    view->setDelegate(recorder);
    view->setFrame(QRectF(0, 0, 300, 100));
    AttributedString text = bodyText(QStringLiteral("[ ]"), {{ZVCheckboxAttributeName, false}});
    text.append(bodyText(QStringLiteral(" buy milk")));
    view->setAttributedText(text);
    ASSERT_EQ(view->attachments().size(), 1u);
    const auto& box = dynamic_cast<ZVRichTextCheckbox&>(*view->attachments().front());
    const QPointF onBox = box.frame().center();

    touch(TouchPhase::Began, onBox);
    touch(TouchPhase::Ended, onBox);
    EXPECT_FALSE(box.checked());
    advance(0.1);
    EXPECT_TRUE(box.checked());
    EXPECT_EQ(recorder->toggles, std::vector<bool>{true});
    EXPECT_TRUE(opened.empty());
}

TEST_F(RichTextView, ReplacingTheTextStopsAFadingHighlight) {
    view->setFrame(QRectF(0, 0, 300, 100));
    const QDateTime now = platform::Scheduler::main().currentDate();
    view->setAttributedText(
        bodyText(QStringLiteral("hit"),
                 {{Attr::BackgroundColor, QVariant::fromValue(platform::Color{255, 230, 128, 255})},
                  {ZVFadingHighlightAttributeName, now}}));
    EXPECT_TRUE(view->isAnimating());
    view->setAttributedText(bodyText(QStringLiteral("plain")));
    EXPECT_FALSE(view->isAnimating());
}

}  // namespace

TEST_F(RichTextView, TheEditMenuCopiesThePressedLinkAndItsHidingLetsTheLinkGo) {
    platform::Pasteboard::setGeneral(std::make_shared<platform::MemoryPasteboard>());
    view->setFrame(QRectF(0, 0, 300, 100));
    view->setAttributedText(linkText(QStringLiteral("open me")));
    EXPECT_TRUE(view->canBecomeFirstResponder());
    EXPECT_TRUE(view->canPerformAction(platform::EditAction::Copy));
    EXPECT_FALSE(view->canPerformAction(platform::EditAction::Paste));
    EXPECT_FALSE(view->performAction(platform::EditAction::Paste));

    touch(TouchPhase::Began, view->highlightFrame().center());
    advance(1.0);
    ASSERT_TRUE(view->menuShowing());
    EXPECT_TRUE(view->performAction(platform::EditAction::Copy));
    EXPECT_EQ(platform::Pasteboard::general()->string(), kLink);

    platform::NotificationCenter::defaultCenter().postNotificationName(
        platform::EditMenu::kDidHideNotification);
    EXPECT_FALSE(view->menuShowing());
    EXPECT_FALSE(view->attachments().front()->tapped());
    // The share menu's own ending afterwards changes nothing.
    closeMenu();
    EXPECT_FALSE(view->menuShowing());
}
