#include "ZelvoKit/StartUp.h"
#include "ZelvoKit/model/ZVDataModel.h"
#include "ZelvoKit/model/ZVMarkupServices.h"
#include "ZelvoKit/support/base/ZVError.h"
#include "platform/store/ManagedObject.h"

#include <QtCore/QJsonObject>
#include <QtCore/QStringList>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <typeinfo>

namespace {

// Entities that ZVStartUpModel() adds to the shared model; each must be there, made of its own
// class, in a normally linked program.
const QStringList kEntitiesAddedAtStartUp{
    QStringLiteral("Contact"),      QStringLiteral("Hook"),    QStringLiteral("Team"),
    QStringLiteral("Organisation"), QStringLiteral("Message"), QStringLiteral("File"),
    QStringLiteral("Conversation"), QStringLiteral("Member"),  QStringLiteral("Label")};

constexpr int kServiceErrorStatus = 430;

TEST(StartUp, ServiceErrorsReadInTheUsersWords) {
    // The service's answer to a sign-in with a wrong password; its own message is not for users.
    const QJsonObject answer{
        {QStringLiteral("error_id"), QStringLiteral("invalid_login")},
        {QStringLiteral("error_message"), QStringLiteral("Wrong credentials")}};
    EXPECT_EQ(
        ZVError::errorWithJson(answer, kServiceErrorStatus)->localizedDescription().toStdString(),
        "Incorrect email or password");
}

TEST(StartUp, SharedModelHoldsTheEntitiesAddedAtStartUp) {
    const auto model = ZVDataModel::shared().model();
    ASSERT_NE(model, nullptr) << "the shared data model contradicts itself";
    for (const QString& name : kEntitiesAddedAtStartUp) {
        const platform::EntityDescription* entity = model->entity(name);
        ASSERT_NE(entity, nullptr) << qPrintable(name) << " is missing from the shared model";
        const std::shared_ptr<platform::ManagedObject> object = entity->makeObject();
        EXPECT_NE(typeid(*object), typeid(platform::ManagedObject))
            << qPrintable(name) << " makes plain store objects, not its own class";
    }
}

TEST(StartUp, TheModelReadsMessageXmlWithTheMarkupLibrary) {
    ASSERT_TRUE(ZVMarkupServices::isInstalled());
    const QString xml = ZVMarkupServices::xmlWithMessage(QStringLiteral("hello"));
    EXPECT_TRUE(xml.startsWith(QStringLiteral("<msg"))) << qPrintable(xml);
    EXPECT_EQ(ZVMarkupServices::plainTextWithMarkup(xml, false), QStringLiteral("hello"));
}

}  // namespace

int main(int argc, char** argv) {
    // As the application starts, and nothing else.
    ZVStartUpMarkup();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
