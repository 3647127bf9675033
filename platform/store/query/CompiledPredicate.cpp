#include "platform/store/query/CompiledPredicate.h"

#include "platform/store/ManagedObject.h"
#include "platform/store/sqlite/SqliteConnection.h"
#include "platform/store/sqlite/StoreSql.h"

#include <sqlite3.h>

#include <algorithm>

namespace platform::detail {

namespace {

struct Token {
    enum class Kind {
        End,
        Identifier,
        Variable,
        Integer,
        Real,
        Text,
        Operator,
        LeftParen,
        RightParen,
        And,
        Or,
        Not,
        Null,
        True,
        False,
    };
    Kind kind = Kind::End;
    QString text;
    qsizetype position = 0;
    std::int64_t integer = 0;
    double real = 0;
};

bool isIdentifierStart(QChar c) {
    return c.isLetter() || c == QLatin1Char('_');
}

bool isIdentifierPart(QChar c) {
    return c.isLetterOrNumber() || c == QLatin1Char('_');
}

}  // namespace

// Reads a predicate format into a CompiledPredicate; the first problem ends the reading.
class PredicateParser {
public:
    PredicateParser(const QString& format, const EntityDescription& entity, CompiledPredicate& out)
        : format_(format), entity_(entity), out_(out) {}

    QString parse() {
        if (!tokenize()) {
            return problem_;
        }
        if (tokens_.size() == 1) {
            return {};
        }
        out_.empty_ = false;
        out_.root_ = parseOr();
        if (problem_.isEmpty() && current().kind != Token::Kind::End) {
            fail(QStringLiteral("unexpected \"%1\"").arg(current().text));
        }
        return problem_;
    }

private:
    using Node = CompiledPredicate::Node;
    using Op = CompiledPredicate::Op;

    const Token& current() const { return tokens_[index_]; }
    void advance() {
        if (index_ + 1 < tokens_.size()) {
            ++index_;
        }
    }
    void fail(const QString& what) {
        if (problem_.isEmpty()) {
            problem_ = QStringLiteral("%1 at position %2").arg(what).arg(current().position);
        }
    }

