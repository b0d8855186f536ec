#pragma once
// A small XML writer for the export files: elements indented four spaces a level, one a line,
// text and attribute values escaped, an element without content closed as <Name/>.

#include <string>
#include <vector>

class XmlText {
  public:
    XmlText();
    void StartElement(const char* name);
    // Only right after StartElement, before the element's content.
    void Attribute(const char* name, const std::string& value);
    void TextElement(const char* name, const std::string& text);
    void EndElement();
    // The text written since the last Take, handed over; the open elements stay open.
    std::string Take();
    // The document so far, with every open element closed.
    const std::string& Finish();

  private:
    void CloseStartTag();
    void NewLine();

    std::string text;
    std::vector<std::string> open;
    bool startTagOpen = false;
};

// Text as XML character data or attribute value: & < > " ' escaped.
std::string XmlEscaped(const std::string& text);
