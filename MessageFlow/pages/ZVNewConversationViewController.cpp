#include "MessageFlow/pages/ZVNewConversationViewController.h"

#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/ZVConversationMembers.h"
#include "ZelvoKit/model/ZVRepositorySession.h"
#include "ZelvoKit/support/log/ZVErrorLog.h"
#include "accounts/people/ZVContactListViewController.h"
#include "app/shell/ZVGlobals.h"
#include "platform/foundation/Application.h"
#include "platform/ui/controllers/navigation/NavigationController.h"
#include "platform/ui/controls/Button.h"
#include "toolkit/dialogs/ZVButtonCell.h"
#include "toolkit/dialogs/ZVDialogCells.h"
#include "toolkit/dialogs/ZVHeaderCell.h"
#include "toolkit/dialogs/ZVLabelCell.h"
#include "toolkit/dialogs/ZVTextViewCell.h"
#include "toolkit/tables/ZVTableView.h"
#include "toolkit/tables/ZVTextView.h"
#include "toolkit/widgets/ZVSearchBar.h"

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace {

bool newConversationOnTablet() {
    return platform::Application::shared().userInterfaceIdiom() ==
           platform::UserInterfaceIdiom::Pad;
}

std::shared_ptr<ZVHeaderCell> newConversationHeader(long index, const QString& title) {
    auto header = std::make_shared<ZVHeaderCell>();
    header->setIndex(index, title);
    return header;
}

std::shared_ptr<ZVTextViewCell> newConversationField() {
    auto field = std::make_shared<ZVTextViewCell>();
    field->setBeginsGroup(true);
    field->setEndsGroup(true);
    return field;
}

}  // namespace

std::shared_ptr<ZVNewConversationViewController> ZVNewConversationViewController::make(
    const std::shared_ptr<Conversation>& conversation, int /*page*/) {
    auto screen = std::make_shared<ZVNewConversationViewController>(conversation);
    screen->wire();
    screen->setUp();
    return screen;
}

ZVNewConversationViewController::ZVNewConversationViewController(
    const std::shared_ptr<Conversation>& conversation)
    : ZVMembersViewController(conversation) {
    setTrackingCategory(kTrackingCategory);
    setTitle(conversation->topicText());

    topicHeader_ = newConversationHeader(kTopicIndex, kTopicTitle);
    topic_ = newConversationField();
    messageHeader_ = newConversationHeader(kMessageIndex, kMessageTitle);
    message_ = newConversationField();
    message_->textView()->setReturnKeyType(platform::ReturnKeyType::Default);
    createConvButton_ = std::make_shared<ZVButtonCell>(kCreateTitle, kCreateButtonStyle);
    createConvButton_->button()->setEnabled(false);
    createTarget_ = createConvButton_->button()->addTarget(
        platform::Control::TouchUpInside, [this](platform::Control&) { createConversation(); });

    membersTable()->setCancelEditWhenTapped(true);
    addParticipantsRow()->setLabelText(kAddRowText);
}

ZVNewConversationViewController::~ZVNewConversationViewController() {
    createConvButton_->button()->removeTarget(createTarget_);
}

void ZVNewConversationViewController::setUp() {
    // The picker shows at once: starting a conversation begins with choosing people.
    setEditing(true, false);
    updateLayout();
    const auto conversation = this->conversation();
    topicObservation_ = conversation->observe(u"topicText"_s, [this](const QString&) {
        if (const auto conversation = this->conversation()) {
            setTitle(conversation->topicText());
        }
    });
}

// The form's rows follow the member rows through every change of the roster.
void ZVNewConversationViewController::populateMembers() {
    ZVMembersViewController::populateMembers();
    if (!topicHeader_) {
        return;
    }
    membersTable()->addCells({topicHeader_, topic_, messageHeader_, message_, createConvButton_});
    membersTable()->tableView()->reloadData();
    // The rows above the form changed: the strip shows the form again.
    formFrame_ = QRectF();
    if (isViewLoaded()) {
        updateLayout();
    }
}

// --- creating ---

void ZVNewConversationViewController::createConversation() {
    commitEdit();
}

void ZVNewConversationViewController::commitEdit() {
    const auto conversation = this->conversation();
    // A second "Done" while the service is making the first would make a second conversation.
    if (creating_ || !conversation) {
        return;
    }
    creating_ = true;
    creatingConversation_ = conversation;
    // The topic being typed counts as typed.
    membersTable()->tableView()->endEditing(true);
    ZVMembersViewController::commitEdit();
}