    bool tokenize() {
        const QString& s = format_;
        qsizetype i = 0;
        while (i < s.size()) {
            const QChar c = s[i];
            if (c.isSpace()) {
                ++i;
                continue;
            }
            Token token;
            token.position = i;
            if (c == QLatin1Char('(') || c == QLatin1Char(')')) {
                token.kind =
                    c == QLatin1Char('(') ? Token::Kind::LeftParen : Token::Kind::RightParen;
                token.text = c;
                ++i;
            } else if (c == QLatin1Char('$')) {
                qsizetype j = i + 1;
                while (j < s.size() && isIdentifierPart(s[j])) {
                    ++j;
                }
                if (j == i + 1) {
                    problem_ = QStringLiteral("a variable without a name at position %1").arg(i);
                    return false;
                }
                token.kind = Token::Kind::Variable;
                token.text = s.mid(i + 1, j - i - 1);
                i = j;
            } else if (isIdentifierStart(c)) {
                qsizetype j = i;
                while (j < s.size() && isIdentifierPart(s[j])) {
                    ++j;
                }
                token.text = s.mid(i, j - i);
                const QString upper = token.text.toUpper();
                if (upper == u"AND") {
                    token.kind = Token::Kind::And;
                } else if (upper == u"OR") {
                    token.kind = Token::Kind::Or;
                } else if (upper == u"NOT") {
                    token.kind = Token::Kind::Not;
                } else if (upper == u"NIL" || upper == u"NULL") {
                    token.kind = Token::Kind::Null;
                } else if (upper == u"TRUE" || upper == u"YES") {
                    token.kind = Token::Kind::True;
                } else if (upper == u"FALSE" || upper == u"NO") {
                    token.kind = Token::Kind::False;
                } else {
                    token.kind = Token::Kind::Identifier;
                }
                i = j;
            } else if (c.isDigit() || ((c == QLatin1Char('-') || c == QLatin1Char('.')) &&
                                       i + 1 < s.size() && s[i + 1].isDigit())) {
                qsizetype j = i + 1;
                bool real = c == QLatin1Char('.');
                while (j < s.size()) {
                    const QChar d = s[j];
                    if (d.isDigit()) {
                        ++j;
                    } else if (d == QLatin1Char('.') || d == QLatin1Char('e') ||
                               d == QLatin1Char('E')) {
                        real = true;
                        ++j;
                        if ((d == QLatin1Char('e') || d == QLatin1Char('E')) && j < s.size() &&
                            (s[j] == QLatin1Char('-') || s[j] == QLatin1Char('+'))) {
                            ++j;
                        }
                    } else {
                        break;
                    }
                }
                token.text = s.mid(i, j - i);
                bool ok = false;
                if (real) {
                    token.kind = Token::Kind::Real;
                    token.real = token.text.toDouble(&ok);
                } else {
                    token.kind = Token::Kind::Integer;
                    token.integer = token.text.toLongLong(&ok);
                }
                if (!ok) {
                    problem_ = QStringLiteral("\"%1\" is not a number at position %2")
                                   .arg(token.text)
                                   .arg(i);
                    return false;
                }
                i = j;
            } else if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
                qsizetype j = i + 1;
                QString text;
                bool closed = false;
                while (j < s.size()) {
                    const QChar d = s[j];
                    if (d == c) {
                        closed = true;
                        ++j;
                        break;
                    }
                    if (d == QLatin1Char('\\') && j + 1 < s.size()) {
                        const QChar e = s[j + 1];
                        text += e == QLatin1Char('n')   ? QChar(u'\n')
                                : e == QLatin1Char('t') ? QChar(u'\t')
                                                        : e;
                        j += 2;
                        continue;
                    }
                    text += d;
                    ++j;
                }
                if (!closed) {
                    problem_ = QStringLiteral("an unterminated string at position %1").arg(i);
                    return false;
                }
                token.kind = Token::Kind::Text;
                token.text = text.isNull() ? QStringLiteral("") : text;
                i = j;
            } else {
                static const char16_t* const operators[] = {u"==", u"!=", u"<>", u"<=", u"=<",
                                                            u">=", u"=>", u"&&", u"||", u"=",
                                                            u"<",  u">",  u"!"};
                bool found = false;
                for (const char16_t* op : operators) {
                    const QStringView view(op);
                    if (QStringView(s).mid(i).startsWith(view)) {
                        token.text = view.toString();
                        i += view.size();
                        found = true;
                        break;
                    }
                }
                if (!found) {
                    problem_ = QStringLiteral("unexpected \"%1\" at position %2").arg(c).arg(i);
                    return false;
                }
                if (token.text == u"&&") {
                    token.kind = Token::Kind::And;
                } else if (token.text == u"||") {
                    token.kind = Token::Kind::Or;
                } else if (token.text == u"!") {
                    token.kind = Token::Kind::Not;
                } else {
                    token.kind = Token::Kind::Operator;
                }
            }
            tokens_.push_back(token);
        }
        Token end;
        end.position = s.size();
        end.text = QStringLiteral("end");
        tokens_.push_back(end);
        return true;
    }

    Node parseOr() {
        Node first = parseAnd();
        if (current().kind != Token::Kind::Or) {
            return first;
        }
        Node node;
        node.kind = Node::Kind::Or;
        node.children.push_back(std::move(first));
        while (problem_.isEmpty() && current().kind == Token::Kind::Or) {
            advance();
            node.children.push_back(parseAnd());
        }
        return node;
    }

    Node parseAnd() {
        Node first = parseUnary();
        if (current().kind != Token::Kind::And) {
            return first;
        }
        Node node;
        node.kind = Node::Kind::And;
        node.children.push_back(std::move(first));
        while (problem_.isEmpty() && current().kind == Token::Kind::And) {
            advance();
            node.children.push_back(parseUnary());
        }
        return node;
    }

    Node parseUnary() {
        if (!problem_.isEmpty()) {
            return {};
        }
        if (current().kind == Token::Kind::Not) {
            advance();
            Node node;
            node.kind = Node::Kind::Not;
            node.children.push_back(parseUnary());
            return node;
        }
        if (current().kind == Token::Kind::LeftParen) {
            advance();
            Node inner = parseOr();
            if (current().kind != Token::Kind::RightParen) {
                fail(QStringLiteral("a missing \")\""));
                return {};
            }
            advance();
            return inner;
        }
        return parseComparison();
    }

