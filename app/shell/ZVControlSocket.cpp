#include "app/shell/ZVControlSocket.h"

#include "platform/foundation/Application.h"

#include <QtCore/QFile>
#include <QtCore/QJsonDocument>
#include <QtCore/QJsonObject>
#include <QtCore/QPointer>
#include <QtNetwork/QLocalServer>
#include <QtNetwork/QLocalSocket>

using namespace Qt::StringLiterals;

namespace {

constexpr QStringView kTappedFlag = u"--tapped";

QString fetchResultText(platform::BackgroundFetchResult result) {
    return u"ok "_s + QString::number(int(result));
}

}  // namespace

ZVControlSocket::ZVControlSocket(UrlOpener openUrl, QObject* parent)
    : QObject(parent), openUrl_(std::move(openUrl)) {}

ZVControlSocket::~ZVControlSocket() = default;

bool ZVControlSocket::listen(const QString& path, QString* error) {
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    QLocalServer::removeServer(path);
    if (!server_->listen(path)) {
        if (error) {
            *error = server_->errorString();
        }
        return false;
    }
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server_->nextPendingConnection()) {
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readLines(socket); });
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
    return true;
}

void ZVControlSocket::readLines(QLocalSocket* socket) {
    while (socket->canReadLine()) {
        const QString line = QString::fromUtf8(socket->readLine()).trimmed();
        QPointer<QLocalSocket> guarded(socket);
        perform(line, [guarded](const QString& reply) {
            if (guarded) {
                guarded->write(reply.toUtf8() + '\n');
                guarded->flush();
            }
        });
    }
}

void ZVControlSocket::perform(const QString& line,
                              const std::function<void(const QString&)>& answer) {
    platform::Application& application = platform::Application::shared();
    const qsizetype space = line.indexOf(u' ');
    const QString command = line.left(space);
    QString rest = space < 0 ? QString() : line.mid(space + 1).trimmed();

    if (command == u"fetch") {
        application.performBackgroundFetch(
            [answer](platform::BackgroundFetchResult result) { answer(fetchResultText(result)); });
    } else if (command == u"memory-warning") {
        application.receiveMemoryWarning();
        answer(u"ok"_s);
    } else if (command == u"open-url") {
        if (rest.isEmpty()) {
            answer(u"error open-url needs a URL"_s);
            return;
        }
        answer(openUrl_ && openUrl_(rest) ? u"ok"_s : u"error not handled"_s);
    } else if (command == u"push") {
        const bool tapped = rest.endsWith(kTappedFlag);
        if (tapped) {
            rest.chop(kTappedFlag.size());
        }
        QJsonParseError error;
        const QJsonDocument payload = QJsonDocument::fromJson(rest.trimmed().toUtf8(), &error);
        if (!payload.isObject()) {
            answer(u"error the push is no JSON object: "_s + error.errorString());
            return;
        }
        if (tapped) {
            // What the platform does when the user opens a notification of a backgrounded app.
            application.enterBackground();
            application.enterForeground();
        }
        application.receiveRemoteNotification(
            payload.object(),
            [answer](platform::BackgroundFetchResult result) { answer(fetchResultText(result)); });
        if (tapped) {
            application.becomeActive();
        }
    } else {
        answer(u"error unknown command: "_s + command);
    }
}
