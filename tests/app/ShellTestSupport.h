#pragma once

#include "ZelvoKit/ZelvoApi/api/ZVApi.h"
#include "ZelvoKit/model/ZVRepositorySession.h"
#include "app/shell/ZVAppDelegate.h"
#include "app/shell/ZVAppServices.h"
#include "app/shell/ZVGlobals.h"
#include "platform/foundation/Application.h"
#include "platform/foundation/Scheduler.h"
#include "tests/emulator/ServiceEmulator.h"
#include "tests/emulator/ServiceModel.h"

#include <QtCore/QStringList>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace shelltest {

// The two accounts the shell's tests sign in.
inline const QString kAnna = QStringLiteral("anna@example.com");
inline const QString kBen = QStringLiteral("ben@example.com");

inline platform::Application& app() {
    return platform::Application::shared();
}

// Pages that put nothing into the navigation: they note what they were opened with.
class FakePages : public ZVConversationPages {
public:
    FakePages(ZVOpenRequest request, int& resets) : request_(std::move(request)), resets_(resets) {}
    QString conversationId() const override { return request_.conversationId; }
    void notifyAppActivation() override {}
    void hideSideMenus() override {}
    void notifyViewControllerChange(platform::ViewController&) override {}
    void reset() override { ++resets_; }
    std::shared_ptr<platform::ViewController> showingPage() const override { return nullptr; }
    const ZVOpenRequest& request() const { return request_; }

private:
    ZVOpenRequest request_;
    int& resets_;
};

// The application on the loopback service: a delegate made and launched as the platform does, with
// the later screens replaced by fakes that count what the coordinator asks of them.
class ShellTest : public ::testing::Test {
protected:
    static constexpr const char16_t* kPassword = u"secret";

    void SetUp() override;
    void TearDown() override;

    static ZVApi& api() { return ZVApi::api(); }
    static platform::Scheduler& scheduler() { return platform::Scheduler::main(); }
    ZVGlobals& globals() { return delegate_->globals(); }

    // Makes the delegate and launches (the saved accounts sign in).
    void launch();
    // Ends the process: the delegate and every shared object go; the files stay.
    void quit();
    // An account of the service (made once).
    QString account(const QString& email);
    // Signs in by e-mail and password and waits for the signed-in state.
    std::shared_ptr<ZVRepositorySession> signIn(const QString& email);
    // Waits until the session has applied the service's stream up to its current end.
    bool waitForStreamEnd(const std::shared_ptr<ZVRepositorySession>& session);
    std::shared_ptr<ZVRepositorySession> sessionOf(const QString& email);

    zvemu::ServiceEmulator emulator;
    zvemu::ServiceModel service{emulator};
    std::shared_ptr<ZVAppDelegate> delegate_;
    // What the fakes were asked.
    int inboxesMade = 0;
    int preLoginRootsMade = 0;
    std::vector<ZVOpenRequest> pagesOpened;
    int pagesReset = 0;
    bool signupFlow = false;

private:
    ZVAppServices savedServices_;
};

}  // namespace shelltest
