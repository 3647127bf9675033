#include "platform/ui/controls/TextView.h"

#include "platform/ui/controls/InputMethodTraits.h"
#include "platform/ui/standins/input/Keyboard.h"
#include "platform/ui/text/AttributedText.h"
#include "platform/ui/view/EditAction.h"
#include "platform/ui/view/Window.h"

#include <QtGui/QAbstractTextDocumentLayout>
#include <QtGui/QTextFrame>
#include <QtGui/QTextOption>

#include <cmath>
#include <memory>

namespace platform {

TextView::TextView() : TextView(QRectF()) {}

TextView::TextView(const QRectF& frame) : ScrollView(frame), editor_(*this) {
    font_.pointSize = kDefaultFontSize;
    QTextFrameFormat container = editor_.document().rootFrame()->frameFormat();
    container.setLeftMargin(kLineFragmentPadding);
    container.setRightMargin(kLineFragmentPadding);
    editor_.document().rootFrame()->setFrameFormat(container);
    applyFormat();
}

TextView::~TextView() = default;

void TextView::setDelegate(std::weak_ptr<TextViewDelegate> delegate) {
    ScrollView::setDelegate(delegate);
    delegate_ = std::move(delegate);
}

QString TextView::text() const {
    return editor_.text();
}

void TextView::setText(const QString& text) {
    editor_.setText(text);
    attributedText_ = AttributedString(text);
    changed();
}

void TextView::setAttributedText(const AttributedString& text) {
    editor_.setAttributedText(text);
    attributedText_ = text;
    changed();
}

void TextView::setFont(const FontDescription& font) {
    font_ = font;
    applyFormat();
}

void TextView::setTextColor(const QColor& color) {
    textColor_ = color;
    setNeedsDisplay();
}

void TextView::setTextAlignment(TextAlignment alignment) {
    alignment_ = alignment;
    applyFormat();
}

void TextView::applyFormat() {
    editor_.setFormat(font_, alignment_, QTextOption::WrapAtWordBoundaryOrAnywhere);
    changed();
}

void TextView::setEditable(bool editable) {
    editable_ = editable;
    if (!editable && !selectable_ && isFirstResponder()) {
        resignFirstResponder();
    }
    setNeedsDisplay();
}

void TextView::setSelectable(bool selectable) {
    selectable_ = selectable;
    if (!selectable) {
        editor_.setSelectedRange({editor_.selectedRange().end(), 0});
    }
    setNeedsDisplay();
}

void TextView::setSelectedRange(TextRange range) {
    editor_.setSelectedRange(range);
    setNeedsDisplay();
}

void TextView::replace(TextRange range, const QString& text) {
    editor_.replace(range, text);
    editorDidChange();
}

void TextView::setTextContainerInset(const EdgeInsets& inset) {
    inset_ = inset;
    changed();
}

void TextView::changed() {
    updateContentSize();
    setNeedsDisplay();
}

void TextView::updateContentSize() {
    QTextDocument& document = editor_.document();
    // Setting the width lays the whole text out again, even an unchanged width: only on a change.
    const qreal width = std::max<qreal>(0, bounds().width() - inset_.left - inset_.right);
    if (document.textWidth() != width) {
        document.setTextWidth(width);
    }
    const qreal height = document.documentLayout()->documentSize().height();
    setContentSize({bounds().width(), std::ceil(height + inset_.top + inset_.bottom)});
}

QPointF TextView::textOrigin() const {
    return {inset_.left, inset_.top};
}

void TextView::layoutSubviews() {
    ScrollView::layoutSubviews();
    if (!qFuzzyCompare(editor_.document().textWidth() + inset_.left + inset_.right + 1,
                       bounds().width() + 1)) {
        updateContentSize();
    }
}

QSizeF TextView::sizeThatFits(QSizeF size) const {
    // A copy keeps the text's own formats (fonts, line heights) that the height depends on.
    const std::unique_ptr<QTextDocument> measure(editor_.document().clone());
    measure->setDocumentMargin(0);
    measure->setDefaultFont(editor_.document().defaultFont());
    measure->setDefaultTextOption(editor_.document().defaultTextOption());
    measure->rootFrame()->setFrameFormat(editor_.document().rootFrame()->frameFormat());
    measure->setTextWidth(std::max<qreal>(0, size.width() - inset_.left - inset_.right));
    return {size.width(), std::ceil(measure->documentLayout()->documentSize().height() +
                                    inset_.top + inset_.bottom)};
}

void TextView::drawRect(QPainter& painter, const QRectF& rect) {
    editor_.draw(painter, textOrigin(), textColor_, isEditing(), rect);
}

// --- edit actions ---

bool TextView::canPerformAction(const QString& action) const {
    if (!selectable_ && !editable_) {
        return false;
    }
    return editor_.canPerformAction(action);
}

bool TextView::performAction(const QString& action) {
    if (!canPerformAction(action)) {
        return false;
    }
    if (action == EditAction::Copy) {
        copy();
    } else if (action == EditAction::Cut) {
        cut();
    } else if (action == EditAction::Paste) {
        paste();
    } else if (action == EditAction::Select) {
        select();
    } else if (action == EditAction::SelectAll) {
        selectAll();
    } else {
        return editor_.performAction(action);
    }
    return true;
}

void TextView::copy() {
    editor_.copy();
}

void TextView::cut() {
    editor_.cut();
}

void TextView::paste() {
    editor_.paste();
}

void TextView::select() {
    editor_.performAction(EditAction::Select);
    setNeedsDisplay();
}

void TextView::selectAll() {
    editor_.selectAll();
    editorSelectionDidChange();
}

// --- responder ---

bool TextView::canBecomeFirstResponder() const {
    if (editable_) {
        const auto delegate = delegate_.lock();
        return !delegate || delegate->textViewShouldBeginEditing(const_cast<TextView&>(*this));
    }
    return selectable_;
}

bool TextView::canResignFirstResponder() const {
    const auto delegate = delegate_.lock();
    return !editable_ || !delegate ||
           delegate->textViewShouldEndEditing(const_cast<TextView&>(*this));
}

void TextView::didBecomeFirstResponder() {
    setNeedsDisplay();
    if (!editable_) {
        return;
    }
    if (const auto delegate = delegate_.lock()) {
        delegate->textViewDidBeginEditing(*this);
    }
    if (const Window* window = this->window()) {
        Keyboard::shared()->inputDidBegin({window->bounds(), keyboardType_, returnKeyType_, false});
    }
}

void TextView::didResignFirstResponder() {
    editor_.setMarkedText({});
    setNeedsDisplay();
    if (!editable_) {
        return;
    }
    if (const auto delegate = delegate_.lock()) {
        delegate->textViewDidEndEditing(*this);
    }
    Keyboard::shared()->inputDidEnd();
}

bool TextView::keyPressed(const KeyPress& key) {
    for (const KeyCommand& command : keyCommands()) {
        if (command.matches(key)) {
            if (command.action) {
                command.action();
            }
            return true;
        }
    }
    if (isFirstResponder() && (editable_ || selectable_) && editor_.keyPressed(key)) {
        setNeedsDisplay();
        return true;
    }
    return ScrollView::keyPressed(key);
}

QVariant TextView::inputMethodQuery(Qt::InputMethodQuery query) const {
    switch (query) {
        case Qt::ImHints:
            return static_cast<int>(inputMethodHints(keyboardType_, false));
        case Qt::ImEnterKeyType:
            return static_cast<int>(enterKeyType(returnKeyType_));
        case Qt::ImReadOnly:
            return !isEditing();
        case Qt::ImCursorRectangle:
            return convertRectTo(editor_.cursorRect().translated(textOrigin()), nullptr);
        default:
            return editor_.inputMethodQuery(query);
    }
}

bool TextView::textInput(const TextInput& input) {
    if (!isEditing()) {
        return ScrollView::textInput(input);
    }
    editor_.textInput(input);
    setNeedsDisplay();
    return true;
}

// A text view keeps its touches: they place the cursor rather than travel to the superview.
void TextView::touchesBegan(const TouchSet& /*touches*/, const TouchEvent& /*event*/) {}

void TextView::touchesMoved(const TouchSet& /*touches*/, const TouchEvent& /*event*/) {}

void TextView::touchesCancelled(const TouchSet& /*touches*/, const TouchEvent& /*event*/) {}

void TextView::touchesEnded(const TouchSet& touches, const TouchEvent& /*event*/) {
    if (isDragging() || (!editable_ && !selectable_)) {
        return;
    }
    if (!isFirstResponder() && !becomeFirstResponder()) {
        return;
    }
    const QPointF at = touches.front()->locationInView(this) - textOrigin();
    editor_.setSelectedRange({editor_.positionAt(at), 0});
    editorSelectionDidChange();
}

// --- editor client ---

bool TextView::editorShouldChange(TextRange range, const QString& replacement) {
    const auto delegate = delegate_.lock();
    return !delegate || delegate->textViewShouldChangeText(*this, range, replacement);
}

void TextView::editorDidChange() {
    attributedText_ = AttributedString(text());
    changed();
    if (isEditing()) {
        scrollRectToVisible(editor_.cursorRect().translated(textOrigin()), false);
    }
    if (const auto delegate = delegate_.lock()) {
        delegate->textViewDidChange(*this);
    }
}

void TextView::editorSelectionDidChange() {
    setNeedsDisplay();
    if (const auto delegate = delegate_.lock()) {
        delegate->textViewDidChangeSelection(*this);
    }
}

}  // namespace platform
