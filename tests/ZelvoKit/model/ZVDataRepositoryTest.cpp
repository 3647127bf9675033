#include "ZelvoKit/model/ZVDataRepository.h"

#include "tests/ZelvoKit/model/ModelTestEntities.h"
#include "tests/support/TestEnvironment.h"

#include "ZelvoKit/ZelvoApi/session/ZVApiSession.h"
#include "ZelvoKit/support/base/ZVError.h"
#include "ZelvoKit/support/log/ZVErrorLog.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/Paths.h"
#include "platform/store/StoreFiles.h"
#include "platform/store/StoreLock.h"
#include "platform/store/sqlite/SqliteConnection.h"
#include "tests/support/FileModes.h"
#include "tests/support/StoreFaults.h"

#include <gtest/gtest.h>

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QProcess>
#include <QtCore/QTimeZone>

#include <sqlite3.h>

#include <any>
#include <cstdio>
#include <set>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace Qt::Literals::StringLiterals;
using modeltest::Card;
using modeltest::Note;

const QString kUuid = u"5d0f2a4e-8c31-4b7e-9a52-3f6c1d2e7b90"_s;

class ZVDataRepositoryTest : public testing::Test {
public:
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

    // The store with enough saved cards (about half a page each) to span many pages.
    std::shared_ptr<ZVDataRepository> openWithManyPages() {
        constexpr int kCards = 200;
        constexpr int kTitleLength = 2000;
        auto repository = open();
        for (int i = 0; repository && i < kCards; ++i) {
            insertCard(*repository, QString::number(i))
                ->setValue(u"title", QString(kTitleLength, u'x'));
        }
        return repository && repository->saveContext() == nullptr ? repository : nullptr;
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
    // A store marked as damaged, whose mark cannot be removed (a folder, not a file).
    writeFile(storePath(), QByteArray(8192, '\x5a'));
    writeFile(storePath() + u"-damaged/inside"_s, "x");
    session_->setEventHorizon(77);

    const auto repository = open();
    EXPECT_FALSE(repository);
    EXPECT_EQ(session_->eventHorizon(), 0);
    ASSERT_EQ(fatalErrors_.size(), 1u);
    EXPECT_EQ(fatalErrors_[0]->domain(), ZVDataRepository::kStoreErrorDomain);
    EXPECT_FALSE(fatalErrors_[0]->localizedDescription().isEmpty());

    const QString log = errorLogText();
    EXPECT_TRUE(log.contains(u"Error deleting <Zelvo.sqlite-damaged>: "_s));
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

namespace {

// The store of the fixture's account with one saved card, then closed.
void writeStoreWithOneCard(const std::shared_ptr<ZVApiSession>& session) {
    auto repository = ZVDataRepository::create(session, modeltest::makeModel());
    ASSERT_TRUE(repository);
    auto card = repository->createObjectOfClass<Card>(u"Card"_s);
    card->setValue(u"card_id", u"kept"_s);
    ASSERT_EQ(repository->saveContext(), nullptr);
}

std::size_t cardsIn(const std::shared_ptr<ZVDataRepository>& repository) {
    const auto cards = repository ? repository->fetchObjects(u"Card"_s)
                                  : platform::StoreResult<ZVDataRepository::Objects>(nullptr);
    return cards ? cards->size() : 0;
}

constexpr char kChildModeVariable[] = "ZV_REPOSITORY_CHILD_MODE";
constexpr char kChildRootVariable[] = "ZV_REPOSITORY_CHILD_ROOT";
constexpr char kChildReady[] = "repository-child-ready";

// Runs this test program again as a child in `mode`, with the parent's folders.
class Child {
public:
    explicit Child(const char* mode) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(kChildModeVariable, QString::fromLatin1(mode));
        environment.insert(kChildRootVariable, platform::Paths::root());
        environment.insert(u"TMPDIR"_s, zvtest::testRoot());
        process_.setProcessEnvironment(environment);
        process_.start(zvtest::executablePath(),
                       {u"--gtest_filter=ZVDataRepositoryChild.RunsWhatTheParentAsks"_s});
    }
    ~Child() {
        process_.kill();
        process_.waitForFinished();
    }

    // Its output up to `marker`, or up to its end.
    QByteArray readUntil(const QByteArray& marker) {
        while (!output_.contains(marker) && process_.waitForReadyRead(kWaitMs)) {
            output_ += process_.readAllStandardOutput();
        }
        return output_;
    }
    bool finishedCleanly() {
        process_.closeWriteChannel();
        if (!process_.waitForFinished(kWaitMs)) {
            return false;
        }
        output_ += process_.readAllStandardOutput();
        return process_.exitStatus() == QProcess::NormalExit && process_.exitCode() == 0;
    }
    QByteArray errors() { return process_.readAllStandardError(); }

private:
    static constexpr int kWaitMs = 60000;
    QProcess process_;
    QByteArray output_;
};

// Starves the process of descriptors, leaving `spare` free, until destroyed.
class Starvation {
public:
    explicit Starvation(int spare) {
        while (true) {
            const int fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
            if (fd < 0) {
                break;
            }
            held_.push_back(fd);
        }
        for (int i = 0; i < spare && !held_.empty(); ++i) {
            ::close(held_.back());
            held_.pop_back();
        }
    }
    ~Starvation() {
        for (int fd : held_) {
            ::close(fd);
        }
    }

private:
    std::vector<int> held_;
};

}  // namespace

// The other side of the tests below that need a second process.
TEST(ZVDataRepositoryChild, RunsWhatTheParentAsks) {
    const QByteArray mode = qgetenv(kChildModeVariable);
    if (mode.isEmpty()) {
        GTEST_SKIP() << "the child process of the repository's two-process tests";
    }
    platform::Paths::setRoot(QString::fromLocal8Bit(qgetenv(kChildRootVariable)));
    const auto session = modeltest::makeSession(kUuid);
    if (mode == "hold") {
        const auto repository = ZVDataRepository::create(session, modeltest::makeModel());
        ASSERT_TRUE(repository);
        std::printf("%s\n", kChildReady);
        std::fflush(stdout);
        char byte = 0;
        while (::read(STDIN_FILENO, &byte, 1) > 0) {
        }
        return;
    }
    // "starve": open the store with fewer and fewer descriptors left, down to none.
    constexpr rlim_t kDescriptorLimit = 128;
    rlimit limit{};
    ::getrlimit(RLIMIT_NOFILE, &limit);
    limit.rlim_cur = std::min(limit.rlim_cur, kDescriptorLimit);
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &limit), 0);
    std::vector<int> fatalCodes;
    platform::Observation fatal = platform::NotificationCenter::defaultCenter().addObserverForName(
        QString(ZVDataRepository::kFatalErrorNotification),
        [&](const platform::Notification& notification) {
            fatalCodes.push_back(std::any_cast<ZVErrorPtr>(notification.object)->code());
        });
    // The sanitizers check an object's type by reading it through a pipe, which starvation would
    // refuse them: the paths below are run once with descriptors, so their types are known.
    const QString storePath = ZVDataRepository::repositoryURLWithSessionId(kUuid).toLocalFile();
    for (const QString& blocker :
         {platform::StoreLock::lockFilePath(storePath), storePath + u"-wal"_s}) {
        QFile::remove(blocker);
        ASSERT_TRUE(QDir().mkpath(blocker + u"/inside"_s));
        EXPECT_FALSE(ZVDataRepository::create(session, modeltest::makeModel()));
        ASSERT_TRUE(QDir(blocker).removeRecursively());
    }
    EXPECT_TRUE(ZVDataRepository::create(session, modeltest::makeModel()));
    for (int spare = 4; spare >= 0; --spare) {
        fatalCodes.clear();
        bool opened = false;
        {
            Starvation starvation(spare);
            opened = ZVDataRepository::create(session, modeltest::makeModel()) != nullptr;
        }
        std::printf("spare=%d opened=%d fatal=%d\n", spare, opened ? 1 : 0,
                    fatalCodes.empty() ? 0 : fatalCodes.front());
    }
    std::fflush(stdout);
}

