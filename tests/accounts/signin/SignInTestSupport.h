#pragma once

#include "ZelvoKit/ZelvoApi/api/ZVApi.h"
#include "ZelvoKit/ZelvoApi/api/ZVApiRequest.h"
#include "accounts/pages/ZVBorderedTextField.h"
#include "accounts/pages/ZVContainerView.h"
#include "platform/foundation/Scheduler.h"
#include "platform/ui/controls/Button.h"
#include "platform/ui/controls/TextField.h"
#include "platform/ui/standins/input/FakeKeyboard.h"
#include "platform/ui/view/Window.h"
#include "tests/emulator/ServiceEmulator.h"
#include "toolkit/alerts/ZVAlertView.h"
#include "toolkit/alerts/ZVAlertViewManager.h"
#include "toolkit/richtext/ZVRichText.h"

#include <QtCore/QStringList>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>

namespace signintest {

inline const QString kPassword = QStringLiteral("secret");

// What an alert said.
struct ShownAlert {
    QString title;
    QString message;
    bool operator==(const ShownAlert&) const = default;
};

inline void PrintTo(const ShownAlert& alert, std::ostream* out) {
    *out << '"' << alert.title.toStdString() << "\": \"" << alert.message.toStdString() << '"';
}

// A window of a phone against the loopback service, with a keyboard of known height and alerts
// shown in the window.
class SignInTest : public ::testing::Test {
protected:
    // Real HTTP needs real time: this bounds how long the loopback service may take.
    static constexpr int kServiceTimeoutMs = 10000;

    void SetUp() override {
        ASSERT_TRUE(emulator.start());
        emulator.setPollHoldLimit(std::chrono::milliseconds(20000));
        ZVApi::api().setCustomBaseURL(emulator.baseUrl());
        platform::Keyboard::setShared(keyboard);
        ZVAlertViewManager::alertViewManager().setKeyWindow(window);
    }
    void TearDown() override {
        // Fades still running hold their pages until they end.
        settle();
        ZVAlertViewManager::alertViewManager().setCurrentAlertView(nullptr);
        window->setRootViewController(nullptr);
        platform::Keyboard::setShared(nullptr);
        ZVApi::resetSharedApi();
        emulator.stop();
    }

    static platform::Scheduler& scheduler() { return platform::Scheduler::main(); }
    static void wait(double seconds) { scheduler().advance(seconds); }
    // Lets animations and delayed work of up to a second end.
    void settle() {
        wait(1);
        window->updateNow();
    }
    static bool waitFor(const std::function<bool()>& done) {
        return scheduler().runUntil(done, kServiceTimeoutMs);
    }
    // Until the service has answered `count` calls of `path` and the answers are handled.
    bool waitForAnswers(const QString& path, int count = 1) {
        const bool answered = waitFor([&] {
            const auto& pending = ZVApi::api().pendingRequests();
            return emulator.requestCount(path) >= count &&
                   std::none_of(pending.begin(), pending.end(),
                                [&](const auto& request) { return request->method() == path; });
        });
        settle();
        return answered;
    }

    QString account(const QString& email) {
        if (const auto existing = emulator.account(email)) {
            return existing->accountId;
        }
        return emulator.addAccount(email, kPassword, email.section(u'@', 0, 0)).accountId;
    }

    static void tap(const std::shared_ptr<platform::Button>& button) {
        ASSERT_TRUE(button);
        button->sendActionsForEvents(platform::Control::TouchUpInside);
    }
    // What typing leaves in the field (the page hears of the edit, as from a keyboard).
    static void type(const std::shared_ptr<ZVBorderedTextField>& field, const QString& text) {
        ASSERT_TRUE(field);
        field->textField()->setText(text);
        field->textField()->sendActionsForEvents(platform::Control::EditingChanged);
    }
    static QString text(const std::shared_ptr<ZVBorderedTextField>& field) {
        return field ? field->textField()->text() : QString();
    }

    // The alert on show, taken off screen; none when no alert shows.
    static std::optional<ShownAlert> takeAlert() {
        auto& manager = ZVAlertViewManager::alertViewManager();
        const auto alert = manager.currentAlertView();
        if (!alert) {
            return std::nullopt;
        }
        manager.setCurrentAlertView(nullptr);
        // What the card shows, its markup read.
        const auto& label = alert->textLabel();
        return ShownAlert{alert->title(),
                          label ? label->attributedText().string() : alert->message()};
    }

    // The page's first text, or "progress" for the progress page: how the tests name pages.
    static QString describe(const ZVContainerView& page);
    static QStringList describe(const std::vector<std::shared_ptr<ZVContainerView>>& pages);

    zvemu::ServiceEmulator emulator;
    std::shared_ptr<platform::FakeKeyboard> keyboard = std::make_shared<platform::FakeKeyboard>();
    std::shared_ptr<platform::Window> window = platform::Window::make();
};

}  // namespace signintest
