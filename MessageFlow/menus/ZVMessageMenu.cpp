#include "MessageFlow/menus/ZVMessageMenu.h"

#include "MessageFlow/rows/cells/ZVAvatarMessageCell.h"
#include "MessageFlow/rows/cells/ZVMessageCell.h"
#include "ZelvoKit/ZelvoApi/account/ZVUserProfile.h"
#include "ZelvoKit/markup/XMLEncoding.h"
#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/File.h"
#include "ZelvoKit/model/Message.h"
#include "ZelvoKit/model/ZVConversationMembers.h"
#include "ZelvoKit/model/ZVMember.h"
#include "ZelvoKit/model/ZVRepositorySession.h"
#include "ZelvoKit/support/text/StringUtils.h"
#include "app/shell/ZVAppServices.h"
#include "files/views/ZVFileView.h"
#include "platform/foundation/Format.h"
#include "toolkit/alerts/ZVActionMenu.h"
#include "toolkit/richtext/message/ZVRichMessageRepresentation.h"
#include "toolkit/tables/ZVTableView.h"
#include "toolkit/widgets/avatars/ZVAvatarView.h"

using namespace Qt::Literals::StringLiterals;

namespace {

const QString kMessageMenuEllipsis = u"..."_s;

bool messageMenuFilesReady(Message& message) {
    const auto files = message.representation()->files();
    if (!files) {
        return true;
    }
    for (const auto& file : *files) {
        if (!file || file->status() != File::Status::OnService) {
            return false;
        }
    }
    return true;
}

bool messageMenuHasText(const std::shared_ptr<Message>& message) {
    const auto model = ZVRichMessageRepresentation::of(message);
    return model && !model->attributedText().isEmpty();
}

bool messageMenuAssignedTo(const Message& message, const QString& accountId) {
    const auto& assignees = message.assignees();
    return assignees && assignees->contains(accountId);
}

QString messageMenuSelfId(const Message& message) {
    const auto session = message.session();
    const auto profile = session ? session->profile() : nullptr;
    return profile ? profile->contactId() : QString();
}

// Someone of the conversation who cannot see the message: they joined after it.
bool messageMenuHasLaterJoiner(const Message& message, Conversation& conversation) {
    const auto& roster = conversation.sortedMembers();
    if (!roster) {
        return false;
    }
    for (const auto& member : *roster) {
        if (member && member->joinMessageNr() > message.messageNr()) {
            return true;
        }
    }
    return false;
}

}  // namespace

ZVMessageMenu::ZVMessageMenu(const std::shared_ptr<platform::TableView>& tableView, int page)
    : ZVActionMenuHost(tableView), page_(page) {}

ZVMessageMenu::~ZVMessageMenu() = default;

void ZVMessageMenu::registerFactory() {
    ZVMessageMenuFactory::setFactory([](const std::shared_ptr<ZVTableView>& table, int page) {
        return std::static_pointer_cast<ZVMessageMenuHandler>(
            ZVActionMenuHost::attach<ZVMessageMenu>(table, page));
    });
}

std::weak_ptr<ZVMessageMenu> ZVMessageMenu::weakMenu() {
    return std::static_pointer_cast<ZVMessageMenu>(ZVActionMenuHost::shared_from_this());
}

QString ZVMessageMenu::deleteConfirmation(Message& message) {
    QString text = message.localizedMessage();
    if (text.size() > kConfirmTextLength) {
        text = leftAtGraphemeBoundary(text, kConfirmTextLength).toString() + kMessageMenuEllipsis;
    }
    // The card reads its message as markup: the user's text must show as typed.
    return platform::format(u"Are you sure you want to delete the message \"%@\"?",
                            xmlEncoded(text));
}

// --- choosing ---

void ZVMessageMenu::menuWillAppear() {
    message_.reset();
    const auto row = std::dynamic_pointer_cast<ZVMessageCell>(cell());
    const auto pressed = row ? row->message() : nullptr;
    if (!pressed) {
        return;
    }
    message_ = pressed;
    if (const auto fileView = row->highlightedFile()) {
        if (fileView->file() && fileView->file()->isUrlPreview()) {
            // The card alone is meant: the row is not kept lit.
            addOption(QString(), u"Remove link preview"_s, bind(&ZVMessageMenu::removePreview));
            return;
        }
        fileView->setHighlighted(false);
        row->updateOverlay();
    }
    const auto conversation = pressed->conversation();
    const auto avatarRow = std::dynamic_pointer_cast<ZVAvatarMessageCell>(row);
    const auto& avatar = avatarRow ? avatarRow->avatar() : nullptr;
    if (avatar && avatar->isHighlighted() && avatar->type() == ZVAvatarView::kContact) {
        if (const auto header = ZVAppServices::shared().contactHeader(avatar->contact())) {
            menu()->addView(header);
        }
        menu()->setPointAtView(avatar);
        addOption(u"profile"_s, u"Show profile"_s, bind(&ZVMessageMenu::profile));
        const auto& roster = conversation ? conversation->sortedMembers() : nullptr;
        if (roster && roster->count() >= kDialogMemberCount) {
            addOption(u"chat"_s, u"Send message"_s, bind(&ZVMessageMenu::dialog));
        }
        ZVActionMenuHost::menuWillAppear();
        return;
    }
    populateActionsEditAllowed(conversation && conversation->canPost());
    ZVActionMenuHost::menuWillAppear();
}

