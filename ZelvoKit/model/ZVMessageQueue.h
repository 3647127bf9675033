#pragma once

#include "ZelvoKit/model/Message.h"
#include "ZelvoKit/model/ZVMessageArray.h"
#include "platform/foundation/ScopedTimer.h"

#include <QtCore/QString>
#include <QtCore/QStringList>

#include <cstdint>
#include <memory>

class Conversation;

// The messages a user wrote in one conversation that the service has not stored yet, sent one at
// a time, in order. Each is a local message (numbered from Message::kFirstPendingMessageNr) shown
// in the conversation at once and replaced by the stored one when the service answers.
//
// The queue survives the process: a posted message is saved with its client request id before
// postMessage() returns, and a queue made again from the store sends it again under that same id,
// by which the service recognises a repeated message. A leading slash command ("/task ...") turns
// into a modifier of the message or an action of the conversation. Main thread only.
class ZVMessageQueue : public std::enable_shared_from_this<ZVMessageQueue> {
public:
    enum Status : int {
        Empty = 0,
        WaitingForUpload = 1,
        Queued = 2,
        Sending = 3,
        RetryArmed = 4,
        Failed = 5,
    };
    enum Modifier : int {
        NoModifier = 0,
        Pin = 1,
        Bug = 2,
        Task = 3,
        TaskTo = 4,
        Leave = 5,
        Add = 6,
    };
    // Within this long of a cycle's start a send is an initial one: retries come sooner and are
    // not marked as retries.
    static constexpr double kInitialSendInterval = 180.0;
    static constexpr double kInitialRetryDelay = 10.0;
    static constexpr double kLaterRetryDelay = 60.0;
    // The next message goes this long after the previous one was stored.
    static constexpr double kNextSendDelay = 0.1;
    // The service's refusals of a message: sending stops until the user resends.
    static constexpr int kFirstRefusal = 430;
    static constexpr int kLastRefusal = 431;

    // Takes over the local messages the conversation has stored, with their request ids.
    static std::shared_ptr<ZVMessageQueue> create(
        const std::shared_ptr<Conversation>& conversation);

    qsizetype count() const { return messages_.count(); }
    const ZVMessageArray& messages() const { return messages_; }
    // The next to send; none when empty.
    std::shared_ptr<Message> pendingMessage() const;
    int status() const { return status_; }
    bool isInitialSend() const;
    // The id every send of the message carries; null for a message not queued.
    QString requestId(std::int64_t messageNr) const;

    void postMessage(const QString& text);
    // Reads a leading slash command into the modifier.
    void postMessage(const QString& text, const QString& subject, const Message::Files& files);
    void postMessage(const QString& text, const QString& subject, const Message::Files& files,
                     int modifier);
    void forwardMessage(const std::shared_ptr<Message>& message);

    // Sends the first message if it may go now.
    void attemptSend();
    void sendMessage(const std::shared_ptr<Message>& message);
    void beginRetry();
    void updateStatus();
    // A new send cycle: failed uploads start again, the failed state ends.
    void resetState();
    void setFailed(bool failed);
    // Removes a queued message, its attachments and its local copy.
    void deleteMessage(const std::shared_ptr<Message>& message);
    void cancelMessage(const std::shared_ptr<Message>& message) { deleteMessage(message); }
    void resendMessage();
    // Records the conversation's last inbox number as the cycle's baseline, here and on disk.
    void updateSendStartMessageNr();
    std::int64_t sendStartLastMessageNr() const { return sendStartLastMessageNr_; }
    // The saved baseline of a conversation's queue follows the conversation to its new id.
    static void moveBaseline(const QString& fromConversationId, const QString& toConversationId);
    static void removeBaseline(const QString& conversationId);

private:
    explicit ZVMessageQueue(const std::shared_ptr<Conversation>& conversation);

    QString baselineKey() const;
    void enqueue(const std::shared_ptr<Message>& message);
    void completeSend(std::int64_t sentNr, std::int64_t storedNr, const QString& sentBody);
    void failSend(std::int64_t sentNr, const ZVErrorPtr& error);
    void scheduleAttempt(double delay);
    void saveStore() const;
    static bool hasFileWithStatus(const std::shared_ptr<Message>& message, int status);

    std::weak_ptr<Conversation> conversation_;
    ZVMessageArray messages_;
    std::int64_t sendingMessageNr_ = 0;
    double sendStartTime_ = 0;
    platform::ScopedTimer retryTimer_;
    platform::ScopedTimer attemptTimer_;
    std::int64_t sendStartLastMessageNr_ = 0;
    // The stored message's baseline is taken once the answer that brought it is applied.
    bool baselineAfterStore_ = false;
    int status_ = Empty;
};
