#include "platform/ui/controls/TextEditor.h"

#include "platform/ui/standins/input/Pasteboard.h"
#include "platform/ui/text/AttributedText.h"
#include "platform/ui/view/EditAction.h"

#include <QtCore/QTextBoundaryFinder>
#include <QtGui/QAbstractTextDocumentLayout>
#include <QtGui/QFontMetricsF>
#include <QtGui/QPainter>
#include <QtGui/QPalette>
#include <QtGui/QTextBlock>
#include <QtGui/QTextLayout>

namespace platform {

namespace {

const QColor kSelectionColor(0x20, 0x70, 0xe0, 0x50);

// Keys with Control held are commands, never text.
bool isCommand(const KeyPress& key) {
    return (key.modifiers & (Qt::ControlModifier | Qt::MetaModifier)) != 0;
}

bool isTypedText(const QString& text) {
    return !text.isEmpty() && std::none_of(text.begin(), text.end(), [](QChar c) {
        return c.category() == QChar::Other_Control;
    });
}

}  // namespace

TextEditor::TextEditor(TextEditorClient& client) : client_(client), cursor_(&document_) {
    document_.setDocumentMargin(0);
}

void TextEditor::setFormat(const FontDescription& font, ParagraphStyle::Alignment alignment,
                           QTextOption::WrapMode wrap) {
    document_.setDefaultFont(resolveFont(font));
    QTextOption option;
    option.setWrapMode(wrap);
    switch (alignment) {
        case ParagraphStyle::Alignment::Center:
            option.setAlignment(Qt::AlignHCenter);
            break;
        case ParagraphStyle::Alignment::Right:
            option.setAlignment(Qt::AlignRight);
            break;
        case ParagraphStyle::Alignment::Justified:
            option.setAlignment(Qt::AlignJustify);
            break;
        case ParagraphStyle::Alignment::Left:
        case ParagraphStyle::Alignment::Natural:
            option.setAlignment(Qt::AlignLeft);
            break;
    }
    document_.setDefaultTextOption(option);
}

QString TextEditor::text() const {
    QString raw = document_.toRawText();
    raw.replace(QChar::ParagraphSeparator, u'\n');
    return raw;
}

int TextEditor::length() const {
    // The document counts one separator after its last paragraph that is not text.
    return document_.characterCount() - 1;
}

void TextEditor::setText(const QString& text) {
    setMarkedText({});
    // Without undo, so that the history starts with this text.
    document_.setUndoRedoEnabled(false);
    QTextCursor all(&document_);
    all.select(QTextCursor::Document);
    all.insertText(text);
    document_.setUndoRedoEnabled(true);
    cursor_ = QTextCursor(&document_);
    cursor_.movePosition(QTextCursor::End);
}

void TextEditor::setAttributedText(const AttributedString& text) {
    setMarkedText({});
    document_.setUndoRedoEnabled(false);
    QTextCursor all(&document_);
    all.select(QTextCursor::Document);
    all.removeSelectedText();
    all.setBlockFormat(QTextBlockFormat());
    all.setCharFormat(QTextCharFormat());
    const QString& string = text.string();
    for (const AttributedString::Run& run : text.runs()) {
        QTextCharFormat format;
        const TextAttributes& attributes = run.attributes;
        const QVariant font = attributes.value(TextAttribute::Font);
        if (font.canConvert<FontDescription>()) {
            format.setFont(resolveFont(font.value<FontDescription>()));
        }
        const QVariant colour = attributes.value(TextAttribute::ForegroundColor);
        if (colour.canConvert<Color>()) {
            format.setForeground(resolveColor(colour.value<Color>()));
        }
        format.setFontUnderline(attributes.value(TextAttribute::UnderlineStyle).toInt() != 0);
        format.setFontStrikeOut(attributes.value(TextAttribute::StrikethroughStyle).toInt() != 0);
        QTextBlockFormat block;
        const QVariant paragraph = attributes.value(TextAttribute::ParagraphStyle);
        if (paragraph.canConvert<ParagraphStyle>()) {
            const auto style = paragraph.value<ParagraphStyle>();
            if (style.lineHeightMultiple > 0) {
                constexpr double kPercent = 100;
                block.setLineHeight(style.lineHeightMultiple * kPercent,
                                    QTextBlockFormat::ProportionalHeight);
            }
            block.setBottomMargin(style.paragraphSpacing);
            block.setTopMargin(style.paragraphSpacingBefore);
        }
        // A paragraph takes the style of the run that starts it.
        QString part = string.mid(run.location, run.length);
        qsizetype from = 0;
        if (run.location == 0 || string.at(run.location - 1) == u'\n') {
            all.setBlockFormat(block);
        }
        for (qsizetype at = part.indexOf(u'\n'); at >= 0; at = part.indexOf(u'\n', from)) {
            all.insertText(part.mid(from, at - from), format);
            all.insertBlock(block, format);
            from = at + 1;
        }
        all.insertText(part.mid(from), format);
    }
    document_.setUndoRedoEnabled(true);
    cursor_ = QTextCursor(&document_);
    cursor_.movePosition(QTextCursor::End);
}

QString TextEditor::textInRange(TextRange range) const {
    return text().mid(range.location, range.length);
}

int TextEditor::snapped(int position, int direction) const {
    position = std::clamp(position, 0, length());
    // A character never spans a paragraph break: only the paragraph is looked at, so that a key
    // in a long text costs what its paragraph costs.
    const QTextBlock block = document_.findBlock(position);
    if (!block.isValid()) {
        return position;
    }
    const QString paragraph = block.text();
    const int inBlock = position - block.position();
    if (inBlock <= 0 || inBlock >= paragraph.size()) {
        return position;
    }
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, paragraph);
    finder.setPosition(inBlock);
    if (finder.isAtBoundary()) {
        return position;
    }
    const qsizetype moved = direction < 0 ? finder.toPreviousBoundary() : finder.toNextBoundary();
    return moved < 0 ? position : block.position() + static_cast<int>(moved);
}

