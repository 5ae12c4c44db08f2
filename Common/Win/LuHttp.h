// TLuHttp: the installer's HTTP(S) client on WinHTTP. One request, GET, reported as success or
// failure (never raised). WinHTTP is loaded from the system directory at run time.
//
// Requests carry "Cache-Control: no-cache", "Accept: */*" and "Connection: Keep-Alive", follow
// at most 15 redirects, go through GlobalHttpProxy() when its Checked is true, verify the
// server's certificate and host name for https, and fail on any status outside 2xx. A connection
// gives up after the connect time-out (60 s unless set); a transfer that receives nothing for the
// read time-out (60 s unless set) fails too, so a stalled server cannot hang the installer.
// Called on the main thread, Get shows the hourglass and restores the previous cursor.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "LuStreams.h"

enum TWorkMode { wmRead, wmWrite };

class TLuHttp {
public:
    using TWorkBeginEvent = std::function<void(TLuHttp* sender, TWorkMode mode, int64_t expected)>;
    using TWorkEvent = std::function<void(TLuHttp* sender, TWorkMode mode, int64_t transferred)>;
    using TWorkEndEvent = std::function<void(TLuHttp* sender, TWorkMode mode)>;

    TLuHttp();
    ~TLuHttp();
    TLuHttp(const TLuHttp&) = delete;
    TLuHttp& operator=(const TLuHttp&) = delete;

    // GET into the response buffer; true when the whole body arrived with a success status.
    bool Get(const std::u16string& url);
    // GET with the body written to `target` as it arrives (a large download needs no memory of
    // its size); the response buffer stays empty. On failure `target` may hold part of a body.
    bool Get(const std::u16string& url, TStream& target);

    // After a successful Get(url): the whole body, positioned at its start.
    TMemoryStream& ResponseStream() { return FResponse; }
    // The message of the error that made the last Get fail.
    const std::u16string& LastError() const { return FLastError; }

    void SetConnectTimeout(int milliseconds) { FConnectTimeout = milliseconds; }
    void SetReadTimeout(int milliseconds) { FReadTimeout = milliseconds; }
    void SetOnWorkBegin(TWorkBeginEvent handler) { FOnWorkBegin = std::move(handler); }
    void SetOnWork(TWorkEvent handler) { FOnWork = std::move(handler); }
    void SetOnWorkEnd(TWorkEndEvent handler) { FOnWorkEnd = std::move(handler); }

private:
    bool DoGet(const std::u16string& url, TStream& target);

    TMemoryStream FResponse;
    std::u16string FLastError;
    int FConnectTimeout = 60000;
    int FReadTimeout = 60000;
    TWorkBeginEvent FOnWorkBegin;
    TWorkEvent FOnWork;
    TWorkEndEvent FOnWorkEnd;
};
