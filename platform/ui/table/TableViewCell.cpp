#include "platform/ui/table/TableViewCell.h"

#include "platform/ui/animation/ViewAnimation.h"
#include "platform/ui/table/TableView.h"
#include "platform/ui/view/Control.h"

#include <QtGui/QPainter>
#include <QtGui/QPainterPath>

namespace platform {

const QColor TableViewCell::kSelectionColor = QColor(217, 217, 217);

namespace {

constexpr qreal kGlyphStroke = 2;
constexpr qreal kGlyphSize = 12;
constexpr TimeInterval kSelectionFadeDuration = 0.3;
const QColor kGlyphColor(199, 199, 204);
const QColor kCheckmarkColor(0, 122, 255);
const QColor kDeleteColor(255, 59, 48);
const QColor kDetailColor(142, 142, 147);
constexpr qreal kSubtitleFontSize = 12;
constexpr qreal kValue2FontSize = 15;
// The part of the width a value-2 cell gives its title column.
constexpr qreal kValue2TitleFraction = 0.3;
constexpr qreal kLabelGap = 6;
constexpr qreal kSeparatorThickness = 0.5;
const QColor kInsertColor(52, 199, 89);

}  // namespace

// Draws the standard accessories: a chevron, a check mark, a circled "i", or both.
class TableViewCell::AccessoryGlyph : public View {
public:
    explicit AccessoryGlyph(AccessoryType type) : type_(type) { setUserInteractionEnabled(false); }

    void drawRect(QPainter& painter, const QRectF&) override {
        const QPointF c = bounds().center();
        const qreal h = kGlyphSize / 2;
        painter.setRenderHint(QPainter::Antialiasing);
        switch (type_) {
            case AccessoryType::DisclosureIndicator:
                chevron(painter, c);
                break;
            case AccessoryType::Checkmark: {
                painter.setPen(QPen(kCheckmarkColor, kGlyphStroke));
                QPainterPath tick(c + QPointF(-h, 0));
                tick.lineTo(c + QPointF(-h / 3, h * 2 / 3));
                tick.lineTo(c + QPointF(h, -h * 2 / 3));
                painter.drawPath(tick);
                break;
            }
            case AccessoryType::DetailButton:
                info(painter, c);
                break;
            case AccessoryType::DetailDisclosureButton:
                info(painter, c - QPointF(h, 0));
                chevron(painter, c + QPointF(h, 0));
                break;
            case AccessoryType::None:
                break;
        }
    }

private:
    static void chevron(QPainter& painter, QPointF c) {
        const qreal h = kGlyphSize / 2;
        painter.setPen(QPen(kGlyphColor, kGlyphStroke));
        QPainterPath path(c + QPointF(-h / 2, -h));
        path.lineTo(c + QPointF(h / 2, 0));
        path.lineTo(c + QPointF(-h / 2, h));
        painter.drawPath(path);
    }
    static void info(QPainter& painter, QPointF c) {
        const qreal h = kGlyphSize / 2;
        painter.setPen(QPen(kCheckmarkColor, kGlyphStroke / 2));
        painter.drawEllipse(c, h, h);
        painter.drawLine(c + QPointF(0, -h / 6), c + QPointF(0, h / 2));
        painter.drawPoint(c + QPointF(0, -h / 2));
    }

    AccessoryType type_;
};

// The round control at the left of an editable row; a tap commits its editing style.
class TableViewCell::EditingControl : public Control {
public:
    explicit EditingControl(TableViewCell* cell) : cell_(cell) {
        addTarget(TouchUpInside, [this](Control&) {
            if (TableView* table = cell_->tableView()) {
                table->commitEditing(*cell_);
            }
        });
    }
    void forget() { cell_ = nullptr; }

