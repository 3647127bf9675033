#pragma once

#include <QtCore/QObject>
#include <QtCore/QString>

#include <functional>

class QLocalServer;
class QLocalSocket;

// Events a person at the desktop cannot cause by hand, given one line at a time on a local socket
// that only this user may open (made only when the program is run for trying it out):
//
//   push <json> [--tapped]   a push with a fetch; tapped: background, inactive, push, active
//   fetch                    a background fetch
//   memory-warning
//   open-url <url>
//
// Each line is answered with one line: "ok", "ok <fetch result>" or "error <reason>".
class ZVControlSocket : public QObject {
public:
    using UrlOpener = std::function<bool(const QString& url)>;

    explicit ZVControlSocket(UrlOpener openUrl, QObject* parent = nullptr);
    ~ZVControlSocket() override;

    // Listens at `path`, replacing a stale socket; false with the reason when it cannot.
    bool listen(const QString& path, QString* error = nullptr);

    // Carries out one command line; `answer` gets the reply (at once, or when a fetch ends).
    void perform(const QString& line, const std::function<void(const QString&)>& answer);

private:
    void readLines(QLocalSocket* socket);

    UrlOpener openUrl_;
    QLocalServer* server_ = nullptr;
};
