#pragma once

#include <QtCore/QtGlobal>

#include <memory>

class ZVDialogCell;
class ZVTableView;

// An entry of a dialog form that supplies several rows, each of rowHeight (plus the rows'
// spacing). By default the group draws its outer lines above its first and under its last row.
class ZVCellGroup {
public:
    static constexpr int kDefaultRowHeight = 40;

    ZVCellGroup() = default;
    virtual ~ZVCellGroup() = default;
    ZVCellGroup(const ZVCellGroup&) = delete;
    ZVCellGroup& operator=(const ZVCellGroup&) = delete;

    int rowHeight() const { return rowHeight_; }
    void setRowHeight(int height) { rowHeight_ = height; }
    bool beginsGroup() const { return beginsGroup_; }
    void setBeginsGroup(bool begins) { beginsGroup_ = begins; }
    bool endsGroup() const { return endsGroup_; }
    void setEndsGroup(bool ends) { endsGroup_ = ends; }

    virtual int count() const { return 0; }
    virtual std::shared_ptr<ZVDialogCell> cellAtIndex(ZVTableView& /*tableView*/, int /*index*/) {
        return nullptr;
    }

private:
    int rowHeight_ = kDefaultRowHeight;
    bool beginsGroup_ = true;
    bool endsGroup_ = true;
};
