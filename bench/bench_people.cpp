// The contact list of the members editor over an account of 2,000 contacts (the generated fixture)
// and an address book of 8,000 people: loading and sorting every entry, beside RawCollationSort,
// a plain collator sort of the same names; and the filter as the user types a name, each
// keystroke filtering the list and laying out the visible rows again, beside RawScan, a plain
// case-insensitive scan of the same names and addresses. The goals are printed after the runs.

#include "GuiBenchmarkMain.h"
#include "ModelBench.h"
#include "TimeFigures.h"

#include "ZelvoKit/model/ZVRepositorySession.h"
#include "accounts/people/ZVContact.h"
#include "accounts/people/ZVContactListViewController.h"
#include "app/StartUp.h"
#include "platform/ui/standins/FakeAddressBook.h"
#include "platform/ui/view/Window.h"
#include "tests/emulator/Fixture.h"
#include "toolkit/tables/ZVTableView.h"

#include <QtCore/QJsonArray>

#include <unicode/coll.h>
#include <unicode/locid.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

using namespace Qt::Literals::StringLiterals;

constexpr zvemu::FixtureSize kPeopleFixtureSize{.contacts = 2000,
                                                .conversations = 0,
                                                .messages = 0,
                                                .hooks = 0,
                                                .teams = 20,
                                                .organisations = 1};
constexpr std::uint64_t kPeopleFixtureSeed = 2039;
constexpr int kBookPeople = 8000;
constexpr double kLoadGoalMs = 150;
constexpr double kLoadRatioGoal = 2.0;
constexpr double kKeystrokeGoalMs = 8;
constexpr double kKeystrokeRatioGoal = 3.0;
const QString kPeopleEmail = u"people@example.com"_s;
const QString kPeopleOwnerId = u"3c2b1a09-8f7e-4d6c-9b5a-4f3e2d1c0b9a"_s;
const QStringList kTypedNames{u"maria lopez"_s, u"chen"_s, u"o'brien"_s};

const char* const kBookFirst[] = {"Ána",    "Björn", "Chloé", "Dmitri", "Élodie", "Farah",
                                  "Günter", "Hana",  "Ines",  "Jürgen", "Kofi",   "Léa"};
const char* const kBookLast[] = {"Åberg",  "Brown",    "Çelik",   "Dubois", "Eriksson", "Fernández",
                                 "García", "Hoffmann", "Ivanova", "Jensen", "Kowalski", "López"};

struct PeopleAccount : modelbench::LocalAccount {
    using LocalAccount::LocalAccount;
    std::shared_ptr<platform::FakeAddressBook> book;
};

std::unique_ptr<PeopleAccount> openPeopleAccount() {
    auto account = std::make_unique<PeopleAccount>(kPeopleOwnerId, kPeopleEmail);
    if (!account->session) {
        return nullptr;
    }
    const zvemu::Fixture fixture = zvemu::generateFixture(kPeopleOwnerId, kPeopleEmail,
                                                          kPeopleFixtureSize, kPeopleFixtureSeed);
    QJsonArray records;
    for (const auto* list : {&fixture.contacts, &fixture.teams}) {
        for (const QJsonObject& record : *list) {
            records.append(record);
        }
    }
    const ZVErrorPtr error = modelbench::storeStream(account->session, records);
    if (error) {
        return nullptr;
    }
    std::vector<platform::AddressBookPerson> people;
    for (int i = 0; i < kBookPeople; ++i) {
        platform::AddressBookPerson person;
        person.firstName = QString::fromUtf8(kBookFirst[i % std::size(kBookFirst)]);
        person.lastName =
            QString::fromUtf8(kBookLast[(i / 7) % std::size(kBookLast)]) + QString::number(i);
        person.emails.push_back({u"home"_s, u"Person.%1@Book.example"_s.arg(i)});
        people.push_back(std::move(person));
    }
    account->book = std::make_shared<platform::FakeAddressBook>();
    account->book->setAuthorizationStatus(platform::AddressBookAuthorizationStatus::Authorized);
    account->book->setPeople(std::move(people));
    platform::AddressBook::setShared(account->book);
    return account;
}

// The names and addresses the list shows, for the raw baselines.
QStringList peopleNames;
QStringList peopleAddresses;
std::vector<double> loadMs;
std::vector<double> keystrokeMs;
std::vector<double> rawSortMs;
std::vector<double> rawScanMs;

