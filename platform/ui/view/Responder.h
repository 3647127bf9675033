#pragma once

#include "platform/ui/view/Touch.h"

#include <Qt>
#include <QtCore/QString>
#include <QtCore/QVariant>

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
    // Overridable: a composite view hands first-responder status to one of its parts.
    virtual bool becomeFirstResponder();
    virtual bool resignFirstResponder();
    virtual bool isFirstResponder() const;

    // By default each passes the touches on to the next responder.
    virtual void touchesBegan(const TouchSet& touches, const TouchEvent& event);
    virtual void touchesMoved(const TouchSet& touches, const TouchEvent& event);
    virtual void touchesEnded(const TouchSet& touches, const TouchEvent& event);
    virtual void touchesCancelled(const TouchSet& touches, const TouchEvent& event);

    // True when handled; by default the next responder is asked.
    virtual bool keyPressed(const KeyPress& key);
    virtual bool textInput(const TextInput& input);
    // What the host's input method asks of the first responder (its text around the cursor, the
    // cursor's rectangle in window points, the keys it wants); invalid for what it does not know.
    virtual QVariant inputMethodQuery(Qt::InputMethodQuery /*query*/) const { return {}; }

    // Edit actions, named as the platform's selectors ("copy:", "paste:", "quote:"), that the
    // edit menu sends. Whether this responder itself performs `action` now; none by default.
    virtual bool canPerformAction(const QString& action) const;
    // Performs `action`; false when this responder does not handle it.
    virtual bool performAction(const QString& action);
    // The first responder from this one along the chain that can perform `action`, or null.
    Responder* targetForAction(const QString& action);

protected:
    // Told after the window made this the first responder or took that away.
    virtual void didBecomeFirstResponder() {}
    virtual void didResignFirstResponder() {}

private:
    friend class Window;
};

}  // namespace platform
