#include "platform/foundation/Scheduler.h"
#include "platform/ui/standins/AlertCardView.h"
#include "platform/ui/standins/ShareSheet.h"
#include "platform/ui/standins/input/MemoryPasteboard.h"
#include "platform/ui/view/Window.h"

#include "tests/platform/ui/standins/PresentingWindow.h"

#include <gtest/gtest.h>

namespace platform {
namespace {

constexpr double kPastTheFade = PresentingWindow::kPastTheAnimation;

class AlertTest : public ::testing::Test {
protected:
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

    PresentingWindow presenting;
    std::shared_ptr<Window> window = presenting.window;
    std::shared_ptr<View> root = presenting.root;
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

    const auto card = alert->card();
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

    const auto card = sheet->card();
    ASSERT_TRUE(card);
    EXPECT_EQ(buttonTitles(*card), (QStringList{"Take photo", "Choose from library", "Cancel"}));
    EXPECT_DOUBLE_EQ(card->frame().bottom(), 667 - AlertController::kSheetInset);
    EXPECT_DOUBLE_EQ(card->frame().width(), 375 - 2 * AlertController::kSheetInset);
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
    PresentingWindow tablet(DeviceProfile::tablet());
    auto anchor = View::make(QRectF(600, 500, 100, 40));
    tablet.root->addSubview(anchor);
    for (const bool withCancel : {true, false}) {
        auto sheet = AlertController::make(QString(), QString(), AlertStyle::ActionSheet);
        sheet->addAction(counting(QStringLiteral("Pin"), AlertActionStyle::Default));
        if (withCancel) {
            sheet->addAction(counting(QStringLiteral("Cancel"), AlertActionStyle::Cancel));
        }
        sheet->setSourceView(anchor);
        sheet->setSourceRect(anchor->bounds());
        ASSERT_TRUE(sheet->present(*tablet.root, false));
        EXPECT_TRUE(sheet->isPopover());
        const auto card = sheet->card();
        ASSERT_TRUE(card);
        EXPECT_EQ(buttonTitles(*card), QStringList{"Pin"});
        // Beside its anchor, inside the window.
        const QRectF shown = card->convertRectTo(card->bounds(), nullptr);
        EXPECT_FALSE(shown.intersects(QRectF(600, 500, 100, 40)));
        EXPECT_TRUE(tablet.window->bounds().contains(shown));
        EXPECT_EQ(shown.size(), QSizeF(AlertCardView::kPopoverWidth, AlertCardView::kButtonHeight));

        tablet.window->sendTouch(0, TouchPhase::Began, QPointF(50, 900));
        tablet.window->sendTouch(0, TouchPhase::Ended, QPointF(50, 900));
        Scheduler::main().runPending();
        // Cancelled at the touch; the handler runs once the popover has gone.
        EXPECT_FALSE(sheet->isPresented());
        EXPECT_FALSE(sheet->chooseAction(0));
        Scheduler::main().advance(kPastTheFade);
        EXPECT_FALSE(tablet.alert());
    }
    // Once for the sheet with a cancel action; the other just went.
    EXPECT_EQ(ran, QStringList{"Cancel"});
}

TEST_F(AlertTest, AScreenMayPresentTheAlertItselfAsTheScreensOfTheApplicationDo) {
    PresentingWindow tablet(DeviceProfile::tablet());
    auto sheet = AlertController::make(QString(), QString(), AlertStyle::ActionSheet);
    sheet->addAction(counting(QStringLiteral("More..."), AlertActionStyle::Default));
    sheet->addAction(counting(QStringLiteral("Cancel"), AlertActionStyle::Cancel));
    sheet->setModalPresentationStyle(ViewController::ModalPresentationStyle::Popover);
    sheet->setSourceView(tablet.root);
    sheet->setSourceRect(QRectF(10, 100, 40, 40));
    ASSERT_TRUE(tablet.controller->presentViewController(sheet, false));
    EXPECT_TRUE(sheet->isPopover());
    EXPECT_TRUE(sheet->isPresented());
    EXPECT_FALSE(sheet->present(*tablet.root, false));
    ASSERT_TRUE(tablet.choose(QStringLiteral("More...")));
    EXPECT_FALSE(tablet.choose(QStringLiteral("More...")));
    Scheduler::main().advance(kPastTheFade);
    EXPECT_EQ(ran, QStringList{"More..."});
    EXPECT_FALSE(tablet.alert());
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
    EXPECT_FALSE(presenting.alert());
    // Shown once: never again.
    EXPECT_FALSE(alert->present(*root, false));
}

class ShareSheetTest : public ::testing::Test {
protected:
    void SetUp() override { Pasteboard::setGeneral(pasteboard); }
    std::shared_ptr<MemoryPasteboard> pasteboard = std::make_shared<MemoryPasteboard>();
    PresentingWindow presenting;
    std::shared_ptr<View> root = presenting.root;
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
    ASSERT_TRUE(presenting.alert());
    EXPECT_EQ(presenting.alert(), share->sheet());
    EXPECT_EQ(share->sheet()->style(), AlertStyle::ActionSheet);
    ASSERT_TRUE(presenting.choose(QStringLiteral("Copy")));
    PresentingWindow::finishAnimations();
    EXPECT_EQ(pasteboard->string(), link.toString());
    ASSERT_EQ(completions.size(), 1u);
    EXPECT_EQ(completions[0], std::make_pair(ShareSheet::kCopyActivity, true));
    EXPECT_FALSE(presenting.choose(QStringLiteral("Cancel")));
    EXPECT_EQ(completions.size(), 1u);

    // Cancelled: no activity, nothing copied.
    pasteboard->clear();
    auto cancelled = ShareSheet::make({QStringLiteral("plain words")});
    cancelled->setCompletion(
        [&](const QString& type, bool completed) { completions.emplace_back(type, completed); });
    EXPECT_EQ(cancelled->activityTypes(), QStringList{ShareSheet::kCopyActivity});
    ASSERT_TRUE(cancelled->present(*root, false));
    ASSERT_TRUE(presenting.choose(QStringLiteral("Cancel")));
    PresentingWindow::finishAnimations();
    ASSERT_EQ(completions.size(), 2u);
    EXPECT_TRUE(completions[1].first.isNull());
    EXPECT_FALSE(completions[1].second);
    EXPECT_TRUE(pasteboard->string().isNull());

    // Nothing to share: no sheet.
    EXPECT_FALSE(ShareSheet::make({QVariant(42)})->present(*root, false));
    EXPECT_FALSE(presenting.alert());
}

}  // namespace
}  // namespace platform
