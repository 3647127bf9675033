#include "files/pickers/ZVFilePicker.h"

#include "ZelvoKit/support/log/ZVErrorLog.h"
#include "ZelvoKit/support/media/ImageUtils.h"
#include "ZelvoKit/support/tracking/ZVEventTracker.h"
#include "app/shell/ZVGlobals.h"
#include "files/pickers/ZVImagePreviewer.h"
#include "platform/foundation/Application.h"
#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/FreeFileName.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/Scheduler.h"
#include "platform/media/PhotoLibrary.h"
#include "platform/ui/controllers/navigation/NavigationController.h"
#include "platform/ui/controllers/popover/PopoverController.h"
#include "platform/ui/controllers/popover/PopoverPlacement.h"
#include "platform/ui/view/Window.h"
#include "toolkit/alerts/ZVActionMenu.h"
#include "toolkit/alerts/ZVActionMenuButton.h"

#include <QtCore/QDir>

using namespace Qt::Literals::StringLiterals;

namespace {

using Source = platform::ImagePickerSourceType;

std::shared_ptr<ZVFilePicker>& currentFilePicker() {
    static std::shared_ptr<ZVFilePicker> picker;
    return picker;
}

void reportFilePickerEvent(const QString& label) {
    ZVEventTracker::tracker().reportEventWithCategory(ZVFilePicker::kTrackingCategory,
                                                      ZVFilePicker::kTrackingAction, label);
}

}  // namespace

std::shared_ptr<ZVActionMenu> ZVFilePicker::menuOnFilePicked(OnFilePicked onFilePicked,
                                                             bool preferFrontCamera) {
    auto menu = ZVActionMenu::make();
    const std::weak_ptr<ZVActionMenu> weakMenu = menu;
    const auto anchor = [weakMenu] {
        const auto shown = weakMenu.lock();
        return shown ? shown->pointAtView() : nullptr;
    };
    if (platform::ImagePicker::isSourceTypeAvailable(Source::Camera)) {
        menu->addOption(u"takeaphoto"_s, kTakePhotoTitle)
            ->setAction([anchor, onFilePicked, preferFrontCamera] {
                takePhotoFromView(anchor(), preferFrontCamera, onFilePicked);
            });
    }
    // Offered only when there is a photo to hand over: otherwise the option would do nothing.
    if (isLatestPhotoAvailable()) {
        menu->addOption(u"uploadlast"_s, kLastPhotoTitle)->setAction([anchor, onFilePicked] {
            getNewestPhoto(anchor(), onFilePicked);
        });
    }
    if (platform::ImagePicker::isSourceTypeAvailable(Source::PhotoLibrary) ||
        platform::ImagePicker::isSourceTypeAvailable(Source::SavedPhotosAlbum)) {
        menu->addOption(u"gallery"_s, kLibraryTitle)->setAction([anchor, onFilePicked] {
            pickFileFromView(anchor(), onFilePicked);
        });
    }
    return menu;
}

void ZVFilePicker::pickFileFromView(const std::shared_ptr<platform::View>& view,
                                    OnFilePicked onFilePicked) {
    reportFilePickerEvent(u"from any file"_s);
    const auto picker = makeCurrent(view, std::move(onFilePicked));
    picker->showWithSource(platform::ImagePicker::isSourceTypeAvailable(Source::PhotoLibrary)
                               ? Source::PhotoLibrary
                               : Source::SavedPhotosAlbum);
}

void ZVFilePicker::takePhotoFromView(const std::shared_ptr<platform::View>& view,
                                     bool preferFrontCamera, OnFilePicked onFilePicked) {
    reportFilePickerEvent(u"from camera"_s);
    const auto picker = makeCurrent(view, std::move(onFilePicked));
    picker->setPreferFrontCamera(preferFrontCamera);
    picker->showWithSource(Source::Camera);
}

