#include "accounts/settings/ZVSettingsPage.h"

#include "ZelvoKit/ZelvoApi/account/ZVUserProfile.h"
#include "ZelvoKit/ZelvoApi/api/ZVApi.h"
#include "ZelvoKit/markup/XMLEncoding.h"
#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/ZVRepositorySession.h"
#include "ZelvoKit/support/url/ZVURLHandler.h"
#include "accounts/ZVServiceAddresses.h"
#include "accounts/settings/ZVAboutViewController.h"
#include "app/shell/ZVGlobals.h"
#include "platform/foundation/Format.h"
#include "platform/ui/controllers/navigation/BarButtonItem.h"
#include "platform/ui/controllers/navigation/NavigationController.h"
#include "platform/ui/controls/Button.h"
#include "platform/ui/standins/CookieStorage.h"
#include "toolkit/alerts/ZVAlertView.h"
#include "toolkit/dialogs/ZVButtonCell.h"
#include "toolkit/dialogs/ZVHeaderCell.h"
#include "toolkit/dialogs/ZVLabelCell.h"
#include "toolkit/tables/ZVTableView.h"
#include "toolkit/widgets/ZVBranding.h"

namespace {

std::map<ZVSettingsPage::Screen, ZVSettingsPage::ScreenFactory>& settingsScreenFactories() {
    static std::map<ZVSettingsPage::Screen, ZVSettingsPage::ScreenFactory> factories;
    return factories;
}

}  // namespace

void ZVSettingsPage::setScreenFactory(Screen screen, ScreenFactory factory) {
    settingsScreenFactories()[screen] = std::move(factory);
}

ZVSettingsPage::ScreenFactory ZVSettingsPage::screenFactory(Screen screen) {
    const auto found = settingsScreenFactories().find(screen);
    return found == settingsScreenFactories().end() ? ScreenFactory() : found->second;
}

void ZVSettingsPage::resetScreenFactories() {
    settingsScreenFactories().clear();
}

ZVSettingsPage::ZVSettingsPage(std::shared_ptr<ZVRepositorySession> session)
    : session_(std::move(session)) {
    setTitle(kTitle);
    setIconName(kTabImage);

    addHeader(QStringLiteral("Account"));
    addItem(QStringLiteral("Your profile"), Screen::AccountProfile, false);
    addItem(QStringLiteral("Notifications"), Screen::NotificationOptions, false);
    addItem(QStringLiteral("Settings"), Screen::AccountSettings, false);
    addItem(QStringLiteral("Change password"), Screen::ChangePassword, true);

    addHeader(QStringLiteral("Zelvo"));
    supportIndex_ = addItem(QStringLiteral("Get support"), std::nullopt, false);
    aboutIndex_ = addItem(QStringLiteral("About"), std::nullopt, false);
    rateIndex_ = addItem(QStringLiteral("Rate Zelvo"), std::nullopt, true);

    addHeader(QStringLiteral("Advanced"));
    addItem(QStringLiteral("Technical info"), Screen::TechInfo, false);
    resetIndex_ = addItem(QStringLiteral("Reset local data"), std::nullopt, true);

    signout_ = std::make_shared<ZVButtonCell>(QStringLiteral("Sign out"), kSignOutButtonStyle);
    signout_->button()->addTarget(platform::Control::TouchUpInside,
                                  [this](platform::Control&) { logout(); });
    addCell(signout_);
}

ZVSettingsPage::~ZVSettingsPage() = default;

void ZVSettingsPage::addHeader(const QString& title) {
    ZVDialogCells::addHeader(title);
    beginGroup_ = true;
}

int ZVSettingsPage::addItem(const QString& title, std::optional<Screen> screen, bool endsGroup) {
    auto cell = std::make_shared<ZVLabelCell>();
    cell->setLabelText(title);
    cell->setEndsGroup(endsGroup);
    cell->setBeginsGroup(beginGroup_);
    beginGroup_ = false;
    if (screen) {
        cell->setDetailStyle(true);
    }
    const int index = addCell(cell);
    if (screen) {
        viewControllerClasses_[index] = *screen;
    }
    return index;
}

