#include "ZelvoKit/model/ZVManagedObject.h"

#include "tests/ZelvoKit/model/ModelTestEntities.h"

#include "ZelvoKit/ZelvoApi/api/ZVApiRequest.h"
#include "ZelvoKit/support/base/ZVError.h"
#include "ZelvoKit/support/base/ZVJsonParser.h"
#include "platform/foundation/Scheduler.h"
#include "platform/net/UrlError.h"
#include "platform/store/ManagedObjectContext.h"

#include <gtest/gtest.h>

#include <QtCore/QDateTime>
#include <QtCore/QTimeZone>

#include <optional>

namespace {

using namespace Qt::Literals::StringLiterals;
using modeltest::Card;
using platform::ChangePhase;

class ZVManagedObjectTest : public testing::Test {
protected:
    void SetUp() override {
        auto context = platform::ManagedObjectContext::openInMemory(modeltest::makeModel());
        ASSERT_TRUE(context.ok()) << context.error()->description().toStdString();
        context_ = std::move(*context);
        card_ = context_->insert<Card>(u"Card");
        ASSERT_TRUE(card_);
    }

    // Records "will:key" and "did:key" for the keys.
    platform::Observation record(const QStringList& keys) {
        return card_->observe(keys, [this](const QString& key, ChangePhase phase) {
            events_.append((phase == ChangePhase::WillChange ? u"will:"_s : u"did:"_s) + key);
        });
    }

    static ZVJsonParser parse(const char* json) {
        return ZVJsonParser::jsonParserForString(QString::fromUtf8(json));
    }

