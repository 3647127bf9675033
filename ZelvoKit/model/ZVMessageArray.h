#pragma once

#include "ZelvoKit/model/Message.h"

#include <QtCore/QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

// Messages kept sorted in one of four orders, with search by number where the order allows it and
// the relations between neighbours that the conversation screens draw headers, day separators and
// gap markers from. It announces nothing: its owners do.
class ZVMessageArray {
public:
    using MessagePtr = std::shared_ptr<Message>;
    using Messages = std::vector<MessagePtr>;
    using Comparator = std::function<bool(const Message& a, const Message& b)>;

    enum Order : int {
        AscendingNumber = 1,
        DescendingNumber = 2,
        // Not archived before archived; within each, heavier pins first.
        Pinboard = 3,
        // Higher search weight first; equal weights newest first.
        SearchRank = 4,
    };
    enum Relation : int {
        RelationNone = 0,
        RelationGrouped = 1,
        RelationNewDay = 2,
        RelationGap = 3,
    };
    static constexpr qsizetype kNotFound = -1;
    // Messages of one poster further apart than this start a new group.
    static constexpr double kGroupingInterval = 900.0;

    explicit ZVMessageArray(int order = AscendingNumber);
    // A copy of the messages, sorted by the order.
    ZVMessageArray(Messages messages, int order);

    // Takes the order's sort rule; a number outside 1 to 4 keeps the rule it had. Does not sort.
    void setOrder(int order);
    int order() const { return order_; }

    qsizetype count() const { return static_cast<qsizetype>(messages_.size()); }
    bool isEmpty() const { return messages_.empty(); }
    const Messages& messages() const { return messages_; }
    MessagePtr lastMessage() const { return messages_.empty() ? nullptr : messages_.back(); }
    const MessagePtr& operator[](qsizetype index) const {
        return messages_[static_cast<std::size_t>(index)];
    }
    Messages::const_iterator begin() const { return messages_.begin(); }
    Messages::const_iterator end() const { return messages_.end(); }

    // Binary search in the number orders, a scan from the start in the others.
    qsizetype indexOfMessageNr(std::int64_t messageNr) const;
    MessagePtr messageByNr(std::int64_t messageNr) const;
    // Where the message would go: before the first element the order deems equal.
    qsizetype insertionIndexForMessage(const Message& message) const;

    // False, and nothing changes, when the element at the insertion index has the same number.
    bool addMessage(MessagePtr message);
    // In one step when the other array, in the same order, fits whole at one place; one by one
    // otherwise.
    void addMessages(const ZVMessageArray& other);
    void removeMessageAtIndex(qsizetype index);
    void removeMessageNr(std::int64_t messageNr);
    void clear() { messages_.clear(); }

    // The messages whose display model finds a word beginning with the text, by number.
    ZVMessageArray messagesMatchingText(const QString& text) const;

    // Messages are missing between the two (never around local, add, leave or kick messages).
    static bool isMessageGappedWith(const Message& a, const Message& b);
    // The two share one header: same poster, subject and kind, close in time.
    static bool isMessageGroupedWith(const Message& a, const Message& b);
    Relation backwardRelationshipOfMessageAtIndex(qsizetype index) const;
    Relation forwardRelationshipOfMessageAtIndex(qsizetype index) const;
    // Both relations of every message, each neighbouring pair compared once: what a list asks of
    // all its rows when it is laid out.
    struct Relations {
        Relation backward = RelationNone;
        Relation forward = RelationNone;
    };
    std::vector<Relations> relationships() const;

    // "[1 2 < (5) 6] (4)": the numbers, a "< (n)" marker before a message whose predecessor is n
    // and not the element before it, then the count.
    QString description() const;

private:
    bool isNumberOrder() const;
    // What the later of two neighbours has backward and the earlier forward.
    static Relations relationsAcross(const Message& earlier, const Message& later);

    Comparator comparator_;
    Messages messages_;
    int order_ = AscendingNumber;
};
