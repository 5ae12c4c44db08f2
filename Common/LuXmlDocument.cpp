// The XML document model of LuXmlUtils: entity coding, the element tree, the forgiving one-pass
// parser and the indenting writer. Names and values stay in markup form throughout; only the
// text accessors decode or encode.
#include "LuXmlUtils.h"

#include <cstring>
#include <utility>

#include "LuStrUtils.h"
#include "LuStreams.h"

namespace {

const char* const kUnit = "Common\\LuXmlUtils";

// ---- Name comparison helpers ----------------------------------------------------------------

// Reads one code point of well-formed UTF-8 at text[pos] and advances pos. A byte that does not
// start a well-formed sequence is returned as a token of its own (above the Unicode range) and
// consumes just that byte, so malformed names compare byte for byte and never equal each other
// by accident.
uint32_t NextNameToken(std::string_view text, size_t& pos)
{
    const auto byteAt = [&](size_t i) { return uint8_t(text[i]); };
    const uint8_t lead = byteAt(pos);
    const uint32_t invalid = 0x200000u | lead;
    if (lead < 0x80) {
        ++pos;
        return lead;
    }
    size_t length;
    uint32_t cp;
    uint32_t minimum;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, cp = lead & 0x1Fu, minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, cp = lead & 0x0Fu, minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, cp = lead & 0x07u, minimum = 0x10000;
    } else {
        ++pos;
        return invalid;
    }
    if (text.size() - pos < length) {
        ++pos;
        return invalid;
    }
    for (size_t i = 1; i < length; ++i) {
        const uint8_t b = byteAt(pos + i);
        if ((b & 0xC0) != 0x80) {
            ++pos;
            return invalid;
        }
        cp = (cp << 6) | (b & 0x3Fu);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++pos;
        return invalid;
    }
    pos += length;
    return cp;
}

uint32_t FoldToken(uint32_t token) { return token <= 0xFFFF ? uint32_t(UpperCaseChar(char16_t(token))) : token; }

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }

// ---- Parser helpers -------------------------------------------------------------------------

size_t FindFrom(std::string_view text, std::string_view pattern, size_t from)
{
    return from > text.size() ? std::string_view::npos : text.find(pattern, from);
}

}  // namespace

// ---- Exceptions and entity coding -----------------------------------------------------------

EXmlException::EXmlException() : Exception(u"XML 标签不匹配") {}

std::string XmlEncode(std::u16string_view text)
{
    if (text.empty()) return {};
    const std::string utf8 = Utf16ToUtf8(text);

    const auto replacement = [](char c) -> const char* {
        switch (c) {
            case '\t': return "&#x09;";
            case '\n': return "&#x0A;";
            case '\r': return "&#x0D;";
            case '"': return "&quot;";
            case '\'': return "&apos;";
            case '&': return "&amp;";
            case '<': return "&lt;";
            case '>': return "&gt;";
            default: return nullptr;
        }
    };

    size_t size = 0;
    for (const char c : utf8) {
        const char* r = replacement(c);
        size += r ? std::strlen(r) : 1;
    }
    std::string result(size, '\0');
    size_t out = 0;
    for (const char c : utf8) {
        if (const char* r = replacement(c)) {
            const size_t n = std::strlen(r);
            std::memcpy(&result[out], r, n);
            out += n;
        } else {
            result[out++] = c;
        }
    }
    return result;
}

