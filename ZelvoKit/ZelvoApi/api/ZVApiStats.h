#pragma once

#include <QtCore/QDateTime>
#include <QtCore/QLatin1StringView>
#include <QtCore/QString>

#include <cstdint>

// Counters of the API traffic: request and answer bytes, messages posted and received, and when the
// last answer with a body arrived. ZVApi keeps one set per sign-in and one that persists across
// launches in the standard user defaults. Main thread only.
class ZVApiStats {
public:
    static constexpr QLatin1StringView BytesSentKey{"stats_bytes_sent"};
    static constexpr QLatin1StringView BytesReceivedKey{"stats_bytes_received"};
    static constexpr QLatin1StringView MessagesSentKey{"stats_messages_sent"};
    static constexpr QLatin1StringView MessagesReceivedKey{"stats_messages_received"};
    static constexpr QLatin1StringView LastResponseTimeKey{"stats_last_response_time"};

    // Adds the body sizes of one exchange; an answer with a body also sets the last response time.
    void reportTrafficSent(std::int64_t sent, std::int64_t received);
    void reportSentMessage();
    void reportReceivedMessage();

    void load();
    void save() const;

    std::int32_t bytesSent() const { return bytesSent_; }
    std::int32_t bytesReceived() const { return bytesReceived_; }
    std::int32_t messagesSent() const { return messagesSent_; }
    std::int32_t messagesReceived() const { return messagesReceived_; }
    // Invalid until an answer with a body arrived.
    const QDateTime& lastResponseTime() const { return lastResponseTime_; }

    QString description() const;

private:
    std::int32_t bytesSent_ = 0;
    std::int32_t bytesReceived_ = 0;
    std::int32_t messagesSent_ = 0;
    std::int32_t messagesReceived_ = 0;
    QDateTime lastResponseTime_;
};
