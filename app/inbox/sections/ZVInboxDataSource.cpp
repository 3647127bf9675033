#include "app/inbox/sections/ZVInboxDataSource.h"

#include "ZelvoKit/ZelvoApi/account/ZVUserProfile.h"
#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/Label.h"
#include "ZelvoKit/model/Message.h"
#include "ZelvoKit/model/ZVRepositorySession.h"
#include "ZelvoKit/model/search/ZVSearch.h"
#include "app/inbox/cells/ZVInboxTableViewCell.h"
#include "app/inbox/cells/ZVNewConversationCell.h"
#include "app/inbox/sections/ZVInboxItem.h"
#include "app/inbox/sections/ZVSectionFooter.h"
#include "app/inbox/sections/ZVSectionHeader.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/Scheduler.h"
#include "platform/foundation/TextAttributes.h"
#include "platform/ui/table/TableView.h"
#include "toolkit/style/ColorUtils.h"
#include "toolkit/style/ZVColors.h"
#include "toolkit/style/ZVTextStyles.h"
#include "toolkit/widgets/ZVBackgroundView.h"
#include "toolkit/widgets/ZVSearchHintView.h"

using namespace Qt::Literals::StringLiterals;

namespace {

const QString kEventHorizonKey = u"eventHorizon"_s;
const QString kLabelsKey = u"labels"_s;

template <class T>
ZVInboxItem::List listOf(const std::shared_ptr<ZVSearch>& search,
                         const ZVSortedArray<T>* (*pick)(const ZVSearch&)) {
    std::weak_ptr<ZVSearch> weak = search;
    return {[weak, pick] {
                const auto search = weak.lock();
                const auto* list = search ? pick(*search) : nullptr;
                return list ? list->count() : qsizetype(0);
            },
            [weak, pick](qsizetype index) -> ZVInboxRowItem {
                const auto search = weak.lock();
                const auto* list = search ? pick(*search) : nullptr;
                if (!list || index < 0 || index >= list->count()) {
                    return {};
                }
                return (*list)[index];
            }};
}

platform::AttributedString styled(const QString& text, int style,
                                  std::optional<platform::Color> color = std::nullopt) {
    platform::TextAttributes attributes = ZVTextStyles::attributesForStyle(style);
    if (color) {
        attributes.insert(platform::TextAttribute::ForegroundColor, QVariant::fromValue(*color));
    }
    // The background centres its message under the illustration, whatever the style's own
    // alignment (the loading text's style is set flush left).
    auto paragraph =
        attributes.value(platform::TextAttribute::ParagraphStyle).value<platform::ParagraphStyle>();
    paragraph.alignment = platform::ParagraphStyle::Alignment::Center;
    attributes.insert(platform::TextAttribute::ParagraphStyle, QVariant::fromValue(paragraph));
    return platform::AttributedString(text, attributes);
}

}  // namespace

std::shared_ptr<ZVInboxDataSource> ZVInboxDataSource::create(
    const std::shared_ptr<platform::TableView>& table,
    const std::shared_ptr<ZVRepositorySession>& session) {
    std::shared_ptr<ZVInboxDataSource> made(new ZVInboxDataSource(table, session));
    made->start();
    return made;
}

ZVInboxDataSource::ZVInboxDataSource(const std::shared_ptr<platform::TableView>& table,
                                     const std::shared_ptr<ZVRepositorySession>& session)
    : table_(table), session_(session) {}

ZVInboxDataSource::~ZVInboxDataSource() = default;

void ZVInboxDataSource::start() {
    const auto session = this->session();
    const auto table = this->table();
    updateAvatarSize();
    if (table) {
        table->setDataSource(weak_from_this());
        table->setDelegate(weak_from_this());
        table->setRowHeight(kRowHeight);
    }
    updateObservedLabels();
    populateList();
    updateSearchHint();
    if (!session) {
        return;
    }
    if (const auto& profile = session->profile()) {
        profileObservation_ =
            profile->observe(QString(ZVUserProfile::ClientFlagsKey), [this](const QString&) {
                updateAvatarSize();
                if (const auto table = this->table()) {
                    table->reloadData();
                }
            });
    }
    labelsObservation_ = session->observe(kLabelsKey, [this](const QString&) {
        populateList();
        updateObservedLabels();
    });
    horizonObservation_ = session->observe(kEventHorizonKey, [this](const QString&) {
        updateEmptyText();
        const auto session = this->session();
        setShowNew(session && session->eventHorizon() >= 1);
    });
    setShowNew(session->eventHorizon() >= 1);
}

void ZVInboxDataSource::releaseObservers() {
    setSearchText(QString());
    profileObservation_ = {};
    labelsObservation_ = {};
    horizonObservation_ = {};
    for (const auto& weak : observedLabels_) {
        if (const auto label = weak.lock(); label && label->delegate().get() == this) {
            label->setDelegate({});
        }
    }
    observedLabels_.clear();
    labelCounts_.clear();
}