void ZVFilePicker::getNewestPhoto(const std::shared_ptr<platform::View>& /*view*/,
                                  OnFilePicked onFilePicked) {
    reportFilePickerEvent(u"last photo taken"_s);
    platform::PhotoLibrary::shared().lastPhotoTaken(
        [onFilePicked](const platform::PhotoLibrary::AssetPtr& asset) {
            if (asset && onFilePicked) {
                onFilePicked(asset->url());
            }
        },
        [](const platform::PhotoLibraryError& error) {
            ZVLogError(u"error: %@", error.description());
        });
}

bool ZVFilePicker::isLatestPhotoAvailable() {
    return platform::PhotoLibrary::shared().hasPhotos();
}

std::shared_ptr<ZVFilePicker> ZVFilePicker::current() {
    return currentFilePicker();
}

QString ZVFilePicker::photoFileName(const QDateTime& time) {
    const QDateTime local = time.toLocalTime();
    // Qt's "hh" is 24-hour without an AM/PM mark; the name wants 12-hour hours.
    const int hour = local.time().hour() % 12 == 0 ? 12 : local.time().hour() % 12;
    const QString hours = QString::number(hour).rightJustified(2, u'0');
    return u"Photo "_s + local.toString(u"MMdd-"_s) + hours + local.toString(u"mmss"_s) + u".jpg"_s;
}

std::shared_ptr<ZVFilePicker> ZVFilePicker::makeCurrent(const std::shared_ptr<platform::View>& view,
                                                        OnFilePicked onFilePicked) {
    currentFilePicker() = std::make_shared<ZVFilePicker>(view, std::move(onFilePicked));
    return currentFilePicker();
}

ZVFilePicker::ZVFilePicker(const std::shared_ptr<platform::View>& view, OnFilePicked onFilePicked)
    : onFilePicked_(std::move(onFilePicked)), view_(view) {
    ZVGlobals* globals = ZVGlobals::globals();
    if (globals && view) {
        navigationController_ = globals->navigationControllerByView(*view);
    }
    if (!navigationController_ && globals) {
        navigationController_ = globals->rightNavigationController();
    }
}

ZVFilePicker::~ZVFilePicker() = default;

void ZVFilePicker::showWithSource(platform::ImagePickerSourceType source) {
    imagePickerController_ = platform::ImagePicker::create();
    if (!imagePickerController_) {
        return;
    }
    imagePickerController_->setDelegate(weak_from_this());
    imagePickerController_->setSourceType(source);
    if (source != Source::Camera) {
        // Videos too, where the source has them.
        imagePickerController_->setMediaTypes(platform::ImagePicker::availableMediaTypes(source));
    } else if (preferFrontCamera_ && platform::ImagePicker::isCameraDeviceAvailable(
                                         platform::ImagePickerCameraDevice::Front)) {
        imagePickerController_->setCameraDevice(platform::ImagePickerCameraDevice::Front);
    }
    present();
}

bool ZVFilePicker::inPopover() {
    return platform::Application::shared().userInterfaceIdiom() ==
           platform::UserInterfaceIdiom::Pad;
}

void ZVFilePicker::present() {
    if (!imagePickerController_) {
        return;
    }
    if (inPopover()) {
        presentInPopover();
        return;
    }
    // Presented over whatever shows in the window of the navigation (on a phone it may be
    // covered by the other side), else of the anchor.
    std::shared_ptr<platform::View> from =
        navigationController_ ? navigationController_->view() : nullptr;
    if (!from || !from->window()) {
        from = view_.lock();
    }
    if (!from || !from->window()) {
        ZVGlobals* globals = ZVGlobals::globals();
        from = globals && globals->window() ? globals->window()->rootView() : nullptr;
    }
    if (from && from->window()) {
        imagePickerController_->present(*from, true);
    }
}