int ZVSettingsPage::indexOfRow(const QString& title) const {
    for (int i = 0; i < count(); ++i) {
        if (const auto* cell = std::get_if<std::shared_ptr<ZVDialogCell>>(&(*this)[i])) {
            if (const auto label = std::dynamic_pointer_cast<ZVLabelCell>(*cell);
                label && label->labelText() == title) {
                return i;
            }
        }
    }
    return -1;
}

std::optional<ZVSettingsPage::Screen> ZVSettingsPage::screenOfRow(int index) const {
    const auto found = viewControllerClasses_.find(index);
    return found == viewControllerClasses_.end() ? std::nullopt
                                                 : std::optional<Screen>(found->second);
}

void ZVSettingsPage::done() {
    // Presented, the page has its own navigation to leave with it.
    if (presentingViewController()) {
        presentingViewController()->dismissViewController(true);
    } else if (auto* navigation = navigationController()) {
        navigation->popViewControllerAnimated(true);
    }
}

void ZVSettingsPage::openSupport() {
    const auto conversation = session_->conversationFromId(ZVServiceAddresses::shared().support);
    if (!conversation) {
        return;
    }
    if (auto* globals = ZVGlobals::globals()) {
        globals->setConversationId(conversation->conversationId());
    }
}

void ZVSettingsPage::rate() {
    ZVURLHandler::handler().handle(ZVServiceAddresses::shared().store);
}

void ZVSettingsPage::resetLocalData() {
    const std::weak_ptr<ZVViewController> weak = weakSelf();
    ZVAlertView::showConfirmationWithTitle(
        QStringLiteral("Reset data"),
        QStringLiteral(
            "This will delete all Zelvo data stored on the device, including downloaded files."),
        QStringLiteral("Reset"), [weak] {
            const auto self = std::static_pointer_cast<ZVSettingsPage>(weak.lock());
            if (!self) {
                return;
            }
            const auto session = self->session_;
            self->done();
            session->endSession(ZVApiSession::EndReason::Resync);
        });
}

QString ZVSettingsPage::signOutMessage() const {
    if (ZVApi::api().sessions().size() >= 2) {
        // The identifier is text inside markup: an address may hold "&" or "<".
        return platform::format(
            u"Are you sure you would like to sign out from the account <b>%@</b>?",
            xmlEncoded(session_->profile()->mainIdentifier()));
    }
    return QStringLiteral("Are you sure you would like to sign out from Zelvo?");
}

void ZVSettingsPage::logout() {
    const std::weak_ptr<ZVRepositorySession> weakSession = session_;
    ZVAlertView::showConfirmationWithTitle(
        QStringLiteral("Sign out"), signOutMessage(), QStringLiteral("Sign out"), [weakSession] {
            const auto session = weakSession.lock();
            if (!session) {
                return;
            }
            if (auto* globals = ZVGlobals::globals()) {
                globals->setConversationId(std::nullopt, false);
            }
            const auto cookies = platform::CookieStorage::shared();
            for (const QNetworkCookie& cookie : cookies->cookies()) {
                cookies->deleteCookie(cookie);
            }
            session->endSession(ZVApiSession::EndReason::Logout);
        });
}

void ZVSettingsPage::didSelectRow(int row) {
    ZVDialogCells::didSelectRow(row);
    if (const auto screen = screenOfRow(row)) {
        const ScreenFactory factory = screenFactory(*screen);
        auto* navigation = navigationController();
        if (const auto opened = factory ? factory(session_) : nullptr; opened && navigation) {
            navigation->pushViewController(opened, true);
        }
    }
    if (row == aboutIndex_) {
        presentViewController(make<ZVAboutViewController>(), true);
    } else if (row == supportIndex_) {
        openSupport();
        done();
    } else if (row == rateIndex_) {
        rate();
    } else if (row == resetIndex_) {
        resetLocalData();
    }
}

void ZVSettingsPage::viewWillAppear(bool animated) {
    ZVDialogCells::viewWillAppear(animated);
    if (!presentingViewController()) {
        return;
    }
    auto button = ZVBranding::createPlainButtonWithTitle(QStringLiteral("DONE"));
    const std::weak_ptr<ZVViewController> weak = weakSelf();
    button->addTarget(platform::Control::TouchUpInside, [weak](platform::Control&) {
        if (const auto self = std::static_pointer_cast<ZVSettingsPage>(weak.lock())) {
            self->done();
        }
    });
    navigationItem().setRightBarButtonItems({platform::BarButtonItem::withCustomView(button)});
}
