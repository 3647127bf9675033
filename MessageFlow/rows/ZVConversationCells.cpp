#include "MessageFlow/rows/ZVConversationCells.h"

#include "MessageFlow/rows/ZVMessageMenuHandler.h"
#include "MessageFlow/rows/accessories/ZVMessageNewIndicatorView.h"
#include "MessageFlow/rows/cells/ZVMessageCell.h"
#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/Message.h"
#include "ZelvoKit/model/ZVMessageArray.h"
#include "ZelvoKit/model/ZVRepositorySession.h"
#include "platform/foundation/Format.h"
#include "toolkit/richtext/ZVRichText.h"
#include "toolkit/richtext/message/ZVRichMessageRepresentation.h"
#include "toolkit/tables/ZVTableView.h"
#include "toolkit/widgets/ZVBackgroundView.h"

#include <algorithm>

namespace {

std::shared_ptr<ZVRichMessageRepresentation> rowsModelOf(const Message& message) {
    // Reading the display model makes it on first use, which the message owns.
    return std::dynamic_pointer_cast<ZVRichMessageRepresentation>(
        const_cast<Message&>(message).representation());
}

std::shared_ptr<Conversation> rowsConversationOf(const Message& message) {
    if (auto conversation = message.conversation()) {
        return conversation;
    }
    const auto session = std::dynamic_pointer_cast<ZVRepositorySession>(message.session());
    return session ? session->conversationFromId(message.conversationId()) : nullptr;
}

// A gap before the row wins over a day change.
ZVMessageAccessoryClass rowsTopAccessory(int backward) {
    switch (backward) {
        case ZVMessageArray::RelationGap:
            return ZVMessageAccessoryClass::LoadMoreTop;
        case ZVMessageArray::RelationNewDay:
            return ZVMessageAccessoryClass::Date;
        default:
            return ZVMessageAccessoryClass::None;
    }
}

// The failed-send controls under the last row win over a gap after it.
ZVMessageAccessoryClass rowsBottomAccessory(const ZVMessageArray& list, qsizetype index,
                                            int forward) {
    if (index == list.count() - 1 && list[index]->isFailed()) {
        return ZVMessageAccessoryClass::ResendControls;
    }
    return forward == ZVMessageArray::RelationGap ? ZVMessageAccessoryClass::LoadMoreBottom
                                                  : ZVMessageAccessoryClass::None;
}

}  // namespace

QString ZVConversationCells::RowClasses::reuseIdentifier() const {
    return platform::format(QStringLiteral("%@-%@-%@-%@"), ZVMessageCellClassName(cell),
                            ZVMessageViewClassName(view), ZVMessageAccessoryClassName(top),
                            ZVMessageAccessoryClassName(bottom));
}

std::shared_ptr<ZVConversationCells> ZVConversationCells::make(
    const std::shared_ptr<ZVTableView>& table, std::shared_ptr<ZVMessageArray> messages, int page) {
    auto cells = std::make_shared<ZVConversationCells>(table, std::move(messages), page);
    if (table) {
        table->setDataSource(cells);
    }
    return cells;
}

ZVConversationCells::ZVConversationCells(const std::shared_ptr<ZVTableView>& table,
                                         std::shared_ptr<ZVMessageArray> messages, int page)
    : messages_(messages), table_(table), page_(page) {}

ZVConversationCells::~ZVConversationCells() = default;

// --- settings ---

void ZVConversationCells::setMessages(const std::shared_ptr<ZVMessageArray>& messages) {
    messages_ = messages;
    reloadData();
}

void ZVConversationCells::setAvatarSize(int size) {
    if (size == avatarSize_) {
        return;
    }
    avatarSize_ = size;
    // A table that has not asked for its rows yet asks with the new size when it first does.
    if (const auto table = tableView(); table && table->hasLoaded()) {
        table->reloadData();
    }
}

