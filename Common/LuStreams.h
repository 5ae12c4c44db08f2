// Streams: an abstract byte stream with a position, a growable memory stream and a file stream.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream {
public:
    virtual ~TStream() = default;

    // Read or write up to count bytes at the position; return how many moved.
    virtual int64_t Read(void* buffer, int64_t count) = 0;
    virtual int64_t Write(const void* buffer, int64_t count) = 0;
    virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;
    virtual int64_t Size();
    virtual void SetSize(int64_t size) = 0;

    int64_t Position() { return Seek(0, TSeekOrigin::soCurrent); }
    void SetPosition(int64_t position) { Seek(position, TSeekOrigin::soBeginning); }

    // Exactly count bytes or EReadError "Stream read error" / EWriteError "Stream write error".
    void ReadBuffer(void* buffer, int64_t count);
    void WriteBuffer(const void* buffer, int64_t count);
    void WriteBytes(const std::string& bytes) { WriteBuffer(bytes.data(), int64_t(bytes.size())); }
    // Copies count bytes from source's position; count 0 copies the whole source from its start.
    // Returns the number of bytes copied.
    int64_t CopyFrom(TStream& source, int64_t count);
    // The bytes from the position to the end (the position moves to the end).
    std::string ReadRemaining();
};

class TMemoryStream : public TStream {
public:
    TMemoryStream() = default;
    explicit TMemoryStream(std::string bytes) : FData(bytes.begin(), bytes.end()) {}
    TMemoryStream(const void* data, size_t size);

    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    int64_t Size() override { return int64_t(FData.size()); }
    void SetSize(int64_t size) override;

    void Clear();
    uint8_t* Memory() { return FData.data(); }
    const uint8_t* Memory() const { return FData.data(); }
    const std::vector<uint8_t>& Bytes() const { return FData; }
    std::string ToString() const { return std::string(FData.begin(), FData.end()); }
    // Replaces the content by the given bytes; position 0.
    void Assign(std::vector<uint8_t> bytes);
    void Assign(const void* data, size_t size);

private:
    std::vector<uint8_t> FData;
    int64_t FPosition = 0;
};

enum TFileMode { fmOpenRead, fmOpenReadWrite, fmCreate };

// A file stream. On Windows the name is opened as UTF-16, so any file name works; others may
// read and write the file while it is open. Writes are buffered: a writer calls Close, since only
// the flush at the end tells whether the last bytes reached the disk.
class TFileStream : public TStream {
public:
    // Raises EFOpenError "Cannot open file "%s". %s" or EFCreateError "Cannot create file "%s". %s".
    TFileStream(const std::u16string& fileName, TFileMode mode);
    // Closes quietly: a writer that has not called Close learns nothing of a failed flush.
    ~TFileStream() override;
    TFileStream(const TFileStream&) = delete;
    TFileStream& operator=(const TFileStream&) = delete;

    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    void SetSize(int64_t size) override;

    // Flushes and closes the file. A stream opened for writing raises EWriteError "Cannot write
    // file "%s". %s" when the flush, the close or any earlier buffered write failed (a full disk):
    // the file is incomplete. The stream is closed afterwards either way; nothing but the
    // destructor may follow.
    void Close();

private:
    std::FILE* FFile = nullptr;
    std::u16string FFileName;
    bool FWritable = false;
};

// Whole-file helpers; raise as TFileStream does (WriteFileBytes also as its Close).
std::string ReadFileBytes(const std::u16string& fileName);
void WriteFileBytes(const std::u16string& fileName, const void* data, size_t size);
