// The application's launch against the work it stands for:
//  - Launch: with the two demo accounts saved (each synced from the loopback emulator's fixture),
//    the delegate is made, the platform launches it, and the window draws its first signed-in
//    frame, offscreen;
//  - OpenStores: the same two accounts' stores opened and their maps loaded, nothing else.
// The goals are printed after the runs, one line each.

#include "GuiBenchmarkMain.h"
#include "TimeFigures.h"

#include "ZelvoKit/ZelvoApi/account/ZVUserCredentials.h"
#include "ZelvoKit/ZelvoApi/api/ZVApi.h"
#include "ZelvoKit/model/ZVMyRepositorySession.h"
#include "app/StartUp.h"
#include "app/shell/ZVAppDelegate.h"
#include "app/shell/ZVGlobals.h"
#include "platform/foundation/Application.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/Scheduler.h"
#include "platform/foundation/SharedState.h"
#include "platform/ui/StartUp.h"
#include "platform/ui/controllers/navigation/NavigationController.h"
#include "platform/ui/view/Window.h"
#include "tools/emulator/demo/DemoService.h"

#include <QtCore/QJsonArray>
#include <QtCore/QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kSyncTimeoutMs = 60000;
constexpr double kRatioGoal = 1.5;
constexpr double kLaunchGoalMs = 600;

std::vector<double> launchMs;

// The process ends: every shared object goes, the files stay.
void quit(std::shared_ptr<ZVAppDelegate>& delegate) {
    platform::Application::shared().setDelegate({});
    delegate.reset();
    platform::resetSharedState();
    platform::Scheduler::main().reset();
}

std::shared_ptr<ZVAppDelegate> launch(const QString& service) {
    auto delegate = std::make_shared<ZVAppDelegate>(ZVAppDelegate::Options{false});
    ZVApi::api().setCustomBaseURL(service);
    platform::Application::shared().setDelegate(delegate);
    platform::Application::shared().launch();
    return delegate;
}

// The demo service, with both accounts signed in once and synced, then the process ended.
struct World {
    QTemporaryDir root;
    zvdemo::DemoService service;
    bool ready = false;

    World() {
        platform::Paths::setRoot(root.path());
        if (!service.start()) {
            return;
        }
        auto delegate = launch(service.baseUrl());
        for (const zvdemo::DemoAccount& account : service.accounts()) {
            ZVApi::api().loginWithEmail(account.email, account.password);
            const bool synced = platform::Scheduler::main().runUntil(
                [&] {
                    const auto session = std::dynamic_pointer_cast<ZVRepositorySession>(
                        ZVApi::api().sessions().value(account.accountId));
                    return session && session->eventHorizon() >=
                                          service.emulator().eventHorizon(account.accountId);
                },
                kSyncTimeoutMs);
            if (!synced) {
                return;
            }
        }
        ZVApi::api().saveContext();
        quit(delegate);
        ready = true;
    }
};

World& world() {
    static World w;
    return w;
}

void Launch(benchmark::State& state) {
    World& w = world();
    if (!w.ready) {
        state.SkipWithError("the demo accounts could not be synced");
        return;
    }
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        auto delegate = launch(w.service.baseUrl());
        ZVGlobals& globals = delegate->globals();
        globals.window()->updateNow();
        const QImage frame = globals.window()->render();
        launchMs.push_back(milliseconds(Clock::now() - start));
        state.PauseTiming();
        const bool signedIn =
            globals.isLoggedIn() && ZVApi::api().sessions().size() == 2 &&
            globals.window()->rootViewController() == globals.leftNavigationController() &&
            !frame.isNull();
        quit(delegate);
        state.ResumeTiming();
        if (!signedIn) {
            state.SkipWithError("the launch did not reach the signed-in window");
            break;
        }
    }
}

void OpenStores(benchmark::State& state) {
    World& w = world();
    if (!w.ready) {
        state.SkipWithError("the demo accounts could not be synced");
        return;
    }
    const auto factory = ZVMyRepositorySession::factory();
    for (auto _ : state) {
        std::vector<std::shared_ptr<ZVApiSession>> sessions;
        for (const zvdemo::DemoAccount& account : w.service.accounts()) {
            auto credentials = std::make_shared<ZVUserCredentials>(account.email);
            credentials->setUuid(account.accountId);
            credentials->setTicket(u"ticket"_s);
            credentials->setCookie(u"cookie"_s);
            ZVJsonParser profiles(QJsonObject{
                {u"profiles"_s, QJsonArray{QJsonObject{{u"account_id"_s, account.accountId},
                                                       {u"email"_s, account.email}}}}});
            sessions.push_back(factory(credentials, &profiles));
        }
        state.PauseTiming();
        const bool loaded = std::ranges::all_of(sessions, [](const auto& session) {
            const auto repository = std::dynamic_pointer_cast<ZVRepositorySession>(session);
            return repository && !repository->conversations().isEmpty();
        });
        sessions.clear();
        platform::resetSharedState();
        platform::Scheduler::main().reset();
        state.ResumeTiming();
        if (!loaded) {
            state.SkipWithError("the stores were not loaded");
            break;
        }
    }
}

BENCHMARK(Launch)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(OpenStores)->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace

int main(int argc, char** argv) {
    return runGuiBenchmarks(
        argc, argv,
        [] {
            platform::startUpUi();
            ZVStartUpApp();
        },
        [](const RatioReporter& reporter) {
            reporter.printRatio("Launch", "OpenStores", kRatioGoal);
            if (!launchMs.empty()) {
                std::printf(
                    "Launch to the first signed-in frame, ms p50: %.1f (goal: at most "
                    "%.0f)\n",
                    median(launchMs), kLaunchGoalMs);
            }
        });
}
