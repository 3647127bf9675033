#include "app/shell/ZVDesktopDriver.h"

#include "platform/foundation/Application.h"
#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/Scheduler.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QRandomGenerator>
#include <QtCore/QSocketNotifier>
#include <QtGui/QWindowStateChangeEvent>
#include <QtWidgets/QWidget>

#include <sys/socket.h>
#include <unistd.h>
#include <csignal>

using namespace Qt::StringLiterals;

namespace {

// The write end of the pipe the SIGTERM handler wakes the run loop through.
int signalPipe[2] = {-1, -1};

void onSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
}

}  // namespace

ZVDesktopDriver::ZVDesktopDriver(QObject* parent) : QObject(parent) {
    platform::Application::shared().setRemoteNotificationRegistrar([] {
        // Answered on the next turn, as the platform answers a registration.
        platform::Scheduler::main().after(0, [] {
            const QByteArray token = pushToken();
            if (token.isEmpty()) {
                platform::Application::shared().failRemoteNotificationRegistration(
                    u"The installation's push token could not be written"_s);
            } else {
                platform::Application::shared().receiveDeviceToken(token);
            }
        });
    });
}

ZVDesktopDriver::~ZVDesktopDriver() {
    platform::Application::shared().setRemoteNotificationRegistrar(nullptr);
}

QByteArray ZVDesktopDriver::pushToken() {
    const QString path = platform::Paths::privateDataDirectory() + u"/push-token"_s;
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) {
        const QByteArray token = file.readAll();
        if (token.size() == kPushTokenSize) {
            return token;
        }
    }
    QByteArray token(kPushTokenSize, Qt::Uninitialized);
    QRandomGenerator::system()->generate(token.begin(), token.end());
    QDir().mkpath(platform::Paths::privateDataDirectory());
    return platform::writeFileAtomically(path, token) ? token : QByteArray();
}

void ZVDesktopDriver::watch(QWidget* window) {
    window->installEventFilter(this);
}

void ZVDesktopDriver::handleTerminationSignal() {
    if (signalNotifier_ || ::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0) {
        return;
    }
    signalNotifier_ = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, this);
    connect(signalNotifier_, &QSocketNotifier::activated, this, [this] {
        char byte = 0;
        [[maybe_unused]] const ssize_t read = ::read(signalPipe[0], &byte, 1);
        terminate();
    });
    struct sigaction action = {};
    action.sa_handler = &onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
}

bool ZVDesktopDriver::eventFilter(QObject* watched, QEvent* event) {
    auto* window = qobject_cast<QWidget*>(watched);
    switch (event->type()) {
        case QEvent::WindowStateChange:
            if (window && window->isMinimized()) {
                enterBackground();
            } else {
                becomeActive();
            }
            break;
        case QEvent::Hide:
            if (window && !window->isMinimized()) {
                enterBackground();
            }
            break;
        case QEvent::Show:
            becomeActive();
            break;
        case QEvent::Close:
            terminate();
            break;
        default:
            break;
    }
    return QObject::eventFilter(watched, event);
}

void ZVDesktopDriver::enterBackground() {
    platform::Application& application = platform::Application::shared();
    if (terminated_ || application.state() == platform::ApplicationState::Background) {
        return;
    }
    application.enterBackground();
    scheduleFetches();
}

void ZVDesktopDriver::becomeActive() {
    if (terminated_) {
        return;
    }
    fetches_.cancelAll();
    platform::Application::shared().becomeActive();
}

void ZVDesktopDriver::scheduleFetches() {
    fetches_.cancelAll();
    const platform::TimeInterval interval =
        platform::Application::shared().minimumBackgroundFetchInterval();
    if (interval >= platform::kBackgroundFetchIntervalNever) {
        return;
    }
    fetches_.every(interval, [] {
        if (platform::Application::shared().state() == platform::ApplicationState::Background) {
            platform::Application::shared().performBackgroundFetch(
                [](platform::BackgroundFetchResult) {});
        }
    });
}

void ZVDesktopDriver::terminate() {
    if (terminated_) {
        return;
    }
    platform::Application& application = platform::Application::shared();
    application.enterBackground();
    application.terminate();
    terminated_ = true;
    fetches_.cancelAll();
    QCoreApplication::quit();
}
