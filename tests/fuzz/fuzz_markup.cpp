// Feeds arbitrary text to the markup encoder and arbitrary documents to the stripper and the file
// extractor. Every document the encoder writes must be accepted by an XML parser that is not ours,
// and must give the typed text back; nothing may crash or hang.

#include "ZelvoKit/markup/ZVMarkupEncoder.h"
#include "ZelvoKit/markup/ZVMarkupSyntax.h"
#include "ZelvoKit/markup/ZVMessageStripper.h"
#include "platform/foundation/Resources.h"

#include <QtCore/QFile>
#include <QtCore/QString>

#include <libxml/parser.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

std::shared_ptr<ZVMarkupSyntax> loadSyntax() {
    // No writable home: the error log then stays off disk, which keeps each run fast.
    qputenv("ZELVO_HOME", "/nonexistent/zelvo-fuzz");
    QFile file(
        platform::Resources::pathForResource(QStringLiteral("syntax"), QStringLiteral("json")));
    auto syntax = std::make_shared<ZVMarkupSyntax>();
    if (!file.open(QIODevice::ReadOnly) || !syntax->loadFromData(file.readAll())) {
        std::fprintf(stderr, "fuzz_markup: the bundled syntax did not load\n");
        std::abort();
    }
    xmlInitParser();
    return syntax;
}

bool isWellFormed(const QByteArray& xml) {
    xmlDocPtr document = xmlReadMemory(xml.constData(), int(xml.size()), "msg.xml", "UTF-8",
                                       XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    if (!document) {
        return false;
    }
    const xmlNode* root = xmlDocGetRootElement(document);
    const bool isMessage = root && xmlStrcmp(root->name, BAD_CAST "msg") == 0;
    xmlFreeDoc(document);
    return isMessage;
}

// What the encoder keeps of a text: characters XML cannot carry are dropped, and the stripper
// gives no trailing white space back.
QString expectedBack(const QString& typed) {
    QString kept;
    for (qsizetype i = 0; i < typed.size(); ++i) {
        const QChar c = typed[i];
        if (c.isHighSurrogate() && i + 1 < typed.size() && typed[i + 1].isLowSurrogate()) {
            kept += c;
            kept += typed[++i];
        } else if (!c.isSurrogate() && c.unicode() != 0xFFFE && c.unicode() != 0xFFFF &&
                   (c.unicode() >= 0x20 || c == u'\t' || c == u'\n' || c == u'\r')) {
            kept += c;
        }
    }
    ZVMessageStripper::stripWhitespace(kept, false);
    return kept;
}

void fail(const char* what, const QString& typed, const QString& xml) {
    std::fprintf(stderr, "fuzz_markup: %s\ntyped: %s\nxml: %s\n", what, qPrintable(typed),
                 qPrintable(xml));
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::shared_ptr<ZVMarkupSyntax> syntax = loadSyntax();
    if (size == 0) {
        return 0;
    }
    // The first byte picks how the rest is read: UTF-16 reaches lone surrogates, UTF-8 is what
    // people type.
    const char* bytes = reinterpret_cast<const char*>(data + 1);
    const qsizetype length = qsizetype(size - 1);
    const QString typed = (data[0] & 1)
                              ? QString(reinterpret_cast<const QChar*>(bytes), length / 2)
                              : QString::fromUtf8(bytes, length);

    const ZVMarkupEncoder encoder(typed, QStringList{QStringLiteral("key&\"1")}, syntax);
    if (!isWellFormed(encoder.data())) {
        fail("not well-formed", typed, encoder.result());
    }
    if (ZVMessageStripper::extractPlainTextWithMarkup(encoder.result(), false) !=
        expectedBack(typed)) {
        fail("the typed text did not come back", typed, encoder.result());
    }
    ZVMessageStripper::extractPlainText(encoder.result());

    // The same bytes as a stored document, which may be anything.
    ZVMessageStripper::extractPlainText(typed);
    ZVMessageStripper::extractPlainTextWithMarkup(typed, true);
    ZVMessageStripper::extractFiles(typed);
    return 0;
}
