#include "platform/foundation/Scheduler.h"
#include "platform/ui/standins/CookieStorage.h"
#include "platform/ui/standins/FileCookieStorage.h"
#include "tests/support/TestEnvironment.h"

#include <QtCore/QDir>
#include <QtCore/QFile>

#include <gtest/gtest.h>

namespace platform {
namespace {

QNetworkCookie cookie(const QByteArray& name, const QByteArray& value, const QString& domain,
                      const QString& path = QStringLiteral("/")) {
    QNetworkCookie result(name, value);
    result.setDomain(domain);
    result.setPath(path);
    return result;
}

QStringList namesFor(const CookieStorage& storage, const QString& url) {
    QStringList names;
    for (const QNetworkCookie& found : storage.cookiesForUrl(QUrl(url))) {
        names << QString::fromUtf8(found.name());
    }
    return names;
}

TEST(CookieStorage, ARequestCarriesTheCookiesOfItsHostPathAndScheme) {
    CookieStorage storage;
    ASSERT_TRUE(storage.setCookie(cookie("host", "1", QStringLiteral("api.example.com"))));
    ASSERT_TRUE(storage.setCookie(cookie("domain", "2", QStringLiteral(".example.com"))));
    ASSERT_TRUE(storage.setCookie(
        cookie("docs", "3", QStringLiteral(".example.com"), QStringLiteral("/docs"))));
    QNetworkCookie secure = cookie("secure", "4", QStringLiteral(".example.com"));
    secure.setSecure(true);
    ASSERT_TRUE(storage.setCookie(secure));

    struct Case {
        const char* url;
        QStringList names;
    };
    const Case cases[] = {
        {"http://api.example.com/", {"host", "domain"}},
        {"http://API.Example.com/docs/a", {"host", "domain", "docs"}},
        {"http://api.example.com/docsets", {"host", "domain"}},
        {"http://www.example.com/docs", {"domain", "docs"}},
        {"http://example.com/", {"domain"}},
        {"https://www.example.com/", {"domain", "secure"}},
        {"http://badexample.com/", {}},
        {"file:///docs", {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(namesFor(storage, QString::fromLatin1(c.url)), c.names) << c.url;
    }
}

TEST(CookieStorage, ACookieIsReplacedByItsNamesakeAndExpiresByTheSchedulersClock) {
    CookieStorage storage;
    std::vector<std::pair<QByteArray, CookieStorage::Change>> changes;
    const Observation observation =
        storage.observe([&](const QNetworkCookie& changed, CookieStorage::Change change) {
            changes.emplace_back(changed.value(), change);
        });

    EXPECT_FALSE(storage.setCookie(QNetworkCookie("token_id", "no domain")));
    storage.setCookie(cookie("token_id", "old", QStringLiteral("Example.com")));
    QNetworkCookie renewed = cookie("token_id", "new", QStringLiteral("example.com"));
    renewed.setExpirationDate(Scheduler::main().currentDate().addSecs(60));
    storage.setCookie(renewed);
    ASSERT_EQ(storage.cookies().size(), 1);
    EXPECT_EQ(storage.cookies().first().value(), QByteArray("new"));

    Scheduler::main().advance(61);
    EXPECT_TRUE(storage.cookies().isEmpty());
    EXPECT_TRUE(storage.cookiesForUrl(QUrl(QStringLiteral("http://example.com/"))).isEmpty());

    // A cookie that has already expired deletes its namesake.
    storage.setCookie(cookie("other", "x", QStringLiteral("example.com")));
    QNetworkCookie expired = cookie("other", "", QStringLiteral("example.com"));
    expired.setExpirationDate(Scheduler::main().currentDate().addSecs(-1));
    storage.setCookie(expired);
    EXPECT_TRUE(storage.cookies().isEmpty());

    using C = CookieStorage::Change;
    const std::vector<std::pair<QByteArray, C>> expected = {
        {"old", C::Set}, {"new", C::Set}, {"x", C::Set}, {"x", C::Deleted}};
    EXPECT_EQ(changes, expected);
}

TEST(FileCookieStorage, KeepsEveryCookieForTheNextReaderInAFileOnlyTheUserReads) {
    const QString path = QDir(zvtest::makeTempDir()).filePath(QStringLiteral("c/Cookies.json"));
    {
        FileCookieStorage storage(path);
        QNetworkCookie token =
            cookie("token_id", QByteArray("a;b\xff", 4), QStringLiteral("127.0.0.1"));
        token.setHttpOnly(true);
        storage.setCookie(token);
        QNetworkCookie lasting = cookie("lasting", "1", QStringLiteral(".example.com"));
        lasting.setExpirationDate(Scheduler::main().currentDate().addDays(1));
        lasting.setSecure(true);
        storage.setCookie(lasting);
    }
    EXPECT_EQ(QFile::permissions(path) & (QFile::ReadGroup | QFile::ReadOther),
              QFile::Permissions());

    FileCookieStorage reread(path);
    const QList<QNetworkCookie> cookies = reread.cookies();
    ASSERT_EQ(cookies.size(), 2);
    EXPECT_EQ(cookies[0].value(), QByteArray("a;b\xff", 4));
    EXPECT_TRUE(cookies[0].isSessionCookie());
    EXPECT_TRUE(cookies[0].isHttpOnly());
    EXPECT_EQ(cookies[0].domain(), QStringLiteral("127.0.0.1"));
    EXPECT_TRUE(cookies[1].isSecure());
    EXPECT_EQ(cookies[1].expirationDate(), Scheduler::main().currentDate().addDays(1));

    reread.deleteCookie(cookies[0]);
    EXPECT_EQ(FileCookieStorage(path).cookies().size(), 1);
}

TEST(FileCookieStorage, AnUnreadableFileStartsEmptyAndIsReplacedByTheNextChange) {
    const QString path = QDir(zvtest::makeTempDir()).filePath(QStringLiteral("Cookies.json"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("{not json");
    file.close();

    FileCookieStorage storage(path);
    EXPECT_TRUE(storage.cookies().isEmpty());
    storage.setCookie(cookie("a", "1", QStringLiteral("example.com")));
    EXPECT_EQ(FileCookieStorage(path).cookies().size(), 1);
}

TEST(CookieStorage, TheSharedStoreIsKeptInTheApplicationsLibrary) {
    const auto shared = std::dynamic_pointer_cast<FileCookieStorage>(CookieStorage::shared());
    ASSERT_NE(shared, nullptr);
    EXPECT_TRUE(shared->path().startsWith(zvtest::testRoot()));
    auto memory = std::make_shared<CookieStorage>();
    CookieStorage::setShared(memory);
    EXPECT_EQ(CookieStorage::shared(), memory);
}

}  // namespace
}  // namespace platform
