#pragma once

#include "ZelvoKit/ZelvoApi/account/ZVUserCredentials.h"
#include "ZelvoKit/ZelvoApi/api/ZVApi.h"
#include "ZelvoKit/ZelvoApi/api/ZVApiRequest.h"
#include "ZelvoKit/ZelvoApi/session/ZVApiSession.h"
#include "platform/foundation/Scheduler.h"
#include "tests/emulator/ServiceEmulator.h"

#include <QtCore/QJsonObject>
#include <QtCore/QString>
#include <QtCore/QStringList>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <optional>

namespace zvapitest {

// How long the emulator holds a waiting poll in these tests: longer than any test waits.
constexpr std::chrono::milliseconds kHold{20000};

inline platform::Scheduler& scheduler() {
    return platform::Scheduler::main();
}

// A session that writes down what the API client did to it, in order.
class RecordingSession : public ZVApiSession {
public:
    using ZVApiSession::handleConversation;
    using ZVApiSession::ZVApiSession;

    // Shared by every recording session of a test; "<e-mail> <event>" lines.
    static QStringList& journal();
    // The journal's records, without the transactions around them and the connection notices;
    // without `withEmail`, the events alone.
    static QStringList appliedRecords(bool withEmail = true);

    ZVErrorPtr handleContact(ZVJsonParser& record) override;
    ZVErrorPtr handleConversation(ZVJsonParser& record, bool isCreateRequest) override;
    ZVErrorPtr handleMessage(ZVJsonParser& record) override;
    ZVErrorPtr handleOrgMember(ZVJsonParser& record) override;
    void startTransaction() override;
    void endTransaction() override;
    void initialSyncCompleted() override;
    void connectionEstablished() override;
    void endSession(EndReason reason) override;

    // Answers handleMessage() with this error (once).
    ZVErrorPtr messageError;
    std::optional<EndReason> endReason;

private:
    void note(const QString& event);
};

// Every test of the API client talks to a fresh emulator through the custom base URL.
class ApiTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    static ZVApi& api() { return ZVApi::api(); }

    // An account of the emulator, signed in: its session carries a ticket and cookie the emulator
    // accepts. `uuid` replaces the account's own id in the credentials.
    std::shared_ptr<RecordingSession> signIn(const QString& email, const QString& uuid = {});

    static std::shared_ptr<ZVApiRequest> makeRequest(
        const QString& method, std::optional<QJsonObject> arguments = std::nullopt);

    // Waits (in real time, the clock standing still) until no request is pending.
    static bool waitUntilIdle();
    // Waits until the emulator has answered or dropped `count` calls of `path`.
    bool waitForAnswered(const QString& path, int count = 1);
    // Waits until the emulator holds `count` calls.
    bool waitForHeld(int count);

    // The error log's text so far.
    static QString logText();

    zvemu::ServiceEmulator emulator;
};

}  // namespace zvapitest