std::u16string XmlDecode(std::string_view markup)
{
    std::u16string result;
    if (markup.empty()) return result;

    size_t pos = 0;
    while (pos < markup.size()) {
        const size_t amp = markup.find('&', pos);
        if (amp == std::string_view::npos) {
            result += Utf8ToUtf16(markup.substr(pos));
            break;
        }
        if (amp > pos) result += Utf8ToUtf16(markup.substr(pos, amp - pos));

        const size_t semicolon = markup.find(';', amp + 1);
        if (semicolon == std::string_view::npos) throw EXmlException();
        const std::string_view body = markup.substr(amp + 1, semicolon - amp - 1);
        LU_ASSERT(!body.empty(), kUnit);

        if (body[0] == '#') {
            std::u16string digits;
            if (body.size() > 1 && (body[1] == 'x' || body[1] == 'X'))
                digits = u"$" + Utf8ToUtf16(body.substr(2));
            else
                digits = Utf8ToUtf16(body.substr(1));
            // Only the low 16 bits count: one UTF-16 code unit, never a surrogate pair.
            result += char16_t(uint32_t(StrToInt(digits)) & 0xFFFFu);
        } else {
            const std::string name = LowerCaseAscii(body);
            if (name == "lt")
                result += u'<';
            else if (name == "gt")
                result += u'>';
            else if (name == "amp")
                result += u'&';
            else if (name == "quot")
                result += u'"';
            else if (name == "apos")
                result += u'\'';
            else
                LU_ASSERT(false, kUnit);
        }
        pos = semicolon + 1;
    }
    return result;
}

bool XmlSameName(std::string_view a, std::string_view b)
{
    if (a.size() == b.size()) {
        bool ascii = true;
        for (size_t i = 0; i < a.size() && ascii; ++i) {
            if (uint8_t(a[i]) >= 0x80 || uint8_t(b[i]) >= 0x80)
                ascii = false;
            else if (AsciiUpper(a[i]) != AsciiUpper(b[i]))
                return false;
        }
        if (ascii) return true;
    }
    size_t i = 0;
    size_t j = 0;
    while (i < a.size() && j < b.size())
        if (FoldToken(NextNameToken(a, i)) != FoldToken(NextNameToken(b, j))) return false;
    return i == a.size() && j == b.size();
}

// ---- Attributes -----------------------------------------------------------------------------

std::u16string TXmlAttribute::GetText() const { return IsCData ? Utf8ToUtf16(RawValue) : XmlDecode(RawValue); }

void TXmlAttribute::SetText(std::u16string_view text) { RawValue = IsCData ? Utf16ToUtf8(text) : XmlEncode(text); }

void TXmlAttribute::SetInteger(int64_t value)
{
    RawValue = Utf16ToUtf8(IntToStr(value));
    IsCData = false;
}

void TXmlAttribute::SetFloat(long double value)
{
    RawValue = Utf16ToUtf8(FloatToStoredText(value));
    IsCData = false;
}

TXmlAttribute* TXmlAttributeList::Force(std::u16string_view name)
{
    if (TXmlAttribute* found = Find(name)) return found;
    auto attribute = std::make_unique<TXmlAttribute>();
    attribute->SetName(name);
    return Add(std::move(attribute));
}

void TXmlAttributeList::ParseAttributes(std::string_view tag, size_t start)
{
    constexpr auto npos = std::string_view::npos;
    Clear();
    // Apostrophes delimit a value only when no double quote follows anywhere in the rest of the
    // tag; knowing the last double quote answers that for every attribute without a rescan.
    const size_t lastQuote = tag.rfind('"');
    size_t pos = start;
    while (pos < tag.size()) {
        const size_t equals = tag.find('=', pos);
        if (equals == npos) break;
        LU_ASSERT(equals != pos, kUnit);

        const char delimiter = (lastQuote != npos && lastQuote > equals) ? '"' : '\'';
        const size_t open = tag.find(delimiter, equals + 1);
        LU_ASSERT(open != npos, kUnit);
        const size_t close = tag.find(delimiter, open + 1);
        LU_ASSERT(close != npos, kUnit);

        auto attribute = std::make_unique<TXmlAttribute>();
        attribute->RawName = std::string(TrimBytes(tag.substr(pos, equals - pos)));
        attribute->RawValue = std::string(tag.substr(open + 1, close - open - 1));
        Add(std::move(attribute));
        pos = close + 1;
    }
}

std::string TXmlAttributeList::AttributesText() const
{
    std::string text;
    for (const auto& attribute : FItems) {
        if (!text.empty()) text += ' ';
        text += attribute->RawName;
        text += "=\"";
        text += attribute->RawValue;
        text += '"';
    }
    return text;
}

