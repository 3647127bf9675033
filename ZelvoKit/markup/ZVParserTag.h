#pragma once

#include <QtCore/QMap>
#include <QtCore/QString>
#include <QtCore/QStringList>

#include <optional>
#include <utility>
#include <vector>

// One block tag of a line state: an element that a line opens, closes or adds, written as a spec
// string in the syntax ("q", "/q", "hr%/", "a|href=2").
class ZVParserTag {
public:
    enum Type { Opening = 1, Closing = 2, Empty = 3 };
    using Attributes = std::vector<std::pair<QString, QString>>;

    explicit ZVParserTag(const QString& spec);

    Type type() const { return type_; }
    const QString& name() const { return name_; }
    // The line's opening markup goes into "zvp" (or "zvs" when closing) and leaves the line.
    bool preserveContent() const { return preserveContent_; }
    // Whether the name and attribute names can stand in XML.
    bool isValid() const;
    const std::optional<QMap<QString, int>>& attributeMap() const { return attributeMap_; }

    // For each mapped attribute whose capture index lies inside `matches`, the captured text;
    // nothing when no attribute was set.
    std::optional<Attributes> attributesFromMatches(const QStringList* matches) const;

    // "<name>", "</name>", "<name/>", with "%" behind the name when content is preserved.
    QString description() const;

    // Whether `name` may be used as an XML element or attribute name.
    static bool isXmlName(const QString& name);

private:
    Type type_ = Opening;
    QString name_;
    bool preserveContent_ = false;
    std::optional<QMap<QString, int>> attributeMap_;
};
