#pragma once

#include "platform/foundation/Observable.h"
#include "platform/ui/view/View.h"
#include "toolkit/alerts/ZVAlertViewDelegate.h"

#include <memory>

class Contact;
class ZVAvatarView;
class ZVCloudsView;
namespace platform {
class Label;
}

// The coloured header of a person above the member, contact and message menus: clouds in the
// person's colour, the large avatar, the name and, for other accounts of the service, when they
// were last seen, kept up to date.
class ZVContactAvatarView : public platform::View, public ZVAlertViewInsetting {
public:
    static constexpr qreal kWidth = 250;
    static constexpr qreal kHeight = 240;
    static constexpr int kAvatarSize = 3;
    static constexpr int kNameStyle = 26;
    static constexpr int kLastSeenStyle = 19;
    static constexpr qreal kLastSeenAlpha = 0.5;
    static constexpr qreal kMargin = 13;
    static constexpr qreal kTop = 50;
    static constexpr qreal kAvatarGap = 10;
    static constexpr qreal kNameGap = 5;

    explicit ZVContactAvatarView(std::shared_ptr<Contact> contact);
    ~ZVContactAvatarView() override;

    const std::shared_ptr<Contact>& contact() const { return contact_; }
    const std::shared_ptr<ZVCloudsView>& background() const { return background_; }
    const std::shared_ptr<ZVAvatarView>& avatar() const { return avatar_; }
    const std::shared_ptr<platform::Label>& name() const { return name_; }
    const std::shared_ptr<platform::Label>& lastSeen() const { return lastSeen_; }

    void updateLastSeen();
    bool requiresInset() const override { return false; }
    void layoutSubviews() override;

private:
    std::shared_ptr<Contact> contact_;
    std::shared_ptr<ZVCloudsView> background_;
    std::shared_ptr<ZVAvatarView> avatar_;
    std::shared_ptr<platform::Label> name_;
    std::shared_ptr<platform::Label> lastSeen_;
    platform::Observation activityObservation_;
};
