#include "accounts/signin/claim/ZVClaimView.h"

#include "ZelvoKit/ZelvoApi/account/ZVUserProfile.h"
#include "ZelvoKit/ZelvoApi/api/ZVApi.h"
#include "ZelvoKit/model/ZVRepositorySession.h"
#include "accounts/pages/ZVBorderedTextField.h"
#include "accounts/pages/ZVContainerViewController.h"
#include "platform/foundation/Application.h"
#include "platform/foundation/Format.h"
#include "platform/ui/controls/Button.h"
#include "platform/ui/controls/TextField.h"
#include "toolkit/alerts/ZVAlertView.h"
#include "toolkit/style/ZVTextStyles.h"

using namespace Qt::StringLiterals;

namespace {

const QString kClaimTitle = u"Claim your username"_s;

// Centred paragraphs in the font of `fontStyle`.
platform::TextAttributes claimTextAttributes(int fontStyle) {
    platform::TextAttributes attributes = ZVTextStyles::attributesForStyle(fontStyle);
    platform::ParagraphStyle paragraph;
    paragraph.alignment = platform::ParagraphStyle::Alignment::Center;
    attributes.insert(platform::TextAttribute::ParagraphStyle, QVariant::fromValue(paragraph));
    return attributes;
}

}  // namespace

std::shared_ptr<ZVClaimView> ZVClaimView::make(const std::shared_ptr<ZVRepositorySession>& session,
                                               std::weak_ptr<platform::ViewController> vc) {
    auto view = std::make_shared<ZVClaimView>(session, std::move(vc));
    view->build();
    return view;
}

ZVClaimView::ZVClaimView(std::shared_ptr<ZVRepositorySession> session,
                         std::weak_ptr<platform::ViewController> vc)
    : ZVContainerView(std::move(vc)), session_(std::move(session)) {
    setTitle(kClaimTitle);
}

bool ZVClaimView::isSmallScreen() {
    return platform::Application::shared().screenSize().height() < kSmallScreenHeight;
}

void ZVClaimView::build() {
    const bool small = isSmallScreen();
    if (!small) {
        pushLogo();
    }
    pushTextView(constructMessageSpaced(small), kMessageSpacing);
    idField_ = pushTextFieldWithPlaceholder(QString());
    idField_->setInfoText(platform::format(u"@%@", ZVApi::api().baseURL().host()));
    idField_->textField()->setClearButtonMode(platform::TextFieldViewMode::Never);
    claimButton_ = pushButtonWithTitle(u"Set my Username"_s, 0);
    const std::weak_ptr<platform::View> weak = weak_from_this();
    claimButton_->addTarget(platform::Control::TouchUpInside, [weak](auto&) {
        if (const auto self = std::static_pointer_cast<ZVClaimView>(weak.lock())) {
            self->claimZelvoId();
        }
    });
    updateSuggestions();
}

platform::AttributedString ZVClaimView::constructMessageSpaced(bool small) {
    platform::AttributedString message;
    if (small) {
        message.append(u"\n"_s, claimTextAttributes(2));
    }
    message.append(u"Welcome!\nPlease choose your username"_s, claimTextAttributes(2));
    message.append(
        u"\n\nUsername is your identity in Zelvo. People can use it to send messages and emails "
        u"to you."_s,
        claimTextAttributes(20));
    return message;
}

platform::AttributedString ZVClaimView::constructSuccessMessage() const {
    const auto profile = session_ ? session_->profile() : nullptr;
    platform::AttributedString message(u"Hooray!"_s, claimTextAttributes(2));
    message.append(u"\n\nYour Username is "_s, claimTextAttributes(0));
    message.append(profile ? profile->zelvoId() : QString(), claimTextAttributes(1));
    message.append(u"\n\nOthers can reach you now with it\nin Zelvo and via-email."_s,
                   claimTextAttributes(0));
    return message;
}

void ZVClaimView::updateSuggestions() {
    const auto profile = session_ ? session_->profile() : nullptr;
    if (!profile) {
        return;
    }
    const std::optional<QStringList> suggestions = profile->suggestedZelvoIds();
    if (suggestions && !suggestions->isEmpty()) {
        idField_->textField()->setText(suggestions->first());
    }
}

void ZVClaimView::claimZelvoId() {
    const auto profile = session_ ? session_->profile() : nullptr;
    if (!claimButton_->isEnabled() || !profile) {
        return;
    }
    claimButton_->setEnabled(false);
    const std::weak_ptr<platform::View> weak = weak_from_this();
    profile->claimZelvoId(
        idField_->textField()->text(),
        [weak] {
            if (const auto self = std::static_pointer_cast<ZVClaimView>(weak.lock())) {
                self->showSuccess();
            }
        },
        [weak](const ZVErrorPtr& error) {
            const auto self = std::static_pointer_cast<ZVClaimView>(weak.lock());
            if (!self) {
                return;
            }
            ZVAlertView::showMessage(error ? error->localizedDescription() : QString(),
                                     u"Failed to claim Username"_s);
            self->claimButton_->setEnabled(true);
        });
}

void ZVClaimView::showSuccess() {
    const auto host = std::dynamic_pointer_cast<ZVContainerViewController>(viewController());
    if (!host) {
        return;
    }
    auto page = std::make_shared<ZVContainerView>(host);
    page->setTitle(kClaimTitle);
    page->pushLogo();
    page->pushTextView(constructSuccessMessage(), kSuccessSpacing);
    const auto done = page->pushButtonWithTitle(u"GOT IT"_s, 0);
    const std::weak_ptr<platform::View> weak = weak_from_this();
    done->addTarget(platform::Control::TouchUpInside, [weak](auto&) {
        if (const auto self = std::static_pointer_cast<ZVClaimView>(weak.lock())) {
            self->dismiss();
        }
    });
    host->setSecondaryPage(page);
}

void ZVClaimView::dismiss() {
    if (const auto host = std::dynamic_pointer_cast<ZVContainerViewController>(viewController())) {
        host->dismiss();
    }
}
