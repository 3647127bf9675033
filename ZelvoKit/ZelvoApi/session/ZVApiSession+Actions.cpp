#include "ZelvoKit/ZelvoApi/session/ZVApiSession.h"

#include "ZelvoKit/ZelvoApi/api/ZVApi.h"
#include "ZelvoKit/ZelvoApi/api/ZVApiRecordKind.h"
#include "ZelvoKit/ZelvoApi/api/ZVApiRequest.h"
#include "ZelvoKit/ZelvoApi/api/ZVApiStats.h"
#include "ZelvoKit/ZelvoApi/transfers/ZVAvatarUploader.h"
#include "ZelvoKit/ZelvoApi/transfers/ZVFileTransfers.h"
#include "ZelvoKit/support/base/DataUtils.h"

#include <QtCore/QJsonArray>

namespace {

using namespace Qt::Literals::StringLiterals;

// How the service wants lists of addresses: members are added by a comma-separated list, history
// is disclosed to a semicolon-separated one.
constexpr QChar kMemberEmailSeparator = u',';
constexpr QChar kDiscloseEmailSeparator = u';';

// The name the service gets for every avatar, whatever file it came from.
const QString kAvatarFileName = u"Avatar.jpg"_s;

std::shared_ptr<ZVApiRequest> makeRequest(const QString& method,
                                          std::optional<QJsonObject> arguments = std::nullopt) {
    return std::make_shared<ZVApiRequest>(method, std::move(arguments));
}

std::shared_ptr<ZVApiRequest> makeRequest(QStringView methodFormat, const QString& conversationId,
                                          std::optional<QJsonObject> arguments = std::nullopt) {
    return std::make_shared<ZVApiRequest>(methodFormat, conversationId, std::move(arguments));
}

void setBlocks(ZVApiRequest& request, ZVApiSession::ActionBlock onSuccess,
               ZVApiSession::ActionErrorBlock onError) {
    if (onSuccess) {
        request.setSuccessHandler(std::move(onSuccess));
    }
    if (onError) {
        request.setErrorHandler(std::move(onError));
    }
}

// Hands the answer's "header/conversation_id" to the block. An answer without one still
// succeeds: the conversation comes with the stream.
ZVApiRequest::Handler conversationIdHandler(ZVApiSession::ConversationIdBlock onSuccess) {
    return [onSuccess = std::move(onSuccess)](ZVJsonParser& answer) -> ZVErrorPtr {
        const QString conversationId = answer.extractString(u"header/conversation_id", QString());
        if (!conversationId.isNull() && onSuccess) {
            onSuccess(conversationId);
        }
        return nullptr;
    };
}

void countSentMessage() {
    ZVApi& api = ZVApi::api();
    for (const auto& stats : {api.sessionStats(), api.cumulativeStats()}) {
        if (stats) {
            stats->reportSentMessage();
        }
    }
}

}  // namespace

void ZVApiSession::submitApnToken(const QByteArray& deviceToken) {
    sendRequest(makeRequest(u"account/configure_apn"_s,
                            QJsonObject{
                                {u"apn_token"_s, QString::fromLatin1(deviceToken.toBase64())},
                                {u"apn_token_hex"_s, asHexString(deviceToken)},
                                {u"apn_token_2"_s, asBase64String(deviceToken)},
                            }));
}

void ZVApiSession::createConversationWithTopic(const QString& topic, const QStringList& emails,
                                               ConversationIdBlock onSuccess,
                                               ActionErrorBlock onError) {
    QJsonObject arguments{{u"emails"_s, emails.join(kMemberEmailSeparator)}};
    if (!topic.isNull()) {
        arguments.insert(u"topic"_s, topic);
    }
    const auto request = makeRequest(u"conversation/create"_s, arguments);
    request->setTag(ZVApiRequest::TagConversationCreate);
    request->setHandler(conversationIdHandler(std::move(onSuccess)));
    setBlocks(*request, nullptr, std::move(onError));
    sendRequest(request);
}

