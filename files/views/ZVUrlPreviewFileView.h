#pragma once

#include "files/views/ZVFileView.h"

class ZVFileThumbnail;
class ZVRichText;
namespace platform {
class Label;
}  // namespace platform

// A link's card: its picture, title and description, and the site it is on.
class ZVUrlPreviewFileView : public ZVFileView {
public:
    static constexpr qreal kWidth = 300;
    static constexpr qreal kInset = 5;
    // The width the texts are measured at: the card less its insets and border.
    static constexpr qreal kTextWidth = 288;
    static constexpr qreal kCornerRadius = 4;
    static constexpr int kDomainStyle = 13;
    static inline const QString kOriginalFileFormat = QStringLiteral("%@ (%@)");

    explicit ZVUrlPreviewFileView(std::shared_ptr<File> file);
    ~ZVUrlPreviewFileView() override;

    static qreal heightForFile(const File& file);
    // The link's host without "www.", or the original file's name and size for a card without
    // texts; empty when neither.
    static QString domainText(const File& file);

    // Only when the link has a picture.
    const std::shared_ptr<ZVFileThumbnail>& preview() const { return preview_; }
    const std::shared_ptr<ZVRichText>& titleLabel() const { return titleLabel_; }
    const std::shared_ptr<ZVRichText>& descriptionLabel() const { return descriptionLabel_; }
    const std::shared_ptr<platform::Label>& domainLabel() const { return domainLabel_; }

    void refresh() override;
    void layoutSubviews() override;

protected:
    void bindFile() override;
    void backgroundColorChanged(const QColor& color) override;

private:
    static qreal pictureHeight(const File& file);

    std::shared_ptr<ZVFileThumbnail> preview_;
    std::shared_ptr<ZVRichText> titleLabel_;
    std::shared_ptr<ZVRichText> descriptionLabel_;
    std::shared_ptr<platform::Label> domainLabel_;
};
