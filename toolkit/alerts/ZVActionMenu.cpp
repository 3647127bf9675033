#include "toolkit/alerts/ZVActionMenu.h"

#include "ZelvoKit/ZelvoApi/account/ZVUserProfile.h"
#include "ZelvoKit/ZelvoApi/api/ZVApi.h"
#include "ZelvoKit/ZelvoApi/session/ZVApiSession.h"
#include "platform/ui/standins/AlertController.h"
#include "platform/ui/view/Window.h"
#include "toolkit/alerts/ZVActionMenuButton.h"
#include "toolkit/alerts/ZVAlertViewManager.h"

#include <QtCore/QRegularExpression>

namespace {

const QString kCancelTitle = QStringLiteral("Cancel");
// The native sheet's entry for the second page.
const QString kMoreTitle = QStringLiteral("More...");

}  // namespace

ZVActionMenu::ZVActionMenu() = default;

std::shared_ptr<ZVActionMenu> ZVActionMenu::make() {
    auto menu = std::make_shared<ZVActionMenu>();
    menu->setDelegate(std::weak_ptr<ZVAlertViewDelegate>(menu));
    std::weak_ptr<ZVActionMenu> weak = menu;
    // Another card in the menu's place ends it, unless it is the menu's own confirmation.
    menu->setOnReplaced([weak](ZVAlertView& replacement) {
        if (auto self = weak.lock(); self && self->confirmation_.lock().get() != &replacement) {
            self->complete();
        }
    });
    return menu;
}

std::weak_ptr<ZVActionMenu> ZVActionMenu::weakSelf() {
    return std::static_pointer_cast<ZVActionMenu>(shared_from_this());
}

std::shared_ptr<ZVActionMenuButton> ZVActionMenu::addOption(const QString& optionId,
                                                            const QString& title, bool isSecondary,
                                                            const QString& confirmMessage) {
    if (isSecondary && !separator_) {
        separator_ = ZVAlertButton::separatorButton();
        separator_->setTag(actionCount());
        actions_.push_back(separator_);
    }
    auto option = std::make_shared<ZVActionMenuButton>(title.isNull() ? QStringLiteral("") : title,
                                                       QString(), optionId);
    option->setConfirmMessage(confirmMessage);
    option->setTag(actionCount());
    actions_.push_back(option);
    return option;
}

void ZVActionMenu::addView(std::shared_ptr<platform::View> view) {
    extraViews_.push_back(std::move(view));
}

bool ZVActionMenu::prefersNativeWidgets() {
    if (const auto window = ZVAlertViewManager::alertViewManager().keyWindow();
        window && window->profile().screenReaderRunning) {
        return true;
    }
    const auto session = ZVApi::api().activeSession();
    const auto profile = session ? session->profile() : nullptr;
    return profile && profile->isClientFlagSet(ZVUserProfile::StandardUiFlag);
}

void ZVActionMenu::show() {
    if (prefersNativeWidgets()) {
        showAsActionSheet();
        return;
    }
    ViewList rows = extraViews_;
    rows.insert(rows.end(), actions_.begin(), actions_.end());
    setViews(std::move(rows));
    ZVAlertView::show();
}

void ZVActionMenu::showAsActionSheet() {
    forceNativeWidgets_ = true;
    showAsActionSheetSecondary(false);
}

