// The HTTP client against real servers on 127.0.0.1, which tests/net/http_client_test.py starts
// and names in LUSETUP_NET_* variables: bodies, streaming, progress events, redirects, failures,
// time-outs, TLS verification, the proxy (with and without credentials), the headers sent and
// the cursor.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "LuExceptions.h"
#include "LuHttp.h"
#include "LuHttpProxy.h"
#include "LuStrUtils.h"

namespace {

std::string Env(const char* name)
{
    const char* value = std::getenv(name);
    if (!value || !*value) {
        ADD_FAILURE() << name << " is not set: run this program through http_client_test.py";
        return {};
    }
    return value;
}

std::u16string Url(const char* server, const std::string& path) { return Utf8ToUtf16(Env(server) + path); }

// The body of /bytes/N and /chunked/N (servers.py's byte_pattern).
std::string Pattern(size_t n)
{
    std::string bytes(n, '\0');
    for (size_t i = 0; i < n; ++i) bytes[i] = char((i * 7 + i / 251) & 0xFF);
    return bytes;
}

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// A marker that only one request of the run carries, to find it in a proxy's log.
std::string Marker(const char* name)
{
    static int counter = 0;
    return "?" + std::string(name) + "=" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter);
}

struct TEvent {
    char Kind;  // 'B' begin, 'W' work, 'E' end
    TWorkMode Mode;
    int64_t Value;
};

class HttpClient : public testing::Test {
protected:
    void SetUp() override
    {
        GlobalHttpProxy().SetValues(THttpProxyValues{});
        http.SetConnectTimeout(5000);
        http.SetReadTimeout(5000);
    }
    void TearDown() override { GlobalHttpProxy().SetValues(THttpProxyValues{}); }

    void RecordEvents()
    {
        http.SetOnWorkBegin([this](TLuHttp* sender, TWorkMode mode, int64_t expected) {
            EXPECT_EQ(&http, sender);
            events.push_back({'B', mode, expected});
        });
        http.SetOnWork([this](TLuHttp*, TWorkMode mode, int64_t done) { events.push_back({'W', mode, done}); });
        http.SetOnWorkEnd([this](TLuHttp*, TWorkMode mode) { events.push_back({'E', mode, 0}); });
    }

    // The proxy by another name than the servers' 127.0.0.1: Wine's WinHTTP sends a request
    // for the proxy's own host name as if there were no proxy.
    static void UseProxy(const char* portVariable, const std::u16string& user = u"",
                         const std::u16string& password = u"")
    {
        GlobalHttpProxy().SetValues(
            THttpProxyValues{u"localhost", true, password, std::atoi(Env(portVariable).c_str()), user});
    }

    std::string Body() { return http.ResponseStream().ToString(); }

    TLuHttp http;
    std::vector<TEvent> events;
};

// ---- Bodies -------------------------------------------------------------------------------------

TEST_F(HttpClient, BodyArrivesWholeAndPositionedAtItsStart)
{
    struct TCase {
        const char* Server;
        std::string Path;
        size_t Size;
    };
    const TCase cases[] = {
        {"LUSETUP_NET_HTTP", "/bytes/0", 0},           {"LUSETUP_NET_HTTP", "/bytes/1", 1},
        {"LUSETUP_NET_HTTP", "/bytes/300000", 300000}, {"LUSETUP_NET_HTTP", "/chunked/300001", 300001},
        {"LUSETUP_NET_HTTPS", "/bytes/70000", 70000},  {"LUSETUP_NET_HTTPS", "/chunked/70001", 70001},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(Env(c.Server) + c.Path);
        ASSERT_TRUE(http.Get(Url(c.Server, c.Path))) << Utf16ToUtf8(http.LastError());
        EXPECT_EQ(0, http.ResponseStream().Position());
        EXPECT_EQ(int64_t(c.Size), http.ResponseStream().Size());
        EXPECT_TRUE(Body() == Pattern(c.Size)) << "the body differs from the bytes sent";
        EXPECT_EQ(u"", http.LastError());
    }
    // A second request starts from an empty buffer, also when it fails.
    ASSERT_TRUE(http.Get(Url("LUSETUP_NET_HTTP", "/bytes/10")));
    EXPECT_EQ(Pattern(10), Body());
    EXPECT_FALSE(http.Get(Url("LUSETUP_NET_HTTP", "/status/404")));
    EXPECT_NE(Pattern(10), Body());
}

