#include "toolkit/richtext/email/ZVEmailPage.h"

#include "ZelvoKit/support/url/ZVURLHandler.h"

using namespace Qt::Literals::StringLiterals;

namespace {

const QString kPageTemplate =
    u"<html><head><meta name=\"viewport\" content=\"width=device-width, user-scalable=yes\"/>"
    u"</head><body>%1</body></html>"_s;

}  // namespace

QString ZVEmailPage::pageForBody(const QString& cleanedHtml) {
    // Filled by hand: arg() would read "%1" written in the mail itself as a placeholder.
    QString page = kPageTemplate;
    return page.replace(u"%1"_s, cleanedHtml);
}

ZVEmailPage::ZVEmailPage(const QRectF& frame)
    : webView_(std::make_shared<platform::WebView>(frame)),
      linkHandler_([](const QUrl& url) { ZVURLHandler::handler().handle(url.toString()); }) {
    // A mail's scripts are the sender's, not ours.
    webView_->setScriptsEnabled(false);
}

ZVEmailPage::~ZVEmailPage() {
    // The view may live on in a view hierarchy; it must not call back into a page that is gone.
    webView_->setDelegate({});
}

void ZVEmailPage::loadBody(const QString& cleanedHtml, const QUrl& baseUrl) {
    webView_->setDelegate(weak_from_this());
    ownLoadPending_ = true;
    loaded_ = false;
    webView_->loadHtmlString(pageForBody(cleanedHtml), baseUrl);
}

bool ZVEmailPage::shouldStartLoad(platform::WebView& /*view*/, const QUrl& url,
                                  platform::WebNavigationType type) {
    if (ownLoadPending_ && type != platform::WebNavigationType::LinkClicked) {
        ownLoadPending_ = false;
        return true;
    }
    if (type == platform::WebNavigationType::LinkClicked && linkHandler_) {
        linkHandler_(url);
    }
    return false;
}

void ZVEmailPage::didFinishLoad(platform::WebView& /*view*/) {
    const auto keep = shared_from_this();
    loaded_ = true;
    if (onFinishLoad_) {
        onFinishLoad_();
    }
}

void ZVEmailPage::contentHeightDidChange(platform::WebView& /*view*/, double height) {
    const auto keep = shared_from_this();
    if (onContentHeight_) {
        onContentHeight_(height);
    }
}
