#pragma once

#include "ZelvoKit/ZelvoApi/account/ZVUserCredentials.h"
#include "ZelvoKit/ZelvoApi/api/ZVApi.h"
#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/Message.h"
#include "ZelvoKit/model/ZVRepositorySession.h"
#include "ZelvoKit/support/base/ZVJsonParser.h"
#include "platform/foundation/Paths.h"

#include <QtCore/QJsonArray>
#include <QtCore/QJsonObject>
#include <QtCore/QJsonValue>
#include <QtCore/QString>
#include <QtCore/QTemporaryDir>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdint>
#include <memory>
#include <vector>

// An account's repository session opened on this machine without a service, for the data model's
// benchmarks.
namespace modelbench {

inline std::shared_ptr<ZVUserCredentials> credentialsFor(const QString& uuid,
                                                         const QString& email) {
    auto credentials = std::make_shared<ZVUserCredentials>(email);
    credentials->setUuid(uuid);
    credentials->setTicket(QStringLiteral("ticket"));
    credentials->setCookie(QStringLiteral("cookie"));
    return credentials;
}

// The account's session with its store under the current paths root, as a saved sign-in opens it.
inline std::shared_ptr<ZVRepositorySession> openSession(const QString& uuid, const QString& email) {
    ZVJsonParser profiles(QJsonObject{
        {QStringLiteral("profiles"), QJsonArray{QJsonObject{{QStringLiteral("account_id"), uuid},
                                                            {QStringLiteral("email"), email}}}}});
    return std::dynamic_pointer_cast<ZVRepositorySession>(
        ZVRepositorySession::factory()(credentialsFor(uuid, email), &profiles));
}

// An account whose store lies in a temporary folder made the paths root; its session is null where
// it could not be opened.
struct LocalAccount {
    LocalAccount(const QString& uuid, const QString& email) {
        platform::Paths::setRoot(root.path());
        // Whatever a measured screen reports (opening a conversation, say) stays on this machine:
        // nothing listens there, so the call fails at once.
        ZVApi::api().setCustomBaseURL(QString::fromLatin1(kNowhere));
        session = openSession(uuid, email);
    }
    static constexpr const char* kNowhere = "http://127.0.0.1:9/";

    QTemporaryDir root;
    std::shared_ptr<ZVRepositorySession> session;
};

// A person of the account's stream, known by name.
inline QJsonObject contactRecord(const QString& accountId, const QString& displayName) {
    return {{QStringLiteral("mk_rec_type"), QStringLiteral("contact")},
            {QStringLiteral("account_id"), accountId},
            {QStringLiteral("display_name"), displayName}};
}

// A conversation's record with its members and how far it is posted and read; `fields` add to it.
inline QJsonObject conversationRecord(const QString& conversationId, const QJsonArray& members,
                                      qint64 lastMessageNr, qint64 readMessageNr,
                                      QJsonObject fields = {}) {
    fields.insert(QStringLiteral("mk_rec_type"), QStringLiteral("conv"));
    fields.insert(QStringLiteral("conversation_id"), conversationId);
    fields.insert(QStringLiteral("members"), members);
    fields.insert(QStringLiteral("last_message_nr"), lastMessageNr);
    fields.insert(QStringLiteral("read_message_nr"), readMessageNr);
    return fields;
}

// Stores `stream` in one transaction, as a sync's answer is stored; the first error, if any.
inline ZVErrorPtr storeStream(const std::shared_ptr<ZVRepositorySession>& session,
                              const QJsonValue& stream) {
    session->startTransaction();
    ZVErrorPtr error = ZVApi::api().processStream(stream, session);
    session->endTransaction();
    return error;
}

// Messages `first` to `last` of a stored conversation, each tied to it as the screens tie them.
inline std::vector<std::shared_ptr<Message>> storedMessages(
    const std::shared_ptr<ZVRepositorySession>& session, const QString& conversationId,
    std::int64_t first, std::int64_t last) {
    const auto conversation = session->conversationFromId(conversationId);
    std::vector<std::shared_ptr<Message>> messages;
    for (std::int64_t nr = first; nr <= last; ++nr) {
        auto message = session->messageFromKey(conversationId, nr);
        message->setConversation(conversation);
        messages.push_back(message);
    }
    return messages;
}

// A conversation's message rows read from the store file with every column, as plainly as SQLite
// allows: the raw baseline beside the model's own reads.
class RawMessageRows {
public:
    RawMessageRows(const QString& storePath, const QString& conversationId)
        : id_(conversationId.toUtf8()) {
        if (sqlite3_open_v2(storePath.toUtf8().constData(), &db_, SQLITE_OPEN_READONLY, nullptr) !=
            SQLITE_OK) {
            return;
        }
        sqlite3_prepare_v2(
            db_,
            "SELECT * FROM \"Message\" WHERE conversation_id = ? AND message_nr >= ? "
            "AND message_nr <= ?",
            -1, &select_, nullptr);
    }
    ~RawMessageRows() {
        sqlite3_finalize(select_);
        sqlite3_close(db_);
    }
    RawMessageRows(const RawMessageRows&) = delete;
    RawMessageRows& operator=(const RawMessageRows&) = delete;

    bool isOpen() const { return select_ != nullptr; }
    // Reads the rows numbered from..to; how many there were.
    std::int64_t read(std::int64_t from, std::int64_t to) {
        sqlite3_reset(select_);
        sqlite3_bind_text(select_, 1, id_.constData(), static_cast<int>(id_.size()), SQLITE_STATIC);
        sqlite3_bind_int64(select_, 2, from);
        sqlite3_bind_int64(select_, 3, to);
        std::int64_t rows = 0;
        while (sqlite3_step(select_) == SQLITE_ROW) {
            for (int column = 0; column < sqlite3_column_count(select_); ++column) {
                benchmark::DoNotOptimize(sqlite3_column_text(select_, column));
            }
            ++rows;
        }
        return rows;
    }

private:
    QByteArray id_;
    sqlite3* db_ = nullptr;
    sqlite3_stmt* select_ = nullptr;
};

}  // namespace modelbench
