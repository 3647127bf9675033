#include "tests/platform/net/NetTestSupport.h"

#include <QtCore/QJsonDocument>

namespace nettest {

QJsonObject Outcome::json() const {
    return QJsonDocument::fromJson(result.body).object();
}

platform::UrlRequest apiRequest(const zvemu::ServiceEmulator& emulator, const QString& path,
                                QJsonObject body,
                                const std::optional<zvemu::Credentials>& credentials) {
    platform::UrlRequest request;
    request.url = QUrl(emulator.apiUrl() + path);
    request.httpMethod = "POST";
    if (credentials) {
        body[QStringLiteral("ticket")] = credentials->ticket;
        request.headers.append("Cookie", "token_id=" + credentials->token.toLatin1());
    }
    body[QStringLiteral("api_version")] = 3;
    request.body = QJsonDocument(body).toJson(QJsonDocument::Compact);
    request.headers.append("Content-Type", "application/json");
    request.headers.append("accept-encoding", "gzip");
    request.headers.append("User-Agent", "ZelvoTests/0.1.0.1 (Linux 6.1)");
    return request;
}

std::shared_ptr<Outcome> start(platform::UrlSession& session, platform::UrlRequest request,
                               std::shared_ptr<platform::UrlSessionTask>* task) {
    auto outcome = std::make_shared<Outcome>();
    platform::UrlSessionTaskHandlers handlers;
    handlers.onResponse = [outcome](const platform::UrlResponse& response) {
        ++outcome->responses;
        outcome->response = response;
    };
    handlers.onComplete = [outcome](const platform::UrlTaskResult& result) {
        ++outcome->completions;
        outcome->result = result;
    };
    auto made = session.dataTask(std::move(request), std::move(handlers));
    if (made) {
        made->resume();
    }
    if (task) {
        *task = made;
    }
    return outcome;
}

bool waitFor(const Outcome& outcome) {
    return platform::Scheduler::main().runUntil([&outcome] { return outcome.done(); },
                                                kNetworkWaitMs);
}

std::shared_ptr<Outcome> EmulatorTest::send(const QString& path, QJsonObject body,
                                            const std::optional<zvemu::Credentials>& credentials) {
    return start(session, apiRequest(emulator, path, std::move(body), credentials));
}

std::shared_ptr<Outcome> EmulatorTest::call(const QString& path, QJsonObject body,
                                            const std::optional<zvemu::Credentials>& credentials) {
    auto outcome = send(path, std::move(body), credentials);
    EXPECT_TRUE(waitFor(*outcome)) << path.toStdString();
    return outcome;
}

}  // namespace nettest
