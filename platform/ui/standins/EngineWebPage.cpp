#include "platform/ui/standins/EngineWebPage.h"

#include "platform/foundation/Scheduler.h"
#include "platform/ui/standins/CookieStorage.h"
#include "platform/ui/standins/WebCookieBridge.h"

#include <QtCore/QCoreApplication>
#include <QtWebEngineCore/QWebEngineHttpRequest>
#include <QtWebEngineCore/QWebEngineLoadingInfo>
#include <QtWebEngineCore/QWebEnginePage>
#include <QtWebEngineCore/QWebEngineProfile>
#include <QtWebEngineCore/QWebEngineScript>
#include <QtWebEngineCore/QWebEngineSettings>
#include <QtWebEngineWidgets/QWebEngineView>
#include <QtWidgets/QApplication>

namespace platform {

namespace {

// Chromium's network error numbers that have a counterpart among the platform's codes.
enum NetError : int {
    kAborted = -3,
    kTimedOut = -7,
    kConnectionClosed = -100,
    kConnectionReset = -101,
    kConnectionRefused = -102,
    kConnectionFailed = -104,
    kNameNotResolved = -105,
    kInternetDisconnected = -106,
    kAddressUnreachable = -109,
    kConnectionTimedOut = -118,
    kNameResolutionFailed = -137,
    kInvalidUrl = -300,
    kDisallowedUrlScheme = -301,
    kUnknownUrlScheme = -302,
    kUnsafePort = -312,
    kEmptyResponse = -324,
};

UrlErrorCode urlErrorCode(const QWebEngineLoadingInfo& info) {
    if (info.errorDomain() == QWebEngineLoadingInfo::CertificateErrorDomain) {
        return UrlErrorCode::SecureConnectionFailed;
    }
    switch (info.errorCode()) {
        case kAborted:
            return UrlErrorCode::Cancelled;
        case kTimedOut:
        case kConnectionTimedOut:
            return UrlErrorCode::TimedOut;
        case kNameNotResolved:
        case kNameResolutionFailed:
            return UrlErrorCode::CannotFindHost;
        case kConnectionRefused:
        case kConnectionFailed:
        case kAddressUnreachable:
            return UrlErrorCode::CannotConnectToHost;
        case kConnectionClosed:
        case kConnectionReset:
        case kEmptyResponse:
            return UrlErrorCode::NetworkConnectionLost;
        case kInternetDisconnected:
            return UrlErrorCode::NotConnectedToInternet;
        case kInvalidUrl:
            return UrlErrorCode::BadUrl;
        case kDisallowedUrlScheme:
        case kUnknownUrlScheme:
        case kUnsafePort:
            return UrlErrorCode::UnsupportedUrl;
        default:
            return UrlErrorCode::Unknown;
    }
}

WebNavigationType navigationType(int engineType) {
    switch (engineType) {
        case QWebEnginePage::NavigationTypeLinkClicked:
            return WebNavigationType::LinkClicked;
        case QWebEnginePage::NavigationTypeFormSubmitted:
            return WebNavigationType::FormSubmitted;
        case QWebEnginePage::NavigationTypeBackForward:
            return WebNavigationType::BackForward;
        case QWebEnginePage::NavigationTypeReload:
            return WebNavigationType::Reload;
        default:
            // Typed URLs (the application's own loads), redirects and the rest.
            return WebNavigationType::Other;
    }
}

}  // namespace

class EngineWebPage::EnginePage : public QWebEnginePage {
public:
    EnginePage(QWebEngineProfile* profile, EngineWebPage* owner)
        : QWebEnginePage(profile), owner_(owner) {}

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override {
        return owner_->acceptNavigation(url, type, isMainFrame);
    }

private:
    EngineWebPage* owner_;
};

EngineWebPage::EngineWebPage() : EngineWebPage(CookieStorage::shared()) {}

EngineWebPage::EngineWebPage(std::shared_ptr<CookieStorage> cookies)
    : profile_(std::make_unique<QWebEngineProfile>()) {
    cookieBridge_ = std::make_unique<WebCookieBridge>(profile_->cookieStore(), std::move(cookies));
    page_ = std::make_unique<EnginePage>(profile_.get(), this);
    QObject::connect(page_.get(), &QWebEnginePage::loadingChanged,
                     [this](const QWebEngineLoadingInfo& info) { loadingChanged(info); });
}

EngineWebPage::~EngineWebPage() {
    timeout_.cancel();
    delete host_.data();
    // Script answers still on their way are dropped with the page.
    page_.reset();
    cookieBridge_.reset();
    profile_.reset();
}

bool EngineWebPage::scriptsEnabled() const {
    return page_->settings()->testAttribute(QWebEngineSettings::JavascriptEnabled);
}

void EngineWebPage::setScriptsEnabled(bool enabled) {
    page_->settings()->setAttribute(QWebEngineSettings::JavascriptEnabled, enabled);
}

void EngineWebPage::loadHtmlString(const QString& html, const QUrl& baseUrl) {
    timeout_.cancel();
    failureReported_ = false;
    if (html.toUtf8().size() > kMaxHtmlBytes) {
        failNow(UrlError(kUrlErrorDomain, int(UrlErrorCode::CannotDecodeRawData),
                         QStringLiteral("The HTML is larger than the web view can take.")));
        return;
    }
    pendingHtmlBase_ = baseUrl;
    loading_ = true;
    issue([this, html, baseUrl] {
        pendingHtmlBase_ = baseUrl;
        page_->setHtml(html, baseUrl);
    });
}

void EngineWebPage::loadRequest(const UrlRequest& request, WebCachePolicy cachePolicy) {
    timeout_.cancel();
    failureReported_ = false;
    pendingHtmlBase_.reset();
    profile_->setHttpCacheType(cachePolicy == WebCachePolicy::ReloadIgnoringLocalCacheData
                                   ? QWebEngineProfile::NoCache
                                   : QWebEngineProfile::MemoryHttpCache);
    QWebEngineHttpRequest engineRequest(request.url);
    engineRequest.setMethod(request.httpMethod == "POST" ? QWebEngineHttpRequest::Post
                                                         : QWebEngineHttpRequest::Get);
    for (const auto& [name, value] : request.headers.fields()) {
        engineRequest.setHeader(name, value);
    }
    engineRequest.setPostData(request.body);
    startTimeout(request.timeoutInterval);
    loading_ = true;
    issue([this, engineRequest] {
        awaitingOwnLoad_ = true;
        page_->load(engineRequest);
    });
}

void EngineWebPage::issue(std::function<void()> load) {
    reissue_ = std::move(load);
    reissued_ = false;
    reissuing_ = false;
    stopRequested_ = false;
    reissue_();
}

void EngineWebPage::stopLoading() {
    stopRequested_ = true;
    page_->triggerAction(QWebEnginePage::Stop);
}

void EngineWebPage::evaluateScript(const QString& script, ScriptResult result) {
    std::weak_ptr<int> alive = lifetime_;
    // The application's own world: it sees the page's document whether the page's scripts run or
    // not, and the page's scripts cannot see it.
    page_->runJavaScript(script, QWebEngineScript::ApplicationWorld,
                         [alive, result = std::move(result)](const QVariant& value) {
                             // Answered later, so the caller may release the page from here.
                             Scheduler::main().post([alive, result, value] {
                                 if (!alive.expired() && result) {
                                     result(value);
                                 }
                             });
                         });
}

QWidget* EngineWebPage::hostWidget() {
    if (!host_ && qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr) {
        auto* view = new QWebEngineView();
        view->setPage(page_.get());
        host_ = view;
    }
    return host_.data();
}

bool EngineWebPage::acceptNavigation(const QUrl& url, int engineType, bool isMainFrame) {
    QUrl reported = url;
    WebNavigationType type = navigationType(engineType);
    const bool ownHtml = isMainFrame && pendingHtmlBase_ && url.scheme() == QLatin1String("data");
    if (ownHtml) {
        // The page's own HTML: asked about as a load of its base URL.
        reported = *pendingHtmlBase_;
        type = WebNavigationType::Other;
    }
    const bool ownLoad = isMainFrame && (ownHtml || awaitingOwnLoad_);
    if (isMainFrame) {
        awaitingOwnLoad_ = false;
    }
    if (ownLoad && reissuing_) {
        // The delegate has agreed to this load already, and was told it started.
        reissuing_ = false;
        followLoad(url, reported);
        return true;
    }
    if (!askShouldStart(reported, type)) {
        if (ownLoad) {
            // The application's own load refused: the page stays as it was.
            pendingHtmlBase_.reset();
            loading_ = false;
            timeout_.cancel();
        }
        return false;
    }
    if (!isMainFrame) {
        return true;
    }
    url_ = reported;
    if (engineType == QWebEnginePage::NavigationTypeRedirect) {
        loadUrls_.append(url);
        return true;
    }
    followLoad(url, reported);
    loading_ = true;
    failureReported_ = false;
    tellDelegate([](WebPageDelegate& delegate, WebPage& page) { delegate.didStartLoad(page); });
    return true;
}

void EngineWebPage::followLoad(const QUrl& url, const QUrl& reported) {
    // A new load of the page: what the engine reports of earlier ones (a navigation the delegate
    // refused included) is no longer of interest. The engine reports the end of an HTML string's
    // load under its base URL.
    loadUrls_ = {url, reported};
    pendingHtmlBase_.reset();
}

bool EngineWebPage::wasDropped(const QWebEngineLoadingInfo& info) const {
    // Ended with no error at all, or stopped when no one asked it to stop.
    if (info.status() == QWebEngineLoadingInfo::LoadStoppedStatus) {
        return !stopRequested_;
    }
    return info.status() == QWebEngineLoadingInfo::LoadFailedStatus && info.errorCode() == 0 &&
           info.errorDomain() == QWebEngineLoadingInfo::NoErrorDomain;
}

void EngineWebPage::loadingChanged(const QWebEngineLoadingInfo& info) {
    if (!loadUrls_.contains(info.url())) {
        return;
    }
    switch (info.status()) {
        case QWebEngineLoadingInfo::LoadStartedStatus:
            break;
        case QWebEngineLoadingInfo::LoadSucceededStatus:
            loadUrls_.clear();
            loading_ = false;
            timeout_.cancel();
            tellDelegate(
                [](WebPageDelegate& delegate, WebPage& page) { delegate.didFinishLoad(page); });
            break;
        case QWebEngineLoadingInfo::LoadStoppedStatus:
        case QWebEngineLoadingInfo::LoadFailedStatus: {
            if (wasDropped(info) && reissue_ && !reissued_) {
                // Right after a navigation the delegate refused, the engine at times drops the
                // next load: the application's own load is issued once more.
                reissued_ = true;
                reissuing_ = true;
                std::weak_ptr<int> alive = lifetime_;
                Scheduler::main().post([this, alive] {
                    if (!alive.expired() && reissuing_) {
                        reissue_();
                    }
                });
                break;
            }
            loadUrls_.clear();
            loading_ = false;
            timeout_.cancel();
            if (failureReported_) {
                break;
            }
            const UrlErrorCode code = info.status() == QWebEngineLoadingInfo::LoadStoppedStatus
                                          ? UrlErrorCode::Cancelled
                                          : urlErrorCode(info);
            const UrlError error = code == UrlErrorCode::Unknown
                                       ? UrlError(kUrlErrorDomain, int(code), info.errorString())
                                       : UrlError(code);
            tellDelegate([error](WebPageDelegate& delegate, WebPage& page) {
                delegate.didFailLoad(page, error);
            });
            break;
        }
    }
}

void EngineWebPage::startTimeout(TimeInterval timeout) {
    if (timeout <= 0) {
        return;
    }
    timeout_ = Scheduler::main().after(timeout, [this] { timedOut(); });
}

void EngineWebPage::timedOut() {
    if (!loading_) {
        return;
    }
    failNow(UrlError(UrlErrorCode::TimedOut));
    stopRequested_ = true;
    page_->triggerAction(QWebEnginePage::Stop);
}

void EngineWebPage::failNow(const UrlError& error) {
    loading_ = false;
    failureReported_ = true;
    tellDelegate(
        [error](WebPageDelegate& delegate, WebPage& page) { delegate.didFailLoad(page, error); });
}

void EngineWebPage::tellDelegate(std::function<void(WebPageDelegate&, WebPage&)> call) {
    std::weak_ptr<int> alive = lifetime_;
    Scheduler::main().post([this, alive, call = std::move(call)] {
        if (alive.expired()) {
            return;
        }
        if (const auto current = delegate()) {
            call(*current, *this);
        }
    });
}

}  // namespace platform
