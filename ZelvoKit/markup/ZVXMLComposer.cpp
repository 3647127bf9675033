#include "ZelvoKit/markup/ZVXMLComposer.h"

#include "ZelvoKit/markup/XMLEncoding.h"

namespace {

QString attributeText(const QString& name, const QString& value) {
    return QLatin1Char(' ') + name + QLatin1StringView("=\"") +
           xmlEncodedForAttribute(value, true) + QLatin1Char('"');
}

}  // namespace

void ZVXMLComposer::noteWrite(const QString& startedElement) {
    if (elements_.empty()) {
        ++topLevelWrites_;
        rootName_ = startedElement;
    }
}

void ZVXMLComposer::appendStartTag(const QString& name, const Attributes& attributes) {
    result_ += QLatin1Char('<');
    result_ += name;
    for (const auto& [attribute, value] : attributes) {
        result_ += attributeText(attribute, value);
    }
}

void ZVXMLComposer::startElement(const QString& name, const Attributes& attributes) {
    noteWrite(name);
    appendStartTag(name, attributes);
    elements_.push_back({name, result_.size()});
    result_ += QLatin1Char('>');
}

void ZVXMLComposer::endElement(const QString& name) {
    Q_UNUSED(name);
    if (elements_.empty()) {
        return;
    }
    const QString open = elements_.back().name;
    elements_.pop_back();
    result_ += QLatin1StringView("</") + open + QLatin1Char('>');
}

void ZVXMLComposer::addEmptyElement(const QString& name, const Attributes& attributes) {
    noteWrite(QString());
    appendStartTag(name, attributes);
    result_ += QLatin1StringView("/>");
}

void ZVXMLComposer::addText(const QString& text) {
    const QString encoded = xmlEncoded(text);
    if (encoded.isEmpty()) {
        return;
    }
    noteWrite(QString());
    result_ += encoded;
}

void ZVXMLComposer::addAttribute(const QString& name, const QString& value,
                                 const QString& element) {
    for (auto it = elements_.rbegin(); it != elements_.rend(); ++it) {
        if (it->name != element) {
            continue;
        }
        const QString text = attributeText(name, value);
        result_.insert(it->position, text);
        // This element and every element inside it moved along by the inserted text.
        for (auto moved = elements_.rbegin(); moved != it + 1; ++moved) {
            moved->position += text.size();
        }
        return;
    }
}

QString ZVXMLComposer::currentElement() const {
    return elements_.empty() ? QString() : elements_.back().name;
}

bool ZVXMLComposer::isElementOpen(const QString& name) const {
    for (const OpenElement& element : elements_) {
        if (element.name == name) {
            return true;
        }
    }
    return false;
}
