#include "MessageFlow/screen/actions/ZVConversationMessageActions.h"

#include "MessageEditor/ZVFlatMessageEditor.h"
#include "MessageFlow/rows/ZVConversationCells.h"
#include "MessageFlow/rows/cells/ZVMessageCell.h"
#include "MessageFlow/screen/ZVConversationComposer.h"
#include "MessageFlow/screen/ZVConversationScreenActions.h"
#include "MessageFlow/screen/ZVConversationViewController.h"
#include "ZelvoKit/ZelvoApi/account/ZVUserProfile.h"
#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/File.h"
#include "ZelvoKit/model/Message.h"
#include "ZelvoKit/model/ZVMessageArray.h"
#include "ZelvoKit/model/ZVRepositorySession.h"
#include "files/views/ZVFileView.h"
#include "platform/ui/animation/ViewAnimation.h"
#include "toolkit/richtext/ZVRichText.h"
#include "toolkit/richtext/ZVRichTextLayout.h"
#include "toolkit/richtext/message/ZVRichMessageRepresentation.h"
#include "toolkit/screens/ZVScreenCoordinator.h"
#include "toolkit/tables/ZVTableView.h"
#include "toolkit/tables/ZVTextView.h"

#include <vector>

namespace {

// The open flat editor of one page. The page's view holds the editor; the page itself is not
// told, so the record ends with it.
struct MessageActionsEditorSlot {
    std::weak_ptr<const platform::ViewController> screen;
    std::weak_ptr<ZVFlatMessageEditor> editor;
    std::int64_t messageNr = 0;
};

std::vector<MessageActionsEditorSlot>& messageActionsEditorSlots() {
    static std::vector<MessageActionsEditorSlot> editorSlots;
    return editorSlots;
}

// The page's slot, after dropping those of pages that are gone; null when it has none.
MessageActionsEditorSlot* messageActionsSlotOf(const ZVConversationViewController& screen) {
    auto& editorSlots = messageActionsEditorSlots();
    std::erase_if(editorSlots, [](const MessageActionsEditorSlot& slot) {
        return slot.screen.expired() || slot.editor.expired();
    });
    const std::weak_ptr<const platform::ViewController> key = screen.weak_from_this();
    for (auto& slot : editorSlots) {
        if (!slot.screen.owner_before(key) && !key.owner_before(slot.screen)) {
            return &slot;
        }
    }
    return nullptr;
}

std::shared_ptr<ZVUserProfile> messageActionsProfile(const ZVConversationViewController& screen) {
    const auto conversation = screen.conversation();
    const auto session = conversation ? conversation->repositorySession() : nullptr;
    return session ? session->profile() : nullptr;
}

// The page's view less the keyboard's room.
QRectF messageActionsEditorFrame(ZVConversationViewController& screen, qreal keyboard) {
    const QRectF bounds = screen.view()->bounds();
    return {0, 0, bounds.width(), std::max<qreal>(0, bounds.height() - keyboard)};
}

}  // namespace

void ZVConversationMessageActions::install() {
    auto& actions = ZVConversationScreenActions::shared();
    actions.editLastMessage = &editLastMessage;
    actions.editMessage = &editMessage;
    actions.quoteMessage = &quoteMessage;
    actions.quoteMessageText = &quoteMessageText;
    actions.selectMessage = &selectMessage;
    actions.focusMessage = &focusMessage;
    actions.setEditing = &setEditing;
    actions.commitEdit = &commitEdit;
    actions.setTopInset = &setTopInset;
    actions.keyboardWillShow = &keyboardWillShow;
    actions.keyboardWillChangeFrame = &keyboardWillChangeFrame;
    actions.keyboardWillHide = &keyboardWillHide;
}

std::shared_ptr<ZVFlatMessageEditor> ZVConversationMessageActions::editor(
    const ZVConversationViewController& screen) {
    const auto* slot = messageActionsSlotOf(screen);
    return slot ? slot->editor.lock() : nullptr;
}

// --- editing ---

