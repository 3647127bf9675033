// Feeds arbitrary text to the URL handler as a link to open, as an application link to read and as
// the URL-safe form of an id. Nothing may crash or hang; a read link never holds a null value, an
// id that decodes is a lower-case UUID whose encoding decodes to it again, and the id of a link
// written from an encoded UUID reads back whole.

#include "ZelvoKit/support/url/ZVURLHandler.h"

#include <QtCore/QString>

#include <cstdint>
#include <cstdlib>

namespace {

void check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool prepared = [] {
        // No writable home: the log then stays off disk, which keeps each run fast.
        qputenv("ZELVO_HOME", "/nonexistent/zelvo-fuzz");
        ZVURLHandler::setAccountConfirmation([](const QString& id) { check(!id.isEmpty()); });
        return true;
    }();
    (void)prepared;

    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    ZVURLHandler::handler().handle(text);
    ZVURLHandler::handler().handle(QStringLiteral("zelvo:") + text);

    const ZVURLHandler::ZelvoLink link =
        ZVURLHandler::parseZelvoUrl(QStringLiteral("zelvo:") + text);
    for (const QString& value : link.parameters) {
        check(!value.isNull());
    }

    const QString uuid = ZVURLHandler::urlDecodeUUID(text);
    if (!uuid.isNull()) {
        check(uuid.size() == 36 && uuid == uuid.toLower());
        const QString encoded = ZVURLHandler::urlEncodeUUID(uuid);
        check(encoded.size() == ZVURLHandler::kEncodedUUIDLength);
        check(ZVURLHandler::urlDecodeUUID(encoded) == uuid);
        check(ZVURLHandler::parseZelvoUrl(QStringLiteral("zelvo://") + encoded).conversationId ==
              encoded);
    }
    return 0;
}
