#pragma once

#include "platform/foundation/AttributedString.h"
#include "platform/foundation/TextAttributes.h"
#include "platform/ui/controls/TextRange.h"
#include "platform/ui/view/Responder.h"

#include <QtGui/QColor>
#include <QtGui/QTextCursor>
#include <QtGui/QTextDocument>
#include <QtGui/QTextOption>

class QPainter;

namespace platform {

// What a text input decides while its editor works for it.
class TextEditorClient {
public:
    virtual ~TextEditorClient() = default;
    virtual bool isEditorEditable() const = 0;
    // Asked before every change the user makes; `range` never splits a character.
    virtual bool editorShouldChange(TextRange range, const QString& replacement) = 0;
    virtual void editorDidChange() = 0;
    virtual void editorSelectionDidChange() = 0;
    // The return key: true when the client took it; otherwise a line break is typed.
    virtual bool editorReturnPressed() = 0;
    // Secure text is never copied out.
    virtual bool isEditorSecure() const { return false; }
    // Edit actions from keyboard shortcuts go through the client, which may handle them its own
    // way; TextEditor::performAction is the plain handling.
    virtual void editorPerformAction(const QString& action) = 0;
    // The text that typing or pasting `text` puts in (a one-line field joins lines).
    virtual QString editorAdaptInsertion(const QString& text) const { return text; }
};

// The editing engine of the text field and the text view: the text in a QTextDocument, changed
// through QTextCursor (one undo stack), with ranges in UTF-16 units. It turns the user's keys,
// input-method text and edit actions into changes that its client approves first, and keeps the
// input method's composition (preedit) shown at the cursor without making it part of the text.
class TextEditor {
public:
    explicit TextEditor(TextEditorClient& client);
    TextEditor(const TextEditor&) = delete;
    TextEditor& operator=(const TextEditor&) = delete;

    QTextDocument& document() { return document_; }
    // The look of the whole text: the font, the lines' alignment and where lines may break.
    void setFormat(const FontDescription& font, ParagraphStyle::Alignment alignment,
                   QTextOption::WrapMode wrap);
    const QTextDocument& document() const { return document_; }

    // The text with paragraph ends as "\n"; other characters exactly as typed.
    QString text() const;
    int length() const;
    // Replaces everything without asking the client; forgets the undo history.
    void setText(const QString& text);
    // The same, keeping each run's font, colour, underline and strike and each paragraph's line
    // height multiple and spacing; where the text has no font of its own the default font holds.
    void setAttributedText(const AttributedString& text);
    QString textInRange(TextRange range) const;

    TextRange selectedRange() const;
    // Clipped to the text and widened so that no character is split.
    void setSelectedRange(TextRange range);
    void selectAll();

    // Replaces `range` with `text` as one step that can be undone, without asking the client; the
    // cursor ends after the new text.
    void replace(TextRange range, const QString& text);

    // --- what the user does; each asks the client first and answers whether the text changed ---
    bool insertText(const QString& text);
    bool deleteBackward();
    bool deleteForward();
    // Keys the editor knows (typing, deleting, moving, return, undo, clipboard); false for others.
    bool keyPressed(const KeyPress& key);
    bool textInput(const TextInput& input);

    // --- edit actions ---
    bool canPerformAction(const QString& action) const;
    // False when the action is not one the editor knows or cannot be performed now.
    bool performAction(const QString& action);
    void copy();
    void cut();
    void paste();

    bool canUndo() const { return document_.isUndoAvailable(); }
    bool canRedo() const { return document_.isRedoAvailable(); }
    void undo();
    void redo();

    // --- display, in the document's coordinates ---
    // Draws the text with the selection and, when `showCursor`, the cursor.
    // `clip` (in the painter's coordinates; empty: everything) limits the lines drawn, so that a
    // long text costs only what shows.
    void draw(QPainter& painter, QPointF origin, const QColor& textColor, bool showCursor,
              const QRectF& clip = QRectF()) const;
    // The position nearest to `point`.
    int positionAt(QPointF point) const;
    // Where the cursor is drawn.
    QRectF cursorRect() const;
    // The input method's questions about the text: the paragraph around the cursor, the cursor
    // and anchor in it, the selection. Invalid for others.
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const;

    // The input method's composition, shown at the cursor; empty when there is none.
    const QString& markedText() const { return marked_; }
    void setMarkedText(const QString& text);

private:
    // `position` moved to the nearest character boundary in `direction` (-1 back, +1 forward).
    int snapped(int position, int direction) const;
    bool change(TextRange range, const QString& text);
    bool moveCursor(QTextCursor::MoveOperation operation, bool extend);

    TextEditorClient& client_;
    QTextDocument document_;
    QTextCursor cursor_;
    QString marked_;
};

}  // namespace platform
