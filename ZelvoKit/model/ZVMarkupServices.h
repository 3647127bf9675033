#pragma once

#include <QtCore/QString>
#include <QtCore/QStringList>

#include <functional>
#include <optional>

// What the model asks of the markup library, which sits above it: the encoder of typed text into
// message XML and the readers of message XML. The markup library installs its own at start-up
// (ZVStartUpMarkup); until then each call is logged and answers as if the text had no markup.
class ZVMarkupServices {
public:
    struct Services {
        // Typed text and the attachment keys -> message XML (root "msg").
        std::function<QString(const QString& text, const std::optional<QStringList>& files)>
            xmlWithMessage;
        // Message XML -> the text as the user typed it, markup included.
        std::function<QString(const QString& xml, bool stripQuotes)> plainTextWithMarkup;
        // The "key" of every "file" element in document order; nothing when there is none.
        std::function<std::optional<QStringList>(const QString& xml)> extractFiles;
    };

    ZVMarkupServices() = delete;

    static void install(Services services);
    static bool isInstalled();

    static QString xmlWithMessage(const QString& text,
                                  const std::optional<QStringList>& files = std::nullopt);
    static QString plainTextWithMarkup(const QString& xml, bool stripQuotes);
    static std::optional<QStringList> extractFiles(const QString& xml);
};
