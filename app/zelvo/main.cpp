// The application. See ZVCommandLine for its options; scripts/run starts it for trying it out.
#include "ZelvoKit/ZelvoApi/account/ZVUserCredentials.h"
#include "ZelvoKit/ZelvoApi/api/ZVApi.h"
#include "app/StartUp.h"
#include "app/shell/ZVAppDelegate.h"
#include "app/shell/ZVControlSocket.h"
#include "app/shell/ZVDesktopDriver.h"
#include "app/shell/ZVGlobals.h"
#include "app/shell/ZVProcessEntry.h"
#include "app/zelvo/ZVCommandLine.h"
#include "app/zelvo/ZVSmokeRun.h"
#include "platform/foundation/Application.h"
#include "platform/foundation/SharedState.h"
#include "platform/ui/StartUp.h"
#include "platform/ui/host/WindowHost.h"
#include "platform/ui/view/Window.h"

#include <QtCore/QTextStream>
#include <QtNetwork/QLocalSocket>
#include <QtWidgets/QApplication>

#include <cstdio>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

constexpr int kUsageStatus = 64;

// Signs in, one after the other, the accounts named on the command line that are not signed in
// yet (a later start finds them saved).
class SignIns {
public:
    SignIns(QStringList emails, QStringList passwords)
        : emails_(std::move(emails)), passwords_(std::move(passwords)) {
        observation_ = ZVApi::api().observe(QString(ZVApi::LoginStatusKey),
                                            [this](const QString&) { next(); });
    }
    void next() {
        ZVApi& api = ZVApi::api();
        const int status = api.loginStatus();
        if (status == ZVApi::LoginStatusSigningIn || status == ZVApi::LoginStatusSigningInFurther) {
            return;
        }
        while (!emails_.isEmpty()) {
            const QString email = emails_.takeFirst();
            const QString password = passwords_.isEmpty() ? QString() : passwords_.takeFirst();
            if (!isSignedIn(email)) {
                api.loginWithEmail(email, password);
                return;
            }
        }
    }

private:
    static bool isSignedIn(const QString& email) {
        for (const auto& session : ZVApi::api().sessions()) {
            if (session->credentials() &&
                session->credentials()->email().compare(email, Qt::CaseInsensitive) == 0) {
                return true;
            }
        }
        return false;
    }

    QStringList emails_;
    QStringList passwords_;
    platform::Observation observation_;
};

// Hands the line to a running client and prints its answer; 0 when it was "ok".
int sendEvent(const QString& socketPath, const QString& line) {
    constexpr int kTimeoutMs = 30000;
    QLocalSocket socket;
    socket.connectToServer(socketPath);
    if (!socket.waitForConnected(kTimeoutMs)) {
        std::fprintf(stderr, "zelvo --event: %s\n", qPrintable(socket.errorString()));
        return 1;
    }
    socket.write(line.toUtf8() + '\n');
    socket.flush();
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(kTimeoutMs)) {
            std::fprintf(stderr, "zelvo --event: no answer\n");
            return 1;
        }
    }
    const QString answer = QString::fromUtf8(socket.readLine()).trimmed();
    std::printf("%s\n", qPrintable(answer));
    return answer.startsWith(u"ok"_s) ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    ZVProcessEntry::installUncaughtExceptionHandler();
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    QString error;
    const auto commandLine = ZVCommandLine::parse(arguments, &error);
    if (!commandLine) {
        std::fprintf(stderr, "%s\n%s\n", qPrintable(error), qPrintable(ZVCommandLine::usage()));
        return kUsageStatus;
    }
    if (!commandLine->eventSocket.isEmpty()) {
        // No window: this only talks to the running client.
        QCoreApplication core(argc, argv);
        return sendEvent(commandLine->eventSocket, commandLine->eventLine);
    }
    QApplication qtApplication(argc, argv);
    QStringList passwords;
    if (!commandLine->signIn.isEmpty()) {
        QTextStream input(stdin);
        for (qsizetype i = 0; i < commandLine->signIn.size(); ++i) {
            passwords << input.readLine();
        }
    }

    platform::startUpUi();
    ZVStartUpApp();
    platform::Application& application = platform::Application::shared();
    if (commandLine->tablet) {
        application.setUserInterfaceIdiom(platform::UserInterfaceIdiom::Pad);
    }

    return ZVProcessEntry::run([&] {
        auto delegate = std::make_shared<ZVAppDelegate>();
        if (!commandLine->service.isEmpty()) {
            ZVApi::api().setCustomBaseURL(commandLine->service);
        }
        ZVDesktopDriver driver;
        driver.handleTerminationSignal();
        ZVControlSocket control(
            [&delegate](const QString& url) { return delegate->handleURL(url); });
        if (!commandLine->controlSocket.isEmpty() &&
            !control.listen(commandLine->controlSocket, &error)) {
            std::fprintf(stderr, "zelvo: control socket: %s\n", qPrintable(error));
            return 1;
        }
        application.setDelegate(delegate);
        application.launch();

        SignIns signIns(commandLine->signIn, passwords);
        signIns.next();

        platform::WindowHost host(delegate->globals().window());
        host.setWindowTitle(u"Zelvo"_s);
        driver.watch(&host);
        host.show();

        int status = 0;
        std::unique_ptr<ZVSmokeRun> smoke;
        if (!commandLine->smokeImage.isEmpty()) {
            smoke = std::make_unique<ZVSmokeRun>(
                delegate->globals(), control, commandLine->smokeImage,
                [&status, &driver](int result, const QString& message) {
                    std::fprintf(stdout, "zelvo --smoke: %s\n", qPrintable(message));
                    std::fflush(stdout);
                    status = result;
                    driver.terminate();
                });
        }
        const int loopStatus = QApplication::exec();
        smoke.reset();
        application.setDelegate({});
        delegate.reset();
        // The shared objects go now, in their order, not in the order static storage ends.
        platform::resetSharedState();
        return status != 0 ? status : loopStatus;
    });
}
