#include "accounts/passwordmanager/PasswordManagerExtension.h"
#include "platform/foundation/Scheduler.h"
#include "platform/ui/controls/Button.h"
#include "platform/ui/standins/WebView.h"
#include "tests/accounts/pages/PreLoginStage.h"
#include "tests/accounts/passwordmanager/FakeExtensionHost.h"
#include "tests/emulator/ServiceEmulator.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QJsonArray>
#include <QtCore/QJsonDocument>
#include <QtCore/QJsonObject>
#include <QtCore/QThread>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace pmtest;
using platform::ExtensionHostError;
using platform::ExtensionItem;

namespace {

constexpr int kPageTimeoutMs = 30000;
const QString kPropertyList = QString(PasswordManagerExtension::PropertyListType);

PasswordManagerExtension& extension() {
    return PasswordManagerExtension::sharedExtension();
}

struct Outcome {
    bool called = false;
    QVariantMap login;
    ZVErrorPtr error;
    bool onMainThread = false;
};

PasswordManagerExtension::LoginCompletion recordInto(Outcome& outcome) {
    return [&outcome](const QVariantMap& login, const ZVErrorPtr& error) {
        outcome.called = true;
        outcome.login = login;
        outcome.error = error;
        outcome.onMainThread = QThread::currentThread() == QCoreApplication::instance()->thread();
    };
}

class PasswordManagerTest : public ::testing::Test {
protected:
    void install() { platform::ExtensionHost::setShared(host); }
    void TearDown() override { platform::ExtensionHost::setShared(nullptr); }