void ZVConversationCells::setShowFilePreviews(bool show) {
    if (show == showFilePreviews_) {
        return;
    }
    if (const auto list = messages()) {
        for (const auto& message : *list) {
            message->updateRepresentation();
        }
    }
    showFilePreviews_ = show;
    if (const auto table = tableView(); table && table->hasLoaded()) {
        table->reloadData();
    }
}

void ZVConversationCells::setEmptyText(const QString& text) {
    emptyText_ = text;
    if (const auto table = tableView()) {
        table->setBackgroundView(nullptr);
    }
    updateEmptyText();
}

void ZVConversationCells::setCreateNewText(const QString& text) {
    createNewText_ = text;
    if (const auto table = tableView()) {
        table->setBackgroundView(nullptr);
    }
    updateEmptyText();
}

void ZVConversationCells::setBackgroundTextDelegate(std::weak_ptr<ZVRichTextDelegate> delegate) {
    backgroundTextDelegate_ = delegate;
    const auto table = tableView();
    if (auto background = table
                              ? std::dynamic_pointer_cast<ZVBackgroundView>(table->backgroundView())
                              : nullptr) {
        background->setDelegate(std::move(delegate));
    }
}

void ZVConversationCells::addMessageMenuHandler(const std::shared_ptr<ZVTableView>& table) {
    messageMenu_ = ZVMessageMenuFactory::make(table, page_);
}

bool ZVConversationCells::menuShowing() const {
    return messageMenu_ && messageMenu_->menuShowing();
}

// --- derived values ---

qreal ZVConversationCells::avatarSpacing() const {
    return avatarSize_ == kSmallAvatarSize ? kSmallAvatarSpacing : kAvatarSpacing;
}

qreal ZVConversationCells::screenEdgeSpacing() const {
    return avatarSize_ == kSmallAvatarSize ? kSmallScreenEdgeSpacing : kScreenEdgeSpacing;
}

qreal ZVConversationCells::textWidth() const {
    return ZVMessageCell::contentWidth(*this, Message::TypeText);
}

qreal ZVConversationCells::width() const {
    const auto table = tableView();
    return table ? table->frame().width() : 0;
}

int ZVConversationCells::avatarSizeForMessageType(int messageType) const {
    return messageType == Message::TypeHtmlEmail ? 0 : avatarSize_;
}

// --- rows ---

void ZVConversationCells::reloadData() {
    // The owners reload after their messages change in place (a pin, an edit): work the
    // relations out again.
    relations_.clear();
    computeNewMessageIndex();
    if (const auto table = tableView()) {
        table->reloadData();
    }
    updateEmptyText();
}

void ZVConversationCells::computeNewMessageIndex() {
    newMessageIndex_ = -1;
    const auto list = messages();
    if (readMessageNr_ == 0 || !list) {
        return;
    }
    // The first row past the read message: the read message itself may not be loaded, and then
    // the row at the insertion point is already unread.
    const auto& rows = list->messages();
    const auto at = std::lower_bound(rows.begin(), rows.end(), readMessageNr_,
                                     [](const std::shared_ptr<Message>& message, std::int64_t nr) {
                                         return message->messageNr() < nr;
                                     });
    qsizetype index = at - rows.begin();
    if (at != rows.end() && (*at)->messageNr() == readMessageNr_) {
        ++index;
    }
    if (index < list->count()) {
        newMessageIndex_ = index;
    }
}

void ZVConversationCells::updateEmptyText() {
    const auto table = tableView();
    if (!table) {
        return;
    }
    const auto list = messages();
    const bool empty = !list || list->isEmpty() ||
                       (list->count() == 1 && (*list)[0]->isOfType(kCreatedMessageType));
    if (empty == (table->backgroundView() != nullptr)) {
        return;
    }
    if (empty && !emptyText_.isEmpty()) {
        auto background = std::make_shared<ZVBackgroundView>();
        background->setDelegate(backgroundTextDelegate_);
        background->setText(emptyText_);
        background->setLinkText(createNewText_);
        table->setBackgroundView(background);
    } else {
        table->setBackgroundView(nullptr);
    }
}

