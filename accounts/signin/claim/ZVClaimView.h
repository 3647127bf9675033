#pragma once

#include "accounts/pages/ZVContainerView.h"
#include "platform/foundation/AttributedString.h"

#include <memory>

class ZVRepositorySession;
namespace platform {
class Button;
}

// The page that claims the account's username: the service's suggestion in the field, kept
// current, and one button; a claim that succeeds cross-fades to a confirmation. Main thread only.
class ZVClaimView : public ZVContainerView {
public:
    // A main screen lower than this leaves the logo out.
    static constexpr qreal kSmallScreenHeight = 570;
    static constexpr qreal kMessageSpacing = -10;
    static constexpr qreal kSuccessSpacing = 20;

    static std::shared_ptr<ZVClaimView> make(const std::shared_ptr<ZVRepositorySession>& session,
                                             std::weak_ptr<platform::ViewController> vc);
    ZVClaimView(std::shared_ptr<ZVRepositorySession> session,
                std::weak_ptr<platform::ViewController> vc);

    const std::shared_ptr<ZVBorderedTextField>& idField() const { return idField_; }
    const std::shared_ptr<platform::Button>& claimButton() const { return claimButton_; }
    const std::shared_ptr<ZVRepositorySession>& session() const { return session_; }

    // The field takes the first suggestion, over whatever it holds.
    void updateSuggestions();
    void claimZelvoId();
    void dismiss();

    static platform::AttributedString constructMessageSpaced(bool small);
    platform::AttributedString constructSuccessMessage() const;
    static bool isSmallScreen();

private:
    void build();
    void showSuccess();

    std::shared_ptr<ZVRepositorySession> session_;
    std::shared_ptr<ZVBorderedTextField> idField_;
    std::shared_ptr<platform::Button> claimButton_;
};
