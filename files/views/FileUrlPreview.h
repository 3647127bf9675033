#pragma once

#include "platform/foundation/AttributedString.h"

#include <QtCore/QtGlobal>

class File;

// The texts and measures of a link preview's card: its title and description as rich text, and
// whether the title sits beside a narrow picture. The file views and the message views read them.
class FileUrlPreview {
public:
    // Pictures narrower than this leave room for the title beside them.
    static constexpr qreal kSideBySideWidthLimit = 120;
    // Between the picture and the title beside it.
    static constexpr qreal kPictureGap = 5;
    static constexpr int kMaximumLines = 2;
    static constexpr int kTitleStyle = 8;
    static constexpr int kDescriptionStyle = 9;

    FileUrlPreview() = delete;

    // Empty (no text) without a title.
    static platform::AttributedString urlText(const File& file);
    // Empty (no text) without a description.
    static platform::AttributedString descriptionText(const File& file);
    static bool showSideBySide(const File& file);
    // The title's height at `width` (less the picture beside it), at most two lines; 0 without one.
    static qreal textHeightForWidth(const File& file, qreal width);
    // At most two lines; 0 without a description.
    static qreal descriptionHeightForWidth(const File& file, qreal width);
};
