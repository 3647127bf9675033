#pragma once

#include "files/views/ZVFileView.h"
#include "platform/foundation/ObserverList.h"

class ZVFileThumbnail;
class ZVRichText;
class ZVSmallProgressBar;

// A large picture of the file with its name and size below; while the file uploads the picture
// is dimmed under a progress bar.
class ZVPreviewFileView : public ZVFileView {
public:
    static constexpr qreal kCornerRadius = 4;
    static constexpr qreal kPendingAlpha = 0.5;
    static constexpr qreal kProgressWidth = 150;
    // The bar stops short of full until the service has the file.
    static constexpr float kMaximumShownProgress = 0.9F;
    static constexpr int kNameStyle = 7;
    static constexpr int kSizeStyle = 13;

    explicit ZVPreviewFileView(std::shared_ptr<File> file);
    ~ZVPreviewFileView() override;

    static qreal heightForFile(const File& file);
    static qreal widthForFile(const File& file);

    const std::shared_ptr<ZVFileThumbnail>& preview() const { return preview_; }
    const std::shared_ptr<ZVRichText>& label() const { return label_; }
    // Only while the file uploads.
    const std::shared_ptr<ZVSmallProgressBar>& progressView() const { return progressView_; }
    bool isObservingUpload() const { return upload_.isActive(); }

    void updateLabel();
    void refresh() override;
    void layoutSubviews() override;

protected:
    void bindFile() override;
    void backgroundColorChanged(const QColor& color) override;

private:
    void updateProgress();

    std::shared_ptr<ZVFileThumbnail> preview_;
    std::shared_ptr<ZVRichText> label_;
    std::shared_ptr<ZVSmallProgressBar> progressView_;
    platform::Observation upload_;
};
