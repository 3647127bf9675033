#include "platform/foundation/Scheduler.h"
#include "platform/ui/standins/AddressBook.h"
#include "platform/ui/standins/FakeAddressBook.h"
#include "platform/ui/standins/VCardAddressBook.h"
#include "tests/support/TestEnvironment.h"

#include <QtCore/QDir>
#include <QtCore/QFile>

#include <gtest/gtest.h>

namespace platform {
namespace {

const QByteArray kTwoPeople =
    "BEGIN:VCARD\nVERSION:3.0\nN:Doe;Jane\nEMAIL:jane@example.com\n"
    "END:VCARD\nBEGIN:VCARD\nVERSION:3.0\nN:Kim;Min\n"
    "EMAIL:min@example.com\nEND:VCARD\n";

QString writeBook(const QByteArray& text) {
    const QString path = QDir(zvtest::makeTempDir()).filePath(QStringLiteral("Contacts.vcf"));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
    return path;
}

TEST(VCardAddressBook, ReadsNothingUntilTheUserLetsItAndRemembersTheAnswer) {
    VCardAddressBook book(writeBook(kTwoPeople), CompositeNameFormat::LastNameFirst);
    EXPECT_EQ(book.authorizationStatus(), AddressBookAuthorizationStatus::NotDetermined);
    EXPECT_TRUE(book.people().empty());

    std::optional<bool> answer;
    book.requestAccess([&](bool granted) { answer = granted; });
    // As from a system prompt: never from within the call.
    EXPECT_FALSE(answer.has_value());
    Scheduler::main().runPending();
    EXPECT_EQ(answer, std::optional<bool>(true));

    const auto people = book.people();
    ASSERT_EQ(people.size(), 2u);
    EXPECT_EQ(people[0].lastName, QStringLiteral("Doe"));
    EXPECT_EQ(people[1].emails, (std::vector<LabeledValue>{{QString(""), "min@example.com"}}));
    EXPECT_EQ(people[1].nameFormat, CompositeNameFormat::LastNameFirst);

    // Another handle on the same book (a later launch) is already authorised.
    VCardAddressBook later(book.path());
    EXPECT_EQ(later.authorizationStatus(), AddressBookAuthorizationStatus::Authorized);
}

TEST(VCardAddressBook, AMissingFileIsAnEmptyBook) {
    VCardAddressBook book(QDir(zvtest::makeTempDir()).filePath(QStringLiteral("none.vcf")));
    book.requestAccess({});
    Scheduler::main().runPending();
    EXPECT_EQ(book.authorizationStatus(), AddressBookAuthorizationStatus::Authorized);
    EXPECT_TRUE(book.people().empty());
}

TEST(AddressBook, TheSharedBookIsTheUsersVCardFileUnlessReplaced) {
    const auto shared = std::dynamic_pointer_cast<VCardAddressBook>(AddressBook::shared());
    ASSERT_NE(shared, nullptr);
    EXPECT_EQ(shared->path(), VCardAddressBook::defaultPath());
    EXPECT_TRUE(shared->path().startsWith(zvtest::testRoot()));

    auto fake = std::make_shared<FakeAddressBook>();
    AddressBook::setShared(fake);
    EXPECT_EQ(AddressBook::shared(), fake);
}

TEST(FakeAddressBook, PlaysTheUsersAnswerLaterEvenAfterTheBookIsGone) {
    auto book = std::make_shared<FakeAddressBook>();
    book->setPeople({AddressBookPerson{QStringLiteral("A"), {}, {}, {}}});
    book->setUserGrantsAccess(false);
    std::optional<bool> answer;
    book->requestAccess([&](bool granted) { answer = granted; });
    EXPECT_FALSE(answer.has_value());
    Scheduler::main().runPending();
    EXPECT_EQ(answer, std::optional<bool>(false));
    EXPECT_EQ(book->authorizationStatus(), AddressBookAuthorizationStatus::Denied);
    EXPECT_TRUE(book->people().empty());

    // A decided status is not asked again: the answer stays.
    book->setUserGrantsAccess(true);
    book->requestAccess([&](bool granted) { answer = granted; });
    book.reset();
    Scheduler::main().runPending();
    EXPECT_EQ(answer, std::optional<bool>(false));
}

}  // namespace
}  // namespace platform
