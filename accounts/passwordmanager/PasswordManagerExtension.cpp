#include "accounts/passwordmanager/PasswordManagerExtension.h"

#include "accounts/passwordmanager/PasswordManagerScripts.h"
#include "platform/foundation/Scheduler.h"
#include "platform/foundation/SystemLog.h"
#include "platform/ui/standins/WebView.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QJsonDocument>
#include <QtCore/QJsonObject>
#include <QtCore/QThread>

using namespace Qt::StringLiterals;

namespace {

// The password manager's own extensions, as activity types.
const QStringList kExtensionBundleIds = {u"org.appextension.password-manager.extension"_s,
                                         u"org.appextension.password-manager-beta.extension"_s};

// Answers of the host may come from another thread; every completion runs on the main one.
void onMainThread(std::function<void()> work) {
    const QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr || QThread::currentThread() == app->thread()) {
        work();
    } else {
        platform::Scheduler::main().post(std::move(work));
    }
}

// The caller's completion, or one that does nothing where the caller gave none.
template <typename... Args>
std::function<void(Args...)> passwordManagerCompletion(std::function<void(Args...)> completion) {
    return [completion = std::move(completion)](Args... args) {
        if (completion) {
            completion(args...);
        }
    };
}

ZVErrorPtr makeError(int code, const QString& description, QJsonObject underlying = {}) {
    QJsonObject info{{QString(ZVError::LocalizedDescriptionKey), description}};
    if (!underlying.isEmpty()) {
        info.insert(PasswordManagerExtension::UnderlyingErrorKey, underlying);
    }
    return ZVError::errorWithDomain(PasswordManagerExtension::ErrorDomain, code, info);
}

QJsonObject describe(const platform::ExtensionHostError& error) {
    return {{u"domain"_s, error.domain},
            {u"code"_s, error.code},
            {QString(ZVError::LocalizedDescriptionKey), error.description}};
}

QJsonObject describe(const ZVErrorPtr& error) {
    if (!error) {
        return {};
    }
    return {{u"domain"_s, error->domain()},
            {u"code"_s, error->code()},
            {QString(ZVError::LocalizedDescriptionKey), error->localizedDescription()}};
}

}  // namespace

PasswordManagerExtension& PasswordManagerExtension::sharedExtension() {
    static PasswordManagerExtension instance;
    return instance;
}

bool PasswordManagerExtension::isSystemAppExtensionAPIAvailable() const {
    return platform::ExtensionHost::shared() != nullptr;
}

bool PasswordManagerExtension::isAppExtensionAvailable() const {
    const auto host = platform::ExtensionHost::shared();
    return host && host->canOpenURL(QUrl(QString(FeatureURL)));
}

bool PasswordManagerExtension::isPasswordManagerExtensionActivityType(const QString& activityType) {
    return kExtensionBundleIds.contains(activityType);
}

// --- errors ---

ZVErrorPtr PasswordManagerExtension::extensionCancelledByUserError() {
    return makeError(CancelledByUser, u"Password Manager Extension was cancelled by the user"_s);
}

ZVErrorPtr PasswordManagerExtension::systemAppExtensionAPINotAvailableError() {
    return makeError(SystemAPINotAvailable,
                     u"App Extension API is not available in this version of the system"_s);
}

ZVErrorPtr PasswordManagerExtension::failedToContactExtensionErrorWithActivityError(
    const platform::ExtensionHostError& activityError) {
    return makeError(FailedToContactExtension,
                     u"Failed to contact the Password Manager Extension"_s,
                     describe(activityError));
}

ZVErrorPtr PasswordManagerExtension::failedToLoadItemProviderDataErrorWithUnderlyingError(
    const std::optional<platform::ExtensionHostError>& underlying) {
    return makeError(FailedToLoadItemProviderData,
                     u"Failed to parse information returned by Password Manager Extension"_s,
                     underlying ? describe(*underlying) : QJsonObject());
}

ZVErrorPtr PasswordManagerExtension::failedToCollectFieldsErrorWithUnderlyingError(
    const QString& scriptError) {
    return makeError(FailedToCollectFields,
                     u"Failed to execute script that collects web page information"_s,
                     QJsonObject{{QString(ZVError::LocalizedDescriptionKey), scriptError}});
}

ZVErrorPtr PasswordManagerExtension::failedToFillFieldsErrorWithLocalizedErrorMessage(
    const QString& message, const ZVErrorPtr& underlying) {
    return makeError(FailedToFillFields, message, describe(underlying));
}

ZVErrorPtr PasswordManagerExtension::failedToObtainURLStringFromWebViewError() {
    return makeError(FailedToObtainURLStringFromWebView,
                     u"Failed to obtain URL String from web view. The web view must be loaded "
                     u"completely when calling the Password Manager Extension"_s);
}

