#pragma once

#include "tests/ZelvoKit/model/RepositoryTestSupport.h"

#include <QtCore/QJsonObject>
#include <QtCore/QList>
#include <QtCore/QString>
#include <QtCore/QStringList>

#include <memory>
#include <vector>

class ZVSearch;

namespace inboxtest {

// A label of the account's stream, on the left pane and expanded unless `fields` say otherwise.
QJsonObject labelRecord(const QString& labelId, const QString& name, const QString& kind, int index,
                        QJsonObject fields = {});

// A signed-in account whose stream the test writes: labels, conversations in them, contacts and
// messages, each by a small number.
class InboxTest : public modeltest::SignedInTest {
protected:
    void TearDown() override;

    static QString id(int n);
    static QString personId(int n);
    // A conversation of the user with its inbox time (seconds), in the labels given.
    QJsonObject conversation(int n, const QString& topic, qint64 inboxTime,
                             const QStringList& labels = {}, QJsonObject fields = {}) const;
    static QJsonObject label(const QString& labelId, const QString& name, const QString& kind,
                             int index, QJsonObject fields = {});
    static QJsonObject contact(int n, const QString& name, const QString& dialogId = {});
    static QJsonObject message(int conversation, int nr, const QString& text, qint64 time);

    // A search of the session, abandoned at the end of the test.
    std::shared_ptr<ZVSearch> search(const QString& text);

    std::vector<std::shared_ptr<ZVSearch>> searches_;
};

}  // namespace inboxtest
