#pragma once

#include <QtCore/QString>

// An editor that takes text put in from outside its keyboard (an emoticon, a mention): at the
// caret, replacing the selection, closing whatever pop-up offered the text.
class ZVTextInjecting {
public:
    virtual ~ZVTextInjecting() = default;
    virtual void injectText(const QString& text) = 0;
};