void ZVActionMenu::showAsActionSheetSecondary(bool secondary) {
    moreButtonIndex_ = -1;
    auto sheet =
        platform::AlertController::make(QString(), QString(), platform::AlertStyle::ActionSheet);
    const auto weak = weakSelf();
    bool pastSeparator = false;
    for (const auto& entry : actions_) {
        auto option = std::dynamic_pointer_cast<ZVActionMenuButton>(entry);
        if (!option) {
            pastSeparator = true;
            continue;
        }
        option->setActionSheetIndex(-1);
        if (pastSeparator != secondary) {
            continue;
        }
        option->setActionSheetIndex(static_cast<int>(sheet->actions().size()));
        const int tag = option->tag();
        sheet->addAction(platform::AlertAction::make(
            option->title(), platform::AlertActionStyle::Default, [weak, tag](auto&) {
                if (auto self = weak.lock()) {
                    self->invokeActionIndex(tag, true);
                }
            }));
    }
    if (!secondary && separator_) {
        moreButtonIndex_ = static_cast<int>(sheet->actions().size());
        sheet->addAction(platform::AlertAction::make(
            kMoreTitle, platform::AlertActionStyle::Default, [weak](auto&) {
                if (auto self = weak.lock()) {
                    self->showAsActionSheetSecondary(true);
                }
            }));
    }
    sheet->addAction(platform::AlertAction::make(kCancelTitle, platform::AlertActionStyle::Cancel,
                                                 [weak](auto&) {
                                                     if (auto self = weak.lock()) {
                                                         self->complete();
                                                     }
                                                 }));
    const auto& pointed = pointAtView();
    if (pointed && pointed->superview()) {
        sheet->setSourceView(
            std::static_pointer_cast<platform::View>(pointed->superview()->shared_from_this()));
        sheet->setSourceRect(pointed->frame());
    }
    alertController_ = sheet;
    platform::View* from = pointed && pointed->window() ? pointed.get() : nullptr;
    const auto window = ZVAlertViewManager::alertViewManager().keyWindow();
    if (!from) {
        from = window.get();
    }
    if (!from || !sheet->present(*from, true)) {
        // Nowhere to show it: the menu ends here rather than leave its owner waiting.
        complete();
    }
}

std::shared_ptr<ZVActionMenuButton> ZVActionMenu::buttonByIndex(int index) const {
    for (const auto& entry : actions_) {
        if (entry->tag() == index) {
            return std::dynamic_pointer_cast<ZVActionMenuButton>(entry);
        }
    }
    return nullptr;
}

QString ZVActionMenu::extractVerb(const QString& title) {
    static const QRegularExpression whitespace(QStringLiteral("\\s+"));
    const QStringList words = title.split(whitespace, Qt::SkipEmptyParts);
    return words.isEmpty() ? QString() : words.front();
}

void ZVActionMenu::invokeActionIndex(int index, bool confirm) {
    const auto option = buttonByIndex(index);
    if (!option) {
        // A choice that names no option still ends the menu.
        complete();
        return;
    }
    if (confirm && !option->confirmMessage().isEmpty()) {
        askForConfirmation(*option);
        return;
    }
    doInvokeButtonAction(*option);
}

void ZVActionMenu::askForConfirmation(ZVActionMenuButton& option) {
    const int index = option.tag();
    const auto weak = weakSelf();
    if (forceNativeWidgets_) {
        auto alert = platform::AlertController::make(option.title(), option.confirmMessage(),
                                                     platform::AlertStyle::Alert);
        alert->addAction(platform::AlertAction::make(
            kCancelTitle, platform::AlertActionStyle::Cancel, [weak](auto&) {
                if (auto self = weak.lock()) {
                    self->complete();
                }
            }));
        alert->addAction(platform::AlertAction::make(
            option.title(), platform::AlertActionStyle::Default, [weak, index](auto&) {
                if (auto self = weak.lock()) {
                    self->invokeActionIndex(index, false);
                }
            }));
        alertController_ = alert;
        const auto window = ZVAlertViewManager::alertViewManager().keyWindow();
        if (!window || !alert->present(*window, true)) {
            complete();
        }
        return;
    }
    auto confirmation = ZVAlertView::make(QStringLiteral("Are you sure?"), option.confirmMessage(),
                                          std::weak_ptr<ZVAlertViewDelegate>(weak.lock()),
                                          kCancelTitle, {extractVerb(option.title())});
    confirmation->setPointAtView(pointAtView());
    confirmation->setTag(index);
    confirmation->setOnReplaced([weak](ZVAlertView&) {
        if (auto self = weak.lock()) {
            self->complete();
        }
    });
    confirmation_ = confirmation;
    confirmation->show();
}

void ZVActionMenu::doInvokeButtonAction(ZVActionMenuButton& option) {
    const auto keep = shared_from_this();
    if (option.action()) {
        option.action()();
    }
    if (option.handler()) {
        option.handler()();
    }
    complete();
}

void ZVActionMenu::alertView(ZVAlertView& alertView, int buttonIndex) {
    if (buttonIndex >= 0 && &alertView == this) {
        invokeActionIndex(buttonIndex, true);
    } else if (buttonIndex == 1 && &alertView == confirmation_.lock().get()) {
        invokeActionIndex(alertView.tag(), false);
    } else {
        complete();
    }
}

void ZVActionMenu::complete() {
    if (completed_) {
        return;
    }
    completed_ = true;
    if (auto completion = std::move(onCompletion_)) {
        completion();
    }
}
