#include "MessageEditor/ZVAutoCompletePickerCell.h"

#include "platform/foundation/AttributedString.h"
#include "platform/ui/controls/Label.h"
#include "toolkit/style/ViewLayout.h"
#include "toolkit/style/ZVTextStyles.h"

namespace {

constexpr int kLayoutFlags = kAlignSizeLabelsToFit | kAlignLeft | kAlignCenterY;

}  // namespace

ZVAutoCompletePickerCell::ZVAutoCompletePickerCell(Style style, QString reuseIdentifier)
    : ZVDialogCell(style, std::move(reuseIdentifier)) {
    ZVTextStyles::styleLabel(*textLabel(), kTextStyle);
    if (const auto& detail = detailTextLabel()) {
        ZVTextStyles::styleLabel(*detail, kDetailStyle);
    }
    setIndents(false);
}

void ZVAutoCompletePickerCell::setItem(const QVariant& item) {
    const QVariantList pair =
        item.typeId() == QMetaType::QVariantList ? item.toList() : QVariantList();
    if (pair.size() == 2) {
        setMainItem(pair.at(0));
        if (const auto& detail = detailTextLabel()) {
            detail->setText(pair.at(1).toString());
        }
    } else {
        setMainItem(item);
        if (const auto& detail = detailTextLabel()) {
            detail->setText(QString());
        }
    }
    setNeedsLayout();
}

void ZVAutoCompletePickerCell::setMainItem(const QVariant& item) {
    if (item.metaType() == QMetaType::fromType<platform::AttributedString>()) {
        textLabel()->setAttributedText(item.value<platform::AttributedString>());
    } else {
        textLabel()->setText(item.toString());
    }
}

QString ZVAutoCompletePickerCell::text() const {
    QString main = const_cast<ZVAutoCompletePickerCell*>(this)->textLabel()->text();
    if (main.startsWith(u'/')) {
        main.remove(0, 1);
    }
    return main + u' ';
}

void ZVAutoCompletePickerCell::layoutSubviews() {
    ZVDialogCell::layoutSubviews();
    ViewList views{textLabel()};
    if (const auto& detail = detailTextLabel()) {
        views.push_back(detail);
    }
    alignViews(
        views,
        contentView()->bounds().adjusted(kLayoutInset, kLayoutInset, -kLayoutInset, -kLayoutInset),
        kLayoutFlags);
}
