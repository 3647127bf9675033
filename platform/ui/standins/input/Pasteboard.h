#pragma once

#include <QtCore/QByteArray>
#include <QtCore/QMap>
#include <QtCore/QString>
#include <QtCore/QStringList>

#include <memory>

namespace platform {

// One item of the pasteboard: its representations, by type. Plain text is kept as UTF-8 under
// Pasteboard::kPlainTextType; the application's private types are reverse-DNS names of its own.
using PasteboardItem = QMap<QString, QByteArray>;

// The general pasteboard: one item, replaced as a whole by every copy.
//
// Pasteboard::general() is the system's clipboard where a GUI application runs and an in-process
// pasteboard otherwise; tests install an in-process one of their own. Main thread only.
class Pasteboard {
public:
    static const QString kPlainTextType;

    virtual ~Pasteboard() = default;

    static std::shared_ptr<Pasteboard> general();
    // Replaces the general pasteboard (tests); null goes back to the default one.
    static void setGeneral(std::shared_ptr<Pasteboard> pasteboard);

    // The current item; empty when the pasteboard holds nothing.
    virtual PasteboardItem item() const = 0;
    // Replaces whatever the pasteboard held; an empty item clears it.
    virtual void setItem(const PasteboardItem& item) = 0;
    // Grows by one with every change, whoever made it.
    virtual qint64 changeCount() const = 0;

    QStringList types() const { return item().keys(); }
    bool containsType(const QString& type) const { return item().contains(type); }
    // The data of a type; null when the item has no such representation.
    QByteArray dataForType(const QString& type) const { return item().value(type); }

    // The plain text; a null string when the item has no plain-text representation.
    QString string() const;
    // Replaces the item by one of plain text only.
    void setString(const QString& text);
    void clear() { setItem({}); }
};

}  // namespace platform
