#include "ZelvoKit/ZelvoApi/ZVUserCredentials.h"

#include "platform/foundation/Format.h"

bool ZVUserCredentials::valid() const {
    return !email_.isNull() && !uuid_.isNull() && !cookie_.isNull() && !ticket_.isNull();
}

QString ZVUserCredentials::description() const {
    return platform::format(u"ZVUserCredentials: %@ (%@)", email_, uuid_);
}