TextRange TextEditor::selectedRange() const {
    return {cursor_.selectionStart(), cursor_.selectionEnd() - cursor_.selectionStart()};
}

void TextEditor::setSelectedRange(TextRange range) {
    const int start = snapped(range.location, -1);
    const int end = snapped(std::max(range.location, range.end()), +1);
    cursor_.setPosition(start);
    cursor_.setPosition(std::max(start, end), QTextCursor::KeepAnchor);
    setMarkedText(marked_);
}

void TextEditor::selectAll() {
    cursor_.select(QTextCursor::Document);
}

void TextEditor::replace(TextRange range, const QString& text) {
    const int start = snapped(range.location, -1);
    const int end = snapped(std::max(range.location, range.end()), +1);
    cursor_.setPosition(start);
    cursor_.setPosition(std::max(start, end), QTextCursor::KeepAnchor);
    if (text.isEmpty()) {
        cursor_.removeSelectedText();
    } else {
        cursor_.insertText(text);
    }
    setMarkedText(marked_);
}

bool TextEditor::change(TextRange range, const QString& typed) {
    if (!client_.isEditorEditable()) {
        return false;
    }
    const QString text = client_.editorAdaptInsertion(typed);
    const int start = snapped(range.location, -1);
    const TextRange whole{start, snapped(std::max(range.location, range.end()), +1) - start};
    if (whole.length == 0 && text.isEmpty()) {
        return false;
    }
    if (!client_.editorShouldChange(whole, text)) {
        return false;
    }
    replace(whole, text);
    client_.editorDidChange();
    return true;
}

bool TextEditor::insertText(const QString& text) {
    return change(selectedRange(), text);
}

bool TextEditor::deleteBackward() {
    const TextRange selection = selectedRange();
    if (selection.length > 0) {
        return change(selection, {});
    }
    if (selection.location == 0) {
        return false;
    }
    const int previous = snapped(selection.location - 1, -1);
    return change({previous, selection.location - previous}, {});
}

bool TextEditor::deleteForward() {
    const TextRange selection = selectedRange();
    if (selection.length > 0) {
        return change(selection, {});
    }
    if (selection.location >= length()) {
        return false;
    }
    const int next = snapped(selection.location + 1, +1);
    return change({selection.location, next - selection.location}, {});
}