std::optional<platform::IndexPath> ZVConversationCells::indexPathForMessage(
    std::int64_t messageNr) const {
    const auto list = messages();
    const qsizetype index = list ? list->indexOfMessageNr(messageNr) : ZVMessageArray::kNotFound;
    if (index == ZVMessageArray::kNotFound) {
        return std::nullopt;
    }
    return platform::IndexPath{0, static_cast<int>(index)};
}

std::shared_ptr<Message> ZVConversationCells::messageByIndexPath(platform::IndexPath path) const {
    const auto list = messages();
    if (!list || path.row < 0 || path.row >= list->count()) {
        return nullptr;
    }
    return (*list)[path.row];
}

ZVMessageViewClass ZVConversationCells::viewClassForMessage(
    const std::shared_ptr<Message>& message) const {
    if (message->isOfType(kCreatedMessageType)) {
        return ZVMessageViewClass::Plain;
    }
    if (message->isOfType(Message::TypeAdd)) {
        const auto conversation = rowsConversationOf(*message);
        if (conversation && conversation->joinMessageNr() == message->messageNr()) {
            return ZVMessageViewClass::Plain;
        }
    }
    if (message->isHidden()) {
        return ZVMessageViewClass::Plain;
    }
    if (message->isOfType(Message::TypeSeparator)) {
        return listStyle_ ? ZVMessageViewClass::Separator : ZVMessageViewClass::Plain;
    }
    if (message->hasTag(ZVRichMessageRepresentation::kSpamTag)) {
        const auto model = rowsModelOf(*message);
        if (!model || !model->expanded()) {
            return ZVMessageViewClass::System;
        }
    }
    if (message->isPinned()) {
        return ZVMessageViewClass::Pinned;
    }
    if (message->isDeletedMessage()) {
        return ZVMessageViewClass::Text;
    }
    if (message->isTask()) {
        return ZVMessageViewClass::Task;
    }
    if (!message->isTextMessage()) {
        return ZVMessageViewClass::System;
    }
    if (message->isOfType(Message::TypeHtmlEmail)) {
        return ZVMessageViewClass::Html;
    }
    if (showSubjectForMessage(*message)) {
        return ZVMessageViewClass::Email;
    }
    return ZVMessageViewClass::Text;
}

bool ZVConversationCells::showSubjectForMessage(const Message& message) const {
    const QString subject = message.subject();
    if (subject.isEmpty()) {
        return false;
    }
    const auto model = rowsModelOf(message);
    if (!model || !model->hasDistinctSubject()) {
        return false;
    }
    const auto list = messages();
    const qsizetype index =
        list ? list->indexOfMessageNr(message.messageNr()) : ZVMessageArray::kNotFound;
    if (index == ZVMessageArray::kNotFound || index == 0) {
        return true;
    }
    // A run of replies under one subject shows it once.
    for (qsizetype i = index - 1; i >= 0; --i) {
        const Message& earlier = *(*list)[i];
        if (earlier.isOfType(Message::TypeEmail) || earlier.isOfType(Message::TypeHtmlEmail) ||
            earlier.isOfType(Message::TypeText)) {
            return earlier.subject() != subject;
        }
    }
    return true;
}

ZVMessageArray::Relations ZVConversationCells::relationsAtIndex(const ZVMessageArray& list,
                                                                qsizetype index) const {
    const auto at = static_cast<std::size_t>(index);
    // Any row whose message moved, and the rows around it, tell that the list changed.
    const auto stale = [&](qsizetype i) {
        return i >= 0 && i < list.count() &&
               relationNumbers_[static_cast<std::size_t>(i)] != list[i]->messageNr();
    };
    if (relations_.size() != static_cast<std::size_t>(list.count()) || stale(index - 1) ||
        stale(index) || stale(index + 1)) {
        if (!keptRowHeights_.empty()) {
            // Most rows' heights are kept: only this row's own relations are asked for.
            return {list.backwardRelationshipOfMessageAtIndex(index),
                    list.forwardRelationshipOfMessageAtIndex(index)};
        }
        relations_ = list.relationships();
        relationNumbers_.clear();
        for (const auto& message : list) {
            relationNumbers_.push_back(message->messageNr());
        }
    }
    return relations_[at];
}

