#pragma once

#include <QtCore/QString>
#include <QtCore/QStringList>

#include <optional>

// Lists the attachment keys of message XML: the "key" of every "file" element, in order.
class ZVFileExtractor {
public:
    explicit ZVFileExtractor(const QString& message);

    // Nothing when the message has no "file" element; a "file" without a key adds nothing.
    const std::optional<QStringList>& files() const { return files_; }

private:
    std::optional<QStringList> files_;
};
