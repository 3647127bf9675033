#include "tools/gallery/GalleryScreens.h"

#include "platform/ui/controls/Label.h"
#include "platform/ui/view/DeviceProfile.h"

namespace gallery {

using namespace platform;

namespace {

constexpr qreal kScreenMargin = 20;
constexpr qreal kLabelHeight = 44;

}  // namespace

RowScreen::RowScreen(IndexPath path) : path_(path) {
    setTitle(QStringLiteral("Row %1").arg(path.section * SampleTableRows::kRowsPerSection +
                                          path.row + 1));
    setEdgesForExtendedLayout(EdgeNone);
}

void RowScreen::loadView() {
    auto view = View::make(QRectF(QPointF(0, 0), DeviceProfile::phone().size));
    view->setBackgroundColor(Qt::white);
    auto label = View::make<Label>(QRectF(kScreenMargin, kScreenMargin, 0, kLabelHeight));
    label->setText(QStringLiteral("Section %1, row %2").arg(path_.section + 1).arg(path_.row + 1));
    label->sizeToFit();
    view->addSubview(label);
    setView(view);
}

TableScreen::TableScreen() : sample_(SampleTable::make(DeviceProfile::phone().size)) {
    setTitle(QStringLiteral("Gallery"));
    setEdgesForExtendedLayout(EdgeNone);
    sample_.rows->onSelect = [this](IndexPath path) {
        if (NavigationController* navigation = navigationController()) {
            navigation->pushViewController(std::make_shared<RowScreen>(path), true);
        }
    };
}

void TableScreen::loadView() {
    setView(sample_.table);
}

std::shared_ptr<NavigationController> makeGalleryStack() {
    return std::make_shared<NavigationController>(std::make_shared<TableScreen>());
}

}  // namespace gallery
