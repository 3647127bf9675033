#include "ZelvoKit/markup/ZVMarkupSyntax.h"

#include "ZelvoKit/ZelvoApi/account/ZVUserCredentials.h"
#include "ZelvoKit/ZelvoApi/api/ZVApi.h"
#include "ZelvoKit/ZelvoApi/session/ZVApiSession.h"
#include "ZelvoKit/support/log/ZVErrorLog.h"
#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/Paths.h"
#include "platform/net/UrlSession.h"

#include <QtCore/QDateTime>
#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>

namespace {

constexpr int kHttpOk = 200;
// The download names an older protocol version than the API calls: the service answers this call
// in that form.
constexpr QLatin1StringView kDownloadBody{
    "{ \"utf16\" : false, \"ticket\" : \"%1\", \"api_version\" : 2}"};

struct SharedSyntax {
    std::shared_ptr<ZVMarkupSyntax> instance;
    std::unique_ptr<platform::UrlSession> downloadSession;
};

SharedSyntax& shared() {
    static SharedSyntax state;
    return state;
}

}  // namespace

std::shared_ptr<ZVMarkupSyntax> ZVMarkupSyntax::syntax() {
    if (!shared().instance) {
        buildShared();
    }
    return shared().instance;
}

std::shared_ptr<ZVMarkupSyntax> ZVMarkupSyntax::buildShared() {
    auto instance = std::make_shared<ZVMarkupSyntax>();
    shared().instance = instance;
    bool needsDownload = false;
    const QString path = syntaxFilePath();
    const QFileInfo cache(path);
    if (!path.isNull() && cache.isFile()) {
        const QDateTime modified = cache.lastModified();
        instance->loadFromFile(path);
        // The file's date is the file system's, so it is compared with the real clock.
        if (modified.secsTo(QDateTime::currentDateTimeUtc()) > kCacheLifetimeSeconds) {
            QFile::remove(path);
            needsDownload = true;
        }
    }
    if (!instance->isValid()) {
        instance->loadDefaultSyntax();
        needsDownload = true;
    }
    if (!instance->isValid()) {
        ZVLogError(u"ZVMarkupEncoder: no syntax definition file, markup encoding disabled");
    }
    if (needsDownload) {
        startDownload();
    }
    return instance;
}

QString ZVMarkupSyntax::syntaxFilePath() {
    const QString caches = platform::Paths::cachesDirectory();
    return caches.isNull() ? QString() : QDir(caches).filePath(QStringLiteral("syntax.json"));
}

void ZVMarkupSyntax::deleteServerSyntax() {
    const QString path = syntaxFilePath();
    if (!path.isNull()) {
        QFile::remove(path);
    }
    syntax()->loadDefaultSyntax();
}

bool ZVMarkupSyntax::downloadInProgress() {
    return shared().downloadSession && !shared().downloadSession->tasks().empty();
}

void ZVMarkupSyntax::discardShared() {
    shared().instance.reset();
}

void ZVMarkupSyntax::resetShared() {
    shared().instance.reset();
    shared().downloadSession.reset();
}

void ZVMarkupSyntax::startDownload() {
    ZVApi& api = ZVApi::api();
    const std::shared_ptr<ZVApiSession> session = api.activeSession();
    const std::shared_ptr<ZVUserCredentials> credentials =
        session ? session->credentials() : nullptr;
    // Signed out there is no ticket to ask with; the next build after a sign-in asks again.
    if (!credentials || credentials->ticket().isEmpty()) {
        return;
    }
    const bool customService = !api.customBaseURL().isNull();
    std::unique_ptr<platform::UrlSession>& urlSession = shared().downloadSession;
    if (!urlSession || urlSession->allowsInvalidCertificates() != customService) {
        urlSession = std::make_unique<platform::UrlSession>(
            platform::UrlSessionConfiguration{.allowsInvalidCertificates = customService});
    }

    platform::UrlRequest request;
    request.url = api.baseApiURL().resolved(QUrl(QStringLiteral("markup/get_syntax")));
    request.httpMethod = QByteArrayLiteral("POST");
    request.headers.set("Content-Type", "application/json");
    request.headers.set("Cookie", "token_id=" + credentials->cookie().toUtf8());
    request.headers.set("Accept-Encoding", "gzip");
    request.headers.set("User-Agent", ZVApi::userAgentString().toUtf8());
    request.body = QString(kDownloadBody).arg(credentials->ticket()).toUtf8();

    platform::UrlSessionTaskHandlers handlers;
    handlers.onComplete = [](const platform::UrlTaskResult& result) {
        if (result.error) {
            ZVLogError(u"Syntax download failed: %@", result.error->description());
            return;
        }
        if (result.response.statusCode() != kHttpOk) {
            ZVLogError(u"Syntax download failed: HTTP %ld", result.response.statusCode());
            discardShared();
            return;
        }
        QString error;
        if (!platform::writeFileAtomically(syntaxFilePath(), result.body, {}, &error)) {
            ZVLogError(u"Syntax download failed: %@", error);
            return;
        }
        discardShared();
    };
    const auto task = urlSession->dataTask(std::move(request), std::move(handlers));
    if (task) {
        task->resume();
    }
}
