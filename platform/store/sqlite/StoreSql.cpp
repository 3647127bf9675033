#include "platform/store/sqlite/StoreSql.h"

namespace platform::detail {

namespace {

QString sqlType(AttributeType type) {
    switch (type) {
        case AttributeType::Integer16:
        case AttributeType::Integer32:
        case AttributeType::Integer64:
        case AttributeType::Boolean:
            return QStringLiteral("INTEGER");
        case AttributeType::Double:
        case AttributeType::Float:
        case AttributeType::Date:
            return QStringLiteral("REAL");
        case AttributeType::String:
            return QStringLiteral("TEXT");
        case AttributeType::Binary:
            return QStringLiteral("BLOB");
    }
    return QStringLiteral("BLOB");
}

QString sqlLiteral(const StoreValue& value) {
    switch (value.kind()) {
        case StoreValue::Kind::Null:
            return QStringLiteral("NULL");
        case StoreValue::Kind::Integer:
            return QString::number(value.toInteger());
        case StoreValue::Kind::Real:
            return QString::number(value.toReal(), 'g', 17);
        case StoreValue::Kind::Text: {
            QString text = value.toText();
            text.replace(QLatin1Char('\''), QStringLiteral("''"));
            return QLatin1Char('\'') + text + QLatin1Char('\'');
        }
        case StoreValue::Kind::Blob:
            return QStringLiteral("X'%1'").arg(QString::fromLatin1(value.toBlob().toHex()));
    }
    return QStringLiteral("NULL");
}

QStringList storedColumns(const EntityDescription& entity) {
    QStringList columns;
    for (int index : entity.storedAttributes()) {
        columns << quoted(entity.attributes()[static_cast<std::size_t>(index)].name);
    }
    for (const auto* toOne : entity.toOneRelationships()) {
        columns << quoted(toOne->name);
    }
    return columns;
}

}  // namespace

QString quoted(const QString& identifier) {
    QString escaped = identifier;
    escaped.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}

QString columnList(const EntityDescription& entity) {
    return (QStringList{quoted(kRowidColumn)} + storedColumns(entity)).join(QLatin1Char(','));
}

QString columnDefinition(const AttributeDescription& attribute) {
    QString definition = quoted(attribute.name) + QLatin1Char(' ') + sqlType(attribute.type);
    // Rows that exist before a column is added take the default too.
    if (!attribute.defaultValue.isNull()) {
        definition += QStringLiteral(" DEFAULT ") + sqlLiteral(attribute.defaultValue);
    }
    return definition;
}

QString toOneColumnDefinition(const RelationshipDescription& toOne) {
    return quoted(toOne.name) + QStringLiteral(" INTEGER");
}

QString createTableSql(const EntityDescription& entity) {
    QStringList columns{quoted(kRowidColumn) + QStringLiteral(" INTEGER PRIMARY KEY")};
    for (int index : entity.storedAttributes()) {
        columns << columnDefinition(entity.attributes()[static_cast<std::size_t>(index)]);
    }
    for (const auto* toOne : entity.toOneRelationships()) {
        columns << toOneColumnDefinition(*toOne);
    }
    return QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (%2)")
        .arg(quoted(entity.name()), columns.join(QStringLiteral(", ")));
}

QStringList createIndexSql(const EntityDescription& entity) {
    QStringList statements;
    const auto add = [&](const QStringList& columns, bool unique) {
        QStringList quotedColumns;
        for (const auto& column : columns) {
            quotedColumns << quoted(column);
        }
        const QString name = entity.name() + QLatin1Char('_') + columns.join(QLatin1Char('_')) +
                             (unique ? QStringLiteral("_unique") : QStringLiteral("_index"));
        statements << QStringLiteral("CREATE %1INDEX IF NOT EXISTS %2 ON %3 (%4)")
                          .arg(unique ? QStringLiteral("UNIQUE ") : QString(), quoted(name),
                               quoted(entity.name()), quotedColumns.join(QLatin1Char(',')));
    };
    for (const auto& index : entity.indexes()) {
        add(index.attributes, index.unique);
    }
    for (const auto& attribute : entity.attributes()) {
        if (attribute.indexed && !attribute.transient) {
            add({attribute.name}, false);
        }
    }
    for (const auto* toOne : entity.toOneRelationships()) {
        add({toOne->name}, false);
    }
    return statements;
}

QString insertSql(const EntityDescription& entity) {
    const QStringList columns = storedColumns(entity);
    QStringList parameters;
    for (qsizetype i = 0; i < columns.size(); ++i) {
        parameters << QStringLiteral("?%1").arg(i + 1);
    }
    if (columns.isEmpty()) {
        return QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(quoted(entity.name()));
    }
    return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
        .arg(quoted(entity.name()), columns.join(QLatin1Char(',')),
             parameters.join(QLatin1Char(',')));
}

QString updateSql(const EntityDescription& entity) {
    const QStringList columns = storedColumns(entity);
    QStringList assignments;
    for (qsizetype i = 0; i < columns.size(); ++i) {
        assignments << QStringLiteral("%1=?%2").arg(columns[i]).arg(i + 1);
    }
    if (assignments.isEmpty()) {
        assignments << QStringLiteral("%1=%1").arg(quoted(kRowidColumn));
    }
    return QStringLiteral("UPDATE %1 SET %2 WHERE %3=?%4")
        .arg(quoted(entity.name()), assignments.join(QLatin1Char(',')), quoted(kRowidColumn))
        .arg(columns.size() + 1);
}

QString deleteSql(const EntityDescription& entity) {
    return QStringLiteral("DELETE FROM %1 WHERE %2=?1")
        .arg(quoted(entity.name()), quoted(kRowidColumn));
}

QString updateToOneSql(const RelationshipDescription& toOne) {
    return QStringLiteral("UPDATE %1 SET %2=?1 WHERE %3=?2")
        .arg(quoted(toOne.entity->name()), quoted(toOne.name), quoted(kRowidColumn));
}

QString selectSql(const EntityDescription& entity, const QString& where, const QString& orderBy,
                  int firstFreeParameter) {
    QString sql =
        QStringLiteral("SELECT %1 FROM %2").arg(columnList(entity), quoted(entity.name()));
    if (!where.isEmpty()) {
        sql += QStringLiteral(" WHERE ") + where;
    }
    if (!orderBy.isEmpty()) {
        sql += QStringLiteral(" ORDER BY ") + orderBy;
    }
    sql +=
        QStringLiteral(" LIMIT ?%1 OFFSET ?%2").arg(firstFreeParameter).arg(firstFreeParameter + 1);
    return sql;
}

QString countSql(const EntityDescription& entity, const QString& where) {
    QString sql = QStringLiteral("SELECT COUNT(*) FROM %1").arg(quoted(entity.name()));
    if (!where.isEmpty()) {
        sql += QStringLiteral(" WHERE ") + where;
    }
    return sql;
}

QString selectByRowidSql(const EntityDescription& entity) {
    return QStringLiteral("SELECT %1 FROM %2 WHERE %3=?1")
        .arg(columnList(entity), quoted(entity.name()), quoted(kRowidColumn));
}

}  // namespace platform::detail
