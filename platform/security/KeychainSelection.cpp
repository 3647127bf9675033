#include "platform/security/KeychainSelection.h"

#include "platform/foundation/SystemLog.h"
#include "platform/security/DesktopKeychainBackend.h"
#include "platform/security/FileKeychainBackend.h"
#include "platform/security/Keychain.h"

#include <QtCore/QFile>

#include <algorithm>

namespace platform {

namespace {

const char* const kPreferenceVariable = "ZELVO_KEYCHAIN";

// Items already in the desktop keychain win over the file's copies of the same key. The file goes
// only once its items are safely in the desktop keychain.
void moveFileItems(DesktopKeychainBackend& desktop) {
    const QString path = Keychain::sharedFilePath();
    if (path.isEmpty() || !QFile::exists(path)) {
        return;
    }
    FileKeychainBackend file(path);
    const auto fileItems = file.load();
    auto items = desktop.load();
    if (!fileItems || !items) {
        systemLogFormat(u"Keychain: %@ stays until it can be moved", path);
        return;
    }
    for (const KeychainItem& item : *fileItems) {
        if (std::none_of(items->begin(), items->end(),
                         [&](const KeychainItem& kept) { return kept.hasSameKey(item); })) {
            items->push_back(item);
        }
    }
    if (!desktop.store(*items)) {
        systemLogFormat(u"Keychain: %@ stays until it can be moved", path);
        return;
    }
    if (!QFile::remove(path)) {
        systemLogFormat(u"Keychain: cannot remove %@ after moving its items", path);
        return;
    }
    systemLogFormat(u"Keychain: moved %ld items from %@ into the desktop keychain",
                    static_cast<long>(fileItems->size()), path);
}

}  // namespace

KeychainKind selectSharedKeychain() {
    const QByteArray preference = qgetenv(kPreferenceVariable);
    if (preference == "file") {
        Keychain::setSharedBackendFactory(nullptr);
        // The file's folder is not asked for here: asking creates it, before a test has moved
        // the application's root.
        systemLogFormat(u"Keychain: credentials are kept in the owner-only keychain file (%@=file)",
                        kPreferenceVariable);
        return KeychainKind::File;
    }
    auto desktop = std::make_shared<DesktopKeychainBackend>();
    QString reason;
    if (preference != "desktop" && !desktop->isAvailable(&reason)) {
        Keychain::setSharedBackendFactory(nullptr);
        systemLogFormat(
            u"Keychain: credentials are kept in the owner-only keychain file (no desktop "
            u"keychain: %@)",
            reason);
        return KeychainKind::File;
    }
    moveFileItems(*desktop);
    Keychain::setSharedBackendFactory([service = desktop->service(), key = desktop->key()] {
        return std::make_shared<DesktopKeychainBackend>(service, key);
    });
    systemLogFormat(u"Keychain: credentials are kept in the desktop keychain (%@)",
                    desktop->service());
    return KeychainKind::Desktop;
}

}  // namespace platform
