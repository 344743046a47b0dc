#include "engine/core/XmlDepth.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>

#include <tinyxml.h>

namespace Engine
{
    // The scan follows TinyXML's own reading rules closely enough that the two agree on where
    // every tag, comment, declaration and quoted value begins and ends. Where TinyXML would stop
    // with an error the scan stops too: TinyXML reads no deeper than that point.
    namespace
    {
        const std::size_t none = std::string::npos;

        // How many bytes TinyXML takes for one character of text or of a quoted value: in a
        // document it reads as UTF-8, a lead byte takes its whole sequence (even when what
        // follows is '<' or a quote); otherwise one byte.
        std::size_t CharLength(const std::string& text, std::size_t i, bool utf8)
        {
            if (!utf8)
                return 1;
            const unsigned char c = static_cast<unsigned char>(text[i]);
            if (c >= 0xc2 && c <= 0xdf)
                return 2;
            if (c >= 0xe0 && c <= 0xef)
                return 3;
            if (c >= 0xf0 && c <= 0xf4)
                return 4;
            return 1;
        }

        // The position of the quote that ends a quoted value opened just before i, or none.
        std::size_t EndOfQuoted(const std::string& text, std::size_t i, char quote, bool utf8)
        {
            while (i < text.size() && text[i] != quote)
                i += CharLength(text, i, utf8);
            return i < text.size() ? i : none;
        }

        bool StartsWith(const std::string& text, std::size_t at, const char* prefix, bool ignoreCase = false)
        {
            const std::size_t length = std::strlen(prefix);
            if (at + length > text.size())
                return false;
            for (std::size_t k = 0; k < length; ++k)
            {
                const unsigned char a = static_cast<unsigned char>(text[at + k]);
                const unsigned char b = static_cast<unsigned char>(prefix[k]);
                if (ignoreCase ? std::tolower(a) != std::tolower(b) : a != b)
                    return false;
            }
            return true;
        }

        bool IsSpace(char c)
        {
            // TinyXML's white space: the C library's, plus the line ends.
            return std::isspace(static_cast<unsigned char>(c)) || c == '\n' || c == '\r';
        }

        bool IsNameStart(char c)
        {
            const unsigned char u = static_cast<unsigned char>(c);
            return u >= 127 || std::isalpha(u) || c == '_';
        }

        bool IsNameChar(char c)
        {
            const unsigned char u = static_cast<unsigned char>(c);
            return u >= 127 || std::isalnum(u) || c == '_' || c == '-' || c == '.' || c == ':';
        }

        std::size_t SkipSpace(const std::string& text, std::size_t i)
        {
            while (i < text.size() && IsSpace(text[i]))
                ++i;
            return i;
        }

        // An attribute "name = value" starting at i; past its value, or none where TinyXML fails.
        // The value (without quotes) is left in `value` when asked for.
        std::size_t SkipAttribute(const std::string& text, std::size_t i, bool utf8, std::string* value = nullptr)
        {
            if (i >= text.size() || !IsNameStart(text[i]))
                return none;
            while (i < text.size() && IsNameChar(text[i]))
                ++i;
            i = SkipSpace(text, i);
            if (i >= text.size() || text[i] != '=')
                return none;
            i = SkipSpace(text, i + 1);
            if (i >= text.size())
                return none;
            if (text[i] == '"' || text[i] == '\'')
            {
                const std::size_t close = EndOfQuoted(text, i + 1, text[i], utf8);
                if (close != none && value)
                    *value = text.substr(i + 1, close - i - 1);
                return close == none ? none : close + 1;
            }
            // Unquoted values run to white space, '/' or '>'; a quote inside one is an error.
            const std::size_t start = i;
            while (i < text.size() && !IsSpace(text[i]) && text[i] != '/' && text[i] != '>')
            {
                if (text[i] == '"' || text[i] == '\'')
                    return none;
                ++i;
            }
            if (value)
                *value = text.substr(start, i - start);
            return i;
        }

        // The rest of a start tag after its name: attributes up to '>' (empty false) or "/>"
        // (empty true); none where TinyXML fails.
        std::size_t SkipStartTag(const std::string& text, std::size_t i, bool utf8, bool& empty)
        {
            while (true)
            {
                i = SkipSpace(text, i);
                if (i >= text.size())
                    return none;
                if (text[i] == '/')
                {
                    empty = true;
                    return i + 1 < text.size() && text[i + 1] == '>' ? i + 2 : none;
                }
                if (text[i] == '>')
                {
                    empty = false;
                    return i + 1;
                }
                i = SkipAttribute(text, i, utf8);
                if (i == none)
                    return none;
            }
        }

        // "<?xml ...>": version, encoding and standalone are read as attributes, anything else
        // is passed over up to white space or '>'. The encoding's value is left in `encoding`.
        std::size_t SkipDeclaration(const std::string& text, std::size_t i, bool utf8, std::string& encoding)
        {
            while (i < text.size())
            {
                if (text[i] == '>')
                    return i + 1;
                i = SkipSpace(text, i);
                if (StartsWith(text, i, "version", true) || StartsWith(text, i, "encoding", true) ||
                    StartsWith(text, i, "standalone", true))
                {
                    const bool isEncoding = StartsWith(text, i, "encoding", true);
                    std::string value;
                    i = SkipAttribute(text, i, utf8, &value);
                    if (i == none)
                        return none;
                    if (isEncoding)
                        encoding = value;
                }
                else
                {
                    while (i < text.size() && text[i] != '>' && !IsSpace(text[i]))
                        ++i;
                }
            }
            return none;
        }

