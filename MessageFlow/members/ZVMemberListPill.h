#pragma once

#include "platform/foundation/TimerGroup.h"
#include "platform/ui/view/View.h"

#include <QtCore/QString>

#include <memory>

class Team;
class ZVMember;
namespace platform {
class Button;
class ImageView;
class Label;
}  // namespace platform

// One rounded name pill of the member list: a member, a team (with the team icon) or one of the
// two collapse pills. Pills added in this edit and not yet sent are drawn light and carry a remove
// button. A pill holds what it stands for weakly.
class ZVMemberListPill : public platform::View {
public:
    static constexpr int kLabelStyle = 10;
    static constexpr qreal kHeight = 25;
    static constexpr qreal kCornerRadius = 11;
    static constexpr qreal kPadding = 5;
    // The label's width plus this.
    static constexpr qreal kLabelExtra = 10;
    static constexpr qreal kBorderWidth = 1;
    static constexpr double kRemoveDelay = 0.1;
    static inline const QString kTeamImage = QStringLiteral("icon-team");
    static inline const QString kCloseImage = QStringLiteral("icon-close");

    ZVMemberListPill(const QString& name, bool isNew, bool removeButton);
    explicit ZVMemberListPill(const std::shared_ptr<ZVMember>& member);
    ZVMemberListPill(const std::shared_ptr<Team>& team, bool isNew);

    std::shared_ptr<ZVMember> member() const { return member_.lock(); }
    const std::weak_ptr<ZVMember>& weakMember() const { return member_; }
    std::shared_ptr<Team> team() const { return team_.lock(); }
    const std::weak_ptr<Team>& weakTeam() const { return team_; }
    bool isNew() const { return isNew_; }
    bool showRemoveButton() const { return removeButton_ != nullptr; }
    // The whole width: the label's part, the remove button's and the team icon's.
    qreal width() const;
    void setName(const QString& name);
    QString name() const;

    const std::shared_ptr<platform::Label>& label() const { return label_; }
    const std::shared_ptr<platform::ImageView>& teamIndicator() const { return teamIndicator_; }
    const std::shared_ptr<platform::Button>& removeButton() const { return removeButton_; }

    void layoutSubviews() override;
    // A touch that begins here goes no further; one that ends here tells the list.
    void touchesBegan(const platform::TouchSet& touches,
                      const platform::TouchEvent& event) override;
    void touchesEnded(const platform::TouchSet& touches,
                      const platform::TouchEvent& event) override;

private:
    void addTeamIndicator();
    void removeClicked();

    std::shared_ptr<platform::Label> label_;
    std::shared_ptr<platform::ImageView> teamIndicator_;
    std::shared_ptr<platform::Button> removeButton_;
    std::weak_ptr<ZVMember> member_;
    std::weak_ptr<Team> team_;
    qreal labelWidth_ = 0;
    bool isNew_ = false;
    platform::TimerGroup timers_;
};