    std::unique_ptr<platform::ManagedObjectContext> context_;
    std::shared_ptr<Card> card_;
    QStringList events_;
};

QDateTime seconds(qint64 value) {
    return QDateTime::fromSecsSinceEpoch(value, QTimeZone::utc());
}

TEST_F(ZVManagedObjectTest, FieldsFromARecordByAttributeType) {
    struct Case {
        const char* name;
        std::function<void(Card&)> setup;
        const char* record;
        const char* attribute;
        QVariant expected;
        bool changed;
        std::optional<int> error;
    };
    const auto clear = [](const char* attribute) {
        return [attribute](Card& card) { card.setValue(QString::fromLatin1(attribute), {}); };
    };
    const Case cases[] = {
        {"missing key keeps the value", {}, R"({})", "title", u"old"_s, false, {}},
        {"null keeps the value", {}, R"({"title": null})", "title", u"old"_s, false, {}},
        {"equal value is no change", {}, R"({"title": "old"})", "title", u"old"_s, false, {}},
        {"new value", {}, R"({"title": "new"})", "title", u"new"_s, true, {}},
        {"empty text is a value", {}, R"({"title": ""})", "title", u""_s, true, {}},
        {"wrong kind keeps the value",
         {},
         R"({"title": 5})",
         "title",
         u"old"_s,
         false,
         ZVError::WrongValueClass},
        {"missing key on an empty optional", {}, R"({})", "total", QVariant(), false, {}},
        {"wrong kind on an empty optional",
         {},
         R"({"total": "9"})",
         "total",
         QVariant(),
         false,
         ZVError::WrongValueClass},
        {"64-bit number",
         {},
         R"({"total": 1099511627776})",
         "total",
         QVariant(qlonglong(1099511627776)),
         true,
         {}},
        {"fraction dropped", {}, R"({"count": 7.9})", "count", QVariant(qlonglong(7)), true, {}},
        {"equal number", {}, R"({"count": 3})", "count", QVariant(qlonglong(3)), false, {}},
        {"double", {}, R"({"ratio": 0.25})", "ratio", QVariant(0.25), true, {}},
        {"float", {}, R"({"weight": 1.5})", "weight", QVariant(1.5), true, {}},
        {"date from whole seconds",
         {},
         R"({"opened": 1400000000.9})",
         "opened",
         QVariant(seconds(1400000000)),
         true,
         {}},
        {"boolean", {}, R"({"is_open": false})", "is_open", QVariant(false), true, {}},
        {"boolean from a number", {}, R"({"is_open": 2})", "is_open", QVariant(true), false, {}},
        {"missing key keeps a boolean", {}, R"({})", "is_open", QVariant(true), false, {}},
        {"missing key on an empty boolean stores false",
         clear("is_open"),
         R"({})",
         "is_open",
         QVariant(false),
         true,
         {}},
        {"required and missing", clear("card_id"), R"({})", "card_id", QVariant(), false,
         ZVError::MissingValue},
        {"required and null", clear("card_id"), R"({"card_id": null})", "card_id", QVariant(),
         false, ZVError::MissingValue},
        {"required of the wrong kind", clear("card_id"), R"({"card_id": 12})", "card_id",
         QVariant(), false, ZVError::WrongValueClass},
        {"required and present",
         clear("card_id"),
         R"({"card_id": "c2"})",
         "card_id",
         u"c2"_s,
         true,
         {}},
        {"not required once it has a value", {}, R"({})", "card_id", u"c1"_s, false, {}},
        {"16-bit integer is not read",
         {},
         R"({"small": 3})",
         "small",
         QVariant(qlonglong(9)),
         false,
         {}},
        {"byte data is not read", {}, R"({"payload": "AAEC"})", "payload", QVariant(), false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        card_->setValue(u"card_id", u"c1"_s);
        card_->setValue(u"title", u"old"_s);
        card_->setValue(u"count", 3);
        card_->setValue(u"ratio", 0.5);
        card_->setValue(u"is_open", true);
        card_->setValue(u"small", 9);
        if (c.setup) {
            c.setup(*card_);
        }
        events_.clear();
        const QString attribute = QString::fromLatin1(c.attribute);
        platform::Observation observation = record({attribute});

        ZVJsonParser parser = parse(c.record);
        card_->setField(attribute, parser);

        EXPECT_EQ(card_->value(attribute), c.expected);
        EXPECT_EQ(events_.contains(u"will:"_s + attribute), c.changed);
        ASSERT_EQ(parser.error() != nullptr, c.error.has_value());
        if (c.error) {
            EXPECT_EQ(parser.error()->code(), *c.error);
        }
    }
}

TEST_F(ZVManagedObjectTest, RequiredFieldMissingLeavesTheFirstErrorAndTheOtherFieldsAreRead) {
    ZVJsonParser parser = parse(R"({"title": "x", "count": "many", "total": 4})");
    card_->setFields({u"card_id"_s, u"title"_s, u"count"_s, u"total"_s}, parser);

    ASSERT_NE(parser.error(), nullptr);
    EXPECT_EQ(parser.error()->code(), ZVError::MissingValue);
    EXPECT_EQ(parser.error()->userInfo().value(ZVError::KeyKey).toString(), u"card_id"_s);
    EXPECT_TRUE(card_->value(u"card_id").isNull());
    EXPECT_EQ(card_->value(u"title").toString(), u"x"_s);
    EXPECT_TRUE(card_->value(u"count").isNull());
    EXPECT_EQ(card_->value(u"total").toLongLong(), 4);
    // The save refuses what the record could not fill.
    EXPECT_NE(context_->save(), nullptr);
}

TEST_F(ZVManagedObjectTest, UpdateFieldsTakeOnlyAValueThatDiffers) {
    card_->setValue(u"title", u"old"_s);
    platform::Observation observation = record({u"title"_s, u"total"_s, u"opened"_s});

    ZVJsonParser same = parse(R"({"title": "old", "total": null})");
    card_->updateStringField(u"title"_s, same);
    card_->updateIntField(u"total"_s, same);
    card_->updateDateField(u"opened"_s, same);
    EXPECT_TRUE(events_.isEmpty());
    EXPECT_TRUE(card_->value(u"total").isNull());

    ZVJsonParser changed = parse(R"({"title": "new", "total": 12, "opened": 1500000000})");
    card_->updateStringField(u"title"_s, changed);
    card_->updateIntField(u"total"_s, changed);
    card_->updateDateField(u"opened"_s, changed);
    EXPECT_EQ(events_, (QStringList{u"will:title"_s, u"will:total"_s, u"will:opened"_s}));
    EXPECT_EQ(card_->value(u"title").toString(), u"new"_s);
    EXPECT_EQ(card_->value(u"total").toLongLong(), 12);
    EXPECT_EQ(card_->value(u"opened").toDateTime(), seconds(1500000000));
    EXPECT_EQ(changed.error(), nullptr);
}

TEST_F(ZVManagedObjectTest, DirtyMaskIsNeverStoredAsZero) {
    const int mask = card_->entity().attributeIndex(ZVManagedObject::kUncommittedFieldsAttribute);
    EXPECT_TRUE(card_->isNull(mask));
    EXPECT_FALSE(card_->needsSync());

    card_->setField(3, true);
    EXPECT_TRUE(card_->isFieldDirty(3));
    EXPECT_EQ(card_->integerValue(mask), 8);
    card_->setField(3, false);
    EXPECT_TRUE(card_->isNull(mask));
    EXPECT_FALSE(card_->needsSync());

    // The highest field keeps the mask positive, so "uncommitted_fields > 0" still finds it.
    card_->setField(31, true);
    EXPECT_TRUE(card_->needsSync());
    EXPECT_EQ(card_->integerValue(mask), 0x80000000LL);

    for (int outside : {32, 40, -1}) {
        card_->setField(outside, true);
        EXPECT_FALSE(card_->isFieldDirty(outside));
    }
    EXPECT_EQ(card_->uncommittedFields(), 0x80000000u);
}

TEST_F(ZVManagedObjectTest, SyncRequestIsForTheLowestDirtyFieldThatHasOne) {
    card_->requestForField = [](int field) -> std::shared_ptr<ZVApiRequest> {
        if (field == 4 || field == 6) {
            return std::make_shared<ZVApiRequest>(u"card/field%1"_s.arg(field));
        }
        return nullptr;
    };
    card_->setUncommittedFields((1u << 1) | (1u << 4) | (1u << 6));

    const auto request = card_->getSyncRequest();
    ASSERT_TRUE(request);
    EXPECT_EQ(request->method(), u"card/field4"_s);
    EXPECT_EQ(card_->uncommittedFields(), (1u << 4) | (1u << 6));

    // Dirty fields without a request are dropped all the way up.
    card_->setUncommittedFields((1u << 2) | (1u << 9));
    EXPECT_FALSE(card_->getSyncRequest());
    EXPECT_FALSE(card_->needsSync());
    EXPECT_TRUE(card_->isNull(card_->entity().attributeIndex(u"uncommitted_fields")));
}

TEST_F(ZVManagedObjectTest, AnswersClearTheFieldUnlessTheServiceMayTakeItLater) {
    struct Case {
        const char* name;
        ZVErrorPtr error;  // none: the request succeeds
        bool cleared;
    };
    const Case cases[] = {
        {"answer", nullptr, true},
        {"404", ZVError::errorWithCode(404), true},
        {"400", ZVError::errorWithCode(400), true},
        {"499", ZVError::errorWithCode(499), true},
        {"service error 432", ZVError::errorWithBackendErrorId(u"not_member"_s, 432), true},
        {"500", ZVError::errorWithCode(500), false},
        {"503", ZVError::errorWithCode(503), false},
        {"offline", ZVError::errorWithDomain(platform::kUrlErrorDomain, -1009), false},
        {"timed out", ZVError::errorWithDomain(platform::kUrlErrorDomain, -1001), false},
        {"cancelled", ZVError::cancel(), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        card_->requestForField = [](int) {
            return std::make_shared<ZVApiRequest>(u"card/describe"_s);
        };
        card_->setUncommittedFields((1u << 2) | (1u << 5));
        const auto request = card_->getSyncRequest();
        ASSERT_TRUE(request);
        ASSERT_TRUE(request->handler());
        ASSERT_TRUE(request->errorHandler());

        if (c.error) {
            request->errorHandler()(c.error);
        } else {
            ZVJsonParser answer = parse(R"({"status": "ok"})");
            EXPECT_EQ(request->handler()(answer), nullptr);
        }
        EXPECT_EQ(card_->isFieldDirty(2), !c.cleared);
        EXPECT_TRUE(card_->isFieldDirty(5));
        // Through the entity's own setter, which an entity that commits at once relies on.
        EXPECT_EQ(card_->fieldChanges.contains(u"-2"_s), c.cleared);
    }
}

TEST_F(ZVManagedObjectTest, ANewObjectMustGetARequiredBooleanFromItsRecord) {
    auto model = modeltest::makeModel();
    platform::AttributeOptions required;
    required.optional = false;
    model->entity(u"Card")->addAttribute(u"is_pinned"_s, platform::AttributeType::Boolean,
                                         required);
    auto context = platform::ManagedObjectContext::openInMemory(model);
    ASSERT_TRUE(context.ok());
    auto card = (*context)->insert<Card>(u"Card");
    ASSERT_FALSE(card->value(u"is_pinned").isNull()) << "the store gives booleans a default";

    // Being made from a record, the default does not stand in for the record's value.
    card->setReadingNewObject(true);
    ZVJsonParser missing = parse(R"({"card_id": "c1"})");
    card->setFields({u"card_id"_s, u"is_pinned"_s}, missing);
    ASSERT_TRUE(missing.error());
    EXPECT_EQ(missing.error()->code(), ZVError::MissingValue);
    ZVJsonParser present = parse(R"({"is_pinned": true})");
    card->setField(u"is_pinned"_s, present);
    EXPECT_EQ(present.error(), nullptr);
    EXPECT_EQ(card->value(u"is_pinned"), QVariant(true));

    // A later record of the object is a fragment: a missing boolean keeps its value.
    card->setReadingNewObject(false);
    ZVJsonParser fragment = parse(R"({"title": "t"})");
    card->setField(u"is_pinned"_s, fragment);
    EXPECT_EQ(fragment.error(), nullptr);
    EXPECT_EQ(card->value(u"is_pinned"), QVariant(true));
}

TEST_F(ZVManagedObjectTest, RequestThatBringsItsOwnHandlersKeepsThem) {
    int ownErrors = 0;
    int ownAnswers = 0;
    card_->requestForField = [&](int) {
        auto request = std::make_shared<ZVApiRequest>(u"card/describe"_s);
        request->setErrorHandler([&](const ZVErrorPtr&) { ++ownErrors; });
        request->setHandler([&](ZVJsonParser&) -> ZVErrorPtr {
            ++ownAnswers;
            return nullptr;
        });
        return request;
    };
    card_->setField(0, true);
    const auto request = card_->getSyncRequest();
    ASSERT_TRUE(request);

    request->errorHandler()(ZVError::errorWithCode(404));
    ZVJsonParser answer = parse(R"({})");
    request->handler()(answer);
    EXPECT_EQ(ownErrors, 1);
    EXPECT_EQ(ownAnswers, 1);
    // Clearing the field is then the entity's own business.
    EXPECT_TRUE(card_->isFieldDirty(0));
}

TEST_F(ZVManagedObjectTest, HandlersOfAReleasedEntityDoNothing) {
    card_->requestForField = [](int) { return std::make_shared<ZVApiRequest>(u"card/describe"_s); };
    card_->setField(1, true);
    const auto request = card_->getSyncRequest();
    ASSERT_TRUE(request);
    std::weak_ptr<Card> weak = card_;
    context_->rollback();
    card_.reset();
    ASSERT_TRUE(weak.expired());

    request->errorHandler()(ZVError::errorWithCode(404));
    ZVJsonParser answer = parse(R"({})");
    EXPECT_EQ(request->handler()(answer), nullptr);
}

TEST_F(ZVManagedObjectTest, ChangesWithinTheDelayReachObserversOncePerKeyInTheClassOrder) {
    platform::Observation observation = record({u"title"_s, u"total"_s, u"count"_s});
    auto& scheduler = platform::Scheduler::main();

    card_->willChangeProperty(u"count"_s);
    card_->scheduleNotifyPropertyChanges();
    scheduler.advance(0.05);
    card_->willChangeProperties({u"title"_s, u"count"_s});
    card_->willChangeProperty(u"total"_s);
    card_->scheduleNotifyPropertyChanges();
    scheduler.advance(0.049);
    EXPECT_EQ(events_, (QStringList{u"will:count"_s, u"will:title"_s, u"will:total"_s}));

    scheduler.advance(0.001);
    EXPECT_EQ(events_, (QStringList{u"will:count"_s, u"will:title"_s, u"will:total"_s,
                                    u"did:total"_s, u"did:title"_s, u"did:count"_s}));
    EXPECT_FALSE(card_->hasPendingPropertyChanges());

    events_.clear();
    scheduler.advance(1.0);
    EXPECT_TRUE(events_.isEmpty());
}

TEST_F(ZVManagedObjectTest, ImmediateDeliveryReplacesThePendingOne) {
    card_->willChangeProperty(u"title"_s);
    EXPECT_FALSE(card_->hasPendingPropertyChanges()) << "nothing is recorded without observers";

    platform::Observation observation = record({u"title"_s});
    card_->willChangeProperty(u"title"_s);
    card_->scheduleNotifyPropertyChanges();
    card_->notifyPropertyChanges();
    EXPECT_EQ(events_, (QStringList{u"will:title"_s, u"did:title"_s}));

    platform::Scheduler::main().advance(0.2);
    EXPECT_EQ(events_.size(), 2);
}

TEST_F(ZVManagedObjectTest, ChangesRecordedDuringADeliveryGoToTheNextOne) {
    int deliveries = 0;
    platform::Observation observation =
        card_->observe(u"title"_s, [&](const QString& key, ChangePhase phase) {
            if (phase != ChangePhase::DidChange) {
                return;
            }
            if (++deliveries == 1) {
                card_->willChangeProperty(key);
                card_->scheduleNotifyPropertyChanges();
            }
        });
    card_->willChangeProperty(u"title"_s);
    card_->scheduleNotifyPropertyChanges();
    platform::Scheduler::main().advance(0.1);
    EXPECT_EQ(deliveries, 1);
    platform::Scheduler::main().advance(0.1);
    EXPECT_EQ(deliveries, 2);
}

TEST_F(ZVManagedObjectTest, PendingDeliveryOfAReleasedEntityIsDropped) {
    int deliveries = 0;
    platform::Observation observation =
        card_->observe(u"title"_s, [&](const QString&) { ++deliveries; });
    card_->willChangeProperty(u"title"_s);
    card_->scheduleNotifyPropertyChanges();
    context_->rollback();
    card_.reset();

    platform::Scheduler::main().advance(0.2);
    EXPECT_EQ(deliveries, 0);
    EXPECT_EQ(platform::Scheduler::main().pendingCount(), 0u);
}

}  // namespace
