#pragma once

#include "platform/ui/standins/WebView.h"

#include <QtCore/QRectF>
#include <QtCore/QString>
#include <QtCore/QUrl>

#include <functional>
#include <memory>

// An HTML e-mail body in a web view, with the policy every e-mail page keeps: the body's scripts
// never run, its images load, a tapped link goes to the link handler (the application's URL
// handling unless set otherwise) and the page stays where it is, and nothing else may navigate
// the page away from the mail after it loaded: refresh tags, form posts, redirects and frames are
// refused. Measures the content at the view's width and reports it.
//
// Shown by the message list, the composer's e-mail card and the e-mail view. Always held by
// std::shared_ptr (the web view reaches it weakly). Main thread only.
class ZVEmailPage : public platform::WebViewDelegate,
                    public std::enable_shared_from_this<ZVEmailPage> {
public:
    using LinkHandler = std::function<void(const QUrl& url)>;
    using Handler = std::function<void()>;
    using HeightHandler = std::function<void(double height)>;

    // The body in a page that fits the screen's width and lets the user zoom.
    static QString pageForBody(const QString& cleanedHtml);

    explicit ZVEmailPage(const QRectF& frame);
    ~ZVEmailPage() override;
    ZVEmailPage(const ZVEmailPage&) = delete;
    ZVEmailPage& operator=(const ZVEmailPage&) = delete;

    const std::shared_ptr<platform::WebView>& webView() const { return webView_; }

    // Loads the body; relative links and images resolve against `baseUrl`.
    void loadBody(const QString& cleanedHtml, const QUrl& baseUrl);
    bool isLoaded() const { return loaded_; }
    // The last height measured at the view's width; 0 before the first.
    double contentHeight() const { return webView_->contentHeight(); }

    void setLinkHandler(LinkHandler handler) { linkHandler_ = std::move(handler); }
    void setOnFinishLoad(Handler handler) { onFinishLoad_ = std::move(handler); }
    void setOnContentHeight(HeightHandler handler) { onContentHeight_ = std::move(handler); }

    bool shouldStartLoad(platform::WebView& view, const QUrl& url,
                         platform::WebNavigationType type) override;
    void didFinishLoad(platform::WebView& view) override;
    void contentHeightDidChange(platform::WebView& view, double height) override;

private:
    std::shared_ptr<platform::WebView> webView_;
    LinkHandler linkHandler_;
    Handler onFinishLoad_;
    HeightHandler onContentHeight_;
    // Set from loadBody() until the page's own load has been let through.
    bool ownLoadPending_ = false;
    bool loaded_ = false;
};
