#include "tests/emulator/AccountRecords.h"
#include "tests/emulator/EmulatorJson.h"
#include "tests/emulator/ServiceEmulator.h"

#include <QtCore/QDateTime>

namespace zvemu {

namespace {

// How long the service's cookies live.
constexpr qint64 kCookieLifetimeDays = 365;

Reply signIn(Call& call) {
    const QString email = call.body().value(QStringLiteral("email")).toString();
    const QString password = call.body().value(QStringLiteral("password")).toString();
    const std::optional<Account> account = call.emulator.account(email);
    if (!account || email.isEmpty()) {
        return Reply::error(430, QStringLiteral("unknown_email"));
    }
    if (account->password != password) {
        return Reply::error(430, QStringLiteral("incorrect_password"));
    }
    if (!account->active) {
        return Reply::error(430, QStringLiteral("not_active"));
    }
    return signInAnswer(call.emulator, *account);
}

Reply poll(Call& call) {
    const qint64 horizon = call.body().value(QStringLiteral("event_horizon")).toInteger(-1);
    const bool wait = call.body().value(QStringLiteral("wait")).toBool();
    const EventBatch batch = call.emulator.eventsAfter(call.account->accountId, horizon, wait);
    return Reply::ok({{QStringLiteral("stream"), toArray(batch.records)},
                      {QStringLiteral("event_horizon"), batch.eventHorizon},
                      {QStringLiteral("sync_progress"), 1.0}});
}

}  // namespace

QJsonObject contactRecord(const Account& account) {
    QJsonObject record{
        {QStringLiteral("mk_rec_type"), QStringLiteral("contact")},
        {QStringLiteral("account_id"), account.accountId},
        {QStringLiteral("email"), account.email},
        {QStringLiteral("display_name"), account.displayName},
        {QStringLiteral("client_flags"), QJsonArray::fromStringList(account.clientFlags)}};
    if (!account.zelvoAddress.isEmpty()) {
        record.insert(QStringLiteral("zelvo_address"), account.zelvoAddress);
    }
    if (!account.emailInterval.isEmpty()) {
        record.insert(QStringLiteral("mk_email_interval"), account.emailInterval);
    }
    return record;
}

Reply signInAnswer(ServiceEmulator& emulator, const Account& account) {
    const Credentials credentials = emulator.issueCredentials(account.accountId);
    Reply reply = Reply::ok({{QStringLiteral("ticket"), credentials.ticket},
                             {QStringLiteral("account_id"), account.accountId},
                             {QStringLiteral("profiles"), QJsonArray{contactRecord(account)}}});
    // Dated cookies, so that a client splitting joined Set-Cookie fields meets the ", " of a date.
    const QByteArray expires =
        httpDate(QDateTime::currentDateTimeUtc().addDays(kCookieLifetimeDays));
    reply.withHeader("Set-Cookie", "zv_route=r1; Path=/; Expires=" + expires)
        .withHeader("Set-Cookie", "token_id=" + credentials.token.toLatin1() +
                                      "; Path=/; Expires=" + expires + "; HttpOnly");
    return reply;
}

void ServiceEmulator::installStandardRoutes() {
    route(QStringLiteral("account/login"), Access::Public, signIn);
    route(QStringLiteral("account/poll"), Access::Session, poll);
    installAccountLifecycleRoutes(*this);
    installMarkupRoutes(*this);
}

}  // namespace zvemu
