#pragma once

#include "ZelvoKit/support/base/ZVError.h"
#include "platform/store/ManagedObject.h"

#include <QtCore/QSet>
#include <QtCore/QString>

class ZVJsonParser;

// A named group of accounts. A plain stored object: the stream fills it, nothing is sent back.
class Team : public platform::ManagedObject {
public:
    static constexpr QLatin1StringView kEntityName{"Team"};

    explicit Team(const platform::EntityDescription& entity);

    static void describeAttributes(platform::EntityDescription& entity);

    QString teamId() const { return stringValue(teamId_); }
    QString teamName() const { return stringValue(teamName_); }
    // The JSON text of the members' account ids.
    QString members() const { return stringValue(members_); }
    const QSet<QString>& membersSet() const { return membersSet_; }

    void awakeFromFetch() override;

    // Reads a team record. A record without "members" keeps the stored ones; the key is required
    // by the upsert, so this reports nothing itself.
    ZVErrorPtr deserializeFromJson(ZVJsonParser& parser);

private:
    int teamId_;
    int teamName_;
    int members_;
    QSet<QString> membersSet_;
};
