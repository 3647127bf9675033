#pragma once

#include "ZelvoKit/model/ZVLabelDelegate.h"
#include "ZelvoKit/model/ZVManagedObject.h"
#include "ZelvoKit/model/ZVSortedArray.h"
#include "ZelvoKit/support/base/ZVError.h"

#include <QtCore/QDateTime>
#include <QtCore/QHash>
#include <QtCore/QLatin1StringView>
#include <QtCore/QList>
#include <QtCore/QString>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class Conversation;
class ZVApiRequest;
class ZVJsonParser;
class ZVRepositorySession;

// One inbox folder of an account: a system folder (starred, recent, muted, unread, spam,
// archived, e-mail) or one of the user's own labels. The service sends label records; which
// conversations belong to a label, and in which order, is decided here and kept current as
// conversations change. Older conversations of a label are paged from the service. Main thread
// only.
class Label : public ZVManagedObject {
public:
    static constexpr QLatin1StringView kEntityName{"Label"};

    // Kinds of label; 7 stands for a kind the record does not name or this system does not know.
    enum Type : int {
        TypeUser = 1,
        TypeStarred = 2,
        TypeRecent = 3,
        TypeMuted = 4,
        TypeUnread = 5,
        TypeSpam = 6,
        TypeUnknown = 7,
        TypeArchived = 8,
        TypeEmail = 9,
    };
    enum Status : int { StatusActive = 1, StatusRemoved = 2 };

    // Conversations shown at first, and added by each loadMore().
    static constexpr qsizetype kPageSize = 20;
    // The unread label asks the service for older conversations until it holds this many.
    static constexpr qsizetype kUnreadFillCount = 1001;

    using Conversations = ZVSortedArray<Conversation>;
    using ConversationPtr = std::shared_ptr<Conversation>;

    explicit Label(const platform::EntityDescription& entity);
    ~Label() override;

    static void describeAttributes(platform::EntityDescription& entity);

    // --- stored values ---

    QString labelId() const { return stringValue(labelId_); }
    void setLabelId(const QString& id) { setString(labelId_, id); }
    QString label() const { return stringValue(label_); }
    std::int64_t index() const { return integerValue(index_); }
    void setIndex(std::int64_t index);
    int labelType() const { return static_cast<int>(integerValue(labelType_)); }
    int labelStatus() const { return static_cast<int>(integerValue(labelStatus_)); }
    bool isExpanded() const { return boolValue(isExpanded_); }
    // The user's choice on this device, kept with the label.
    void setIsExpanded(bool expanded) { setBool(isExpanded_, expanded); }
    bool isInRecent() const { return boolValue(isInRecent_); }
    bool isInMuted() const { return boolValue(isInMuted_); }
    bool isOnLeftPane() const { return boolValue(isOnLeftPane_); }
    // Null when the service has not said how far it has delivered.
    QDateTime syncInboxTime() const { return dateValue(syncInboxTime_); }
    QString syncConversationId() const { return stringValue(syncConversationId_); }
    QString syncCursor() const { return stringValue(syncCursor_); }
    std::int64_t unreadCount() const { return integerValue(unreadCount_); }
    std::int64_t mutedUnreadCount() const { return integerValue(mutedUnreadCount_); }
    QString teamId() const { return stringValue(teamId_); }

    // --- the entity ---

    const QStringList& keyFields() const override;
    QString guid() const override { return labelId(); }
    bool isOfType(int type) const { return labelType() == type; }

    // Reads a "label" record; returns the parser's error.
    ZVErrorPtr deserializeFromJson(ZVJsonParser& parser);

    // --- conversations ---

    // The labels whose conversations the recent and muted labels leave out.
    void updateRelations();
    const std::vector<std::weak_ptr<Label>>& excludeLabels() const { return excludeLabels_; }
    // Builds the ordered list over the session's conversations, once.
    void initConversations();
    // Null until initConversations().
    const Conversations* conversations() const { return conversations_.get(); }
    bool isConversationMember(const Conversation& conversation) const;
    std::weak_ordering compareConversation(const Conversation& a, const Conversation& b) const;
    // Applies changed conversations to the list and tells the delegate; true when the
    // membership changed.
    bool applyChanges(const QList<ConversationPtr>& changed);
    void updateUnreadCount();
    std::int64_t visibleUnreadCount() const { return visibleUnreadCount_; }

    // --- paging ---

    // Dirty, or short of conversations while the service has older ones.
    bool needsSync() const override;
    bool canLoadMore() const;
    bool canLoadMoreFromServer() const;
    // Shows kPageSize more, and asks the service for more when the list runs out.
    void loadMore();
    void loadMoreFromServer();
    // Back to the first kPageSize.
    void resetState();
    // "label/sync_conversations" from the label's cursor.
    std::shared_ptr<ZVApiRequest> getSyncRequest() override;
    bool isLoading() const { return loading_; }

    std::shared_ptr<ZVLabelDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<ZVLabelDelegate> delegate) { delegate_ = std::move(delegate); }

    std::shared_ptr<ZVRepositorySession> repositorySession() const;

private:
    // Where the service's paging stands; a page that leaves it as it was makes no progress.
    struct PagingState {
        QString cursor;
        QDateTime inboxTime;
        qsizetype count = 0;
        friend bool operator==(const PagingState&, const PagingState&) = default;
    };
    PagingState pagingState() const;
    // Forgets a stalled paging once the service moves the label's position.
    void pagingPositionRead(const PagingState& before);
    void setLoading(bool loading);
    qsizetype shownCount() const;
    qsizetype fillCount() const;

    int labelId_;
    int label_;
    int index_;
    int labelType_;
    int labelStatus_;
    int isExpanded_;
    int isInRecent_;
    int isInMuted_;
    int isOnLeftPane_;
    int syncInboxTime_;
    int syncConversationId_;
    int syncCursor_;
    int unreadCount_;
    int mutedUnreadCount_;
    int teamId_;

    std::unique_ptr<Conversations> conversations_;
    std::vector<std::weak_ptr<Label>> excludeLabels_;
    std::int64_t visibleUnreadCount_ = 0;
    bool loading_ = false;
    // A page answer left the paging where it was: asking again would only repeat it.
    bool pagingStalled_ = false;
    // A page request is on its way (from the session's commit or from loadMoreFromServer()).
    bool pageInFlight_ = false;
    std::weak_ptr<ZVLabelDelegate> delegate_;
};
