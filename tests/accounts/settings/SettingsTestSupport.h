#pragma once

#include "tests/app/ShellTestSupport.h"

#include "ZelvoKit/ZelvoApi/api/ZVApiRequest.h"
#include "platform/ui/controllers/navigation/NavigationController.h"
#include "platform/ui/view/Window.h"
#include "toolkit/alerts/ZVAlertButton.h"
#include "toolkit/alerts/ZVAlertView.h"
#include "toolkit/alerts/ZVAlertViewManager.h"
#include "toolkit/dialogs/ZVDialogCells.h"
#include "toolkit/dialogs/ZVLabelCell.h"

#include <QtCore/QStringList>

#include <memory>

namespace settingstest {

// The application signed in to one account of the loopback service, its stream applied, for the
// screens of the settings tree: they are pushed on the inbox side as the settings page pushes
// them, and their cards answered by taps.
class SettingsTest : public shelltest::ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        launch();
        session = signIn(shelltest::kAnna);
        ASSERT_TRUE(session);
        ASSERT_TRUE(waitForStreamEnd(session));
        globals().window()->layoutIfNeeded();
    }
    void TearDown() override {
        ZVAlertViewManager::alertViewManager().setCurrentAlertView(nullptr);
        session.reset();
        ShellTest::TearDown();
    }

    std::shared_ptr<platform::NavigationController> navigation() {
        return globals().leftNavigationController();
    }
    std::shared_ptr<platform::ViewController> top() {
        return navigation()->viewControllers().back();
    }
    // Pushes the screen and lets it come on screen.
    void push(const std::shared_ptr<platform::ViewController>& screen) {
        navigation()->pushViewController(screen, false);
        settle();
    }
    // Animations at rest, the window laid out.
    void settle() {
        scheduler().advance(1);
        globals().window()->layoutIfNeeded();
    }

    // Moves the clock on a little at a time (queues, delays), taking the service's answers in
    // between, until `done`; at most `seconds` of virtual time.
    bool waitUntil(const std::function<bool()>& done, double seconds = 30) {
        for (double waited = 0; waited < seconds && !done(); waited += kStep) {
            scheduler().advance(kStep);
            scheduler().runUntil(done, kStepRealMs);
        }
        return done();
    }
    static constexpr double kStep = 0.1;
    static constexpr int kStepRealMs = 20;

    // --- cards ---
    static std::shared_ptr<ZVAlertView> card() {
        return ZVAlertViewManager::alertViewManager().currentAlertView();
    }
    // A finger on the card's button titled `title`; false when no card shows it.
    bool tapCardButton(const QString& title) {
        settle();
        const auto shown = card();
        if (!shown) {
            return false;
        }
        const int index = static_cast<int>(shown->buttons().indexOf(title));
        if (index < 0 || index >= static_cast<int>(shown->buttonViews().size())) {
            return false;
        }
        const auto& button = *shown->buttonViews()[static_cast<std::size_t>(index)];
        const QPointF at = button.convertPointTo(button.bounds().center(), nullptr);
        globals().window()->sendTouch(1, platform::TouchPhase::Began, at);
        globals().window()->sendTouch(1, platform::TouchPhase::Ended, at);
        settle();
        return true;
    }

    // --- rows ---
    // The label rows' titles and details, "title=detail", in order; headers as "# title".
    static QStringList rowTexts(ZVDialogCells& screen);
    // The entry index of the label row titled `title`; -1 when none.
    static int rowIndex(ZVDialogCells& screen, const QString& title);
    static std::shared_ptr<ZVLabelCell> labelRow(ZVDialogCells& screen, const QString& title);
    // The table row showing `cell`; -1 when none.
    static int rowOfCell(ZVDialogCells& screen, const std::shared_ptr<ZVDialogCell>& cell) {
        for (int row = 0; row < screen.numberOfRows(); ++row) {
            if (screen.cellForRow(row) == cell) {
                return row;
            }
        }
        return -1;
    }

    // The service's calls of `path` so far, once everything the client sent or queued (its
    // waiting polls aside) has been answered.
    int calls(const QString& path) {
        answerEverything();
        return emulator.requestCount(path);
    }
    // Everything the client sent or queued (its waiting polls aside) has been answered.
    void answerEverything() {
        scheduler().advance(1);
        scheduler().runUntil([] { return onlyPollsInFlight(); });
    }
    static bool onlyPollsInFlight() {
        const ZVApi& client = ZVApi::api();
        for (const auto& request : client.pendingRequests()) {
            if (request->tag() != ZVApiRequest::TagLongPoll) {
                return false;
            }
        }
        return client.queuedRequests().empty();
    }

    std::shared_ptr<ZVRepositorySession> session;
};

}  // namespace settingstest
