#include "accounts/signin/claim/ZVClaimIdViewController.h"

#include "ZelvoKit/ZelvoApi/account/ZVUserProfile.h"
#include "ZelvoKit/model/ZVRepositorySession.h"
#include "accounts/signin/claim/ZVClaimView.h"

std::shared_ptr<ZVClaimIdViewController> ZVClaimIdViewController::create(
    const std::shared_ptr<ZVRepositorySession>& session) {
    auto screen = std::make_shared<ZVClaimIdViewController>(session);
    const auto page = ZVClaimView::make(session, screen);
    screen->setPrimaryPage(page);
    if (const auto profile = session ? session->profile() : nullptr) {
        const std::weak_ptr<ZVClaimView> weakPage = page;
        screen->suggestionsObservation_ = profile->observe(
            QString(ZVUserProfile::SuggestedZelvoIdsKey), [weakPage](const QString&) {
                if (const auto claim = weakPage.lock()) {
                    claim->updateSuggestions();
                }
            });
    }
    return screen;
}

ZVClaimIdViewController::ZVClaimIdViewController(std::shared_ptr<ZVRepositorySession> session)
    : session_(std::move(session)) {}

ZVClaimIdViewController::~ZVClaimIdViewController() = default;

std::shared_ptr<ZVClaimView> ZVClaimIdViewController::claimView() const {
    return std::static_pointer_cast<ZVClaimView>(primaryPage());
}

void ZVClaimIdViewController::releaseObservers() {
    ZVContainerViewController::releaseObservers();
    suggestionsObservation_ = {};
}

void ZVClaimIdViewController::viewWillDisappear(bool animated) {
    ZVContainerViewController::viewWillDisappear(animated);
    // Once: a screen that comes back keeps what its field holds.
    releaseObservers();
}
