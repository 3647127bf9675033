#pragma once

#include "files/views/ZVThumbnailFileView.h"

// A row of the files page: the thumbnail row with who sent the file and when.
class ZVDetailedFileView : public ZVThumbnailFileView {
public:
    static constexpr int kTimestampStyle = 13;
    static constexpr qreal kTimestampGap = 5;
    static inline const QString kSenderFormat = QStringLiteral("by %@, %@");

    explicit ZVDetailedFileView(std::shared_ptr<File> file);

    const std::shared_ptr<platform::Label>& timestampLabel() const { return timestampLabel_; }

    void layoutSubviews() override;

protected:
    void bindFile() override;
    void backgroundColorChanged(const QColor& color) override;
    QString uploadedText(const QString& size) const override;

private:
    std::shared_ptr<platform::Label> timestampLabel_;
};