void ZVConversationMessageActions::editLastMessage(ZVConversationViewController& screen) {
    const auto conversation = screen.conversation();
    const auto profile = messageActionsProfile(screen);
    const auto& list = conversation ? conversation->messages() : nullptr;
    if (!list || !profile) {
        return;
    }
    const auto& messages = list->messages();
    for (auto it = messages.rbegin(); it != messages.rend(); ++it) {
        if (profile->isSelf((*it)->accountId())) {
            // Only the newest own message: the arrow never reaches further back.
            if ((*it)->canEdit()) {
                editMessage(screen, *it);
            }
            return;
        }
    }
}

void ZVConversationMessageActions::editMessage(ZVConversationViewController& screen,
                                               const std::shared_ptr<Message>& message) {
    const auto conversation = screen.conversation();
    const auto& cells = screen.cells();
    if (!message || !message->canEdit() || !conversation || !cells) {
        return;
    }
    // A second editor would cover the first, which then could neither be closed nor committed.
    if (editor(screen)) {
        return;
    }
    const std::int64_t messageNr = message->messageNr();
    const auto opened = ZVFlatMessageEditor::make(message);
    opened->setFrame(cells->visibleRectForMessageNr(messageNr));
    opened->setAlpha(0);
    messageActionsEditorSlots().push_back({screen.weak_from_this(), opened, messageNr});
    conversation->setWritingStatus(true, messageNr);
    screen.view()->addSubview(opened);
    screen.setTopInset(ZVScreenCoordinator::shared().statusViewContentInset());
    screen.setEditing(true, true);
}

void ZVConversationMessageActions::setTopInset(ZVConversationViewController& screen, qreal inset) {
    if (const auto open = editor(screen)) {
        open->textView()->setTextContainerInset(platform::EdgeInsets{inset, 0, 0, 0});
    }
}

void ZVConversationMessageActions::setEditing(ZVConversationViewController& screen, bool editing,
                                              bool /*animated*/) {
    auto* slot = messageActionsSlotOf(screen);
    const auto open = slot ? slot->editor.lock() : nullptr;
    if (!open) {
        return;
    }
    if (editing) {
        open->becomeFirstResponder();
        // Grown even when the keyboard takes no room: a keyboard already up for the composer
        // (a hardware one, 0 pt high) sends no notice that would grow it later.
        const QRectF target = messageActionsEditorFrame(
            screen, screen.keyboardHeight() > kKeyboardUpHeight ? screen.keyboardHeight() : 0);
        platform::ViewAnimation::animate(kEditorDuration, [&open, target] {
            open->setFrame(target);
            open->setAlpha(1);
        });
        return;
    }
    const std::int64_t editedNr = slot->messageNr;
    auto& editorSlots = messageActionsEditorSlots();
    editorSlots.erase(editorSlots.begin() + (slot - editorSlots.data()));
    open->endEditing(true);
    // A message stored since it was sent shows under its new number.
    const auto message = open->message();
    const std::int64_t shownNr = message ? message->messageNr() : editedNr;
    const QRectF target =
        screen.cells() ? screen.cells()->visibleRectForMessageNr(shownNr) : open->frame();
    // The page's view holds the editor until the animation ends.
    const std::weak_ptr<ZVFlatMessageEditor> weak = open;
    platform::ViewAnimation::animate(
        kEditorDuration,
        [&open, target] {
            open->setFrame(target);
            open->setAlpha(0);
        },
        [weak](bool) {
            if (const auto closed = weak.lock()) {
                closed->removeFromSuperview();
            }
        });
    if (const auto conversation = screen.conversation()) {
        conversation->setWritingStatus(false, editedNr);
    }
}

void ZVConversationMessageActions::commitEdit(ZVConversationViewController& screen) {
    if (const auto open = editor(screen)) {
        open->commitEdit();
    }
}

void ZVConversationMessageActions::keyboardWillShow(ZVConversationViewController& screen,
                                                    const platform::Notification& notification) {
    const auto open = editor(screen);
    if (!open) {
        return;
    }
    const QRectF target = messageActionsEditorFrame(
        screen, screen.extractKeyboardSizeFromNotification(notification).height());
    ZVViewController::startKeyboardAnimation(notification, [open, target] {
        open->setFrame(target);
        open->setAlpha(1);
    });
}

