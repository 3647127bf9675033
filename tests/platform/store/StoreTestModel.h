#pragma once

#include "platform/store/ManagedObject.h"
#include "platform/store/ManagedObjectContext.h"
#include "platform/store/ManagedObjectModel.h"

#include <gtest/gtest.h>

#include <memory>

// A small model in the shape of the data model's entities, for the store's tests:
//   Thread   (conversation-like)  thread_id, topic, last_nr, is_muted, inbox_time, score, display*
//   Post     (message-like)       thread_id, nr, tags, body, pin_weight, is_hidden, posted,
//   payload,
//                                 dirty; unique (thread_id, nr)
//   Participant                   account_id, read_horizon, is_admin; thread <->
//   Thread.participants
//                                 (cascade)
//   Book                          title; shelf <-> Shelf.books (nullify)
// (* transient)
namespace storetest {

class Post : public platform::ManagedObject {
public:
    static inline int kThreadId = -1;
    static inline int kNr = -1;
    static inline int kTags = -1;
    static inline int kBody = -1;
    static inline int kPinWeight = -1;
    static inline int kIsHidden = -1;
    static inline int kPosted = -1;
    static inline int kPayload = -1;
    static inline int kDirty = -1;

    using ManagedObject::ManagedObject;

    void awakeFromFetch() override { ++fetchAwakenings; }
    void awakeFromInsert() override { ++insertAwakenings; }

    std::int64_t nr() const { return integerValue(kNr); }
    void setNr(std::int64_t nr) { setInteger(kNr, nr); }

    int fetchAwakenings = 0;
    int insertAwakenings = 0;
};

class Thread : public platform::ManagedObject {
public:
    static inline int kThreadId = -1;
    static inline int kTopic = -1;
    static inline int kLastNr = -1;
    static inline int kIsMuted = -1;
    static inline int kInboxTime = -1;
    static inline int kScore = -1;
    static inline int kDisplay = -1;

    using ManagedObject::ManagedObject;

    // Derived values are recomputed when an object is read, as the data model does.
    void awakeFromFetch() override {
        setString(kDisplay, QStringLiteral("#") + stringValue(kTopic));
    }
};

std::shared_ptr<platform::ManagedObjectModel> makeModel(int version = 1);

// A store file in the test's temporary folder.
QString storePath(const QString& name = QStringLiteral("Test.sqlite"));

std::unique_ptr<platform::ManagedObjectContext> openStore(
    const QString& path, std::shared_ptr<const platform::ManagedObjectModel> model = makeModel());

std::shared_ptr<Post> insertPost(platform::ManagedObjectContext& context, const QString& threadId,
                                 std::int64_t nr, const QString& body = QString());

platform::FetchRequest request(const QString& entity, const QString& predicate = QString(),
                               const QVariantMap& variables = {});

// The row ids of `entity` in the file, read by plain SQL beside the store.
std::vector<std::int64_t> rowsInFile(const QString& path, const QString& entity);

}  // namespace storetest
