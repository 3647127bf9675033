#pragma once

#include <QtCore/QByteArray>
#include <QtCore/QString>

#include <utility>
#include <vector>

// Writes a message XML document as text, element by element. It remembers where each open
// element's start tag ends, so that an attribute can still be added to an element after its
// content has begun. The caller keeps the document well-formed; a call that would break it (ending
// or amending an element that is not open) leaves the document as it was.
class ZVXMLComposer {
public:
    // Name and value, written in this order.
    using Attributes = std::vector<std::pair<QString, QString>>;

    void startElement(const QString& name, const Attributes& attributes = {});
    // Ends the innermost open element; nothing when none is open. The end tag names the element
    // it ends, so a mismatched `name` cannot produce a document that no reader accepts.
    void endElement(const QString& name);
    void addEmptyElement(const QString& name, const Attributes& attributes = {});
    void addText(const QString& text);
    // Adds the attribute to the innermost open element called `element`, after the attributes it
    // already has.
    void addAttribute(const QString& name, const QString& value, const QString& element);

    // Null when no element is open.
    QString currentElement() const;
    bool isElementOpen(const QString& name) const;
    qsizetype openElementCount() const { return static_cast<qsizetype>(elements_.size()); }
    // Whether everything written so far lies inside one root element called `name`: exactly one
    // thing was written outside any element, and it was that element's start.
    bool hasSingleRoot(const QString& name) const {
        return topLevelWrites_ == 1 && rootName_ == name;
    }

    const QString& result() const { return result_; }
    QByteArray data() const { return result_.toUtf8(); }

private:
    struct OpenElement {
        QString name;
        // Index in result_ of the ">" that ends its start tag.
        qsizetype position = 0;
    };

    void appendStartTag(const QString& name, const Attributes& attributes);

    void noteWrite(const QString& startedElement);

    QString result_;
    std::vector<OpenElement> elements_;
    int topLevelWrites_ = 0;
    QString rootName_;
};
