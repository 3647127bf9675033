#include "toolkit/dialogs/ZVSubPageOptionCellGroup.h"

#include "platform/ui/controllers/navigation/NavigationController.h"
#include "platform/ui/text/AttributedText.h"
#include "toolkit/dialogs/ZVDialogCells.h"
#include "toolkit/dialogs/ZVOptionCellGroup.h"
#include "toolkit/screens/ZVScreenCoordinator.h"
#include "toolkit/style/ZVColors.h"

ZVSubPageOptionCellGroup::ZVSubPageOptionCellGroup() {
    detailTextLabel()->setTextColor(platform::resolveColor(ZVColors::logo()));
    setDetailStyle(true);
}

ZVSubPageOptionCellGroup::~ZVSubPageOptionCellGroup() = default;

void ZVSubPageOptionCellGroup::addOptionShortTitle(const QString& shortTitle,
                                                   const QString& longTitle) {
    shortTitles_ << shortTitle;
    longTitles_ << longTitle;
}

void ZVSubPageOptionCellGroup::setCheckedIndex(int index) {
    checkedIndex_ = index;
    setDetailText(index >= 0 && index < shortTitles_.size() ? shortTitles_.at(index) : QString());
    if (ocg_ && ocg_->checkedIndex() != index) {
        ocg_->setCheckedIndex(index);
    }
}

void ZVSubPageOptionCellGroup::setSelected(bool selected, bool animated) {
    ZVLabelCell::setSelected(selected, animated);
    if (!selected) {
        return;
    }
    const auto navigation = ZVScreenCoordinator::shared().leftNavigationController();
    platform::ViewController* top = navigation ? navigation->topViewController() : nullptr;
    // Only a row of the screen on top of the left stack opens its page there.
    if (!top || !top->isViewLoaded() || !isDescendantOf(top->view().get())) {
        return;
    }
    auto page = platform::ViewController::make<ZVDialogCells>();
    page->setTitle(labelText());
    page->addHeader(longTitle_);
    ocgObservation_ = {};
    ocg_ = std::make_shared<ZVOptionCellGroup>(longTitles_);
    ocg_->setCheckedIndex(checkedIndex_);
    std::weak_ptr<ZVOptionCellGroup> weakGroup = ocg_;
    ocgObservation_ =
        ocg_->observe(ZVOptionCellGroup::kCheckedIndexKey, [this, weakGroup](const QString&) {
            if (const auto group = weakGroup.lock()) {
                setCheckedIndex(group->checkedIndex());
            }
        });
    page->addCell(ocg_);
    navigation->pushViewController(page, true);
}