void ZVApiSession::removeMembers(const QStringList& accountIds, const QString& conversationId,
                                 ActionBlock onSuccess, ActionErrorBlock onError) {
    const auto request =
        makeRequest(u"conversation/store/%@", conversationId,
                    QJsonObject{{u"remove_account_ids"_s, QJsonArray::fromStringList(accountIds)}});
    setBlocks(*request, std::move(onSuccess), std::move(onError));
    sendRequest(request);
}

void ZVApiSession::removeTeams(const QStringList& teamIds, const QString& conversationId,
                               ActionBlock onSuccess, ActionErrorBlock onError) {
    const auto request =
        makeRequest(u"conversation/store/%@", conversationId,
                    QJsonObject{{u"remove_team_ids"_s, QJsonArray::fromStringList(teamIds)}});
    setBlocks(*request, std::move(onSuccess), std::move(onError));
    sendRequest(request);
}

void ZVApiSession::addMembers(const QStringList& emails, const QString& conversationId,
                              ActionBlock onSuccess, ActionErrorBlock onError) {
    const auto request =
        makeRequest(u"conversation/add_members/%@", conversationId,
                    QJsonObject{{u"emails"_s, emails.join(kMemberEmailSeparator)}});
    setBlocks(*request, std::move(onSuccess), std::move(onError));
    sendRequest(request);
}

void ZVApiSession::deleteAttachment(const QString& attachmentId, std::int64_t messageNr,
                                    const QString& conversationId, ActionBlock onSuccess,
                                    ActionErrorBlock onError) {
    const auto request = makeRequest(
        u"message/delete/%@", conversationId,
        QJsonObject{{u"message_nr"_s, qint64(messageNr)}, {u"attachment_id"_s, attachmentId}});
    setBlocks(*request, std::move(onSuccess), std::move(onError));
    sendRequest(request);
}

void ZVApiSession::deleteMessageNr(std::int64_t messageNr, const QString& conversationId,
                                   ActionBlock onSuccess, ActionErrorBlock onError) {
    const auto request = makeRequest(u"message/delete/%@", conversationId,
                                     QJsonObject{{u"message_nr"_s, qint64(messageNr)}});
    setBlocks(*request, std::move(onSuccess), std::move(onError));
    sendRequest(request);
}

void ZVApiSession::pinMessageNr(std::int64_t messageNr, const QString& conversationId,
                                ActionBlock onSuccess) {
    const auto request = makeRequest(u"message/pin/%@", conversationId,
                                     QJsonObject{{u"message_nr"_s, qint64(messageNr)}});
    setBlocks(*request, std::move(onSuccess), nullptr);
    sendRequest(request);
}

void ZVApiSession::unpinMessageNr(std::int64_t messageNr, const QString& conversationId) {
    sendRequest(makeRequest(u"message/unpin/%@", conversationId,
                            QJsonObject{{u"pin_message_nr"_s, qint64(messageNr)}}));
}

void ZVApiSession::leaveConversationWithId(const QString& conversationId) {
    sendRequest(makeRequest(u"conversation/leave/%@", conversationId));
}

void ZVApiSession::setMyDisplayName(const QString& displayName) {
    sendRequest(makeRequest(u"account/configure"_s, QJsonObject{{u"display_name"_s, displayName}}));
}

void ZVApiSession::setMyPhoneNumber(const QString& phoneNumber) {
    sendRequest(makeRequest(u"account/configure"_s, QJsonObject{{u"phone_nr"_s, phoneNumber}}));
}

void ZVApiSession::deleteMyAvatarOnSuccess(ActionBlock onSuccess, ActionErrorBlock onError) {
    const auto request = makeRequest(u"avatar/delete"_s);
    setBlocks(*request, std::move(onSuccess), std::move(onError));
    sendRequest(request);
}

