#pragma once

#include <memory>
#include <variant>

class Contact;
class Conversation;
class Message;
class ZVContactMatch;
class ZVConversationMatch;

// What one inbox row shows: a conversation of a label, or a hit of a search (a conversation, a
// contact or a message). The label lists and the search own the items; rows only point at them.
using ZVInboxRowItem = std::variant<std::monostate, std::shared_ptr<Conversation>,
                                    std::shared_ptr<ZVConversationMatch>,
                                    std::shared_ptr<ZVContactMatch>, std::shared_ptr<Message>>;

// A row item of one kind, held weakly: its owner (a label's list, a search) may drop it.
template <class T>
class ZVWeakRowItem {
public:
    std::shared_ptr<T> lock() const { return weak_.lock(); }
    ZVInboxRowItem item() const {
        if (auto strong = weak_.lock()) {
            return ZVInboxRowItem(std::move(strong));
        }
        return {};
    }
    // Keeps the item when it is of this kind; another kind, or none, leaves nothing held.
    void set(const ZVInboxRowItem& item) {
        const auto* held = std::get_if<std::shared_ptr<T>>(&item);
        weak_ = held ? *held : nullptr;
    }

private:
    std::weak_ptr<T> weak_;
};

// The conversation behind the item, when it is one of a conversation or a conversation hit or a
// message hit; none for a contact.
std::shared_ptr<Conversation> conversationOfRowItem(const ZVInboxRowItem& item);
