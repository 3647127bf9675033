#pragma once

#include "toolkit/dialogs/ZVDialogCell.h"

namespace platform {
class ImageView;
}

// A row with a label and, at its right, a detail text and optionally a disclosure indicator.
// A long press offers to copy the label's text.
class ZVLabelCell : public ZVDialogCell {
public:
    static constexpr int kLabelStyle = 0;
    static constexpr int kDetailStyle = 13;
    static inline const QString kIndicatorImage = QStringLiteral("icon-toggle");
    static constexpr qreal kIndicatorGap = 5;
    static constexpr int kLayoutFlags = 529;

    ZVLabelCell();
    // For rows that a table reuses (an array group's).
    ZVLabelCell(Style style, QString reuseIdentifier);
    ~ZVLabelCell() override;

    QString labelText() const;
    void setLabelText(const QString& text);
    QString detailText() const;
    void setDetailText(const QString& text);
    bool detailStyle() const { return discloseIndicator_ != nullptr; }
    void setDetailStyle(bool disclose);
    const std::shared_ptr<platform::ImageView>& discloseIndicator() const {
        return discloseIndicator_;
    }

    void layoutSubviews() override;

private:
    std::shared_ptr<platform::ImageView> discloseIndicator_;
};