void ZVApiSession::setMyAvatar(const QUrl& localUrl, ActionBlock onSuccess,
                               std::function<void(float progress)> onProgress,
                               ActionErrorBlock onError) {
    auto uploader = std::make_shared<ZVAvatarUploader>();
    uploader->setOnCompletion(std::move(onSuccess));
    uploader->setOnProgress(std::move(onProgress));
    uploader->setOnError(onError);
    const std::shared_ptr<ZVFileTransfers> transfers = ZVApi::api().fileTransfers();
    const auto transfer =
        transfers ? transfers->uploadWithUrl(ZVFileTransfers::AvatarUploadPath, localUrl,
                                             kAvatarFileName, shared_from_this(), uploader)
                  : nullptr;
    // An upload that cannot start would otherwise leave the caller waiting for good.
    if (!transfer && onError) {
        onError(ZVError::errorWithCode(ZVError::LocalTransferFailed,
                                       {{ZVError::UrlKey, localUrl.toString()}}));
    }
}

void ZVApiSession::changePasswordOld(const QString& oldPassword, const QString& newPassword,
                                     ActionBlock onSuccess, ActionErrorBlock onError) {
    const auto request =
        makeRequest(u"account/configure"_s,
                    QJsonObject{{u"old_password"_s, oldPassword}, {u"password"_s, newPassword}});
    setBlocks(*request, std::move(onSuccess), std::move(onError));
    sendRequest(request);
}

void ZVApiSession::deleteConversation(const QString& conversationId, ActionBlock onSuccess,
                                      ActionErrorBlock onError) {
    const auto request = makeRequest(u"conversation/delete/%@", conversationId);
    setBlocks(*request, std::move(onSuccess), std::move(onError));
    sendRequest(request);
}

void ZVApiSession::cancelPendingSearch() {
    ZVApi& api = ZVApi::api();
    for (const auto& search :
         api.requestsWithTag(ZVApiRequest::TagMessageSearch, shared_from_this())) {
        api.cancelRequest(search);
    }
}

void ZVApiSession::searchMessages(const QString& keywords, const QString& conversationId,
                                  SearchResultBlock onResult, SkippedCountBlock onSuccess,
                                  ActionErrorBlock onError) {
    cancelPendingSearch();
    QJsonObject arguments{{u"keywords"_s, keywords}};
    if (!conversationId.isNull()) {
        arguments.insert(u"conversation_id"_s, conversationId);
    }
    const auto request = makeRequest(u"search"_s, arguments);
    request->setTag(ZVApiRequest::TagMessageSearch);

    auto skippedCount = std::make_shared<std::int64_t>(0);
    const std::weak_ptr<ZVApiSession> weakSelf = weak_from_this();
    request->setHandler([weakSelf, skippedCount,
                         onResult = std::move(onResult)](ZVJsonParser& answer) -> ZVErrorPtr {
        *skippedCount = answer.extractInt(u"skipped_count", 0);
        const auto session = weakSelf.lock();
        if (!session) {
            return nullptr;
        }
        const QJsonValue none(QJsonValue::Undefined);
        const QJsonArray headers =
            answer.extractObject(u"headers", ZVJsonParser::JsonClass::Array, none).toArray();
        for (const QJsonValue& header : headers) {
            ZVJsonParser reader(header);
            if (ZVErrorPtr error = session->handleConversation(reader)) {
                return error;
            }
        }
        const QJsonArray matches =
            answer.extractObject(u"matches", ZVJsonParser::JsonClass::Array, none).toArray();
        for (const QJsonValue& match : matches) {
            ZVJsonParser reader(match);
            if (recordKindOf(reader) != ZVApiRecordKind::Message) {
                continue;
            }
            const QString matchConversationId = reader.extractString(u"conversation_id");
            const std::optional<std::int64_t> messageNr = reader.extractInt(u"message_nr");
            const bool fieldsRead = !reader.error();
            // A match the session cannot take is left out of the results, not reported.
            if (!session->handleMessage(reader) && onResult && fieldsRead) {
                onResult(matchConversationId, *messageNr);
            }
        }
        return nullptr;
    });
    if (onSuccess) {
        request->setSuccessHandler(
            [skippedCount, onSuccess = std::move(onSuccess)] { onSuccess(*skippedCount); });
    }
    setBlocks(*request, nullptr, std::move(onError));
    sendRequest(request);
}

