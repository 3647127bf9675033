#include "toolkit/dialogs/ZVOptionCellGroup.h"

#include "toolkit/dialogs/ZVOptionCell.h"

ZVOptionCellGroup::ZVOptionCellGroup(const QStringList& options) {
    for (qsizetype i = 0; i < options.size(); ++i) {
        auto cell = std::make_shared<ZVOptionCell>();
        cell->setIsRadioOption(true);
        const std::size_t index = cells_.size();
        observations_.push_back(cell->observe(
            ZVOptionCell::kCheckedKey, [this, index](const QString&, platform::ChangePhase phase) {
                optionChanged(index, phase);
            }));
        cell->setTitle(options.at(i));
        cell->setBeginsGroup(i == 0);
        cell->setEndsGroup(i == options.size() - 1);
        cells_.push_back(std::move(cell));
    }
}

ZVOptionCellGroup::~ZVOptionCellGroup() = default;

void ZVOptionCellGroup::optionChanged(std::size_t index, platform::ChangePhase phase) {
    const auto& option = cells_.at(index);
    if (phase == platform::ChangePhase::WillChange) {
        wasChecked_ = option->checked();
        return;
    }
    // Only an option turning on changes the group.
    if (wasChecked_ || !option->checked()) {
        return;
    }
    changeValueForKey(kCheckedIndexKey, [&] {
        for (std::size_t i = 0; i < cells_.size(); ++i) {
            if (i != index) {
                cells_[i]->setChecked(false);
            }
        }
    });
}

std::shared_ptr<ZVDialogCell> ZVOptionCellGroup::cellAtIndex(ZVTableView& /*tableView*/,
                                                             int index) {
    if (index < 0 || index >= count()) {
        return nullptr;
    }
    return cells_.at(static_cast<std::size_t>(index));
}

QString ZVOptionCellGroup::optionAtIndex(int index) const {
    if (index < 0 || index >= count()) {
        return QString();
    }
    return cells_.at(static_cast<std::size_t>(index))->title();
}

void ZVOptionCellGroup::setTitle(const QString& title, int index) {
    if (index >= 0 && index < count()) {
        cells_.at(static_cast<std::size_t>(index))->setTitle(title);
    }
}

int ZVOptionCellGroup::checkedIndex() const {
    for (std::size_t i = 0; i < cells_.size(); ++i) {
        if (cells_[i]->checked()) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

void ZVOptionCellGroup::setCheckedIndex(int index) {
    changeValueForKey(kCheckedIndexKey, [&] {
        for (std::size_t i = 0; i < cells_.size(); ++i) {
            const bool checked = static_cast<int>(i) == index;
            if (cells_[i]->checked() != checked) {
                cells_[i]->setChecked(checked);
            }
        }
    });
}

bool ZVOptionCellGroup::enabled() const {
    return cells_.empty() || cells_.front()->enabled();
}

void ZVOptionCellGroup::setEnabled(bool enabled) {
    for (const auto& cell : cells_) {
        cell->setEnabled(enabled);
    }
}