TEST_F(HttpClient, StreamingGetWritesTheExactBytesToTheTarget)
{
    for (const char* path : {"/bytes/1000003", "/chunked/1000003"}) {
        SCOPED_TRACE(path);
        ASSERT_TRUE(http.Get(Url("LUSETUP_NET_HTTP", "/bytes/5")));  // leaves something in the buffer
        TMemoryStream target;
        target.WriteBytes("kept:");
        ASSERT_TRUE(http.Get(Url("LUSETUP_NET_HTTP", path), target)) << Utf16ToUtf8(http.LastError());
        EXPECT_TRUE(target.ToString() == "kept:" + Pattern(1000003)) << "the streamed body differs";
        EXPECT_EQ(0, http.ResponseStream().Size()) << "a streaming Get leaves the response buffer empty";
    }
}

// A target that takes a few bytes and then refuses, as a full disk does.
class TFullStream : public TMemoryStream {
public:
    int64_t Write(const void* buffer, int64_t count) override
    {
        if (Size() >= 1000) return 0;
        return TMemoryStream::Write(buffer, count);
    }
};

TEST_F(HttpClient, ErrorsOfTheTargetOrOfAHandlerFailTheGetInsteadOfEscaping)
{
    RecordEvents();
    TFullStream full;
    EXPECT_FALSE(http.Get(Url("LUSETUP_NET_HTTP", "/bytes/200000"), full));
    EXPECT_EQ(u"Stream write error", http.LastError());
    ASSERT_FALSE(events.empty());
    EXPECT_EQ('E', events.back().Kind) << "the end event follows a begun transfer, also a failed one";

    http.SetOnWork([](TLuHttp*, TWorkMode, int64_t) { throw EStreamError(u"handler failed"); });
    EXPECT_FALSE(http.Get(Url("LUSETUP_NET_HTTP", "/bytes/10")));
    EXPECT_EQ(u"handler failed", http.LastError());
}

// ---- Progress events ----------------------------------------------------------------------------

TEST_F(HttpClient, ProgressEventsForKnownAndUnknownLength)
{
    struct TCase {
        std::string Path;
        int64_t Size;
        int64_t Expected;  // what OnWorkBegin announces
    };
    const TCase cases[] = {
        {"/bytes/500000", 500000, 500000},
        {"/chunked/500000", 500000, 0},
        {"/bytes/0", 0, 0},
    };
    RecordEvents();
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Path);
        events.clear();
        ASSERT_TRUE(http.Get(Url("LUSETUP_NET_HTTP", c.Path))) << Utf16ToUtf8(http.LastError());
        ASSERT_GE(events.size(), 2u);
        EXPECT_EQ('B', events.front().Kind);
        EXPECT_EQ(c.Expected, events.front().Value);
        EXPECT_EQ('E', events.back().Kind);
        int64_t last = 0;
        for (size_t i = 1; i + 1 < events.size(); ++i) {
            EXPECT_EQ('W', events[i].Kind) << "event " << i;
            EXPECT_GT(events[i].Value, last) << "each work event reports more bytes than the one before";
            last = events[i].Value;
        }
        EXPECT_EQ(c.Size, last) << "the last work event reports the whole body";
        for (const TEvent& e : events) EXPECT_EQ(wmRead, e.Mode);
        if (c.Size >= 500000) {
            EXPECT_GE(events.size(), 4u) << "a large body is reported in several steps";
        }
    }
    // A request that fails before any body arrives raises no progress event.
    events.clear();
    EXPECT_FALSE(http.Get(Url("LUSETUP_NET_HTTP", "/status/404")));
    EXPECT_TRUE(events.empty());
}

// ---- Redirects ----------------------------------------------------------------------------------

TEST_F(HttpClient, RedirectsAreFollowedUpToFifteen)
{
    // The chain mixes absolute URLs, absolute paths and relative paths.
    for (int hops : {1, 2, 4, 15}) {
        SCOPED_TRACE(hops);
        ASSERT_TRUE(http.Get(Url("LUSETUP_NET_HTTP", "/redirect/" + std::to_string(hops))))
            << Utf16ToUtf8(http.LastError());
        EXPECT_EQ(Pattern(100), Body());
    }
    EXPECT_FALSE(http.Get(Url("LUSETUP_NET_HTTP", "/redirect/16")));
    EXPECT_NE(std::u16string::npos, http.LastError().find(u"Too many redirects")) << Utf16ToUtf8(http.LastError());
}

