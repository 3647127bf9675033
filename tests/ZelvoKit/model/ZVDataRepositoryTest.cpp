#include "ZelvoKit/model/ZVDataRepository.h"

#include "tests/ZelvoKit/model/ModelTestEntities.h"
#include "tests/support/TestEnvironment.h"

#include "ZelvoKit/ZelvoApi/session/ZVApiSession.h"
#include "ZelvoKit/support/base/ZVError.h"
#include "ZelvoKit/support/log/ZVErrorLog.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/Paths.h"
#include "platform/store/sqlite/SqliteConnection.h"

#include <gtest/gtest.h>

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QTimeZone>

#include <sqlite3.h>

#include <any>
#include <set>

namespace {

using namespace Qt::Literals::StringLiterals;
using modeltest::Card;
using modeltest::Note;

const QString kUuid = u"5d0f2a4e-8c31-4b7e-9a52-3f6c1d2e7b90"_s;

class ZVDataRepositoryTest : public testing::Test {
protected:
    void SetUp() override {
        session_ = modeltest::makeSession(kUuid);
        fatal_ = platform::NotificationCenter::defaultCenter().addObserverForName(
            QString(ZVDataRepository::kFatalErrorNotification),
            [this](const platform::Notification& notification) {
                fatalErrors_.push_back(std::any_cast<ZVErrorPtr>(notification.object));
            });
    }

    std::shared_ptr<ZVDataRepository> open() {
        return ZVDataRepository::create(session_, modeltest::makeModel());
    }

    QString storeFolder() const { return platform::Paths::cachesDirectory() + u'/' + kUuid; }
    QString storePath() const { return storeFolder() + u"/Zelvo.sqlite"_s; }

