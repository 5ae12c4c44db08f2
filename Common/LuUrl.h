// URL text rules that the HTTP client needs and that need no network: where a redirect points.
#pragma once

#include <string>

// The absolute URL that a Location value names, read against the URL of the response that carried
// it: an absolute URL stays as it is; "//host/p", "/p", "p", "../p", "?q" and "" are resolved the
// way a browser does. The base's fragment never carries over; the reference's does.
std::u16string ResolveUrl(const std::u16string& base, const std::u16string& reference);
