#include "tests/emulator/AccountRecords.h"
#include "tests/emulator/EmulatorJson.h"
#include "tests/emulator/ServiceEmulator.h"

#include <QtCore/QJsonArray>

#include <httplib.h>

namespace zvemu {

namespace {

const QStringList kProviderPages = {QStringLiteral("/authenticate/google"),
                                    QStringLiteral("/authenticate/microsoft")};
const QString kResultSuffix = QStringLiteral("/result");

QByteArray providerStep(const QString& page) {
    return QStringLiteral(
               "<!DOCTYPE html><html><head><title>Sign in</title></head><body>"
               "<h1>Sign in to continue</h1>"
               "<form id=\"provider-form\" method=\"get\" action=\"%1%2\">"
               "<input id=\"email\" name=\"email\" type=\"email\">"
               "<button id=\"continue\" type=\"submit\">Continue</button></form>"
               "<a id=\"link-signup\" href=\"/signup\">Create an account</a>"
               "</body></html>")
        .arg(page, kResultSuffix)
        .toUtf8();
}

QByteArray resultPage(const QString& hiddenValue) {
    return QStringLiteral(
               "<!DOCTYPE html><html><head><title>Signed in</title></head><body>"
               "<p>You are signed in.</p>"
               "<a id=\"link-signup\" href=\"/signup\">Create an account</a>"
               "<input type=\"hidden\" id=\"inputHiddenValue\" value=\"%1\">"
               "</body></html>")
        .arg(hiddenValue.toHtmlEscaped())
        .toUtf8();
}

}  // namespace

void ServiceEmulator::setWebSignInResult(WebSignInResult result) {
    std::lock_guard lock(mutex_);
    webSignInResult_ = std::move(result);
}

bool ServiceEmulator::handleWebSignInPage(const httplib::Request& request,
                                          httplib::Response& response) {
    const QString target = QString::fromStdString(request.path);
    const bool result = target.endsWith(kResultSuffix) &&
                        kProviderPages.contains(target.chopped(kResultSuffix.size()));
    if (request.method != "GET" || (!result && !kProviderPages.contains(target))) {
        return false;
    }
    const RecordedRequest recorded = record(request);
    if (!result) {
        write(recorded, Reply::raw(200, providerStep(target), "text/html; charset=utf-8"), false,
              response);
        return true;
    }
    WebSignInResult planned;
    {
        std::lock_guard lock(mutex_);
        planned = webSignInResult_;
    }
    const QString email = QString::fromStdString(request.get_param_value("email"));
    const std::optional<Account> signedIn = email.isEmpty() ? std::nullopt : account(email);
    QJsonObject answer{{QStringLiteral("action"), QStringLiteral("unknown_account")}};
    QString token;
    if (signedIn) {
        const Credentials credentials = issueCredentials(signedIn->accountId);
        token = credentials.token;
        answer = {{QStringLiteral("action"), QStringLiteral("authenticate")},
                  {QStringLiteral("ticket"), credentials.ticket},
                  {QStringLiteral("profiles"), QJsonArray{contactRecord(*signedIn)}}};
    }
    token = planned.token.value_or(token);
    Reply reply =
        Reply::raw(200, resultPage(planned.hiddenValue.value_or(QString::fromUtf8(toJson(answer)))),
                   "text/html; charset=utf-8");
    if (!token.isEmpty()) {
        reply.withHeader("Set-Cookie", "token_id=" + token.toUtf8() + "; Path=/; HttpOnly");
    }
    write(recorded, std::move(reply), false, response);
    return true;
}

}  // namespace zvemu
