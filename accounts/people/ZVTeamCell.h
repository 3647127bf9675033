#pragma once

#include "toolkit/dialogs/ZVDialogCell.h"

#include <QtCore/QString>

#include <memory>

class Team;
namespace platform {
class ImageView;
}

// The heading row of a team on the members page: the team icon and the team's name.
class ZVTeamCell : public ZVDialogCell {
public:
    static inline const QString kTeamImage = QStringLiteral("icon-team");
    static constexpr int kNameStyle = 1;
    static constexpr qreal kRowHeight = 40;
    static constexpr qreal kMargin = 13;
    static constexpr qreal kGap = 5;

    ZVTeamCell();

    std::shared_ptr<Team> team() const { return team_.lock(); }
    void setTeam(const std::shared_ptr<Team>& team);
    const std::shared_ptr<platform::ImageView>& teamIndicator() const { return teamIndicator_; }

    // The row is exactly its height: no room above or below the content.
    platform::EdgeInsets contentViewInsets() const override { return {0, kMargin, 0, kMargin}; }
    void layoutSubviews() override;

private:
    std::weak_ptr<Team> team_;
    std::shared_ptr<platform::ImageView> teamIndicator_;
};