    Node parseComparison() {
        Node node;
        const Token key = current();
        if (key.kind != Token::Kind::Identifier) {
            fail(QStringLiteral("expected an attribute, found \"%1\"").arg(key.text));
            return node;
        }
        const AttributeDescription* attribute = entity_.attribute(key.text);
        const RelationshipDescription* relationship = entity_.relationship(key.text);
        if (attribute && attribute->transient) {
            fail(QStringLiteral("%1 is transient and cannot be fetched by").arg(key.text));
            return node;
        }
        if (relationship && relationship->toMany) {
            fail(QStringLiteral("%1 is a to-many relationship").arg(key.text));
            return node;
        }
        if (!attribute && !relationship) {
            fail(QStringLiteral("%1 is not an attribute of %2").arg(key.text, entity_.name()));
            return node;
        }
        advance();
        const Token op = current();
        if (op.kind != Token::Kind::Operator) {
            fail(QStringLiteral("expected a comparison after %1").arg(key.text));
            return node;
        }
        if (op.text == u"=" || op.text == u"==") {
            node.op = Op::Eq;
        } else if (op.text == u"!=" || op.text == u"<>") {
            node.op = Op::Ne;
        } else if (op.text == u"<") {
            node.op = Op::Lt;
        } else if (op.text == u"<=" || op.text == u"=<") {
            node.op = Op::Le;
        } else if (op.text == u">") {
            node.op = Op::Gt;
        } else {
            node.op = Op::Ge;
        }
        advance();
        CompiledPredicate::Slot slot;
        slot.attribute = attribute;
        slot.relationship = relationship;
        const Token value = current();
        switch (value.kind) {
            case Token::Kind::Variable:
                slot.variable = value.text;
                break;
            case Token::Kind::Null:
                break;
            case Token::Kind::Integer:
                slot.literal = StoreValue::integer(value.integer);
                break;
            case Token::Kind::Real:
                slot.literal = StoreValue::real(value.real);
                break;
            case Token::Kind::Text:
                slot.literal = StoreValue::text(value.text);
                break;
            case Token::Kind::True:
            case Token::Kind::False:
                slot.literal = StoreValue::boolean(value.kind == Token::Kind::True);
                break;
            default:
                fail(QStringLiteral("expected a value after %1 %2").arg(key.text, op.text));
                return node;
        }
        if (relationship) {
            if (node.op != Op::Eq && node.op != Op::Ne) {
                fail(QStringLiteral("the relationship %1 can only be compared with = or !=")
                         .arg(key.text));
                return node;
            }
            if (!slot.literal.isNull()) {
                fail(QStringLiteral("the relationship %1 can only be compared with nil or an "
                                    "object variable")
                         .arg(key.text));
                return node;
            }
            node.relationshipSlot = relationship->slot;
        } else {
            if (!isComparable(slot.literal.kind(), attribute->type)) {
                fail(QStringLiteral("%1 cannot be compared with %2")
                         .arg(key.text, value.kind == Token::Kind::Text
                                            ? QLatin1Char('\'') + value.text + QLatin1Char('\'')
                                            : value.text));
                return node;
            }
            node.attribute = attribute->index;
        }
        advance();
        node.kind = Node::Kind::Compare;
        node.slot = static_cast<int>(out_.slots_.size());
        out_.slots_.push_back(std::move(slot));
        return node;
    }

    const QString& format_;
    const EntityDescription& entity_;
    CompiledPredicate& out_;
    std::vector<Token> tokens_;
    std::size_t index_ = 0;
    QString problem_;
};

StoreResult<std::shared_ptr<const CompiledPredicate>> CompiledPredicate::compile(
    const QString& format, const EntityDescription& entity) {
    auto predicate = std::make_shared<CompiledPredicate>();
    predicate->format_ = format;
    predicate->entity_ = &entity;
    const QString problem = PredicateParser(format, entity, *predicate).parse();
    if (!problem.isEmpty()) {
        auto error = StoreError::make(
            StoreError::Code::InvalidPredicate,
            QStringLiteral("predicate \"%1\" on %2: %3").arg(format, entity.name(), problem));
        error->setEntityName(entity.name());
        return error;
    }
    if (!predicate->empty_) {
        predicate->sql_ = predicate->sqlFor(predicate->root_);
        predicate->collectEqualities(predicate->root_);
        std::sort(predicate->equalityKey_.begin(), predicate->equalityKey_.end());
    }
    return std::shared_ptr<const CompiledPredicate>(predicate);
}