bool TextEditor::moveCursor(QTextCursor::MoveOperation operation, bool extend) {
    cursor_.movePosition(operation, extend ? QTextCursor::KeepAnchor : QTextCursor::MoveAnchor);
    setMarkedText(marked_);
    client_.editorSelectionDidChange();
    return true;
}

bool TextEditor::keyPressed(const KeyPress& key) {
    const bool shift = (key.modifiers & Qt::ShiftModifier) != 0;
    const bool command = isCommand(key);
    switch (key.key) {
        case Qt::Key_Backspace:
            deleteBackward();
            return true;
        case Qt::Key_Delete:
            deleteForward();
            return true;
        case Qt::Key_Left:
            return moveCursor(command ? QTextCursor::StartOfLine : QTextCursor::Left, shift);
        case Qt::Key_Right:
            return moveCursor(command ? QTextCursor::EndOfLine : QTextCursor::Right, shift);
        case Qt::Key_Up:
            return moveCursor(command ? QTextCursor::Start : QTextCursor::Up, shift);
        case Qt::Key_Down:
            return moveCursor(command ? QTextCursor::End : QTextCursor::Down, shift);
        case Qt::Key_Home:
            return moveCursor(QTextCursor::StartOfLine, shift);
        case Qt::Key_End:
            return moveCursor(QTextCursor::EndOfLine, shift);
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (!client_.editorReturnPressed()) {
                insertText(QStringLiteral("\n"));
            }
            return true;
        default:
            break;
    }
    if (command) {
        switch (key.key) {
            case Qt::Key_A:
                client_.editorPerformAction(EditAction::SelectAll);
                return true;
            case Qt::Key_C:
                client_.editorPerformAction(EditAction::Copy);
                return true;
            case Qt::Key_X:
                client_.editorPerformAction(EditAction::Cut);
                return true;
            case Qt::Key_V:
                client_.editorPerformAction(EditAction::Paste);
                return true;
            case Qt::Key_Z:
                shift ? redo() : undo();
                return true;
            case Qt::Key_Y:
                redo();
                return true;
            default:
                return false;
        }
    }
    if (isTypedText(key.text)) {
        insertText(key.text);
        return true;
    }
    return false;
}

bool TextEditor::textInput(const TextInput& input) {
    if (!input.commit.isEmpty() || input.replacementLength > 0) {
        const int cursor = cursor_.position();
        const TextRange range =
            input.replacementLength > 0
                ? TextRange{cursor + input.replacementStart, input.replacementLength}
                : selectedRange();
        change(range, input.commit);
    }
    setMarkedText(input.preedit);
    return true;
}

bool TextEditor::canPerformAction(const QString& action) const {
    const TextRange selection = selectedRange();
    const bool editable = client_.isEditorEditable();
    const bool secure = client_.isEditorSecure();
    if (action == EditAction::Copy) {
        return selection.length > 0 && !secure;
    }
    if (action == EditAction::Cut) {
        return selection.length > 0 && !secure && editable;
    }
    if (action == EditAction::Delete) {
        return selection.length > 0 && editable;
    }
    if (action == EditAction::Paste) {
        return editable && !Pasteboard::general()->string().isNull();
    }
    if (action == EditAction::Select) {
        return selection.length == 0 && length() > 0 && !secure;
    }
    if (action == EditAction::SelectAll) {
        return length() > 0 && selection.length < length();
    }
    return false;
}

bool TextEditor::performAction(const QString& action) {
    if (!canPerformAction(action)) {
        return false;
    }
    if (action == EditAction::Copy) {
        copy();
    } else if (action == EditAction::Cut) {
        cut();
    } else if (action == EditAction::Paste) {
        paste();
    } else if (action == EditAction::Delete) {
        change(selectedRange(), {});
    } else if (action == EditAction::Select) {
        cursor_.select(QTextCursor::WordUnderCursor);
        client_.editorSelectionDidChange();
    } else if (action == EditAction::SelectAll) {
        selectAll();
        client_.editorSelectionDidChange();
    }
    return true;
}