        // The value as TinyXML hands it on: character references and the five named entities
        // replaced (enough to compare an encoding's name).
        std::string Unescaped(const std::string& value)
        {
            static const char* const named[][2] = {
                {"&amp;", "&"}, {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&apos;", "'"}};
            std::string out;
            for (std::size_t i = 0; i < value.size();)
            {
                bool replaced = false;
                for (const auto& entity : named)
                    if (!replaced && StartsWith(value, i, entity[0]))
                    {
                        out += entity[1];
                        i += std::strlen(entity[0]);
                        replaced = true;
                    }
                const std::size_t end = value.find(';', i);
                if (!replaced && StartsWith(value, i, "&#") && end != none)
                {
                    const bool hex = StartsWith(value, i, "&#x");
                    const std::string digits = value.substr(i + (hex ? 3 : 2), end - i - (hex ? 3 : 2));
                    const unsigned long code = std::strtoul(digits.c_str(), nullptr, hex ? 16 : 10);
                    if (code > 0 && code < 128)
                        out += static_cast<char>(code);
                    else
                        out += '?';  // not a letter of an encoding's name in any case
                    i = end + 1;
                    replaced = true;
                }
                if (!replaced)
                    out += value[i++];
            }
            return out;
        }

        std::size_t After(const std::string& text, std::size_t from, const char* end)
        {
            const std::size_t at = text.find(end, from);
            return at == none ? none : at + std::strlen(end);
        }
    }

    int XmlNestingDepth(const std::string& whole)
    {
        // TinyXML reads up to the first NUL.
        const std::string text = whole.substr(0, whole.find('\0'));
        // A byte-order mark makes the document UTF-8 from the start; otherwise the first
        // declaration at the top decides (no encoding, "UTF-8" or "UTF8": UTF-8).
        bool utf8 = StartsWith(text, 0, "\xef\xbb\xbf");
        bool decided = utf8;
        int depth = 0, deepest = 0;
        std::size_t i = 0;
        while (i != none && i < text.size())
        {
            if (depth == 0)
            {
                // Between top-level nodes only white space (and, in UTF-8, byte-order marks)
                // may stand; anything else ends TinyXML's reading.
                while (i < text.size())
                {
                    if (utf8 && (StartsWith(text, i, "\xef\xbb\xbf") || StartsWith(text, i, "\xef\xbf\xbe") ||
                                 StartsWith(text, i, "\xef\xbf\xbf")))
                        i += 3;
                    else if (IsSpace(text[i]))
                        ++i;
                    else
                        break;
                }
                if (i >= text.size() || text[i] != '<')
                    break;
            }
            else
            {
                // Text runs to the next '<' that starts a character.
                while (i < text.size() && text[i] != '<')
                    i += CharLength(text, i, utf8);
                if (i >= text.size())
                    break;
            }
            const std::size_t open = i;
            if (StartsWith(text, open, "<?xml", true))
            {
                std::string encoding;
                i = SkipDeclaration(text, open + 5, utf8, encoding);
                if (depth == 0 && !decided && i != none)
                {
                    decided = true;
                    encoding = Unescaped(encoding);
                    utf8 = encoding.empty() || StartsWith(encoding, 0, "UTF-8", true) || StartsWith(encoding, 0, "UTF8", true);
                }
            }
            else if (StartsWith(text, open, "<!--"))
            {
                i = After(text, open + 4, "-->");
            }
            else if (StartsWith(text, open, "<![CDATA["))
            {
                i = After(text, open + 9, "]]>");
            }
            else if (depth > 0 && StartsWith(text, open, "</"))
            {
                --depth;
                i = After(text, open + 2, ">");
            }
            else if (open + 1 < text.size() && IsNameStart(text[open + 1]))
            {
                deepest = std::max(deepest, ++depth);
                std::size_t name = open + 1;
                while (name < text.size() && IsNameChar(text[name]))
                    ++name;
                bool empty = false;
                i = SkipStartTag(text, name, utf8, empty);
                if (empty)
                    --depth;
            }
            else
            {
                // Anything else ("<!DOCTYPE", "<?other", a stray "</" at the top) is read up to '>'.
                i = After(text, open + 1, ">");
            }
        }
        return deepest;
    }

    bool ParseXml(TiXmlDocument& document, const std::string& text)
    {
        if (XmlNestingDepth(text) > maxXmlDepth)
            return false;
        // TinyXML reads up to the first NUL, but a UTF-8 lead byte right before it makes it step
        // up to three bytes further: the padding keeps that inside the buffer.
        std::string padded = text.substr(0, text.find('\0'));
        padded.append(4, '\0');
        document.Parse(padded.c_str());
        return true;
    }
}
