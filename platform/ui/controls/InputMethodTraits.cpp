#include "platform/ui/controls/InputMethodTraits.h"

namespace platform {

Qt::InputMethodHints inputMethodHints(KeyboardType type, bool secure) {
    Qt::InputMethodHints hints = Qt::ImhNone;
    switch (type) {
        case KeyboardType::AsciiCapable:
            hints = Qt::ImhLatinOnly;
            break;
        case KeyboardType::NumbersAndPunctuation:
            hints = Qt::ImhPreferNumbers;
            break;
        case KeyboardType::Url:
            hints = Qt::ImhUrlCharactersOnly;
            break;
        case KeyboardType::NumberPad:
            hints = Qt::ImhDigitsOnly;
            break;
        case KeyboardType::PhonePad:
            hints = Qt::ImhDialableCharactersOnly;
            break;
        case KeyboardType::NamePhonePad:
            hints = Qt::ImhPreferNumbers;
            break;
        case KeyboardType::EmailAddress:
            hints = Qt::ImhEmailCharactersOnly;
            break;
        case KeyboardType::DecimalPad:
            hints = Qt::ImhFormattedNumbersOnly;
            break;
        case KeyboardType::Default:
        case KeyboardType::WebSearch:
            break;
    }
    if (secure) {
        hints |= Qt::ImhHiddenText | Qt::ImhSensitiveData | Qt::ImhNoPredictiveText |
                 Qt::ImhNoAutoUppercase;
    }
    return hints;
}

Qt::EnterKeyType enterKeyType(ReturnKeyType type) {
    switch (type) {
        case ReturnKeyType::Go:
        case ReturnKeyType::Join:
        case ReturnKeyType::Route:
            return Qt::EnterKeyGo;
        case ReturnKeyType::Next:
        case ReturnKeyType::Continue:
            return Qt::EnterKeyNext;
        case ReturnKeyType::Search:
            return Qt::EnterKeySearch;
        case ReturnKeyType::Send:
            return Qt::EnterKeySend;
        case ReturnKeyType::Done:
            return Qt::EnterKeyDone;
        case ReturnKeyType::Default:
            break;
    }
    return Qt::EnterKeyDefault;
}

}  // namespace platform
