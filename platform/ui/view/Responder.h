#pragma once

#include "platform/ui/view/Touch.h"

#include <Qt>
#include <QtCore/QString>

namespace platform {

class Window;

// A key as the first responder receives it.
struct KeyPress {
    int key = 0;
    Qt::KeyboardModifiers modifiers;
    QString text;
};

// Text from an input method: the composition shown so far (preedit) and text it commits, which
// replaces `replacementLength` characters at `replacementStart` relative to the cursor.
struct TextInput {
    QString preedit;
    QString commit;
    int replacementStart = 0;
    int replacementLength = 0;
};

// Something that handles touches, keys and text, passing on along the responder chain what it
// does not handle itself.
class Responder {
public:
    virtual ~Responder() = default;

    virtual Responder* nextResponder() const { return nullptr; }
    // The window whose first responder this can become.
    virtual Window* responderWindow() const { return nullptr; }

    virtual bool canBecomeFirstResponder() const { return false; }
    virtual bool canResignFirstResponder() const { return true; }
    bool becomeFirstResponder();
    bool resignFirstResponder();
    bool isFirstResponder() const;

    // By default each passes the touches on to the next responder.
    virtual void touchesBegan(const TouchSet& touches, const TouchEvent& event);
    virtual void touchesMoved(const TouchSet& touches, const TouchEvent& event);
    virtual void touchesEnded(const TouchSet& touches, const TouchEvent& event);
    virtual void touchesCancelled(const TouchSet& touches, const TouchEvent& event);

    // True when handled; by default the next responder is asked.
    virtual bool keyPressed(const KeyPress& key);
    virtual bool textInput(const TextInput& input);

    // Edit actions by name ("copy", "paste", or a screen's own): whether this responder can
    // perform one now, and performing it (false when it did not). None by default.
    virtual bool canPerformAction(const QString& action, const void* sender) const;
    virtual bool performAction(const QString& action, const void* sender);

protected:
    // Told after the window made this the first responder or took that away.
    virtual void didBecomeFirstResponder() {}
    virtual void didResignFirstResponder() {}

private:
    friend class Window;
};

}  // namespace platform
