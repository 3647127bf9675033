#include "accounts/people/ZVMemberSelector.h"

#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/ZVConversationMembers.h"
#include "ZelvoKit/model/ZVMember.h"
#include "ZelvoKit/model/ZVRepositorySession.h"
#include "accounts/people/ZVMemberCell.h"
#include "platform/ui/table/TableViewDataSource.h"
#include "platform/ui/table/TableViewDelegate.h"
#include "toolkit/dialogs/ZVArrayCellGroup.h"
#include "toolkit/dialogs/ZVDialogCells.h"
#include "toolkit/tables/ZVTableView.h"

#include <algorithm>

// The form's own rows, with the highlight that ticks a row: the table highlights a row only once a
// touch is certain to be a tap, so a drag across the rows ticks nothing.
class ZVMemberSelector::TableWiring : public platform::TableViewDataSource,
                                      public platform::TableViewDelegate {
public:
    explicit TableWiring(ZVMemberSelector& owner) : owner_(owner) {}

    int tableViewNumberOfRowsInSection(platform::TableView&, int) override {
        return owner_.table_->numberOfRows();
    }
    std::shared_ptr<platform::TableViewCell> tableViewCellForRowAtIndexPath(
        platform::TableView&, platform::IndexPath path) override {
        return owner_.table_->cellForRow(path.row);
    }
    std::optional<qreal> tableViewHeightForRowAtIndexPath(platform::TableView&,
                                                          platform::IndexPath path) override {
        return owner_.table_->heightForRow(path.row);
    }
    void tableViewDidHighlightRowAtIndexPath(platform::TableView&,
                                             platform::IndexPath path) override {
        owner_.toggleRow(path.row);
    }
    std::optional<platform::IndexPath> tableViewWillSelectRowAtIndexPath(
        platform::TableView&, platform::IndexPath) override {
        return std::nullopt;
    }

private:
    ZVMemberSelector& owner_;
};

std::shared_ptr<ZVMemberSelector> ZVMemberSelector::make(
    const std::shared_ptr<Conversation>& conversation) {
    return View::make<ZVMemberSelector>(conversation);
}

ZVMemberSelector::ZVMemberSelector(const std::shared_ptr<Conversation>& conversation)
    : conversation_(conversation), wiring_(std::make_shared<TableWiring>(*this)) {}

ZVMemberSelector::~ZVMemberSelector() = default;

void ZVMemberSelector::setSelectedMembers(const QSet<QString>& members) {
    selectedMembers_ = members;
    if (table_) {
        table_->tableView()->reloadData();
        updateConfirmButton();
    }
}

void ZVMemberSelector::show() {
    const auto conversation = conversation_.lock();
    if (shownMembers_.isEmpty() || !conversation) {
        // As if "Cancel" had been pressed.
        if (const auto listener = delegate()) {
            listener->alertView(*this, 0);
        }
        return;
    }
    const auto& roster = conversation->sortedMembers();
    const auto session = std::dynamic_pointer_cast<ZVRepositorySession>(conversation->session());
    members_.clear();
    // The roster's order for its members; the others (former members) after them.
    for (const auto& member : *roster) {
        if (shownMembers_.contains(member->accountId())) {
            members_.push_back(member);
        }
    }
    QStringList others;
    for (const QString& id : shownMembers_) {
        if (!roster->containsId(id)) {
            others << id;
        }
    }
    others.sort();
    for (const QString& id : others) {
        if (const auto contact = session ? session->contactFromId(id) : nullptr) {
            members_.push_back(ZVMember::withContact(contact));
        }
    }

    table_ = platform::ViewController::make<ZVDialogCells>();
    QVariantList indexes;
    for (int i = 0; i < static_cast<int>(members_.size()); ++i) {
        indexes << i;
    }
    std::weak_ptr<ZVMemberSelector> weak =
        std::static_pointer_cast<ZVMemberSelector>(shared_from_this());
    auto group = std::make_shared<ZVArrayCellGroup>(
        indexes, ZVArrayCellGroup::CellClass::of<ZVMemberCell>(QStringLiteral("ZVMemberCell")),
        [weak](ZVDialogCell& cell, const QVariant& index) {
            const auto self = weak.lock();
            auto* row = dynamic_cast<ZVMemberCell*>(&cell);
            if (!self || !row) {
                return;
            }
            const auto& member = self->members_.at(static_cast<std::size_t>(index.toInt()));
            row->setBackgroundColor(Qt::white);
            row->setMember(member);
            row->setChecked(self->selectedMembers_.contains(member->accountId()));
        });
    group->setBeginsGroup(false);
    group->setEndsGroup(false);
    group->setRowHeight(static_cast<int>(kRowHeight - ZVDialogCells::kGroupRowSpacing));
    table_->addCell(group);
    const auto& tableView = table_->tableView();
    tableView->setDataSource(wiring_);
    tableView->setDelegate(wiring_);
    const int rows = static_cast<int>(members_.size());
    tableView->setFrame(QRectF(0, 0, frame().width() > 0 ? frame().width() : kDefaultWidth,
                               kRowHeight * std::min(rows, kVisibleRows)));
    tableView->setScrollEnabled(rows > kVisibleRows);
    tableView->reloadData();
    setViews({tableView});
    ZVAlertView::show();
    updateConfirmButton();
}

void ZVMemberSelector::toggleRow(int row) {
    if (row < 0 || row >= static_cast<int>(members_.size())) {
        return;
    }
    const QString id = members_[static_cast<std::size_t>(row)]->accountId();
    const bool checked = !selectedMembers_.contains(id);
    if (checked) {
        selectedMembers_.insert(id);
    } else {
        selectedMembers_.remove(id);
    }
    if (const auto cell = std::dynamic_pointer_cast<ZVMemberCell>(
            table_->tableView()->cellForRowAtIndexPath({0, row}))) {
        cell->setChecked(checked);
    }
    if (requireSelection_) {
        setButton(kConfirmIndex, !selectedMembers_.isEmpty());
    }
}

void ZVMemberSelector::updateConfirmButton() {
    setButton(kConfirmIndex, !requireSelection_ || !selectedMembers_.isEmpty());
}
