#pragma once

#include "ZelvoKit/model/File.h"
#include "ZelvoKit/model/ZVSortedArray.h"

#include <QtCore/QHash>
#include <QtCore/QString>

#include <memory>

// One conversation's files, newest message first, without deleted files, files whose upload has
// not been posted yet, and second copies of the same content (the first file added for a content
// hash stands for it).
class ZVFileArray : public ZVSortedArray<File> {
public:
    ZVFileArray();
    // The filter reads this array's hashes, so an array is never copied.
    ZVFileArray(const ZVFileArray&) = delete;
    ZVFileArray& operator=(const ZVFileArray&) = delete;

    bool addItem(const Item& item, bool allowDuplicates) override;
    using ZVSortedArray<File>::addItem;
    void removeItem(const Item& item) override;
    // Keeps the hashes with the list: a file that leaves frees its content for another copy, and
    // one that comes back claims it.
    ZVSortedArrayChange applyChange(const Item& item) override;

    // The files whose name has a word starting with `text`, each with the match highlighted in
    // its highlightedName(); none when no file matches.
    std::unique_ptr<ZVFileArray> filesMatchingText(const QString& text) const;

    const QHash<QString, Item>& filesByHash() const { return filesByHash_; }

private:
    QHash<QString, Item> filesByHash_;
};
