#include "export/xml_text.h"

namespace {
constexpr int indentWidth = 4;
}

std::string XmlEscaped(const std::string& text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&':
            escaped += "&amp;";
            break;
        case '<':
            escaped += "&lt;";
            break;
        case '>':
            escaped += "&gt;";
            break;
        case '"':
            escaped += "&quot;";
            break;
        case '\'':
            escaped += "&apos;";
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

XmlText::XmlText() : text("<?xml version=\"1.0\" encoding=\"UTF-8\"?>") {}

void XmlText::NewLine() {
    text += '\n';
    text.append(open.size() * indentWidth, ' ');
}

void XmlText::CloseStartTag() {
    if (!startTagOpen) return;
    text += '>';
    startTagOpen = false;
}

void XmlText::StartElement(const char* name) {
    CloseStartTag();
    NewLine();
    text += '<';
    text += name;
    open.emplace_back(name);
    startTagOpen = true;
}

void XmlText::Attribute(const char* name, const std::string& value) {
    if (!startTagOpen) return;
    text += ' ';
    text += name;
    text += "=\"";
    text += XmlEscaped(value);
    text += '"';
}

void XmlText::TextElement(const char* name, const std::string& content) {
    CloseStartTag();
    NewLine();
    text += '<';
    text += name;
    text += '>';
    text += XmlEscaped(content);
    text += "</";
    text += name;
    text += '>';
}

void XmlText::EndElement() {
    if (open.empty()) return;
    const std::string name = open.back();
    open.pop_back();
    // A start tag still open means the element got no content.
    if (startTagOpen) {
        text += "/>";
        startTagOpen = false;
    } else {
        NewLine();
        text += "</";
        text += name;
        text += '>';
    }
}

std::string XmlText::Take() {
    CloseStartTag();
    std::string taken;
    taken.swap(text);
    return taken;
}

const std::string& XmlText::Finish() {
    while (!open.empty()) EndElement();
    if (text.empty() || text.back() != '\n') text += '\n';
    return text;
}
