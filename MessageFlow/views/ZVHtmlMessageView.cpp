#include "MessageFlow/views/ZVHtmlMessageView.h"

#include "platform/ui/controls/ActivityIndicator.h"
#include "platform/ui/standins/WebView.h"
#include "toolkit/richtext/email/ZVLocalizedMessage.h"
#include "toolkit/style/Geometry.h"

ZVHtmlMessageView::ZVHtmlMessageView(std::weak_ptr<ZVMessageViewCell> cell)
    : ZVEmailMessageView(std::move(cell)),
      activityIndicator_(
          std::make_shared<platform::ActivityIndicator>(platform::ActivityIndicator::Style::Gray)) {
    activityIndicator_->sizeToFit();
    addSubview(activityIndicator_);
    text()->setHidden(true);
}

ZVHtmlMessageView::~ZVHtmlMessageView() = default;

void ZVHtmlMessageView::setMessage(const std::shared_ptr<Message>& message) {
    ZVEmailMessageView::setMessage(message);
    // A cell that showed the message since has taken the view: it stays where it went.
    if (webView_ && webView_->superview() == this) {
        webView_->removeFromSuperview();
    }
    webView_.reset();
    const auto localized = std::dynamic_pointer_cast<ZVLocalizedMessage>(model());
    if (!message || !localized) {
        activityIndicator_->stopAnimating();
        return;
    }
    webView_ = localized->webView();
    if (webView_) {
        activityIndicator_->stopAnimating();
        webView_->removeFromSuperview();
        addSubview(webView_);
    } else {
        activityIndicator_->startAnimating();
    }
    setNeedsLayout();
}

QRectF ZVHtmlMessageView::layoutWithRect(const QRectF& rect) {
    const QRectF rest = ZVEmailMessageView::layoutWithRect(rect);
    activityIndicator_->setCenter(CGRectGetCenter(rest));
    // The base layout shows the text for a message without files; here the page stands in for it.
    text()->setHidden(true);
    if (webView_) {
        webView_->setFrame(text()->frame());
    }
    return rest;
}
