#include "LuUrl.h"

#include <vector>

namespace {

// Length of "scheme:" at the start, or 0 when the text does not start with a scheme.
size_t SchemeLength(const std::u16string& url)
{
    for (size_t i = 0; i < url.size(); ++i) {
        const char16_t c = url[i];
        const bool letter = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
        if (c == u':') return i > 0 ? i + 1 : 0;
        if (letter) continue;
        if (i > 0 && ((c >= u'0' && c <= u'9') || c == u'+' || c == u'-' || c == u'.')) continue;
        return 0;
    }
    return 0;
}

// "a/b/../c/./d" without its dot segments.
std::u16string RemoveDotSegments(const std::u16string& path)
{
    std::vector<std::u16string> out;
    size_t start = 0;
    const bool absolute = !path.empty() && path[0] == u'/';
    if (absolute) start = 1;
    bool trailingSlash = false;
    while (start <= path.size()) {
        size_t end = path.find(u'/', start);
        if (end == std::u16string::npos) end = path.size();
        const std::u16string segment = path.substr(start, end - start);
        const bool last = end == path.size();
        trailingSlash = false;
        if (segment == u"..") {
            if (!out.empty()) out.pop_back();
            trailingSlash = true;
        } else if (segment == u".") {
            trailingSlash = true;
        } else if (!(last && segment.empty())) {
            out.push_back(segment);
        } else {
            trailingSlash = !out.empty();
        }
        start = end + 1;
    }
    std::u16string result = absolute ? u"/" : u"";
    for (size_t i = 0; i < out.size(); ++i) {
        if (i) result += u'/';
        result += out[i];
    }
    if (trailingSlash && !out.empty()) result += u'/';
    return result;
}

}  // namespace

std::u16string ResolveUrl(const std::u16string& base, const std::u16string& reference)
{
    if (SchemeLength(reference) > 0) return reference;

    // base = scheme ":" "//" authority path ["?" query] ["#" fragment]
    std::u16string b = base.substr(0, base.find(u'#'));
    const size_t scheme = SchemeLength(b);
    if (reference.rfind(u"//", 0) == 0) return b.substr(0, scheme) + reference;

    size_t pathStart = scheme;
    if (b.compare(scheme, 2, u"//") == 0) {
        pathStart = b.find_first_of(u"/?", scheme + 2);
        if (pathStart == std::u16string::npos) pathStart = b.size();
    }
    const std::u16string origin = b.substr(0, pathStart);
    const size_t queryStart = b.find(u'?', pathStart);
    std::u16string basePath =
        b.substr(pathStart, queryStart == std::u16string::npos ? std::u16string::npos : queryStart - pathStart);
    if (basePath.empty()) basePath = u"/";

    if (reference.empty()) return b;
    if (reference[0] == u'#') return b + reference;
    if (reference[0] == u'?') return origin + basePath + reference;

    // Path, then whatever query or fragment the reference carries.
    const size_t tail = reference.find_first_of(u"?#");
    const std::u16string refPath = reference.substr(0, tail);
    const std::u16string refTail = tail == std::u16string::npos ? u"" : reference.substr(tail);
    std::u16string merged;
    if (!refPath.empty() && refPath[0] == u'/') {
        merged = refPath;
    } else {
        merged = basePath.substr(0, basePath.rfind(u'/') + 1) + refPath;
    }
    return origin + RemoveDotSegments(merged) + refTail;
}
