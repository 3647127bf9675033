#pragma once

#include "ZelvoKit/support/base/ZVError.h"
#include "platform/ui/standins/ExtensionHost.h"

#include <QtCore/QLatin1StringView>
#include <QtCore/QString>
#include <QtCore/QVariantMap>

#include <functional>
#include <optional>
#include <vector>

namespace platform {
class View;
class ViewController;
class WebView;
}  // namespace platform

// The client of a password manager's app extension: asks it for a stored login, to store a new
// one or change a password, or to fill a login form shown in a web view. The password manager
// answers through the registered extension host; without one every call fails with
// SystemAPINotAvailable and presents nothing. Every completion runs on the main thread. Main
// thread only.
class PasswordManagerExtension {
public:
    enum ErrorCode {
        CancelledByUser = 0,
        SystemAPINotAvailable = 1,
        FailedToContactExtension = 2,
        FailedToLoadItemProviderData = 3,
        FailedToCollectFields = 4,
        FailedToFillFields = 5,
        UnexpectedData = 6,
        FailedToObtainURLStringFromWebView = 7,
    };

    static constexpr QLatin1StringView ErrorDomain{"PasswordManagerExtension"};
    // Where the wrapped error of a failure lies in its user info: {domain, code,
    // localized_description}.
    static constexpr QLatin1StringView UnderlyingErrorKey{"underlying_error"};
    static constexpr int kVersionNumber = 150;

    static constexpr QLatin1StringView FindLoginAction{"org.appextension.find-login-action"};
    static constexpr QLatin1StringView SaveLoginAction{"org.appextension.save-login-action"};
    static constexpr QLatin1StringView ChangePasswordAction{
        "org.appextension.change-password-action"};
    static constexpr QLatin1StringView FillWebViewAction{"org.appextension.fill-webview-action"};
    static constexpr QLatin1StringView FillBrowserAction{"org.appextension.fill-browser-action"};
    // What an answer's attachment must be.
    static constexpr QLatin1StringView PropertyListType{"org.appextension.property-list"};
    static constexpr QLatin1StringView FeatureURL{
        "org-appextension-feature-password-management://"};

    static constexpr QLatin1StringView VersionNumberKey{"version_number"};
    static constexpr QLatin1StringView URLStringKey{"url_string"};
    static constexpr QLatin1StringView GeneratorOptionsKey{"password_generator_options"};
    static constexpr QLatin1StringView PageDetailsKey{"pageDetails"};
    static constexpr QLatin1StringView FillScriptKey{"fillScript"};
    static constexpr QLatin1StringView UsernameKey{"username"};
    static constexpr QLatin1StringView PasswordKey{"password"};

    // A login dictionary, or the failure.
    using LoginCompletion = std::function<void(const QVariantMap& login, const ZVErrorPtr& error)>;
    using SuccessCompletion = std::function<void(bool success, const ZVErrorPtr& error)>;
    using ItemCompletion = std::function<void(const std::optional<platform::ExtensionItem>& item,
                                              const ZVErrorPtr& error)>;

    static PasswordManagerExtension& sharedExtension();

    bool isSystemAppExtensionAPIAvailable() const;
    bool isAppExtensionAvailable() const;

    // `sender` is what the sheet points at on a tablet; it may be null.
    void findLoginForURLString(const QString& urlString, platform::ViewController* controller,
                               platform::View* sender, LoginCompletion completion);
    void storeLoginForURLString(const QString& urlString, const QVariantMap& loginDetails,
                                const QVariantMap& generatorOptions,
                                platform::ViewController* controller, platform::View* sender,
                                LoginCompletion completion);
    void changePasswordForLoginForURLString(const QString& urlString,
                                            const QVariantMap& loginDetails,
                                            const QVariantMap& generatorOptions,
                                            platform::ViewController* controller,
                                            platform::View* sender, LoginCompletion completion);
    // A view that is no web view is ignored: the completion never runs.
    void fillItemIntoWebView(platform::View* webView, platform::ViewController* controller,
                             platform::View* sender, bool showOnlyLogins,
                             SuccessCompletion completion);
    void fillLoginIntoWebView(platform::View* webView, platform::ViewController* controller,
                              platform::View* sender, SuccessCompletion completion);
    // The two halves of a fill, for callers that present the sheet themselves.
    void createExtensionItemForWebView(platform::View* webView, ItemCompletion completion);
    void fillReturnedItems(const std::vector<platform::ExtensionItem>& returnedItems,
                           platform::View* webView, SuccessCompletion completion);
    static bool isPasswordManagerExtensionActivityType(const QString& activityType);

    // --- errors ---
    static ZVErrorPtr extensionCancelledByUserError();
    static ZVErrorPtr systemAppExtensionAPINotAvailableError();
    static ZVErrorPtr failedToContactExtensionErrorWithActivityError(
        const platform::ExtensionHostError& activityError);
    static ZVErrorPtr failedToLoadItemProviderDataErrorWithUnderlyingError(
        const std::optional<platform::ExtensionHostError>& underlying);
    static ZVErrorPtr failedToCollectFieldsErrorWithUnderlyingError(const QString& scriptError);
    static ZVErrorPtr failedToFillFieldsErrorWithLocalizedErrorMessage(
        const QString& message, const ZVErrorPtr& underlying);
    static ZVErrorPtr failedToObtainURLStringFromWebViewError();

private:
    PasswordManagerExtension() = default;

    using DictionaryCompletion =
        std::function<void(const QVariantMap& dictionary, const ZVErrorPtr& error)>;

    // Find, store and change: one request, one sheet, the first answer's dictionary.
    void requestLogin(const QString& operation, const QString& action, const QVariantMap& request,
                      platform::ViewController* controller, platform::View* sender,
                      LoginCompletion completion);
    void presentSheet(const QVariantMap& request, const QString& typeIdentifier,
                      platform::ViewController* controller, platform::View* sender,
                      platform::ExtensionHost::Completion completion);
    static platform::ExtensionItem itemForRequest(const QVariantMap& request,
                                                  const QString& typeIdentifier);
    void processExtensionItem(const platform::ExtensionItem& item, DictionaryCompletion completion);
    void collectPageDetails(
        platform::WebView& webView,
        std::function<void(const QString& url, const QString& details, const ZVErrorPtr& error)>
            collected);
    void findLoginInPasswordManagerWithURLString(const QString& urlString,
                                                 const QString& collectedPageDetails,
                                                 platform::ViewController* controller,
                                                 platform::View* sender, platform::WebView& webView,
                                                 bool showOnlyLogins, SuccessCompletion completion);
    void executeFillScript(const QString& fillScript, platform::WebView& webView,
                           SuccessCompletion completion);
    // The fill request of the page; the JSON parser's error, or none for an empty object, when
    // the details hold no entries.
    static std::optional<QVariantMap> fillRequest(const QString& urlString,
                                                  const QString& pageDetails, ZVErrorPtr& error);
};
