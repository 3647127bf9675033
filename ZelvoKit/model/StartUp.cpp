#include "ZelvoKit/model/StartUp.h"

#include "ZelvoKit/ZelvoApi/StartUp.h"
#include "ZelvoKit/model/Contact.h"
#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/File.h"
#include "ZelvoKit/model/Hook.h"
#include "ZelvoKit/model/Label.h"
#include "ZelvoKit/model/Member.h"
#include "ZelvoKit/model/Message.h"
#include "ZelvoKit/model/Organisation.h"
#include "ZelvoKit/model/Team.h"
#include "ZelvoKit/model/ZVDataModel.h"

void ZVStartUpModel() {
    ZVStartUpApi();
    ZVDataModel& model = ZVDataModel::shared();
    // Adding a name again replaces its description, so a second call changes nothing.
    model.addEntity<Contact>(QString(Contact::kEntityName), &Contact::describeAttributes);
    model.addEntity<Hook>(QString(Hook::kEntityName), &Hook::describeAttributes);
    model.addEntity<Team>(QString(Team::kEntityName), &Team::describeAttributes);
    model.addEntity<Organisation>(QString(Organisation::kEntityName),
                                  &Organisation::describeAttributes);
    model.addEntity<Message>(QString(Message::kEntityName), &Message::describeAttributes);
    model.addEntity<File>(QString(File::kEntityName), &File::describeAttributes);
    model.addEntity<Conversation>(QString(Conversation::kEntityName),
                                  &Conversation::describeAttributes);
    model.addEntity<Member>(QString(Member::kEntityName), &Member::describeAttributes);
    // A conversation's members are its own: deleted with it, and when they leave its set.
    model.addRelationship({.entity = QString(Member::kEntityName),
                           .name = QString(Member::kConversationRelationship),
                           .destination = QString(Conversation::kEntityName),
                           .inverseName = QString(Conversation::kMembersRelationship),
                           .optional = false,
                           .deleteRule = platform::DeleteRule::Cascade});
    model.addEntity<Label>(QString(Label::kEntityName), &Label::describeAttributes);
}
