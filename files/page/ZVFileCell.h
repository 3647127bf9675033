#pragma once

#include "files/views/ZVFileMenuHandler.h"
#include "toolkit/tables/ZVTableViewCell.h"

#include <memory>

class ZVFileView;

// A row of the files page: one file in its detailed view.
class ZVFileCell : public ZVTableViewCell, public ZVFileRow {
public:
    static inline const QString kReuseIdentifier = QStringLiteral("file_cell");
    // The detailed file view.
    static constexpr int kFileViewKind = 3;
    static constexpr qreal kInsetY = 4;
    static constexpr qreal kInsetX = 13;
    static constexpr qreal kHighlightCornerRadius = 4;

    ZVFileCell(Style style, QString reuseIdentifier);
    ~ZVFileCell() override;

    std::shared_ptr<File> file() const override;
    void setFile(const std::shared_ptr<File>& file);
    const std::shared_ptr<ZVFileView>& fileView() const { return fileView_; }

    void layoutSubviews() override;
    QPainterPath highlightShape() const override;

private:
    std::shared_ptr<ZVFileView> fileView_;
};
