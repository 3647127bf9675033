#include "toolkit/dialogs/ZVDialogCell.h"

#include "toolkit/style/ViewLayout.h"
#include "toolkit/tables/ZVCellOverlay.h"

ZVDialogCell::ZVDialogCell() : ZVTableViewCell(Style::Default) {
    contentView()->setClipsToBounds(true);
}

ZVDialogCell::ZVDialogCell(Style style, QString reuseIdentifier)
    : ZVTableViewCell(style, std::move(reuseIdentifier)) {
    contentView()->setClipsToBounds(true);
    setBackgroundColor(Qt::white);
}

ZVDialogCell::~ZVDialogCell() = default;

void ZVDialogCell::setHeight(qreal height) {
    if (height == height_) {
        return;
    }
    changeValueForKey(kHeightKey, [&] { height_ = height; });
}

void ZVDialogCell::setBeginsGroup(bool begins) {
    beginsGroup_ = begins;
    setNeedsDisplay();
    setNeedsLayout();
}

void ZVDialogCell::setEndsGroup(bool ends) {
    endsGroup_ = ends;
    setNeedsDisplay();
}

void ZVDialogCell::setIndents(bool indents) {
    indents_ = indents;
    setNeedsDisplay();
}

QRectF ZVDialogCell::contentBounds() const {
    return contentViewInsets().inset(contentView()->bounds());
}

void ZVDialogCell::layoutSubviews() {
    ZVTableViewCell::layoutSubviews();
    // The labels' white would otherwise hide the lines drawn under them.
    const QRectF content = contentView()->frame();
    contentView()->setFrame(
        content.adjusted(0, beginsGroup_ ? kLineThickness : 0, 0, -kLineThickness));
    if (overlay()) {
        overlay()->setFrame(contentView()->frame());
    }
}

void ZVDialogCell::drawRect(QPainter& painter, const QRectF& rect) {
    ZVTableViewCell::drawRect(painter, rect);
    drawSeparator(painter, bounds(), beginsGroup_, endsGroup_);
    if (!endsGroup_ && indents_) {
        drawHorizontalLine(painter, bounds().height() - kInnerLineOffset, contentViewInsets().left,
                           bounds().width());
    }
}
