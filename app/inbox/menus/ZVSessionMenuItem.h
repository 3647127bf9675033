#pragma once

#include "platform/foundation/Observable.h"
#include "toolkit/menus/ZVVerticalMenuItem.h"

#include <memory>

class ZVAvatarView;
class ZVRepositorySession;
class ZVUnreadBadge;
namespace platform {
class Label;
}

// One signed-in account in the account switcher: its avatar, name, e-mail and unread count, and
// a marker while it is the active account. Holds its session weakly; the menu drops the row when
// the session ends.
class ZVSessionMenuItem : public ZVVerticalMenuItem {
public:
    static constexpr int kAvatarSize = 2;
    static constexpr int kNameStyle = 2;
    static constexpr int kEmailStyle = 20;
    static constexpr qreal kEmailWhite = 0.9;
    static constexpr qreal kInsetX = 20;
    static constexpr qreal kInsetY = 10;
    static constexpr qreal kAvatarGap = 10;
    static constexpr qreal kBadgeGap = 5;
    // The name's strip is as high as a line of this style, the e-mail's as one of that.
    static constexpr int kNameLineStyle = 1;
    static constexpr int kEmailLineStyle = 0;
    static constexpr qreal kMarkerX = -2;
    static constexpr qreal kMarkerY = 17;
    static constexpr qreal kMarkerWidth = 6;
    static constexpr qreal kMarkerRadius = 2;

    explicit ZVSessionMenuItem(const std::shared_ptr<ZVRepositorySession>& session);
    ~ZVSessionMenuItem() override;

    std::shared_ptr<ZVRepositorySession> session() const { return session_.lock(); }
    // Stops following the session: the row is leaving the menu.
    void releaseSession();

    void updateState();
    bool isActive() const { return activeIndicator_ != nullptr; }
    void setActive(bool active);

    const std::shared_ptr<ZVAvatarView>& avatar() const { return avatar_; }
    const std::shared_ptr<platform::Label>& name() const { return name_; }
    const std::shared_ptr<platform::Label>& email() const { return email_; }
    const std::shared_ptr<ZVUnreadBadge>& badge() const { return badge_; }
    const std::shared_ptr<platform::View>& activeIndicator() const { return activeIndicator_; }

    void layoutSubviews() override;

private:
    std::weak_ptr<ZVRepositorySession> session_;
    std::shared_ptr<ZVAvatarView> avatar_;
    std::shared_ptr<platform::Label> name_;
    std::shared_ptr<platform::Label> email_;
    std::shared_ptr<ZVUnreadBadge> badge_;
    std::shared_ptr<platform::View> activeIndicator_;
    platform::Observation unreadObservation_;
};
