#include "files/views/FileUrlPreview.h"

#include "ZelvoKit/model/File.h"
#include "toolkit/richtext/ZVRichTextLayout.h"
#include "toolkit/style/ZVTextStyles.h"

#include <algorithm>

namespace {

platform::AttributedString styled(const QString& text, int style) {
    if (text.isEmpty()) {
        return {};
    }
    return platform::AttributedString(text, ZVTextStyles::attributesForStyle(style));
}

qreal cappedHeight(const platform::AttributedString& text, qreal width, int style) {
    if (text.isEmpty()) {
        return 0;
    }
    return std::min(ZVRichTextLayout::heightForText(text, width),
                    FileUrlPreview::kMaximumLines * ZVTextStyles::lineHeightForStyle(style));
}

}  // namespace

platform::AttributedString FileUrlPreview::urlText(const File& file) {
    return styled(file.urlTitle(), kTitleStyle);
}

platform::AttributedString FileUrlPreview::descriptionText(const File& file) {
    return styled(file.urlDescription(), kDescriptionStyle);
}

bool FileUrlPreview::showSideBySide(const File& file) {
    const QSizeF picture = file.previewSize();
    return picture.height() > 0 && picture.width() < kSideBySideWidthLimit &&
           !file.urlTitle().isEmpty();
}

qreal FileUrlPreview::textHeightForWidth(const File& file, qreal width) {
    if (showSideBySide(file)) {
        width -= file.previewSize().width() + kPictureGap;
    }
    return cappedHeight(urlText(file), width, kTitleStyle);
}

qreal FileUrlPreview::descriptionHeightForWidth(const File& file, qreal width) {
    return cappedHeight(descriptionText(file), width, kDescriptionStyle);
}
