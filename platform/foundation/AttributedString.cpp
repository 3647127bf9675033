#include "platform/foundation/AttributedString.h"

#include <algorithm>

namespace platform {

FontDescription FontDescription::bold() const {
    FontDescription font = *this;
    font.weight = kBoldWeight;
    return font;
}

FontDescription FontDescription::italicized() const {
    FontDescription font = *this;
    font.italic = true;
    return font;
}

AttributedString::AttributedString(const QString& text, const TextAttributes& attributes)
    : text_(text) {
    if (!text_.isEmpty()) {
        runs_.push_back({0, text_.size(), attributes});
    }
}

bool AttributedString::clip(qsizetype& location, qsizetype& length) const {
    const qsizetype end =
        std::clamp<qsizetype>(location + std::max<qsizetype>(length, 0), 0, text_.size());
    location = std::clamp<qsizetype>(location, 0, text_.size());
    length = end - location;
    return length > 0;
}

std::size_t AttributedString::splitAt(qsizetype position) {
    for (std::size_t i = 0; i < runs_.size(); ++i) {
        Run& run = runs_[i];
        if (run.location == position) {
            return i;
        }
        if (position > run.location && position < run.location + run.length) {
            Run tail{position, run.location + run.length - position, run.attributes};
            run.length = position - run.location;
            runs_.insert(runs_.begin() + static_cast<std::ptrdiff_t>(i) + 1, std::move(tail));
            return i + 1;
        }
    }
    return runs_.size();
}

void AttributedString::coalesce() {
    std::vector<Run> merged;
    merged.reserve(runs_.size());
    qsizetype location = 0;
    for (Run& run : runs_) {
        if (run.length <= 0) {
            continue;
        }
        if (!merged.empty() && merged.back().attributes == run.attributes) {
            merged.back().length += run.length;
        } else {
            run.location = location;
            merged.push_back(std::move(run));
        }
        location = merged.back().location + merged.back().length;
    }
    runs_ = std::move(merged);
}

void AttributedString::changeRange(qsizetype location, qsizetype length,
                                   const std::function<void(TextAttributes&)>& change) {
    if (!clip(location, length)) {
        return;
    }
    const std::size_t first = splitAt(location);
    const std::size_t last = splitAt(location + length);
    for (std::size_t i = first; i < last; ++i) {
        change(runs_[i].attributes);
    }
    coalesce();
}

TextAttributes AttributedString::attributesAt(qsizetype index, qsizetype* runLocation,
                                              qsizetype* runLength) const {
    for (const Run& run : runs_) {
        if (index >= run.location && index < run.location + run.length) {
            if (runLocation) {
                *runLocation = run.location;
            }
            if (runLength) {
                *runLength = run.length;
            }
            return run.attributes;
        }
    }
    return {};
}

QVariant AttributedString::attribute(const QString& key, qsizetype index) const {
    return attributesAt(index).value(key);
}

void AttributedString::addAttribute(const QString& key, const QVariant& value, qsizetype location,
                                    qsizetype length) {
    changeRange(location, length, [&](TextAttributes& attributes) {
        if (value.isNull()) {
            attributes.remove(key);
        } else {
            attributes.insert(key, value);
        }
    });
}

void AttributedString::addAttributes(const TextAttributes& added, qsizetype location,
                                     qsizetype length) {
    changeRange(location, length, [&](TextAttributes& attributes) {
        for (auto it = added.cbegin(); it != added.cend(); ++it) {
            if (it.value().isNull()) {
                attributes.remove(it.key());
            } else {
                attributes.insert(it.key(), it.value());
            }
        }
    });
}

void AttributedString::addAttributeIfMissing(const QString& key, const QVariant& value,
                                             qsizetype location, qsizetype length) {
    if (value.isNull()) {
        return;
    }
    changeRange(location, length, [&](TextAttributes& attributes) {
        if (!attributes.contains(key)) {
            attributes.insert(key, value);
        }
    });
}

void AttributedString::setAttributes(const TextAttributes& replacement, qsizetype location,
                                     qsizetype length) {
    changeRange(location, length, [&](TextAttributes& attributes) { attributes = replacement; });
}

void AttributedString::removeAttribute(const QString& key, qsizetype location, qsizetype length) {
    changeRange(location, length, [&](TextAttributes& attributes) { attributes.remove(key); });
}

void AttributedString::replaceCharacters(qsizetype location, qsizetype length,
                                         const QString& text) {
    clip(location, length);
    const TextAttributes attributes = attributesAt(location > 0 ? location - 1 : location);
    replaceCharacters(location, length, AttributedString(text, attributes));
}

void AttributedString::replaceCharacters(qsizetype location, qsizetype length,
                                         const AttributedString& text) {
    clip(location, length);
    const std::size_t first = splitAt(location);
    const std::size_t last = splitAt(location + length);
    runs_.erase(runs_.begin() + static_cast<std::ptrdiff_t>(first),
                runs_.begin() + static_cast<std::ptrdiff_t>(last));
    runs_.insert(runs_.begin() + static_cast<std::ptrdiff_t>(first), text.runs_.begin(),
                 text.runs_.end());
    text_.replace(location, length, text.text_);
    coalesce();
}

void AttributedString::insert(qsizetype location, const AttributedString& text) {
    replaceCharacters(location, 0, text);
}

void AttributedString::deleteCharacters(qsizetype location, qsizetype length) {
    replaceCharacters(location, length, AttributedString());
}

void AttributedString::append(const AttributedString& text) {
    replaceCharacters(length(), 0, text);
}

void AttributedString::append(const QString& text, const TextAttributes& attributes) {
    append(AttributedString(text, attributes));
}

AttributedString AttributedString::substring(qsizetype location, qsizetype length) const {
    AttributedString result;
    if (!clip(location, length)) {
        return result;
    }
    result.text_ = text_.mid(location, length);
    enumerateAttributes(location, length,
                        [&](const TextAttributes& attributes, qsizetype at, qsizetype count) {
                            result.runs_.push_back({at - location, count, attributes});
                            return false;
                        });
    return result;
}

void AttributedString::enumerateAttributes(qsizetype location, qsizetype length,
                                           const RunBlock& block) const {
    if (!clip(location, length)) {
        return;
    }
    const qsizetype end = location + length;
    for (const Run& run : runs_) {
        const qsizetype start = std::max(run.location, location);
        const qsizetype stop = std::min(run.location + run.length, end);
        if (start < stop && block(run.attributes, start, stop - start)) {
            return;
        }
    }
}

void AttributedString::enumerateAttribute(
    const QString& key, qsizetype location, qsizetype length,
    const std::function<bool(const QVariant& value, qsizetype location, qsizetype length)>& block)
    const {
    QVariant current;
    qsizetype start = -1;
    qsizetype stop = -1;
    bool stopped = false;
    enumerateAttributes(location, length,
                        [&](const TextAttributes& attributes, qsizetype at, qsizetype count) {
                            const QVariant value = attributes.value(key);
                            if (start >= 0 && value == current) {
                                stop = at + count;
                                return false;
                            }
                            if (start >= 0 && block(current, start, stop - start)) {
                                stopped = true;
                                return true;
                            }
                            current = value;
                            start = at;
                            stop = at + count;
                            return false;
                        });
    if (!stopped && start >= 0) {
        block(current, start, stop - start);
    }
}

}  // namespace platform