// ---- Failures -----------------------------------------------------------------------------------

BOOL CALLBACK CountProcessWindow(HWND window, LPARAM counter)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == GetCurrentProcessId() && IsWindowVisible(window)) ++*reinterpret_cast<int*>(counter);
    return TRUE;
}

// Visible top-level windows of this process: a failure must not show anything.
int ProcessWindowCount()
{
    int count = 0;
    EnumWindows(CountProcessWindow, reinterpret_cast<LPARAM>(&count));
    return count;
}

TEST_F(HttpClient, FailuresReturnFalseWithTheirReasonAndShowNothing)
{
    struct TCase {
        const char* Server;
        std::string Path;
        const char16_t* InError;  // part of LastError
    };
    const TCase cases[] = {
        {"LUSETUP_NET_HTTP", "/status/404", u"HTTP 404 Not Found"},
        {"LUSETUP_NET_HTTP", "/status/500", u"HTTP 500"},
        {"LUSETUP_NET_HTTP", "/status/304", u"HTTP 304"},
        {"LUSETUP_NET_HTTP", "/cut/5000", u"5000 of 10000 bytes"},
        {"LUSETUP_NET_REFUSED", "/bytes/10", u"(error "},
        {"LUSETUP_NET_UNTRUSTED", "/bytes/10", u"(error "},
        {"LUSETUP_NET_WRONG_HOST", "/bytes/10", u"(error "},
    };
    const int windowsBefore = ProcessWindowCount();
    for (const TCase& c : cases) {
        SCOPED_TRACE(Env(c.Server) + c.Path);
        EXPECT_FALSE(http.Get(Url(c.Server, c.Path)));
        EXPECT_NE(std::u16string::npos, http.LastError().find(c.InError)) << Utf16ToUtf8(http.LastError());
    }
    EXPECT_FALSE(http.Get(u"ftp://127.0.0.1/file"));
    EXPECT_NE(std::u16string::npos, http.LastError().find(u"ftp://127.0.0.1/file")) << Utf16ToUtf8(http.LastError());
    EXPECT_EQ(windowsBefore, ProcessWindowCount());

    // A page of HTML with status 200 is a successful download: judging it is the caller's part.
    ASSERT_TRUE(http.Get(Url("LUSETUP_NET_HTTP", "/page.html")));
    EXPECT_NE(std::string::npos, Body().find("<html>"));
}

TEST_F(HttpClient, AStalledTransferFailsAfterTheReadTimeout)
{
    RecordEvents();
    http.SetReadTimeout(1000);
    EXPECT_FALSE(http.Get(Url("LUSETUP_NET_HTTP", "/stall/20000")));
    EXPECT_NE(std::u16string::npos, http.LastError().find(u"timed out")) << Utf16ToUtf8(http.LastError());
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(40000, events.front().Value);
    EXPECT_EQ('E', events.back().Kind);
}

TEST_F(HttpClient, AServerThatNeverAcceptsFailsAfterTheConnectTimeout)
{
    http.SetConnectTimeout(1000);
    EXPECT_FALSE(http.Get(Url("LUSETUP_NET_BLACKHOLE", "/bytes/10")));
    EXPECT_NE(std::u16string::npos, http.LastError().find(u"timed out")) << Utf16ToUtf8(http.LastError());
}

// ---- TLS ----------------------------------------------------------------------------------------

