#pragma once

#include "toolkit/tables/ZVTableViewCell.h"

#include <memory>

class Message;
class ZVRichText;
namespace platform {
class Label;
}

// A search result: who posted, when, and a fragment of the text around the highlighted match.
class ZVMatchingMessageCell : public ZVTableViewCell {
public:
    static inline const QString kReuseIdentifier = QStringLiteral("mmc");
    static constexpr int kPosterStyle = 4;
    static constexpr int kTimestampStyle = 13;
    static constexpr int kHeaderLineStyle = 3;
    // The fragment around the match is at most this many characters.
    static constexpr qsizetype kFragmentLength = 70;
    static constexpr qreal kInsetX = 13;
    static constexpr qreal kInsetY = 5;
    static constexpr double kSeparatorWhite = 0.9;

    ZVMatchingMessageCell(Style style, QString reuseIdentifier);
    ~ZVMatchingMessageCell() override;

    void setMessage(const std::shared_ptr<Message>& message);
    const std::shared_ptr<platform::Label>& poster() const { return poster_; }
    const std::shared_ptr<platform::Label>& timestamp() const { return timestamp_; }
    const std::shared_ptr<ZVRichText>& preview() const { return preview_; }
    const std::shared_ptr<platform::View>& separator() const { return separator_; }

    void layoutSubviews() override;

private:
    std::shared_ptr<platform::Label> poster_;
    std::shared_ptr<platform::Label> timestamp_;
    std::shared_ptr<ZVRichText> preview_;
    std::shared_ptr<platform::View> separator_;
};
