#pragma once

#include "platform/foundation/Observable.h"
#include "platform/ui/view/View.h"

#include <QtCore/QUrl>

#include <memory>

namespace platform {
class ActivityIndicator;
class ImageView;
class Label;
}  // namespace platform
class Contact;
class Conversation;
class Hook;
class ZVCachedImage;

// A round picture of a person, a hook or a conversation: the picture when there is one, else the
// initials on a pale tint of the owner's colour, or an icon for special rows.
class ZVAvatarView : public platform::View {
public:
    enum Type {
        kContact = 1,
        kHook = 2,
        kPin = 3,
        kFadedPin = 4,
        kTaskCompleted = 5,
        kTaskCompletedToo = 6,
        kSystemMessage = 7,
        kConversation = 8,
        kPlaceholder = 9,
        kNew = 10,
        kTeam = 11,
    };

    static constexpr int kSmallLabelStyle = 23;
    static constexpr int kLargeLabelStyle = 24;
    static constexpr qreal kLargeRingWidth = 3;
    static constexpr qreal kBorderWidth = 1;
    static constexpr qreal kTintAlpha = 0.1;
    static constexpr qreal kFadedIconAlpha = 0.5;
    static constexpr qreal kOverlayAlpha = 0.3;
    static constexpr qreal kChangeFontSize = 12;
    // The overlay covers the lower quarter until a finger is down.
    static constexpr qreal kOverlayTop = 0.75;
    static inline const QString kChangeText = QStringLiteral("Change");

    ZVAvatarView();
    ~ZVAvatarView() override;

    static qreal pointsForSize(int size);
    // Starts the contact's picture loading; the view that needs it later finds it cached.
    static void preloadAvatarForContact(const Contact& contact, int size);

    const std::shared_ptr<Contact>& contact() const { return contact_; }
    void setContact(const std::shared_ptr<Contact>& contact);
    const std::shared_ptr<Conversation>& conversation() const { return conversation_; }
    void setConversation(const std::shared_ptr<Conversation>& conversation);
    const std::shared_ptr<Hook>& hook() const { return hook_; }
    void setHook(const std::shared_ptr<Hook>& hook);
    const QString& placeholder() const { return placeholder_; }
    void setPlaceholder(const QString& text);
    int type() const { return type_; }
    void setType(int type);
    int size() const { return size_; }
    void setSize(int size);
    bool canChange() const { return overlay_ != nullptr; }
    void setCanChange(bool canChange);
    bool isHighlighted() const { return highlighted_; }
    void setHighlighted(bool highlighted);
    const std::shared_ptr<ZVCachedImage>& avatar() const { return avatar_; }
    void setAvatar(const std::shared_ptr<ZVCachedImage>& avatar);
    bool isObservingLoading() const { return loading_.isActive(); }
    void updateImage();
    // Removes the account's own picture, showing the initials meanwhile.
    void deleteAvatar();
    // Shows the picture of the file at once and uploads it as the account's own.
    void setContactAvatar(const QUrl& fileUrl);
    // The view keeps its own background: a colour from outside is ignored.
    void setBackgroundColor(const QColor&) {}

    const std::shared_ptr<platform::Label>& nameLabel() const { return nameLabel_; }
    const std::shared_ptr<platform::ImageView>& image() const { return image_; }
    const std::shared_ptr<platform::View>& overlay() const { return overlay_; }
    const std::shared_ptr<platform::Label>& changeLabel() const { return changeLabel_; }
    const std::shared_ptr<platform::ActivityIndicator>& activity() const { return activity_; }

    void layoutSubviews() override;
    void touchesBegan(const platform::TouchSet& touches,
                      const platform::TouchEvent& event) override;
    void touchesEnded(const platform::TouchSet& touches,
                      const platform::TouchEvent& event) override;
    void touchesCancelled(const platform::TouchSet& touches,
                          const platform::TouchEvent& event) override;

protected:
    void willMoveToSuperview(View* newSuperview) override;
    void didMoveToSuperview() override;

private:
    void showInitials(const QString& text, const QString& colourId);
    void showActivity();
    void hideActivity();
    // A delete or upload under way. Its answer takes away the spinner it put up, and applies only
    // while the view still shows the same contact: a row reused meanwhile is left alone.
    struct Answer {
        std::weak_ptr<View> view;
        std::shared_ptr<Contact> contact;
        std::weak_ptr<platform::ActivityIndicator> activity;
        // The view when the answer still concerns it.
        std::shared_ptr<ZVAvatarView> arrived() const;
    };
    void setOwnBackground(const QColor& color) { View::setBackgroundColor(color); }

    std::shared_ptr<platform::Label> nameLabel_;
    std::shared_ptr<platform::ImageView> image_;
    std::shared_ptr<platform::View> overlay_;
    std::shared_ptr<platform::Label> changeLabel_;
    std::shared_ptr<platform::ActivityIndicator> activity_;
    std::shared_ptr<Contact> contact_;
    std::shared_ptr<Conversation> conversation_;
    std::shared_ptr<Hook> hook_;
    std::shared_ptr<ZVCachedImage> avatar_;
    platform::Observation loading_;
    QString placeholder_;
    int type_ = kContact;
    int size_ = 0;
    bool highlighted_ = false;
};