TEST_F(HttpClient, TlsNeedsATrustedCertificateForTheHostName)
{
    ASSERT_TRUE(http.Get(Url("LUSETUP_NET_HTTPS", "/bytes/1000"))) << Utf16ToUtf8(http.LastError());
    EXPECT_EQ(Pattern(1000), Body());

    // The scheme's case does not matter: a capitalised https is TLS too (a plain request to the
    // TLS port would fail).
    std::u16string upper = Url("LUSETUP_NET_HTTPS", "/bytes/10");
    upper.replace(0, 5, u"HTTPS");
    ASSERT_TRUE(http.Get(upper)) << Utf16ToUtf8(http.LastError());
    EXPECT_EQ(Pattern(10), Body());

    // The same server addressed by a name its certificate carries too.
    std::u16string byName = Url("LUSETUP_NET_HTTPS", "/bytes/10");
    byName.replace(byName.find(u"127.0.0.1"), 9, u"localhost");
    EXPECT_TRUE(http.Get(byName)) << Utf16ToUtf8(http.LastError());

    // Not trusted, or trusted for another name: no body.
    EXPECT_FALSE(http.Get(Url("LUSETUP_NET_UNTRUSTED", "/bytes/10")));
    EXPECT_EQ(0, http.ResponseStream().Size());
    EXPECT_FALSE(http.Get(Url("LUSETUP_NET_WRONG_HOST", "/bytes/10")));
    EXPECT_EQ(0, http.ResponseStream().Size());
}

TEST_F(HttpClient, RedirectFromHttpsToHttpIsRefused)
{
    EXPECT_FALSE(http.Get(Url("LUSETUP_NET_HTTPS", "/to-http")));
    EXPECT_NE(std::u16string::npos, http.LastError().find(u"https to http")) << Utf16ToUtf8(http.LastError());
}

// ---- Proxy --------------------------------------------------------------------------------------

bool LogHas(const char* logVariable, const std::string& text)
{
    return ReadAll(Env(logVariable)).find(text) != std::string::npos;
}

TEST_F(HttpClient, ProxyIsUsedExactlyWhenChecked)
{
    const std::string base = Env("LUSETUP_NET_HTTP");
    // On.
    UseProxy("LUSETUP_NET_PROXY_PORT");
    const std::string on = "/bytes/7" + Marker("on");
    ASSERT_TRUE(http.Get(Utf8ToUtf16(base + on))) << Utf16ToUtf8(http.LastError());
    EXPECT_EQ(Pattern(7), Body());
    EXPECT_TRUE(LogHas("LUSETUP_NET_PROXY_LOG", "GET " + base + on + " ")) << "the proxy saw no request";

    // Off, with the address and port still stored: directly (the driver also points the
    // environment's http_proxy at this proxy, which must be ignored).
    GlobalHttpProxy().Checked = false;
    const std::string off = "/bytes/7" + Marker("off");
    ASSERT_TRUE(http.Get(Utf8ToUtf16(base + off))) << Utf16ToUtf8(http.LastError());
    EXPECT_FALSE(LogHas("LUSETUP_NET_PROXY_LOG", off)) << "an unchecked proxy was used";

    // On again, same client.
    GlobalHttpProxy().Checked = true;
    const std::string again = "/bytes/7" + Marker("again");
    ASSERT_TRUE(http.Get(Utf8ToUtf16(base + again))) << Utf16ToUtf8(http.LastError());
    EXPECT_TRUE(LogHas("LUSETUP_NET_PROXY_LOG", again));

    // https goes through the proxy's tunnel and still verifies the server. The untrusted server
    // comes first: Wine keeps an open tunnel for the proxy's address and reuses it for the next
    // https request through that proxy, whatever server that request names.
    EXPECT_FALSE(http.Get(Url("LUSETUP_NET_UNTRUSTED", "/bytes/9")));
    const std::string untrusted = Env("LUSETUP_NET_UNTRUSTED");
    EXPECT_TRUE(LogHas("LUSETUP_NET_PROXY_LOG", "CONNECT " + untrusted.substr(untrusted.find("127.0.0.1"))));
    ASSERT_TRUE(http.Get(Url("LUSETUP_NET_HTTPS", "/bytes/9"))) << Utf16ToUtf8(http.LastError());
    EXPECT_EQ(Pattern(9), Body());
    const std::string https = Env("LUSETUP_NET_HTTPS");
    EXPECT_TRUE(LogHas("LUSETUP_NET_PROXY_LOG", "CONNECT " + https.substr(https.find("127.0.0.1"))));

    // A proxy that is not there, or not named, fails the request, although the server itself is
    // reachable.
    GlobalHttpProxy().Port =
        std::atoi(Env("LUSETUP_NET_REFUSED").substr(Env("LUSETUP_NET_REFUSED").rfind(':') + 1).c_str());
    EXPECT_FALSE(http.Get(Url("LUSETUP_NET_HTTP", "/bytes/7")));
    GlobalHttpProxy().Address = u"  ";
    EXPECT_FALSE(http.Get(Url("LUSETUP_NET_HTTP", "/bytes/7")));
    EXPECT_EQ(u"No proxy server address is set", http.LastError());
}

