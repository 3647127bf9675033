#include "accounts/settings/ZVAccountSettingsViewController.h"

#include "ZelvoKit/ZelvoApi/account/ZVUserProfile.h"
#include "ZelvoKit/model/ZVRepositorySession.h"
#include "ZelvoKit/support/media/ZVURLLoader.h"
#include "toolkit/dialogs/ZVOptionCell.h"
#include "toolkit/tables/ZVTableView.h"

const std::array<ZVAccountSettingsViewController::FlagOption,
                 ZVAccountSettingsViewController::kOptionCount>&
ZVAccountSettingsViewController::flagOptions() {
    static const std::array<FlagOption, kOptionCount> options{{
        {"Show avatars", ZVUserProfile::NoAvatarInFlowFlag, true},
        {"Show picture previews", ZVUserProfile::NoInlineImagesFlag, true},
        {"Show link previews", ZVUserProfile::HideUrlPreviewsFlag, true},
        {"Post full size images", ZVUserProfile::NoResizePostedImagesFlag, false},
        {"Use standard menus", ZVUserProfile::StandardUiFlag, false},
    }};
    return options;
}

ZVAccountSettingsViewController::ZVAccountSettingsViewController(
    const std::shared_ptr<ZVRepositorySession>& session)
    : profile_(session->profile()) {
    setTitle(kTitle);
    for (std::size_t i = 0; i < options_.size(); ++i) {
        options_[i] = std::make_shared<ZVOptionCell>();
        options_[i]->setTitle(QString::fromUtf8(flagOptions()[i].title));
    }
    // Avatars to link previews are one group; the other two are groups of their own.
    options_[0]->setBeginsGroup(true);
    options_[2]->setEndsGroup(true);
    for (std::size_t i = 3; i < options_.size(); ++i) {
        options_[i]->setBeginsGroup(true);
        options_[i]->setEndsGroup(true);
    }
    addHeader(QStringLiteral("Appearance"));
    addCells({options_[0], options_[1], options_[2]});
    addHeader(QStringLiteral("Message posting"));
    addCell(options_[3]);
    addHeader(QStringLiteral("Accessibility"));
    addCell(options_[4]);
    refreshOptions();

    for (std::size_t i = 0; i < options_.size(); ++i) {
        observations_.add(options_[i]->observe(ZVOptionCell::kCheckedKey,
                                               [this, i](const QString&) { optionChanged(i); }));
    }
    observations_.add(profile_->observe(QString(ZVUserProfile::ClientFlagsKey),
                                        [this](const QString&) { refreshOptions(); }));
}

ZVAccountSettingsViewController::~ZVAccountSettingsViewController() = default;

void ZVAccountSettingsViewController::refreshOptions() {
    refreshing_ = true;
    for (std::size_t i = 0; i < options_.size(); ++i) {
        const FlagOption& option = flagOptions()[i];
        options_[i]->setChecked(profile_->isClientFlagSet(QString(option.flag)) != option.inverted);
    }
    refreshing_ = false;
}

void ZVAccountSettingsViewController::optionChanged(std::size_t index) {
    if (refreshing_) {
        return;
    }
    const FlagOption& option = flagOptions()[index];
    const bool value = options_[index]->checked() != option.inverted;
    if (profile_->isClientFlagSet(QString(option.flag)) == value) {
        return;
    }
    profile_->setClientFlag(QString(option.flag), value);
    // Cached pictures were made under the old flags.
    ZVURLLoader::loader().resetCache();
}
