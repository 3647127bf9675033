#pragma once

#include "platform/foundation/ScopedTimer.h"
#include "platform/ui/standins/WebPage.h"

#include <QtCore/QList>
#include <QtCore/QPointer>
#include <QtWidgets/QWidget>

#include <memory>
#include <optional>

class QWebEngineLoadingInfo;
class QWebEnginePage;
class QWebEngineProfile;

namespace platform {

class CookieStorage;
class WebCookieBridge;

// A page of the web engine. Each page has a private, in-memory engine profile whose cookies are
// those of `cookies`; nothing else of it outlives the page.
//
// The web engine process refuses to start as root without "--no-sandbox", and needs
// "--disable-gpu" where there is no GPU (QTWEBENGINE_CHROMIUM_FLAGS); a GUI application must exist
// before the first page is made.
class EngineWebPage : public WebPage {
public:
    // The most an HTML string may weigh: the engine takes it as a data URL.
    static constexpr qsizetype kMaxHtmlBytes = 2 * 1024 * 1024;

    EngineWebPage();
    explicit EngineWebPage(std::shared_ptr<CookieStorage> cookies);
    ~EngineWebPage() override;
    EngineWebPage(const EngineWebPage&) = delete;
    EngineWebPage& operator=(const EngineWebPage&) = delete;

    bool scriptsEnabled() const override;
    void setScriptsEnabled(bool enabled) override;
    void loadHtmlString(const QString& html, const QUrl& baseUrl) override;
    void loadRequest(const UrlRequest& request, WebCachePolicy cachePolicy) override;
    using WebPage::loadRequest;
    void stopLoading() override;
    bool isLoading() const override { return loading_; }
    QUrl url() const override { return url_; }
    void evaluateScript(const QString& script, ScriptResult result) override;

    // Made on first call; null when the process has no widget application.
    QWidget* hostWidget() override;

private:
    class EnginePage;
    friend class EnginePage;

    // Starts the application's own load, kept so it can be issued again.
    void issue(std::function<void()> load);
    bool acceptNavigation(const QUrl& url, int engineType, bool isMainFrame);
    // From now on the engine's reports under `url` (or, for an HTML string, its base URL
    // `reported`) are those of the page's load.
    void followLoad(const QUrl& url, const QUrl& reported);
    // The engine gave up the page's load on its own, not for a failure of the network.
    bool wasDropped(const QWebEngineLoadingInfo& info) const;
    void loadingChanged(const QWebEngineLoadingInfo& info);
    void startTimeout(TimeInterval timeout);
    void timedOut();
    void failNow(const UrlError& error);
    // Runs `call` with the delegate later on the main thread, unless the page is gone by then.
    void tellDelegate(std::function<void(WebPageDelegate&, WebPage&)> call);

    // Destroyed in reverse: the widget, then the page, then the bridge, then the profile.
    std::unique_ptr<QWebEngineProfile> profile_;
    std::unique_ptr<WebCookieBridge> cookieBridge_;
    std::unique_ptr<EnginePage> page_;
    // A window that shows the widget owns it as its child and may delete it first.
    QPointer<QWidget> host_;

    QUrl url_;
    bool loading_ = false;
    // The base URL of the HTML string being loaded: its navigation carries a data URL instead.
    std::optional<QUrl> pendingHtmlBase_;
    // A requested load whose navigation the delegate has not been asked about yet.
    bool awaitingOwnLoad_ = false;
    // The application's last load, issued once more when the engine drops it without an error.
    std::function<void()> reissue_;
    bool reissued_ = false;
    bool reissuing_ = false;
    // Set when the application (or the load's timeout) stopped the load.
    bool stopRequested_ = false;
    // The URLs under which the engine reports the current load (its redirects included); the
    // engine also reports navigations the delegate refused, which are not among them.
    QList<QUrl> loadUrls_;
    ScopedTimer timeout_;
    // Set once a load has been reported failed, so the engine's own end of it is not reported too.
    bool failureReported_ = false;
    std::shared_ptr<int> lifetime_ = std::make_shared<int>(0);
};

}  // namespace platform