TEST_F(ZVDataRepositoryTest, PassingFailuresKeepTheStoreForALaterStart) {
    struct Case {
        const char* name;
        // Makes the open fail; returns what undoes it.
        std::function<std::function<void()>()> arrange;
        platform::StoreError::Code expected;
    };
    const Case cases[] = {
        {"disk full",
         [this] {
             // The model's second table is gone and must be made again: the file must grow.
             sqlite3* db = nullptr;
             sqlite3_open(storePath().toUtf8().constData(), &db);
             sqlite3_exec(db, "DROP TABLE Note; VACUUM;", nullptr, nullptr, nullptr);
             sqlite3_close(db);
             auto full = std::make_shared<zvtest::DiskFullForNewConnections>();
             return std::function<void()>([full]() mutable { full.reset(); });
         },
         platform::StoreError::Code::DiskFull},
        {"another process of the application",
         [this] {
             auto child = std::make_shared<Child>("hold");
             EXPECT_TRUE(child->readUntil(kChildReady).contains(kChildReady))
                 << child->errors().toStdString();
             return std::function<void()>([child]() mutable { child.reset(); });
         },
         platform::StoreError::Code::Busy},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        platform::removeStoreFiles(storePath());
        writeStoreWithOneCard(session_);
        session_->setEventHorizon(321);
        fatalErrors_.clear();

        auto undo = c.arrange();
        EXPECT_FALSE(open());
        ASSERT_EQ(fatalErrors_.size(), 1u);
        EXPECT_EQ(fatalErrors_[0]->code(), static_cast<int>(c.expected))
            << fatalErrors_[0]->localizedDescription().toStdString();
        EXPECT_FALSE(fatalErrors_[0]->localizedDescription().isEmpty());
        EXPECT_EQ(session_->eventHorizon(), 321);
        undo();

        // The next start finds everything where it was.
        EXPECT_EQ(cardsIn(open()), 1u);
        EXPECT_EQ(session_->eventHorizon(), 321);
    }
    EXPECT_FALSE(errorLogText().contains(u"deleting local db"_s));
}

