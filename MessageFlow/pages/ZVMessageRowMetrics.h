#pragma once

#include <QtCore/QtGlobal>

// What lines laid out beside a conversation's rows need of its table model: the avatar size class
// of the rows (0 to 3) and the spacing at the screen's edges, so that they indent as the message
// text does. The table model of the message rows answers it.
class ZVMessageRowMetrics {
public:
    virtual ~ZVMessageRowMetrics() = default;
    virtual int avatarSize() const = 0;
    virtual qreal screenEdgeSpacing() const = 0;
};