void ZVInboxDataSource::updateAvatarSize() {
    const auto session = this->session();
    const bool shown = session && session->profile() && session->profile()->avatarsEnabled();
    avatarSize_ = shown ? kAvatarSizeShown : 0;
}

void ZVInboxDataSource::updateObservedLabels() {
    for (const auto& weak : observedLabels_) {
        if (const auto label = weak.lock(); label && label->delegate().get() == this) {
            label->setDelegate({});
        }
    }
    observedLabels_.clear();
    labelCounts_.clear();
    if (const auto session = this->session()) {
        for (const auto& label : session->labels()) {
            label->setDelegate(weak_from_this());
            observedLabels_.push_back(label);
            const Label* counted = label.get();
            labelCounts_.push_back(label->observe(
                QStringList{u"unread_count"_s, u"muted_unread_count"_s, u"visibleUnreadCount"_s},
                [this, counted](const QString&) {
                    if (const auto item = itemAt(sectionByLabel(*counted))) {
                        item->updateBadge();
                    }
                }));
        }
    }
}

// --- sections ---

void ZVInboxDataSource::populateList() {
    std::vector<std::shared_ptr<ZVInboxItem>> items;
    const auto session = this->session();
    if (search_) {
        items.push_back(ZVInboxItem::make<ZVHeaderlessItem>(
            this, nullptr, listOf<ZVConversationMatch>(search_, [](const ZVSearch& s) {
                return &s.conversations();
            })));
        items.push_back(ZVInboxItem::make<ZVHeaderlessItem>(
            this, nullptr,
            listOf<ZVContactMatch>(search_, [](const ZVSearch& s) { return &s.contacts(); })));
        if (search_->messages()) {
            items.push_back(ZVInboxItem::make<ZVHeaderlessItem>(
                this, nullptr, listOf<Message>(search_, [](const ZVSearch& s) {
                    return static_cast<const ZVSortedArray<Message>*>(s.messages().get());
                })));
        }
        if (!searchHintView_) {
            searchHintView_ = platform::View::make<ZVSearchHintView>();
        }
    } else {
        searchHintView_.reset();
        if (filterUnread_) {
            const auto unread = session ? session->labelByType(Label::TypeUnread) : nullptr;
            auto item = ZVInboxItem::make<ZVHeaderlessItem>(this, unread);
            item->setHidden(false);
            item->setCollapsed(false);
            item->updateShowFooter();
            items.push_back(item);
        } else if (session) {
            for (const auto& label : session->labels()) {
                auto item = ZVInboxItem::make(this, label);
                item->updateBadge();
                items.push_back(item);
            }
            for (auto it = items.rbegin(); it != items.rend(); ++it) {
                if (!(*it)->hidden()) {
                    (*it)->setIsLastInList(true);
                    break;
                }
            }
        }
    }
    items_ = std::move(items);
    if (const auto table = this->table()) {
        if (headerView_) {
            table->setTableHeaderView(searchHintView_ ? nullptr : headerView_);
        }
        table->reloadData();
    }
    updateSearchHint();
    updateEmptyText();
}

bool ZVInboxDataSource::hasNewSection() const {
    return showNew_ && (!filterUnread_ || search_);
}

std::shared_ptr<ZVInboxItem> ZVInboxDataSource::itemAt(int section) const {
    return section >= 0 && section < static_cast<int>(items_.size()) ? items_[section] : nullptr;
}

int ZVInboxDataSource::sectionByLabel(const Label& label) const {
    for (std::size_t index = 0; index < items_.size(); ++index) {
        if (items_[index]->label().get() == &label) {
            return static_cast<int>(index);
        }
    }
    return -1;
}

void ZVInboxDataSource::updateGroups() {
    for (const auto& item : items_) {
        item->updateBadge();
    }
}

void ZVInboxDataSource::updateGroup(const std::shared_ptr<ZVInboxItem>& item) {
    const auto table = this->table();
    if (!table) {
        return;
    }
    if (!item) {
        table->reloadData();
        return;
    }
    const auto found = std::find(items_.begin(), items_.end(), item);
    if (found == items_.end()) {
        return;
    }
    table->reloadSections({static_cast<int>(found - items_.begin())},
                          platform::TableRowAnimation::None);
    headerUpdate_ =
        platform::Scheduler::main().after(kHeaderUpdateDelay, [this] { updateHeaderView(); });
}

// --- modes ---

void ZVInboxDataSource::setConversationId(const QString& conversationId) {
    conversationId_ = conversationId;
    const auto table = this->table();
    if (!table) {
        return;
    }
    for (const auto& cell : table->visibleCells()) {
        if (auto* row = dynamic_cast<ZVInboxTableViewCell*>(cell.get())) {
            row->setSelected(row->conversationId() == conversationId, false);
        }
    }
}