    std::shared_ptr<FakeExtensionHost> host = std::make_shared<FakeExtensionHost>();
};

TEST_F(PasswordManagerTest, WithoutAHostNothingIsOfferedAndEveryRequestFailsAtOnce) {
    EXPECT_FALSE(extension().isSystemAppExtensionAPIAvailable());
    EXPECT_FALSE(extension().isAppExtensionAvailable());
    Outcome find;
    extension().findLoginForURLString(u"https://zelvo.com/"_s, nullptr, nullptr, recordInto(find));
    ASSERT_TRUE(find.called) << "completed before returning";
    ASSERT_TRUE(find.error);
    EXPECT_EQ(find.error->domain(), PasswordManagerExtension::ErrorDomain);
    EXPECT_EQ(find.error->code(), PasswordManagerExtension::SystemAPINotAvailable);
    EXPECT_TRUE(find.login.isEmpty());
    Outcome store;
    extension().storeLoginForURLString(u"https://zelvo.com/"_s, {}, {}, nullptr, nullptr,
                                       recordInto(store));
    ASSERT_TRUE(store.error);
    EXPECT_EQ(store.error->code(), PasswordManagerExtension::SystemAPINotAvailable);
    EXPECT_TRUE(host->presented.empty());

    // A host without the password manager's extension: the API is there, the button is not.
    host->extensionInstalled = false;
    install();
    EXPECT_TRUE(extension().isSystemAppExtensionAPIAvailable());
    EXPECT_FALSE(extension().isAppExtensionAvailable());
    EXPECT_EQ(host->openedSchemes, QStringList{u"org-appextension-feature-password-management"_s});
}

TEST_F(PasswordManagerTest, TheFieldsButtonFillsBothFieldsFromTheFoundLogin) {
    install();
    host->answerFromOtherThread = true;
    host->answer = [](const auto&) {
        return std::pair{std::vector{itemWith(kPropertyList, {{u"username"_s, u"ann@example.com"_s},
                                                              {u"password"_s, u"s3cret"_s}})},
                         std::optional<ExtensionHostError>()};
    };
    prelogintest::PreLoginStage stage;
    const auto page = stage.page();
    const auto email = page->pushTextFieldWithPlaceholder(u"E-mail"_s);
    const auto password = page->pushTextFieldWithPlaceholder(u"Password"_s);
    const auto button = page->pushButtonWithTitle(u"Sign in"_s, 0);
    password->setUsernameField(email);
    stage.screen->commitPush();
    stage.settle();
    const auto manager = password->passwordManagerButton();
    ASSERT_NE(manager, nullptr);
    EXPECT_EQ(manager->alpha(), ZVBorderedTextField::kPasswordManagerAlpha);
    // The button takes a strip at the right of the text.
    EXPECT_LT(password->textField()->frame().right(), manager->frame().left());
    EXPECT_EQ(email->passwordManagerButton(), nullptr);
    EXPECT_FALSE(button->isEnabled());

    manager->sendActionsForEvents(platform::Control::TouchUpInside);
    ASSERT_EQ(host->presented.size(), 1u);
    const auto& presented = host->presented[0];
    EXPECT_EQ(presented.typeIdentifier, PasswordManagerExtension::FindLoginAction);
    EXPECT_EQ(presented.presenter, stage.screen.get());
    EXPECT_EQ(presented.anchor.sourceView, password.get());
    EXPECT_EQ(presented.anchor.sourceRect, manager->frame());
    ASSERT_EQ(presented.item.attachments.size(), 1u);
    EXPECT_EQ(presented.item.attachments[0].typeIdentifier,
              PasswordManagerExtension::FindLoginAction);
    EXPECT_EQ(
        presented.item.attachments[0].propertyList,
        (QVariantMap{{u"version_number"_s, 150}, {u"url_string"_s, u"https://zelvo.com/"_s}}));

    // The answer came on the extension's thread; the fields change on the main one.
    ASSERT_TRUE(platform::Scheduler::main().runUntil(
        [&] { return !password->textField()->text().isEmpty(); }));
    EXPECT_EQ(email->textField()->text(), u"ann@example.com"_s);
    EXPECT_EQ(password->textField()->text(), u"s3cret"_s);
    EXPECT_TRUE(button->isEnabled());
}

TEST_F(PasswordManagerTest, EveryAnswerOfTheSheetReachesTheCallerAsItsError) {
    install();
    const ExtensionHostError sheetError{u"SheetDomain"_s, 42, u"The sheet broke"_s};
    const ExtensionHostError loadError{u"LoadDomain"_s, 7, u"Unreadable"_s};
    struct Case {
        const char* name;
        std::vector<ExtensionItem> items;
        std::optional<ExtensionHostError> error;
        int code;
        QString description;
        // The wrapped error's domain, when one is expected.
        QString underlying;
    };
    const QVariantMap login{{u"username"_s, u"ann"_s}};
    const Case cases[] = {
        {"dismissed",
         {},
         std::nullopt,
         0,
         u"Password Manager Extension was cancelled by the user"_s,
         {}},
        {"the sheet failed",
         {},
         sheetError,
         2,
         u"Failed to contact the Password Manager Extension"_s,
         u"SheetDomain"_s},
        {"no attachments",
         {ExtensionItem{}},
         std::nullopt,
         6,
         u"Unexpected data returned by App Extension: extension item had no attachments."_s,
         {}},
        {"another type",
         {itemWith(u"public.text"_s, login)},
         std::nullopt,
         6,
         u"Unexpected data returned by App Extension: extension item attachment does not conform "
         u"to the property list type identifier"_s,
         {}},
        {"an empty dictionary",
         {itemWith(kPropertyList, {})},
         std::nullopt,
         3,
         u"Failed to parse information returned by Password Manager Extension"_s,
         {}},
        {"an attachment that could not load",
         {itemWith(kPropertyList, {}, loadError)},
         std::nullopt,
         3,
         u"Failed to parse information returned by Password Manager Extension"_s,
         u"LoadDomain"_s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        host->answer = [&c](const auto&) { return std::pair{c.items, c.error}; };
        Outcome outcome;
        extension().findLoginForURLString(u"https://zelvo.com/"_s, nullptr, nullptr,
                                          recordInto(outcome));
        ASSERT_TRUE(outcome.called);
        EXPECT_TRUE(outcome.onMainThread);
        EXPECT_TRUE(outcome.login.isEmpty());
        ASSERT_TRUE(outcome.error);
        EXPECT_EQ(outcome.error->code(), c.code);
        EXPECT_EQ(outcome.error->localizedDescription(), c.description);
        EXPECT_EQ(outcome.error->userInfo()
                      .value(PasswordManagerExtension::UnderlyingErrorKey)
                      .toObject()
                      .value(u"domain"_s)
                      .toString(),
                  c.underlying);
    }

    // Only the first item, and its first attachment, count.
    host->answer = [&](const auto&) {
        ExtensionItem first = itemWith(kPropertyList, login);
        first.attachments.push_back({u"public.text"_s, {}, std::nullopt});
        return std::pair{std::vector{first, ExtensionItem{}}, std::optional<ExtensionHostError>()};
    };
    Outcome found;
    extension().findLoginForURLString(u"https://zelvo.com/"_s, nullptr, nullptr, recordInto(found));
    EXPECT_EQ(found.login, login);
    EXPECT_FALSE(found.error);
}

TEST_F(PasswordManagerTest, StoreAndChangeSendTheDetailsAndOptionsOnlyWhenThereAreAny) {
    install();
    const QVariantMap details{{u"username"_s, u"ann"_s}, {u"password"_s, u"old"_s}};
    const QVariantMap options{{u"password_min_length"_s, 12}};
    extension().storeLoginForURLString(u"https://zelvo.com/"_s, details, {}, nullptr, nullptr, {});
    extension().changePasswordForLoginForURLString(u"https://zelvo.com/"_s, details, options,
                                                   nullptr, nullptr, {});
    ASSERT_EQ(host->presented.size(), 2u);
    EXPECT_EQ(host->presented[0].typeIdentifier, PasswordManagerExtension::SaveLoginAction);
    EXPECT_EQ(host->presented[0].item.attachments[0].propertyList,
              (QVariantMap{{u"version_number"_s, 150},
                           {u"url_string"_s, u"https://zelvo.com/"_s},
                           {u"username"_s, u"ann"_s},
                           {u"password"_s, u"old"_s}}));
    EXPECT_EQ(host->presented[1].typeIdentifier, PasswordManagerExtension::ChangePasswordAction);
    EXPECT_EQ(
        host->presented[1].item.attachments[0].propertyList.value(u"password_generator_options"_s),
        QVariant(options));

    EXPECT_TRUE(PasswordManagerExtension::isPasswordManagerExtensionActivityType(
        u"org.appextension.password-manager.extension"_s));
    EXPECT_FALSE(PasswordManagerExtension::isPasswordManagerExtensionActivityType(
        u"org.appextension.find-login-action"_s));
}

// --- filling a page in the web engine ---

class PasswordManagerFillTest : public PasswordManagerTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(emulator.start());
        install();
    }
    void TearDown() override {
        PasswordManagerTest::TearDown();
        emulator.stop();
    }
    static bool waitFor(const std::function<bool()>& done) {
        return platform::Scheduler::main().runUntil(done, kPageTimeoutMs);
    }
    void loadLoginForm() {
        const QString url = emulator.storeFile(
            u"login.html"_s,
            "<html><body><form id=\"f\"><input id=\"user\" name=\"user\" type=\"text\">"
            "<input id=\"pass\" name=\"pass\" type=\"password\"><button>Go</button></form>"
            "</body></html>",
            zvemu::ServiceEmulator::Access::Public, "text/html; charset=utf-8");
        platform::UrlRequest request;
        request.url = QUrl(url);
        webView->loadRequest(request);
        ASSERT_TRUE(waitFor([&] { return !webView->isLoading() && !webView->url().isEmpty(); }));
    }
    QString valueOf(const QString& id) {
        std::optional<QString> value;
        webView->elementValue(id, [&](const QString& text) { value = text; });
        EXPECT_TRUE(waitFor([&] { return value.has_value(); }));
        return value.value_or(QString());
    }
    // The answer a password manager gives for the page: fill the fields it found by their ids.
    static ExtensionItem fillAnswer(const QVariantMap& pageDetails) {
        QJsonArray steps;
        for (const QVariant& field : pageDetails.value(u"fields"_s).toList()) {
            const QVariantMap map = field.toMap();
            const QString id = map.value(u"htmlID"_s).toString();
            if (id == u"user" || id == u"pass") {
                steps.append(QJsonArray{u"fill_by_opid"_s, map.value(u"opid"_s).toString(),
                                        id == u"user" ? u"ann@example.com"_s : u"s3cret"_s});
            }
        }
        const QString script = QString::fromUtf8(
            QJsonDocument(QJsonObject{{u"script"_s, steps}}).toJson(QJsonDocument::Compact));
        return itemWith(kPropertyList, {{u"fillScript"_s, script}});
    }

