#include "platform/ui/text/StyledText.h"

#include <algorithm>

namespace platform {

void StyledText::append(const QString& text, const TextLook& look) {
    if (text.isEmpty()) {
        return;
    }
    runs_.push_back({length(), static_cast<int>(text.size()), look});
    string_ += text;
}

void StyledText::appendPlaceholder(const TextLook& look, PlaceholderCallback callback) {
    TextLook placeholderLook = look;
    placeholderLook.placeholder = std::move(callback);
    append(QString(QChar::ObjectReplacementCharacter), placeholderLook);
}

const TextLookRun* StyledText::runAt(int index) const {
    if (runs_.empty()) {
        return nullptr;
    }
    const auto it =
        std::upper_bound(runs_.begin(), runs_.end(), index,
                         [](int i, const TextLookRun& run) { return i < run.location; });
    return it == runs_.begin() ? &runs_.front() : &*std::prev(it);
}

}  // namespace platform