void ContactListLoad(benchmark::State& state) {
    const auto account = openPeopleAccount();
    if (!account) {
        state.SkipWithError("the fixture was not applied");
        return;
    }
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        auto list = platform::ViewController::make<ZVContactListViewController>(account->session);
        loadMs.push_back(milliseconds(std::chrono::steady_clock::now() - start));
        benchmark::DoNotOptimize(list->allContacts().size());
        if (peopleNames.isEmpty()) {
            for (const auto& entry : list->allContacts()) {
                peopleNames << entry->name();
                peopleAddresses << entry->email();
            }
        }
    }
    platform::AddressBook::setShared(nullptr);
}

void RawCollationSort(benchmark::State& state) {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::Collator> collator(
        icu::Collator::createInstance(icu::Locale::getRoot(), status));
    if (U_FAILURE(status) || peopleNames.isEmpty()) {
        state.SkipWithError("no collator or no names");
        return;
    }
    collator->setStrength(icu::Collator::PRIMARY);
    for (auto _ : state) {
        QStringList names = peopleNames;
        std::reverse(names.begin(), names.end());
        const auto start = std::chrono::steady_clock::now();
        std::sort(names.begin(), names.end(), [&](const QString& a, const QString& b) {
            UErrorCode error = U_ZERO_ERROR;
            return collator->compare(reinterpret_cast<const char16_t*>(a.utf16()),
                                     static_cast<int32_t>(a.size()),
                                     reinterpret_cast<const char16_t*>(b.utf16()),
                                     static_cast<int32_t>(b.size()), error) == UCOL_LESS;
        });
        rawSortMs.push_back(milliseconds(std::chrono::steady_clock::now() - start));
        benchmark::DoNotOptimize(names.size());
    }
}

QStringList peopleKeystrokes() {
    QStringList texts;
    for (const QString& typed : kTypedNames) {
        for (qsizetype length = 1; length <= typed.size(); ++length) {
            texts << typed.left(length);
        }
        texts << QString();
    }
    return texts;
}

void ContactListKeystroke(benchmark::State& state) {
    const auto account = openPeopleAccount();
    if (!account) {
        state.SkipWithError("the fixture was not applied");
        return;
    }
    auto window = platform::Window::make();
    auto list = platform::ViewController::make<ZVContactListViewController>(account->session);
    list->view()->setFrame(window->bounds());
    window->setRootView(list->view());
    window->updateNow();
    const QStringList texts = peopleKeystrokes();
    qsizetype next = 0;
    for (auto _ : state) {
        const QString& text = texts[next++ % texts.size()];
        const auto start = std::chrono::steady_clock::now();
        list->setSearchText(text);
        window->updateNow();
        keystrokeMs.push_back(milliseconds(std::chrono::steady_clock::now() - start));
    }
    platform::AddressBook::setShared(nullptr);
}

void RawScan(benchmark::State& state) {
    if (peopleNames.isEmpty()) {
        state.SkipWithError("no names");
        return;
    }
    const QStringList texts = peopleKeystrokes();
    qsizetype next = 0;
    for (auto _ : state) {
        const QString& text = texts[next++ % texts.size()];
        const auto start = std::chrono::steady_clock::now();
        qsizetype matches = 0;
        for (qsizetype i = 0; i < peopleNames.size(); ++i) {
            matches += peopleNames[i].contains(text, Qt::CaseInsensitive) ||
                       peopleAddresses[i].contains(text, Qt::CaseInsensitive);
        }
        rawScanMs.push_back(milliseconds(std::chrono::steady_clock::now() - start));
        benchmark::DoNotOptimize(matches);
    }
}

BENCHMARK(ContactListLoad)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(RawCollationSort)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(ContactListKeystroke)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(RawScan)->Unit(benchmark::kMillisecond)->MinTime(1.0);

}  // namespace

int main(int argc, char** argv) {
    return runGuiBenchmarks(argc, argv, ZVStartUpApp, [](const RatioReporter&) {
        if (!loadMs.empty()) {
            std::printf("Contact list load, ms p50: %.2f (goal: at most %.0f)\n", median(loadMs),
                        kLoadGoalMs);
        }
        if (!loadMs.empty() && !rawSortMs.empty()) {
            std::printf("ContactListLoad / RawCollationSort: %.2f (goal: at most %.2f)\n",
                        median(loadMs) / median(rawSortMs), kLoadRatioGoal);
        }
        if (!keystrokeMs.empty()) {
            std::printf("Contact list keystroke, ms p50: %.2f (goal: at most %.0f)\n",
                        median(keystrokeMs), kKeystrokeGoalMs);
        }
        if (!keystrokeMs.empty() && !rawScanMs.empty()) {
            std::printf("ContactListKeystroke / RawScan: %.2f (goal: at most %.2f)\n",
                        median(keystrokeMs) / median(rawScanMs), kKeystrokeRatioGoal);
        }
    });
}
