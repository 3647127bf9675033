#include "ZelvoKit/model/ZVDataRepository.h"

#include "ZelvoKit/ZelvoApi/account/ZVUserCredentials.h"
#include "ZelvoKit/ZelvoApi/session/ZVApiSession.h"
#include "ZelvoKit/model/ZVManagedObject.h"
#include "ZelvoKit/support/log/ZVErrorLog.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/OwnerOnly.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/store/StoreFiles.h"
#include "platform/store/StoreLock.h"

#include <QtCore/QDir>
#include <QtCore/QFileInfo>
#include <QtCore/QJsonDocument>
#include <QtCore/QJsonObject>

namespace {

using platform::StoreError;

// The entities whose row counts the tech-info screen shows.
const QStringList& techInfoEntities() {
    static const QStringList names{QStringLiteral("Contact"), QStringLiteral("Conversation"),
                                   QStringLiteral("Member"), QStringLiteral("Message")};
    return names;
}

// The account's folder name. Account ids are uuids; anything that could step out of the caches
// folder is escaped.
QString folderName(const QString& sessionId) {
    if (sessionId == u"." || sessionId == u"..") {
        return QString(sessionId).replace(u'.', QStringLiteral("%2E"));
    }
    return QString::fromLatin1(QUrl::toPercentEncoding(sessionId, "@+"));
}

// One log line, whatever the values hold.
QString compactJson(const QJsonObject& object) {
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

std::shared_ptr<StoreError> notOpenError() {
    return StoreError::make(StoreError::Code::Closed, QStringLiteral("the datastore is not open"));
}

}  // namespace

std::shared_ptr<ZVDataRepository> ZVDataRepository::create(
    const std::shared_ptr<ZVApiSession>& session,
    std::shared_ptr<const platform::ManagedObjectModel> model) {
    std::shared_ptr<StoreError> modelError =
        model ? model->validate()
              : StoreError::make(StoreError::Code::InvalidModel, QStringLiteral("no data model"));
    if (modelError) {
        // A fault of the program, not of the file: the account's data is left alone.
        ZVLogError(u"Error opening datastore: %@", modelError);
        platform::NotificationCenter::defaultCenter().postNotificationName(
            QString(kFatalErrorNotification), nullptr, errorFromStoreError(*modelError));
        return nullptr;
    }

    std::shared_ptr<ZVDataRepository> repository(new ZVDataRepository(session, std::move(model)));
    // Held for the repository's whole life, across a rebuild, so that a second process of the
    // application never opens (or deletes) this account's store while this one uses it.
    auto lock = platform::StoreLock::acquire(repository->storePath());
    if (!lock) {
        ZVLogError(u"Error opening datastore: %@", lock.error());
        repository->postFatalError(*lock.error());
        return nullptr;
    }
    repository->lock_ = std::move(*lock);

    if (const auto error = repository->createPersistentStoreCoordinator()) {
        if (!error->isCorruption()) {
            // A full disk, no descriptors left, a lock, permissions: the file may hold unsent
            // messages and drafts, and the next start may well open it. Keep it.
            ZVLogError(u"Error opening datastore: %@", error);
            repository->postFatalError(*error);
            return nullptr;
        }
        ZVLogError(u"Error initializing datastore: %@, deleting local db", error);
        repository->deleteDatastore();
    }
    if (!repository->context_) {
        ZVLogError(u"Failed to open datastore, the session cannot start");
        return nullptr;
    }

    auto memory = platform::ManagedObjectContext::openInMemory(repository->model_);
    if (!memory) {
        ZVLogError(u"Error opening datastore: %@", memory.error());
        repository->postFatalError(*memory.error());
        return nullptr;
    }
    repository->memoryContext_ = std::move(*memory);
    return repository;
}

ZVDataRepository::ZVDataRepository(const std::shared_ptr<ZVApiSession>& session,
                                   std::shared_ptr<const platform::ManagedObjectModel> model)
    : model_(std::move(model)),
      session_(session),
      storeURL_(repositoryURLWithSessionId(session ? session->credentials()->uuid() : QString())) {}

ZVDataRepository::~ZVDataRepository() = default;

QUrl ZVDataRepository::repositoryURLWithSessionId(const QString& sessionId) {
    QString folder = platform::Paths::cachesDirectory();
    if (!sessionId.isNull()) {
        folder += u'/' + folderName(sessionId);
    }
    return QUrl::fromLocalFile(folder + u'/' + kStoreFileName);
}

std::shared_ptr<StoreError> ZVDataRepository::createPersistentStoreCoordinator() {
    const QString path = storePath();
    const QFileInfo file(path);
    // A store that holds nothing (missing, or truncated to 0 bytes) means the account's history
    // must be fetched again from the beginning of the stream.
    if (!file.exists() || (file.isFile() && file.size() == 0)) {
        startFromTheBeginning();
    }
    platform::makeOwnerOnlyFolder(file.absolutePath());
    auto opened = platform::ManagedObjectContext::open(path, model_);
    if (!opened) {
        return opened.error();
    }
    context_ = std::move(*opened);
    if (context_->wasCreated()) {
        // Also a file that had bytes but no store in it.
        startFromTheBeginning();
    }
    return nullptr;
}

platform::StoreResult<ZVDataRepository::Objects> ZVDataRepository::fetchObjects(
    const QString& entityName, const QString& predicateFormat, const QVariantMap& arguments) {
    auto result = context_ ? context_->fetch({entityName, predicateFormat, arguments})
                           : platform::StoreResult<Objects>(notOpenError());
    if (!result) {
        ZVLogError(u"Fetch %@ (%@, %@): %@", entityName, predicateFormat,
                   compactJson(QJsonObject::fromVariantMap(arguments)), result.error());
        return result.error();
    }
    adopt(*result);
    return result;
}

std::shared_ptr<StoreError> ZVDataRepository::wrongClassError(const QString& entityName) {
    auto error = StoreError::make(
        StoreError::Code::InvalidFetch,
        QStringLiteral("objects of %1 are not of the class asked for").arg(entityName));
    ZVLogError(u"Fetch %@: %@", entityName, error);
    return error;
}

std::shared_ptr<platform::ManagedObject> ZVDataRepository::createObjectOfClass(
    const QString& entityName) {
    if (!context_) {
        return nullptr;
    }
    auto object = context_->insert(entityName);
    adopt(object);
    return object;
}

std::shared_ptr<platform::ManagedObject> ZVDataRepository::createMemoryObjectOfClass(
    const QString& entityName) {
    if (!memoryContext_) {
        return nullptr;
    }
    auto object = memoryContext_->insert(entityName);
    adopt(object);
    return object;
}

void ZVDataRepository::deleteObject(const std::shared_ptr<platform::ManagedObject>& object) {
    if (context_ && object && object->context() == context_.get()) {
        context_->deleteObject(object);
    }
}

void ZVDataRepository::deleteMemoryObject(const std::shared_ptr<platform::ManagedObject>& object) {
    if (memoryContext_ && object && object->context() == memoryContext_.get()) {
        memoryContext_->deleteObject(object);
    }
}

std::shared_ptr<StoreError> ZVDataRepository::saveContext() {
    std::shared_ptr<StoreError> error;
    if (context_ && context_->hasChanges()) {
        error = context_->save();
        if (error) {
            ZVLogError(u"Error saving managed object context %@, %@", error,
                       compactJson(QJsonObject::fromVariantMap(error->userInfo())));
            // The changes that failed are dropped so that the next save can succeed.
            context_->rollback();
            postFatalError(*error);
        }
    }
    platform::UserDefaults::standard()->synchronize();
    ZVErrorLog::errorLog().flush();
    return error;
}

std::shared_ptr<StoreError> ZVDataRepository::deleteDatastore() {
    ZVLogError(u"DeleteDataStore called");
    if (context_) {
        context_->close();
        context_.reset();
    }
    startFromTheBeginning();
    platform::UserDefaults::standard()->synchronize();

    for (const platform::StoreFileFailure& failure : platform::removeStoreFiles(storePath())) {
        ZVLogError(u"Error deleting <%@>: %@", failure.fileName, failure.reason);
    }
    auto error = createPersistentStoreCoordinator();
    if (error) {
        ZVLogError(u"Error opening datastore: %@", error);
        postFatalError(*error);
    }
    return error;
}

QString ZVDataRepository::techInfo() const {
    QString info;
    for (const QString& entity : techInfoEntities()) {
        auto rows = context_ ? context_->count({entity})
                             : platform::StoreResult<std::int64_t>(notOpenError());
        if (rows) {
            info += platform::format(u"%@ : %ld rows\n", entity, *rows);
        } else {
            info += platform::format(u"%@ : %@\n", entity,
                                     errorFromStoreError(*rows.error())->localizedDescription());
        }
    }
    return info;
}

ZVErrorPtr ZVDataRepository::errorFromStoreError(const StoreError& error) {
    QJsonObject userInfo = QJsonObject::fromVariantMap(error.userInfo());
    userInfo.insert(ZVError::LocalizedDescriptionKey, error.message());
    return ZVError::errorWithDomain(QString(kStoreErrorDomain), static_cast<int>(error.code()),
                                    userInfo);
}

void ZVDataRepository::adopt(const Objects& objects) const {
    const auto session = session_.lock();
    for (const auto& object : objects) {
        if (auto* managed = dynamic_cast<ZVManagedObject*>(object.get())) {
            managed->setSession(session);
        }
    }
}

void ZVDataRepository::adopt(const std::shared_ptr<platform::ManagedObject>& object) const {
    if (auto* managed = dynamic_cast<ZVManagedObject*>(object.get())) {
        managed->setSession(session_.lock());
    }
}

void ZVDataRepository::startFromTheBeginning() {
    if (const auto session = session_.lock(); session && session->eventHorizon() != 0) {
        // The poll after this one asks for the whole stream.
        session->setEventHorizon(0);
    }
}

void ZVDataRepository::postFatalError(const StoreError& error) {
    platform::NotificationCenter::defaultCenter().postNotificationName(
        QString(kFatalErrorNotification), this, errorFromStoreError(error));
}
