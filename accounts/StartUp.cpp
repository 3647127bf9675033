#include "accounts/StartUp.h"

#include "accounts/signin/ZVLoginSecondaryViewController.h"
#include "accounts/signin/ZVLoginViewController.h"
#include "accounts/signin/ZVPreLoginNavigationController.h"
#include "accounts/signin/claim/ZVClaimIdViewController.h"
#include "app/shell/ZVAppServices.h"
#include "platform/foundation/SharedState.h"

void ZVStartUpAccounts() {
    static bool started = false;
    if (!started) {
        started = true;
        // A new process reads the remembered e-mail again.
        platform::onResetSharedState(&ZVLoginViewController::reloadDefaultEmail);
    }
    ZVAppServices& services = ZVAppServices::shared();
    services.makePreLoginRoot = [] { return ZVPreLoginNavigationController::create(); };
    services.inSignupFlow = [](const std::shared_ptr<platform::ViewController>& root) {
        const auto login = std::dynamic_pointer_cast<ZVLoginViewController>(root);
        return login && login->inSignupFlow();
    };
    services.makeLoginSecondary = [] { return ZVLoginSecondaryViewController::create(); };
    services.makeClaimScreen = [](const std::shared_ptr<ZVRepositorySession>& session) {
        return ZVClaimIdViewController::create(session);
    };
}
