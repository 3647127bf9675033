#pragma once

#include "ZelvoKit/markup/ZVMarkupSyntax.h"
#include "ZelvoKit/markup/ZVXMLComposer.h"

#include <QtCore/QByteArray>
#include <QtCore/QString>
#include <QtCore/QStringList>

#include <memory>
#include <optional>

// Turns the text a user typed into message XML (root element "msg"), driven line by line by the
// markup syntax. The markup as typed is kept in "zvp" (opening) and "zvs" (closing) attributes so
// that the stripper can give the user back exactly what was typed.
//
// Whatever the text, the result is a well-formed document. With no usable syntax the text is
// written unformatted.
class ZVMarkupEncoder {
public:
    // `files`: the attachment keys, written as empty "file" elements at the end of the root.
    static QString xmlWithMessage(const QString& message,
                                  const std::optional<QStringList>& files = std::nullopt);
    static QByteArray dataWithMessage(const QString& message);
    // The markup that produces the emoticon called `name` ("smile" for the kind "esmile"): its
    // "((name))" form when the syntax has one, else another code of that kind; "" when none.
    static QString markupForEmoticon(const QString& name);
    static void resetToDefaultSyntax();

    // With the shared syntax, or the given one.
    ZVMarkupEncoder(const QString& message, std::optional<QStringList> files,
                    std::shared_ptr<ZVMarkupSyntax> syntax = nullptr);

    const QString& result() const { return xml_.result(); }
    QByteArray data() const { return xml_.data(); }

private:
    struct EndSearch;

    void writeUnformatted(const QString& message);
    void parseMessage(const QString& message);
    QString processBlockTags(const std::vector<ZVParserTag>& tags, QString line,
                             const QStringList* matches);
    void processLongTags(const QString& text);
    void processSingleTokens(const QString& text);
    qsizetype addEmoticon(const QString& token);
    qsizetype addLink(const QString& token, const QString& schema);
    QString stripLink(const QString& token) const;
    void injectFiles();

    ZVXMLComposer xml_;
    std::shared_ptr<ZVMarkupSyntax> syntax_;
    std::optional<QStringList> files_;
};
