#pragma once

#include "platform/foundation/TextAttributes.h"

#include <QtCore/QString>

#include <functional>

// The fonts and colours that attributed text made below the UI layer carries (name lists,
// highlighted matches). The UI layer installs its text styles and colour table at start-up; until
// then the platform's default font stands, and every colour name is unknown.
class ZVTextAppearance {
public:
    using ColorLookup = std::function<platform::Color(const QString& name)>;
    using StyleLookup = std::function<platform::TextAttributes(int style)>;

    ZVTextAppearance() = delete;

    static platform::FontDescription mainFont();
    static platform::FontDescription mainBoldFont();
    static void setMainFonts(const platform::FontDescription& main,
                             const platform::FontDescription& bold);

    // The colour of the table called `name`; opaque magenta for a name the table lacks, so that a
    // missing colour shows instead of hiding text.
    static platform::Color colorWithName(const QString& name);
    static void setColorLookup(ColorLookup lookup);

    // The attributes of one of the UI layer's numbered text styles; none until it is installed.
    static platform::TextAttributes attributesForStyle(int style);
    static void setStyleLookup(StyleLookup lookup);
};
