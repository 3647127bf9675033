#pragma once

#include "platform/foundation/Scheduler.h"
#include "platform/net/UrlSession.h"
#include "tests/emulator/ServiceEmulator.h"

#include <QtCore/QJsonObject>

#include <gtest/gtest.h>

#include <memory>
#include <optional>

namespace nettest {

// What a task delivered, by callback.
struct Outcome {
    int responses = 0;
    int completions = 0;
    std::optional<platform::UrlResponse> response;
    platform::UrlTaskResult result;

    bool done() const { return completions > 0; }
    int status() const { return result.response.statusCode(); }
    int errorCode() const { return result.error ? result.error->code() : 0; }
    QJsonObject json() const;
};

// Real network events take real time; every wait for them is bounded by this.
constexpr int kNetworkWaitMs = 10000;

// A POST of `body` with the envelope headers the API client sends.
platform::UrlRequest apiRequest(const zvemu::ServiceEmulator& emulator, const QString& path,
                                QJsonObject body = {},
                                const std::optional<zvemu::Credentials>& credentials = {});

// Makes and resumes a task whose callbacks fill the returned outcome.
std::shared_ptr<Outcome> start(platform::UrlSession& session, platform::UrlRequest request,
                               std::shared_ptr<platform::UrlSessionTask>* task = nullptr);

// Waits, in real time, for the task to complete.
bool waitFor(const Outcome& outcome);

// The emulator, started, and one session.
class EmulatorTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(emulator.start()); }

    std::shared_ptr<Outcome> send(const QString& path, QJsonObject body = {},
                                  const std::optional<zvemu::Credentials>& credentials = {});
    // Sends and waits for the end.
    std::shared_ptr<Outcome> call(const QString& path, QJsonObject body = {},
                                  const std::optional<zvemu::Credentials>& credentials = {});

    zvemu::ServiceEmulator emulator;
    platform::UrlSession session;
};

}  // namespace nettest