void TextEditor::copy() {
    const TextRange selection = selectedRange();
    if (selection.length > 0 && !client_.isEditorSecure()) {
        Pasteboard::general()->setString(textInRange(selection));
    }
}

void TextEditor::cut() {
    const TextRange selection = selectedRange();
    if (selection.length == 0 || client_.isEditorSecure()) {
        return;
    }
    const QString taken = textInRange(selection);
    if (change(selection, {})) {
        Pasteboard::general()->setString(taken);
    }
}

void TextEditor::paste() {
    const QString pasted = Pasteboard::general()->string();
    if (!pasted.isNull()) {
        change(selectedRange(), pasted);
    }
}

void TextEditor::undo() {
    if (client_.isEditorEditable() && canUndo()) {
        document_.undo(&cursor_);
        client_.editorDidChange();
    }
}

void TextEditor::redo() {
    if (client_.isEditorEditable() && canRedo()) {
        document_.redo(&cursor_);
        client_.editorDidChange();
    }
}

void TextEditor::draw(QPainter& painter, QPointF origin, const QColor& textColor, bool showCursor,
                      const QRectF& clip) const {
    QAbstractTextDocumentLayout::PaintContext context;
    if (!clip.isEmpty()) {
        context.clip = clip.translated(-origin);
    }
    context.palette.setColor(QPalette::Text, textColor);
    context.cursorPosition = showCursor ? cursor_.position() : -1;
    if (cursor_.hasSelection()) {
        QAbstractTextDocumentLayout::Selection selection;
        selection.cursor = cursor_;
        selection.format.setBackground(kSelectionColor);
        context.selections.append(selection);
    }
    painter.save();
    painter.translate(origin);
    document_.documentLayout()->draw(&painter, context);
    painter.restore();
}

int TextEditor::positionAt(QPointF point) const {
    const int position = document_.documentLayout()->hitTest(point, Qt::FuzzyHit);
    return position < 0 ? length() : position;
}

QRectF TextEditor::cursorRect() const {
    const QTextBlock block = cursor_.block();
    const QTextLayout* layout = block.layout();
    const QPointF blockOrigin = document_.documentLayout()->blockBoundingRect(block).topLeft();
    const int inBlock = cursor_.position() - block.position();
    const QTextLine line = layout->lineForTextPosition(inBlock);
    if (!line.isValid()) {
        return {blockOrigin, QSizeF(1, QFontMetricsF(document_.defaultFont()).height())};
    }
    return {blockOrigin + QPointF(line.cursorToX(inBlock), line.y()), QSizeF(1, line.height())};
}

QVariant TextEditor::inputMethodQuery(Qt::InputMethodQuery query) const {
    const QTextBlock block = cursor_.block();
    switch (query) {
        case Qt::ImSurroundingText:
            // Secure text is not handed out, not even to the input method.
            return client_.isEditorSecure() ? QString() : block.text();
        case Qt::ImCursorPosition:
            return cursor_.position() - block.position();
        case Qt::ImAnchorPosition:
            return std::clamp(cursor_.anchor() - block.position(), 0, block.length() - 1);
        case Qt::ImCurrentSelection:
            return client_.isEditorSecure() ? QString() : cursor_.selectedText();
        case Qt::ImFont:
            return document_.defaultFont();
        default:
            return {};
    }
}

void TextEditor::setMarkedText(const QString& text) {
    // Composition is shown by the paragraph's layout at the cursor, outside the document's text.
    for (QTextBlock block = document_.begin(); block.isValid(); block = block.next()) {
        if (!block.layout()->preeditAreaText().isEmpty()) {
            block.layout()->setPreeditArea(-1, {});
            document_.markContentsDirty(block.position(), block.length());
        }
    }
    marked_ = text;
    if (!text.isEmpty()) {
        const QTextBlock block = cursor_.block();
        block.layout()->setPreeditArea(cursor_.position() - block.position(), text);
        document_.markContentsDirty(block.position(), block.length());
    }
}

}  // namespace platform
