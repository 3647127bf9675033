#pragma once

class Message;

// What the message views read of the table model that lists them (a conversation or a board):
// whether files show as previews, whether rows are a board's list, and whether a message's
// subject is shown above it. The conversation table model answers it.
class ZVMessageViewCells {
public:
    virtual ~ZVMessageViewCells() = default;
    virtual bool showFilePreviews() const = 0;
    // The pins and tasks boards.
    virtual bool listStyle() const = 0;
    virtual bool showSubjectForMessage(const Message& message) const = 0;
};
