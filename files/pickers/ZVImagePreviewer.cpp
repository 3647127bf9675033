#include "files/pickers/ZVImagePreviewer.h"

#include "ZelvoKit/support/base/ZVError.h"
#include "ZelvoKit/support/media/ZVURLLoader.h"
#include "files/pickers/ZVImagePreviewerDelegate.h"
#include "platform/ui/controllers/navigation/NavigationController.h"
#include "platform/ui/controllers/navigation/NavigationItem.h"
#include "platform/ui/controls/ActivityIndicator.h"
#include "platform/ui/controls/Button.h"
#include "platform/ui/controls/ImageView.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/resources/Images.h"

ZVImagePreviewer::ZVImagePreviewer(QUrl url,
                                   const std::shared_ptr<ZVImagePreviewerDelegate>& delegate)
    : url_(std::move(url)), delegate_(delegate) {}

ZVImagePreviewer::~ZVImagePreviewer() = default;

void ZVImagePreviewer::loadView() {
    auto root = platform::View::make<platform::View>();
    root->setBackgroundColor(Qt::black);
    setView(root);
    if (delegate_.lock()) {
        buttons_ = platform::View::make<platform::View>();
        buttons_->setBackgroundColor(Qt::black);
        const auto makeButton = [this](const QString& title, void (ZVImagePreviewer::*action)()) {
            auto button = platform::Button::make(platform::Button::Type::System);
            button->setTitle(title, platform::Button::Normal);
            button->setTitleColor(Qt::white, platform::Button::Normal);
            button->titleLabel()->setFont(platform::FontDescription{QString(), kButtonFontSize});
            const std::weak_ptr<platform::ViewController> weak = weak_from_this();
            button->addTarget(platform::Control::TouchUpInside,
                              [this, weak, action](platform::Control&) {
                                  if (weak.lock()) {
                                      (this->*action)();
                                  }
                              });
            buttons_->addSubview(button);
            return button;
        };
        selectButton_ = makeButton(kSelectTitle, &ZVImagePreviewer::selectTapped);
        cancelButton_ = makeButton(kCancelTitle, &ZVImagePreviewer::cancelTapped);
        root->addSubview(buttons_);
    }
    image_ = platform::View::make<platform::ImageView>();
    root->addSubview(image_);
    activityIndicator_ = platform::View::make<platform::ActivityIndicator>(
        platform::ActivityIndicator::Style::WhiteLarge);
    root->addSubview(activityIndicator_);
    if (buttons_) {
        root->bringSubviewToFront(buttons_.get());
    }
    activityIndicator_->startAnimating();

    const std::weak_ptr<platform::ViewController> weak = weak_from_this();
    ZVURLLoader::loader().representationForUrl(
        url_,
        [this, weak](const std::shared_ptr<ZVURLRepresentation>& representation) {
            if (!weak.lock()) {
                return;
            }
            activityIndicator_->stopAnimating();
            image_->setImage(representation->thumbnail());
            setTitle(representation->fileName());
            view()->setNeedsLayout();
        },
        [this, weak](const ZVErrorPtr& error) {
            if (!weak.lock()) {
                return;
            }
            showError(error ? *error : *ZVError::errorWithCode(ZVError::InvalidData));
        });
}

void ZVImagePreviewer::showError(const ZVError& error) {
    errorLabel_ = platform::View::make<platform::Label>();
    errorLabel_->setBackgroundColor(view()->backgroundColor());
    errorLabel_->setTextColor(Qt::white);
    errorLabel_->setNumberOfLines(0);
    errorLabel_->setText(error.localizedDescription());
    view()->addSubview(errorLabel_);
    view()->setNeedsLayout();
    activityIndicator_->stopAnimating();
    for (const auto& item : navigationItem().rightBarButtonItems()) {
        item->setEnabled(false);
    }
}

void ZVImagePreviewer::selectTapped() {
    if (const auto delegate = delegate_.lock()) {
        delegate->sendPressed();
    }
}

void ZVImagePreviewer::cancelTapped() {
    if (const auto delegate = delegate_.lock()) {
        delegate->cancelPressed();
    }
}

void ZVImagePreviewer::navigateBack() {
    if (platform::NavigationController* navigation = navigationController()) {
        navigation->popViewControllerAnimated(true);
    }
}

void ZVImagePreviewer::viewWillAppear(bool animated) {
    ZVViewController::viewWillAppear(animated);
    if (platform::NavigationController* navigation = navigationController()) {
        navigation->setNavigationBarHidden(true, animated);
    }
}

void ZVImagePreviewer::viewWillDisappear(bool animated) {
    ZVViewController::viewWillDisappear(animated);
    if (platform::NavigationController* navigation = navigationController()) {
        navigation->setNavigationBarHidden(false, animated);
    }
}

void ZVImagePreviewer::viewDidLayoutSubviews() {
    ZVViewController::viewDidLayoutSubviews();
    const QRectF bounds = view()->bounds();
    if (buttons_) {
        buttons_->setFrame(
            QRectF(bounds.left(), bounds.bottom() - kBarHeight, bounds.width(), kBarHeight));
        cancelButton_->sizeToFit();
        selectButton_->sizeToFit();
        const qreal cancelWidth = cancelButton_->frame().width() + kButtonPadding;
        const qreal selectWidth = selectButton_->frame().width() + kButtonPadding;
        cancelButton_->setFrame(QRectF(0, 0, cancelWidth, kBarHeight));
        selectButton_->setFrame(QRectF(bounds.width() - selectWidth, 0, selectWidth, kBarHeight));
    }
    const QSizeF spinner = activityIndicator_->frame().size();
    activityIndicator_->setFrame(QRectF(bounds.width() / 2 - spinner.width() / 2,
                                        bounds.height() / 2 - spinner.height() / 2, spinner.width(),
                                        spinner.height()));
    if (errorLabel_) {
        errorLabel_->setFrame(
            bounds.adjusted(kErrorInset, kErrorInset, -kErrorInset, -kErrorInset));
    }
    const QSizeF imageSize = platform::Images::pointSize(image_->image());
    if (imageSize.width() * imageSize.height() >= 1) {
        // Small pictures grow to fit as well.
        const qreal scale =
            std::min(bounds.width() / imageSize.width(), bounds.height() / imageSize.height());
        const QSizeF shown = imageSize * scale;
        image_->setFrame(QRectF(bounds.center().x() - shown.width() / 2,
                                bounds.center().y() - shown.height() / 2, shown.width(),
                                shown.height()));
    }
}
