#pragma once

#include "ZelvoKit/ZelvoApi/api/ZVApi.h"
#include "ZelvoKit/model/ZVRepositorySession.h"
#include "platform/foundation/Scheduler.h"
#include "tests/emulator/ServiceEmulator.h"
#include "tests/emulator/ServiceModel.h"

#include <QtCore/QJsonObject>
#include <QtCore/QList>
#include <QtCore/QString>
#include <QtCore/QStringList>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace modeltest {

// Waits until `done`, moving the clock on by the queue's delay while no queued request is in
// flight (at most a minute of virtual time); false when an answer never comes.
bool runQueueUntil(const std::function<bool()>& done);

// Repository sessions of accounts of a fresh loopback service, signed in as the application signs
// in a saved account: the session opens the account's store under the test's caches, applies the
// profile and starts polling.
class RepositoryTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    static ZVApi& api() { return ZVApi::api(); }
    // The API client of this process talks to the emulator and makes repository sessions.
    void configureClient();
    static platform::Scheduler& scheduler() { return platform::Scheduler::main(); }

    // Adds the account to the service (once) and signs it in.
    std::shared_ptr<ZVRepositorySession> signIn(const QString& email);
    // The process ends and starts again: every session goes, the API client is made anew, and the
    // account signs in again, its session opening the store and the stream position it saved.
    std::shared_ptr<ZVRepositorySession> restart(const QString& email);
    QString accountId(const QString& email) const;

    // Waits until the session has applied the service's stream up to its current end.
    bool waitForStreamEnd(const std::shared_ptr<ZVRepositorySession>& session);
    // Appends the records to the account's stream in one answer and waits until they are applied.
    bool deliver(const std::shared_ptr<ZVRepositorySession>& session,
                 const QList<QJsonObject>& records);
    // Applies the records as one answer would, without the service: the first error, or none.
    static ZVErrorPtr applyLocally(const std::shared_ptr<ZVRepositorySession>& session,
                                   const QList<QJsonObject>& records);
    // Waits until the service has answered `count` calls of the path and the client has no call
    // of it still out, moving the clock on while no queued request is in flight.
    bool waitForAnswered(const QString& path, int count = 1);
    // Waits until `done`, moving the clock on by the queue's delay while no queued request is in
    // flight (at most a minute of virtual time).
    bool settle(const std::function<bool()>& done);
    // Waits until `done`, giving what comes in real time (the stream) a moment and the clock a
    // tenth of a second in turns, for a result that needs both.
    bool waitWithClock(const std::function<bool()>& done);

    // The rows of every entity of the account's store file, one line per row without its row
    // number, sorted: equal for two stores with the same content.
    static std::vector<std::string> storeRows(const std::shared_ptr<ZVRepositorySession>& session);
    // The error log's text so far.
    static QString logText();

    zvemu::ServiceEmulator emulator;
    zvemu::ServiceModel service{emulator};
};

// The same, with one account signed in and its stream applied.
class SignedInTest : public RepositoryTest {
protected:
    void SetUp() override;

    std::shared_ptr<ZVRepositorySession> session_;
};

// A record of the stream of kind `kind` with the fields.
QJsonObject streamRecord(const QString& kind, QJsonObject fields);

}  // namespace modeltest
