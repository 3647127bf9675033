#pragma once

#include "files/pickers/ZVImagePreviewerDelegate.h"
#include "platform/ui/standins/ImagePicker.h"

#include <QtCore/QDateTime>
#include <QtCore/QString>
#include <QtCore/QUrl>

#include <functional>
#include <memory>

class ZVActionMenu;
class ZVImagePreviewer;
namespace platform {
class NavigationController;
class PopoverController;
class View;
}  // namespace platform

// Attaches a photo or other media from the camera, the photo library or the last photo taken,
// handing the result on as a URL: a file written to the caches for a camera photo, the library's
// URL for the rest. A library photo is first shown full screen for confirmation; on a tablet the
// picker and the confirmation show in a popover pointing at the anchor. One picker at a time is
// alive, from the moment an option makes it until it is dismissed. Main thread only.
class ZVFilePicker : public platform::ImagePickerDelegate,
                     public ZVImagePreviewerDelegate,
                     public std::enable_shared_from_this<ZVFilePicker> {
public:
    using OnFilePicked = std::function<void(const QUrl& url)>;

    // The conversation screen's analytics category.
    static constexpr int kTrackingCategory = 5;
    static inline const QString kTrackingAction = QStringLiteral("Add file");
    static inline const QString kTakePhotoTitle = QStringLiteral("Take photo");
    static inline const QString kLastPhotoTitle = QStringLiteral("Use last photo taken");
    static inline const QString kLibraryTitle = QStringLiteral("Choose from library");

    // A menu, not yet shown, of the options this device offers. Each option anchors the picker at
    // the menu's pointAtView, set by the caller before showing it.
    static std::shared_ptr<ZVActionMenu> menuOnFilePicked(OnFilePicked onFilePicked,
                                                          bool preferFrontCamera);
    static void pickFileFromView(const std::shared_ptr<platform::View>& view,
                                 OnFilePicked onFilePicked);
    static void takePhotoFromView(const std::shared_ptr<platform::View>& view,
                                  bool preferFrontCamera, OnFilePicked onFilePicked);
    // Hands over the library's newest photo, showing nothing; without one nothing happens.
    static void getNewestPhoto(const std::shared_ptr<platform::View>& view,
                               OnFilePicked onFilePicked);
    static bool isLatestPhotoAvailable();
    // The picker alive now; null when none is.
    static std::shared_ptr<ZVFilePicker> current();
    // The name of a camera photo taken at `time` (local time; 12-hour hours, no AM/PM mark).
    static QString photoFileName(const QDateTime& time);

    ZVFilePicker(const std::shared_ptr<platform::View>& view, OnFilePicked onFilePicked);
    ~ZVFilePicker() override;

    void setPreferFrontCamera(bool preferFrontCamera) { preferFrontCamera_ = preferFrontCamera; }
    void showWithSource(platform::ImagePickerSourceType source);
    void dismiss();

    const std::shared_ptr<platform::ImagePicker>& imagePickerController() const {
        return imagePickerController_;
    }
    const QUrl& url() const { return url_; }
    // The previewer showing a library photo to confirm; null while none is.
    std::shared_ptr<ZVImagePreviewer> previewer() const { return previewer_.lock(); }
    // The tablet's popover while it shows; null on a phone.
    const std::shared_ptr<platform::PopoverController>& popover() const { return popover_; }

    void didFinishPicking(platform::ImagePicker& picker,
                          const platform::PickedMedia& media) override;
    void didCancel(platform::ImagePicker& picker) override;
    void sendPressed() override;
    void cancelPressed() override;

private:
    static std::shared_ptr<ZVFilePicker> makeCurrent(const std::shared_ptr<platform::View>& view,
                                                     OnFilePicked onFilePicked);
    void present();
    void presentInPopover();
    static bool inPopover();
    // A camera photo written to the caches; empty when it could not be.
    static QUrl writeCameraPhoto(const platform::PickedMedia& media);

    OnFilePicked onFilePicked_;
    std::weak_ptr<platform::View> view_;
    QUrl url_;
    std::shared_ptr<platform::NavigationController> navigationController_;
    std::shared_ptr<platform::ImagePicker> imagePickerController_;
    std::weak_ptr<ZVImagePreviewer> previewer_;
    std::shared_ptr<platform::PopoverController> popover_;
    bool preferFrontCamera_ = false;
};