ZVMessageAccessoryClass ZVConversationCells::topAccessoryForMessageAtIndex(qsizetype index) const {
    const auto list = messages();
    if (!list || !enableAccessories_ || index < 0 || index >= list->count()) {
        return ZVMessageAccessoryClass::None;
    }
    return rowsTopAccessory(relationsAtIndex(*list, index).backward);
}

ZVMessageAccessoryClass ZVConversationCells::bottomAccessoryForMessageAtIndex(
    qsizetype index) const {
    const auto list = messages();
    if (!list || !enableAccessories_ || index < 0 || index >= list->count()) {
        return ZVMessageAccessoryClass::None;
    }
    return rowsBottomAccessory(*list, index, relationsAtIndex(*list, index).forward);
}

ZVConversationCells::RowClasses ZVConversationCells::rowClassesAtIndex(qsizetype index,
                                                                       bool withMarker) const {
    RowClasses row;
    const auto list = messages();
    if (!list || index < 0 || index >= list->count()) {
        return row;
    }
    const auto& message = (*list)[index];
    const auto [backward, forward] = relationsAtIndex(*list, index);
    row.view = viewClassForMessage(message);
    row.groupedWithNext = forward == ZVMessageArray::RelationGrouped;
    row.groupedWithPrevious =
        backward == ZVMessageArray::RelationGrouped || row.view == ZVMessageViewClass::Plain;
    if (!enableAccessories_) {
        return row;
    }
    row.top = rowsTopAccessory(backward);
    row.bottom = rowsBottomAccessory(*list, index, forward);
    if (withMarker && index == newMessageIndex_) {
        row.cell = ZVMessageCellClass::AccessorizedWithNew;
    } else if (row.top == ZVMessageAccessoryClass::None &&
               row.bottom == ZVMessageAccessoryClass::None) {
        row.cell = backward == ZVMessageArray::RelationNone ? ZVMessageCellClass::Avatar
                                                            : ZVMessageCellClass::Plain;
    } else {
        row.cell = ZVMessageCellClass::Accessorized;
    }
    return row;
}

qreal ZVConversationCells::heightForRowAtIndex(qsizetype index) const {
    const auto list = messages();
    if (!list || index < 0 || index >= list->count()) {
        return 0;
    }
    const RowHeightSettings settings{width(), avatarSize_, enableAccessories_, listStyle_,
                                     showFilePreviews_};
    if (!(settings == keptRowSettings_)) {
        keptRowHeights_.clear();
        keptRowSettings_ = settings;
    }
    const auto& rows = list->messages();
    const auto at = static_cast<std::size_t>(index);
    const Message* message = rows[at].get();
    const Message* previous = at > 0 ? rows[at - 1].get() : nullptr;
    const Message* next = at + 1 < rows.size() ? rows[at + 1].get() : nullptr;
    const bool marker = enableAccessories_ && index == newMessageIndex_;
    const auto stampOf = [](const Message* neighbour) {
        return neighbour ? neighbour->changeStamp() : 0;
    };
    const auto found = keptRowHeights_.find(message);
    if (found != keptRowHeights_.end()) {
        const KeptRowHeight& kept = found->second;
        const ZVMessageRepresentation* model = message->madeRepresentation();
        if (kept.messageStamp == message->changeStamp() && kept.model == model && model &&
            kept.modelRevision == model->revision() && kept.previous == previous &&
            kept.previousStamp == stampOf(previous) && kept.next == next &&
            kept.nextStamp == stampOf(next) && kept.marker == marker) {
            return kept.height;
        }
    }
    bool keep = false;
    const qreal height = measureRowAtIndex(*list, index, &keep);
    if (!keep) {
        if (found != keptRowHeights_.end()) {
            keptRowHeights_.erase(found);
        }
        return height;
    }
    // Rows that left the list are dropped now and then, all at once.
    if (keptRowHeights_.size() > 2 * rows.size() + 64) {
        keptRowHeights_.clear();
    }
    const ZVMessageRepresentation* model = message->madeRepresentation();
    keptRowHeights_[message] = KeptRowHeight{message->changeStamp(),
                                             model,
                                             model->revision(),
                                             previous,
                                             stampOf(previous),
                                             next,
                                             stampOf(next),
                                             marker,
                                             height};
    return height;
}

