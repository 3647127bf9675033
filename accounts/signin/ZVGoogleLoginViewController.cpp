#include "accounts/signin/ZVGoogleLoginViewController.h"

#include "ZelvoKit/ZelvoApi/account/ZVUserCredentials.h"
#include "ZelvoKit/ZelvoApi/api/ZVApi.h"
#include "ZelvoKit/support/base/ZVJsonParser.h"
#include "ZelvoKit/support/log/ZVErrorLog.h"
#include "platform/ui/controllers/navigation/NavigationController.h"
#include "platform/ui/standins/CookieStorage.h"

using namespace Qt::StringLiterals;

namespace {

const QString kHideSignupScript =
    u"document.getElementById('link-signup').style.display = 'none';"_s;
const QString kResultElement = u"inputHiddenValue"_s;
const QString kAuthenticateAction = u"authenticate"_s;

}  // namespace

ZVGoogleLoginViewController::ZVGoogleLoginViewController()
    : ZVGoogleLoginViewController(QString(kPagePath), u"Sign in with Google"_s) {}

ZVGoogleLoginViewController::ZVGoogleLoginViewController(const QString& urlPath,
                                                         const QString& title)
    : urlPath_(urlPath), webView_(std::make_shared<platform::WebView>()) {
    setTitle(title);
}

ZVGoogleLoginViewController::~ZVGoogleLoginViewController() = default;

std::weak_ptr<ZVGoogleLoginViewController> ZVGoogleLoginViewController::weakSelf() {
    return std::static_pointer_cast<ZVGoogleLoginViewController>(shared_from_this());
}

void ZVGoogleLoginViewController::loadView() {
    ViewController::loadView();
    webView_->setFrame(viewIfLoaded()->frame());
    setView(webView_);
}

void ZVGoogleLoginViewController::viewDidLoad() {
    ViewController::viewDidLoad();
    webView_->setDelegate(std::shared_ptr<platform::WebViewDelegate>(
        shared_from_this(), static_cast<platform::WebViewDelegate*>(this)));
    platform::UrlRequest request;
    request.url = ZVApi::api().baseURL().resolved(QUrl(urlPath_));
    request.timeoutInterval = kTimeout;
    webView_->loadRequest(request, platform::WebCachePolicy::ReloadIgnoringLocalCacheData);
}

void ZVGoogleLoginViewController::viewDidDisappear(bool animated) {
    ViewController::viewDidDisappear(animated);
    if (isMovingFromParentViewController() || isBeingDismissed()) {
        // The page's late answers belong to no one now.
        closed_ = true;
        webView_->stopLoading();
    }
}

void ZVGoogleLoginViewController::didFinishLoad(platform::WebView&) {
    inspectPage();
}

void ZVGoogleLoginViewController::didFailLoad(platform::WebView&, const platform::UrlError& error) {
    ZVLogError(u"DFLWE: %@", error.description());
    // A failure after the result page loaded (a late sub-resource) still signs in.
    inspectPage();
}

void ZVGoogleLoginViewController::inspectPage() {
    if (finished_ || closed_) {
        return;
    }
    webView_->evaluateScript(kHideSignupScript, [](const QVariant&) {});
    const auto weak = weakSelf();
    webView_->elementValue(kResultElement, [weak](const QString& value) {
        const auto self = weak.lock();
        // Another answer may have signed in meanwhile, or the user left.
        if (!self || self->finished_ || self->closed_ || value.isEmpty()) {
            return;
        }
        self->takeResult(value);
    });
}

void ZVGoogleLoginViewController::takeResult(const QString& loginData) {
    ZVJsonParser parser = ZVJsonParser::jsonParserForString(loginData);
    const QString action = parser.extractString(u"action");
    const QString ticket = parser.extractString(u"ticket");
    const QString email = parser.extractString(u"profiles[0]/email");
    const QString accountId = parser.extractString(u"profiles[0]/account_id");
    if (parser.error()) {
        ZVLogError(u"LoginData parse: %@", parser.error()->description());
        return;
    }
    if (action != kAuthenticateAction) {
        return;
    }
    finished_ = true;
    // Popping may release the navigation's hold on this screen while it still works.
    const auto keep = shared_from_this();
    if (platform::NavigationController* navigation = navigationController()) {
        navigation->popToRootViewControllerAnimated(false);
    }
    signIn(parser, email, accountId, ticket);
}

QString ZVGoogleLoginViewController::tokenCookie() const {
    QString token;
    const QByteArray name(kTokenCookieName.data(), kTokenCookieName.size());
    for (const QNetworkCookie& cookie :
         platform::CookieStorage::shared()->cookiesForUrl(ZVApi::api().baseURL())) {
        if (cookie.name() == name) {
            token = QString::fromUtf8(cookie.value());
        }
    }
    return token;
}

void ZVGoogleLoginViewController::signIn(ZVJsonParser& parser, const QString& email,
                                         const QString& accountId, const QString& ticket) {
    const QString token = tokenCookie();
    if (token.size() != kTokenLength || ticket.isEmpty()) {
        return;
    }
    auto credentials = std::make_shared<ZVUserCredentials>();
    credentials->setEmail(email);
    credentials->setUuid(accountId);
    credentials->setTicket(ticket);
    credentials->setCookie(token);
    if (!credentials->valid()) {
        return;
    }
    ZVApi& api = ZVApi::api();
    if (!api.loginWithCredentials(credentials, &parser) && onLoginFailure_) {
        const FailureBlock block = onLoginFailure_;
        block(api.loginError());
    }
}