std::shared_ptr<const CompiledPredicate> CompiledPredicate::toOneEquals(
    const RelationshipDescription& toOne) {
    auto predicate = std::make_shared<CompiledPredicate>();
    predicate->format_ = toOne.name + QStringLiteral(" = $object");
    predicate->entity_ = toOne.entity;
    predicate->empty_ = false;
    predicate->root_.kind = Node::Kind::Compare;
    predicate->root_.op = Op::Eq;
    predicate->root_.relationshipSlot = toOne.slot;
    predicate->root_.slot = 0;
    Slot slot;
    slot.variable = QStringLiteral("object");
    slot.relationship = &toOne;
    predicate->slots_.push_back(slot);
    predicate->sql_ = predicate->sqlFor(predicate->root_);
    return predicate;
}

void CompiledPredicate::collectEqualities(const Node& node) {
    if (node.kind == Node::Kind::And) {
        for (const Node& child : node.children) {
            collectEqualities(child);
        }
    } else if (node.kind == Node::Kind::Compare && node.op == Op::Eq && node.attribute >= 0) {
        equalityKey_.emplace_back(node.attribute, node.slot);
    }
}

QString CompiledPredicate::sqlFor(const Node& node) const {
    switch (node.kind) {
        case Node::Kind::And:
        case Node::Kind::Or: {
            QStringList parts;
            for (const Node& child : node.children) {
                parts << sqlFor(child);
            }
            return QLatin1Char('(') +
                   parts.join(node.kind == Node::Kind::And ? QStringLiteral(" AND ")
                                                           : QStringLiteral(" OR ")) +
                   QLatin1Char(')');
        }
        case Node::Kind::Not:
            return QStringLiteral("(NOT %1)").arg(sqlFor(node.children.front()));
        case Node::Kind::Compare:
            break;
    }
    const Slot& slot = slots_[static_cast<std::size_t>(node.slot)];
    const QString column =
        quoted(slot.relationship ? slot.relationship->name : slot.attribute->name);
    // IS and IS NOT never answer NULL, so a missing value is simply unequal, also under NOT, and
    // SQLite still uses indexes for them.
    const char* op = "IS";
    switch (node.op) {
        case Op::Eq:
            op = "IS";
            break;
        case Op::Ne:
            op = "IS NOT";
            break;
        case Op::Lt:
            op = "<";
            break;
        case Op::Le:
            op = "<=";
            break;
        case Op::Gt:
            op = ">";
            break;
        case Op::Ge:
            op = ">=";
            break;
    }
    return QStringLiteral("(%1 %2 ?%3)").arg(column, QLatin1String(op)).arg(node.slot + 1);
}

std::shared_ptr<StoreError> CompiledPredicate::bindVariables(
    const QVariantMap& variables, std::vector<BoundParam>& params) const {
    params.assign(slots_.size(), BoundParam{});
    for (std::size_t i = 0; i < slots_.size(); ++i) {
        const Slot& slot = slots_[i];
        if (slot.variable.isEmpty()) {
            params[i].value = slot.literal;
            continue;
        }
        const auto it = variables.constFind(slot.variable);
        if (it == variables.cend()) {
            return StoreError::make(StoreError::Code::InvalidFetch,
                                    QStringLiteral("predicate \"%1\" on %2: no value for $%3")
                                        .arg(format_, entity_->name(), slot.variable));
        }
        if (slot.relationship) {
            if (!it->isValid() || it->isNull()) {
                continue;
            }
            if (!it->canConvert<std::shared_ptr<ManagedObject>>()) {
                return StoreError::make(
                    StoreError::Code::InvalidFetch,
                    QStringLiteral("predicate \"%1\" on %2: $%3 is not an object")
                        .arg(format_, entity_->name(), slot.variable));
            }
            const auto object = it->value<std::shared_ptr<ManagedObject>>();
            if (object && &object->entity() != slot.relationship->destination) {
                return StoreError::make(StoreError::Code::InvalidFetch,
                                        QStringLiteral("predicate \"%1\" on %2: $%3 is not a %4")
                                            .arg(format_, entity_->name(), slot.variable,
                                                 slot.relationship->destination->name()));
            }
            // The caller's QVariant keeps the object alive for the fetch.
            params[i].object = object.get();
            continue;
        }
        bool ok = false;
        StoreValue value = rawStoreValueFromVariant(*it, &ok);
        if (!ok || !isComparable(value.kind(), slot.attribute->type)) {
            return StoreError::make(
                StoreError::Code::InvalidFetch,
                QStringLiteral("predicate \"%1\" on %2: $%3 (%4) cannot be compared with %5")
                    .arg(format_, entity_->name(), slot.variable, it->toString(),
                         slot.attribute->name));
        }
        params[i].value = std::move(value);
    }
    return nullptr;
}

