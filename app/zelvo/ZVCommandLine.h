#pragma once

#include <QtCore/QString>
#include <QtCore/QStringList>

#include <optional>

// What the program is asked to do:
//   zelvo [--service URL] [--sign-in EMAIL]... [--control-socket PATH] [--smoke PNG] [--tablet]
// Passwords of the --sign-in accounts are read from standard input, one line each, in order.
struct ZVCommandLine {
    QString service;
    QStringList signIn;
    QString controlSocket;
    QString smokeImage;
    bool tablet = false;

    // None, with the reason in `error`, when the arguments do not parse.
    static std::optional<ZVCommandLine> parse(const QStringList& arguments, QString* error);
    static QString usage();
};
