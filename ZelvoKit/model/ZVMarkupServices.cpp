#include "ZelvoKit/model/ZVMarkupServices.h"

#include "ZelvoKit/support/log/ZVErrorLog.h"

namespace {

ZVMarkupServices::Services& installed() {
    static ZVMarkupServices::Services services;
    return services;
}

void logMissing(QStringView service) {
    ZVLogError(u"Markup service \"%@\" is not installed", service.toString());
}

}  // namespace

void ZVMarkupServices::install(Services services) {
    installed() = std::move(services);
}

bool ZVMarkupServices::isInstalled() {
    const Services& services = installed();
    return services.xmlWithMessage && services.plainTextWithMarkup && services.extractFiles;
}

QString ZVMarkupServices::xmlWithMessage(const QString& text,
                                         const std::optional<QStringList>& files) {
    if (!installed().xmlWithMessage) {
        logMissing(u"xmlWithMessage");
        return text;
    }
    return installed().xmlWithMessage(text, files);
}

QString ZVMarkupServices::plainTextWithMarkup(const QString& xml, bool stripQuotes) {
    if (!installed().plainTextWithMarkup) {
        logMissing(u"plainTextWithMarkup");
        return xml;
    }
    return installed().plainTextWithMarkup(xml, stripQuotes);
}

std::optional<QStringList> ZVMarkupServices::extractFiles(const QString& xml) {
    if (!installed().extractFiles) {
        logMissing(u"extractFiles");
        return std::nullopt;
    }
    return installed().extractFiles(xml);
}
