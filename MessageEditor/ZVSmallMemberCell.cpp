#include "MessageEditor/ZVSmallMemberCell.h"

#include "ZelvoKit/model/ZVMember.h"
#include "platform/ui/controls/Label.h"
#include "toolkit/style/ViewLayout.h"
#include "toolkit/widgets/avatars/ZVAvatarView.h"

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int kMemberRowFlags = kAlignSizeLabelsToFit | kAlignLeft | kAlignCenterY;
constexpr qreal kMemberRowInset = 5;

}  // namespace

ZVSmallMemberCell::ZVSmallMemberCell(Style, QString reuseIdentifier)
    : ZVAutoCompletePickerCell(Style::Subtitle, std::move(reuseIdentifier)),
      avatar_(platform::View::make<ZVAvatarView>()) {
    avatar_->setSize(kAvatarSize);
    contentView()->addSubview(avatar_);
    if (const auto& detail = detailTextLabel()) {
        detail->setTextAlignment(platform::TextAlignment::Left);
    }
}

void ZVSmallMemberCell::setItem(const QVariant& item) {
    const auto member = item.value<std::shared_ptr<ZVMember>>();
    member_ = member;
    if (!member) {
        textLabel()->setText(QString());
        avatar_->setContact(nullptr);
        if (const auto& detail = detailTextLabel()) {
            detail->setText(QString());
        }
        return;
    }
    textLabel()->setAttributedText(member->highlightedName());
    avatar_->setContact(member->contact());
    if (const auto& detail = detailTextLabel()) {
        platform::AttributedString handle(u"@"_s);
        if (!member->zelvoId().isEmpty()) {
            handle.append(member->highlightedZelvoId());
        } else {
            handle.append(member->uniqueShortName(), {});
        }
        detail->setAttributedText(handle);
    }
    setNeedsLayout();
}

QString ZVSmallMemberCell::text() const {
    const auto member = member_.lock();
    return (member ? member->uniqueShortName() : QString()) + u' ';
}

void ZVSmallMemberCell::layoutSubviews() {
    ZVAutoCompletePickerCell::layoutSubviews();
    ViewList views{avatar_, textLabel()};
    if (const auto& detail = detailTextLabel()) {
        views.push_back(detail);
    }
    alignViews(views,
               contentView()->bounds().adjusted(kMemberRowInset, kMemberRowInset, -kMemberRowInset,
                                                -kMemberRowInset),
               kMemberRowFlags);
}
