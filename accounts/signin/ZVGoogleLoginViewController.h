#pragma once

#include "ZelvoKit/support/base/ZVError.h"
#include "platform/ui/controllers/ViewController.h"
#include "platform/ui/standins/WebView.h"

#include <QtCore/QLatin1StringView>
#include <QtCore/QString>

#include <functional>
#include <memory>

class ZVJsonParser;

// Sign-in through an identity provider on the service's own web pages: the page under the API's
// base URL leads the user through the provider's sign-in, and the service's result page carries
// the sign-in in a hidden input and its "token_id" cookie. Once a result qualifies the screen
// closes and the account signs in, once. Main thread only.
class ZVGoogleLoginViewController : public platform::ViewController,
                                    public platform::WebViewDelegate {
public:
    static constexpr platform::TimeInterval kTimeout = 120;
    static constexpr QLatin1StringView kPagePath{"authenticate/google"};
    static constexpr QLatin1StringView kTokenCookieName{"token_id"};
    // The length of a token the service issues; any other counts as none.
    static constexpr qsizetype kTokenLength = 36;
    using FailureBlock = std::function<void(const ZVErrorPtr& error)>;

    ZVGoogleLoginViewController();
    ZVGoogleLoginViewController(const QString& urlPath, const QString& title);
    ~ZVGoogleLoginViewController() override;

    const std::shared_ptr<platform::WebView>& webView() const { return webView_; }
    // Told when the sign-in with the page's credentials fails (another account signed in already,
    // say); the service's refusals are reported by the API client as well.
    void setOnLoginFailure(FailureBlock block) { onLoginFailure_ = std::move(block); }
    // Whether the page's result was taken: the screen closed and the sign-in started.
    bool isFinished() const { return finished_; }

    void loadView() override;
    void viewDidLoad() override;
    void viewDidDisappear(bool animated) override;
    StatusBarStyle preferredStatusBarStyle() const override { return StatusBarStyle::Default; }

    // --- the web view ---
    void didFinishLoad(platform::WebView& view) override;
    void didFailLoad(platform::WebView& view, const platform::UrlError& error) override;

private:
    // Reads the page after a load, finished or failed.
    void inspectPage();
    void takeResult(const QString& loginData);
    void signIn(ZVJsonParser& parser, const QString& email, const QString& accountId,
                const QString& ticket);
    QString tokenCookie() const;
    std::weak_ptr<ZVGoogleLoginViewController> weakSelf();

    QString urlPath_;
    std::shared_ptr<platform::WebView> webView_;
    FailureBlock onLoginFailure_;
    bool finished_ = false;
    bool closed_ = false;
};