    zvemu::ServiceEmulator emulator;
    std::shared_ptr<platform::WebView> webView = std::make_shared<platform::WebView>();
};

TEST_F(PasswordManagerFillTest, AFillCollectsThePageAndRunsTheReturnedScriptInIt) {
    loadLoginForm();
    host->answer = [](const FakeExtensionHost::Presented& presented) {
        const QVariantMap request = presented.item.attachments[0].propertyList;
        return std::pair{std::vector{fillAnswer(request.value(u"pageDetails"_s).toMap())},
                         std::optional<ExtensionHostError>()};
    };
    std::optional<std::pair<bool, ZVErrorPtr>> outcome;
    extension().fillLoginIntoWebView(webView.get(), nullptr, nullptr,
                                     [&](bool success, const ZVErrorPtr& error) {
                                         outcome = std::pair{success, error};
                                     });
    ASSERT_TRUE(waitFor([&] { return outcome.has_value(); }));
    EXPECT_TRUE(outcome->first);
    EXPECT_FALSE(outcome->second);
    ASSERT_EQ(host->presented.size(), 1u);
    EXPECT_EQ(host->presented[0].typeIdentifier, PasswordManagerExtension::FillWebViewAction);
    const QVariantMap request = host->presented[0].item.attachments[0].propertyList;
    EXPECT_EQ(request.value(u"url_string"_s).toString(), webView->url().toString());
    EXPECT_EQ(request.value(u"version_number"_s).toInt(), 150);
    EXPECT_EQ(valueOf(u"user"_s), u"ann@example.com"_s);
    EXPECT_EQ(valueOf(u"pass"_s), u"s3cret"_s);
}