// --- find, store, change ---

void PasswordManagerExtension::findLoginForURLString(const QString& urlString,
                                                     platform::ViewController* controller,
                                                     platform::View* sender,
                                                     LoginCompletion completion) {
    const QVariantMap request{{QString(VersionNumberKey), kVersionNumber},
                              {QString(URLStringKey), urlString}};
    requestLogin(u"findLoginForURLString"_s, FindLoginAction, request, controller, sender,
                 std::move(completion));
}

namespace {

QVariantMap loginRequest(const QString& urlString, const QVariantMap& loginDetails,
                         const QVariantMap& generatorOptions) {
    QVariantMap request{{QString(PasswordManagerExtension::VersionNumberKey),
                         PasswordManagerExtension::kVersionNumber},
                        {QString(PasswordManagerExtension::URLStringKey), urlString}};
    request.insert(loginDetails);
    if (!generatorOptions.isEmpty()) {
        request.insert(PasswordManagerExtension::GeneratorOptionsKey, generatorOptions);
    }
    return request;
}

}  // namespace

void PasswordManagerExtension::storeLoginForURLString(
    const QString& urlString, const QVariantMap& loginDetails, const QVariantMap& generatorOptions,
    platform::ViewController* controller, platform::View* sender, LoginCompletion completion) {
    requestLogin(u"storeLoginForURLString"_s, SaveLoginAction,
                 loginRequest(urlString, loginDetails, generatorOptions), controller, sender,
                 std::move(completion));
}

void PasswordManagerExtension::changePasswordForLoginForURLString(
    const QString& urlString, const QVariantMap& loginDetails, const QVariantMap& generatorOptions,
    platform::ViewController* controller, platform::View* sender, LoginCompletion completion) {
    requestLogin(u"changePasswordForLoginWithUsername"_s, ChangePasswordAction,
                 loginRequest(urlString, loginDetails, generatorOptions), controller, sender,
                 std::move(completion));
}

void PasswordManagerExtension::requestLogin(const QString& operation, const QString& action,
                                            const QVariantMap& request,
                                            platform::ViewController* controller,
                                            platform::View* sender, LoginCompletion completion) {
    const LoginCompletion complete = passwordManagerCompletion(std::move(completion));
    if (!isSystemAppExtensionAPIAvailable()) {
        platform::systemLog(u"Failed to %1, system API is not available"_s.arg(operation));
        complete({}, systemAppExtensionAPINotAvailableError());
        return;
    }
    presentSheet(request, action, controller, sender,
                 [this, operation, complete](std::vector<platform::ExtensionItem> items,
                                             std::optional<platform::ExtensionHostError> error) {
                     onMainThread([this, operation, complete, items = std::move(items), error] {
                         if (!items.empty()) {
                             processExtensionItem(items.front(), complete);
                         } else if (error) {
                             platform::systemLogFormat(u"Failed to %@: %@", operation,
                                                       error->description);
                             complete({}, failedToContactExtensionErrorWithActivityError(*error));
                         } else {
                             complete({}, extensionCancelledByUserError());
                         }
                     });
                 });
}

platform::ExtensionItem PasswordManagerExtension::itemForRequest(const QVariantMap& request,
                                                                 const QString& typeIdentifier) {
    platform::ExtensionItem item;
    item.attachments.push_back({typeIdentifier, request, std::nullopt});
    return item;
}

void PasswordManagerExtension::presentSheet(const QVariantMap& request,
                                            const QString& typeIdentifier,
                                            platform::ViewController* controller,
                                            platform::View* sender,
                                            platform::ExtensionHost::Completion completion) {
    platform::ExtensionAnchor anchor;
    if (sender != nullptr && sender->superview() != nullptr) {
        anchor.sourceView = sender->superview();
        anchor.sourceRect = sender->frame();
    } else {
        platform::systemLog(u"sender can be nil on a phone"_s);
    }
    platform::ExtensionHost::shared()->present(itemForRequest(request, typeIdentifier),
                                               typeIdentifier, controller, anchor,
                                               std::move(completion));
}

void PasswordManagerExtension::processExtensionItem(const platform::ExtensionItem& item,
                                                    DictionaryCompletion completion) {
    if (item.attachments.empty()) {
        completion({}, makeError(UnexpectedData,
                                 u"Unexpected data returned by App Extension: extension item had "
                                 u"no attachments."_s));
        return;
    }
    const platform::ExtensionAttachment& attachment = item.attachments.front();
    if (attachment.typeIdentifier != PropertyListType) {
        completion({}, makeError(UnexpectedData,
                                 u"Unexpected data returned by App Extension: extension item "
                                 u"attachment does not conform to the property list type "
                                 u"identifier"_s));
        return;
    }
    ZVErrorPtr error;
    if (attachment.propertyList.isEmpty() || attachment.loadError) {
        platform::systemLogFormat(
            u"Failed to loadItemForTypeIdentifier: %@",
            attachment.loadError ? attachment.loadError->description : u"no data"_s);
        error = failedToLoadItemProviderDataErrorWithUnderlyingError(attachment.loadError);
    }
    onMainThread([completion, dictionary = attachment.propertyList, error] {
        completion(error ? QVariantMap() : dictionary, error);
    });
}

