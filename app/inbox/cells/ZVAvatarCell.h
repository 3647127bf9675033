#pragma once

#include "platform/ui/table/TableViewCell.h"

#include <memory>

class ZVAvatarView;

// A table row with an optional avatar at the left and a one-point line at its bottom; the base of
// the inbox rows.
class ZVAvatarCell : public platform::TableViewCell {
public:
    static constexpr qreal kHorizontalInset = 13;
    static constexpr qreal kVerticalInset = 15;
    static constexpr qreal kAvatarGap = 10;
    // The platform's own layout runs again only when the content view's width is off by more.
    static constexpr qreal kRelayoutTolerance = 1;

    explicit ZVAvatarCell(Style style = Style::Default, QString reuseIdentifier = {});
    ~ZVAvatarCell() override;

    // 0 removes the avatar; another size class makes it (a conversation avatar) on first use.
    int avatarSize() const;
    virtual void setAvatarSize(int size);
    const std::shared_ptr<ZVAvatarView>& avatarView() const { return avatarView_; }

    bool separator() const;
    void setSeparator(bool visible);
    bool separatorExcludesAvatar() const { return separatorExcludesAvatar_; }
    void setSeparatorExcludesAvatar(bool excludes) { separatorExcludesAvatar_ = excludes; }
    const std::shared_ptr<platform::View>& separatorView() const { return separator_; }

    // Places the avatar and the separator in `rect` and returns the room left for the content.
    virtual QRectF layoutWithRect(const QRectF& rect);
    void layoutSubviews() override;

private:
    std::shared_ptr<ZVAvatarView> avatarView_;
    std::shared_ptr<platform::View> separator_;
    bool separatorExcludesAvatar_ = false;
};