TEST_F(PasswordManagerFillTest, AFillFailsWithoutALoadedPageOrAUsableScript) {
    struct Case {
        const char* name;
        bool loaded;
        QVariantMap answer;
        int code;
        QString description;
    };
    const Case cases[] = {
        {"an unloaded page",
         false,
         {},
         7,
         u"Failed to obtain URL String from web view. The web view must be loaded completely when "
         u"calling the Password Manager Extension"_s},
        {"no fill script",
         true,
         {{u"title"_s, u"Login"_s}},
         5,
         u"Failed to fill web page because script is missing"_s},
        {"a fill script that is code, not data",
         true,
         {{u"fillScript"_s, u"alert(document.cookie)"_s}},
         5,
         u"Failed to fill web page because script could not be evaluated"_s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        webView = std::make_shared<platform::WebView>();
        if (c.loaded) {
            loadLoginForm();
        }
        host->answer = [&c](const auto&) {
            return std::pair{std::vector{itemWith(kPropertyList, c.answer)},
                             std::optional<ExtensionHostError>()};
        };
        std::optional<std::pair<bool, ZVErrorPtr>> outcome;
        extension().fillItemIntoWebView(webView.get(), nullptr, nullptr, false,
                                        [&](bool success, const ZVErrorPtr& error) {
                                            outcome = std::pair{success, error};
                                        });
        ASSERT_TRUE(waitFor([&] { return outcome.has_value(); }));
        EXPECT_FALSE(outcome->first);
        ASSERT_TRUE(outcome->second);
        EXPECT_EQ(outcome->second->code(), c.code);
        EXPECT_EQ(outcome->second->localizedDescription(), c.description);
    }
    // A view that shows no web content is not filled, and nothing is reported.
    auto plain = platform::View::make();
    bool called = false;
    extension().fillItemIntoWebView(plain.get(), nullptr, nullptr, false,
                                    [&](bool, const ZVErrorPtr&) { called = true; });
    platform::Scheduler::main().runPending();
    EXPECT_FALSE(called);
}

}  // namespace