void ZVFilePicker::presentInPopover() {
    popover_ = std::make_shared<platform::PopoverController>(imagePickerController_);
    const std::weak_ptr<ZVFilePicker> weak = weak_from_this();
    // A touch outside ends the pick as a cancel does.
    popover_->didDismissPopover = [weak](platform::PopoverController&) {
        if (const auto self = weak.lock()) {
            self->popover_.reset();
            self->previewer_.reset();
            if (currentFilePicker() == self) {
                currentFilePicker().reset();
            }
        }
    };
    const auto anchor = view_.lock();
    if (anchor && anchor->superview() && anchor->window()) {
        popover_->presentFromRect(anchor->frame(), anchor->superview()->shared_from_this(),
                                  platform::PopoverArrowDirection::Any, true);
        return;
    }
    // Without an anchor (the Files page shows the menu on its own) it points at the middle of
    // the navigation's view.
    const auto from = navigationController_ ? navigationController_->view() : nullptr;
    if (from && from->window()) {
        const QPointF middle = from->bounds().center();
        popover_->presentFromRect(QRectF(middle, QSizeF(1, 1)), from,
                                  platform::PopoverArrowDirection::Any, true);
    }
}

void ZVFilePicker::dismiss() {
    const auto keep = shared_from_this();
    if (popover_) {
        popover_->didDismissPopover = nullptr;
        popover_->dismissPopoverAnimated(true);
        previewer_.reset();
        if (currentFilePicker().get() == this) {
            currentFilePicker().reset();
        }
        return;
    }
    if (const auto previewer = previewer_.lock(); previewer && navigationController_) {
        navigationController_->popViewControllerAnimated(true);
    }
    previewer_.reset();
    if (imagePickerController_ && imagePickerController_->isPresented()) {
        imagePickerController_->dismiss(true);
    }
    if (currentFilePicker().get() == this) {
        currentFilePicker().reset();
    }
}

void ZVFilePicker::didFinishPicking(platform::ImagePicker& /*picker*/,
                                    const platform::PickedMedia& media) {
    const auto keep = shared_from_this();
    if (!media.referenceUrl.isEmpty()) {
        if (media.mediaType != platform::PickedMedia::kImageType) {
            dismiss();
            if (onFilePicked_) {
                onFilePicked_(media.referenceUrl);
            }
            return;
        }
        url_ = media.referenceUrl;
        const auto previewer = std::make_shared<ZVImagePreviewer>(url_, shared_from_this());
        previewer_ = previewer;
        if (popover_) {
            popover_->setContentViewController(previewer, true);
            return;
        }
        imagePickerController_->dismiss(false);
        if (navigationController_) {
            navigationController_->pushViewController(previewer, true);
        }
        return;
    }
    const QUrl written = writeCameraPhoto(media);
    if (written.isEmpty()) {
        dismiss();
        return;
    }
    dismiss();
    if (onFilePicked_) {
        onFilePicked_(written);
    }
}

QUrl ZVFilePicker::writeCameraPhoto(const platform::PickedMedia& media) {
    const QImage& image = media.editedImage.isNull() ? media.originalImage : media.editedImage;
    if (image.isNull()) {
        return {};
    }
    const QString folder = platform::Paths::cachesDirectory();
    // Two photos in one second (or twelve hours apart) must not replace each other.
    const QString path = platform::freeFilePath(
        QDir(folder).filePath(photoFileName(platform::Scheduler::main().currentDate())));
    QString reason;
    if (!QDir().mkpath(folder) ||
        !platform::writeFileAtomically(path, ImageToJpeg(image, media.metadata), {}, &reason)) {
        ZVLogError(u"ZVFilePicker: the photo %@ cannot be written: %@", path, reason);
        return {};
    }
    return QUrl::fromLocalFile(path);
}

void ZVFilePicker::didCancel(platform::ImagePicker& /*picker*/) {
    dismiss();
}

void ZVFilePicker::sendPressed() {
    const auto keep = shared_from_this();
    if (onFilePicked_) {
        onFilePicked_(url_);
    }
    dismiss();
}

void ZVFilePicker::cancelPressed() {
    if (popover_) {
        previewer_.reset();
        popover_->setContentViewController(imagePickerController_, true);
        return;
    }
    if (previewer_.lock() && navigationController_) {
        navigationController_->popViewControllerAnimated(false);
    }
    previewer_.reset();
    present();
}
