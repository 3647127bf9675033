#include "platform/foundation/Scheduler.h"
#include "platform/ui/standins/FakeAlertPresenter.h"
#include "platform/ui/standins/OverlayAlertPresenter.h"
#include "platform/ui/standins/ShareSheet.h"
#include "platform/ui/standins/WindowOverlay.h"
#include "platform/ui/standins/input/MemoryPasteboard.h"
#include "platform/ui/view/Window.h"

#include <gtest/gtest.h>

namespace platform {
namespace {

constexpr double kPastTheFade = WindowOverlay::kFadeDuration + 0.05;

class AlertTest : public ::testing::Test {
protected:
    void SetUp() override {
        AlertPresenter::setShared(presenter);
        window->setRootView(root);
    }
    void useTablet() { window->setProfile(DeviceProfile::tablet()); }

    // A tap at a point of the window, and what it sets off.
    void tap(QPointF at) {
        window->sendTouch(0, TouchPhase::Began, at);
        window->sendTouch(0, TouchPhase::Ended, at);
        Scheduler::main().advance(kPastTheFade);
    }
    QPointF centreOf(const View& view) {
        return view.convertRectTo(view.bounds(), nullptr).center();
    }
    QStringList buttonTitles(const AlertCardView& card) {
        QStringList titles;
        for (const auto& [button, index] : card.buttons()) {
            titles.append(button->currentTitle());
        }
        return titles;
    }
    std::shared_ptr<AlertAction> counting(const QString& title, AlertActionStyle style) {
        return AlertAction::make(title, style, [this, title](AlertAction&) { ran.append(title); });
    }