TEST_F(HttpClient, ProxyCredentialsAreSentWhenTheProxyAsks)
{
    const std::u16string user = Utf8ToUtf16(Env("LUSETUP_NET_PROXY_USER"));
    const std::u16string password = Utf8ToUtf16(Env("LUSETUP_NET_PROXY_PASSWORD"));
    const std::string base = Env("LUSETUP_NET_HTTP");

    UseProxy("LUSETUP_NET_AUTH_PROXY_PORT", user, password);
    const std::string good = "/bytes/11" + Marker("auth");
    ASSERT_TRUE(http.Get(Utf8ToUtf16(base + good))) << Utf16ToUtf8(http.LastError());
    EXPECT_EQ(Pattern(11), Body());
    EXPECT_TRUE(LogHas("LUSETUP_NET_AUTH_PROXY_LOG", "GET " + base + good + " "));

    struct TCase {
        std::u16string User, Password;
    };
    // Refused: tinyproxy answers a wrong password with 401, missing credentials with 407.
    for (const TCase& c : {TCase{user, u"wrong"}, TCase{u"", u""}}) {
        UseProxy("LUSETUP_NET_AUTH_PROXY_PORT", c.User, c.Password);
        EXPECT_FALSE(http.Get(Utf8ToUtf16(base + "/bytes/11")));
        EXPECT_EQ(0u, http.LastError().find(u"HTTP 40")) << Utf16ToUtf8(http.LastError());
    }
}

// ---- Headers ------------------------------------------------------------------------------------

TEST_F(HttpClient, RequestHeaders)
{
    for (const char* server : {"LUSETUP_NET_HTTP", "LUSETUP_NET_HTTPS"}) {
        SCOPED_TRACE(server);
        ASSERT_TRUE(http.Get(Url(server, "/headers"))) << Utf16ToUtf8(http.LastError());
        const std::string headers = "\n" + Body();
        for (const char* line : {"\nCache-Control: no-cache\n", "\nAccept: */*\n", "\nConnection: Keep-Alive\n"}) {
            EXPECT_NE(std::string::npos, headers.find(line)) << line << " missing from:" << headers;
        }
        EXPECT_EQ(headers.find("\nAccept:"), headers.rfind("\nAccept:")) << "one Accept header";
        EXPECT_EQ(headers.find("\nConnection:"), headers.rfind("\nConnection:")) << "one Connection header";
    }
}

// ---- Cursor -------------------------------------------------------------------------------------

TEST_F(HttpClient, HourglassOnTheMainThreadOnlyAndThePreviousCursorAfterwards)
{
    const HCURSOR wait = LoadCursorW(nullptr, IDC_WAIT);
    const HCURSOR beam = LoadCursorW(nullptr, IDC_IBEAM);
    std::vector<HCURSOR> during;
    http.SetOnWork([&](TLuHttp*, TWorkMode, int64_t) { during.push_back(GetCursor()); });

    for (const char* path : {"/bytes/1000", "/status/404", "/cut/100"}) {
        SCOPED_TRACE(path);
        SetCursor(beam);
        during.clear();
        http.Get(Url("LUSETUP_NET_HTTP", path));
        for (HCURSOR c : during) EXPECT_EQ(wait, c);
        EXPECT_EQ(beam, GetCursor());
    }
    EXPECT_FALSE(during.empty());

    // On another thread the cursor is left alone.
    SetCursor(beam);
    bool ok = false;
    std::thread worker([&] {
        TLuHttp other;
        other.SetOnWork([&](TLuHttp*, TWorkMode, int64_t) { during.push_back(GetCursor()); });
        during.clear();
        ok = other.Get(Url("LUSETUP_NET_HTTP", "/bytes/1000"));
    });
    worker.join();
    EXPECT_TRUE(ok);
    for (HCURSOR c : during) EXPECT_NE(wait, c);
    EXPECT_EQ(beam, GetCursor());
}

}  // namespace
