#pragma once

#include <QString>

// The names of the service's record fields that several entities and handlers of the model read or
// write. Only the model's sources include this; one table keeps each name spelt once.

namespace zvrecord {

inline const QString kAccountId = QStringLiteral("account_id");
inline const QString kAttachedUrl = QStringLiteral("attached_url");
inline const QString kAttachmentId = QStringLiteral("attachment_id");
inline const QString kAvatarUrls = QStringLiteral("avatar_urls");
inline const QString kConversationId = QStringLiteral("conversation_id");
inline const QString kFileUrl = QStringLiteral("file_url");
inline const QString kHookKey = QStringLiteral("hook_key");
inline const QString kIndex = QStringLiteral("index");
inline const QString kIsAdmin = QStringLiteral("is_admin");
inline const QString kIsDeleted = QStringLiteral("is_deleted");
inline const QString kIsReset = QStringLiteral("is_reset");
inline const QString kLabelId = QStringLiteral("label_id");
inline const QString kLockAccountId = QStringLiteral("lock_account_id");
inline const QString kMembers = QStringLiteral("members");
inline const QString kMessage = QStringLiteral("message");
inline const QString kMessageNr = QStringLiteral("message_nr");
inline const QString kMessageType = QStringLiteral("mk_message_type");
inline const QString kMessages = QStringLiteral("messages");
inline const QString kMessagesKey = QStringLiteral("messages");
inline const QString kOrganisationId = QStringLiteral("organisation_id");
inline const QString kPostedTime = QStringLiteral("posted_time");
inline const QString kReadMessageNr = QStringLiteral("read_message_nr");
inline const QString kRecordType = QStringLiteral("mk_rec_type");
inline const QString kTeamId = QStringLiteral("team_id");
inline const QString kThumbUrls = QStringLiteral("thumb_urls");

}  // namespace zvrecord
