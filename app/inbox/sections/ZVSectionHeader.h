#pragma once

#include "platform/ui/view/View.h"

#include <memory>

class ZVInboxItem;
class ZVUnreadBadge;
namespace platform {
class ImageView;
class Label;
}  // namespace platform

// The header of a label's section: its name, a team mark for a team's label, the badge of unread
// conversations while collapsed, and the arrow that collapses and expands it on a tap.
class ZVSectionHeader : public platform::View {
public:
    static constexpr qreal kWidth = 100;
    static constexpr qreal kHeight = 45;
    static constexpr qreal kWhite = 0.95;
    static constexpr qreal kPressedWhite = 0.9;
    static constexpr qreal kInsetX = 10;
    static constexpr qreal kInsetY = 5;
    static constexpr qreal kGap = 5;
    static constexpr int kNameStyle = 10;

    explicit ZVSectionHeader(const std::shared_ptr<ZVInboxItem>& item);
    ~ZVSectionHeader() override;

    std::shared_ptr<ZVInboxItem> item() const { return item_.lock(); }
    void updateName();
    void setUnreadCount(long count, bool gray, bool animated);
    long badgeNumber() const;
    // Collapses an expanded section and expands a collapsed one.
    void toggleExpand();
    bool separator() const { return separator_; }
    void setSeparator(bool separator);

    const std::shared_ptr<platform::Label>& label() const { return label_; }
    const std::shared_ptr<ZVUnreadBadge>& badge() const { return badge_; }
    const std::shared_ptr<platform::ImageView>& icon() const { return icon_; }
    const std::shared_ptr<platform::ImageView>& teamIcon() const { return teamIcon_; }

    void setBackgroundColor(const QColor& color);
    void layoutSubviews() override;
    void drawRect(QPainter& painter, const QRectF& rect) override;
    void touchesBegan(const platform::TouchSet& touches,
                      const platform::TouchEvent& event) override;
    void touchesEnded(const platform::TouchSet& touches,
                      const platform::TouchEvent& event) override;
    void touchesCancelled(const platform::TouchSet& touches,
                          const platform::TouchEvent& event) override;

private:
    std::weak_ptr<ZVInboxItem> item_;
    std::shared_ptr<platform::Label> label_;
    std::shared_ptr<platform::ImageView> icon_;
    std::shared_ptr<platform::ImageView> teamIcon_;
    std::shared_ptr<ZVUnreadBadge> badge_;
    bool separator_ = false;
};