    std::shared_ptr<OverlayAlertPresenter> presenter = std::make_shared<OverlayAlertPresenter>();
    std::shared_ptr<Window> window = Window::make();
    std::shared_ptr<View> root = View::make(QRectF(0, 0, 375, 667));
    QStringList ran;
};

TEST_F(AlertTest, AnActionRunsItsHandlerOnceAfterTheAlertHasGone) {
    auto alert = AlertController::make(QStringLiteral("Leave conversation?"),
                                       QStringLiteral("You will no longer see new messages."),
                                       AlertStyle::Alert);
    alert->addAction(counting(QStringLiteral("Leave"), AlertActionStyle::Destructive));
    alert->addAction(counting(QStringLiteral("Cancel"), AlertActionStyle::Cancel));
    alert->addAction(counting(QStringLiteral("Mute instead"), AlertActionStyle::Default));
    EXPECT_FALSE(alert->addAction(counting(QStringLiteral("Never"), AlertActionStyle::Cancel)));

    bool shown = false;
    ASSERT_TRUE(alert->present(*root, true, [&] { shown = true; }));
    EXPECT_FALSE(alert->present(*root, true));
    EXPECT_FALSE(shown);
    Scheduler::main().advance(kPastTheFade);
    EXPECT_TRUE(shown);

    const auto card = presenter->cardFor(alert);
    ASSERT_TRUE(card);
    EXPECT_EQ(buttonTitles(*card), (QStringList{"Leave", "Mute instead", "Cancel"}));
    EXPECT_EQ(centreOf(*card), QPointF(187.5, 333.5));

    // A touch on the screen beneath reaches the dimming cover, not the screen.
    EXPECT_NE(window->hitTest(QPointF(5, 5), nullptr), root.get());

    const QPointF mute = centreOf(*card->buttons()[1].first);
    window->sendTouch(0, TouchPhase::Began, mute);
    window->sendTouch(0, TouchPhase::Ended, mute);
    Scheduler::main().runPending();
    // Chosen, but the handler waits for the alert to fade out.
    EXPECT_FALSE(alert->isPresented());
    EXPECT_TRUE(ran.isEmpty());
    Scheduler::main().advance(kPastTheFade);
    EXPECT_EQ(ran, QStringList{"Mute instead"});
    EXPECT_EQ(card->window(), nullptr);
    EXPECT_EQ(window->hitTest(QPointF(5, 5), nullptr), root.get());

    tap(mute);
    EXPECT_FALSE(alert->chooseAction(0));
    Scheduler::main().advance(kPastTheFade);
    EXPECT_EQ(ran, QStringList{"Mute instead"});
}

TEST_F(AlertTest, AnActionSheetSitsAtTheBottomAndItsCancelRunsOnlyTheCancelHandler) {
    auto sheet = AlertController::make(QString(), QString(), AlertStyle::ActionSheet);
    sheet->addAction(counting(QStringLiteral("Cancel"), AlertActionStyle::Cancel));
    sheet->addAction(counting(QStringLiteral("Take photo"), AlertActionStyle::Default));
    sheet->addAction(counting(QStringLiteral("Choose from library"), AlertActionStyle::Default));
    EXPECT_FALSE(sheet->addTextField());
    ASSERT_TRUE(sheet->present(*root, false));
    EXPECT_FALSE(sheet->isPopover());

    const auto card = presenter->cardFor(sheet);
    ASSERT_TRUE(card);
    EXPECT_EQ(buttonTitles(*card), (QStringList{"Take photo", "Choose from library", "Cancel"}));
    EXPECT_DOUBLE_EQ(card->frame().bottom(), 667 - OverlayAlertPresenter::kSheetInset);
    EXPECT_DOUBLE_EQ(card->frame().width(), 375 - 2 * OverlayAlertPresenter::kSheetInset);
    // No title or message: the buttons start at the top.
    EXPECT_DOUBLE_EQ(card->frame().height(), 3 * AlertCardView::kButtonHeight);

    // Outside the card on a phone: nothing.
    tap(QPointF(100, 100));
    EXPECT_TRUE(sheet->isPresented());
    tap(centreOf(*card->buttons()[2].first));
    EXPECT_EQ(ran, QStringList{"Cancel"});
    EXPECT_FALSE(sheet->isPresented());
}

TEST_F(AlertTest, OnATabletAnActionSheetIsAPopoverThatATapOutsideCancels) {
    useTablet();
    root->setFrame(window->bounds());
    auto anchor = View::make(QRectF(600, 500, 100, 40));
    root->addSubview(anchor);
    for (const bool withCancel : {true, false}) {
        auto sheet = AlertController::make(QString(), QString(), AlertStyle::ActionSheet);
        sheet->addAction(counting(QStringLiteral("Pin"), AlertActionStyle::Default));
        if (withCancel) {
            sheet->addAction(counting(QStringLiteral("Cancel"), AlertActionStyle::Cancel));
        }
        sheet->setSourceView(anchor);
        sheet->setSourceRect(anchor->bounds());
        ASSERT_TRUE(sheet->present(*root, false));
        EXPECT_TRUE(sheet->isPopover());
        const auto card = presenter->cardFor(sheet);
        ASSERT_TRUE(card);
        EXPECT_EQ(buttonTitles(*card), QStringList{"Pin"});
        EXPECT_DOUBLE_EQ(card->frame().bottom(), 500 - WindowOverlay::kMargin);
        EXPECT_DOUBLE_EQ(card->frame().center().x(),
                         768 - WindowOverlay::kMargin - AlertCardView::kPopoverWidth / 2);
        tap(QPointF(50, 900));
        EXPECT_FALSE(sheet->isPresented());
    }
    // Once for the sheet with a cancel action; the other just went.
    EXPECT_EQ(ran, QStringList{"Cancel"});
}

TEST_F(AlertTest, AnInputAlertHandsTheTypedTextToItsAction) {
    auto alert = AlertController::make(QStringLiteral("Rename"), QString(), AlertStyle::Alert);
    ASSERT_TRUE(alert->addTextField(
        [](AlertTextField& field) { field.placeholder = QStringLiteral("Topic"); }));
    QString received;
    alert->addAction(
        AlertAction::make(QStringLiteral("Save"), AlertActionStyle::Default,
                          [&](AlertAction&) { received = alert->textFields()[0]->text; }));
    ASSERT_TRUE(alert->present(*root, false));
    // The field takes the keyboard at once.
    window->sendTextInput({QString(), QStringLiteral("Plans "), 0, 0});
    window->sendTextInput({QString(), QStringLiteral("\U0001F600"), 0, 0});
    window->sendKey({Qt::Key_Backspace, Qt::NoModifier, QString()});
    window->sendKey({Qt::Key_A, Qt::NoModifier, QStringLiteral("a")});
    EXPECT_EQ(alert->textFields()[0]->text, QStringLiteral("Plans a"));
    ASSERT_TRUE(alert->chooseAction(0));
    Scheduler::main().advance(kPastTheFade);
    EXPECT_EQ(received, QStringLiteral("Plans a"));
    // Nothing of the alert keeps it after it has gone.
    const std::weak_ptr<AlertController> weak = alert;
    alert.reset();
    EXPECT_TRUE(weak.expired());
}

TEST_F(AlertTest, ADisabledActionCannotBeChosenAndAWindowlessViewPresentsNothing) {
    auto alert = AlertController::make(QStringLiteral("T"), QString(), AlertStyle::Alert);
    auto save = counting(QStringLiteral("Save"), AlertActionStyle::Default);
    save->setEnabled(false);
    alert->addAction(save);
    EXPECT_FALSE(alert->present(*View::make(), false));
    ASSERT_TRUE(alert->present(*root, false));
    EXPECT_FALSE(alert->chooseAction(0));
    EXPECT_FALSE(alert->chooseAction(7));
    alert->dismiss(false);
    EXPECT_FALSE(alert->isPresented());
    EXPECT_TRUE(ran.isEmpty());
    EXPECT_FALSE(presenter->cardFor(alert));
}

class ShareSheetTest : public ::testing::Test {
protected:
    void SetUp() override {
        AlertPresenter::setShared(presenter);
        Pasteboard::setGeneral(pasteboard);
        window->setRootView(root);
    }
    std::shared_ptr<FakeAlertPresenter> presenter = std::make_shared<FakeAlertPresenter>();
    std::shared_ptr<MemoryPasteboard> pasteboard = std::make_shared<MemoryPasteboard>();
    std::shared_ptr<Window> window = Window::make();
    std::shared_ptr<View> root = View::make(QRectF(0, 0, 375, 667));
};

TEST_F(ShareSheetTest, TheChosenActivityIsPerformedAndReportedOnce) {
    const QUrl link(QStringLiteral("https://example.org/a?b=1"));
    std::vector<std::pair<QString, bool>> completions;
    auto share = ShareSheet::make({link});
    share->setCompletion(
        [&](const QString& type, bool completed) { completions.emplace_back(type, completed); });
    EXPECT_EQ(share->activityTypes(),
              (QStringList{ShareSheet::kCopyActivity, ShareSheet::kOpenActivity}));
    ASSERT_TRUE(share->present(*root, false));
    ASSERT_TRUE(presenter->top());
    EXPECT_EQ(presenter->top()->style(), AlertStyle::ActionSheet);
    ASSERT_TRUE(presenter->choose(QStringLiteral("Copy")));
    EXPECT_EQ(pasteboard->string(), link.toString());
    ASSERT_EQ(completions.size(), 1u);
    EXPECT_EQ(completions[0], std::make_pair(ShareSheet::kCopyActivity, true));
    EXPECT_FALSE(presenter->choose(QStringLiteral("Cancel")));
    EXPECT_EQ(completions.size(), 1u);

    // Cancelled: no activity, nothing copied.
    pasteboard->clear();
    auto cancelled = ShareSheet::make({QStringLiteral("plain words")});
    cancelled->setCompletion(
        [&](const QString& type, bool completed) { completions.emplace_back(type, completed); });
    EXPECT_EQ(cancelled->activityTypes(), QStringList{ShareSheet::kCopyActivity});
    ASSERT_TRUE(cancelled->present(*root, false));
    ASSERT_TRUE(presenter->choose(QStringLiteral("Cancel")));
    ASSERT_EQ(completions.size(), 2u);
    EXPECT_TRUE(completions[1].first.isNull());
    EXPECT_FALSE(completions[1].second);
    EXPECT_TRUE(pasteboard->string().isNull());

    // Nothing to share: no sheet.
    EXPECT_FALSE(ShareSheet::make({QVariant(42)})->present(*root, false));
    EXPECT_EQ(presenter->presentedCount(), 2);
}

}  // namespace
}  // namespace platform
