#include "accounts/pages/ZVPreLoginViewController.h"

#include "accounts/pages/ZVBorderedTextField.h"
#include "accounts/pages/ZVContainerView.h"
#include "accounts/pages/ZVLoginBackground.h"
#include "platform/ui/animation/ViewAnimation.h"
#include "platform/ui/controls/ImageView.h"
#include "platform/ui/controls/TextField.h"
#include "platform/ui/resources/Images.h"
#include "platform/ui/view/Window.h"
#include "toolkit/screens/ZVScreenCoordinator.h"

using namespace Qt::StringLiterals;

ZVPreLoginViewController::ZVPreLoginViewController() = default;

ZVPreLoginViewController::~ZVPreLoginViewController() = default;

std::shared_ptr<ZVLoginBackground> ZVPreLoginViewController::background() {
    return std::static_pointer_cast<ZVLoginBackground>(view());
}

std::shared_ptr<platform::ImageView> ZVPreLoginViewController::logo() {
    view();
    return logo_;
}

std::shared_ptr<ZVContainerView> ZVPreLoginViewController::container() {
    view();
    return views_.back();
}

int ZVPreLoginViewController::pageCount() {
    view();
    return int(views_.size());
}

const std::vector<std::shared_ptr<ZVContainerView>>& ZVPreLoginViewController::pages() {
    view();
    return views_;
}

void ZVPreLoginViewController::loadView() {
    ZVViewController::loadView();
    auto background = std::make_shared<ZVLoginBackground>();
    background->setFrame(viewIfLoaded()->frame());
    background->setUserInteractionEnabled(true);
    const std::weak_ptr<platform::ViewController> weak = weak_from_this();
    background->setBackAction([weak] {
        if (const auto self = std::static_pointer_cast<ZVPreLoginViewController>(weak.lock())) {
            self->backTapped();
        }
    });
    setView(background);
}

void ZVPreLoginViewController::viewDidLoad() {
    ZVViewController::viewDidLoad();
    logo_ = std::make_shared<platform::ImageView>(platform::Images::named(u"icon-logo-login"_s));
    logo_->sizeToFit();
    viewIfLoaded()->addSubview(logo_);
    pushNewPage();
}

bool ZVPreLoginViewController::isTablet() const {
    const platform::Window* shown = window();
    const auto fallback = shown ? nullptr : ZVScreenCoordinator::shared().window();
    if (!shown) {
        shown = fallback.get();
    }
    return shown && shown->profile().idiom == platform::DeviceProfile::Idiom::Tablet;
}

QRectF ZVPreLoginViewController::contentRect() {
    const QRectF bounds = view()->bounds();
    QRectF rect = bounds;
    const bool tablet = isTablet();
    if (tablet) {
        rect = QRectF(QPointF(), kTabletContentSize);
        rect.moveCenter(bounds.center());
    }
    const qreal keyboard = keyboardHeight();
    const qreal overlap = keyboard - (bounds.height() - rect.bottom());
    if (overlap > 0) {
        rect.translate(0, -overlap);
    }
    if (tablet && bounds.height() > bounds.width() && keyboard > 1) {
        rect.translate(0, -kTabletPortraitLift);
    }
    if (rect.top() < kMinimumTop) {
        rect.setTop(kMinimumTop);
    }
    return rect;
}

void ZVPreLoginViewController::pushNewPage() {
    if (!views_.empty()) {
        const auto newest = views_.back();
        platform::ViewAnimation::animate(kFadeDuration, [newest] { newest->setAlpha(0); });
    }
    auto page = std::make_shared<ZVContainerView>(weak_from_this());
    page->setBackgroundColor(Qt::white);
    const QRectF rect = contentRect();
    QRectF frame = rect;
    if (views_.empty()) {
        // The first page rises from below the view.
        frame.translate(0, view()->bounds().height() - rect.top());
    } else {
        page->setAlpha(0);
    }
    page->setFrame(frame);
    views_.push_back(std::move(page));
}

void ZVPreLoginViewController::commitPushSilent() {
    const auto page = container();
    page->placeChildren();
    if (page->superview() != view().get()) {
        view()->addSubview(page);
    }
}

void ZVPreLoginViewController::commitPush() {
    commitPushSilent();
    placeView();
    const auto page = container();
    platform::ViewAnimation::animate(kFadeDuration, [page] { page->setAlpha(1); });
    background()->setBackVisible(views_.size() > 1);
    updateActionButton();
    if (const auto field = page->firstTextField()) {
        field->textField()->becomeFirstResponder();
    }
}

void ZVPreLoginViewController::placeView() {
    const auto page = container();
    const QRectF rect = contentRect();
    const qreal height = page->frame().height();
    page->setFrame(QRectF(rect.x(), rect.bottom() - height, rect.width(), height));
    placeLogo();
}

void ZVPreLoginViewController::placeLogo() {
    if (!logo_) {
        return;
    }
    const QSizeF size = logo_->frame().size();
    const qreal top = contentRect().top();
    const bool room =
        views_.size() == 1 && views_.front()->frame().top() > top + kLogoTop + size.height() / 2;
    logo_->setCenter(room ? QPointF(size.width() / 2 + kLogoLeft, top + kLogoTop)
                          : QPointF(size.width() / 2 + kLogoLeft, -size.height() / 2));
}

void ZVPreLoginViewController::popPageSilent() {
    // The first page stays: the screen always shows one.
    if (pageCount() < 2) {
        return;
    }
    const auto newest = views_.back();
    views_.pop_back();
    platform::ViewAnimation::animate(
        kFadeDuration, [newest] { newest->setAlpha(0); },
        [newest](bool) { newest->removeFromSuperview(); });
}

void ZVPreLoginViewController::popPage() {
    if (pageCount() < 2) {
        return;
    }
    // The first page is seldom one to type on: the keyboard goes before it shows again.
    if (views_.size() == 2) {
        views_.back()->resignFirstResponder();
    }
    popPageSilent();
    commitPush();
}

void ZVPreLoginViewController::updateActionButton() {
    container()->updateActionButton();
}

void ZVPreLoginViewController::viewDidLayoutSubviews() {
    ZVViewController::viewDidLayoutSubviews();
    const QRectF rect = contentRect();
    for (const auto& page : views_) {
        QRectF frame = page->frame();
        frame.setX(rect.x());
        frame.setWidth(rect.width());
        page->setFrame(frame);
    }
    placeLogo();
}

void ZVPreLoginViewController::followKeyboard(const platform::Notification& notification) {
    const std::weak_ptr<platform::ViewController> weak = weak_from_this();
    startKeyboardAnimation(notification, [weak] {
        if (const auto self = std::static_pointer_cast<ZVPreLoginViewController>(weak.lock())) {
            self->placeView();
        }
    });
}

void ZVPreLoginViewController::keyboardWillShow(const platform::Notification& notification) {
    ZVViewController::keyboardWillShow(notification);
    followKeyboard(notification);
}

void ZVPreLoginViewController::keyboardWillHide(const platform::Notification& notification) {
    ZVViewController::keyboardWillHide(notification);
    followKeyboard(notification);
}

unsigned ZVPreLoginViewController::supportedInterfaceOrientations() const {
    if (isTablet()) {
        return ZVViewController::supportedInterfaceOrientations();
    }
    return platform::InterfaceOrientationMask::Portrait;
}
