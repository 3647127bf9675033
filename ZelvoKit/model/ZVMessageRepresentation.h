#pragma once

#include "platform/foundation/ChangeStamp.h"

#include <QtCore/QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class File;
class Message;

// The display model of one message. The rich-text layer installs its own subclass at start-up
// (Message::setRepresentationClass); this base, used when none is installed, knows the message's
// readable text only. It holds its message weakly: the message owns it.
class ZVMessageRepresentation {
public:
    using Factory =
        std::function<std::shared_ptr<ZVMessageRepresentation>(const std::shared_ptr<Message>&)>;

    explicit ZVMessageRepresentation(const std::shared_ptr<Message>& message);
    virtual ~ZVMessageRepresentation();
    ZVMessageRepresentation(const ZVMessageRepresentation&) = delete;
    ZVMessageRepresentation& operator=(const ZVMessageRepresentation&) = delete;

    // Null once the message is gone.
    std::shared_ptr<Message> message() const { return message_.lock(); }

    // Rebuilds from the message's current fields: what was derived from the old ones is dropped.
    virtual void refresh();
    // The message as readable text; the base gives the body as the user would type it.
    virtual QString localizedText();
    // Whether a word of the message begins with `text`, ignoring case. A subclass also marks
    // those words in what it shows.
    virtual bool highlightMatch(const QString& text);

    using Files = std::vector<std::shared_ptr<File>>;
    // The message's attachments, pending uploads included, in the body's order; nothing when it
    // has none. Until files are absorbed, the stored files the body names.
    virtual std::optional<Files> files();
    // The stored link previews of the message.
    virtual Files urlPreviews();
    // Appends files that now belong to the message.
    virtual void absorbFiles(const Files& files);

    // The poster's contact changed its name. The base shows no poster name, so it has nothing
    // to recompute; a subclass that shows one rebuilds it.
    virtual void updatePosterName();
    // Whether a separator or the task archive header shows the tasks under it; the task screen
    // sets it and the task board reads it. Collapsed until set. The full display model keeps its
    // own state, by which it also measures the message.
    virtual bool expanded() const { return expanded_; }
    virtual void setExpanded(bool expanded) {
        expanded_ = expanded;
        touchRevision();
    }

    // Fresh whenever what the model shows or measures may have changed, never repeated in the
    // process: with the model's address it names one state, which the row heights are cached by.
    std::uint64_t revision() const { return revision_; }

protected:
    void touchRevision() { revision_ = platform::nextChangeStamp(); }

private:
    std::weak_ptr<Message> message_;
    std::optional<Files> files_;
    std::optional<QString> localizedText_;
    bool expanded_ = false;
    std::uint64_t revision_ = platform::nextChangeStamp();
};