std::shared_ptr<platform::View> ZVMessageMenu::pointAtView() {
    const auto row = std::dynamic_pointer_cast<ZVMessageCell>(cell());
    if (const auto fileView = row ? row->highlightedFile() : nullptr;
        fileView && fileView->file() && fileView->file()->isUrlPreview()) {
        return fileView;
    }
    return ZVActionMenuHost::pointAtView();
}

void ZVMessageMenu::menuWillDisappear() {
    ZVActionMenuHost::menuWillDisappear();
    message_.reset();
}

void ZVMessageMenu::populateFileMessage(bool editAllowed) {
    addOption(u"markunread"_s, u"Mark unread"_s, bind(&ZVMessageMenu::markUnread));
    if (editAllowed) {
        addOption(u"delete"_s, u"Delete file"_s, bind(&ZVMessageMenu::deleteMessage), false,
                  u"Delete file?"_s);
    }
}

void ZVMessageMenu::populateActionsEditAllowed(bool editAllowed) {
    const auto shown = message();
    const auto conversation = shown ? shown->conversation() : nullptr;
    if (!shown) {
        return;
    }
    Message& m = *shown;
    if (m.isOfType(Message::TypeFile)) {
        populateFileMessage(editAllowed);
        return;
    }
    const bool text = m.isTextMessage();
    const bool deleted = m.isDeletedMessage();
    const bool html = m.isOfType(Message::TypeHtmlEmail);
    const bool task = m.isTask();
    const bool pinned = m.isPinned();
    const bool stillSending = m.isSending() || m.isFailed();
    const bool tasksPage = page_ == kTasksPage;
    const bool deleteRight = (m.canEdit() && editAllowed) ||
                             (!m.canEdit() && m.isOfType(Message::TypeEmail) && editAllowed);
    const bool readable = text && !deleted;
    const bool filesReady = readable && messageMenuFilesReady(m);

    if (m.canEdit()) {
        addOption(u"edit"_s, u"Edit message"_s, bind(&ZVMessageMenu::edit));
    }
    if (readable && !tasksPage && !html && messageMenuHasText(shown)) {
        addOption(u"quote"_s, u"Quote"_s, bind(&ZVMessageMenu::quote));
    }
    if (filesReady && !tasksPage && !html) {
        addOption(u"copy"_s, u"Copy"_s, bind(&ZVMessageMenu::copyMessage));
    }
    if (filesReady) {
        addOption(u"forward"_s, u"Forward"_s, bind(&ZVMessageMenu::forwardMessage));
    }
    const std::int64_t bwMessageNr =
        conversation ? conversation->bwMessageNr().value_or(0) : std::int64_t(0);
    const bool oldPin = pinned && m.messageNr() < bwMessageNr;
    if (!oldPin && !stillSending && text && page_ == kMessagesPage) {
        addOption(u"markunread"_s, u"Mark unread"_s, bind(&ZVMessageMenu::markUnread));
    }
    if (html) {
        addOption(u"zoom"_s, u"Show email"_s, bind(&ZVMessageMenu::showEmail));
    }
    if (editAllowed && !html && text && !stillSending && !task) {
        if (pinned && !m.isArchived()) {
            addOption(u"pin"_s, u"Unpin message"_s, bind(&ZVMessageMenu::unpin), true);
        } else if (!m.message().isEmpty()) {
            addOption(u"pin"_s, u"Pin message"_s, bind(&ZVMessageMenu::pin), true);
        }
    }
    if (text && !html && !task && editAllowed && !deleted) {
        addOption(u"task"_s, u"Create task"_s, bind(&ZVMessageMenu::task), true);
    }
    if (deleteRight && task && !m.hasTag(Message::TagEditedByOthers)) {
        addOption(u"task"_s, u"Untask"_s, bind(&ZVMessageMenu::untask), true);
    }
    if (task) {
        addOption(u"assign"_s, u"Assign"_s, bind(&ZVMessageMenu::assign), !tasksPage);
        if (!messageMenuAssignedTo(m, messageMenuSelfId(m))) {
            addOption(u"assigntome"_s, u"Assign to me"_s, bind(&ZVMessageMenu::assignToMe),
                      !tasksPage);
        }
        if (tasksPage) {
            addOption(u"archive"_s, u"Archive"_s, bind(&ZVMessageMenu::archive), true);
        }
    }
    if (conversation && !pinned && messageMenuHasLaterJoiner(m, *conversation)) {
        addOption(u"disclose"_s, u"Disclose history"_s, bind(&ZVMessageMenu::disclose), true);
    }
    if (deleteRight) {
        addOption(u"delete"_s, u"Delete message"_s, bind(&ZVMessageMenu::deleteMessage), true,
                  deleteConfirmation(m));
    } else if (html && m.isPending()) {
        // An e-mail that never left can go at once; one with the delete right is asked above.
        addOption(u"delete"_s, u"Delete message"_s, bind(&ZVMessageMenu::deleteMessage));
    }
}
