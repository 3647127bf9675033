#pragma once

#include <QtCore/QJsonObject>
#include <QtCore/QString>

#include <cstdint>

// Makes decoded service data safe to show or send for diagnosis while keeping its shape: the words
// of texts, topics, names and e-mail addresses become placeholder words of the same length and
// capitalisation, markup tag names survive, and identifiers become random hexadecimal strings that
// stay the same for the same identifier. One-way: nothing maps the results back.
//
// One thread at a time: the identifier map and the random source are not locked.
class ZVObfuscator {
public:
    ZVObfuscator() = delete;

    // A placeholder of the same length with upper case where the word has it; words of one or two
    // characters stay as they are.
    static QString obfuscateWord(const QString& word);
    // "-" stays (as "+"), every other character becomes a random hexadecimal digit; the same
    // identifier always gets the same replacement.
    static QString obfuscateId(const QString& identifier);
    // Every run of letters becomes a placeholder, except tag names between "<" and ">"; a text
    // in braces is taken for structured data and kept.
    static QString obfuscateText(const QString& text);
    // Replaces the texts under "message", "topic", "display_name" and "email", at any depth of
    // nested objects and arrays of objects.
    static void obfuscateDictionary(QJsonObject& dictionary);

    // Restarts the random source from `seed`, so that results can be reproduced.
    static void seedRandomSource(std::uint64_t seed);
};
