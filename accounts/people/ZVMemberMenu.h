#pragma once

#include "platform/foundation/TimerGroup.h"
#include "toolkit/alerts/ZVActionMenuHost.h"

#include <QtCore/QString>

#include <memory>

class Conversation;
class Team;
class ZVMember;

// The action menu of a members page row: the profile, a one-to-one conversation, removal,
// disclosure of the history to a later joiner, or, on the user's own row, leaving; a team row
// offers only removing the team. Refused changes send nothing.
class ZVMemberMenu : public ZVActionMenuHost {
public:
    static constexpr int kTrackingCategory = 13;
    static inline const QString kTrackingAction = QStringLiteral("Member");
    static constexpr double kDialogDelay = 0.1;

    ZVMemberMenu(const std::shared_ptr<platform::TableView>& tableView,
                 const std::shared_ptr<Conversation>& conversation);
    ~ZVMemberMenu() override;

    std::shared_ptr<Conversation> conversation() const { return conversation_.lock(); }
    const std::shared_ptr<ZVMember>& member() const { return member_; }
    const std::shared_ptr<Team>& team() const { return team_; }

    void menuWillAppear() override;
    void menuWillDisappear() override;
    std::shared_ptr<platform::View> pointAtView() override;

    void profile();
    void dialog();
    void kick();
    void disclose();
    void removeTeam();
    void leave();

private:
    std::weak_ptr<Conversation> conversation_;
    std::shared_ptr<ZVMember> member_;
    std::shared_ptr<Team> team_;
    platform::TimerGroup timers_;
};
