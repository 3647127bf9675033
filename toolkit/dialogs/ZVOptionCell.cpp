#include "toolkit/dialogs/ZVOptionCell.h"

#include "platform/ui/controls/ImageView.h"
#include "platform/ui/controls/Switch.h"
#include "platform/ui/resources/Images.h"
#include "platform/ui/text/AttributedText.h"
#include "toolkit/style/ViewLayout.h"
#include "toolkit/style/ZVColors.h"
#include "toolkit/style/ZVTextStyles.h"

ZVOptionCell::ZVOptionCell() : ZVDialogCell(Style::Default, QString()) {
    ZVTextStyles::styleLabel(*textLabel(), kTitleStyle);
    setIsRadioOption(false);
    setHeight(kDefaultHeight);
}

ZVOptionCell::~ZVOptionCell() {
    if (switch_) {
        switch_->removeTarget(switchTarget_);
    }
}

void ZVOptionCell::setIsRadioOption(bool radio) {
    for (auto* part : {static_cast<platform::View*>(checkedImage_.get()),
                       static_cast<platform::View*>(switch_.get())}) {
        if (part) {
            part->removeFromSuperview();
        }
    }
    checkedImage_.reset();
    if (switch_) {
        switch_->removeTarget(switchTarget_);
        switch_.reset();
    }
    if (radio) {
        checkedImage_ = View::make<platform::ImageView>(
            platform::Images::named(checked_ ? kCheckedImage : kUncheckedImage));
        checkedImage_->sizeToFit();
        checkedImage_->setAlpha(enabled_ ? 1 : kDisabledMarkOpacity);
        contentView()->addSubview(checkedImage_);
    } else {
        switch_ = View::make<platform::Switch>();
        switch_->sizeToFit();
        switch_->setOn(checked_);
        switch_->setEnabled(enabled_);
        switch_->setOnTintColor(platform::resolveColor(ZVColors::logo()));
        // No weak reference can be had while the cell is being constructed: the target is taken
        // off the switch whenever the cell lets it go.
        switchTarget_ = switch_->addTarget(platform::Control::ValueChanged,
                                           [this](platform::Control&) { switchChanged(); });
        contentView()->addSubview(switch_);
    }
    setNeedsLayout();
}

void ZVOptionCell::setEnabled(bool enabled) {
    if (enabled == enabled_) {
        return;
    }
    enabled_ = enabled;
    if (switch_) {
        switch_->setEnabled(enabled);
    } else {
        // The mark is made again so that its opacity follows.
        setIsRadioOption(true);
    }
}

void ZVOptionCell::setChecked(bool checked, bool animated) {
    if (checked == checked_) {
        return;
    }
    checked_ = checked;
    if (checkedImage_) {
        checkedImage_->setImage(platform::Images::named(checked ? kCheckedImage : kUncheckedImage));
    } else if (switch_) {
        // The switch has no motion of its own to ask for.
        Q_UNUSED(animated);
        switch_->setOn(checked);
    }
    setNeedsLayout();
}

QString ZVOptionCell::title() const {
    return const_cast<ZVOptionCell*>(this)->textLabel()->text();
}

void ZVOptionCell::setTitle(const QString& title) {
    textLabel()->setText(title);
    setNeedsLayout();
}

void ZVOptionCell::switchChanged() {
    changeValueForKey(kCheckedKey, [this] { checked_ = switch_->isOn(); });
}

void ZVOptionCell::cellTapped() {
    if (!enabled_) {
        return;
    }
    willChangeValueForKey(kCheckedKey);
    // A radio option stays checked when tapped again; a switch toggles.
    const bool checked = !checked_ || isRadioOption();
    setChecked(checked, true);
    didChangeValueForKey(kCheckedKey);
}

void ZVOptionCell::layoutSubviews() {
    ZVDialogCell::layoutSubviews();
    const std::shared_ptr<View> mark =
        checkedImage_ ? std::static_pointer_cast<View>(checkedImage_) : switch_;
    alignViews({textLabel(), mark}, contentBounds(), kLayoutFlags, textLabel());
}
