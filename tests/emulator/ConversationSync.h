#pragma once

#include "tests/emulator/EmulatorTypes.h"

#include <QtCore/QJsonObject>
#include <QtCore/QList>

namespace zvemu {

// The answer to "conversation/sync/<id>" for a body that names a direction in "mk_direction":
// the conversation's record as the "header", as complete as the direction makes it, and the
// messages the direction asks for on the stream. `messages` are the conversation's message
// records in number order. A direction the service does not know is a bad request.
Reply conversationSyncAnswer(const QJsonObject& body, QJsonObject header,
                             const QList<QJsonObject>& messages);

}  // namespace zvemu
