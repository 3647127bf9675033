#include "ZelvoKit/model/ZVDataModel.h"

#include "tests/ZelvoKit/model/ModelTestEntities.h"

#include "ZelvoKit/model/ZVDataRepository.h"
#include "platform/store/ManagedObjectContext.h"

#include <gtest/gtest.h>

namespace {

using namespace Qt::Literals::StringLiterals;
using platform::AttributeType;

class Conversation : public ZVManagedObject {
public:
    using ZVManagedObject::ZVManagedObject;
};

class Member : public platform::ManagedObject {
public:
    using ManagedObject::ManagedObject;
};

TEST(ZVDataModel, EntitiesAddedAtStartUpAreInTheSharedModel) {
    ZVDataModel::shared().addEntity<Conversation>(
        u"RegisteredProbe"_s, [](platform::EntityDescription& entity) {
            entity.addAttribute(u"probe_id"_s, AttributeType::String);
        });
    const auto model = ZVDataModel::shared().model();
    ASSERT_TRUE(model);
    const platform::EntityDescription* probe = model->entity(u"RegisteredProbe");
    ASSERT_TRUE(probe);
    EXPECT_TRUE(probe->attribute(u"probe_id"));
    EXPECT_TRUE(probe->attribute(ZVManagedObject::kUncommittedFieldsAttribute));
    EXPECT_EQ(ZVDataModel::shared().model(), model);
}

TEST(ZVDataModel, ModelOfEntitiesAddedInAnyOrder) {
    ZVDataModel data;
    // The relationship comes first, its entities later, the way separate files may add them.
    data.addRelationship({.entity = u"Member"_s,
                          .name = u"conversation"_s,
                          .destination = u"Conversation"_s,
                          .inverseName = u"members"_s,
                          .deleteRule = platform::DeleteRule::Cascade});
    data.addEntity<Member>(u"Member"_s, [](platform::EntityDescription& entity) {
        entity.addAttribute(u"account_id"_s, AttributeType::String);
    });
    data.addEntity<Conversation>(u"Conversation"_s, [](platform::EntityDescription& entity) {
        entity.addAttribute(u"conversation_id"_s, AttributeType::String);
    });
    const auto first = data.model();
    ASSERT_TRUE(first);
    EXPECT_EQ(data.model(), first);
    EXPECT_EQ(first->version(), 1);

    // Describing an entity again replaces its description.
    data.addEntity<Member>(u"Member"_s, [](platform::EntityDescription& entity) {
        entity.addAttribute(u"account_id"_s, AttributeType::String);
        entity.addAttribute(u"read_horizon"_s, AttributeType::Integer64);
    });
    data.addMigration(2, [](platform::StoreMigration&) { return nullptr; });
    const auto model = data.model();
    ASSERT_TRUE(model);
    EXPECT_NE(model, first);
    EXPECT_EQ(model->version(), 2);
    EXPECT_TRUE(model->entity(u"Member")->attribute(u"read_horizon"));
    EXPECT_FALSE(model->entity(u"Member")->attribute(ZVManagedObject::kUncommittedFieldsAttribute));
    EXPECT_TRUE(
        model->entity(u"Conversation")->attribute(ZVManagedObject::kUncommittedFieldsAttribute));

    const auto repository = ZVDataRepository::create(modeltest::makeSession(), model);
    ASSERT_TRUE(repository);
    const auto conversation = repository->createObjectOfClass<Conversation>(u"Conversation"_s);
    const auto member = repository->createObjectOfClass<Member>(u"Member"_s);
    ASSERT_TRUE(conversation && member);
    EXPECT_TRUE(member->setRelatedObject(u"conversation", conversation));
    ASSERT_EQ(repository->saveContext(), nullptr);
    const auto members = conversation->relatedObjects(u"members");
    ASSERT_TRUE(members);
    EXPECT_EQ(*members, (platform::ManagedObjectContext::Objects{member}));
}

TEST(ZVDataModel, ContradictionsGiveNoModel) {
    ZVDataModel data;
    data.addEntity<Member>(
        u"Member"_s, [](platform::EntityDescription& entity) { entity.addIndex({u"missing"_s}); });
    EXPECT_FALSE(data.model());

    ZVDataModel dangling;
    dangling.addRelationship({.entity = u"Member"_s,
                              .name = u"conversation"_s,
                              .destination = u"Nowhere"_s,
                              .inverseName = u"members"_s});
    dangling.addEntity<Member>(u"Member"_s, {});
    EXPECT_FALSE(dangling.model());
}

}  // namespace