void ZVNewConversationViewController::addsFailed() {
    creating_ = false;
    creatingConversation_.reset();
}

void ZVNewConversationViewController::addsCommitted(bool /*dialog*/) {
    creating_ = false;
    const auto composed = std::exchange(creatingConversation_, nullptr);
    ZVViewController::commitEdit();
    reportAction(u"Create conversation"_s, QString());

    const QString spawned =
        composed ? composed->sortedMembers()->spawnedConversationId() : QString();
    const auto session = composed ? composed->repositorySession() : nullptr;
    std::shared_ptr<Conversation> created;
    if (!spawned.isEmpty()) {
        created = session ? session->conversationFromId(spawned) : nullptr;
    } else if (composed) {
        created = composed->isDeleted() ? composed->takenOverBy() : composed;
    }
    sendFormTo(created);
    QString id = spawned;
    if (id.isEmpty() && created) {
        id = created->conversationId();
    }
    open(id);
}

// The create request carries neither: the service has them once the conversation exists.
void ZVNewConversationViewController::sendFormTo(const std::shared_ptr<Conversation>& created) {
    const QString topic = topic_->textView()->text().trimmed();
    const QString message = message_->textView()->text();
    if (!created || created->isNewConversation()) {
        if (!topic.isEmpty() || !message.trimmed().isEmpty()) {
            ZVLogError(u"ZVNewConversationViewController: no created conversation for the form");
        }
        return;
    }
    if (!topic.isEmpty()) {
        if (created->topic() == topic) {
            // Set on the unsaved conversation, which never sent it.
            created->setField(Conversation::FieldTopic, true);
        } else {
            created->changeTopic(topic);
        }
    }
    if (!message.trimmed().isEmpty()) {
        created->postMessage(message, QString(), {});
    }
}

void ZVNewConversationViewController::open(const QString& conversationId) {
    const auto open = [conversationId] {
        ZVGlobals* globals = ZVGlobals::globals();
        if (globals && !conversationId.isEmpty()) {
            globals->setConversationId(conversationId);
        }
    };
    const bool tablet = newConversationOnTablet();
    // Presented (from the forward picker): the picker and this screen go first, then it opens.
    platform::ViewController* presenter = presentingViewController();
    while (presenter && presenter->presentingViewController()) {
        presenter = presenter->presentingViewController();
    }
    if (presenter) {
        presenter->dismissViewController(tablet, open);
    } else {
        open();
    }
    if (!tablet) {
        return;
    }
    if (ZVGlobals* globals = ZVGlobals::globals()) {
        if (const auto left = globals->leftNavigationController()) {
            left->popToRootViewControllerAnimated(false);
        }
    }
}

void ZVNewConversationViewController::cancelEdit() {
    if (platform::ViewController* presenter = presentingViewController()) {
        presenter->dismissViewController(true);
    } else if (platform::NavigationController* navigation = navigationController()) {
        navigation->popViewControllerAnimated(true);
    }
}

// --- the fields ---

void ZVNewConversationViewController::textCellDidEndEditing(ZVDialogCell& cell) {
    const auto conversation = this->conversation();
    if (&cell != topic_.get() || !conversation) {
        return;
    }
    conversation->changeTopic(topic_->textView()->text());
    setTitle(conversation->topicText());
}

void ZVNewConversationViewController::textCellDidChange(ZVDialogCell&) {
    createConvButton_->button()->setEnabled(!message_->textView()->text().isEmpty());
}

void ZVNewConversationViewController::textCellDidBeginEditing(ZVDialogCell& cell) {
    if (!keyboardVisible_) {
        return;
    }
    const auto& header = &cell == topic_.get()     ? topicHeader_
                         : &cell == message_.get() ? messageHeader_
                                                   : nullptr;
    const auto top = header ? headerTop(header) : std::nullopt;
    if (!top) {
        return;
    }
    const auto table = membersTable()->tableView();
    const qreal end =
        table->contentSize().height() - table->frame().height() + table->contentInset().bottom;
    table->setContentOffset(QPointF(0, std::min(*top, end)), true);
}

