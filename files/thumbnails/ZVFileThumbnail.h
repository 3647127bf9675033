#pragma once

#include "platform/foundation/ObserverList.h"
#include "platform/ui/controls/ImageView.h"

#include <QtCore/QHash>
#include <QtCore/QSizeF>
#include <QtCore/QString>

#include <memory>

class File;
class ZVCachedImage;
namespace platform {
class ActivityIndicator;
}  // namespace platform

// The picture of a file as it loads from one of the file views' image caches: a spinner while it
// loads, then the picture, else the icon of the file's type, else the missing-image mark.
class ZVFileThumbnail : public platform::ImageView {
public:
    static constexpr QSizeF kThumbnailSize{32, 37};
    // Small previews are this high; their width follows the picture.
    static constexpr qreal kSmallPreviewHeight = 45;
    static constexpr qreal kCornerRadius = 4;
    static inline const QString kMissingImageName = QStringLiteral("icon-missing-image");
    static inline const QString kLoadingColorName = QStringLiteral("loadingFile");

    // `source` may be null (a file without a picture): the default icon or the mark shows.
    ZVFileThumbnail(std::shared_ptr<ZVCachedImage> source, QString defaultName,
                    std::shared_ptr<File> file);
    ~ZVFileThumbnail() override;

    // Lower-case extension to icon group.
    static const QHash<QString, QString>& extensionMap();
    // "file-<group>" or "file-large-<group>" by the name's last extension; "other" for any
    // extension not in the map.
    static QString defaultIconForFileName(const QString& name, bool large);
    // The file's thumbnail at 32 x 37 with its type icon as default.
    static std::shared_ptr<ZVFileThumbnail> thumbnailForFile(const std::shared_ptr<File>& file);
    // The file's preview at its preview size, with no default.
    static std::shared_ptr<ZVFileThumbnail> previewForFile(const std::shared_ptr<File>& file);
    // The preview 45 high, as wide as the picture, with the large type icon as default.
    static std::shared_ptr<ZVFileThumbnail> proportionalThumbnailForFile(
        const std::shared_ptr<File>& file);
    // Forgets the file's preview, so that the next view loads it anew.
    static void resetCachedImage(const std::shared_ptr<File>& file);

    const std::shared_ptr<ZVCachedImage>& source() const { return source_; }
    const std::shared_ptr<File>& file() const { return file_; }
    const QString& defaultName() const { return defaultName_; }
    bool autoSize() const { return autoSize_; }
    // Takes the picture's size once it is there.
    void setAutoSize(bool autoSize);
    const std::shared_ptr<platform::ActivityIndicator>& activityIndicator() const {
        return activityIndicator_;
    }
    const std::shared_ptr<platform::ImageView>& missingImageView() const {
        return missingImageView_;
    }
    bool isObservingSource() const { return loading_.isActive(); }

    // Shows the picture again from the start (a reused view).
    void refresh();
    void layoutSubviews() override;

private:
    void setDefault();
    void updateActivity();
    void sourceChanged();
    void updateSize();
    void showMissingImage(bool show);
    void updateImage();
    bool sourceLoading() const;

    std::shared_ptr<ZVCachedImage> source_;
    QString defaultName_;
    std::shared_ptr<File> file_;
    bool autoSize_ = false;
    std::shared_ptr<platform::ActivityIndicator> activityIndicator_;
    std::shared_ptr<platform::ImageView> missingImageView_;
    platform::Observation loading_;
};