    static void writeFile(const QString& path, const QByteArray& bytes) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    static QString errorLogText() {
        ZVErrorLog::errorLog().flush();
        QFile file(ZVErrorLog::errorLog().logFilePath());
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    std::shared_ptr<Card> insertCard(ZVDataRepository& repository, const QString& id) {
        auto card = repository.createObjectOfClass<Card>(u"Card"_s);
        EXPECT_TRUE(card);
        if (card) {
            card->setValue(u"card_id", id);
        }
        return card;
    }

    std::shared_ptr<ZVApiSession> session_;
    platform::Observation fatal_;
    std::vector<ZVErrorPtr> fatalErrors_;
};

TEST_F(ZVDataRepositoryTest, StoreLivesInTheAccountsFolderUnderTheCaches) {
    const QString caches = platform::Paths::cachesDirectory();
    EXPECT_EQ(ZVDataRepository::repositoryURLWithSessionId(kUuid).toLocalFile(),
              caches + u'/' + kUuid + u"/Zelvo.sqlite"_s);
    EXPECT_EQ(ZVDataRepository::repositoryURLWithSessionId(QString()).toLocalFile(),
              caches + u"/Zelvo.sqlite"_s);
    // An id is one folder name, whatever it holds.
    for (const QString& id : {u"../elsewhere"_s, u".."_s, u"a/b"_s}) {
        const QFileInfo store(ZVDataRepository::repositoryURLWithSessionId(id).toLocalFile());
        EXPECT_EQ(QFileInfo(store.absolutePath()).absolutePath(), caches) << id.toStdString();
    }

    const auto repository = open();
    ASSERT_TRUE(repository);
    EXPECT_EQ(repository->repositoryURL().toLocalFile(), storePath());
    EXPECT_TRUE(QFileInfo::exists(storePath()));
}

TEST_F(ZVDataRepositoryTest, MissingStoreSetsTheHorizonToZeroBeforeItIsCreated) {
    session_->setEventHorizon(42);
    std::vector<bool> fileExistedAtZero;
    platform::Observation horizon = session_->observe(u"eventHorizon"_s, [&](const QString&) {
        if (session_->eventHorizon() == 0) {
            fileExistedAtZero.push_back(QFileInfo::exists(storePath()));
        }
    });

    auto repository = open();
    ASSERT_TRUE(repository);
    EXPECT_EQ(session_->eventHorizon(), 0);
    EXPECT_EQ(fileExistedAtZero, std::vector<bool>{false});

    // An existing store keeps the account's place in the stream.
    repository.reset();
    session_->setEventHorizon(42);
    repository = open();
    ASSERT_TRUE(repository);
    EXPECT_EQ(session_->eventHorizon(), 42);
    EXPECT_TRUE(fatalErrors_.empty());
}

TEST_F(ZVDataRepositoryTest, CorruptStoreIsDeletedWithItsSideFilesAndMadeAgainEmpty) {
    const QByteArray garbage(8192, '\x5a');
    writeFile(storePath(), garbage);
    writeFile(storePath() + u"-wal"_s, garbage);
    writeFile(storePath() + u"-shm"_s, garbage);
    writeFile(storePath() + u"-journal"_s, garbage);
    writeFile(storeFolder() + u"/attachments.db"_s, garbage);
    session_->setEventHorizon(1234);

    const auto repository = open();
    ASSERT_TRUE(repository);
    EXPECT_EQ(session_->eventHorizon(), 0);
    EXPECT_TRUE(fatalErrors_.empty());

    const auto cards = repository->fetchObjects(u"Card"_s);
    ASSERT_TRUE(cards);
    EXPECT_TRUE(cards->empty());
    EXPECT_FALSE(QFileInfo::exists(storePath() + u"-journal"_s));
    for (const QString& file : {storePath(), storePath() + u"-wal"_s, storePath() + u"-shm"_s}) {
        QFile existing(file);
        if (existing.open(QIODevice::ReadOnly)) {
            EXPECT_FALSE(existing.readAll().startsWith(garbage.left(64))) << file.toStdString();
        }
    }
    // Files of the account that are not the store's stay.
    EXPECT_TRUE(QFileInfo::exists(storeFolder() + u"/attachments.db"_s));

    insertCard(*repository, u"c1"_s);
    EXPECT_EQ(repository->saveContext(), nullptr);

    const QString log = errorLogText();
    EXPECT_TRUE(log.contains(u"Error initializing datastore: "_s));
    EXPECT_TRUE(log.contains(u"deleting local db"_s));
    EXPECT_TRUE(log.contains(u"DeleteDataStore called"_s));
}

TEST_F(ZVDataRepositoryTest, StoreThatCannotBeMadeAgainIsReportedAndTheProcessGoesOn) {
    // A folder where the file should be: it can be neither opened nor removed.
    writeFile(storePath() + u"/inside"_s, "x");
    session_->setEventHorizon(77);

    const auto repository = open();
    EXPECT_FALSE(repository);
    EXPECT_EQ(session_->eventHorizon(), 0);
    ASSERT_EQ(fatalErrors_.size(), 1u);
    EXPECT_EQ(fatalErrors_[0]->domain(), ZVDataRepository::kStoreErrorDomain);
    EXPECT_FALSE(fatalErrors_[0]->localizedDescription().isEmpty());

    const QString log = errorLogText();
    EXPECT_TRUE(log.contains(u"Error deleting <Zelvo.sqlite>: "_s));
    EXPECT_TRUE(log.contains(u"Error opening datastore: "_s));
}

// A store that another connection holds (a second instance of the application) is in use, not
// damaged: deleting it would throw away the other instance's data.
TEST_F(ZVDataRepositoryTest, StoreHeldByAnotherConnectionIsReportedAndKept) {
    {
        const auto repository = open();
        ASSERT_TRUE(repository);
        insertCard(*repository, u"kept"_s);
        ASSERT_EQ(repository->saveContext(), nullptr);
    }
    session_->setEventHorizon(55);

    const int previousTimeout = platform::detail::SqliteConnection::setBusyTimeout(0);
    sqlite3* holder = nullptr;
    ASSERT_EQ(sqlite3_open(storePath().toUtf8().constData(), &holder), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(holder, "PRAGMA locking_mode=EXCLUSIVE; BEGIN EXCLUSIVE;", nullptr,
                           nullptr, nullptr),
              SQLITE_OK);

    EXPECT_FALSE(open());
    ASSERT_EQ(fatalErrors_.size(), 1u);
    EXPECT_EQ(session_->eventHorizon(), 55);

    sqlite3_exec(holder, "COMMIT;", nullptr, nullptr, nullptr);
    sqlite3_close(holder);
    platform::detail::SqliteConnection::setBusyTimeout(previousTimeout);
    const auto reopened = open();
    ASSERT_TRUE(reopened);
    const auto cards = reopened->fetchObjects(u"Card"_s);
    ASSERT_TRUE(cards);
    EXPECT_EQ(cards->size(), 1u);
}

TEST_F(ZVDataRepositoryTest, InconsistentModelLeavesTheStoreUntouched) {
    auto repository = open();
    ASSERT_TRUE(repository);
    insertCard(*repository, u"kept"_s);
    ASSERT_EQ(repository->saveContext(), nullptr);
    repository.reset();
    session_->setEventHorizon(500);

    auto broken = modeltest::makeModel();
    broken->entity(u"Card")->addIndex({u"no_such_attribute"_s});
    EXPECT_FALSE(ZVDataRepository::create(session_, broken));
    EXPECT_FALSE(ZVDataRepository::create(session_, nullptr));
    EXPECT_EQ(fatalErrors_.size(), 2u);
    EXPECT_EQ(session_->eventHorizon(), 500);

    repository = open();
    ASSERT_TRUE(repository);
    const auto cards = repository->fetchObjects(u"Card"_s);
    ASSERT_TRUE(cards);
    EXPECT_EQ(cards->size(), 1u);
}

TEST_F(ZVDataRepositoryTest, SaveCloseReopenAndOneObjectPerRow) {
    auto repository = open();
    ASSERT_TRUE(repository);
    const auto card = insertCard(*repository, u"c1"_s);
    EXPECT_EQ(card->session(), session_);
    card->setValue(u"title", u"Plans"_s);
    card->setValue(u"opened", QDateTime::fromSecsSinceEpoch(1400000000, QTimeZone::utc()));
    card->setField(5, true);
    ASSERT_EQ(repository->saveContext(), nullptr);

    const auto first =
        repository->fetchObjects<Card>(u"Card"_s, u"card_id = $id"_s, {{u"id"_s, u"c1"_s}});
    const auto second = repository->fetchObjects<Card>(u"Card"_s);
    ASSERT_TRUE(first && second);
    ASSERT_EQ(first->size(), 1u);
    ASSERT_EQ(second->size(), 1u);
    EXPECT_EQ(first->front(), card);
    EXPECT_EQ(second->front(), card);

    repository.reset();
    EXPECT_TRUE(card->isDeleted() || !card->context());
    repository = open();
    ASSERT_TRUE(repository);
    const auto reopened = repository->fetchObjects<Card>(u"Card"_s);
    ASSERT_TRUE(reopened);
    ASSERT_EQ(reopened->size(), 1u);
    const auto& read = reopened->front();
    EXPECT_NE(read, card);
    EXPECT_EQ(read->session(), session_);
    EXPECT_EQ(read->value(u"title").toString(), u"Plans"_s);
    EXPECT_EQ(read->value(u"opened").toDateTime().toSecsSinceEpoch(), 1400000000);
    EXPECT_EQ(read->uncommittedFields(), 1u << 5);
}

TEST_F(ZVDataRepositoryTest, FailedSaveIsRolledBackReportedAndTheNextSaveWorks) {
    auto repository = open();
    ASSERT_TRUE(repository);
    insertCard(*repository, u"saved"_s);
    ASSERT_EQ(repository->saveContext(), nullptr);

    // One save refused by validation (no card_id), one by the file (a second note 1 of thread t).
    const std::vector<std::function<void()>> faults = {
        [&] { repository->createObjectOfClass(u"Card"_s); },
        [&] {
            for (int copy = 0; copy < 2; ++copy) {
                auto note = repository->createObjectOfClass(u"Note"_s);
                note->setValue(u"thread_id", u"t"_s);
                note->setValue(u"nr", 1);
            }
        },
    };
    for (const auto& fault : faults) {
        fatalErrors_.clear();
        insertCard(*repository, u"lost"_s);
        fault();
        const auto error = repository->saveContext();
        ASSERT_NE(error, nullptr);
        EXPECT_FALSE(repository->managedObjectContext()->hasChanges());
        ASSERT_EQ(fatalErrors_.size(), 1u);
        EXPECT_EQ(fatalErrors_[0]->domain(), ZVDataRepository::kStoreErrorDomain);
        EXPECT_EQ(fatalErrors_[0]->code(), static_cast<int>(error->code()));
    }
    EXPECT_TRUE(errorLogText().contains(u"Error saving managed object context "_s));

    insertCard(*repository, u"after"_s);
    EXPECT_EQ(repository->saveContext(), nullptr);
    repository.reset();
    repository = open();
    std::set<QString> ids;
    for (const auto& card : *repository->fetchObjects<Card>(u"Card"_s)) {
        ids.insert(card->value(u"card_id").toString());
    }
    EXPECT_EQ(ids, (std::set<QString>{u"saved"_s, u"after"_s}));
    EXPECT_TRUE(repository->fetchObjects(u"Note"_s)->empty());
}

TEST_F(ZVDataRepositoryTest, OneShapeServesEveryVariableWithOnePreparedStatement) {
    auto repository = open();
    ASSERT_TRUE(repository);
    for (int nr = 1; nr <= 6; ++nr) {
        auto note = repository->createObjectOfClass<Note>(u"Note"_s);
        note->setValue(u"thread_id", nr <= 3 ? u"a"_s : u"b"_s);
        note->setValue(u"nr", nr);
    }
    ASSERT_EQ(repository->saveContext(), nullptr);

    const QString shape = u"(thread_id = $id) and (nr >= $from) and (nr <= $to)"_s;
    const auto nrs = [&](const QVariantMap& variables) {
        std::vector<qlonglong> found;
        for (const auto& note : *repository->fetchObjects<Note>(u"Note"_s, shape, variables)) {
            found.push_back(note->value(u"nr").toLongLong());
        }
        std::sort(found.begin(), found.end());
        return found;
    };
    EXPECT_EQ(nrs({{u"id"_s, u"a"_s}, {u"from"_s, 2}, {u"to"_s, 9}}),
              (std::vector<qlonglong>{2, 3}));
    const auto prepared = repository->managedObjectContext()->statistics().statementsPrepared;
    EXPECT_EQ(nrs({{u"id"_s, u"b"_s}, {u"from"_s, 0}, {u"to"_s, 4}}), (std::vector<qlonglong>{4}));
    EXPECT_EQ(nrs({{u"id"_s, u"b"_s}, {u"from"_s, 5}, {u"to"_s, 6}}),
              (std::vector<qlonglong>{5, 6}));
    EXPECT_EQ(repository->managedObjectContext()->statistics().statementsPrepared, prepared);

    // A shape the store does not understand, or a variable left out, is no result and a log line.
    EXPECT_FALSE(repository->fetchObjects(u"Note"_s, u"nr between $range"_s, {}));
    EXPECT_FALSE(repository->fetchObjects(u"Note"_s, shape, {{u"id"_s, u"a"_s}}));
    EXPECT_FALSE(repository->fetchObjects(u"Nothing"_s));
    EXPECT_TRUE(errorLogText().contains(u"Fetch Note (nr between $range, "_s));
}

// A clean object has no mask at all, so the shapes that look for dirty objects never see it.
TEST_F(ZVDataRepositoryTest, DirtyMaskShapesAgainstAStoredFile) {
    auto repository = open();
    ASSERT_TRUE(repository);
    const auto note = [&](int nr, std::uint32_t mask) {
        auto object = repository->createObjectOfClass<Note>(u"Note"_s);
        object->setValue(u"thread_id", u"t"_s);
        object->setValue(u"nr", nr);
        object->setField(3, true);
        object->setUncommittedFields(mask);
    };
    note(1, 0);
    note(2, 1u << 4);
    note(3, 1u << 31);
    note(1000000001, 1u << 2);
    note(5, 0);
    ASSERT_EQ(repository->saveContext(), nullptr);
    repository.reset();
    repository = open();

    struct Case {
        const char* predicate;
        std::vector<qlonglong> nrs;
    };
    const Case cases[] = {
        {"(thread_id = $id) and (uncommitted_fields > 0) and (nr < $mnr)", {2, 3}},
        {"uncommitted_fields > 0", {2, 3, 1000000001}},
        {"uncommitted_fields = nil", {1, 5}},
        {"uncommitted_fields = 0", {}},
        {"uncommitted_fields != 0", {1, 2, 3, 5, 1000000001}},
        {"not (uncommitted_fields > 0)", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.predicate);
        const auto found =
            repository->fetchObjects<Note>(u"Note"_s, QString::fromLatin1(c.predicate),
                                           {{u"id"_s, u"t"_s}, {u"mnr"_s, 1000000000}});
        ASSERT_TRUE(found);
        std::vector<qlonglong> nrs;
        for (const auto& object : *found) {
            nrs.push_back(object->value(u"nr").toLongLong());
        }
        std::sort(nrs.begin(), nrs.end());
        EXPECT_EQ(nrs, c.nrs);
    }
}

TEST_F(ZVDataRepositoryTest, TemporaryObjectsNeverReachTheFile) {
    auto repository = open();
    ASSERT_TRUE(repository);
    auto temporary = repository->createMemoryObjectOfClass<Card>(u"Card"_s);
    ASSERT_TRUE(temporary);
    EXPECT_EQ(temporary->session(), session_);
    temporary->setValue(u"card_id", u"search_contact"_s);
    ASSERT_EQ(repository->saveContext(), nullptr);
    EXPECT_TRUE(repository->fetchObjects(u"Card"_s)->empty());

    // Each context deletes only its own objects.
    repository->deleteObject(temporary);
    EXPECT_FALSE(temporary->isDeleted());
    repository->deleteMemoryObject(temporary);
    EXPECT_TRUE(temporary->isDeleted());

    repository.reset();
    repository = open();
    EXPECT_TRUE(repository->fetchObjects(u"Card"_s)->empty());
}

TEST_F(ZVDataRepositoryTest, DeletingTheStoreStartsTheAccountAgainFromTheBeginningOfTheStream) {
    auto repository = open();
    ASSERT_TRUE(repository);
    const auto card = insertCard(*repository, u"old"_s);
    ASSERT_EQ(repository->saveContext(), nullptr);
    session_->setEventHorizon(900);

    EXPECT_EQ(repository->deleteDatastore(), nullptr);
    EXPECT_EQ(session_->eventHorizon(), 0);
    EXPECT_TRUE(fatalErrors_.empty());
    // What the old store handed out stays readable and inert.
    EXPECT_EQ(card->value(u"card_id").toString(), u"old"_s);
    EXPECT_FALSE(card->setValue(u"title", u"late"_s));
    EXPECT_TRUE(repository->fetchObjects(u"Card"_s)->empty());
    insertCard(*repository, u"new"_s);
    EXPECT_EQ(repository->saveContext(), nullptr);
}

TEST_F(ZVDataRepositoryTest, TechInfoCountsTheMainEntities) {
    auto model = std::make_shared<platform::ManagedObjectModel>();
    for (const QString& name : {u"Contact"_s, u"Conversation"_s, u"Message"_s}) {
        ZVManagedObject::addEntity<ZVManagedObject>(*model, name)
            .addAttribute(u"key"_s, platform::AttributeType::String);
    }
    const auto repository = ZVDataRepository::create(session_, model);
    ASSERT_TRUE(repository);
    repository->createObjectOfClass(u"Contact"_s);
    repository->createObjectOfClass(u"Contact"_s);
    repository->createObjectOfClass(u"Message"_s);
    ASSERT_EQ(repository->saveContext(), nullptr);

    const QStringList lines = repository->techInfo().split(u'\n');
    ASSERT_EQ(lines.size(), 5);
    EXPECT_EQ(lines[0], u"Contact : 2 rows"_s);
    EXPECT_EQ(lines[1], u"Conversation : 0 rows"_s);
    EXPECT_TRUE(lines[2].startsWith(u"Member : "_s));
    EXPECT_FALSE(lines[2].endsWith(u" rows"_s));
    EXPECT_EQ(lines[3], u"Message : 1 rows"_s);
    EXPECT_TRUE(lines[4].isEmpty());
}

}  // namespace
