#pragma once

#include "files/views/ZVFileView.h"
#include "platform/foundation/ObserverList.h"

class ZVFileThumbnail;
class ZVRichText;
namespace platform {
class Label;
}  // namespace platform

// A bordered row with the file's thumbnail, its name and its size, or how its upload goes.
class ZVThumbnailFileView : public ZVFileView {
public:
    static constexpr qreal kWidth = 300;
    static constexpr qreal kHeight = 61;
    static constexpr qreal kInset = 10;
    static constexpr qreal kThumbnailGap = 5;
    static constexpr qreal kCornerRadius = 4;
    static constexpr int kNameStyle = 7;
    // The name's line is as high as body text.
    static constexpr int kNameLineStyle = 5;
    static constexpr int kDetailStyle = 13;
    static inline const QString kUploadingFormat = QStringLiteral("Uploading %ld%% of %@");
    static inline const QString kFailedFormat = QStringLiteral("%@ (%@)");
    static inline const QString kFailedText = QStringLiteral("Failed");
    static inline const QString kDetailColorName = QStringLiteral("messageComment");
    static const QColor kFailedColor;

    explicit ZVThumbnailFileView(std::shared_ptr<File> file);
    ~ZVThumbnailFileView() override;

    const std::shared_ptr<ZVRichText>& label() const { return label_; }
    const std::shared_ptr<ZVFileThumbnail>& thumbnail() const { return thumbnail_; }
    const std::shared_ptr<platform::Label>& detailLabel() const { return detailLabel_; }
    bool isObservingUpload() const { return upload_.isActive(); }

    // The name: its search highlighting when it has one, cut to 28 units.
    static platform::AttributedString nameText(const File& file, int style);

    void updateFileSize();
    void updateLabel();
    void refresh() override;
    void layoutSubviews() override;

protected:
    void bindFile() override;
    void backgroundColorChanged(const QColor& color) override;
    // The detail line of a file that is on the service.
    virtual QString uploadedText(const QString& size) const { return size; }
    // The inset bounds and where the name goes.
    QRectF layoutRows(QRectF& inset);

private:
    void observeUpload();

    std::shared_ptr<ZVRichText> label_;
    std::shared_ptr<ZVFileThumbnail> thumbnail_;
    std::shared_ptr<platform::Label> detailLabel_;
    platform::Observation upload_;
};
