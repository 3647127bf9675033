#pragma once

#include <QtCore/QSet>
#include <QtCore/QString>

#include <memory>

class ZVApiSession;

// Told by an account's session which contacts one answer changed.
class ZVContactChangeObserver {
public:
    virtual ~ZVContactChangeObserver() = default;
    virtual void sessionContactsChanged(const std::shared_ptr<ZVApiSession>& session,
                                        const QSet<QString>& contactIds) = 0;
};
