#pragma once

#include "toolkit/screens/ZVViewController.h"

#include <QtCore/QUrl>

#include <memory>

class ZVError;
class ZVImagePreviewerDelegate;
namespace platform {
class ActivityIndicator;
class Button;
class Control;
class ImageView;
class Label;
}  // namespace platform

// A full-screen black page showing one picture of a URL (a photo of the library or a local file):
// with Select and Cancel when it has a delegate (a pick to confirm), as a plain viewer otherwise.
class ZVImagePreviewer : public ZVViewController {
public:
    static constexpr qreal kBarHeight = 80;
    static constexpr qreal kButtonPadding = 20;
    static constexpr qreal kButtonFontSize = 16;
    static constexpr qreal kErrorInset = 20;
    static inline const QString kSelectTitle = QStringLiteral("Select");
    static inline const QString kCancelTitle = QStringLiteral("Cancel");

    // The delegate is held weakly.
    ZVImagePreviewer(QUrl url, const std::shared_ptr<ZVImagePreviewerDelegate>& delegate);
    ~ZVImagePreviewer() override;

    const QUrl& url() const { return url_; }
    const std::shared_ptr<platform::ImageView>& imageView() const { return image_; }
    const std::shared_ptr<platform::ActivityIndicator>& activityIndicator() const {
        return activityIndicator_;
    }
    // Only after a failure.
    const std::shared_ptr<platform::Label>& errorLabel() const { return errorLabel_; }
    // Only with a delegate.
    const std::shared_ptr<platform::View>& buttonBar() const { return buttons_; }
    const std::shared_ptr<platform::Button>& selectButton() const { return selectButton_; }
    const std::shared_ptr<platform::Button>& cancelButton() const { return cancelButton_; }

    void selectTapped();
    void cancelTapped();
    void navigateBack();

    void loadView() override;
    void viewWillAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;
    void viewDidLayoutSubviews() override;

private:
    void showError(const ZVError& error);

    QUrl url_;
    std::weak_ptr<ZVImagePreviewerDelegate> delegate_;
    std::shared_ptr<platform::ImageView> image_;
    std::shared_ptr<platform::ActivityIndicator> activityIndicator_;
    std::shared_ptr<platform::Label> errorLabel_;
    std::shared_ptr<platform::View> buttons_;
    std::shared_ptr<platform::Button> selectButton_;
    std::shared_ptr<platform::Button> cancelButton_;
};
