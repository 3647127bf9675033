#pragma once

#include "platform/ui/standins/WebPage.h"
#include "platform/ui/view/View.h"

#include <QtCore/QPointer>

#include <memory>

class QWidget;

namespace platform {

class WebView;
class WindowHost;

// Told of a web view's loads, as WebPageDelegate is of a page's, and of its content's height.
class WebViewDelegate {
public:
    virtual ~WebViewDelegate() = default;
    // Must not release the view.
    virtual bool shouldStartLoad(WebView& view, const QUrl& url, WebNavigationType type) {
        (void)view, (void)url, (void)type;
        return true;
    }
    virtual void didStartLoad(WebView& view) { (void)view; }
    virtual void didFinishLoad(WebView& view) { (void)view; }
    virtual void didFailLoad(WebView& view, const UrlError& error) { (void)view, (void)error; }
    // The content measured at the view's width after a finished load or a change of width.
    virtual void contentHeightDidChange(WebView& view, double height) { (void)view, (void)height; }
};

// A view that shows web content: a page from WebPage::create() (the web engine, or a test's fake).
// In a real window the page's own widget is shown at the view's frame, following it; offscreen
// the page loads, runs scripts and measures all the same, and the view draws nothing of it.
// Main thread only.
class WebView : public View {
public:
    WebView();
    explicit WebView(const QRectF& frame);
    ~WebView() override;

    WebPage& page() { return *page_; }
    std::shared_ptr<WebViewDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<WebViewDelegate> delegate) { delegate_ = std::move(delegate); }

    bool scriptsEnabled() const { return page_->scriptsEnabled(); }
    void setScriptsEnabled(bool enabled) { page_->setScriptsEnabled(enabled); }
    void loadHtmlString(const QString& html, const QUrl& baseUrl);
    void loadRequest(const UrlRequest& request,
                     WebCachePolicy cachePolicy = WebCachePolicy::UseProtocolCachePolicy);
    void stopLoading() { page_->stopLoading(); }
    bool isLoading() const { return page_->isLoading(); }
    QUrl url() const { return page_->url(); }
    void evaluateScript(const QString& script, WebPage::ScriptResult result);
    void elementValue(const QString& elementId, WebPage::StringResult result);

    // The last height measured at the view's width; 0 before the first finished load.
    double contentHeight() const { return contentHeight_; }

    // The window shows the page's widget (tests of real windows).
    bool isShowingNativeWidget() const;

    void layoutSubviews() override;

protected:
    void willMoveToWindow(Window* newWindow) override;
    void didMoveToWindow() override;

private:
    class PageDelegate;
    friend class PageDelegate;

    void measure();
    // Shows the page's widget in the window's host, once the window has one.
    void attachToHost();
    void detachFromHost();
    void stopObservingWindow();

    std::shared_ptr<WebPage> page_;
    std::shared_ptr<PageDelegate> pageDelegate_;
    std::weak_ptr<WebViewDelegate> delegate_;
    double contentHeight_ = 0;
    // The width of the last measurement, so a new width measures again.
    double measuredWidth_ = -1;
    bool loaded_ = false;
    // Each measurement supersedes the ones still under way.
    int measurement_ = 0;
    QPointer<WindowHost> host_;
    QPointer<QWidget> widget_;
    // The window whose updates are watched; weak, since a window ends without telling its views.
    std::weak_ptr<View> observedWindow_;
    int displayObserver_ = 0;
    std::shared_ptr<int> lifetime_ = std::make_shared<int>(0);
};

}  // namespace platform
