#include "toolkit/tables/ZVTextView.h"

#include "platform/ui/view/EditAction.h"
#include "toolkit/tables/ZVClipboardMessageProbe.h"
#include "toolkit/tables/ZVTextViewPasteboardDelegate.h"

namespace EditAction = platform::EditAction;

std::vector<platform::KeyCommand> ZVTextView::keyCommands() const {
    std::vector<platform::KeyCommand> commands = TextView::keyCommands();
    // The view may be gone by the time a command runs: each holds it weakly.
    std::weak_ptr<const View> weak = weak_from_this();
    const auto run = [weak](void (ZVTextView::*operation)()) {
        return [weak, operation] {
            if (const auto view = std::const_pointer_cast<View>(weak.lock())) {
                (static_cast<ZVTextView*>(view.get())->*operation)();
            }
        };
    };
    // Command+Return on the platform the design came from; Control here.
    commands.push_back({QStringLiteral("\r"), Qt::ControlModifier, run(&ZVTextView::controlEnter)});
    if (text().isEmpty()) {
        commands.push_back(
            {platform::KeyCommand::UpArrow, Qt::NoModifier, run(&ZVTextView::upArrow)});
    }
    return commands;
}

void ZVTextView::controlEnter() {
    if (const auto delegate = pasteboardDelegate()) {
        delegate->handleControlEnter(*this);
    }
}

void ZVTextView::upArrow() {
    if (const auto delegate = pasteboardDelegate()) {
        delegate->handleUpArrow(*this);
    }
}

bool ZVTextView::canPerformAction(const QString& action) const {
    if (action == EditAction::Define) {
        return false;
    }
    if (action == kQuoteAction) {
        const auto delegate = pasteboardDelegate();
        return delegate && delegate->quoteAvailable();
    }
    if (isEditable()) {
        if (action == EditAction::Paste && pasteboardDelegate() &&
            ZVClipboardMessageProbe::isInClipboard()) {
            return true;
        }
        return TextView::canPerformAction(action);
    }
    return action == EditAction::Copy || action == EditAction::SelectAll;
}

bool ZVTextView::performAction(const QString& action) {
    // A quote or copy may end the selection mode, which drops this view.
    const auto keep = shared_from_this();
    if (action == kQuoteAction) {
        if (!canPerformAction(action)) {
            return false;
        }
        quote();
        return true;
    }
    return TextView::performAction(action);
}

QString ZVTextView::actionText() const {
    return selectedRange().length > 0 ? selectedText() : text();
}

void ZVTextView::quote() {
    const auto keep = shared_from_this();
    if (const auto delegate = pasteboardDelegate()) {
        delegate->quoteText(actionText());
    }
}

void ZVTextView::copy() {
    const auto keep = shared_from_this();
    if (const auto delegate = pasteboardDelegate()) {
        delegate->copyText(actionText());
    } else {
        TextView::copy();
    }
    if (auto* observer = dynamic_cast<ZVTextViewCopyObserver*>(delegate().get())) {
        observer->textViewDidCopy(*this);
    }
}

void ZVTextView::paste() {
    if (const auto delegate = pasteboardDelegate()) {
        delegate->textViewDidPaste(*this);
    } else {
        TextView::paste();
    }
}

void ZVTextView::setContentSize(QSizeF size) {
    if (size == contentSize()) {
        TextView::setContentSize(size);
        return;
    }
    changeValueForKey(kContentSizeKey, [&] { TextView::setContentSize(size); });
}

void ZVTextView::touchesBegan(const platform::TouchSet& touches,
                              const platform::TouchEvent& event) {
    textWasSelected_ = selectedRange().length > 0;
    TextView::touchesBegan(touches, event);
}

void ZVTextView::touchesEnded(const platform::TouchSet& touches,
                              const platform::TouchEvent& event) {
    TextView::touchesEnded(touches, event);
    if (isEditable() || textWasSelected_) {
        return;
    }
    reselectTimer_ = platform::Scheduler::main().after(kReselectDelay, [this] { selectAll(); });
}
