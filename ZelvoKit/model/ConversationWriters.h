#pragma once

#include "platform/foundation/Scheduler.h"

#include <QtCore/QString>
#include <QtCore/QStringList>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>

class Conversation;

// Who is writing in one conversation right now, which messages are being edited by whom, and
// what the local user is doing, which it reports to the service. Other members' activity comes
// from the stream; the local user's from the editors. Made and dropped by the conversation.
// Times are the main scheduler's, so tests run on its virtual clock. Always held by
// std::shared_ptr. Main thread only.
class ConversationWriters : public std::enable_shared_from_this<ConversationWriters> {
public:
    // A writer without further activity for this long has stopped.
    static constexpr platform::TimeInterval kWriterExpiry = 60.0;
    // How often expired writers are looked for while there are writers.
    static constexpr platform::TimeInterval kPurgeInterval = 10.0;

    explicit ConversationWriters(std::weak_ptr<Conversation> conversation);
    ~ConversationWriters();
    ConversationWriters(const ConversationWriters&) = delete;
    ConversationWriters& operator=(const ConversationWriters&) = delete;

    // Another member's activity: writing or not, and the message edited (0 for none). The local
    // user's own activity only records an edited message.
    void updateActivityBy(const QString& accountId, bool writing, std::int64_t messageNr);
    // The local user's state; a change is reported to the service, where the user may post.
    void setWritingStatus(bool writing, std::int64_t messageNr);
    void endWritingBy(const QString& accountId);
    void purgeExpiredWriters();
    void tryPurgeWriters();
    // Forgets every writer and stops looking for expired ones; edited messages stay.
    void reset();

    int count() const { return static_cast<int>(writers_.size()); }
    // The writers' unique short names in the roster ("?" for an account it does not know), in
    // the order of their account ids; empty when nobody writes.
    QStringList nameList() const;
    // Who edits the message; null when nobody does.
    QString userEditingMessageNr(std::int64_t messageNr) const;
    bool isWriting() const { return writing_; }
    std::int64_t editMessageNr() const { return editMessageNr_; }
    bool isWriter(const QString& accountId) const { return writers_.contains(accountId); }

private:
    void startPurgeTimer();
    void announceLock(std::int64_t messageNr, const std::shared_ptr<Conversation>& conversation);

    std::weak_ptr<Conversation> conversation_;
    // Account id -> time of the last activity.
    std::map<QString, platform::TimeInterval> writers_;
    // Message number -> account id of its editor.
    std::map<std::int64_t, QString> lockedMessages_;
    bool writing_ = false;
    std::int64_t editMessageNr_ = 0;
    platform::TimerHandle purgeTimer_;
};
