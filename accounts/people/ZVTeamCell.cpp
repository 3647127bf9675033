#include "accounts/people/ZVTeamCell.h"

#include "ZelvoKit/model/Team.h"
#include "platform/ui/controls/ImageView.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/resources/Images.h"
#include "toolkit/style/Geometry.h"
#include "toolkit/style/ZVTextStyles.h"

ZVTeamCell::ZVTeamCell() {
    teamIndicator_ = View::make<platform::ImageView>(platform::Images::named(kTeamImage));
    teamIndicator_->sizeToFit();
    contentView()->addSubview(teamIndicator_);
    ZVTextStyles::styleLabel(*textLabel(), kNameStyle);
    if (const auto& detail = detailTextLabel()) {
        detail->setHidden(true);
    }
    setHeight(kRowHeight);
    setBeginsGroup(false);
    setEndsGroup(false);
    setIndents(false);
}

void ZVTeamCell::setTeam(const std::shared_ptr<Team>& team) {
    team_ = team;
    textLabel()->setText(team ? team->teamName() : QString());
    setNeedsLayout();
}

void ZVTeamCell::layoutSubviews() {
    ZVDialogCell::layoutSubviews();
    QRectF rect = bounds().adjusted(kMargin, 0, -kMargin, 0);
    const QRectF strip = CGRectExtractLeft(rect, teamIndicator_->frame().width());
    teamIndicator_->setCenter(CGRectGetCenter(strip));
    CGRectExtractLeft(rect, kGap);
    const auto& label = textLabel();
    label->sizeToFit();
    const qreal height = label->frame().height();
    label->setFrame(QRectF(rect.left(), rect.center().y() - height / 2, rect.width(), height));
}