qreal ZVConversationCells::measureRowAtIndex(const ZVMessageArray& list, qsizetype index,
                                             bool* keep) const {
    const auto& message = list[index];
    const RowClasses row = rowClassesAtIndex(index, false);
    const int type = message->messageType().value_or(0);
    qreal height =
        ZVMessageViewHeight(row.view, message, ZVMessageCell::contentWidth(*this, type), *this);
    height += ZVMessageAccessoryHeight(row.top) + ZVMessageAccessoryHeight(row.bottom);
    if (enableAccessories_ && index == newMessageIndex_) {
        height += ZVMessageNewIndicatorView::height();
    }
    height +=
        ZVMessageCellHeight(row.cell, message, *this, row.groupedWithNext, row.groupedWithPrevious);
    // Kept only where the height follows from the message, its display model and its neighbours
    // alone. Not: the last row (the send queue's state puts the resend strip under it), files and
    // link previews (their own state sets their heights), a join message (the conversation names
    // it), HTML e-mail (read state), subjects (the rows above decide), pins, tasks and separators
    // (the boards' own state).
    const auto* model =
        dynamic_cast<const ZVRichMessageRepresentation*>(message->madeRepresentation());
    *keep = index + 1 < list.count() && model && model->isBuilt() && !model->hasFilesOrPreviews() &&
            type != Message::TypeAdd && type != Message::TypeHtmlEmail &&
            (row.view == ZVMessageViewClass::Plain || row.view == ZVMessageViewClass::Text ||
             row.view == ZVMessageViewClass::System) &&
            message->subject().isEmpty();
    return height;
}

// --- data source ---

int ZVConversationCells::tableViewNumberOfRowsInSection(platform::TableView& /*table*/,
                                                        int /*section*/) {
    const auto list = messages();
    return list ? static_cast<int>(list->count()) : 0;
}

std::shared_ptr<platform::TableViewCell> ZVConversationCells::tableViewCellForRowAtIndexPath(
    platform::TableView& table, platform::IndexPath path) {
    const auto list = messages();
    const auto message = messageByIndexPath(path);
    if (!message) {
        return std::make_shared<platform::TableViewCell>();
    }
    const RowClasses row = rowClassesAtIndex(path.row, true);
    const QString identifier = row.reuseIdentifier();
    auto cell = std::dynamic_pointer_cast<ZVMessageCell>(table.dequeueReusableCell(identifier));
    if (!cell) {
        cell = ZVMakeMessageCell(row.cell, weak_from_this(), row.view, identifier, row.top,
                                 row.bottom);
    }
    if (row.cell != ZVMessageCellClass::Plain) {
        cell->setAvatarSize(avatarSizeForMessageType(message->messageType().value_or(0)));
    }
    cell->setGroupedWithNext(row.groupedWithNext);
    cell->setGroupedWithPrevious(row.groupedWithPrevious);
    cell->setMessage(message);
    if (row.top == ZVMessageAccessoryClass::LoadMoreTop && path.row > 0) {
        const auto& previous = (*list)[path.row - 1];
        cell->setMessageInterval(double(previous->postedTime().msecsTo(message->postedTime())) /
                                 1000.0);
    }
    return cell;
}

bool ZVConversationCells::tableViewCanMoveRowAtIndexPath(platform::TableView& /*table*/,
                                                         platform::IndexPath path) {
    const auto message = messageByIndexPath(path);
    return message && !message->isOfType(Message::TypeSeparator);
}

std::optional<qreal> ZVConversationCells::tableViewHeightForRowAtIndexPath(
    platform::TableView& /*table*/, platform::IndexPath path) {
    return heightForRowAtIndex(path.row);
}
