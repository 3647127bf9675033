#pragma once

#include <QtCore/QString>
#include <QtCore/QStringList>

#include <optional>

// What the program is asked to do:
//   zelvo [--service URL] [--sign-in EMAIL]... [--control-socket PATH] [--smoke PNG] [--tablet]
//   zelvo --event SOCKET WORDS...   hands one event line to a running client's control socket
// Passwords of the --sign-in accounts are read from standard input, one line each, in order.
struct ZVCommandLine {
    QString service;
    QStringList signIn;
    QString controlSocket;
    QString smokeImage;
    bool tablet = false;
    // With --event: the socket, and the line made of the words after it.
    QString eventSocket;
    QString eventLine;

    // None, with the reason in `error`, when the arguments do not parse.
    static std::optional<ZVCommandLine> parse(const QStringList& arguments, QString* error);
    static QString usage();
};