void CompiledPredicate::bind(sqlite3_stmt* stmt, const std::vector<BoundParam>& params) const {
    for (std::size_t i = 0; i < slots_.size(); ++i) {
        const int index = static_cast<int>(i) + 1;
        if (slots_[i].relationship) {
            const ManagedObject* object = params[i].object;
            if (!object) {
                sqlite3_bind_null(stmt, index);
            } else {
                // An unsaved object has no row yet, so no saved row can point to it: 0 matches
                // none.
                sqlite3_bind_int64(stmt, index, object->objectID().rowid);
            }
        } else {
            bindValue(stmt, index, params[i].value);
        }
    }
}

bool CompiledPredicate::matches(const ManagedObject& object, const std::vector<BoundParam>& params,
                                bool committed) const {
    if (empty_) {
        return true;
    }
    return evaluate(root_, object, params, committed) == Truth::True;
}

CompiledPredicate::Truth CompiledPredicate::evaluate(const Node& node, const ManagedObject& object,
                                                     const std::vector<BoundParam>& params,
                                                     bool committed) const {
    switch (node.kind) {
        case Node::Kind::And: {
            Truth result = Truth::True;
            for (const Node& child : node.children) {
                const Truth t = evaluate(child, object, params, committed);
                if (t == Truth::False) {
                    return Truth::False;
                }
                if (t == Truth::Unknown) {
                    result = Truth::Unknown;
                }
            }
            return result;
        }
        case Node::Kind::Or: {
            Truth result = Truth::False;
            for (const Node& child : node.children) {
                const Truth t = evaluate(child, object, params, committed);
                if (t == Truth::True) {
                    return Truth::True;
                }
                if (t == Truth::Unknown) {
                    result = Truth::Unknown;
                }
            }
            return result;
        }
        case Node::Kind::Not: {
            const Truth t = evaluate(node.children.front(), object, params, committed);
            return t == Truth::Unknown ? t : (t == Truth::True ? Truth::False : Truth::True);
        }
        case Node::Kind::Compare:
            break;
    }
    const BoundParam& param = params[static_cast<std::size_t>(node.slot)];
    if (node.relationshipSlot >= 0) {
        const auto slot = static_cast<std::size_t>(node.relationshipSlot);
        bool equal = false;
        if (committed) {
            const std::int64_t rowid = object.committedToOneRowid(node.relationshipSlot);
            equal = param.object ? (param.object->rowid_ != 0 && rowid == param.object->rowid_)
                                 : rowid == 0;
        } else {
            const ManagedObject::ToOne& link = object.toOne_[slot];
            const auto linked = link.object.lock();
            if (!param.object) {
                equal = link.rowid == 0 && !linked;
            } else {
                equal = linked.get() == param.object ||
                        (param.object->rowid_ != 0 && link.rowid == param.object->rowid_);
            }
        }
        return (equal == (node.op == Op::Eq)) ? Truth::True : Truth::False;
    }
    const StoreValue& left =
        committed ? object.committedStoreValue(node.attribute) : object.storeValue(node.attribute);
    const StoreValue& right = param.value;
    if (node.op == Op::Eq || node.op == Op::Ne) {
        bool equal = false;
        if (left.isNull() || right.isNull()) {
            equal = left.isNull() && right.isNull();
        } else {
            equal = StoreValue::compare(left, right) == 0;
        }
        return (equal == (node.op == Op::Eq)) ? Truth::True : Truth::False;
    }
    if (left.isNull() || right.isNull()) {
        return Truth::Unknown;
    }
    const int c = StoreValue::compare(left, right);
    bool result = false;
    switch (node.op) {
        case Op::Lt:
            result = c < 0;
            break;
        case Op::Le:
            result = c <= 0;
            break;
        case Op::Gt:
            result = c > 0;
            break;
        case Op::Ge:
            result = c >= 0;
            break;
        default:
            break;
    }
    return result ? Truth::True : Truth::False;
}

}  // namespace platform::detail
