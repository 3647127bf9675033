#pragma once

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

namespace platform {

namespace detail {
// What a token needs of the list it came from, whatever the list's entries are.
class ObserverRegistry {
public:
    virtual ~ObserverRegistry() = default;
    virtual void remove(std::uint64_t id) = 0;
    virtual bool contains(std::uint64_t id) const = 0;
};
}  // namespace detail

// One registered observer. Destroying or reset()ting the token unregisters it; an observer removed
// while a delivery is under way is not called again by that delivery. The token holds the list
// weakly, so it may outlive the observed object (it then does nothing). Move-only; a
// default-constructed token observes nothing.
class [[nodiscard]] Observation {
public:
    Observation() = default;
    Observation(Observation&& other) noexcept;
    Observation& operator=(Observation&& other) noexcept;
    Observation(const Observation&) = delete;
    Observation& operator=(const Observation&) = delete;
    ~Observation();

    void reset();
    // True while the observer is registered and the observed object exists.
    bool isActive() const;

private:
    template <class Entry>
    friend class ObserverList;
    Observation(std::weak_ptr<detail::ObserverRegistry> registry, std::uint64_t id)
        : registry_(std::move(registry)), id_(id) {}

    std::weak_ptr<detail::ObserverRegistry> registry_;
    std::uint64_t id_ = 0;
};

// The observers of one object, each an `Entry` (typically a filter and a callback).
//
// deliver() works on a snapshot taken when it starts: an observer added during delivery waits for
// the next one; an observer removed during delivery (by itself or another) is not called after
// its removal; and the list's owner may be destroyed by an observer, which ends the delivery.
// Copying the owner does not copy its observers. Main thread only.
template <class Entry>
class ObserverList {
    struct State;

public:
    ObserverList() = default;
    ObserverList(const ObserverList&) : ObserverList() {}
    ObserverList& operator=(const ObserverList&) { return *this; }
    ~ObserverList() {
        state_->closed = true;
        clear();
    }

    Observation add(Entry entry) {
        const std::uint64_t id = state_->nextId++;
        state_->nodes.push_back(std::make_shared<Node>(Node{id, std::move(entry), false}));
        return Observation(state_, id);
    }

    // Unregisters every observer; their tokens become inactive.
    void clear() {
        // Taken out first: destroying an entry may reset another token of this list.
        const auto nodes = std::exchange(state_->nodes, {});
        for (const auto& node : nodes) {
            node->removed = true;
        }
    }

    bool isEmpty() const { return state_->nodes.empty(); }

    // Taken before calling out, tells afterwards whether the list's owner still exists.
    class Lifetime {
    public:
        bool ownerAlive() const { return !state_->closed; }

    private:
        friend class ObserverList;
        explicit Lifetime(std::shared_ptr<State> state) : state_(std::move(state)) {}
        std::shared_ptr<State> state_;
    };
    Lifetime lifetime() const { return Lifetime(state_); }

    // Calls `call(entry)` for every entry for which `matches(entry)` holds at the start.
    template <class Matches, class Call>
    void deliver(const Matches& matches, const Call& call) const {
        // Held locally: `this` may be destroyed by an observer before the loop ends (its
        // destruction marks every node removed).
        const std::shared_ptr<State> state = state_;
        std::vector<std::shared_ptr<Node>> snapshot;
        for (const auto& node : state->nodes) {
            if (matches(node->entry)) {
                snapshot.push_back(node);
            }
        }
        for (const auto& node : snapshot) {
            if (!node->removed) {
                call(node->entry);
            }
        }
    }

private:
    struct Node {
        std::uint64_t id;
        Entry entry;
        bool removed;
    };

    struct State final : detail::ObserverRegistry {
        std::vector<std::shared_ptr<Node>> nodes;
        std::uint64_t nextId = 1;
        bool closed = false;

        void remove(std::uint64_t id) override {
            for (auto it = nodes.begin(); it != nodes.end(); ++it) {
                if ((*it)->id == id) {
                    // Kept until after the erase: its entry's destructor may come back here.
                    const std::shared_ptr<Node> node = *it;
                    node->removed = true;
                    nodes.erase(it);
                    return;
                }
            }
        }
        bool contains(std::uint64_t id) const override {
            for (const auto& node : nodes) {
                if (node->id == id) {
                    return true;
                }
            }
            return false;
        }
    };

    std::shared_ptr<State> state_ = std::make_shared<State>();
};

}  // namespace platform
