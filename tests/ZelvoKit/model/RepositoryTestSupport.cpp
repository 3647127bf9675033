#include "tests/ZelvoKit/model/RepositoryTestSupport.h"

#include "ZelvoKit/ZelvoApi/account/ZVUserCredentials.h"
#include "ZelvoKit/ZelvoApi/api/ZVApiRequest.h"
#include "ZelvoKit/model/ZVDataModel.h"
#include "ZelvoKit/support/log/ZVErrorLog.h"
#include "platform/foundation/Application.h"
#include "platform/foundation/SharedState.h"
#include "platform/store/ManagedObjectContext.h"

#include <QtCore/QFile>
#include <QtCore/QJsonArray>

#include <algorithm>
#include <chrono>

namespace modeltest {

using namespace Qt::Literals::StringLiterals;

namespace {

// Longer than any test waits: a poll is answered when records arrive, not when the hold ends.
constexpr std::chrono::milliseconds kPollHold{20000};

}  // namespace

QJsonObject streamRecord(const QString& kind, QJsonObject fields) {
    fields.insert(u"mk_rec_type"_s, kind);
    return fields;
}

void RepositoryTest::SetUp() {
    ASSERT_TRUE(emulator.start());
    emulator.setPollHoldLimit(kPollHold);
    configureClient();
}

void RepositoryTest::configureClient() {
    platform::Application& application = platform::Application::shared();
    application.setShortVersion(u"1.4"_s);
    application.setBuildVersion(u"212"_s);
    ZVApi::setApplicationId(u"ZelvoIPhone"_s);
    ZVApi::setSessionClass(ZVRepositorySession::factory());
    api().setCustomBaseURL(emulator.baseUrl());
}

void SignedInTest::SetUp() {
    RepositoryTest::SetUp();
    session_ = signIn(u"anna@example.com"_s);
    ASSERT_TRUE(session_);
    ASSERT_TRUE(waitForStreamEnd(session_));
}

void RepositoryTest::TearDown() {
    ZVApi::resetSharedApi();
    emulator.stop();
}

std::shared_ptr<ZVRepositorySession> RepositoryTest::signIn(const QString& email) {
    std::optional<zvemu::Account> account = emulator.account(email);
    if (!account) {
        account = emulator.addAccount(email, u"secret"_s, email.section(u'@', 0, 0));
    }
    const zvemu::Credentials issued = emulator.issueCredentials(account->accountId);
    auto credentials = std::make_shared<ZVUserCredentials>(email);
    credentials->setUuid(account->accountId);
    credentials->setTicket(issued.ticket);
    credentials->setCookie(issued.token);
    ZVJsonParser profiles(QJsonObject{
        {u"profiles"_s, QJsonArray{QJsonObject{{u"mk_rec_type"_s, u"contact"_s},
                                               {u"account_id"_s, account->accountId},
                                               {u"email"_s, account->email},
                                               {u"display_name"_s, account->displayName}}}}});
    return std::dynamic_pointer_cast<ZVRepositorySession>(
        api().loginWithCredentials(credentials, &profiles));
}

std::shared_ptr<ZVRepositorySession> RepositoryTest::restart(const QString& email) {
    ZVApi::resetSharedApi();
    // Every process-wide object starts again from the files, as after a relaunch.
    platform::resetSharedState();
    configureClient();
    return signIn(email);
}

QString RepositoryTest::accountId(const QString& email) const {
    return emulator.account(email)->accountId;
}

bool RepositoryTest::waitForStreamEnd(const std::shared_ptr<ZVRepositorySession>& session) {
    const qint64 end = emulator.eventHorizon(session->sessionId());
    return scheduler().runUntil([&] { return session->eventHorizon() >= end; });
}

bool RepositoryTest::deliver(const std::shared_ptr<ZVRepositorySession>& session,
                             const QList<QJsonObject>& records) {
    emulator.appendEvents(session->sessionId(), records);
    return waitForStreamEnd(session);
}

ZVErrorPtr RepositoryTest::applyLocally(const std::shared_ptr<ZVRepositorySession>& session,
                                        const QList<QJsonObject>& records) {
    QJsonArray stream;
    for (const QJsonObject& record : records) {
        stream.append(record);
    }
    session->startTransaction();
    ZVErrorPtr error = api().processStream(stream, session);
    session->endTransaction();
    return error;
}

bool RepositoryTest::waitForAnswered(const QString& path, int count) {
    // Answered by the service and taken by the client: a test that moves the clock on while an
    // answer is still on its way (in real time) would see that request time out.
    const auto takenByClient = [&] {
        const auto pending = api().requestsWithTag(0, nullptr);
        return std::none_of(pending.begin(), pending.end(),
                            [&](const auto& request) { return request->method() == path; });
    };
    return settle([&] {
        int answered = 0;
        for (const auto& request : emulator.requests(path)) {
            answered += request.status != 0 ? 1 : 0;
        }
        return answered >= count && takenByClient();
    });
}

bool RepositoryTest::waitWithClock(const std::function<bool()>& done) {
    constexpr int kMaxSteps = 100;
    constexpr int kRealMsPerStep = 100;
    for (int step = 0; step < kMaxSteps; ++step) {
        if (scheduler().runUntil(done, kRealMsPerStep)) {
            return true;
        }
        scheduler().advance(ZVApi::kQueueSendDelay);
    }
    return done();
}

bool runQueueUntil(const std::function<bool()>& done) {
    // Queued requests go out on the virtual clock; the answers to every request come in real time,
    // so the clock waits while one is out (the long poll aside, which is always out).
    constexpr int kMaxSteps = 600;
    const auto inFlight = [] {
        const auto pending = ZVApi::api().requestsWithTag(0, nullptr);
        return std::any_of(pending.begin(), pending.end(), [](const auto& request) {
            return request->tag() != ZVApiRequest::TagLongPoll;
        });
    };
    for (int step = 0; step < kMaxSteps; ++step) {
        if (done()) {
            return true;
        }
        if (inFlight()) {
            if (!platform::Scheduler::main().runUntil([&] { return done() || !inFlight(); })) {
                return false;
            }
        } else {
            platform::Scheduler::main().advance(ZVApi::kQueueSendDelay);
        }
    }
    return done();
}

bool RepositoryTest::settle(const std::function<bool()>& done) {
    return runQueueUntil(done);
}

std::vector<std::string> RepositoryTest::storeRows(
    const std::shared_ptr<ZVRepositorySession>& session) {
    const QString path = session->repository()->repositoryURL().toLocalFile();
    const auto model = ZVDataModel::shared().model();
    auto opened = platform::ManagedObjectContext::open(path, model);
    if (!opened) {
        ADD_FAILURE() << "cannot open " << path.toStdString();
        return {};
    }
    QStringList rows;
    for (const auto& entity : model->entities()) {
        auto objects = (*opened)->fetch({entity->name()});
        if (!objects) {
            ADD_FAILURE() << "cannot read " << entity->name().toStdString();
            continue;
        }
        for (const auto& object : *objects) {
            QStringList values;
            for (const auto& attribute : entity->attributes()) {
                values.append(attribute.name + u'=' + object->value(attribute.name).toString());
            }
            rows.append(entity->name() + u' ' + values.join(u' '));
        }
    }
    std::sort(rows.begin(), rows.end());
    std::vector<std::string> lines;
    lines.reserve(static_cast<std::size_t>(rows.size()));
    for (const QString& row : rows) {
        lines.push_back(row.toStdString());
    }
    return lines;
}

QString RepositoryTest::logText() {
    QFile file(ZVErrorLog::errorLog().logFilePath());
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

}  // namespace modeltest
