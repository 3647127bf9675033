#include "platform/ui/controls/TextField.h"

#include "platform/ui/controls/ColorValue.h"
#include "platform/ui/controls/InputMethodTraits.h"
#include "platform/ui/standins/input/Keyboard.h"
#include "platform/ui/text/AttributedText.h"
#include "platform/ui/view/Window.h"

#include <QtCore/QTextBoundaryFinder>
#include <QtGui/QAbstractTextDocumentLayout>
#include <QtGui/QFontMetricsF>
#include <QtGui/QPainter>
#include <QtGui/QTextLayout>
#include <QtGui/QTextOption>

namespace platform {

namespace {

const QChar kBullet(0x2022);
const QColor kClearButtonColor(0xb0, 0xb0, 0xb0);
constexpr qreal kClearCrossInset = 0.32;

int graphemeCount(const QString& text) {
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    int count = 0;
    while (finder.toNextBoundary() > 0) {
        ++count;
    }
    return count;
}

// A grey disc with a white cross, at scale 2.
QImage clearButtonImage() {
    constexpr qreal kScale = 2;
    const int side = static_cast<int>(TextField::kClearButtonSize * kScale);
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(kClearButtonColor);
    painter.drawEllipse(QRectF(0, 0, side, side));
    painter.setPen(QPen(Qt::white, kScale * 1.5, Qt::SolidLine, Qt::RoundCap));
    const qreal a = side * kClearCrossInset;
    const qreal b = side - a;
    painter.drawLine(QPointF(a, a), QPointF(b, b));
    painter.drawLine(QPointF(a, b), QPointF(b, a));
    painter.end();
    image.setDevicePixelRatio(kScale);
    return image;
}

}  // namespace

const QColor TextField::kPlaceholderColor(0xb3, 0xb3, 0xb3);

TextField::TextField() : TextField(QRectF()) {}

TextField::TextField(const QRectF& frame)
    : Control(frame), editor_(*this), clearButton_(Button::make(Button::Type::Custom)) {
    font_.pointSize = kDefaultFontSize;
    clearButton_->setImage(clearButtonImage(), Button::Normal);
    clearButton_->setHidden(true);
    clearButton_->addTarget(TouchUpInside, [this](Control&) { clearTapped(); });
    addSubview(clearButton_);
    applyFormat();
}

TextField::~TextField() = default;

QString TextField::text() const {
    return editor_.text();
}

void TextField::setText(const QString& text) {
    editor_.setText(editorAdaptInsertion(text));
    updateClearButton();
    setNeedsDisplay();
}

void TextField::setPlaceholder(const QString& placeholder) {
    placeholder_ = AttributedString(placeholder);
    setNeedsDisplay();
}

void TextField::setAttributedPlaceholder(const AttributedString& placeholder) {
    placeholder_ = placeholder;
    setNeedsDisplay();
}

void TextField::setFont(const FontDescription& font) {
    font_ = font;
    applyFormat();
}

void TextField::setTextColor(const QColor& color) {
    textColor_ = color;
    setNeedsDisplay();
}

void TextField::setTextAlignment(TextAlignment alignment) {
    alignment_ = alignment;
    applyFormat();
}

void TextField::applyFormat() {
    editor_.setFormat(font_, alignment_, QTextOption::NoWrap);
    setNeedsDisplay();
}

void TextField::setSecureTextEntry(bool secure) {
    secure_ = secure;
    setNeedsDisplay();
}

void TextField::setClearButtonMode(TextFieldViewMode mode) {
    clearButtonMode_ = mode;
    updateClearButton();
}

void TextField::setSelectedRange(TextRange range) {
    editor_.setSelectedRange(range);
    setNeedsDisplay();
}

void TextField::setEnabled(bool enabled) {
    Control::setEnabled(enabled);
    if (!enabled && isFirstResponder()) {
        resignFirstResponder();
    }
}

void TextField::updateClearButton() {
    bool shown = false;
    if (editor_.length() > 0) {
        switch (clearButtonMode_) {
            case TextFieldViewMode::Never:
                break;
            case TextFieldViewMode::WhileEditing:
                shown = editing_;
                break;
            case TextFieldViewMode::UnlessEditing:
                shown = !editing_;
                break;
            case TextFieldViewMode::Always:
                shown = true;
                break;
        }
    }
    if (shown == clearButton_->isHidden()) {
        clearButton_->setHidden(!shown);
        setNeedsLayout();
        setNeedsDisplay();
    }
}

void TextField::clearTapped() {
    const auto delegate = delegate_.lock();
    if (delegate && !delegate->textFieldShouldClear(*this)) {
        return;
    }
    editor_.replace({0, editor_.length()}, {});
    updateClearButton();
    setNeedsDisplay();
    sendActionsForEvents(EditingChanged);
}

QRectF TextField::textRect() const {
    QRectF rect = bounds();
    if (!clearButton_->isHidden()) {
        rect.setRight(rect.right() - kClearButtonSize - 2 * kClearButtonMargin);
    }
    return rect;
}

void TextField::layoutSubviews() {
    const QRectF box = bounds();
    clearButton_->setFrame({box.right() - kClearButtonMargin - kClearButtonSize,
                            box.center().y() - kClearButtonSize / 2, kClearButtonSize,
                            kClearButtonSize});
    editor_.document().setTextWidth(textRect().width());
}

QSizeF TextField::sizeThatFits(QSizeF size) const {
    return {size.width(), std::ceil(QFontMetricsF(resolveFont(font_)).height())};
}

QPointF TextField::textOrigin() const {
    const QRectF rect = textRect();
    const qreal height = editor_.document().documentLayout()->documentSize().height();
    qreal scroll = 0;
    if (editing_ && !secure_) {
        // Scrolled along the line just far enough to show the cursor.
        const qreal cursor = editor_.cursorRect().right();
        scroll = std::max<qreal>(0, cursor - rect.width());
    }
    return {rect.left() - scroll, rect.top() + (rect.height() - height) / 2};
}

void TextField::drawRect(QPainter& painter, const QRectF& /*rect*/) {
    const QRectF rect = textRect();
    painter.save();
    painter.setClipRect(rect);
    if (editor_.length() == 0 && editor_.markedText().isEmpty()) {
        if (!placeholder_.isEmpty()) {
            AttributedString look = placeholder_;
            look.addAttributeIfMissing(TextAttribute::Font, QVariant::fromValue(font_), 0,
                                       look.length());
            look.addAttributeIfMissing(TextAttribute::ForegroundColor,
                                       QVariant::fromValue(colorValue(kPlaceholderColor)), 0,
                                       look.length());
            const TextFrame frame(resolveAttributedText(look), {rect.width(), rect.height()});
            frame.draw(painter, {rect.left(), rect.center().y() - frame.usedSize().height() / 2});
        }
        if (editing_) {
            const QRectF cursor = editor_.cursorRect().translated(textOrigin());
            painter.fillRect(cursor, textColor_);
        }
    } else if (secure_) {
        QTextLayout bullets(QString(graphemeCount(text()), kBullet),
                            editor_.document().defaultFont());
        bullets.beginLayout();
        QTextLine line = bullets.createLine();
        bullets.endLayout();
        const QPointF origin(rect.left(), rect.center().y() - line.height() / 2);
        painter.setPen(textColor_);
        bullets.draw(&painter, origin);
        if (editing_) {
            painter.fillRect(
                QRectF(origin + QPointF(line.naturalTextWidth(), 0), QSizeF(1, line.height())),
                textColor_);
        }
    } else {
        editor_.draw(painter, textOrigin(), textColor_, editing_);
    }
    painter.restore();
}

// --- responder ---

bool TextField::canBecomeFirstResponder() const {
    if (!isEnabled()) {
        return false;
    }
    const auto delegate = delegate_.lock();
    return !delegate || delegate->textFieldShouldBeginEditing(const_cast<TextField&>(*this));
}

bool TextField::canResignFirstResponder() const {
    const auto delegate = delegate_.lock();
    return !delegate || delegate->textFieldShouldEndEditing(const_cast<TextField&>(*this));
}

void TextField::didBecomeFirstResponder() {
    editing_ = true;
    updateClearButton();
    setNeedsDisplay();
    if (const auto delegate = delegate_.lock()) {
        delegate->textFieldDidBeginEditing(*this);
    }
    sendActionsForEvents(EditingDidBegin);
    if (const Window* window = this->window()) {
        Keyboard::shared()->inputDidBegin(
            {window->bounds(), keyboardType_, returnKeyType_, secure_});
    }
}

void TextField::didResignFirstResponder() {
    editing_ = false;
    editor_.setMarkedText({});
    updateClearButton();
    setNeedsDisplay();
    if (const auto delegate = delegate_.lock()) {
        delegate->textFieldDidEndEditing(*this);
    }
    sendActionsForEvents(EditingDidEnd);
    Keyboard::shared()->inputDidEnd();
}

bool TextField::keyPressed(const KeyPress& key) {
    if (editing_ && editor_.keyPressed(key)) {
        setNeedsDisplay();
        return true;
    }
    return Control::keyPressed(key);
}

QVariant TextField::inputMethodQuery(Qt::InputMethodQuery query) const {
    switch (query) {
        case Qt::ImHints:
            return static_cast<int>(inputMethodHints(keyboardType_, secure_));
        case Qt::ImEnterKeyType:
            return static_cast<int>(enterKeyType(returnKeyType_));
        case Qt::ImReadOnly:
            return !editing_;
        case Qt::ImCursorRectangle:
            return convertRectTo(editor_.cursorRect().translated(textOrigin()), nullptr);
        default:
            return editor_.inputMethodQuery(query);
    }
}

bool TextField::textInput(const TextInput& input) {
    if (!editing_) {
        return Control::textInput(input);
    }
    editor_.textInput(input);
    setNeedsDisplay();
    return true;
}

bool TextField::canPerformAction(const QString& action) const {
    return editing_ && editor_.canPerformAction(action);
}

bool TextField::performAction(const QString& action) {
    if (!editing_ || !editor_.performAction(action)) {
        return false;
    }
    setNeedsDisplay();
    return true;
}

void TextField::touchesEnded(const TouchSet& touches, const TouchEvent& event) {
    const bool tapped = isTracking() && isEnabled();
    Control::touchesEnded(touches, event);
    if (!tapped || !isTouchInside()) {
        return;
    }
    if (!editing_ && !becomeFirstResponder()) {
        return;
    }
    if (!secure_) {
        const QPointF at = touches.front()->locationInView(this) - textOrigin();
        editor_.setSelectedRange({editor_.positionAt(at), 0});
    }
    setNeedsDisplay();
}

// --- editor client ---

bool TextField::editorShouldChange(TextRange range, const QString& replacement) {
    const auto delegate = delegate_.lock();
    return !delegate || delegate->textFieldShouldChangeCharacters(*this, range, replacement);
}

void TextField::editorDidChange() {
    updateClearButton();
    setNeedsDisplay();
    sendActionsForEvents(EditingChanged);
}

void TextField::editorSelectionDidChange() {
    setNeedsDisplay();
}

bool TextField::editorReturnPressed() {
    const auto keep = shared_from_this();
    const auto delegate = delegate_.lock();
    if (delegate && !delegate->textFieldShouldReturn(*this)) {
        return true;
    }
    if (hasTargetsFor(EditingDidEndOnExit)) {
        sendActionsForEvents(EditingDidEndOnExit);
        resignFirstResponder();
    }
    return true;
}

void TextField::editorPerformAction(const QString& action) {
    performAction(action);
}

QString TextField::editorAdaptInsertion(const QString& text) const {
    // One line: breaks typed or pasted in become spaces.
    QString line = text;
    for (QChar& c : line) {
        if (c == u'\n' || c == u'\r' || c == QChar::ParagraphSeparator ||
            c == QChar::LineSeparator) {
            c = u' ';
        }
    }
    return line;
}

}  // namespace platform
