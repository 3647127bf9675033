#pragma once

#include "platform/foundation/TextAttributes.h"

#include <QtCore/QString>
#include <QtGui/QFont>

#include <functional>
#include <vector>

namespace platform {
class Label;
}

// The application's typography: every text takes its font, colour and paragraph settings from a
// style number, 0 to 33. Sizes follow the user's preferred body size (17 by default): a size
// class's value plus (body size - 17). Built once on first use.
class ZVTextStyles {
public:
    static constexpr int kStyleCount = 34;
    static constexpr int kLineHeightExtra = 8;

    enum Family {
        kUnknownFamily = 0,
        kRegular = 1,
        kBold = 2,
        kItalic = 3,
        kBoldItalic = 4,
        kSemibold = 5,
        kCode = 6,
        kMedium = 7,
        kHeavy = 8,
    };

    ZVTextStyles() = delete;

    static const platform::FontDescription& fontForStyle(int style);
    static const platform::Color& colorForStyle(int style);
    static const platform::TextAttributes& attributesForStyle(int style);
    // The font's size plus 8.
    static double lineHeightForStyle(int style);
    // The drawable font of a style.
    static QFont qfontForStyle(int style);
    // Gives the label the style's font and text colour.
    static void styleLabel(platform::Label& label, int style);

    static const platform::FontDescription& mainFont() { return fontForStyle(0); }
    static const platform::FontDescription& mainBoldFont() { return fontForStyle(1); }

    // The font name of a family, or a null string for a number outside 1 to 8.
    static QString fontNameForStyle(int family);
    // Points at body size 17 of a size class 1 to 10 (0 for another number).
    static double fontSize(int sizeClass);
    static platform::FontDescription fontForTextStyle(int family, int sizeClass);
    // The family whose name the font has, or 0.
    static int identifyFont(const platform::FontDescription& font);
    static platform::FontDescription setBold(const platform::FontDescription& font);
    static platform::FontDescription setItalic(const platform::FontDescription& font);
    // The OpenSans form with the requested or present boldness and slant, at size class 1; a font
    // of no known family comes back unchanged.
    static platform::FontDescription setAttributes(const platform::FontDescription& font, bool bold,
                                                   bool italic);

    template <class T>
    static std::vector<T> initializeCacheWithProc(const std::function<T(int style)>& proc) {
        std::vector<T> cache;
        cache.reserve(kStyleCount);
        for (int style = 0; style < kStyleCount; ++style) {
            cache.push_back(proc(style));
        }
        return cache;
    }
};