TEST_F(ZVDataRepositoryTest, NoDescriptorsLeftNeverCostsTheStore) {
    writeStoreWithOneCard(session_);
    Child child("starve");
    ASSERT_TRUE(child.finishedCleanly()) << child.errors().toStdString();
    const QByteArray report = child.readUntil("spare=0");
    QList<QByteArray> lines;
    for (const QByteArray& line : report.split('\n')) {
        if (line.startsWith("spare=")) {
            lines.push_back(line);
        }
    }
    ASSERT_EQ(lines.size(), 5) << report.toStdString();
    // With no descriptor at all the store cannot be opened, and says so.
    EXPECT_EQ(lines.back(),
              QByteArray("spare=0 opened=0 fatal=") +
                  QByteArray::number(static_cast<int>(platform::StoreError::Code::CannotOpen)));
    for (const QByteArray& line : lines) {
        EXPECT_FALSE(line.endsWith(
            "fatal=" + QByteArray::number(static_cast<int>(platform::StoreError::Code::Corrupt))))
            << line.toStdString();
    }
    EXPECT_EQ(cardsIn(open()), 1u);
    EXPECT_FALSE(errorLogText().contains(u"deleting local db"_s));
}

// Damage found at open or while in use, and a store that holds nothing, start the account from
// the beginning of the stream; only damage costs the file.
TEST_F(ZVDataRepositoryTest, DamagedOrEmptyStoresStartTheAccountFromTheBeginning) {
    struct Case {
        const char* name;
        void (*arrange)(ZVDataRepositoryTest& test);
        bool rebuilt;
    };
    const Case cases[] = {
        {"pages overwritten mid-file",
         [](ZVDataRepositoryTest& test) {
             auto repository = test.openWithManyPages();
             ASSERT_TRUE(repository);
             repository.reset();
             ASSERT_TRUE(zvtest::overwriteMiddlePages(test.storePath()));
         },
         true},
        {"truncated to 0 bytes",
         [](ZVDataRepositoryTest& test) {
             writeStoreWithOneCard(test.session_);
             QFile::resize(test.storePath(), 0);
         },
         false},
        {"malformed while in use",
         [](ZVDataRepositoryTest& test) {
             auto repository = test.openWithManyPages();
             ASSERT_TRUE(repository);
             // The rows move from the log into the file, and out of the connection's memory.
             sqlite3* db = repository->managedObjectContext()->database();
             ASSERT_EQ(sqlite3_wal_checkpoint_v2(db, nullptr, SQLITE_CHECKPOINT_TRUNCATE, nullptr,
                                                 nullptr),
                       SQLITE_OK);
             sqlite3_db_release_memory(db);
             ASSERT_TRUE(zvtest::overwriteMiddlePages(test.storePath()));
             EXPECT_FALSE(repository->fetchObjects(u"Card"_s).ok());
             // The save that follows the damage reports failure instead of losing the card.
             test.insertCard(*repository, u"late"_s);
             test.fatalErrors_.clear();
             EXPECT_NE(repository->saveContext(), nullptr);
             EXPECT_EQ(test.fatalErrors_.size(), 1u);
         },
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        platform::removeStoreFiles(storePath());
        c.arrange(*this);
        session_->setEventHorizon(4321);
        fatalErrors_.clear();
        ZVErrorLog::errorLog().deleteLogFile();

        const auto repository = open();
        ASSERT_TRUE(repository);
        EXPECT_EQ(session_->eventHorizon(), 0);
        EXPECT_TRUE(fatalErrors_.empty());
        EXPECT_EQ(cardsIn(repository), 0u);
        EXPECT_EQ(errorLogText().contains(u"deleting local db"_s), c.rebuilt);
        insertCard(*repository, u"new"_s);
        EXPECT_EQ(repository->saveContext(), nullptr);
    }
}

TEST_F(ZVDataRepositoryTest, TheAccountsFilesAreOwnerOnlyWhateverTheUmask) {
    for (const mode_t mask : {mode_t{022}, mode_t{002}}) {
        SCOPED_TRACE(mask);
        const zvtest::ScopedUmask scopedUmask(mask);
        QDir(storeFolder()).removeRecursively();
        {
            const auto repository = open();
            ASSERT_TRUE(repository);
            insertCard(*repository, u"c"_s);
            ASSERT_EQ(repository->saveContext(), nullptr);
            EXPECT_EQ(zvtest::fileMode(platform::Paths::cachesDirectory()), 0700u);
            EXPECT_EQ(zvtest::fileMode(storeFolder()), 0700u);
            for (const QString& file :
                 {storePath(), storePath() + u"-wal"_s, storePath() + u"-shm"_s,
                  platform::StoreLock::lockFilePath(storePath())}) {
                EXPECT_EQ(zvtest::fileMode(file), 0600u) << file.toStdString();
            }
        }
    }
}