void ZVConversationMessageActions::keyboardWillChangeFrame(
    ZVConversationViewController& screen, const platform::Notification& notification) {
    const auto open = editor(screen);
    if (!open) {
        return;
    }
    const QRectF target = messageActionsEditorFrame(
        screen, screen.extractKeyboardSizeFromNotification(notification).height());
    ZVViewController::startKeyboardAnimation(notification, [open, target] {
        open->setFrame(target);
        if (open->alpha() < 1) {
            open->setAlpha(1);
        }
    });
}

void ZVConversationMessageActions::keyboardWillHide(
    ZVConversationViewController& screen, const platform::Notification& /*notification*/) {
    if (const auto open = editor(screen)) {
        open->setFrame(screen.view()->bounds());
    }
}

// --- quoting and selecting ---

void ZVConversationMessageActions::quoteMessage(ZVConversationViewController& screen,
                                                const std::shared_ptr<Message>& message) {
    if (message) {
        quoteMessageText(screen, message, message->plainMessageWithMarkup());
    }
}

void ZVConversationMessageActions::quoteMessageText(ZVConversationViewController& screen,
                                                    const std::shared_ptr<Message>& message,
                                                    const QString& text) {
    if (const auto& composer = screen.messageEditor(); composer && message) {
        composer->quoteMessage(message, text);
    }
}

void ZVConversationMessageActions::selectMessage(ZVConversationViewController& screen,
                                                 const std::shared_ptr<Message>& message) {
    if (!message || !screen.table()) {
        return;
    }
    for (const auto& visible : screen.table()->visibleCells()) {
        const auto cell = std::dynamic_pointer_cast<ZVMessageCell>(visible);
        const auto shown = cell ? cell->message() : nullptr;
        if (shown && shown->messageNr() == message->messageNr()) {
            cell->beginSelection();
            return;
        }
    }
}

// --- focusing ---

qreal ZVConversationMessageActions::focusDistance(const ZVConversationCells& cells,
                                                  const std::shared_ptr<Message>& message,
                                                  bool filePreviews) {
    const auto model = ZVRichMessageRepresentation::of(message);
    if (!model) {
        return 0;
    }
    const qreal width = cells.textWidth();
    model->formattedHeightForWidth(width);
    if (model->expandable() && !model->expanded()) {
        model->setExpanded(true);
    }
    model->highlightSearchMatches();
    const platform::AttributedString& text = model->attributedText();
    bool truncated = false;
    const qreal textHeight =
        ZVRichTextLayout::heightForText(text, QSizeF(width, kMeasureHeightLimit), &truncated);
    // Laid out as the row lays it out, to find where the highlight falls.
    auto scratch = std::make_shared<ZVRichText>();
    scratch->setFrame(QRectF(0, 0, width, textHeight));
    scratch->setAttributedText(text);
    scratch->layoutFrame();
    const QRectF highlight = scratch->highlightFrame();
    if (highlight.height() > 0) {
        return highlight.top() - kTextMatchDistance;
    }
    const auto files = model->files();
    if (!files) {
        return 0;
    }
    const int kind = filePreviews ? kPreviewFileKind : kPlainFileKind;
    qreal reached = textHeight;
    const File* previous = nullptr;
    for (const auto& file : *files) {
        if (!file->highlightedName().isEmpty()) {
            return reached - kFileMatchDistance;
        }
        reached += ZVFileView::spacingWithFile(file.get(), previous, kind) +
                   ZVFileView::heightForFile(file.get(), kind);
        previous = file.get();
    }
    return 0;
}

void ZVConversationMessageActions::focusMessage(ZVConversationViewController& screen,
                                                std::int64_t messageNr) {
    const auto conversation = screen.conversation();
    const auto& cells = screen.cells();
    if (!conversation || !cells) {
        return;
    }
    const auto message = conversation->loadMessage(messageNr);
    if (!message) {
        return;
    }
    const auto profile = messageActionsProfile(screen);
    const qreal distance =
        focusDistance(*cells, message, !profile || profile->filePreviewsEnabled());
    if (screen.viewHasAppeared()) {
        cells->reloadData();
    } else {
        screen.initViews();
    }
    cells->scrollToMessage(messageNr, false, -distance);
    cells->saveAnchorMessageNr(messageNr);
}
