#include "ZelvoKit/model/ZVMessageRepresentation.h"

#include "ZelvoKit/model/File.h"
#include "ZelvoKit/model/Message.h"
#include "ZelvoKit/model/ZVMarkupServices.h"
#include "ZelvoKit/model/ZVRepositorySession.h"
#include "ZelvoKit/support/text/StringUtils.h"

ZVMessageRepresentation::ZVMessageRepresentation(const std::shared_ptr<Message>& message)
    : message_(message) {}

ZVMessageRepresentation::~ZVMessageRepresentation() = default;

namespace {

// The stored files of the message, by attachment id.
QHash<QString, std::shared_ptr<File>> storedFiles(const Message& message) {
    const auto session = std::dynamic_pointer_cast<ZVRepositorySession>(message.session());
    if (!session) {
        return {};
    }
    return session->filesInMessageNr(message.messageNr(), message.conversationId());
}

}  // namespace

void ZVMessageRepresentation::refresh() {
    localizedText_.reset();
    files_.reset();
    touchRevision();
}

std::optional<ZVMessageRepresentation::Files> ZVMessageRepresentation::files() {
    if (files_) {
        return files_->empty() ? std::nullopt : files_;
    }
    const std::shared_ptr<Message> owner = message();
    const std::optional<QStringList> keys =
        owner ? ZVMarkupServices::extractFiles(owner->message()) : std::nullopt;
    Files found;
    if (keys) {
        const auto stored = storedFiles(*owner);
        for (const QString& key : *keys) {
            if (const std::shared_ptr<File> file = stored.value(key)) {
                found.push_back(file);
            }
        }
    }
    files_ = std::move(found);
    return files_->empty() ? std::nullopt : files_;
}

ZVMessageRepresentation::Files ZVMessageRepresentation::urlPreviews() {
    Files previews;
    if (const std::shared_ptr<Message> owner = message()) {
        for (const auto& file : storedFiles(*owner)) {
            if (file->isUrlPreview()) {
                previews.push_back(file);
            }
        }
    }
    return previews;
}

void ZVMessageRepresentation::absorbFiles(const Files& files) {
    Files all = this->files().value_or(Files());
    all.insert(all.end(), files.begin(), files.end());
    files_ = std::move(all);
    touchRevision();
}

void ZVMessageRepresentation::updatePosterName() {}

QString ZVMessageRepresentation::localizedText() {
    if (!localizedText_) {
        const std::shared_ptr<Message> owner = message();
        localizedText_ =
            owner ? ZVMarkupServices::plainTextWithMarkup(owner->message(), false) : QString();
    }
    return *localizedText_;
}

bool ZVMessageRepresentation::highlightMatch(const QString& text) {
    return rangeOfPrefixString(localizedText(), text).found();
}
