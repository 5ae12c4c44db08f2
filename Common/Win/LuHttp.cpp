// TLuHttp on WinHTTP, resolved with GetProcAddress from the system folder's winhttp.dll so that a
// winhttp.dll next to a downloaded installer is never loaded. Redirects are followed here rather
// than by WinHTTP: the limit of 15 then holds on every Windows version, and so does the refusal
// of a redirect from https to http.
#include "LuHttp.h"

#include <windows.h>
#include <winhttp.h>

#include <algorithm>
#include <exception>
#include <new>
#include <string>
#include <vector>

#include "LuExceptions.h"
#include "LuHttpProxy.h"
#include "LuStrUtils.h"
#include "LuSysUtilsWin.h"
#include "LuUrl.h"

namespace {

constexpr int kMaxRedirects = 15;
constexpr DWORD kReadBufferSize = 64 * 1024;
const wchar_t* const kUserAgent = L"LuSetup/1.0";
const wchar_t* const kRequestHeaders = L"Cache-Control: no-cache\r\nAccept: */*\r\nConnection: Keep-Alive";

// Static initialisation runs on the thread that starts the process.
const DWORD gMainThreadId = ::GetCurrentThreadId();

struct TWinHttpApi {
    decltype(&WinHttpOpen) Open = nullptr;
    decltype(&WinHttpConnect) Connect = nullptr;
    decltype(&WinHttpOpenRequest) OpenRequest = nullptr;
    decltype(&WinHttpAddRequestHeaders) AddRequestHeaders = nullptr;
    decltype(&WinHttpSendRequest) SendRequest = nullptr;
    decltype(&WinHttpReceiveResponse) ReceiveResponse = nullptr;
    decltype(&WinHttpQueryHeaders) QueryHeaders = nullptr;
    decltype(&WinHttpQueryDataAvailable) QueryDataAvailable = nullptr;
    decltype(&WinHttpReadData) ReadData = nullptr;
    decltype(&WinHttpSetTimeouts) SetTimeouts = nullptr;
    decltype(&WinHttpSetOption) SetOption = nullptr;
    decltype(&WinHttpCrackUrl) CrackUrl = nullptr;
    decltype(&WinHttpQueryAuthSchemes) QueryAuthSchemes = nullptr;
    decltype(&WinHttpSetCredentials) SetCredentials = nullptr;
    decltype(&WinHttpCloseHandle) CloseHandle = nullptr;
    HMODULE Module = nullptr;
    DWORD LoadError = 0;
};

template <class F>
bool Resolve(HMODULE m, const char* name, F& fn)
{
    fn = reinterpret_cast<F>(reinterpret_cast<void*>(::GetProcAddress(m, name)));
    return fn != nullptr;
}

const TWinHttpApi& Api()
{
    static const TWinHttpApi api = [] {
        TWinHttpApi a;
        a.Module = LoadSystemDll(L"winhttp.dll");
        if (!a.Module) {
            a.LoadError = ::GetLastError();
            return a;
        }
        const bool ok = Resolve(a.Module, "WinHttpOpen", a.Open) && Resolve(a.Module, "WinHttpConnect", a.Connect) &&
                        Resolve(a.Module, "WinHttpOpenRequest", a.OpenRequest) &&
                        Resolve(a.Module, "WinHttpAddRequestHeaders", a.AddRequestHeaders) &&
                        Resolve(a.Module, "WinHttpSendRequest", a.SendRequest) &&
                        Resolve(a.Module, "WinHttpReceiveResponse", a.ReceiveResponse) &&
                        Resolve(a.Module, "WinHttpQueryHeaders", a.QueryHeaders) &&
                        Resolve(a.Module, "WinHttpQueryDataAvailable", a.QueryDataAvailable) &&
                        Resolve(a.Module, "WinHttpReadData", a.ReadData) &&
                        Resolve(a.Module, "WinHttpSetTimeouts", a.SetTimeouts) &&
                        Resolve(a.Module, "WinHttpSetOption", a.SetOption) &&
                        Resolve(a.Module, "WinHttpCrackUrl", a.CrackUrl) &&
                        Resolve(a.Module, "WinHttpQueryAuthSchemes", a.QueryAuthSchemes) &&
                        Resolve(a.Module, "WinHttpSetCredentials", a.SetCredentials) &&
                        Resolve(a.Module, "WinHttpCloseHandle", a.CloseHandle);
        if (!ok) {
            a.LoadError = ::GetLastError();
            a.Module = nullptr;  // stays loaded; the client reports it unusable
        }
        return a;
    }();
    return api;
}

// One WinHTTP handle (session, connection or request), closed once.
class THttpHandle {
public:
    THttpHandle() = default;
    explicit THttpHandle(HINTERNET h) : FHandle(h) {}
    ~THttpHandle() { Reset(); }
    THttpHandle(const THttpHandle&) = delete;
    THttpHandle& operator=(const THttpHandle&) = delete;
    void Reset(HINTERNET h = nullptr)
    {
        if (FHandle) Api().CloseHandle(FHandle);
        FHandle = h;
    }
    HINTERNET Get() const { return FHandle; }
    explicit operator bool() const { return FHandle != nullptr; }

private:
    HINTERNET FHandle = nullptr;
};

// The hourglass while a request runs on the main thread; the cursor before it afterwards.
class TWaitCursor {
public:
    TWaitCursor() : FActive(::GetCurrentThreadId() == gMainThreadId)
    {
        if (FActive) FPrevious = ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
    }
    ~TWaitCursor()
    {
        if (FActive) ::SetCursor(FPrevious);
    }
    TWaitCursor(const TWaitCursor&) = delete;
    TWaitCursor& operator=(const TWaitCursor&) = delete;

private:
    bool FActive;
    HCURSOR FPrevious = nullptr;
};

// A failed request: the text that becomes LastError.
struct THttpFailure {
    std::u16string Message;
};

// Texts of the WinHTTP errors a download meets, for systems whose winhttp.dll carries no message
// table (Wine's has none).
const char* KnownErrorText(DWORD error)
{
    switch (error) {
        case ERROR_WINHTTP_TIMEOUT: return "The operation timed out";
        case ERROR_WINHTTP_NAME_NOT_RESOLVED: return "The server name could not be resolved";
        case ERROR_WINHTTP_CANNOT_CONNECT: return "Cannot connect to the server";
        case ERROR_WINHTTP_CONNECTION_ERROR: return "The connection with the server was reset";
        case ERROR_WINHTTP_INVALID_SERVER_RESPONSE: return "The server returned an invalid or unrecognized response";
        case ERROR_WINHTTP_INVALID_URL: return "The URL is invalid";
        case ERROR_WINHTTP_UNRECOGNIZED_SCHEME: return "The URL scheme could not be recognized";
        case ERROR_WINHTTP_SECURE_FAILURE: return "The server's certificate is not valid";
        case ERROR_WINHTTP_SECURE_CHANNEL_ERROR: return "A secure connection could not be established";
        case ERROR_WINHTTP_SECURE_INVALID_CA: return "The server's certificate is not from a trusted authority";
        case ERROR_WINHTTP_SECURE_CERT_CN_INVALID: return "The server's certificate is for another host name";
        case ERROR_WINHTTP_SECURE_CERT_DATE_INVALID: return "The server's certificate has expired or is not yet valid";
        case ERROR_WINHTTP_SECURE_CERT_REVOKED: return "The server's certificate has been revoked";
        case ERROR_WINHTTP_SECURE_INVALID_CERT: return "The server's certificate is invalid";
        case ERROR_WINHTTP_CLIENT_AUTH_CERT_NEEDED: return "The server requires a client certificate";
        case ERROR_WINHTTP_OPERATION_CANCELLED: return "The operation was cancelled";
        case WSAETIMEDOUT: return "The operation timed out";  // what Wine reports for a receive time-out
        default: return nullptr;
    }
}

std::u16string ErrorText(DWORD error)
{
    wchar_t* message = nullptr;
    DWORD length = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_HMODULE |
                                        FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                    Api().Module, error, 0, reinterpret_cast<wchar_t*>(&message), 0, nullptr);
    std::u16string text;
    if (length > 0) text = Trim(U16(message, length));
    if (message) ::LocalFree(message);
    if (const char* known = KnownErrorText(error); known && text.empty()) text = Utf8ToUtf16(known);
    if (text.empty()) text = u"Windows error";
    return text + u" (error " + IntToStr(error) + u")";
}

