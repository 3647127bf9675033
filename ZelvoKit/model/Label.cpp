#include "ZelvoKit/model/Label.h"

#include "ZelvoKit/ZelvoApi/api/ZVApi.h"
#include "ZelvoKit/ZelvoApi/api/ZVApiRequest.h"
#include "ZelvoKit/model/ZVClassificators.h"
#include "ZelvoKit/model/ZVRepositorySession.h"
#include "ZelvoKit/support/base/ZVJsonParser.h"

#include <QtCore/QJsonObject>
#include <QtCore/QTimeZone>
#include "ZelvoKit/model/ZVRecordKeys.h"

using zvrecord::kIndex;
using zvrecord::kLabelId;
using zvrecord::kTeamId;

namespace {

using namespace Qt::Literals::StringLiterals;
using platform::AttributeOptions;
using platform::AttributeType;

const QString kLabel = u"label"_s;
const QString kLabelType = u"mk_label_type"_s;
const QString kLabelStatus = u"mk_label_status"_s;
const QString kIsExpanded = u"is_expanded"_s;
const QString kIsInRecent = u"is_in_recent"_s;
const QString kIsInMuted = u"is_in_muted"_s;
const QString kIsOnLeftPane = u"is_on_left_pane"_s;
const QString kSyncInboxTime = u"sync_inbox_time"_s;
const QString kSyncConversationId = u"sync_conversation_id"_s;
const QString kSyncCursor = u"sync_cursor"_s;
const QString kUnreadCount = u"unread_count"_s;
const QString kMutedUnreadCount = u"muted_unread_count"_s;

// The record names the kind in this key; the store keeps it as mk_label_type.
const QString kLabelSubtype = u"mk_label_subtype"_s;

const QString kSyncMethod = u"label/sync_conversations"_s;
const QString kInitMode = u"mk_init_mode"_s;
const QString kTinyInit = u"ic_tiny"_s;

const QString kLoadingKey = u"loading"_s;

// Read through the base, in this order.
const QStringList& labelRecordFields() {
    static const QStringList fields{kLabel,         kIsExpanded,         kLabelId,
                                    kIsInMuted,     kIsInRecent,         kIsOnLeftPane,
                                    kSyncInboxTime, kSyncConversationId, kSyncCursor,
                                    kUnreadCount,   kMutedUnreadCount,   kTeamId};
    return fields;
}

}  // namespace

Label::Label(const platform::EntityDescription& entity)
    : ZVManagedObject(entity),
      labelId_(entity.attributeIndex(kLabelId)),
      label_(entity.attributeIndex(kLabel)),
      index_(entity.attributeIndex(kIndex)),
      labelType_(entity.attributeIndex(kLabelType)),
      labelStatus_(entity.attributeIndex(kLabelStatus)),
      isExpanded_(entity.attributeIndex(kIsExpanded)),
      isInRecent_(entity.attributeIndex(kIsInRecent)),
      isInMuted_(entity.attributeIndex(kIsInMuted)),
      isOnLeftPane_(entity.attributeIndex(kIsOnLeftPane)),
      syncInboxTime_(entity.attributeIndex(kSyncInboxTime)),
      syncConversationId_(entity.attributeIndex(kSyncConversationId)),
      syncCursor_(entity.attributeIndex(kSyncCursor)),
      unreadCount_(entity.attributeIndex(kUnreadCount)),
      mutedUnreadCount_(entity.attributeIndex(kMutedUnreadCount)),
      teamId_(entity.attributeIndex(kTeamId)) {}

Label::~Label() = default;

void Label::describeAttributes(platform::EntityDescription& entity) {
    AttributeOptions key;
    key.optional = false;
    key.indexed = true;
    entity.addAttribute(kLabelId, AttributeType::String, key);
    entity.addAttribute(kLabel, AttributeType::String);
    entity.addAttribute(kIndex, AttributeType::Integer32);
    entity.addAttribute(kLabelType, AttributeType::Integer32);
    entity.addAttribute(kLabelStatus, AttributeType::Integer32);
    entity.addAttribute(kIsExpanded, AttributeType::Boolean);
    entity.addAttribute(kIsInRecent, AttributeType::Boolean);
    entity.addAttribute(kIsInMuted, AttributeType::Boolean);
    entity.addAttribute(kIsOnLeftPane, AttributeType::Boolean);
    entity.addAttribute(kSyncInboxTime, AttributeType::Date);
    entity.addAttribute(kSyncConversationId, AttributeType::String);
    entity.addAttribute(kSyncCursor, AttributeType::String);
    entity.addAttribute(kUnreadCount, AttributeType::Integer32);
    entity.addAttribute(kMutedUnreadCount, AttributeType::Integer32);
    entity.addAttribute(kTeamId, AttributeType::String);
}

const QStringList& Label::keyFields() const {
    static const QStringList keys{kLabelId};
    return keys;
}

std::shared_ptr<ZVRepositorySession> Label::repositorySession() const {
    return std::dynamic_pointer_cast<ZVRepositorySession>(session());
}

void Label::setIndex(std::int64_t index) {
    if (isNull(index_) || integerValue(index_) != index) {
        setInteger(index_, index);
    }
}

// --- reading ---

