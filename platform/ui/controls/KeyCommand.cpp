#include "platform/ui/controls/KeyCommand.h"

namespace platform {

namespace {

// Modifiers that tell commands apart; the keypad flag only says where a key sits.
constexpr Qt::KeyboardModifiers kCommandModifiers =
    Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;

}  // namespace

QString KeyCommand::inputOf(const KeyPress& key) {
    switch (key.key) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return QStringLiteral("\r");
        case Qt::Key_Up:
            return UpArrow;
        case Qt::Key_Down:
            return DownArrow;
        case Qt::Key_Left:
            return LeftArrow;
        case Qt::Key_Right:
            return RightArrow;
        case Qt::Key_Escape:
            return Escape;
        default:
            break;
    }
    // With Control held the text is a control character; the key names the letter.
    if (key.key >= Qt::Key_Space && key.key <= Qt::Key_AsciiTilde) {
        return QString(QChar(key.key)).toLower();
    }
    return key.text.toLower();
}

bool KeyCommand::matches(const KeyPress& key) const {
    return (key.modifiers & kCommandModifiers) == (modifiers & kCommandModifiers) &&
           inputOf(key) == input;
}

}  // namespace platform
