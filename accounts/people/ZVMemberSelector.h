#pragma once

#include "toolkit/alerts/ZVAlertView.h"

#include <QtCore/QSet>
#include <QtCore/QString>

#include <memory>
#include <vector>

class Conversation;
class ZVDialogCells;
class ZVMember;
namespace platform {
class TableViewDelegate;
}

// A card listing some of a conversation's members with check marks, for picking whom to disclose
// history to or to assign a task to. The caller sets the card's title, message and buttons, the
// members shown and those ticked, and reads the ticks when its delegate hears the dismissal.
class ZVMemberSelector : public ZVAlertView {
public:
    static constexpr qreal kRowHeight = 50;
    // More rows than this scroll.
    static constexpr int kVisibleRows = 5;
    static constexpr int kConfirmIndex = 1;

    static std::shared_ptr<ZVMemberSelector> make(
        const std::shared_ptr<Conversation>& conversation);
    explicit ZVMemberSelector(const std::shared_ptr<Conversation>& conversation);
    ~ZVMemberSelector() override;

    std::shared_ptr<Conversation> conversation() const { return conversation_.lock(); }
    const QSet<QString>& shownMembers() const { return shownMembers_; }
    void setShownMembers(const QSet<QString>& members) { shownMembers_ = members; }
    const QSet<QString>& selectedMembers() const { return selectedMembers_; }
    // Replaces the ticks and shows them.
    void setSelectedMembers(const QSet<QString>& members);
    bool requireSelection() const { return requireSelection_; }
    void setRequireSelection(bool require) { requireSelection_ = require; }
    const std::vector<std::shared_ptr<ZVMember>>& members() const { return members_; }
    const std::shared_ptr<ZVDialogCells>& table() const { return table_; }

    // With nobody to show, the card is not shown: its delegate hears button 0 at once.
    void show() override;
    // A touch certain to be a tap on a row ticks or unticks it.
    void toggleRow(int row);

private:
    class TableWiring;
    void updateConfirmButton();

    std::weak_ptr<Conversation> conversation_;
    QSet<QString> shownMembers_;
    QSet<QString> selectedMembers_;
    std::vector<std::shared_ptr<ZVMember>> members_;
    std::shared_ptr<ZVDialogCells> table_;
    std::shared_ptr<TableWiring> wiring_;
    bool requireSelection_ = false;
};