ZVErrorPtr Label::deserializeFromJson(ZVJsonParser& parser) {
    const PagingState before = pagingState();
    setFields(labelRecordFields(), parser);

    // A new label must say its state; a fragment for a known one keeps it.
    const ZVCodeTable& states = ZVClassificators::mk_label_status();
    const std::optional<int> status =
        isReadingNewObject() || isNull(labelStatus_)
            ? parser.extractEnum(kLabelStatus, states)
            : std::optional<int>(parser.extractEnum(kLabelStatus, states, labelStatus()));
    if (status && (isNull(labelStatus_) || *status != labelStatus())) {
        willChangeProperty(kLabelStatus);
        setInteger(labelStatus_, *status);
    }

    // A kind this system does not know reads as 7; a fragment without one keeps the kind.
    const bool named = parser.containsValue(kLabelSubtype);
    if (named || isNull(labelType_)) {
        const int type =
            parser.extractEnum(kLabelSubtype, ZVClassificators::mk_label_type(), int{TypeUnknown});
        if (isNull(labelType_) || type != labelType()) {
            willChangeProperty(kLabelType);
            setInteger(labelType_, type);
        }
    }
    pagingPositionRead(before);
    return parser.error();
}

// --- paging ---

Label::PagingState Label::pagingState() const {
    return {syncCursor(), syncInboxTime(), shownCount()};
}

void Label::pagingPositionRead(const PagingState& before) {
    const PagingState now = pagingState();
    if (now.cursor != before.cursor || now.inboxTime != before.inboxTime) {
        pagingStalled_ = false;
    }
}

qsizetype Label::shownCount() const {
    return conversations_ ? conversations_->count() : 0;
}

qsizetype Label::fillCount() const {
    return isOfType(TypeUnread) ? kUnreadFillCount : kPageSize;
}

bool Label::canLoadMoreFromServer() const {
    if (isNull(syncInboxTime_)) {
        return true;
    }
    return syncInboxTime() > QDateTime::fromSecsSinceEpoch(0, QTimeZone::utc());
}

bool Label::canLoadMore() const {
    return (conversations_ && conversations_->isLimited()) || canLoadMoreFromServer();
}

bool Label::needsSync() const {
    if (ZVManagedObject::needsSync()) {
        return true;
    }
    // A page on its way answers the need; its answer commits the label again.
    if (!canLoadMoreFromServer() || pagingStalled_ || pageInFlight_) {
        return false;
    }
    return shownCount() < fillCount();
}

std::shared_ptr<ZVApiRequest> Label::getSyncRequest() {
    QJsonObject arguments{{kLabelId, labelId()}, {kInitMode, kTinyInit}};
    if (const QString cursor = syncCursor(); !cursor.isEmpty()) {
        arguments.insert(kSyncCursor, cursor);
    }
    auto request = std::make_shared<ZVApiRequest>(kSyncMethod, arguments);
    const std::weak_ptr<Label> weak = std::static_pointer_cast<Label>(shared_from_this());
    // The answer's stream has been applied when this runs: a page that moved nothing would only
    // be asked for again and again.
    request->setSuccessHandler([weak, before = pagingState()] {
        if (const auto self = weak.lock()) {
            self->pageInFlight_ = false;
            self->pagingStalled_ = self->pagingState() == before;
        }
    });
    request->setErrorHandler([weak](const ZVErrorPtr&) {
        if (const auto self = weak.lock()) {
            self->pageInFlight_ = false;
        }
    });
    pageInFlight_ = true;
    return request;
}

void Label::setLoading(bool loading) {
    willChangeProperty(kLoadingKey);
    loading_ = loading;
    notifyPropertyChanges();
    if (const auto observer = delegate()) {
        observer->labelLoadingStatusChanged(*this);
    }
}

void Label::loadMoreFromServer() {
    const auto owner = repositorySession();
    if (!owner) {
        return;
    }
    setLoading(true);
    const auto request = getSyncRequest();
    const std::weak_ptr<Label> weak = std::static_pointer_cast<Label>(shared_from_this());
    const auto finished = [weak] {
        if (const auto self = weak.lock()) {
            self->setLoading(false);
        }
    };
    request->setSuccessHandler([previous = request->successHandler(), finished] {
        previous();
        finished();
    });
    // A failed page must not leave the inbox showing a load that never ends; the failure is
    // still reported as any request's without a handler of its own.
    request->setErrorHandler(
        [previous = request->errorHandler(), finished](const ZVErrorPtr& error) {
            previous(error);
            finished();
            const ZVApi::ErrorBlock report = ZVApi::api().defaultErrorHandler();
            if (report && !ZVApi::isNetworkFailure(error)) {
                report(error);
            }
        });
    owner->sendRequest(request);
}

// --- relations ---

void Label::updateRelations() {
    excludeLabels_.clear();
    if (!isOfType(TypeRecent) && !isOfType(TypeMuted)) {
        return;
    }
    const auto owner = repositorySession();
    if (!owner) {
        return;
    }
    const bool recent = isOfType(TypeRecent);
    for (const auto& other : owner->labels()) {
        if (other->isOfType(TypeRecent) || other->isOfType(TypeMuted)) {
            continue;
        }
        if (!(recent ? other->isInRecent() : other->isInMuted())) {
            excludeLabels_.push_back(other);
        }
    }
}
