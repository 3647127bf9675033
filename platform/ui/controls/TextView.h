#pragma once

#include "platform/ui/controls/KeyCommand.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/controls/TextEditor.h"
#include "platform/ui/scroll/ScrollView.h"
#include "platform/ui/standins/input/KeyboardTraits.h"
#include "platform/ui/text/TextFrame.h"

#include <QtGui/QColor>

#include <memory>
#include <vector>

namespace platform {

class TextView;

// Asked and told by a text view about its editing, beside its scrolling; every answer defaults
// to yes.
class TextViewDelegate : public ScrollViewDelegate {
public:
    virtual bool textViewShouldBeginEditing(TextView& /*view*/) { return true; }
    virtual void textViewDidBeginEditing(TextView& /*view*/) {}
    virtual bool textViewShouldEndEditing(TextView& /*view*/) { return true; }
    virtual void textViewDidEndEditing(TextView& /*view*/) {}
    // `range` (UTF-16 units, never splitting a character) would become `replacement`.
    virtual bool textViewShouldChangeText(TextView& /*view*/, TextRange /*range*/,
                                          const QString& /*replacement*/) {
        return true;
    }
    // After a change the user made (or replace()), not after setText().
    virtual void textViewDidChange(TextView& /*view*/) {}
    virtual void textViewDidChangeSelection(TextView& /*view*/) {}
};

// Scrolling text of many lines, editable or read-only, selectable or not. An editable text view
// edits while it is first responder, with the keyboard up; a read-only selectable one can still
// become first responder to select and copy. Hardware-key commands are asked for anew at every
// key press, so that subclasses can offer them by the text's state; edit actions go through the
// overridable copy(), cut(), paste(), select() and selectAll().
class TextView : public ScrollView, private TextEditorClient {
public:
    static constexpr qreal kDefaultFontSize = 12;
    // Room left and right of each line inside the text container.
    static constexpr qreal kLineFragmentPadding = 5;
    static constexpr EdgeInsets kDefaultTextContainerInset{8, 0, 8, 0};

    TextView();
    explicit TextView(const QRectF& frame);
    ~TextView() override;

    std::shared_ptr<TextViewDelegate> delegate() const { return delegate_.lock(); }
    // Also the scroll view's delegate.
    void setDelegate(std::weak_ptr<TextViewDelegate> delegate);

    QString text() const;
    // Neither asked for nor announced; the cursor goes to the end and the undo history is lost.
    void setText(const QString& text);
    // As setText, with the text's own fonts, colours and paragraph line heights; where it has
    // none the view's font and colour show. attributedText() is the text last set; once the user
    // edits, it is the plain text.
    void setAttributedText(const AttributedString& text);
    const AttributedString& attributedText() const { return attributedText_; }
    const FontDescription& font() const { return font_; }
    void setFont(const FontDescription& font);
    QColor textColor() const { return textColor_; }
    void setTextColor(const QColor& color);
    TextAlignment textAlignment() const { return alignment_; }
    void setTextAlignment(TextAlignment alignment);

    bool isEditable() const { return editable_; }
    void setEditable(bool editable);
    bool isSelectable() const { return selectable_; }
    void setSelectable(bool selectable);
    bool isEditing() const { return isFirstResponder() && editable_; }

    TextRange selectedRange() const { return editor_.selectedRange(); }
    void setSelectedRange(TextRange range);
    QString selectedText() const { return editor_.textInRange(editor_.selectedRange()); }
    // Replaces `range` as one step that can be undone; the delegate is told of the change but not
    // asked.
    void replace(TextRange range, const QString& text);
    const QString& markedText() const { return editor_.markedText(); }

    EdgeInsets textContainerInset() const { return inset_; }
    void setTextContainerInset(const EdgeInsets& inset);

    ReturnKeyType returnKeyType() const { return returnKeyType_; }
    void setReturnKeyType(ReturnKeyType type) { returnKeyType_ = type; }
    KeyboardType keyboardType() const { return keyboardType_; }
    void setKeyboardType(KeyboardType type) { keyboardType_ = type; }

    // None by default; built at each request.
    virtual std::vector<KeyCommand> keyCommands() const { return {}; }

    // --- edit actions ---
    bool canPerformAction(const QString& action) const override;
    bool performAction(const QString& action) override;
    virtual void copy();
    virtual void cut();
    virtual void paste();
    virtual void select();
    virtual void selectAll();

    // --- responder ---
    bool canBecomeFirstResponder() const override;
    bool canResignFirstResponder() const override;
    bool keyPressed(const KeyPress& key) override;
    bool textInput(const TextInput& input) override;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
    void touchesBegan(const TouchSet& touches, const TouchEvent& event) override;
    void touchesMoved(const TouchSet& touches, const TouchEvent& event) override;
    void touchesEnded(const TouchSet& touches, const TouchEvent& event) override;
    void touchesCancelled(const TouchSet& touches, const TouchEvent& event) override;

    void layoutSubviews() override;
    // The text's height at the given width, with the container's insets.
    QSizeF sizeThatFits(QSizeF size) const override;
    void drawRect(QPainter& painter, const QRectF& rect) override;

protected:
    void didBecomeFirstResponder() override;
    void didResignFirstResponder() override;

private:
    bool isEditorEditable() const override { return editable_ && isFirstResponder(); }
    bool editorShouldChange(TextRange range, const QString& replacement) override;
    void editorDidChange() override;
    void editorSelectionDidChange() override;
    bool editorReturnPressed() override { return false; }
    void editorPerformAction(const QString& action) override { performAction(action); }

    void applyFormat();
    // The text's width and the content size follow the bounds and the insets.
    void updateContentSize();
    QPointF textOrigin() const;
    void changed();

    TextEditor editor_;
    AttributedString attributedText_;
    std::weak_ptr<TextViewDelegate> delegate_;
    FontDescription font_;
    QColor textColor_ = Qt::black;
    TextAlignment alignment_ = TextAlignment::Natural;
    bool editable_ = true;
    bool selectable_ = true;
    EdgeInsets inset_ = kDefaultTextContainerInset;
    ReturnKeyType returnKeyType_ = ReturnKeyType::Default;
    KeyboardType keyboardType_ = KeyboardType::Default;
};

}  // namespace platform
