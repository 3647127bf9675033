#pragma once

#include "platform/store/EntityDescription.h"

#include <QtCore/QString>
#include <QtCore/QStringList>

namespace platform::detail {

// The SQL of the store's tables. Each entity is a table of its name with the row id "_id", one
// column per stored attribute (in the entity's order) and one per to-one relationship, holding the
// destination's row id.

inline constexpr QLatin1StringView kRowidColumn{"_id"};

QString quoted(const QString& identifier);
// "_id", the attributes, the to-one relationships.
QString columnList(const EntityDescription& entity);
QString columnDefinition(const AttributeDescription& attribute);
QString toOneColumnDefinition(const RelationshipDescription& toOne);
QString createTableSql(const EntityDescription& entity);
// CREATE INDEX IF NOT EXISTS for the declared indexes, the indexed attributes and the to-one
// columns.
QStringList createIndexSql(const EntityDescription& entity);

// Parameters: the attributes, then the to-one relationships.
QString insertSql(const EntityDescription& entity);
// Parameters: the attributes, the to-one relationships, then the row id.
QString updateSql(const EntityDescription& entity);
QString deleteSql(const EntityDescription& entity);
QString updateToOneSql(const RelationshipDescription& toOne);
// Limit and offset are the two parameters after the predicate's.
QString selectSql(const EntityDescription& entity, const QString& where, const QString& orderBy,
                  int firstFreeParameter);
QString countSql(const EntityDescription& entity, const QString& where);
QString selectByRowidSql(const EntityDescription& entity);

}  // namespace platform::detail