// --- filling a web view ---

void PasswordManagerExtension::fillLoginIntoWebView(platform::View* webView,
                                                    platform::ViewController* controller,
                                                    platform::View* sender,
                                                    SuccessCompletion completion) {
    fillItemIntoWebView(webView, controller, sender, true, std::move(completion));
}

void PasswordManagerExtension::fillItemIntoWebView(platform::View* view,
                                                   platform::ViewController* controller,
                                                   platform::View* sender, bool showOnlyLogins,
                                                   SuccessCompletion completion) {
    auto* webView = dynamic_cast<platform::WebView*>(view);
    if (webView == nullptr) {
        return;
    }
    const SuccessCompletion complete = passwordManagerCompletion(std::move(completion));
    const std::weak_ptr<platform::View> weakView = webView->weak_from_this();
    collectPageDetails(
        *webView, [this, weakView, controller, sender, showOnlyLogins, complete](
                      const QString& url, const QString& details, const ZVErrorPtr& error) {
            const auto live = std::static_pointer_cast<platform::WebView>(weakView.lock());
            if (error || !live) {
                complete(false, error ? error : failedToObtainURLStringFromWebViewError());
                return;
            }
            findLoginInPasswordManagerWithURLString(url, details, controller, sender, *live,
                                                    showOnlyLogins, complete);
        });
}

void PasswordManagerExtension::collectPageDetails(
    platform::WebView& webView,
    std::function<void(const QString& url, const QString& details, const ZVErrorPtr& error)>
        collected) {
    const std::weak_ptr<platform::View> weakView = webView.weak_from_this();
    webView.evaluateScript(
        PasswordManagerScripts::collectScript(), [weakView, collected](const QVariant& result) {
            const QString details = result.toString();
            if (!result.isValid() || details.isEmpty()) {
                platform::systemLog(
                    u"Password Manager Extension failed to collect web page "
                    u"fields: the script gave no result"_s);
                collected(
                    {}, {},
                    failedToCollectFieldsErrorWithUnderlyingError(u"the script gave no result"_s));
                return;
            }
            const auto view = std::static_pointer_cast<platform::WebView>(weakView.lock());
            collected(view ? view->url().toString() : QString(), details, nullptr);
        });
}

std::optional<QVariantMap> PasswordManagerExtension::fillRequest(const QString& urlString,
                                                                 const QString& pageDetails,
                                                                 ZVErrorPtr& error) {
    QJsonParseError parseError{};
    const QJsonDocument document = QJsonDocument::fromJson(pageDetails.toUtf8(), &parseError);
    const QVariantMap details = document.object().toVariantMap();
    if (details.isEmpty()) {
        platform::systemLogFormat(u"Failed to parse JSON collected page details: %@",
                                  parseError.errorString());
        error = parseError.error == QJsonParseError::NoError
                    ? nullptr
                    : ZVError::errorWithDomain(
                          QString(ZVError::JsonReadingDomain), parseError.error,
                          {{QString(ZVError::LocalizedDescriptionKey), parseError.errorString()}});
        return std::nullopt;
    }
    return QVariantMap{{QString(VersionNumberKey), kVersionNumber},
                       {QString(URLStringKey), urlString},
                       {QString(PageDetailsKey), details}};
}

