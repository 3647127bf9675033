#pragma once

#include "toolkit/dialogs/ZVDialogCell.h"

namespace platform {
class ImageView;
class Switch;
}  // namespace platform

// An option row: a title with a switch, or with a radio mark when it belongs to a radio group.
// "checked" is observable; a tap (or the switch) announces it. A disabled option ignores taps and
// dims its mark.
class ZVOptionCell : public ZVDialogCell {
public:
    static inline const QString kCheckedKey = QStringLiteral("checked");
    static inline const QString kCheckedImage = QStringLiteral("icon-select-selected");
    static inline const QString kUncheckedImage = QStringLiteral("icon-select-normal");
    static constexpr qreal kDisabledMarkOpacity = 0.5;
    static constexpr int kTitleStyle = 0;
    static constexpr int kLayoutFlags = 17;

    ZVOptionCell();
    ~ZVOptionCell() override;

    bool isRadioOption() const { return checkedImage_ != nullptr; }
    void setIsRadioOption(bool radio);
    bool enabled() const { return enabled_; }
    void setEnabled(bool enabled);
    bool checked() const { return checked_; }
    void setChecked(bool checked) { setChecked(checked, false); }
    void setChecked(bool checked, bool animated);
    QString title() const;
    void setTitle(const QString& title);

    const std::shared_ptr<platform::ImageView>& checkedImage() const { return checkedImage_; }
    const std::shared_ptr<platform::Switch>& switchControl() const { return switch_; }

    void switchChanged();
    void cellTapped() override;
    void layoutSubviews() override;

private:
    std::shared_ptr<platform::ImageView> checkedImage_;
    std::shared_ptr<platform::Switch> switch_;
    int switchTarget_ = 0;
    bool checked_ = false;
    bool enabled_ = true;
};
