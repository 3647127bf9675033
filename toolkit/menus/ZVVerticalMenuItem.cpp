#include "toolkit/menus/ZVVerticalMenuItem.h"

#include "platform/ui/controls/ImageView.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/resources/Images.h"
#include "platform/ui/text/AttributedText.h"
#include "toolkit/menus/ZVVerticalMenu.h"
#include "toolkit/style/ColorUtils.h"
#include "toolkit/style/ViewLayout.h"
#include "toolkit/style/ZVColors.h"
#include "toolkit/style/ZVTextStyles.h"

#include <QtGui/QPainter>
#include <QtGui/QPainterPath>

#include <array>

using platform::resolveColor;

namespace {

constexpr int kSchemeCount = 3;
constexpr double kSchemeOneSelection = 0.871;
constexpr double kSchemeTwoBackground = 0.75;
constexpr double kSchemeTwoSelection = 0.85;
constexpr double kLightSeparator = 0.965;
// The platform's dark text colour.
constexpr platform::Color kDarkText{0, 0, 0, 255};
constexpr platform::Color kWhite{255, 255, 255, 255};
constexpr int kLayoutFlags = kAlignCenterX | kAlignCenterY;

std::array<ZVVerticalMenuItem::Colors, kSchemeCount> makeSchemes() {
    return {{
        {ZVColors::background(), colorWithWhite(kSchemeOneSelection), kDarkText, kDarkText,
         colorWithWhite(kLightSeparator)},
        {colorWithWhite(kSchemeTwoBackground), colorWithWhite(kSchemeTwoSelection), kDarkText,
         kDarkText, colorWithWhite(kLightSeparator)},
        {colorWithName(QStringLiteral("menuBackground")),
         colorWithName(QStringLiteral("slideInMenuSelection")), kWhite, kWhite,
         colorWithName(QStringLiteral("menuSeparator"))},
    }};
}

}  // namespace

ZVVerticalMenuItem::ZVVerticalMenuItem() {
    setColor(kDefaultScheme);
}

ZVVerticalMenuItem::~ZVVerticalMenuItem() = default;

const ZVVerticalMenuItem::Colors& ZVVerticalMenuItem::colors(int scheme) {
    static const auto schemes = makeSchemes();
    static const Colors none;
    if (scheme < 1 || scheme > kSchemeCount) {
        return none;
    }
    return schemes[static_cast<std::size_t>(scheme - 1)];
}

void ZVVerticalMenuItem::setColor(int scheme) {
    color_ = scheme;
    colors_ = colors(scheme);
    // The title too: an item titled before it joins a menu of another scheme would otherwise keep
    // the old scheme's text colour on the new background.
    applySelectionColors();
}

void ZVVerticalMenuItem::applySelectionColors() {
    setBackgroundColor(schemeColor(selected_ ? kSelectedBackground : kBackground));
    if (titleLabel_ && !titleIsBold_) {
        titleLabel_->setTextColor(schemeColor(selected_ ? kSelectedTitle : kTitle));
    }
}

QColor ZVVerticalMenuItem::schemeColor(int index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= colors_.size()) {
        return {};
    }
    return resolveColor(colors_[static_cast<std::size_t>(index)]);
}

void ZVVerticalMenuItem::setSelected(bool selected) {
    selected_ = selected;
    applySelectionColors();
    updateIcon();
}

void ZVVerticalMenuItem::setBackgroundColor(const QColor& color) {
    View::setBackgroundColor(color);
    if (titleLabel_) {
        titleLabel_->setBackgroundColor(color);
    }
    setNeedsDisplay();
}

QString ZVVerticalMenuItem::title() const {
    return titleLabel_ ? titleLabel_->text() : QString();
}