[[noreturn]] void Fail(const std::u16string& what, DWORD error = ::GetLastError())
{
    throw THttpFailure{what + u": " + ErrorText(error)};
}

// One header of the response as text; empty when it is absent.
std::u16string QueryHeader(HINTERNET request, DWORD info)
{
    DWORD size = 0;
    Api().QueryHeaders(request, info, WINHTTP_HEADER_NAME_BY_INDEX, nullptr, &size, WINHTTP_NO_HEADER_INDEX);
    if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER || size == 0) return {};
    std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 1);
    if (!Api().QueryHeaders(request, info, WINHTTP_HEADER_NAME_BY_INDEX, buffer.data(), &size, WINHTTP_NO_HEADER_INDEX))
        return {};
    return U16(buffer.data(), size / sizeof(wchar_t));
}

DWORD QueryStatus(HINTERNET request)
{
    DWORD status = 0;
    DWORD size = sizeof status;
    if (!Api().QueryHeaders(request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                            WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX))
        Fail(u"No status in the server's response");
    return status;
}

// Content-Length, or 0 when the response does not announce it (chunked, or up to the close).
int64_t QueryContentLength(HINTERNET request)
{
    const std::u16string text = Trim(QueryHeader(request, WINHTTP_QUERY_CONTENT_LENGTH));
    if (text.empty()) return 0;
    int64_t value = 0;
    for (char16_t c : text) {
        if (c < u'0' || c > u'9' || value > (INT64_MAX - 9) / 10) return 0;
        value = value * 10 + (c - u'0');
    }
    return value;
}