// ---- Elements -------------------------------------------------------------------------------

TXmlNode* TXmlNodeList::Force(std::u16string_view name, TXmlNode* parent)
{
    if (TXmlNode* found = Find(name)) return found;
    auto node = std::make_unique<TXmlNode>(parent);
    node->SetName(name);
    return Add(std::move(node));
}

TXmlNode::~TXmlNode()
{
    // Post-order walk with an explicit stack: a node's children are cleared only once none of
    // them has children left, so every destructor that runs below has no subtree to recurse into.
    struct Frame {
        TXmlNode* Node;
        int Next;
    };
    std::vector<Frame> stack;
    if (Children.Count() > 0) stack.push_back({this, 0});
    while (!stack.empty()) {
        Frame& top = stack.back();
        if (top.Next < top.Node->Children.Count()) {
            TXmlNode* child = top.Node->Children.Items(top.Next++);
            if (child->Children.Count() > 0) stack.push_back({child, 0});
        } else {
            top.Node->Children.Clear();
            stack.pop_back();
        }
    }
}

TXmlNode* TXmlNode::AddChild(std::u16string_view name)
{
    auto node = std::make_unique<TXmlNode>(this);
    node->SetName(name);
    return Children.Add(std::move(node));
}

TXmlNode* TXmlNode::ForceChild(std::u16string_view name) { return Children.Force(name, this); }

void TXmlNode::ParseTag(std::string_view tag)
{
    if (!tag.empty() && tag.front() == '<') tag.remove_prefix(1);
    if (!tag.empty() && tag.back() == '>') tag.remove_suffix(1);
    if (!tag.empty() && tag.back() == '/') tag.remove_suffix(1);

    // Only a space ends the name; a tab or line break right after it stays part of it.
    const size_t space = tag.find(' ');
    if (space == std::string_view::npos) {
        RawName = std::string(TrimBytes(tag));
        Attributes.Clear();
    } else {
        RawName = std::string(TrimBytes(tag.substr(0, space)));
    }
    LU_ASSERT(!RawName.empty(), kUnit);
    if (space != std::string_view::npos) Attributes.ParseAttributes(tag, space);
}

std::string TXmlNode::TagText() const
{
    if (Attributes.Count() == 0) return RawName;
    return RawName + ' ' + Attributes.AttributesText();
}

void TXmlNode::WriteTo(std::vector<std::string>& lines, bool formatted, const std::string& indent) const
{
    // Iterative depth-first walk, so that deeply nested documents cannot exhaust the stack.
    // Each frame is an element whose start line is written and whose children are in progress.
    struct Frame {
        const TXmlNode* Node;
        int Next;
    };
    const auto prefix = [&](size_t depth) { return formatted ? indent + std::string(depth * 4, ' ') : std::string(); };
    const auto valueText = [](const TXmlNode& node) {
        return node.IsCData ? "<![CDATA[" + node.RawValue + "]]>" : node.RawValue;
    };

    std::vector<Frame> stack;
    const TXmlNode* next = this;
    while (next || !stack.empty()) {
        if (next) {
            const TXmlNode& node = *next;
            next = nullptr;
            const std::string value = valueText(node);
            std::string line = prefix(stack.size()) + '<' + node.TagText();
            if (node.Children.Count() == 0) {
                if (value.empty())
                    line += "/>";
                else
                    line += '>' + value + "</" + node.RawName + '>';
                lines.push_back(std::move(line));
            } else {
                lines.push_back(std::move(line) + '>' + value);
                stack.push_back({&node, 0});
            }
            continue;
        }
        Frame& top = stack.back();
        if (top.Next < top.Node->Children.Count()) {
            next = top.Node->Children.Items(top.Next++);
        } else {
            const TXmlNode* node = top.Node;
            stack.pop_back();
            lines.push_back(prefix(stack.size()) + "</" + node->RawName + '>');
        }
    }
}

// ---- Document -------------------------------------------------------------------------------

