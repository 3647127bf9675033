#include "tests/app/ShellTestSupport.h"

#include "ZelvoKit/ZelvoApi/account/ZVUserCredentials.h"
#include "platform/foundation/Application.h"
#include "platform/foundation/SharedState.h"
#include "platform/ui/controllers/ViewController.h"

#include <chrono>

using namespace Qt::StringLiterals;

namespace shelltest {

namespace {

// Longer than any test waits: a poll is answered when records arrive, not when the hold ends.
constexpr std::chrono::milliseconds kPollHold{20000};

}  // namespace

void ShellTest::SetUp() {
    ASSERT_TRUE(emulator.start());
    emulator.setPollHoldLimit(kPollHold);
    savedServices_ = ZVAppServices::shared();
    ZVAppServices& services = ZVAppServices::shared();
    const ZVAppServices defaults = savedServices_;
    services.makeInbox = [this, defaults] {
        ++inboxesMade;
        return defaults.inbox();
    };
    services.makePreLoginRoot = [this, defaults] {
        ++preLoginRootsMade;
        return defaults.preLoginRoot();
    };
    services.inSignupFlow = [this](const auto&) { return signupFlow; };
    // The accounts here have no username: the claim screen would cover the inbox a second after
    // each sign-in.
    services.makeClaimScreen = [](const auto&) -> std::shared_ptr<platform::ViewController> {
        return nullptr;
    };
    services.makeConversationPages = [this](const auto&, const ZVOpenRequest& request,
                                            const auto&) -> std::unique_ptr<ZVConversationPages> {
        pagesOpened.push_back(request);
        return std::make_unique<FakePages>(request, pagesReset);
    };
}

void ShellTest::TearDown() {
    quit();
    emulator.stop();
    ZVAppServices::shared() = savedServices_;
}

void ShellTest::launch() {
    delegate_ = std::make_shared<ZVAppDelegate>(ZVAppDelegate::Options{false});
    api().setCustomBaseURL(emulator.baseUrl());
    platform::Application::shared().setDelegate(delegate_);
    platform::Application::shared().launch();
}

void ShellTest::quit() {
    if (!delegate_) {
        return;
    }
    platform::Application::shared().setDelegate({});
    delegate_.reset();
    // Every process-wide object starts again from the files, as after a relaunch.
    platform::resetSharedState();
    scheduler().reset();
    scheduler().runPending();
    scheduler().reset();
}

QString ShellTest::account(const QString& email) {
    if (const auto existing = emulator.account(email)) {
        return existing->accountId;
    }
    return emulator.addAccount(email, QString::fromUtf16(kPassword), email.section(u'@', 0, 0))
        .accountId;
}

std::shared_ptr<ZVRepositorySession> ShellTest::signIn(const QString& email) {
    account(email);
    api().loginWithEmail(email, QString::fromUtf16(kPassword));
    if (!scheduler().runUntil([&] {
            return api().loginStatus() == ZVApi::LoginStatusSignedIn && sessionOf(email);
        })) {
        return nullptr;
    }
    return sessionOf(email);
}

std::shared_ptr<ZVRepositorySession> ShellTest::sessionOf(const QString& email) {
    for (const auto& session : api().sessions()) {
        if (session->credentials() && session->credentials()->email() == email) {
            return std::dynamic_pointer_cast<ZVRepositorySession>(session);
        }
    }
    return nullptr;
}

bool ShellTest::waitForStreamEnd(const std::shared_ptr<ZVRepositorySession>& session) {
    const qint64 end = emulator.eventHorizon(session->sessionId());
    return scheduler().runUntil([&] { return session->eventHorizon() >= end; });
}

}  // namespace shelltest