    void drawRect(QPainter& painter, const QRectF&) override {
        if (cell_ == nullptr || cell_->editingStyle() == EditingStyle::None) {
            return;
        }
        const bool insert = cell_->editingStyle() == EditingStyle::Insert;
        const QPointF c = bounds().center();
        const qreal h = kGlyphSize / 2;
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(insert ? kInsertColor : kDeleteColor);
        painter.drawEllipse(c, h + 2, h + 2);
        painter.setPen(QPen(Qt::white, kGlyphStroke));
        painter.drawLine(c - QPointF(h / 2, 0), c + QPointF(h / 2, 0));
        if (insert) {
            painter.drawLine(c - QPointF(0, h / 2), c + QPointF(0, h / 2));
        }
    }

private:
    TableViewCell* cell_;
};

// The grip at the right of a movable row while editing: dragging it moves the row. It keeps its
// touches from the table's scrolling.
class TableViewCell::ReorderControl : public View {
public:
    explicit ReorderControl(TableViewCell* cell) : cell_(cell) {}
    void forget() { cell_ = nullptr; }

    void touchesBegan(const TouchSet& touches, const TouchEvent&) override {
        forward(touches, TouchPhase::Began);
    }
    void touchesMoved(const TouchSet& touches, const TouchEvent&) override {
        forward(touches, TouchPhase::Moved);
    }
    void touchesEnded(const TouchSet& touches, const TouchEvent&) override {
        forward(touches, TouchPhase::Ended);
    }
    void touchesCancelled(const TouchSet& touches, const TouchEvent&) override {
        forward(touches, TouchPhase::Cancelled);
    }
    bool gestureRecognizerShouldBegin(GestureRecognizer&) override { return false; }

