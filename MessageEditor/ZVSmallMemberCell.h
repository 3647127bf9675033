#pragma once

#include "MessageEditor/ZVAutoCompletePickerCell.h"

#include <QtCore/QMetaType>

#include <memory>

class ZVAvatarView;
class ZVMember;

// The editors' suggestions for "@" hold members.
Q_DECLARE_METATYPE(std::shared_ptr<ZVMember>)

// A row of the mention suggestions: avatar, name and "@" handle, the typed part highlighted.
// Choosing it types the member's short name and a space.
class ZVSmallMemberCell : public ZVAutoCompletePickerCell {
public:
    static constexpr int kAvatarSize = 1;

    // Always a subtitle cell, whatever style is asked for.
    ZVSmallMemberCell(Style style, QString reuseIdentifier);

    // A ZVMember; anything else leaves the row empty.
    void setItem(const QVariant& item) override;
    QString text() const override;
    void layoutSubviews() override;

    std::shared_ptr<ZVMember> member() const { return member_.lock(); }
    const std::shared_ptr<ZVAvatarView>& avatar() const { return avatar_; }

private:
    std::weak_ptr<ZVMember> member_;
    std::shared_ptr<ZVAvatarView> avatar_;
};
