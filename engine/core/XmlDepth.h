#pragma once
#include <string>

class TiXmlDocument;

namespace Engine
{
    /// The deepest element nesting a data file may use. TinyXML reads, copies and frees element
    /// trees recursively, one stack frame per level; a few thousand levels overflow the stack, so
    /// every file is measured before it is parsed and refused beyond this depth (the game's own
    /// files use five).
    const int maxXmlDepth = 256;

    /// How deeply the elements of the XML text nest, measured without building a tree and in
    /// time linear in its length: start tags count up, end tags and empty-element tags down;
    /// comments, CDATA sections, declarations, quoted attribute values and (in UTF-8 documents)
    /// multi-byte characters are passed over as TinyXML passes over them. Never less than the
    /// depth TinyXML builds from the same text.
    int XmlNestingDepth(const std::string& text);

    /// How every reader of the engine parses XML text: measured first, and not parsed at all
    /// (false) when its elements nest deeper than maxXmlDepth; otherwise parsed into the
    /// document (which reports its own errors) and true.
    bool ParseXml(TiXmlDocument& document, const std::string& text);
}
