#include "ZelvoKit/model/ZVFileArray.h"

#include "ZelvoKit/support/text/StringUtils.h"
#include "ZelvoKit/support/text/ZVTextAppearance.h"

namespace {

using namespace Qt::Literals::StringLiterals;

// A file whose upload has ended but that no posted message holds yet.
const QString kUnpostedUploadPrefix = u"zelvo-upload:"_s;
// The text style of a file name in a list of matches.
constexpr int kMatchedNameStyle = 7;

}  // namespace

ZVFileArray::ZVFileArray() {
    setComparator([](const Item& a, const Item& b) -> std::weak_ordering {
        // Newest message first, then by attachment, also from the end.
        if (const auto order = b->messageNr() <=> a->messageNr(); order != 0) {
            return order;
        }
        return b->attachmentId().compare(a->attachmentId()) <=> 0;
    });
    setFilterFunc([this](const Item& file) {
        if (file->isFileDeleted() || file->fileUrl().startsWith(kUnpostedUploadPrefix)) {
            return false;
        }
        const auto known = filesByHash_.constFind(file->fileSha256());
        return known == filesByHash_.cend() || known.value() == file;
    });
}

bool ZVFileArray::addItem(const Item& item, bool allowDuplicates) {
    if (!ZVSortedArray<File>::addItem(item, allowDuplicates)) {
        return false;
    }
    if (const QString hash = item->fileSha256(); !hash.isEmpty()) {
        filesByHash_.insert(hash, item);
    }
    return true;
}

void ZVFileArray::removeItem(const Item& item) {
    ZVSortedArray<File>::removeItem(item);
    const auto known = filesByHash_.constFind(item->fileSha256());
    if (known != filesByHash_.cend() && known.value() == item) {
        filesByHash_.erase(known);
    }
}

ZVSortedArrayChange ZVFileArray::applyChange(const Item& item) {
    const ZVSortedArrayChange change = ZVSortedArray<File>::applyChange(item);
    const QString hash = item->fileSha256();
    if (hash.isEmpty()) {
        return change;
    }
    const auto known = filesByHash_.constFind(hash);
    if (items().contains(item)) {
        if (known == filesByHash_.cend()) {
            filesByHash_.insert(hash, item);
        }
    } else if (known != filesByHash_.cend() && known.value() == item) {
        filesByHash_.erase(known);
    }
    return change;
}

std::unique_ptr<ZVFileArray> ZVFileArray::filesMatchingText(const QString& text) const {
    auto matches = std::make_unique<ZVFileArray>();
    const platform::TextAttributes nameStyle =
        ZVTextAppearance::attributesForStyle(kMatchedNameStyle);
    for (const Item& file : items()) {
        const QString name = file->fileName();
        // A file without a name matches at its start, so that it is never hidden by a search.
        const StringRange range =
            name.isEmpty() ? StringRange{0, 0} : rangeOfPrefixString(name, text);
        if (!range.found()) {
            continue;
        }
        platform::AttributedString highlighted = attributedStringHighlightingRange(name, range);
        highlighted.addAttributes(nameStyle, 0, name.size());
        file->setHighlightedName(std::move(highlighted));
        matches->addItem(file);
    }
    if (matches->count() == 0) {
        return nullptr;
    }
    return matches;
}
