#include "platform/ui/controllers/navigation/BarButtonItem.h"

#include "platform/ui/view/View.h"

namespace platform {

std::shared_ptr<BarButtonItem> BarButtonItem::withTitle(const QString& title, Style style,
                                                        Action action) {
    auto item = std::make_shared<BarButtonItem>();
    item->title_ = title;
    item->style_ = style;
    item->action_ = std::move(action);
    return item;
}

std::shared_ptr<BarButtonItem> BarButtonItem::withImage(const QImage& image, Style style,
                                                        Action action) {
    auto item = std::make_shared<BarButtonItem>();
    item->image_ = image;
    item->style_ = style;
    item->action_ = std::move(action);
    return item;
}

std::shared_ptr<BarButtonItem> BarButtonItem::system(SystemItem systemItem, Action action) {
    switch (systemItem) {
        case SystemItem::FixedSpace:
            return fixedSpace(0);
        case SystemItem::FlexibleSpace: {
            auto item = std::make_shared<BarButtonItem>();
            item->kind_ = Kind::FlexibleSpace;
            return item;
        }
        case SystemItem::Done:
            return withTitle(QStringLiteral("Done"), Style::Done, std::move(action));
        case SystemItem::Cancel:
            return withTitle(QStringLiteral("Cancel"), Style::Plain, std::move(action));
        case SystemItem::Edit:
            return withTitle(QStringLiteral("Edit"), Style::Plain, std::move(action));
        case SystemItem::Save:
            return withTitle(QStringLiteral("Save"), Style::Done, std::move(action));
        case SystemItem::Add:
            return withTitle(QStringLiteral("+"), Style::Plain, std::move(action));
    }
    return withTitle(QString(), Style::Plain, std::move(action));
}

std::shared_ptr<BarButtonItem> BarButtonItem::fixedSpace(qreal width) {
    auto item = std::make_shared<BarButtonItem>();
    item->kind_ = Kind::FixedSpace;
    item->width_ = width;
    return item;
}

std::shared_ptr<BarButtonItem> BarButtonItem::withCustomView(const std::shared_ptr<View>& view) {
    auto item = std::make_shared<BarButtonItem>();
    item->kind_ = Kind::CustomView;
    item->customView_ = view;
    return item;
}

void BarButtonItem::setTitle(const QString& title) {
    if (title != title_) {
        changeValueForKey(QStringLiteral("title"), [&] { title_ = title; });
    }
}

void BarButtonItem::setImage(const QImage& image) {
    changeValueForKey(QStringLiteral("image"), [&] { image_ = image; });
}

void BarButtonItem::setWidth(qreal width) {
    if (width != width_) {
        changeValueForKey(QStringLiteral("width"), [&] { width_ = width; });
    }
}

void BarButtonItem::setCustomView(const std::shared_ptr<View>& view) {
    if (view != customView_) {
        changeValueForKey(QStringLiteral("customView"), [&] {
            customView_ = view;
            kind_ = view ? Kind::CustomView : Kind::Button;
        });
    }
}

void BarButtonItem::setEnabled(bool enabled) {
    if (enabled != enabled_) {
        changeValueForKey(QStringLiteral("enabled"), [&] { enabled_ = enabled; });
    }
}

void BarButtonItem::trigger() {
    if (enabled_ && action_) {
        const auto keep = shared_from_this();
        const Action action = action_;
        action(*this);
    }
}

}  // namespace platform
