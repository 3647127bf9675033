#pragma once

#include <QtCore/QString>

// Escaping of text for the message XML.
//
// Characters that XML 1.0 cannot carry at all (controls other than tab, line feed and carriage
// return, lone surrogates, U+FFFE and U+FFFF) are dropped, so that a pasted control character can
// never make a stored message unreadable. A carriage return is written as a character reference,
// since a reader would otherwise turn it into a line feed.

// The double quote, ampersand, less-than and greater-than signs as entities; with `forAttribute`,
// tab, line feed and carriage return as character references too (an attribute's value would lose
// them to white-space normalisation). The apostrophe stays as it is.
QString xmlEncodedForAttribute(const QString& text, bool forAttribute);
// Element text: line feeds and tabs stay literal.
QString xmlEncoded(const QString& text);
