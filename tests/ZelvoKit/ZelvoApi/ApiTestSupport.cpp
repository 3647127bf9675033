#include "tests/ZelvoKit/ZelvoApi/ApiTestSupport.h"

#include "ZelvoKit/support/log/ZVErrorLog.h"
#include "platform/foundation/Application.h"
#include "platform/foundation/Scheduler.h"
#include "platform/foundation/SharedState.h"

#include <QtCore/QFile>

namespace zvapitest {

using namespace Qt::Literals::StringLiterals;

QStringList& RecordingSession::journal() {
    static QStringList lines;
    return lines;
}

QStringList RecordingSession::appliedRecords(bool withEmail) {
    QStringList applied;
    for (const QString& line : journal()) {
        const QString event = line.section(u' ', 1);
        if (event != u"start" && event != u"end" && event != u"connection established") {
            applied.append(withEmail ? line : event);
        }
    }
    return applied;
}

void RecordingSession::note(const QString& event) {
    journal().append(credentials()->email() + u' ' + event);
}

ZVErrorPtr RecordingSession::handleContact(ZVJsonParser& record) {
    note(u"contact "_s + record.extractString(u"account_id", QString()));
    return nullptr;
}

ZVErrorPtr RecordingSession::handleConversation(ZVJsonParser& record, bool isCreateRequest) {
    note(u"conversation "_s + record.extractString(u"conversation_id", QString()) +
         (isCreateRequest ? u" created"_s : QString()));
    return nullptr;
}

ZVErrorPtr RecordingSession::handleMessage(ZVJsonParser& record) {
    note(u"message "_s + QString::number(record.extractInt(u"message_nr", 0)));
    return std::exchange(messageError, nullptr);
}

ZVErrorPtr RecordingSession::handleOrgMember(ZVJsonParser&) {
    note(u"org_member"_s);
    return nullptr;
}

void RecordingSession::startTransaction() {
    ZVApiSession::startTransaction();
    note(u"start"_s);
}

void RecordingSession::endTransaction() {
    note(u"end"_s);
    ZVApiSession::endTransaction();
}

void RecordingSession::initialSyncCompleted() {
    note(u"initial sync completed"_s);
}

void RecordingSession::connectionEstablished() {
    note(u"connection established"_s);
}

void RecordingSession::endSession(EndReason reason) {
    endReason = reason;
    note(u"end session "_s + QString::number(static_cast<int>(reason)));
    ZVApiSession::endSession(reason);
}

void ApiTest::SetUp() {
    ASSERT_TRUE(emulator.start());
    RecordingSession::journal().clear();
    platform::Application& application = platform::Application::shared();
    application.setShortVersion(u"1.4"_s);
    application.setBuildVersion(u"212"_s);
    application.setSystemName(u"iOS"_s);
    application.setSystemVersion(u"9.3"_s);
    ZVApi::setApplicationId(u"ZelvoIPhone"_s);
    ZVApi::setSessionClass(ZVApiSession::factory<RecordingSession>());
    api().setCustomBaseURL(emulator.baseUrl());
}

void ApiTest::TearDown() {
    // The client first: the connections it keeps alive close with it, where the emulator's stop
    // would wait for each of them to time out. Dropped as at the end of the test, so that no block
    // of the test's runs.
    platform::resetSharedState();
    emulator.stop();
}

std::shared_ptr<RecordingSession> ApiTest::signIn(const QString& email, const QString& uuid) {
    const zvemu::Account account = emulator.addAccount(email, u"secret"_s);
    const zvemu::Credentials issued = emulator.issueCredentials(account.accountId);
    auto credentials = std::make_shared<ZVUserCredentials>(email);
    credentials->setUuid(uuid.isEmpty() ? account.accountId : uuid);
    credentials->setTicket(issued.ticket);
    credentials->setCookie(issued.token);
    return std::dynamic_pointer_cast<RecordingSession>(
        api().createSessionWithCredentials(credentials, nullptr));
}

std::shared_ptr<ZVApiRequest> ApiTest::makeRequest(const QString& method,
                                                   std::optional<QJsonObject> arguments) {
    return std::make_shared<ZVApiRequest>(method, std::move(arguments));
}

bool ApiTest::waitUntilIdle() {
    return platform::Scheduler::main().runUntil([] { return api().pendingRequests().empty(); });
}

bool ApiTest::waitForAnswered(const QString& path, int count) {
    return platform::Scheduler::main().runUntil([&] {
        int answered = 0;
        for (const auto& request : emulator.requests(path)) {
            answered += request.status != 0 ? 1 : 0;
        }
        return answered >= count;
    });
}

bool ApiTest::waitForHeld(int count) {
    return platform::Scheduler::main().runUntil([&] { return emulator.heldCount() >= count; });
}

QString ApiTest::logText() {
    QFile file(ZVErrorLog::errorLog().logFilePath());
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

}  // namespace zvapitest