TXmlDocument::TXmlDocument() : Root(std::make_unique<TXmlNode>()) {}

TXmlDocument::TXmlDocument(std::u16string_view rootName) : TXmlDocument() { Root->SetName(rootName); }

void TXmlDocument::LoadFromBuffer(const char* data, size_t count)
{
    constexpr auto npos = std::string_view::npos;
    static constexpr std::string_view kCDataStart = "<![CDATA[";
    static constexpr std::string_view kCDataEnd = "]]>";
    static constexpr std::string_view kCommentEnd = "-->";

    Root.reset();
    if (count == 0) return;
    const std::string_view input(data, count);
    TXmlNode* current = nullptr;

    const auto closeCurrent = [&]() {
        if (!current) throw EXmlException();
        current = current->Parent;
    };

    size_t p = 0;
    while (p < input.size()) {
        if (input[p] != '<') {
            // A text run: the last one inside an element is its value; runs outside any
            // element (a byte-order mark, stray text) are dropped.
            size_t end = input.find('<', p);
            if (end == npos) end = input.size();
            if (current) current->RawValue = std::string(input.substr(p, end - p));
            p = end;
            continue;
        }

        if (input.compare(p, kCDataStart.size(), kCDataStart) == 0) {
            const size_t contentStart = p + kCDataStart.size();
            const size_t end = FindFrom(input, kCDataEnd, contentStart);
            if (end == npos) throw EXmlException();
            if (current && end > contentStart) {
                current->RawValue = std::string(input.substr(contentStart, end - contentStart));
                current->IsCData = true;
            }
            p = end + kCDataEnd.size();
            continue;
        }

        const size_t close = input.find('>', p + 1);
        if (close == npos) throw EXmlException();
        const char kind = input[p + 1];  // exists: the ">" lies after p

        if (kind == '!') {
            // Comments, and every other "<!" construct, run to the next "-->".
            const size_t end = FindFrom(input, kCommentEnd, p);
            if (end == npos) throw EXmlException();
            p = end + kCommentEnd.size();
            continue;
        }

        if (kind == '/') {
            // The name in an end tag is not compared with the element it closes.
            closeCurrent();
        } else if (kind != '?') {
            auto node = std::make_unique<TXmlNode>(current);
            node->ParseTag(input.substr(p, close - p + 1));
            TXmlNode* created = node.get();
            if (current)
                current->Children.Add(std::move(node));
            else
                Root = std::move(node);
            current = created;
        }
        if (input[close - 1] == '/') closeCurrent();
        p = close + 1;
    }
    // Elements still open at the end are accepted as they are.
}

void TXmlDocument::LoadFromStream(TStream& stream)
{
    // A memory stream at its start is parsed where it lies; anything else is read into a buffer
    // first. Either way the stream is left at its end.
    if (auto* memory = dynamic_cast<TMemoryStream*>(&stream); memory && memory->Position() == 0) {
        memory->Seek(0, TSeekOrigin::soEnd);
        LoadFromBuffer(reinterpret_cast<const char*>(memory->Memory()), memory->Bytes().size());
        return;
    }
    const std::string bytes = stream.ReadRemaining();
    LoadFromBuffer(bytes.data(), bytes.size());
}

std::string TXmlDocument::SaveToString() const
{
    std::vector<std::string> lines;
    if (WriteDeclaration) lines.emplace_back("<?xml version=\"1.0\" encoding=\"utf-8\"?>");
    // A document without a root (after loading input without any element) saves as the
    // declaration alone.
    if (Root) Root->WriteTo(lines, Formatted, std::string());

    static constexpr std::string_view kLineBreak = "\r\n";
    size_t size = 0;
    for (const auto& line : lines) size += line.size() + (Formatted ? kLineBreak.size() : 0);
    std::string text;
    text.reserve(size);
    for (const auto& line : lines) {
        text += line;
        if (Formatted) text += kLineBreak;
    }
    return text;
}

void TXmlDocument::SaveToStream(TStream& stream) const { stream.WriteBytes(SaveToString()); }
