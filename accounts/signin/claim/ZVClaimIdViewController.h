#pragma once

#include "accounts/pages/ZVContainerViewController.h"
#include "platform/foundation/Observable.h"

#include <memory>

class ZVClaimView;
class ZVRepositorySession;

// Hosts the username claim for an account. It follows the service's suggestions from its making
// until it first goes off screen. Main thread only.
class ZVClaimIdViewController : public ZVContainerViewController {
public:
    static std::shared_ptr<ZVClaimIdViewController> create(
        const std::shared_ptr<ZVRepositorySession>& session);
    explicit ZVClaimIdViewController(std::shared_ptr<ZVRepositorySession> session);
    ~ZVClaimIdViewController() override;

    const std::shared_ptr<ZVRepositorySession>& session() const { return session_; }
    std::shared_ptr<ZVClaimView> claimView() const;
    bool observesSuggestions() const { return suggestionsObservation_.isActive(); }

    void releaseObservers() override;
    void viewWillDisappear(bool animated) override;

private:
    std::shared_ptr<ZVRepositorySession> session_;
    platform::Observation suggestionsObservation_;
};
