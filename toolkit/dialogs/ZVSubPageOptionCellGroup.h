#pragma once

#include "toolkit/dialogs/ZVLabelCell.h"

#include <QtCore/QStringList>

class ZVOptionCellGroup;

// One row that shows the chosen option's short title and, when selected, opens a sub-page with
// the options' long titles as a radio group; the user's choice there comes back to the row at once.
class ZVSubPageOptionCellGroup : public ZVLabelCell {
public:
    ZVSubPageOptionCellGroup();
    ~ZVSubPageOptionCellGroup() override;

    const QString& longTitle() const { return longTitle_; }
    void setLongTitle(const QString& title) { longTitle_ = title; }
    void addOptionShortTitle(const QString& shortTitle, const QString& longTitle);
    int checkedIndex() const { return checkedIndex_; }
    // An index outside the titles shows no detail text.
    void setCheckedIndex(int index);
    // The radio group of the open sub-page, or null.
    const std::shared_ptr<ZVOptionCellGroup>& ocg() const { return ocg_; }

    void setSelected(bool selected, bool animated) override;
    using ZVLabelCell::setSelected;

private:
    QString longTitle_;
    int checkedIndex_ = -1;
    QStringList shortTitles_;
    QStringList longTitles_;
    std::shared_ptr<ZVOptionCellGroup> ocg_;
    platform::Observation ocgObservation_;
};
