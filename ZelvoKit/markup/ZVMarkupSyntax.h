#pragma once

#include "ZelvoKit/markup/ZVLineType.h"
#include "ZelvoKit/markup/ZVParserState.h"

#include <QtCore/QByteArray>
#include <QtCore/QHash>
#include <QtCore/QJsonArray>
#include <QtCore/QMap>
#include <QtCore/QRegularExpression>
#include <QtCore/QString>

#include <memory>
#include <optional>
#include <vector>

// The markup language users type in, as the service defines it: line patterns, a line state
// machine, inline markers, emoticon codes and link rules. Nothing of the language is built into
// the client; the encoder follows whatever definition is loaded.
//
// One shared definition serves the process: from the cached download ("syntax.json" in the
// caches folder, a day at most), else from the copy among the application's resources. Building
// it starts a download of a fresh definition when the cache gave none; the download replaces the
// cache file and drops the shared instance, so that the next use loads the new one. Whoever holds
// an instance keeps using it.
//
// Main thread only.
class ZVMarkupSyntax {
public:
    // A cache file older than this is used once more, then deleted and downloaded again.
    static constexpr qint64 kCacheLifetimeSeconds = 86400;
    static constexpr QLatin1StringView kDefaultLinkPunctuation{".!?;,-"};

    // The shared definition, built on first use after start or after a download dropped it.
    static std::shared_ptr<ZVMarkupSyntax> syntax();
    // "syntax.json" in the caches folder.
    static QString syntaxFilePath();
    // Removes the cache file and reloads the shared instance from the resource copy.
    static void deleteServerSyntax();
    // Whether a download of the definition is under way.
    static bool downloadInProgress();

    // Parses one JSON definition into this instance; returns isValid(). Failures are logged.
    bool loadFromData(const QByteArray& data);
    // The resource copy, when there is one.
    void loadDefaultSyntax();
    // loadFromData() of a file's contents; false as well when the file cannot be read.
    bool loadFromFile(const QString& path);

    bool isValid() const { return valid_; }

    const QHash<QString, QString>& emoticonNames() const { return emoticonNames_; }
    // Kept as the service sends them; nothing reads them.
    const QString& endToken() const { return endToken_; }
    const QJsonArray& hrefSchemas() const { return hrefSchemas_; }

    const std::optional<QRegularExpression>& multiWordStart() const { return multiWordStart_; }
    const QHash<QString, QString>& multiWordTags() const { return multiWordTags_; }
    const QHash<QString, QRegularExpression>& multiWordEnd() const { return multiWordEnd_; }
    const std::optional<QRegularExpression>& singleWordMarkup() const { return singleWordMarkup_; }
    const QStringList& singleWordTags() const { return singleWordTags_; }
    const QString& urlDescriptionPrefix() const { return urlDescriptionPrefix_; }
    const QString& urlDescriptionSuffix() const { return urlDescriptionSuffix_; }

    const QMap<QString, ZVLineType>& lineTypes() const { return lineTypes_; }
    // The entries of a state; nullptr for an unknown state.
    const std::vector<ZVParserState>* lineStates(const QString& state) const;
    const QString& startState() const { return startState_; }

    const QString& openingParentheses() const { return openingParentheses_; }
    const QString& closingParentheses() const { return closingParentheses_; }
    const QHash<QChar, QChar>& parenthesesMap() const { return parenthesesMap_; }
    const QString& punctuation() const { return punctuation_; }

    // Used by tests: the shared instance is forgotten, and the download's connection closed.
    static void resetShared();

private:
    friend class ZVMarkupSyntaxDownload;
    // Drops the shared instance so that the next syntax() builds a new one.
    static void discardShared();
    static std::shared_ptr<ZVMarkupSyntax> buildShared();
    static void startDownload();
    // Checks that every state names known line types and states.
    bool checkStates();

    bool valid_ = false;
    QHash<QString, QString> emoticonNames_;
    QString endToken_;
    QJsonArray hrefSchemas_;
    std::optional<QRegularExpression> multiWordStart_;
    QHash<QString, QString> multiWordTags_;
    QHash<QString, QRegularExpression> multiWordEnd_;
    std::optional<QRegularExpression> singleWordMarkup_;
    QStringList singleWordTags_;
    QString urlDescriptionPrefix_;
    QString urlDescriptionSuffix_;
    QMap<QString, ZVLineType> lineTypes_;
    QHash<QString, std::vector<ZVParserState>> lineStates_;
    QString startState_;
    QString openingParentheses_;
    QString closingParentheses_;
    QHash<QChar, QChar> parenthesesMap_;
    QString punctuation_;
};