void ZVInboxDataSource::publishConversationId(const QString& conversationId) {
    changeValueForKey(QString(kConversationIdKey), [&] { conversationId_ = conversationId; });
}

void ZVInboxDataSource::setFilterUnread(bool filterUnread) {
    filterUnread_ = filterUnread;
    populateList();
}

QString ZVInboxDataSource::searchText() const {
    return search_ ? search_->text() : QString();
}

void ZVInboxDataSource::setSearchText(const QString& text) {
    if (text.isEmpty() && !search_) {
        return;
    }
    if (search_ && search_->text() == text) {
        return;
    }
    if (search_) {
        searchObservation_ = {};
        search_->abandon();
        search_.reset();
    }
    rebuild_.cancel();
    if (!text.isEmpty()) {
        if (const auto session = this->session()) {
            search_ = ZVSearch::create(session, text, allowMessageSearch_);
            searchObservation_ = search_->observe(
                QStringList{QString(ZVSearch::kMessagesKey), QString(ZVSearch::kContactsKey),
                            QString(ZVSearch::kConversationsKey),
                            QString(ZVSearch::kInProgressKey)},
                [this](const QString&) { scheduleRebuild(); });
        }
    }
    populateList();
}

void ZVInboxDataSource::scheduleRebuild() {
    // A search tells of its lists one key at a time; one rebuild takes them all.
    if (rebuild_.isValid()) {
        return;
    }
    rebuild_ = platform::Scheduler::main().after(0, [this] {
        rebuild_.cancel();
        populateList();
    });
}

void ZVInboxDataSource::runSearchNow() {
    if (search_) {
        search_->runSearchNow();
    }
}

void ZVInboxDataSource::setShowNew(bool showNew) {
    if (showNew == showNew_) {
        return;
    }
    showNew_ = showNew;
    if (const auto table = this->table()) {
        table->reloadData();
    }
}

void ZVInboxDataSource::setHeaderView(const std::shared_ptr<platform::View>& view) {
    headerView_ = view;
    if (const auto table = this->table()) {
        table->setTableHeaderView(searchHintView_ ? nullptr : view);
    }
    updateHeaderView();
}

void ZVInboxDataSource::setHeaderViewRequiresDrag(bool required) {
    headerViewRequiresDrag_ = required;
    updateHeaderView();
}

void ZVInboxDataSource::updateSearchHint() {
    if (!searchHintView_) {
        return;
    }
    const bool wasVisible = searchHintView_->state() != ZVSearchHintView::kNone;
    int state = ZVSearchHintView::kNone;
    if (search_ && search_->inProgress()) {
        state = ZVSearchHintView::kSearching;
    } else if (!search_ || search_->totalMatchCount() == 0) {
        state = ZVSearchHintView::kNoResults;
    }
    searchHintView_->setSearchText(searchText());
    searchHintView_->setState(state);
    if (wasVisible != (state != ZVSearchHintView::kNone)) {
        if (const auto table = this->table()) {
            table->reloadData();
        }
    }
    updateEmptyText();
}

void ZVInboxDataSource::updateEmptyText() {
    const auto table = this->table();
    const auto background =
        table ? std::dynamic_pointer_cast<ZVBackgroundView>(table->backgroundView()) : nullptr;
    if (!background) {
        return;
    }
    std::optional<platform::AttributedString> text;
    if (filterUnread_ && !search_) {
        const bool empty = std::none_of(items_.begin(), items_.end(),
                                        [](const auto& item) { return item->numberOfRows() >= 1; });
        if (empty) {
            text = styled(u"All done!\n"_s, kEmptyTitleStyle);
            text->append(
                styled(u"You've read all your messages"_s, kEmptyTextStyle, ZVColors::text()));
        }
    } else {
        const auto session = this->session();
        // Horizons start at 0: below 1 the account has not finished its first synchronisation.
        if (!session || session->eventHorizon() < 1) {
            text = styled(u"Loading...\n"_s, kLoadingStyle, colorWithName(u"messageComment"_s));
        }
    }
    background->setAttributedText(text);
}

QString ZVInboxDataSource::itemState() const {
    QString state;
    for (const auto& item : items_) {
        const auto label = item->label();
        state += platform::format(
            u"%@%@%@ [%ld]", label ? label->label() : QString(), item->hidden() ? u" (H)"_s : u""_s,
            item->collapsed() ? u" (C)"_s : u""_s, static_cast<long>(item->numberOfRows()));
    }
    return state;
}

QString ZVInboxDataSource::tableState() const {
    QString state;
    if (const auto table = this->table()) {
        for (int section = 0; section < table->numberOfSections(); ++section) {
            state += platform::format(u"[%ld] ",
                                      static_cast<long>(table->numberOfRowsInSection(section)));
        }
    }
    return state;
}