void ZVApiSession::snoozeConversation(const QString& conversationId, std::int64_t currentHorizon,
                                      ActionBlock onSuccess, ActionErrorBlock onError) {
    const auto request = makeRequest(u"message/snooze/%@", conversationId,
                                     QJsonObject{{u"message_nr"_s, qint64(currentHorizon)}});
    setBlocks(*request, std::move(onSuccess), std::move(onError));
    sendRequest(request);
}

void ZVApiSession::postMessage(const QString& text, const QString& subject,
                               const std::optional<QStringList>& attachments,
                               const QString& conversationId,
                               std::optional<std::int64_t> syncFromMessageNr, bool isRetry,
                               const QString& requestId, MessageNrBlock onSuccess,
                               ActionErrorBlock onError) {
    QJsonObject arguments{{u"message"_s, text.isEmpty() ? u""_s : text}};
    if (attachments) {
        arguments.insert(u"attachments"_s, QJsonArray::fromStringList(*attachments));
    }
    if (!subject.isNull()) {
        arguments.insert(u"subject"_s, subject);
    }
    if (syncFromMessageNr) {
        arguments.insert(u"from_message_nr"_s, qint64(*syncFromMessageNr));
    }
    if (isRetry) {
        arguments.insert(u"is_retry"_s, true);
    }
    const auto request = makeRequest(u"message/store/%@", conversationId, arguments);
    if (!requestId.isNull()) {
        request->setRequestId(requestId);
    }

    // The answer and a stream record naming the request both complete the post; the first wins,
    // whatever number it carried (0 included).
    auto completed = std::make_shared<bool>(false);
    const auto complete = [completed, onSuccess = std::move(onSuccess)](std::int64_t messageNr) {
        if (*completed) {
            return;
        }
        *completed = true;
        countSentMessage();
        if (onSuccess) {
            onSuccess(messageNr);
        }
    };
    request->setHandler([complete](ZVJsonParser& answer) -> ZVErrorPtr {
        complete(answer.extractInt(u"result_message_nr", 0));
        return nullptr;
    });
    request->setEarlyCompletionHandler(complete);
    if (onError) {
        // A post the stream has confirmed stays posted, whatever became of its answer.
        request->setErrorHandler(
            [completed, onError = std::move(onError)](const ZVErrorPtr& error) {
                if (!*completed) {
                    onError(error);
                }
            });
    }
    sendRequest(request);
}

void ZVApiSession::discloseHistoryInConversation(const QString& conversationId,
                                                 const QStringList& emails, ActionBlock onSuccess,
                                                 ActionErrorBlock onError) {
    const auto request =
        makeRequest(u"conversation/disclose_all/%@", conversationId,
                    QJsonObject{{u"emails"_s, emails.join(kDiscloseEmailSeparator)}});
    setBlocks(*request, std::move(onSuccess), std::move(onError));
    sendRequest(request);
}

void ZVApiSession::discloseHistoryInConversation(const QString& conversationId,
                                                 std::int64_t fromMessageNr,
                                                 const QStringList& emails, ActionBlock onSuccess,
                                                 ActionErrorBlock onError) {
    const auto request =
        makeRequest(u"conversation/disclose/%@", conversationId,
                    QJsonObject{{u"emails"_s, emails.join(kDiscloseEmailSeparator)},
                                {u"message_nr"_s, qint64(fromMessageNr)}});
    setBlocks(*request, std::move(onSuccess), std::move(onError));
    sendRequest(request);
}

void ZVApiSession::joinConversationByUrl(const QString& urlKey, ConversationIdBlock onSuccess,
                                         ActionErrorBlock onError) {
    const auto request =
        makeRequest(u"conversation/autojoin"_s, QJsonObject{{u"conv_url_key"_s, urlKey}});
    request->setHandler(conversationIdHandler(std::move(onSuccess)));
    setBlocks(*request, nullptr, std::move(onError));
    sendRequest(request);
}
