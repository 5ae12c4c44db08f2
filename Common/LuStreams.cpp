#include "LuStreams.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "LuExceptions.h"
#include "LuFilePlatform.h"
#include "LuStrUtils.h"

int64_t TStream::Size()
{
    const int64_t pos = Seek(0, TSeekOrigin::soCurrent);
    const int64_t size = Seek(0, TSeekOrigin::soEnd);
    Seek(pos, TSeekOrigin::soBeginning);
    return size;
}

void TStream::ReadBuffer(void* buffer, int64_t count)
{
    if (count < 0 || Read(buffer, count) != count) throw EReadError(u"Stream read error");
}

void TStream::WriteBuffer(const void* buffer, int64_t count)
{
    if (count < 0 || Write(buffer, count) != count) throw EWriteError(u"Stream write error");
}

int64_t TStream::CopyFrom(TStream& source, int64_t count)
{
    // Like the runtime library, any count below 1 copies the whole source (a negative count used
    // to size the buffer from a huge unsigned value).
    if (count <= 0) {
        source.SetPosition(0);
        count = source.Size();
    }
    const int64_t total = count;
    std::vector<uint8_t> buffer(size_t(std::min<int64_t>(count, 1 << 16)));
    while (count > 0) {
        const int64_t n = std::min<int64_t>(count, int64_t(buffer.size()));
        source.ReadBuffer(buffer.data(), n);
        WriteBuffer(buffer.data(), n);
        count -= n;
    }
    return total;
}

std::string TStream::ReadRemaining()
{
    const int64_t n = Size() - Position();
    if (n <= 0) return {};
    std::string bytes(size_t(n), '\0');
    ReadBuffer(bytes.data(), n);
    return bytes;
}

// ---- TMemoryStream ------------------------------------------------------------------------

TMemoryStream::TMemoryStream(const void* data, size_t size) { Assign(data, size); }

int64_t TMemoryStream::Read(void* buffer, int64_t count)
{
    if (count <= 0 || FPosition >= Size()) return 0;
    const int64_t n = std::min<int64_t>(count, Size() - FPosition);
    std::memcpy(buffer, FData.data() + FPosition, size_t(n));
    FPosition += n;
    return n;
}

int64_t TMemoryStream::Write(const void* buffer, int64_t count)
{
    if (count <= 0) return 0;
    if (FPosition + count > Size()) FData.resize(size_t(FPosition + count));
    std::memcpy(FData.data() + FPosition, buffer, size_t(count));
    FPosition += count;
    return count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin)
{
    switch (origin) {
        case TSeekOrigin::soBeginning: FPosition = offset; break;
        case TSeekOrigin::soCurrent: FPosition += offset; break;
        case TSeekOrigin::soEnd: FPosition = Size() + offset; break;
    }
    if (FPosition < 0) FPosition = 0;
    return FPosition;
}

void TMemoryStream::SetSize(int64_t size)
{
    FData.resize(size_t(std::max<int64_t>(size, 0)));
    if (FPosition > Size()) FPosition = Size();
}

void TMemoryStream::Clear()
{
    FData.clear();
    FData.shrink_to_fit();
    FPosition = 0;
}

void TMemoryStream::Assign(std::vector<uint8_t> bytes)
{
    FData = std::move(bytes);
    FPosition = 0;
}

void TMemoryStream::Assign(const void* data, size_t size)
{
    const auto* p = static_cast<const uint8_t*>(data);
    FData.assign(p, p + size);
    FPosition = 0;
}

// ---- TFileStream --------------------------------------------------------------------------

TFileStream::TFileStream(const std::u16string& fileName, TFileMode mode)
    : FFileName(fileName), FWritable(mode != fmOpenRead)
{
    FFile = LuOpenFile(fileName, mode == fmCreate ? "w+b" : mode == fmOpenReadWrite ? "r+b" : "rb");
    if (!FFile) {
        const std::u16string reason = Utf8ToUtf16(std::strerror(errno));
        if (mode == fmCreate) throw EFCreateError(Format(u"Cannot create file \"%s\". %s", {fileName, reason}));
        throw EFOpenError(Format(u"Cannot open file \"%s\". %s", {fileName, reason}));
    }
}

TFileStream::~TFileStream()
{
    if (FFile) std::fclose(FFile);
}

void TFileStream::Close()
{
    if (!FFile) return;
    std::FILE* file = FFile;
    FFile = nullptr;
    // The error indicator also keeps a flush that failed earlier, inside a seek.
    int error = 0;
    if (std::fflush(file) != 0) error = errno;
    if (std::ferror(file) && !error) error = EIO;
    if (std::fclose(file) != 0 && !error) error = errno;
    if (FWritable && error)
        throw EWriteError(Format(u"Cannot write file \"%s\". %s", {FFileName, Utf8ToUtf16(std::strerror(error))}));
}

// C streams opened for update must not switch between reading and writing without a positioning
// call in between; the Windows runtime otherwise drops written data or reads stale bytes. A seek
// to the current position before every transfer keeps both directions safe at the cost of one
// buffer refill per call, which the chunked callers do not notice.
int64_t TFileStream::Read(void* buffer, int64_t count)
{
    if (count <= 0) return 0;
    Seek(0, TSeekOrigin::soCurrent);
    return int64_t(std::fread(buffer, 1, size_t(count), FFile));
}

int64_t TFileStream::Write(const void* buffer, int64_t count)
{
    if (count <= 0) return 0;
    Seek(0, TSeekOrigin::soCurrent);
    return int64_t(std::fwrite(buffer, 1, size_t(count), FFile));
}

int64_t TFileStream::Seek(int64_t offset, TSeekOrigin origin)
{
    const int whence = origin == TSeekOrigin::soBeginning ? SEEK_SET
                       : origin == TSeekOrigin::soCurrent ? SEEK_CUR
                                                          : SEEK_END;
    return LuSeekFile(FFile, offset, whence);
}

void TFileStream::SetSize(int64_t size)
{
    const int64_t position = Position();  // also flushes pending writes
    if (!LuTruncateFile(FFile, size)) throw EWriteError(u"Stream write error");
    // As in the memory stream, a position beyond the new end moves to the end; left there, the
    // next write would leave a hole of zeros in the file.
    Seek(std::min(position, size), TSeekOrigin::soBeginning);
}

std::string ReadFileBytes(const std::u16string& fileName)
{
    TFileStream file(fileName, fmOpenRead);
    return file.ReadRemaining();
}

void WriteFileBytes(const std::u16string& fileName, const void* data, size_t size)
{
    TFileStream file(fileName, fmCreate);
    file.WriteBuffer(data, int64_t(size));
    file.Close();
}