bool IsRedirect(DWORD status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// The parts of an http or https URL that WinHTTP wants.
struct TUrlParts {
    bool Secure = false;
    std::u16string Host;
    INTERNET_PORT Port = 0;
    std::u16string Object;  // path and query, without the fragment
};

TUrlParts CrackUrl(const std::u16string& url)
{
    URL_COMPONENTS parts{};
    parts.dwStructSize = sizeof parts;
    parts.dwSchemeLength = DWORD(-1);
    parts.dwHostNameLength = DWORD(-1);
    parts.dwUrlPathLength = DWORD(-1);
    parts.dwExtraInfoLength = DWORD(-1);
    if (!Api().CrackUrl(W(url), DWORD(url.size()), 0, &parts)) Fail(u"Invalid URL \"" + url + u"\"");
    // The scheme test of WinHTTP ignores case, as URLs do: "HTTPS://" is https too.
    if (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS)
        throw THttpFailure{u"Unsupported URL \"" + url + u"\": only http and https can be downloaded"};
    TUrlParts result;
    result.Secure = parts.nScheme == INTERNET_SCHEME_HTTPS;
    result.Host = U16(parts.lpszHostName, parts.dwHostNameLength);
    result.Port = parts.nPort;
    result.Object = U16(parts.lpszUrlPath, parts.dwUrlPathLength) + U16(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    result.Object = result.Object.substr(0, result.Object.find(u'#'));
    if (result.Object.empty()) result.Object = u"/";
    if (result.Host.empty()) throw THttpFailure{u"Invalid URL \"" + url + u"\": no host"};
    return result;
}

// Restricts TLS to 1.2 and later where the system knows the flags (older systems keep their
// defaults, which is all they can do).
void SetSecureProtocols(HINTERNET session)
{
#ifndef WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_3
#define WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_3 0x00002000
#endif
    const DWORD choices[] = {WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2 | WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_3,
                             WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2};
    for (DWORD protocols : choices) {
        if (Api().SetOption(session, WINHTTP_OPTION_SECURE_PROTOCOLS, &protocols, sizeof protocols)) return;
    }
}

// The scheme WinHTTP should answer a challenge with: the strongest one offered.
DWORD ChooseAuthScheme(DWORD supported)
{
    for (DWORD scheme : {DWORD(WINHTTP_AUTH_SCHEME_NEGOTIATE), DWORD(WINHTTP_AUTH_SCHEME_NTLM),
                         DWORD(WINHTTP_AUTH_SCHEME_DIGEST), DWORD(WINHTTP_AUTH_SCHEME_BASIC)}) {
        if (supported & scheme) return scheme;
    }
    return 0;
}

// Reads and drops what is left of a response body (a challenge's page before the retry).
void DrainBody(HINTERNET request)
{
    char buffer[4096];
    DWORD available = 0;
    while (Api().QueryDataAvailable(request, &available) && available > 0) {
        DWORD read = 0;
        if (!Api().ReadData(request, buffer, std::min<DWORD>(available, sizeof buffer), &read) || read == 0) return;
    }
}

std::u16string StatusMessage(DWORD status, const std::u16string& reason)
{
    std::u16string text = u"HTTP " + IntToStr(status);
    if (!reason.empty()) text += u" " + reason;
    return text;
}

}  // namespace

TLuHttp::TLuHttp() = default;
TLuHttp::~TLuHttp() = default;

bool TLuHttp::Get(const std::u16string& url)
{
    FResponse.Clear();
    const bool ok = DoGet(url, FResponse);
    FResponse.SetPosition(0);
    return ok;
}

bool TLuHttp::Get(const std::u16string& url, TStream& target)
{
    FResponse.Clear();
    return DoGet(url, target);
}

bool TLuHttp::DoGet(const std::u16string& url, TStream& target)
{
    TWaitCursor cursor;
    FLastError.clear();
    bool workBegun = false;
    bool ok = false;
    try {
        const TWinHttpApi& api = Api();
        if (!api.Module) Fail(u"WinHTTP is not available", api.LoadError);

        // The proxy settings as they are now: the dialog may have changed them since the last Get.
        const THttpProxyValues proxy = GlobalHttpProxyValues();
        std::u16string proxyName;
        if (proxy.Checked) {
            if (Trim(proxy.Address).empty()) throw THttpFailure{u"No proxy server address is set"};
            if (proxy.Port <= 0 || proxy.Port > 65535)
                throw THttpFailure{u"Invalid proxy port " + IntToStr(proxy.Port)};
            proxyName = Trim(proxy.Address) + u":" + IntToStr(proxy.Port);
        }
        // Never the system's or the environment's proxy: either the one set, or none.
        THttpHandle session(api.Open(kUserAgent,
                                     proxy.Checked ? WINHTTP_ACCESS_TYPE_NAMED_PROXY : WINHTTP_ACCESS_TYPE_NO_PROXY,
                                     proxy.Checked ? W(proxyName) : WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
        if (!session) Fail(u"Cannot open an HTTP session");
        // Name resolution and connecting share the connect time-out; sending and each receive
        // wait at most the read time-out.
        if (!api.SetTimeouts(session.Get(), FConnectTimeout, FConnectTimeout, FReadTimeout, FReadTimeout))
            Fail(u"Cannot set the time-outs");
        SetSecureProtocols(session.Get());

        std::u16string current = url;
        bool wasSecure = false;
        for (int redirects = 0;; ++redirects) {
            const TUrlParts parts = CrackUrl(current);
            if (redirects > 0 && wasSecure && !parts.Secure)
                throw THttpFailure{u"Redirect from https to http refused: " + current};
            wasSecure = parts.Secure;

            THttpHandle connection(api.Connect(session.Get(), W(parts.Host), parts.Port, 0));
            if (!connection) Fail(u"Cannot connect to " + parts.Host);
            THttpHandle request(api.OpenRequest(connection.Get(), L"GET", W(parts.Object), nullptr, WINHTTP_NO_REFERER,
                                                WINHTTP_DEFAULT_ACCEPT_TYPES, parts.Secure ? WINHTTP_FLAG_SECURE : 0));
            if (!request) Fail(u"Cannot create the request for " + current);
            DWORD never = WINHTTP_OPTION_REDIRECT_POLICY_NEVER;
            api.SetOption(request.Get(), WINHTTP_OPTION_REDIRECT_POLICY, &never, sizeof never);
            DWORD disable = WINHTTP_DISABLE_REDIRECTS;
            api.SetOption(request.Get(), WINHTTP_OPTION_DISABLE_FEATURE, &disable, sizeof disable);
            DWORD receiveTimeout = DWORD(FReadTimeout);
            api.SetOption(request.Get(), WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &receiveTimeout,
                          sizeof receiveTimeout);
            if (!api.AddRequestHeaders(request.Get(), kRequestHeaders, DWORD(-1L),
                                       WINHTTP_ADDREQ_FLAG_ADD | WINHTTP_ADDREQ_FLAG_REPLACE))
                Fail(u"Cannot set the request headers");

            // Send; a proxy that asks for credentials gets the ones set, once.
            DWORD status = 0;
            for (bool credentialsGiven = false;;) {
                if (!api.SendRequest(request.Get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0, 0))
                    Fail(u"Cannot send the request to " + parts.Host);
                if (!api.ReceiveResponse(request.Get(), nullptr)) Fail(u"No response from " + parts.Host);
                status = QueryStatus(request.Get());
                if (status != HTTP_STATUS_PROXY_AUTH_REQ || credentialsGiven || !proxy.Checked ||
                    proxy.UserName.empty())
                    break;
                DWORD supported = 0, first = 0, authTarget = 0;
                if (!api.QueryAuthSchemes(request.Get(), &supported, &first, &authTarget)) break;
                const DWORD scheme = ChooseAuthScheme(supported);
                if (scheme == 0 || authTarget != WINHTTP_AUTH_TARGET_PROXY) break;
                if (!api.SetCredentials(request.Get(), WINHTTP_AUTH_TARGET_PROXY, scheme, W(proxy.UserName),
                                        W(proxy.Password), nullptr))
                    Fail(u"Cannot set the proxy credentials");
                DrainBody(request.Get());
                credentialsGiven = true;
            }

            if (IsRedirect(status)) {
                const std::u16string location = Trim(QueryHeader(request.Get(), WINHTTP_QUERY_LOCATION));
                if (location.empty()) throw THttpFailure{StatusMessage(status, u"without a Location")};
                if (redirects == kMaxRedirects)
                    throw THttpFailure{u"Too many redirects (more than " + IntToStr(kMaxRedirects) + u")"};
                current = ResolveUrl(current, location);
                continue;
            }
            if (status < 200 || status > 299)
                throw THttpFailure{StatusMessage(status, Trim(QueryHeader(request.Get(), WINHTTP_QUERY_STATUS_TEXT)))};

            // The body, written to the target as it arrives.
            const int64_t expected = QueryContentLength(request.Get());
            workBegun = true;
            if (FOnWorkBegin) FOnWorkBegin(this, wmRead, expected);
            std::vector<char> buffer(kReadBufferSize);
            int64_t received = 0;
            for (;;) {
                DWORD available = 0;
                if (!api.QueryDataAvailable(request.Get(), &available)) Fail(u"Download interrupted");
                if (available == 0) break;
                DWORD read = 0;
                if (!api.ReadData(request.Get(), buffer.data(), std::min<DWORD>(available, kReadBufferSize), &read))
                    Fail(u"Download interrupted");
                if (read == 0) break;
                target.WriteBuffer(buffer.data(), read);
                received += read;
                if (FOnWork) FOnWork(this, wmRead, received);
            }
            // A connection that ends before the announced length is a failed download, not a
            // shorter file.
            if (expected > 0 && received != expected)
                throw THttpFailure{u"Download incomplete: " + IntToStr(received) + u" of " + IntToStr(expected) +
                                   u" bytes received"};
            break;
        }
        ok = true;
    } catch (const THttpFailure& failure) {
        FLastError = failure.Message;
    } catch (const Exception& error) {
        FLastError = error.Message();
    } catch (const std::bad_alloc&) {
        FLastError = u"Out of memory";
    } catch (const std::exception& error) {
        FLastError = Utf8ToUtf16(error.what());
    }
    if (workBegun && FOnWorkEnd) {
        try {
            FOnWorkEnd(this, wmRead);
        } catch (const std::exception& error) {
            if (ok) FLastError = Utf8ToUtf16(error.what());
            ok = false;
        }
    }
    if (!ok && FLastError.empty()) FLastError = u"Download failed";  // a failure always says something
    return ok;
}
