#include "tests/ZelvoKit/markup/MarkupTestSupport.h"

#include "ZelvoKit/markup/ZVMessageStripper.h"
#include "platform/foundation/Resources.h"
#include "tests/support/TestEnvironment.h"

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QJsonDocument>
#include <QtCore/QJsonObject>
#include <QtCore/QProcess>

namespace zvmarkuptest {

namespace {

QByteArray bundledBytes() {
    QFile file(
        platform::Resources::pathForResource(QStringLiteral("syntax"), QStringLiteral("json")));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

std::shared_ptr<ZVMarkupSyntax> bundledSyntax() {
    auto syntax = std::make_shared<ZVMarkupSyntax>();
    syntax->loadFromData(bundledBytes());
    return syntax;
}

QJsonObject bundledSyntaxJson() {
    return QJsonDocument::fromJson(bundledBytes()).object();
}

QString xmlCheckerErrors(const QStringList& documents) {
    const QDir dir(zvtest::makeTempDir(QStringLiteral("xml")));
    QStringList paths;
    for (qsizetype i = 0; i < documents.size(); ++i) {
        const QString path = dir.filePath(QStringLiteral("%1.xml").arg(i));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(documents[i].toUtf8()) < 0) {
            return QStringLiteral("cannot write %1").arg(path);
        }
        paths << path;
    }
    QProcess checker;
    checker.start(QStringLiteral("xmllint"), QStringList{QStringLiteral("--noout")} + paths);
    if (!checker.waitForFinished(-1)) {
        return QStringLiteral("xmllint did not run: %1").arg(checker.errorString());
    }
    const QString errors = QString::fromUtf8(checker.readAllStandardError());
    if (checker.exitCode() != 0 && errors.isEmpty()) {
        return QStringLiteral("xmllint exited with %1").arg(checker.exitCode());
    }
    return errors;
}

QString withoutTrailingWhitespace(QString text) {
    ZVMessageStripper::stripWhitespace(text, false);
    return text;
}

}  // namespace zvmarkuptest
