#pragma once

#include "toolkit/dialogs/ZVDialogCell.h"

namespace platform {
class ImageView;
}

// A section heading of a form: the title in capitals, optionally after a numbered image.
class ZVHeaderCell : public ZVDialogCell {
public:
    static constexpr int kLabelStyle = 0;
    static constexpr int kTitleStyle = 4;
    static inline const QString kTitleColor = QStringLiteral("darkGray");
    static constexpr qreal kHeight = 30;
    static constexpr qreal kIndexGap = 5;

    explicit ZVHeaderCell(Style style = Style::Default, QString reuseIdentifier = {});
    ~ZVHeaderCell() override;

    // The count is not shown: headers of forms carry none.
    void setTitle(const QString& title, long count);
    // A numbered image ("icon-<index>") before the title.
    void setIndex(long index, const QString& title);
    const std::shared_ptr<platform::ImageView>& indexView() const { return indexView_; }

    void layoutSubviews() override;

private:
    std::shared_ptr<platform::ImageView> indexView_;
};