    void drawRect(QPainter& painter, const QRectF&) override {
        const QPointF c = bounds().center();
        const qreal h = kGlyphSize / 2;
        painter.setPen(QPen(kGlyphColor, kGlyphStroke / 2));
        for (const qreal dy : {-h / 2, 0.0, h / 2}) {
            painter.drawLine(c + QPointF(-h, dy), c + QPointF(h, dy));
        }
    }

private:
    void forward(const TouchSet& touches, TouchPhase phase) {
        TableView* table = cell_ != nullptr ? cell_->tableView() : nullptr;
        if (table != nullptr && !touches.empty()) {
            table->reorderTouch(*cell_, phase, touches.front()->locationInView(table));
        }
    }
    TableViewCell* cell_;
};

TableViewCell::TableViewCell(Style style, QString reuseIdentifier)
    : style_(style),
      reuseIdentifier_(std::move(reuseIdentifier)),
      contentView_(View::make()),
      selectionBackground_(View::make()),
      separator_(View::make()) {
    setBackgroundColor(Qt::white);
    setClipsToBounds(true);
    selectionBackground_->setBackgroundColor(kSelectionColor);
    selectionBackground_->setHidden(true);
    selectionBackground_->setUserInteractionEnabled(false);
    separator_->setUserInteractionEnabled(false);
    separator_->setHidden(true);
    addSubview(selectionBackground_);
    addSubview(contentView_);
    addSubview(separator_);
}

void TableViewCell::setSeparatorColor(const QColor& color) {
    separator_->setBackgroundColor(color);
    separator_->setHidden(!color.isValid() || color.alpha() == 0);
}

TableViewCell::~TableViewCell() {
    if (editingControl_) {
        editingControl_->forget();
    }
    if (reorderControl_) {
        reorderControl_->forget();
    }
}

TableView* TableViewCell::tableView() const {
    return dynamic_cast<TableView*>(superview());
}

const std::shared_ptr<Label>& TableViewCell::textLabel() {
    if (!textLabel_) {
        textLabel_ = View::make<Label>();
        if (style_ == Style::Value2) {
            FontDescription font = textLabel_->font();
            font.pointSize = kValue2FontSize;
            textLabel_->setFont(font);
            textLabel_->setTextColor(kCheckmarkColor);
            textLabel_->setTextAlignment(TextAlignment::Right);
        }
        contentView_->addSubview(textLabel_);
        textLabel_->setHighlighted(highlighted_ || selected_);
        setNeedsLayout();
    }
    return textLabel_;
}

const std::shared_ptr<Label>& TableViewCell::detailTextLabel() {
    if (!detailTextLabel_ && style_ != Style::Default) {
        detailTextLabel_ = View::make<Label>();
        FontDescription font = detailTextLabel_->font();
        if (style_ == Style::Subtitle) {
            font.pointSize = kSubtitleFontSize;
        } else if (style_ == Style::Value2) {
            font.pointSize = kValue2FontSize;
        }
        detailTextLabel_->setFont(font);
        if (style_ != Style::Value2) {
            detailTextLabel_->setTextColor(kDetailColor);
        }
        if (style_ == Style::Value1) {
            detailTextLabel_->setTextAlignment(TextAlignment::Right);
        }
        contentView_->addSubview(detailTextLabel_);
        detailTextLabel_->setHighlighted(highlighted_ || selected_);
        setNeedsLayout();
    }
    return detailTextLabel_;
}

void TableViewCell::layoutLabels() {
    const QRectF area = contentView_->bounds().adjusted(kLabelMargin, 0, -kLabelMargin, 0);
    const bool hasDetail = detailTextLabel_ && !detailTextLabel_->text().isEmpty();
    if (!hasDetail) {
        if (textLabel_) {
            textLabel_->setFrame(area);
        }
        if (detailTextLabel_) {
            detailTextLabel_->setFrame(QRectF(area.right(), area.top(), 0, area.height()));
        }
        return;
    }
    Label& detail = *detailTextLabel_;
    switch (style_) {
        case Style::Subtitle: {
            // Title over subtitle, the pair centred vertically.
            const qreal titleHeight =
                textLabel_ ? textLabel_->sizeThatFits({area.width(), 0}).height() : 0;
            const qreal detailHeight = detail.sizeThatFits({area.width(), 0}).height();
            const qreal top = area.top() + (area.height() - titleHeight - detailHeight) / 2;
            if (textLabel_) {
                textLabel_->setFrame(QRectF(area.left(), top, area.width(), titleHeight));
            }
            detail.setFrame(QRectF(area.left(), top + titleHeight, area.width(), detailHeight));
            break;
        }
        case Style::Value1:
        case Style::Value2: {
            // Title at the left, value at the right. In Value1 the value gives way to the title;
            // Value2 gives the title a fixed share.
            qreal titleWidth = area.width() * kValue2TitleFraction;
            if (style_ == Style::Value1) {
                titleWidth = textLabel_
                                 ? std::min(area.width(), textLabel_->sizeThatFits({0, 0}).width())
                                 : 0;
            }
            if (textLabel_) {
                textLabel_->setFrame(QRectF(area.left(), area.top(), titleWidth, area.height()));
            }
            const qreal left = area.left() + titleWidth + kLabelGap;
            detail.setFrame(
                QRectF(left, area.top(), std::max<qreal>(0, area.right() - left), area.height()));
            break;
        }
        case Style::Default:
            break;
    }
}

void TableViewCell::setAccessoryType(AccessoryType type) {
    if (type == accessoryType_) {
        return;
    }
    accessoryType_ = type;
    if (accessoryGlyph_) {
        accessoryGlyph_->removeFromSuperview();
        accessoryGlyph_.reset();
    }
    if (type != AccessoryType::None) {
        accessoryGlyph_ = View::make<AccessoryGlyph>(type);
        addSubview(accessoryGlyph_);
    }
    setNeedsLayout();
}

void TableViewCell::setAccessoryView(const std::shared_ptr<View>& view) {
    if (view == accessoryView_) {
        return;
    }
    if (accessoryView_) {
        accessoryView_->removeFromSuperview();
    }
    accessoryView_ = view;
    if (view) {
        addSubview(view);
    }
    setNeedsLayout();
}

void TableViewCell::setBackgroundView(const std::shared_ptr<View>& view) {
    if (backgroundView_) {
        backgroundView_->removeFromSuperview();
    }
    backgroundView_ = view;
    if (view) {
        insertSubview(view, 0);
    }
    setNeedsLayout();
}

void TableViewCell::setSelectionStyle(SelectionStyle style) {
    selectionStyle_ = style;
    updateSelectionBackground();
}

void TableViewCell::setHighlighted(bool highlighted, bool) {
    highlighted_ = highlighted;
    updateSelectionBackground();
}

void TableViewCell::setSelected(bool selected, bool animated) {
    const bool wasShowing = !selectionBackground_->isHidden();
    selected_ = selected;
    if (animated && wasShowing && !selected && !highlighted_) {
        // A deselection fades out rather than vanishing.
        const std::weak_ptr<View> alive = weak_from_this();
        ViewAnimation::animate(
            kSelectionFadeDuration, [this] { selectionBackground_->setAlpha(0); },
            [this, alive](bool) {
                if (!alive.expired()) {
                    updateSelectionBackground();
                }
            });
        return;
    }
    updateSelectionBackground();
}

void TableViewCell::updateSelectionBackground() {
    const bool show = selectionStyle_ != SelectionStyle::None && (highlighted_ || selected_);
    selectionBackground_->setHidden(!show);
    selectionBackground_->setAlpha(1);
    for (const auto* label : {&textLabel_, &detailTextLabel_}) {
        if (*label) {
            (*label)->setHighlighted(highlighted_ || selected_);
        }
    }
}

void TableViewCell::setEditing(bool editing, bool animated) {
    if (editing == editing_) {
        return;
    }
    editing_ = editing;
    updateControls();
    if (animated) {
        ViewAnimation::animate(kSelectionFadeDuration, [this] { layoutSubviews(); });
    } else {
        setNeedsLayout();
    }
}

void TableViewCell::setEditingStyle(EditingStyle style) {
    editingStyle_ = style;
    updateControls();
}

void TableViewCell::setShowsReorderControl(bool shows) {
    showsReorderControl_ = shows;
    updateControls();
}

void TableViewCell::updateControls() {
    const bool wantsEditing = editing_ && editingStyle_ != EditingStyle::None;
    if (wantsEditing && !editingControl_) {
        editingControl_ = View::make<EditingControl>(this);
        addSubview(editingControl_);
    } else if (!wantsEditing && editingControl_) {
        editingControl_->forget();
        editingControl_->removeFromSuperview();
        editingControl_.reset();
    }
    if (editingControl_) {
        editingControl_->setNeedsDisplay();
    }
    const bool wantsReorder = editing_ && showsReorderControl_;
    if (wantsReorder && !reorderControl_) {
        reorderControl_ = View::make<ReorderControl>(this);
        addSubview(reorderControl_);
    } else if (!wantsReorder && reorderControl_) {
        reorderControl_->forget();
        reorderControl_->removeFromSuperview();
        reorderControl_.reset();
    }
    setNeedsLayout();
}

void TableViewCell::prepareForReuse() {
    setHighlighted(false, false);
    setSelected(false, false);
}

void TableViewCell::layoutSubviews() {
    const QRectF b = bounds();
    selectionBackground_->setFrame(b);
    if (backgroundView_) {
        backgroundView_->setFrame(b);
    }
    qreal left = 0;
    qreal right = b.width();
    if (editingControl_) {
        editingControl_->setFrame(QRectF(0, 0, kEditingControlWidth, b.height()));
        left = kEditingControlWidth;
    }
    if (reorderControl_) {
        right -= kReorderControlWidth;
        reorderControl_->setFrame(QRectF(right, 0, kReorderControlWidth, b.height()));
    }
    // The accessory gives way to the reorder control while editing, as on the platform.
    const std::shared_ptr<View> accessory =
        accessoryView_ ? accessoryView_ : std::static_pointer_cast<View>(accessoryGlyph_);
    if (accessory) {
        accessory->setHidden(reorderControl_ != nullptr);
        if (!reorderControl_) {
            const QSizeF size = accessoryView_ ? accessoryView_->bounds().size()
                                               : QSizeF(kAccessoryWidth, b.height());
            right -= size.width();
            accessory->setFrame(
                QRectF(right, (b.height() - size.height()) / 2, size.width(), size.height()));
        }
    }
    contentView_->setFrame(QRectF(left, 0, std::max<qreal>(0, right - left), b.height()));
    layoutLabels();
    const qreal indent = left + kLabelMargin;
    separator_->setFrame(QRectF(indent, b.height() - kSeparatorThickness,
                                std::max<qreal>(0, b.width() - indent), kSeparatorThickness));
}

}  // namespace platform