void PasswordManagerExtension::findLoginInPasswordManagerWithURLString(
    const QString& urlString, const QString& collectedPageDetails,
    platform::ViewController* controller, platform::View* sender, platform::WebView& webView,
    bool showOnlyLogins, SuccessCompletion completion) {
    if (urlString.isEmpty()) {
        platform::systemLog(
            u"Failed to findLoginInPasswordManagerWithURLString: the page has no "
            u"address"_s);
        completion(false, failedToObtainURLStringFromWebViewError());
        return;
    }
    ZVErrorPtr parseError;
    const std::optional<QVariantMap> request =
        fillRequest(urlString, collectedPageDetails, parseError);
    if (!request) {
        completion(false, parseError);
        return;
    }
    if (!isSystemAppExtensionAPIAvailable()) {
        platform::systemLog(
            u"Failed to findLoginInPasswordManagerWithURLString, system API is not available"_s);
        completion(false, systemAppExtensionAPINotAvailableError());
        return;
    }
    const QString action = showOnlyLogins ? FillWebViewAction : FillBrowserAction;
    const std::weak_ptr<platform::View> weakView = webView.weak_from_this();
    presentSheet(
        *request, action, controller, sender,
        [this, weakView, completion](std::vector<platform::ExtensionItem> items,
                                     std::optional<platform::ExtensionHostError> error) {
            onMainThread([this, weakView, completion, items = std::move(items), error] {
                const auto view = std::static_pointer_cast<platform::WebView>(weakView.lock());
                if (!items.empty() && view) {
                    fillReturnedItems(items, view.get(), completion);
                } else if (error) {
                    platform::systemLogFormat(
                        u"Failed to findLoginInPasswordManagerWithURLString: %@",
                        error->description);
                    completion(false, failedToContactExtensionErrorWithActivityError(*error));
                } else {
                    completion(false, extensionCancelledByUserError());
                }
            });
        });
}

void PasswordManagerExtension::fillReturnedItems(
    const std::vector<platform::ExtensionItem>& returnedItems, platform::View* view,
    SuccessCompletion completion) {
    auto* webView = dynamic_cast<platform::WebView*>(view);
    if (webView == nullptr) {
        return;
    }
    const SuccessCompletion complete = passwordManagerCompletion(std::move(completion));
    if (returnedItems.empty()) {
        complete(false, extensionCancelledByUserError());
        return;
    }
    const std::weak_ptr<platform::View> weakView = webView->weak_from_this();
    processExtensionItem(
        returnedItems.front(),
        [this, weakView, complete](const QVariantMap& dictionary, const ZVErrorPtr& error) {
            const auto live = std::static_pointer_cast<platform::WebView>(weakView.lock());
            if (dictionary.isEmpty() || !live) {
                complete(false, error);
                return;
            }
            executeFillScript(dictionary.value(FillScriptKey).toString(), *live, complete);
        });
}

void PasswordManagerExtension::executeFillScript(const QString& fillScript,
                                                 platform::WebView& webView,
                                                 SuccessCompletion completion) {
    if (fillScript.isEmpty()) {
        platform::systemLog(u"Failed to executeFillScript, fillScript is missing"_s);
        completion(false, failedToFillFieldsErrorWithLocalizedErrorMessage(
                              u"Failed to fill web page because script is missing"_s, nullptr));
        return;
    }
    // The fill script is data from another application: it goes into the page as a JSON value,
    // never as code of its own.
    QJsonParseError parseError{};
    const QJsonDocument steps = QJsonDocument::fromJson(fillScript.toUtf8(), &parseError);
    const QString couldNotEvaluate =
        u"Failed to fill web page because script could not be "
        u"evaluated"_s;
    if (parseError.error != QJsonParseError::NoError || !steps.isObject()) {
        platform::systemLogFormat(u"Cannot executeFillScript, evaluateJavaScript failed: %@",
                                  u"the fill script is no JSON object"_s);
        completion(false,
                   failedToFillFieldsErrorWithLocalizedErrorMessage(couldNotEvaluate, nullptr));
        return;
    }
    const QString script =
        PasswordManagerScripts::fillScript() +
        u"(document, %1);"_s.arg(QString::fromUtf8(steps.toJson(QJsonDocument::Compact)));
    webView.evaluateScript(script, [completion, couldNotEvaluate](const QVariant& result) {
        onMainThread([completion, couldNotEvaluate, result] {
            if (!result.isValid() || result.toString().isEmpty()) {
                platform::systemLogFormat(
                    u"Cannot executeFillScript, evaluateJavaScript failed: %@", u"no result"_s);
                completion(false, failedToFillFieldsErrorWithLocalizedErrorMessage(couldNotEvaluate,
                                                                                   nullptr));
                return;
            }
            completion(true, nullptr);
        });
    });
}

void PasswordManagerExtension::createExtensionItemForWebView(platform::View* view,
                                                             ItemCompletion completion) {
    auto* webView = dynamic_cast<platform::WebView*>(view);
    if (webView == nullptr) {
        return;
    }
    collectPageDetails(*webView, [completion](const QString& url, const QString& details,
                                              const ZVErrorPtr& error) {
        if (error) {
            onMainThread([completion, error] {
                if (completion) {
                    completion(std::nullopt, error);
                }
            });
            return;
        }
        ZVErrorPtr parseError;
        const std::optional<QVariantMap> request = fillRequest(url, details, parseError);
        onMainThread([completion, request, parseError] {
            if (!completion) {
                return;
            }
            if (!request) {
                completion(std::nullopt, parseError);
                return;
            }
            completion(itemForRequest(*request, FillBrowserAction), nullptr);
        });
    });
}
