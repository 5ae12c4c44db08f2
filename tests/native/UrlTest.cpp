// Where a redirect's Location points, read against the URL that answered with it.
#include <gtest/gtest.h>

#include "LuStrUtils.h"
#include "LuUrl.h"

namespace {

struct TCase {
    const char* Base;
    const char* Reference;
    const char* Expected;
};

TEST(Url, ResolveRedirectTargets)
{
    const TCase cases[] = {
        // Absolute URLs stay, whatever their case; scheme-relative ones take the base's scheme.
        {"http://a.example/x/y", "https://b.example/z", "https://b.example/z"},
        {"http://a.example/x/y", "HTTP://B.example/z?q", "HTTP://B.example/z?q"},
        {"https://a.example:8443/x", "//b.example/z", "https://b.example/z"},
        // Absolute paths replace the path, query and fragment of the base.
        {"http://a.example:81/x/y?q=1#f", "/z", "http://a.example:81/z"},
        {"http://127.0.0.1:5000/redirect/4", "/redirect/3", "http://127.0.0.1:5000/redirect/3"},
        // Relative paths are read against the base's folder, dot segments removed.
        {"http://a.example/x/y", "z", "http://a.example/x/z"},
        {"http://127.0.0.1:5000/redirect/6", "5", "http://127.0.0.1:5000/redirect/5"},
        {"http://a.example/x/y/", "z", "http://a.example/x/y/z"},
        {"http://a.example/x/y", "../z", "http://a.example/z"},
        {"http://a.example/x/y", "../../../z", "http://a.example/z"},
        {"http://a.example/x/y", "./z/./w/", "http://a.example/x/z/w/"},
        {"http://a.example/x/y", "..", "http://a.example/"},
        {"http://a.example", "z", "http://a.example/z"},
        {"http://a.example?q", "z", "http://a.example/z"},
        // Query and fragment only.
        {"http://a.example/x/y?old", "?new", "http://a.example/x/y?new"},
        {"http://a.example/x/y?q#old", "#new", "http://a.example/x/y?q#new"},
        {"http://a.example/x/y?q#old", "", "http://a.example/x/y?q"},
        {"http://a.example/x/y", "z?a=/b#c", "http://a.example/x/z?a=/b#c"},
        // A colon after the first slash is part of a path, not a scheme.
        {"http://a.example/x/", "y/a:b", "http://a.example/x/y/a:b"},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(Utf8ToUtf16(c.Expected), ResolveUrl(Utf8ToUtf16(c.Base), Utf8ToUtf16(c.Reference)))
            << c.Base << " + " << c.Reference;
    }
}

}  // namespace
