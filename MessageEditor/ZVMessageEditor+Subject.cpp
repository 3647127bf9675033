#include "MessageEditor/ZVMessageEditor.h"

#include "MessageEditor/ZVAutoCompletePicker.h"
#include "ZelvoKit/model/Conversation.h"
#include "platform/foundation/Scheduler.h"
#include "platform/ui/controls/Label.h"
#include "toolkit/tables/ZVTextView.h"

using namespace Qt::Literals::StringLiterals;

// --- subject ---

QString ZVMessageEditor::subject() const {
    if (subjectField_) {
        const QString typed = subjectField_->text();
        return typed.isEmpty() ? kNoSubject : typed;
    }
    return subject_;
}

bool ZVMessageEditor::conversationHasUserDefinedSubject() const {
    const auto conversation = conversation_.lock();
    if (!conversation) {
        return false;
    }
    const QString current = conversation->subject();
    return !current.isEmpty() && current != kNoSubject;
}

void ZVMessageEditor::setSubjectVisible(bool visible) {
    if (visible == isSubjectVisible()) {
        return;
    }
    if (visible) {
        subjectLabel_ = makeLabel(kSubjectLabelText, kSubjectStyle);
        subjectField_ = View::make<platform::TextField>();
        subjectField_->setFont(subjectLabel_->font());
        subjectField_->setText(subject_);
        subjectField_->setPlaceholder(kNoSubject);
        subjectField_->setDelegate(std::shared_ptr<platform::TextFieldDelegate>(
            std::static_pointer_cast<ZVMessageEditor>(shared_from_this()), this));
        addSubview(subjectLabel_);
        addSubview(subjectField_);
    } else {
        subject_ = subjectField_->text();
        // Taken out of the view tree first: losing the focus there ends its editing.
        auto field = std::move(subjectField_);
        auto label = std::move(subjectLabel_);
        field->setDelegate({});
        field->removeFromSuperview();
        label->removeFromSuperview();
    }
    setNeedsLayout();
    setNeedsDisplay();
    updateHeight();
}

void ZVMessageEditor::hideSubject() {
    if (!composerHasFocus()) {
        setSubjectVisible(false);
    }
}

void ZVMessageEditor::scheduleHideSubject() {
    const std::weak_ptr<ZVMessageEditor> weak =
        std::static_pointer_cast<ZVMessageEditor>(shared_from_this());
    hideSubjectTimer_ = platform::Scheduler::main().after(kDeferDelay, [weak] {
        if (const auto editor = weak.lock()) {
            editor->hideSubject();
        }
    });
}

void ZVMessageEditor::updateSubject() {
    const auto conversation = conversation_.lock();
    if (!conversation) {
        return;
    }
    if (conversation->hasEmailSubject()) {
        if (subject_.isNull() || subject_ == originalSubject_) {
            const QString current = conversation->subject();
            subject_ = current.isNull() ? u""_s : current;
            originalSubject_ = subject_;
            if (subjectField_) {
                subjectField_->setText(subject_);
            }
        }
    } else {
        subject_ = QString();
    }
    if (editor_->isFirstResponder() || isSubjectVisible()) {
        setSubjectVisible(!subject_.isNull());
    }
}

void ZVMessageEditor::textFieldDidEndEditing(platform::TextField& /*field*/) {
    scheduleHideSubject();
    if (autoCompletePicker_->tableView()) {
        scheduleSuggestions();
    }
    updateSendButton();
}
