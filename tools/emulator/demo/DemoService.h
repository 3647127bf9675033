#pragma once

#include "tests/emulator/ServiceEmulator.h"
#include "tests/emulator/ServiceModel.h"

#include <QtCore/QString>
#include <QtCore/QStringList>

#include <memory>

namespace zvdemo {

// One demo account's sign-in.
struct DemoAccount {
    QString email;
    QString password;
    QString accountId;
};

// The emulator seeded with two demo accounts that share conversations, each with generated
// contacts, teams, hooks and conversations listed in the inbox, the recent, starred, unread and
// spam labels (a conversation under each), and an HTML e-mail in a shared conversation. The same
// every time.
class DemoService {
public:
    static constexpr int kAccountCount = 2;

    DemoService();
    ~DemoService();

    // Listens on 127.0.0.1; false when no port could be bound.
    bool start();
    void stop();
    QString baseUrl() const { return emulator_.baseUrl(); }
    const QList<DemoAccount>& accounts() const { return accounts_; }
    // The conversations both accounts are members of.
    const QStringList& sharedConversations() const { return shared_; }
    zvemu::ServiceEmulator& emulator() { return emulator_; }

private:
    void seed();

    zvemu::ServiceEmulator emulator_;
    std::unique_ptr<zvemu::ServiceModel> model_;
    QList<DemoAccount> accounts_;
    QStringList shared_;
};

}  // namespace zvdemo
