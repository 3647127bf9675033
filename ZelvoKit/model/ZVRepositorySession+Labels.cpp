#include "ZelvoKit/model/ZVRepositorySession.h"

#include "ZelvoKit/model/search/ZVSearch.h"
#include "ZelvoKit/support/log/ZVErrorLog.h"

#include <algorithm>
#include <utility>
#include "ZelvoKit/model/ZVRecordKeys.h"

using zvrecord::kIndex;
using zvrecord::kLabelId;

namespace {

using namespace Qt::Literals::StringLiterals;

const QString kLabelsKey = u"labels"_s;
const QString kLabelWithId = u"label_id = $id"_s;

// The index a label record gives to remove the label.
constexpr std::int64_t kRemovedIndex = -1;

}  // namespace

// --- look-ups ---

std::shared_ptr<Label> ZVRepositorySession::labelFromId(const QString& labelId) const {
    const auto found = std::find_if(labels_.begin(), labels_.end(),
                                    [&](const auto& label) { return label->labelId() == labelId; });
    return found == labels_.end() ? nullptr : *found;
}

std::shared_ptr<Label> ZVRepositorySession::labelByType(int type) const {
    const auto found = std::find_if(labels_.begin(), labels_.end(),
                                    [type](const auto& label) { return label->isOfType(type); });
    return found == labels_.end() ? nullptr : *found;
}

std::int64_t ZVRepositorySession::unreadCount() const {
    const auto unread = labelByType(Label::TypeUnread);
    return unread ? unread->unreadCount() : 0;
}

// --- loading ---

void ZVRepositorySession::loadLabels() {
    labels_.clear();
    auto fetched = repository_->fetchObjects<Label>(QString(Label::kEntityName));
    if (!fetched) {
        return;
    }
    labels_ = std::move(*fetched);
    std::stable_sort(labels_.begin(), labels_.end(),
                     [](const auto& a, const auto& b) { return a->index() < b->index(); });
    for (const auto& label : labels_) {
        label->updateRelations();
    }
    for (const auto& label : labels_) {
        label->initConversations();
    }
}

void ZVRepositorySession::refreshLabels() {
    for (const auto& label : labels_) {
        label->updateRelations();
    }
    for (const auto& label : labels_) {
        label->initConversations();
    }
}

// --- records ---

void ZVRepositorySession::renumberLabels() {
    // Each label's index is its position, also after a removal, so that the next start lists
    // them as they are now.
    for (std::size_t i = 0; i < labels_.size(); ++i) {
        labels_[i]->setIndex(static_cast<std::int64_t>(i));
    }
}

ZVErrorPtr ZVRepositorySession::handleLabel(ZVJsonParser& record) {
    labelsChanged_ = true;
    const QString labelId = record.extractString(kLabelId);
    if (labelId.isNull()) {
        return record.error();
    }
    const std::optional<std::int64_t> index =
        record.containsValue(kIndex) ? record.extractInt(kIndex) : std::nullopt;
    std::shared_ptr<Label> label = labelFromId(labelId);
    const auto listed = std::find(labels_.begin(), labels_.end(), label);
    const bool inList = label && listed != labels_.end();
    if (!label && repository_) {
        // A label that is stored but not listed (it came without an index) is the same label.
        const auto stored = repository_->fetchObjects<Label>(QString(Label::kEntityName),
                                                             kLabelWithId, {{u"id"_s, labelId}});
        if (stored && !stored->empty()) {
            label = stored->front();
        }
    }

    if (index == kRemovedIndex) {
        if (label) {
            if (inList) {
                changeValueForKey(kLabelsKey, [&] {
                    labels_.erase(listed);
                    renumberLabels();
                });
            }
            deleteObject(label);
        }
        return nullptr;
    }

    if (ZVErrorPtr error = createOrUpdateObject(label, QString(Label::kEntityName), record)) {
        return error;
    }
    if (label->needsSync()) {
        commitObject(label);
    }
    if (index) {
        changeValueForKey(kLabelsKey, [&] {
            labels_.erase(std::remove(labels_.begin(), labels_.end(), label), labels_.end());
            const auto position = std::min<std::int64_t>(std::max<std::int64_t>(*index, 0),
                                                         static_cast<std::int64_t>(labels_.size()));
            labels_.insert(labels_.begin() + position, label);
            renumberLabels();
        });
    }
    return nullptr;
}

// --- changes ---

void ZVRepositorySession::notifyLabelsWithChanges(
    const QHash<QString, std::shared_ptr<Conversation>>& changes) {
    const QList<std::shared_ptr<Conversation>> changed = changes.values();
    for (const auto& label : labels_) {
        if (label->applyChanges(changed) && label->needsSync()) {
            commitObject(label);
        }
    }
    if (const std::shared_ptr<ZVSearch> search = search_) {
        search->notifyConversationsChanged(changes);
    }
}

void ZVRepositorySession::holdLabelChanges() {
    if (!heldConversationChanges_) {
        heldConversationChanges_.emplace();
        ZVLogError(u"HoldLabelChanges");
    }
}

void ZVRepositorySession::resumeLabelChanges() {
    if (!heldConversationChanges_) {
        return;
    }
    ZVLogError(u"ResumeLabelChanges");
    const auto held = std::exchange(heldConversationChanges_, std::nullopt);
    notifyLabelsWithChanges(*held);
    ZVLogError(u"ResumeLabelChanges: Done");
}

void ZVRepositorySession::labelsTakeChanges(
    const QHash<QString, std::shared_ptr<Conversation>>& changes) {
    if (heldConversationChanges_) {
        heldConversationChanges_->insert(changes);
    } else {
        notifyLabelsWithChanges(changes);
    }
}
