#include "app/inbox/menus/ZVSessionMenu.h"

#include "ZelvoKit/model/ZVRepositorySession.h"
#include "app/inbox/menus/ZVSessionMenuItem.h"
#include "app/shell/ZVGlobals.h"
#include "platform/ui/controls/ImageView.h"
#include "platform/ui/resources/Images.h"

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace {

std::shared_ptr<ZVVerticalMenuItem> fixedRow(const QString& title, const QString& icon) {
    auto row = platform::View::make<ZVVerticalMenuItem>();
    row->setColor(ZVSessionMenu::kFixedRowScheme);
    row->setIconId(icon);
    row->setTitle(title);
    row->setTitleIsBold(true);
    return row;
}

}  // namespace

ZVSessionMenu::ZVSessionMenu() : ZVSlideInMenu(ZVMenuSide::Left) {
    setItemHeight(kItemHeight);
    setFrame(QRectF(0, 0, kWidth, kHeight));
    setTopOffset(kFirstTopOffset);
    logo_ =
        platform::View::make<platform::ImageView>(platform::Images::named(u"icon-logo-login"_s));
    logo_->sizeToFit();
    const QSizeF size = logo_->bounds().size();
    logo_->setCenter({size.width() / 2 + kLogoOrigin.x(), size.height() / 2 + kLogoOrigin.y()});
    addSubview(logo_);
    addNewButton_ = fixedRow(u"Sign in to another account"_s, u"account-add-new"_s);
    settingsButton_ = fixedRow(u"Settings"_s, u"tab-settings"_s);
    addItem(addNewButton_);
    addItem(settingsButton_);
    setTopOffset(kTopOffset);
}

ZVSessionMenu::~ZVSessionMenu() = default;

std::shared_ptr<ZVSlideInMenu> ZVSessionMenu::slideInMenu() {
    return std::static_pointer_cast<ZVSlideInMenu>(shared_from_this());
}

void ZVSessionMenu::notifySessionStart(const std::shared_ptr<ZVRepositorySession>& session) {
    dropEndedRows();
    if (!session || itemBySession(session)) {
        return;
    }
    addItem(platform::View::make<ZVSessionMenuItem>(session));
}

void ZVSessionMenu::notifySessionEnd(const std::shared_ptr<ZVRepositorySession>& session) {
    if (const auto row = itemBySession(session)) {
        row->releaseSession();
        removeItem(row);
    }
    dropEndedRows();
}

void ZVSessionMenu::dropEndedRows() {
    const Items rows = items();
    for (const auto& item : rows) {
        const auto row = std::dynamic_pointer_cast<ZVSessionMenuItem>(item);
        if (row && !row->session()) {
            row->releaseSession();
            removeItem(row);
        }
    }
}

std::shared_ptr<ZVSessionMenuItem> ZVSessionMenu::itemBySession(
    const std::shared_ptr<ZVRepositorySession>& session) const {
    if (!session) {
        return nullptr;
    }
    for (const auto& item : items()) {
        auto row = std::dynamic_pointer_cast<ZVSessionMenuItem>(item);
        if (row && row->session() == session) {
            return row;
        }
    }
    return nullptr;
}

std::shared_ptr<ZVRepositorySession> ZVSessionMenu::selectedSession() const {
    const auto row = std::dynamic_pointer_cast<ZVSessionMenuItem>(selectedItem());
    return row ? row->session() : nullptr;
}

void ZVSessionMenu::menuWillShow() {
    ZVSlideInMenu::menuWillShow();
    dropEndedRows();
    const ZVGlobals* globals = ZVGlobals::globals();
    const auto active = globals ? globals->session() : nullptr;
    for (const auto& item : items()) {
        if (const auto row = std::dynamic_pointer_cast<ZVSessionMenuItem>(item)) {
            row->setActive(active && row->session() == active);
        }
    }
    setSelectedItemIndex(kNotFound);
}

void ZVSessionMenu::layoutSubviews() {
    ZVSlideInMenu::layoutSubviews();
    // The base lays out while the menu is being built, before the fixed rows exist.
    if (!settingsButton_ || !addNewButton_) {
        return;
    }
    const QRectF b = bounds();
    settingsButton_->setFrame(QRectF(0, b.bottom() - kItemHeight, b.width(), kItemHeight));
    addNewButton_->setFrame(QRectF(0, b.bottom() - 2 * kItemHeight, b.width(), kItemHeight));
}
