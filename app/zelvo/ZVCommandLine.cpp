#include "app/zelvo/ZVCommandLine.h"

using namespace Qt::StringLiterals;

std::optional<ZVCommandLine> ZVCommandLine::parse(const QStringList& arguments, QString* error) {
    ZVCommandLine line;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& option = arguments[i];
        if (option == u"--tablet") {
            line.tablet = true;
            continue;
        }
        if (option == u"--event") {
            if (i + 2 >= arguments.size()) {
                *error = u"--event needs a socket and an event"_s;
                return std::nullopt;
            }
            line.eventSocket = arguments[i + 1];
            line.eventLine = arguments.mid(i + 2).join(u' ');
            return line;
        }
        QString* value = nullptr;
        if (option == u"--service") {
            value = &line.service;
        } else if (option == u"--control-socket") {
            value = &line.controlSocket;
        } else if (option == u"--smoke") {
            value = &line.smokeImage;
        } else if (option != u"--sign-in") {
            *error = u"unknown option: "_s + option;
            return std::nullopt;
        }
        if (i + 1 >= arguments.size() || arguments[i + 1].isEmpty()) {
            *error = option + u" needs a value"_s;
            return std::nullopt;
        }
        if (value) {
            *value = arguments[++i];
        } else {
            line.signIn << arguments[++i];
        }
    }
    return line;
}

QString ZVCommandLine::usage() {
    return u"usage: zelvo [--service URL] [--sign-in EMAIL]... [--control-socket PATH] "
           u"[--smoke PNG] [--tablet]\n"
           u"       zelvo --event SOCKET push JSON [--tapped] | fetch | memory-warning | "
           u"open-url URL\n"
           u"Passwords of the --sign-in accounts are read from standard input, one a line."_s;
}
