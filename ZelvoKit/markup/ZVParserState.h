#pragma once

#include "ZelvoKit/markup/ZVParserTag.h"

#include <QtCore/QJsonValue>
#include <QtCore/QString>

#include <vector>

// One entry of a line state: the line type that selects it, the state of the next line and the
// block tags the line writes. Its JSON form is ["line type", "next state:tag,tag,..."].
class ZVParserState {
public:
    explicit ZVParserState(const QJsonValue& values);

    const QString& lineType() const { return lineType_; }
    const QString& nextState() const { return nextState_; }
    const std::vector<ZVParserTag>& tags() const { return tags_; }
    // False for a malformed entry (not a two-item array of strings, an empty tag spec, a tag name
    // that XML cannot carry); the reason is logged.
    bool isValid() const { return valid_; }

    // "<line type> => <next state> <tags>".
    QString description() const;

private:
    QString lineType_;
    QString nextState_;
    std::vector<ZVParserTag> tags_;
    bool valid_ = false;
};
