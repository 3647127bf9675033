#include "ZelvoKit/model/Team.h"

#include "ZelvoKit/support/base/ZVJsonParser.h"
#include "ZelvoKit/support/log/ZVErrorLog.h"

#include <QtCore/QJsonArray>
#include <QtCore/QJsonDocument>
#include <QtCore/QJsonParseError>
#include "ZelvoKit/model/ZVRecordKeys.h"

using zvrecord::kMembers;
using zvrecord::kTeamId;

namespace {

using namespace Qt::Literals::StringLiterals;
using platform::AttributeOptions;
using platform::AttributeType;

const QString kTeamName = u"team_name"_s;

}  // namespace

Team::Team(const platform::EntityDescription& entity)
    : ManagedObject(entity),
      teamId_(entity.attributeIndex(kTeamId)),
      teamName_(entity.attributeIndex(kTeamName)),
      members_(entity.attributeIndex(kMembers)) {}

void Team::describeAttributes(platform::EntityDescription& entity) {
    AttributeOptions key;
    key.optional = false;
    key.indexed = true;
    entity.addAttribute(kTeamId, AttributeType::String, key);
    entity.addAttribute(kTeamName, AttributeType::String);
    entity.addAttribute(kMembers, AttributeType::String);
}

ZVErrorPtr Team::deserializeFromJson(ZVJsonParser& parser) {
    const QString id = parser.extractString(kTeamId, QString());
    if (!id.isNull() && id != teamId()) {
        setString(teamId_, id);
    }
    // Absent keeps the name a fragment does not carry.
    const QJsonValue name = parser.extractValue(kTeamName, false, ZVJsonParser::JsonClass::Any);
    if (name.isString() && name.toString() != teamName()) {
        setString(teamName_, name.toString());
    }
    const QJsonValue members = parser.extractValue(kMembers, false, ZVJsonParser::JsonClass::Any);
    if (members.isArray()) {
        const QString text =
            QString::fromUtf8(QJsonDocument(members.toArray()).toJson(QJsonDocument::Compact));
        if (text != this->members()) {
            setString(members_, text);
        }
    }
    return nullptr;
}

void Team::awakeFromFetch() {
    membersSet_.clear();
    const QString text = members();
    if (text.isEmpty()) {
        return;
    }
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8(), &error);
    if (error.error != QJsonParseError::NoError) {
        ZVLogError(u"Team::AwakeFromFetch: %@", error.errorString());
        return;
    }
    if (!document.isArray()) {
        ZVLogError(u"Team::AwakeFromFetch: membersArray = %@", text);
        return;
    }
    for (const QJsonValue& member : document.array()) {
        membersSet_.insert(member.toString());
    }
}
