#pragma once

#include "platform/foundation/Observable.h"
#include "toolkit/dialogs/ZVCellGroup.h"

#include <QtCore/QStringList>

#include <vector>

class ZVOptionCell;

// A radio group of option rows: checking one unchecks the others. The checked index is observable
// ("checkedIndex"), -1 while none is checked.
class ZVOptionCellGroup : public ZVCellGroup, public platform::Observable {
public:
    static inline const QString kCheckedIndexKey = QStringLiteral("checkedIndex");

    explicit ZVOptionCellGroup(const QStringList& options);
    ~ZVOptionCellGroup() override;

    const std::vector<std::shared_ptr<ZVOptionCell>>& cells() const { return cells_; }
    int count() const override { return static_cast<int>(cells_.size()); }
    std::shared_ptr<ZVDialogCell> cellAtIndex(ZVTableView& tableView, int index) override;
    QString optionAtIndex(int index) const;
    void setTitle(const QString& title, int index);

    int checkedIndex() const;
    // An index outside the group leaves none checked.
    void setCheckedIndex(int index);
    // That of the first option.
    bool enabled() const;
    void setEnabled(bool enabled);

private:
    void optionChanged(std::size_t index, platform::ChangePhase phase);

    std::vector<std::shared_ptr<ZVOptionCell>> cells_;
    std::vector<platform::Observation> observations_;
    // Whether the option being announced was checked before the change.
    bool wasChecked_ = false;
};
