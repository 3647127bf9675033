#pragma once

#include "platform/foundation/AttributedString.h"
#include "platform/ui/controls/Button.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/controls/TextEditor.h"
#include "platform/ui/standins/input/KeyboardTraits.h"
#include "platform/ui/view/Control.h"

#include <memory>

namespace platform {

class TextField;

// Asked and told by a text field about its editing; every answer defaults to yes.
class TextFieldDelegate {
public:
    virtual ~TextFieldDelegate() = default;
    virtual bool textFieldShouldBeginEditing(TextField& /*field*/) { return true; }
    virtual void textFieldDidBeginEditing(TextField& /*field*/) {}
    virtual bool textFieldShouldEndEditing(TextField& /*field*/) { return true; }
    virtual void textFieldDidEndEditing(TextField& /*field*/) {}
    // `range` (UTF-16 units, never splitting a character) would become `replacement`.
    virtual bool textFieldShouldChangeCharacters(TextField& /*field*/, TextRange /*range*/,
                                                 const QString& /*replacement*/) {
        return true;
    }
    virtual bool textFieldShouldClear(TextField& /*field*/) { return true; }
    virtual bool textFieldShouldReturn(TextField& /*field*/) { return true; }
};

// When a text field shows its clear button; the numbers are the platform's.
enum class TextFieldViewMode { Never = 0, WhileEditing = 1, UnlessEditing = 2, Always = 3 };

// One line of editable text. It edits while it is first responder: a tap makes it so, and the
// keyboard comes up. Changes the user makes are put to the delegate first and then announced
// with editing-changed; text set in code is neither asked for nor announced. The return key asks
// the delegate and then sends editing-did-end-on-exit, which ends editing when a target listens.
class TextField : public Control, private TextEditorClient {
public:
    static constexpr qreal kDefaultFontSize = 17;
    static constexpr qreal kClearButtonSize = 19;
    // Between the text and the clear button, and around the button.
    static constexpr qreal kClearButtonMargin = 5;
    static const QColor kPlaceholderColor;

    TextField();
    explicit TextField(const QRectF& frame);
    ~TextField() override;

    QString text() const;
    void setText(const QString& text);
    QString placeholder() const { return placeholder_.string(); }
    void setPlaceholder(const QString& placeholder);
    // Drawn while the field is empty; where it has no font or colour it takes the field's font
    // and the placeholder grey.
    const AttributedString& attributedPlaceholder() const { return placeholder_; }
    void setAttributedPlaceholder(const AttributedString& placeholder);

    const FontDescription& font() const { return font_; }
    void setFont(const FontDescription& font);
    QColor textColor() const { return textColor_; }
    void setTextColor(const QColor& color);
    TextAlignment textAlignment() const { return alignment_; }
    void setTextAlignment(TextAlignment alignment);

    bool isSecureTextEntry() const { return secure_; }
    void setSecureTextEntry(bool secure);
    TextFieldViewMode clearButtonMode() const { return clearButtonMode_; }
    void setClearButtonMode(TextFieldViewMode mode);
    ReturnKeyType returnKeyType() const { return returnKeyType_; }
    void setReturnKeyType(ReturnKeyType type) { returnKeyType_ = type; }
    KeyboardType keyboardType() const { return keyboardType_; }
    void setKeyboardType(KeyboardType type) { keyboardType_ = type; }

    std::shared_ptr<TextFieldDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<TextFieldDelegate> delegate) { delegate_ = std::move(delegate); }

    bool isEditing() const { return editing_; }
    TextRange selectedRange() const { return editor_.selectedRange(); }
    void setSelectedRange(TextRange range);
    // The input method's composition, shown at the cursor while it lasts.
    const QString& markedText() const { return editor_.markedText(); }
    bool isClearButtonShown() const { return !clearButton_->isHidden(); }
    // The clear button, as it is tapped.
    const std::shared_ptr<Button>& clearButton() const { return clearButton_; }

    // Where the text (or the placeholder) is drawn: the bounds less the clear button's room.
    QRectF textRect() const;

    // --- responder ---
    bool canBecomeFirstResponder() const override;
    bool canResignFirstResponder() const override;
    bool keyPressed(const KeyPress& key) override;
    bool textInput(const TextInput& input) override;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
    bool canPerformAction(const QString& action) const override;
    bool performAction(const QString& action) override;

    void touchesEnded(const TouchSet& touches, const TouchEvent& event) override;
    void setEnabled(bool enabled) override;
    void layoutSubviews() override;
    // The height of a line of the font; the width asked for.
    QSizeF sizeThatFits(QSizeF size) const override;
    void drawRect(QPainter& painter, const QRectF& rect) override;

protected:
    void didBecomeFirstResponder() override;
    void didResignFirstResponder() override;

private:
    bool isEditorEditable() const override { return editing_ && isEnabled(); }
    bool isEditorSecure() const override { return secure_; }
    bool editorShouldChange(TextRange range, const QString& replacement) override;
    void editorDidChange() override;
    void editorSelectionDidChange() override;
    bool editorReturnPressed() override;
    void editorPerformAction(const QString& action) override;
    QString editorAdaptInsertion(const QString& text) const override;

    void clearTapped();
    void updateClearButton();
    // The text's top-left corner in bounds coordinates, scrolled so the cursor shows.
    QPointF textOrigin() const;
    void applyFormat();

    TextEditor editor_;
    AttributedString placeholder_;
    FontDescription font_;
    QColor textColor_ = Qt::black;
    TextAlignment alignment_ = TextAlignment::Natural;
    bool secure_ = false;
    TextFieldViewMode clearButtonMode_ = TextFieldViewMode::Never;
    ReturnKeyType returnKeyType_ = ReturnKeyType::Default;
    KeyboardType keyboardType_ = KeyboardType::Default;
    std::weak_ptr<TextFieldDelegate> delegate_;
    bool editing_ = false;
    std::shared_ptr<Button> clearButton_;
};

}  // namespace platform
