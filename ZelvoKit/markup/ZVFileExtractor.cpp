#include "ZelvoKit/markup/ZVFileExtractor.h"

#include <QtCore/QXmlStreamReader>

ZVFileExtractor::ZVFileExtractor(const QString& message) {
    QXmlStreamReader reader(message);
    while (!reader.atEnd()) {
        if (reader.readNext() != QXmlStreamReader::StartElement || reader.name() != u"file") {
            continue;
        }
        if (!files_) {
            files_.emplace();
        }
        const QXmlStreamAttributes attributes = reader.attributes();
        if (attributes.hasAttribute(QLatin1StringView("key"))) {
            files_->append(attributes.value(QLatin1StringView("key")).toString());
        }
    }
}
