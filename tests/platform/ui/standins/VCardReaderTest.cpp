#include "platform/ui/standins/VCardReader.h"

#include <gtest/gtest.h>

namespace platform {
namespace {

struct ReaderCase {
    const char* name;
    QByteArray text;
    // firstName|lastName|label:address,label:address ; one entry per person
    std::vector<QString> people;
};

QString describe(const AddressBookPerson& person) {
    QStringList emails;
    for (const LabeledValue& email : person.emails) {
        emails << email.label + QLatin1Char(':') + email.value;
    }
    return (person.firstName.isNull() ? QStringLiteral("<none>") : person.firstName) +
           QLatin1Char('|') +
           (person.lastName.isNull() ? QStringLiteral("<none>") : person.lastName) +
           QLatin1Char('|') + emails.join(QLatin1Char(','));
}

class VCardReading : public ::testing::TestWithParam<ReaderCase> {};

TEST_P(VCardReading, ReadsNamesAndAddressesInTheBooksOrder) {
    const auto people = VCardReader::read(GetParam().text, CompositeNameFormat::FirstNameFirst);
    std::vector<QString> described;
    for (const auto& person : people) {
        described.push_back(describe(person));
    }
    EXPECT_EQ(described, GetParam().people);
}

INSTANTIATE_TEST_SUITE_P(
    Cards, VCardReading,
    ::testing::Values(
        ReaderCase{"Version3WithTypedAddresses",
                   "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Doe;Jane;;;\r\nFN:Jane Doe\r\n"
                   "EMAIL;TYPE=INTERNET,WORK:jane@work.example\r\n"
                   "EMAIL;TYPE=home:Jane@Home.example\r\nEND:VCARD\r\n"
                   "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Roe;Rick\r\nEND:VCARD\r\n",
                   {QStringLiteral("Jane|Doe|work:jane@work.example,home:Jane@Home.example"),
                    QStringLiteral("Rick|Roe|")}},
        ReaderCase{"Version21BareTypesAndQuotedPrintable",
                   "BEGIN:VCARD\nVERSION:2.1\n"
                   "N;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:M=C3=BCller;J=C3=\n=BCrgen\n"
                   "EMAIL;INTERNET;PREF:j@example.com\nEND:VCARD\n",
                   {QStringLiteral("Jürgen|Müller|:j@example.com")}},
        ReaderCase{"FoldedLinesGroupsAndEscapes",
                   "BEGIN:VCARD\nVERSION:4.0\nN:O\\;Brien;Pat\\,\n  Jr;;;\n"
                   "item1.EMAIL;type=\"work\":pat@\n example.com\nitem1.X-ABLabel:Office\n"
                   "END:VCARD\n",
                   {QStringLiteral("Pat, Jr|O;Brien|work:pat@example.com")}},
        ReaderCase{
            "MissingNamesEmptyAddressesAndAnUnendedCard",
            "BEGIN:VCARD\nVERSION:3.0\nFN:Only Full Name\nEMAIL:\nEMAIL:a@b.c\nEND:VCARD\n"
            "garbage line\nBEGIN:VCARD\nN:;Solo;;;\nEMAIL:solo@x.y",
            {QStringLiteral("<none>|<none>|:a@b.c"), QStringLiteral("Solo|<none>|:solo@x.y")}},
        ReaderCase{"NothingOutsideCards", "EMAIL:stray@x.y\nN:Stray;Line\n", {}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace platform
