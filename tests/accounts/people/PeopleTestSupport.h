#pragma once

#include "ZelvoKit/ZelvoApi/account/ZVUserProfile.h"
#include "platform/ui/standins/AddressBook.h"
#include "platform/ui/standins/FakeAddressBook.h"
#include "platform/ui/view/Window.h"
#include "tests/ZelvoKit/model/RepositoryTestSupport.h"

#include <QtCore/QJsonArray>
#include <QtCore/QJsonObject>
#include <QtCore/QString>
#include <QtCore/QStringList>

#include <memory>

namespace peopletest {

// A signed-in account of the loopback service whose contacts and teams the test delivers, with a
// fake address book in place of the user's, and a phone window to put tables in.
class PeopleTest : public modeltest::SignedInTest {
protected:
    void SetUp() override {
        SignedInTest::SetUp();
        book = std::make_shared<platform::FakeAddressBook>();
        platform::AddressBook::setShared(book);
        window = platform::Window::make();
        root = platform::View::make<platform::View>(window->bounds());
        window->setRootView(root);
    }
    void TearDown() override {
        root.reset();
        window.reset();
        platform::AddressBook::setShared(nullptr);
        book.reset();
        SignedInTest::TearDown();
    }

    QString self() const { return session_->profile()->contactId(); }
    static QString personId(int n) {
        return QStringLiteral("00000000-0000-4000-8000-%1").arg(n, 12, 10, QLatin1Char('0'));
    }
    static QString teamId(int n) {
        return QStringLiteral("10000000-0000-4000-8000-%1").arg(n, 12, 10, QLatin1Char('0'));
    }
    // A person of the service (an account with a product address) or, with `account` false, an
    // e-mail participant.
    static QJsonObject contact(int n, const QString& name, const QString& email,
                               QJsonObject fields = {}) {
        fields.insert(QStringLiteral("account_id"), personId(n));
        fields.insert(QStringLiteral("email"), email);
        fields.insert(QStringLiteral("display_name"), name);
        if (!fields.contains(QStringLiteral("mk_account_status"))) {
            fields.insert(QStringLiteral("mk_account_status"), QStringLiteral("active"));
        }
        return modeltest::streamRecord(QStringLiteral("contact"), fields);
    }
    static QJsonObject team(int n, const QString& name, const QStringList& members) {
        return modeltest::streamRecord(
            QStringLiteral("team"),
            {{QStringLiteral("team_id"), teamId(n)},
             {QStringLiteral("team_name"), name},
             {QStringLiteral("members"), QJsonArray::fromStringList(members)}});
    }
    static platform::AddressBookPerson person(
        const QString& first, const QString& last, const QStringList& emails,
        platform::CompositeNameFormat format = platform::CompositeNameFormat::FirstNameFirst) {
        platform::AddressBookPerson made;
        made.firstName = first;
        made.lastName = last;
        made.nameFormat = format;
        for (const QString& email : emails) {
            made.emails.push_back({QStringLiteral("home"), email});
        }
        return made;
    }
    void authorizeBook(std::vector<platform::AddressBookPerson> people) {
        book->setAuthorizationStatus(platform::AddressBookAuthorizationStatus::Authorized);
        book->setPeople(std::move(people));
    }
    // Lays the window out and taps the middle of `view`.
    void tap(const platform::View& view) {
        window->updateNow();
        const QPointF at = view.convertPointTo(view.bounds().center(), nullptr);
        window->sendTouch(1, platform::TouchPhase::Began, at);
        window->sendTouch(1, platform::TouchPhase::Ended, at);
    }
    static void wait(double seconds) { platform::Scheduler::main().advance(seconds); }

    std::shared_ptr<platform::FakeAddressBook> book;
    std::shared_ptr<platform::Window> window;
    std::shared_ptr<platform::View> root;
};

}  // namespace peopletest