std::optional<qreal> ZVNewConversationViewController::headerTop(
    const std::shared_ptr<ZVHeaderCell>& header) const {
    const auto& cells = *membersTable();
    for (int row = 0; row < cells.numberOfRows(); ++row) {
        const auto source = cells.cellSourceForRow(row);
        const auto* cell =
            source ? std::get_if<std::shared_ptr<ZVDialogCell>>(&source->entry) : nullptr;
        if (cell && *cell == header) {
            return membersTable()->tableView()->rectForRowAtIndexPath({0, row}).top();
        }
    }
    return std::nullopt;
}

// --- layout ---

qreal ZVNewConversationViewController::formHeight() const {
    const auto& cells = *membersTable();
    const int rows = cells.numberOfRows();
    qreal height = 0;
    for (int row = std::max(0, rows - kFormRowCount); row < rows; ++row) {
        height += cells.heightForRow(row);
    }
    return height;
}

bool ZVNewConversationViewController::isEditingForm() const {
    return topic_->textView()->isFirstResponder() || message_->textView()->isFirstResponder();
}

void ZVNewConversationViewController::updateLayout() {
    ZVMembersViewController::updateLayout();
    const auto& picker = contactsTable();
    const auto& search = searchBar();
    if (!isEditing() || !picker || !search || !topicHeader_) {
        return;
    }
    // The picker would cover the whole form: the form keeps a strip at the bottom.
    const QRectF bounds = view()->bounds();
    const qreal top = search->frame().bottom();
    const qreal room = std::max<qreal>(0, bounds.bottom() - top);
    const qreal strip = formExpanded_ ? room : std::min(formHeight(), room / 2);
    QRectF pickerFrame = picker->view()->frame();
    pickerFrame.setHeight(std::max<qreal>(0, bounds.bottom() - strip - pickerFrame.top()));
    picker->view()->setFrame(pickerFrame);
    const auto table = membersTable()->tableView();
    const QRectF frame(bounds.left(), bounds.bottom() - strip, bounds.width(), strip);
    table->setFrame(frame);
    view()->bringSubviewToFront(table.get());
    // A layout pass puts the same strip back and leaves the content where the user moved it.
    const bool moved = frame != formFrame_;
    formFrame_ = frame;
    // Collapsed, the strip starts at the form; the member rows are above it, a scroll away.
    if (const auto header = headerTop(topicHeader_); moved && header && !formExpanded_) {
        const qreal end = table->contentSize().height() - frame.height();
        table->setContentOffset(QPointF(0, std::max<qreal>(0, std::min(*header, end))));
    }
}

// --- the keyboard ---

void ZVNewConversationViewController::updateTableInset(const platform::Notification& notification) {
    const auto table = membersTable()->tableView();
    const qreal keyboard = keyboardHeight();
    std::shared_ptr<ZVHeaderCell> header;
    if (keyboard > kKeyboardThreshold) {
        if (topic_->textView()->isFirstResponder()) {
            header = topicHeader_;
        } else if (message_->textView()->isFirstResponder()) {
            header = messageHeader_;
        }
    }
    const auto top = header ? headerTop(header) : std::nullopt;
    startKeyboardAnimation(notification, [table, keyboard, top] {
        auto insets = table->contentInset();
        insets.bottom = keyboard;
        table->doSetContentInset(insets);
        if (top) {
            const qreal end = table->contentSize().height() - table->frame().height() + keyboard;
            table->setContentOffset(QPointF(0, std::min(*top, end)));
        }
    });
}

void ZVNewConversationViewController::keyboardWillShow(const platform::Notification& notification) {
    formExpanded_ = isEditingForm();
    ZVMembersViewController::keyboardWillShow(notification);
    updateLayout();
    updateTableInset(notification);
    keyboardVisible_ = true;
}

void ZVNewConversationViewController::keyboardWillHide(const platform::Notification& notification) {
    formExpanded_ = false;
    ZVMembersViewController::keyboardWillHide(notification);
    updateLayout();
    updateTableInset(notification);
    keyboardVisible_ = false;
}

// --- going ---

void ZVNewConversationViewController::viewWillDisappear(bool animated) {
    ZVMembersViewController::viewWillDisappear(animated);
    // Only when it goes for good: a contact's profile pushed over it comes back to it.
    const platform::NavigationController* navigation = navigationController();
    if (isMovingFromParentViewController() || isBeingDismissed() ||
        (navigation && navigation->isBeingDismissed())) {
        releaseObservers();
    }
}

void ZVNewConversationViewController::releaseObservers() {
    ZVMembersViewController::releaseObservers();
    if (observersReleased_) {
        return;
    }
    observersReleased_ = true;
    topicObservation_ = {};
}
