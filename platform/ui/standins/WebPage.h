#pragma once

#include "platform/net/UrlError.h"
#include "platform/net/UrlRequest.h"

#include <QtCore/QString>
#include <QtCore/QUrl>
#include <QtCore/QVariant>

#include <functional>
#include <memory>

class QWidget;

namespace platform {

class WebPage;

// Why a navigation starts, with the platform's numbers.
enum class WebNavigationType : int {
    LinkClicked = 0,
    FormSubmitted = 1,
    BackForward = 2,
    Reload = 3,
    FormResubmitted = 4,
    Other = 5,
};

enum class WebCachePolicy {
    UseProtocolCachePolicy,
    ReloadIgnoringLocalCacheData,
};

// Told of a page's loads, on the main thread. Everything but shouldStartLoad comes after the
// event, posted to the main scheduler, so a delegate may release the page from any of them.
class WebPageDelegate {
public:
    virtual ~WebPageDelegate() = default;
    // Before every navigation of the page or its frames (the page's own load included, with the
    // base URL of an HTML string); false keeps the page where it is. Must not release the page.
    virtual bool shouldStartLoad(WebPage& page, const QUrl& url, WebNavigationType type) {
        (void)page, (void)url, (void)type;
        return true;
    }
    virtual void didStartLoad(WebPage& page) { (void)page; }
    virtual void didFinishLoad(WebPage& page) { (void)page; }
    // A load that failed or was stopped (Cancelled); a refused navigation is neither.
    virtual void didFailLoad(WebPage& page, const UrlError& error) { (void)page, (void)error; }
};

// Web content behind a view: loads HTML or a request, asks its delegate before each navigation,
// runs the application's scripts in the page and measures it. The screens make pages through
// create(), so that tests can hand them a fake. Main thread only.
class WebPage {
public:
    using Factory = std::function<std::shared_ptr<WebPage>()>;
    using ScriptResult = std::function<void(const QVariant& result)>;
    using StringResult = std::function<void(const QString& value)>;
    using HeightResult = std::function<void(double height)>;

    virtual ~WebPage() = default;

    // A page of the web engine unless a test has installed a factory.
    static std::shared_ptr<WebPage> create();
    // Null goes back to the web engine.
    static void setFactory(Factory factory);

    std::shared_ptr<WebPageDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<WebPageDelegate> delegate) { delegate_ = std::move(delegate); }

    // Whether the page's own scripts run (on by default; off for e-mail bodies). The
    // application's scripts (evaluateScript) run either way.
    virtual bool scriptsEnabled() const = 0;
    virtual void setScriptsEnabled(bool enabled) = 0;

    // Relative links in `html` resolve against `baseUrl`.
    virtual void loadHtmlString(const QString& html, const QUrl& baseUrl) = 0;
    // A load that receives nothing for the request's timeout fails with TimedOut.
    virtual void loadRequest(const UrlRequest& request, WebCachePolicy cachePolicy) = 0;
    void loadRequest(const UrlRequest& request) {
        loadRequest(request, WebCachePolicy::UseProtocolCachePolicy);
    }
    virtual void stopLoading() = 0;
    virtual bool isLoading() const = 0;
    // Of the last page loaded; the base URL for an HTML string.
    virtual QUrl url() const = 0;

    // Runs `script` in the page and hands its value over (an invalid QVariant when it throws or
    // the page goes away first).
    virtual void evaluateScript(const QString& script, ScriptResult result) = 0;
    // The value of the element with the id (an input's value); a null string when there is no
    // such element or it has no value.
    virtual void elementValue(const QString& elementId, StringResult result);
    // The height of the content laid out at `width` points, rounded up to a whole point.
    virtual void measureContentHeight(double width, HeightResult result);

    // For the view that shows the page in a real window: a widget that draws the page and takes
    // its input, owned by the page (a window it is shown in may delete it first; the page then
    // makes a new one). Null where the page draws nothing.
    virtual QWidget* hostWidget() { return nullptr; }

protected:
    // For the implementations: the delegate's answer, true when there is none.
    bool askShouldStart(const QUrl& url, WebNavigationType type);

private:
    std::weak_ptr<WebPageDelegate> delegate_;
};

}  // namespace platform
