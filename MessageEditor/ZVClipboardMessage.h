#pragma once

#include <QtCore/QByteArray>
#include <QtCore/QJsonArray>
#include <QtCore/QJsonObject>
#include <QtCore/QString>

#include <cstdint>
#include <memory>
#include <vector>

class File;
class Message;

// A message, or a set of files, lifted out of a conversation to be pasted or forwarded elsewhere:
// into the same or another conversation, of the same or another signed-in account. It travels on
// the general pasteboard as plain text plus a record of our own type, or in memory as a
// conversation's forwarded message. Main thread only.
class ZVClipboardMessage {
public:
    using Files = std::vector<std::shared_ptr<File>>;

    // Our private pasteboard type: writer, reader and the paste probe share it.
    static const QString kMessageType;

    ZVClipboardMessage(const QString& text, const QString& subject, Files files,
                       const QString& quoteHeader, const QString& conversationId);
    ZVClipboardMessage(const QString& text, Files files);
    // The message with `text` in place of its own.
    ZVClipboardMessage(const std::shared_ptr<Message>& message, const QString& text);
    // The message's text with its markup; quoting it leaves out the quotes it holds itself.
    explicit ZVClipboardMessage(const std::shared_ptr<Message>& message);

    const QString& message() const { return message_; }
    const QString& subject() const { return subject_; }
    const Files& files() const { return files_; }
    const QString& quoteHeader() const { return quoteHeader_; }
    const QString& conversationId() const { return conversationId_; }
    std::int64_t messageNr() const { return messageNr_; }
    // The text a quote shows.
    const QString& quoteSource() const { return quotedText_; }

    // Replaces the general pasteboard's item by this message.
    void copyToClipboard() const;
    // The record of the private type: compact JSON, absent values left out.
    QByteArray serializedData() const;
    static QJsonObject serializeFile(const File& file);

    // What the general pasteboard holds; plain text alone when it holds no readable record.
    static std::shared_ptr<ZVClipboardMessage> fromClipboard();
    // The files the references name, looked up in the signed-in accounts.
    static Files deserializeFiles(const QJsonArray& references);
    static bool isInClipboard();

    // The quote block: the header on a line of its own, then "> " before every kept line.
    QString quotedText() const;

private:
    QString message_;
    QString quotedText_;
    QString subject_;
    Files files_;
    QString quoteHeader_;
    QString conversationId_;
    std::int64_t messageNr_ = 0;
};
