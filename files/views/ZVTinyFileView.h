#pragma once

#include "files/views/ZVFileView.h"

class ZVLabel;

// A one-line row of a collapsed message: the file's name, or a note that it was deleted.
class ZVTinyFileView : public ZVFileView {
public:
    static constexpr qreal kWidth = 100;
    static constexpr qreal kHeight = 20;
    static constexpr int kNameStyle = 7;
    static constexpr int kDeletedStyle = 13;
    static inline const QString kDeletedText = QStringLiteral("This file has been deleted");

    explicit ZVTinyFileView(std::shared_ptr<File> file);

    const std::shared_ptr<ZVLabel>& label() const { return label_; }
    bool truncated() const override;
    void setTruncated(bool truncated) override;
    // A row this small shows no highlight.
    void setHighlighted(bool /*highlighted*/) override {}

    void layoutSubviews() override;

protected:
    void bindFile() override;
    void backgroundColorChanged(const QColor& color) override;

private:
    std::shared_ptr<ZVLabel> label_;
};