void ZVVerticalMenuItem::setTitle(const QString& title) {
    if (title.isEmpty()) {
        if (titleLabel_) {
            titleLabel_->removeFromSuperview();
            titleLabel_.reset();
        }
    } else {
        if (!titleLabel_) {
            titleLabel_ = std::make_shared<platform::Label>();
            titleLabel_->setUserInteractionEnabled(false);
            styleTitle();
            addSubview(titleLabel_);
        }
        titleLabel_->setText(title);
        titleLabel_->sizeToFit();
    }
    setNeedsLayout();
}

void ZVVerticalMenuItem::setTitleIsBold(bool bold) {
    titleIsBold_ = bold;
    if (titleLabel_) {
        styleTitle();
        titleLabel_->sizeToFit();
        setNeedsLayout();
    }
}

void ZVVerticalMenuItem::styleTitle() {
    ZVTextStyles::styleLabel(*titleLabel_, titleIsBold_ ? kBoldTitleStyle : kTitleStyle);
    if (!titleIsBold_) {
        titleLabel_->setTextColor(schemeColor(selected_ ? kSelectedTitle : kTitle));
    }
    titleLabel_->setBackgroundColor(backgroundColor());
}

void ZVVerticalMenuItem::setIconId(const QString& iconId) {
    iconId_ = iconId;
    updateIcon();
}

void ZVVerticalMenuItem::updateIcon() {
    if (icon_) {
        icon_->removeFromSuperview();
        icon_.reset();
    }
    if (!iconId_.isEmpty()) {
        icon_ = std::make_shared<platform::ImageView>(
            platform::Images::named(QStringLiteral("icon-%1").arg(iconId_)));
        icon_->setUserInteractionEnabled(false);
        icon_->sizeToFit();
        addSubview(icon_);
    }
    setNeedsLayout();
}

void ZVVerticalMenuItem::drawSeparatorAtPos(QPainter& painter, qreal y, qreal calloutX,
                                            int colorIndex) const {
    const QColor color = schemeColor(colorIndex);
    if (!color.isValid()) {
        return;
    }
    const qreal width = bounds().width();
    QPainterPath path(QPointF(0, y));
    if (calloutX > kNoCallout) {
        path.lineTo(calloutX - kCalloutSize, y);
        path.lineTo(calloutX, y - kCalloutSize);
        path.lineTo(calloutX + kCalloutSize, y);
    }
    path.lineTo(width, y);
    painter.save();
    painter.setPen(QPen(color, kSeparatorWidth));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(path);
    painter.restore();
}

void ZVVerticalMenuItem::drawSeparatorAtPos(QPainter& painter, qreal y, qreal calloutX) const {
    drawSeparatorAtPos(painter, y - kSeparatorWidth, calloutX, kSeparator);
}

void ZVVerticalMenuItem::drawSeparator(QPainter& painter) const {
    if (!selected_) {
        drawSeparatorAtPos(painter, 0, 0, kSeparator);
    }
    drawSeparatorAtPos(painter, bounds().height(), 0, kSeparator);
}

void ZVVerticalMenuItem::drawRect(QPainter& painter, const QRectF& rect) {
    painter.save();
    painter.setClipRect(bounds());
    drawSeparator(painter);
    View::drawRect(painter, rect);
    const auto* menu = dynamic_cast<const ZVVerticalMenu*>(superview());
    if (menu != nullptr && menu->verticalSeparatorColor()) {
        painter.setPen(QPen(resolveColor(*menu->verticalSeparatorColor()), kSeparatorWidth));
        painter.drawLine(QPointF(0, 0), QPointF(0, bounds().height()));
    }
    painter.restore();
}

void ZVVerticalMenuItem::layoutSubviews() {
    ViewList views;
    if (icon_) {
        views.push_back(icon_);
    }
    if (titleLabel_) {
        views.push_back(titleLabel_);
    }
    alignViews(views,
               bounds().adjusted(kContentInsetX, kContentInsetY, -kContentInsetX, -kContentInsetY),
               kLayoutFlags, titleLabel_);
}
