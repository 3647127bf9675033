#pragma once

#include <QtCore/QString>

#include <functional>
#include <memory>
#include <optional>

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

private:
    std::weak_ptr<Message> message_;
    std::optional<QString> localizedText_;
};
