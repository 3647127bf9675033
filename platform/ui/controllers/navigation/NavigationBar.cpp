#include "platform/ui/controllers/navigation/NavigationBar.h"

#include "platform/foundation/SharedSlot.h"
#include "platform/ui/controllers/navigation/BarButtons.h"
#include "platform/ui/controls/Button.h"
#include "platform/ui/text/FontTable.h"

#include <QtGui/QFontMetricsF>
#include <QtGui/QPainter>

namespace platform {

const QString NavigationBar::kDefaultBackTitle = QStringLiteral("Back");

namespace {

const QStringList kItemKeys{QStringLiteral("title"),
                            QStringLiteral("titleView"),
                            QStringLiteral("leftBarButtonItems"),
                            QStringLiteral("rightBarButtonItems"),
                            QStringLiteral("backBarButtonItem"),
                            QStringLiteral("hidesBackButton")};
const QStringList kButtonKeys{QStringLiteral("title"), QStringLiteral("image"),
                              QStringLiteral("enabled"), QStringLiteral("width"),
                              QStringLiteral("customView")};

}  // namespace

NavigationBar::NavigationBar() : View(QRectF(0, 0, 0, kHeight)) {
    const NavigationBarAppearance& look = appearance();
    setBackgroundColor(look.barTintColor);
    tint_ = look.tintColor;
    titleColor_ = look.titleColor;
    titleFont_ = look.titleFontFamily.isEmpty()
                     ? FontTable::systemFont(look.titleFontSize, look.titleFontBold)
                     : FontTable::font(look.titleFontFamily, look.titleFontSize);
    translucent_ = look.translucent;
    backIndicator_ = look.backIndicatorImage;
}

NavigationBar::~NavigationBar() = default;

NavigationBarAppearance& NavigationBar::appearance() {
    return sharedSlot<NavigationBarAppearance>();
}

void NavigationBar::setBackIndicatorImage(const QImage& image) {
    backIndicator_ = image;
    rebuild();
}

void NavigationBar::setItems(Items items, bool /*animated*/) {
    items_ = std::move(items);
    observeTopItem();
    rebuild();
}

void NavigationBar::pushNavigationItem(const std::shared_ptr<NavigationItem>& item, bool animated) {
    if (!item) {
        return;
    }
    Items items = items_;
    items.push_back(item);
    setItems(std::move(items), animated);
}

std::shared_ptr<NavigationItem> NavigationBar::popNavigationItem(bool animated) {
    if (items_.size() < 2) {
        return nullptr;
    }
    Items items = items_;
    auto popped = items.back();
    items.pop_back();
    setItems(std::move(items), animated);
    return popped;
}

std::shared_ptr<NavigationItem> NavigationBar::topItem() const {
    return items_.empty() ? nullptr : items_.back();
}

std::shared_ptr<NavigationItem> NavigationBar::backItem() const {
    return items_.size() < 2 ? nullptr : items_[items_.size() - 2];
}

void NavigationBar::setBarTintColor(const QColor& color) {
    setBackgroundColor(color);
}

void NavigationBar::setTintColor(const QColor& color) {
    tint_ = color;
    rebuild();
}

void NavigationBar::setTitleColor(const QColor& color) {
    titleColor_ = color;
    setNeedsDisplay();
}

void NavigationBar::setTitleFont(const QFont& font) {
    titleFont_ = font;
    setNeedsLayout();
    setNeedsDisplay();
}

QString NavigationBar::shownTitle() const {
    const auto top = topItem();
    return top && !titleView_ ? top->title() : QString();
}

void NavigationBar::observeTopItem() {
    itemObservations_.clear();
    // The back button names the item below, so both are followed.
    for (const auto& item : {topItem(), backItem()}) {
        if (item) {
            itemObservations_.push_back(
                item->observe(kItemKeys, [this](const QString&) { rebuild(); }));
        }
    }
}

std::shared_ptr<View> NavigationBar::viewFor(const std::shared_ptr<BarButtonItem>& item) {
    switch (item->kind()) {
        case BarButtonItem::Kind::CustomView:
            return item->customView();
        case BarButtonItem::Kind::FixedSpace:
        case BarButtonItem::Kind::FlexibleSpace:
            return nullptr;
        case BarButtonItem::Kind::Button:
            return BarButtons::forItem(item, tint_);
    }
    return nullptr;
}

void NavigationBar::clearShown() {
    for (auto* placed : {&left_, &right_}) {
        for (const auto& p : *placed) {
            if (p.view && p.view->superview() == this) {
                p.view->removeFromSuperview();
            }
            if (p.item->shownView() == p.view) {
                p.item->setShownView(nullptr);
            }
        }
        placed->clear();
    }
    // A title view that stays (the bar is remade for another of the item's changes) is not taken
    // out: leaving the window would end its editing, a search field's keyboard with it.
    const auto top = topItem();
    const bool stays = titleView_ && top && top->titleView() == titleView_;
    if (titleView_ && titleView_->superview() == this && !stays) {
        titleView_->removeFromSuperview();
    }
    titleView_.reset();
    if (backButton_) {
        backButton_->removeFromSuperview();
        backButton_.reset();
    }
}

void NavigationBar::rebuild() {
    clearShown();
    buttonObservations_.clear();
    const auto top = topItem();
    if (top) {
        const auto place = [this](const NavigationItem::Items& items, std::vector<Placed>& into) {
            for (const auto& item : items) {
                if (!item) {
                    continue;
                }
                auto view = viewFor(item);
                if (view) {
                    addSubview(view);
                    item->setShownView(view);
                }
                into.push_back({item, view, {}});
                // A change of state keeps the button (a finger may be on it); others remake
                // the bar.
                const std::weak_ptr<View> shown = view;
                const std::weak_ptr<BarButtonItem> weakItem = item;
                buttonObservations_.push_back(
                    item->observe(kButtonKeys, [this, weakItem, shown](const QString& key) {
                        const auto button = std::dynamic_pointer_cast<Button>(shown.lock());
                        const auto observed = weakItem.lock();
                        if (key == QLatin1String("enabled") && button && observed) {
                            button->setEnabled(observed->isEnabled());
                        } else {
                            rebuild();
                        }
                    }));
            }
        };
        place(top->leftBarButtonItems(), left_);
        place(top->rightBarButtonItems(), right_);
        if (const auto back = backItem(); back && left_.empty() && !top->hidesBackButton()) {
            QString title =
                back->backBarButtonItem() ? back->backBarButtonItem()->title() : back->title();
            if (title.isNull()) {
                title = kDefaultBackTitle;
            }
            backButton_ = BarButtons::back(title, tint_, backIndicator_, [this] {
                if (backAction_) {
                    const auto action = backAction_;
                    action();
                } else {
                    popNavigationItem(true);
                }
            });
            addSubview(backButton_);
        }
        titleView_ = top->titleView();
        if (titleView_ && titleView_->superview() != this) {
            addSubview(titleView_);
        }
    }
    setNeedsLayout();
    setNeedsDisplay();
}

std::vector<std::pair<std::shared_ptr<BarButtonItem>, QRectF>> NavigationBar::itemFrames() const {
    std::vector<std::pair<std::shared_ptr<BarButtonItem>, QRectF>> frames;
    for (const auto* placed : {&left_, &right_}) {
        for (const auto& p : *placed) {
            frames.emplace_back(p.item, p.frame);
        }
    }
    return frames;
}

QSizeF NavigationBar::sizeThatFits(QSizeF size) const {
    return QSizeF(size.width(), kHeight);
}

void NavigationBar::layoutSubviews() {
    const QRectF b = bounds();
    const auto widthOf = [&](const Placed& p) {
        if (p.item->kind() == BarButtonItem::Kind::FixedSpace) {
            return p.item->width();
        }
        if (!p.view) {
            return 0.0;
        }
        if (p.item->kind() == BarButtonItem::Kind::CustomView) {
            return p.view->bounds().width();
        }
        return p.view->sizeThatFits(b.size()).width();
    };
    const auto heightOf = [&](const Placed& p) {
        return p.item->kind() == BarButtonItem::Kind::CustomView && p.view
                   ? p.view->bounds().height()
                   : b.height();
    };
    qreal left = b.left() + kEdgeMargin;
    if (backButton_) {
        const QSizeF size = backButton_->sizeThatFits(b.size());
        backButton_->setFrame(QRectF(left, b.top(), size.width(), b.height()));
        left += size.width() + kItemSpacing;
    }
    for (auto& p : left_) {
        const qreal w = widthOf(p);
        const qreal h = heightOf(p);
        p.frame = QRectF(left, b.top() + (b.height() - h) / 2, w, h);
        if (p.view) {
            p.view->setFrame(p.frame);
        }
        left += w + (p.item->kind() == BarButtonItem::Kind::FixedSpace ? 0 : kItemSpacing);
    }
    qreal right = b.right() - kEdgeMargin;
    for (auto& p : right_) {
        const qreal w = widthOf(p);
        const qreal h = heightOf(p);
        p.frame = QRectF(right - w, b.top() + (b.height() - h) / 2, w, h);
        if (p.view) {
            p.view->setFrame(p.frame);
        }
        right -= w + (p.item->kind() == BarButtonItem::Kind::FixedSpace ? 0 : kItemSpacing);
    }
    // The title is centred on the bar when it fits there, else in the room between the items.
    const qreal titleWidth = titleView_ ? titleView_->bounds().width()
                                        : QFontMetricsF(titleFont_).horizontalAdvance(shownTitle());
    const qreal titleHeight = titleView_ ? titleView_->bounds().height() : b.height();
    const qreal room = std::max<qreal>(0, right - left);
    const qreal width = std::min(titleWidth, room);
    const qreal x = std::clamp(b.center().x() - width / 2, left, std::max(left, right - width));
    titleRect_ = QRectF(x, b.top() + (b.height() - titleHeight) / 2, width, titleHeight);
    if (titleView_) {
        titleView_->setFrame(titleRect_);
    }
}

void NavigationBar::drawRect(QPainter& painter, const QRectF&) {
    const QString title = shownTitle();
    if (title.isEmpty()) {
        return;
    }
    painter.setFont(titleFont_);
    painter.setPen(titleColor_);
    const QFontMetricsF metrics(titleFont_);
    painter.drawText(titleRect_, Qt::AlignCenter,
                     metrics.elidedText(title, Qt::ElideRight, titleRect_.width()));
}

}  // namespace platform
