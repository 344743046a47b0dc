#include "engine/core/XmlDepth.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace Engine
{
    // The scan follows TinyXML's own reading rules closely enough that the two agree on where
    // every tag, comment, declaration and quoted value begins and ends. Where TinyXML would stop
    // with an error the scan stops too: TinyXML reads no deeper than that point.
    namespace
    {
        const std::size_t none = std::string::npos;

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
        std::size_t SkipAttribute(const std::string& text, std::size_t i)
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
                const std::size_t close = text.find(text[i], i + 1);
                return close == none ? none : close + 1;
            }
            // Unquoted values run to white space, '/' or '>'; a quote inside one is an error.
            while (i < text.size() && !IsSpace(text[i]) && text[i] != '/' && text[i] != '>')
            {
                if (text[i] == '"' || text[i] == '\'')
                    return none;
                ++i;
            }
            return i;
        }

        // The rest of a start tag after its name: attributes up to '>' (empty false) or "/>"
        // (empty true); none where TinyXML fails.
        std::size_t SkipStartTag(const std::string& text, std::size_t i, bool& empty)
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
                i = SkipAttribute(text, i);
                if (i == none)
                    return none;
            }
        }

        // "<?xml ...>": version, encoding and standalone are read as attributes, anything else
        // is passed over up to white space or '>'.
        std::size_t SkipDeclaration(const std::string& text, std::size_t i)
        {
            while (i < text.size())
            {
                if (text[i] == '>')
                    return i + 1;
                i = SkipSpace(text, i);
                if (StartsWith(text, i, "version", true) || StartsWith(text, i, "encoding", true) ||
                    StartsWith(text, i, "standalone", true))
                {
                    i = SkipAttribute(text, i);
                    if (i == none)
                        return none;
                }
                else
                {
                    while (i < text.size() && text[i] != '>' && !IsSpace(text[i]))
                        ++i;
                }
            }
            return none;
        }

        std::size_t After(const std::string& text, std::size_t from, const char* end)
        {
            const std::size_t at = text.find(end, from);
            return at == none ? none : at + std::strlen(end);
        }
    }

    int XmlNestingDepth(const std::string& text)
    {
        int depth = 0, deepest = 0;
        std::size_t i = 0;
        while (i != none && i < text.size())
        {
            const std::size_t open = text.find('<', i);
            if (open == none)
                break;
            if (StartsWith(text, open, "<?xml", true))
            {
                i = SkipDeclaration(text, open + 5);
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
                i = SkipStartTag(text, name, empty);
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
}
