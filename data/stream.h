// Byte streams: the abstract stream and its memory, file and read-only view
// forms. ReadBuffer fails with "Stream read error" when the data ends early;
// Remaining() lets readers refuse a stored length before allocating it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/file.h"

namespace klice {

enum class SeekOrigin { Begin = 0, Current = 1, End = 2 };

class TStream {
public:
    virtual ~TStream() = default;
    // Returns the count of bytes moved (less than asked at the end).
    virtual size_t Read(void* buffer, size_t count) = 0;
    virtual size_t Write(const void* buffer, size_t count) = 0;
    virtual int64_t Seek(int64_t offset, SeekOrigin origin) = 0;

    int64_t Position() { return Seek(0, SeekOrigin::Current); }
    void SetPosition(int64_t position) { Seek(position, SeekOrigin::Begin); }
    virtual int64_t Size();
    // Bytes from the position to the end; 0 when the position is past the end.
    int64_t Remaining();

    // Exactly count bytes, or EReadError "Stream read error".
    void ReadBuffer(void* buffer, size_t count);
    // Exactly count bytes, or EWriteError "Stream write error".
    void WriteBuffer(const void* buffer, size_t count);
    // Copies count bytes from source (all of it from its start when count is 0).
    int64_t CopyFrom(TStream& source, int64_t count);

    template <typename T>
    T ReadValue() {  // little-endian integers
        unsigned char bytes[sizeof(T)];
        ReadBuffer(bytes, sizeof bytes);
        uint64_t value = 0;
        for (size_t i = 0; i < sizeof(T); ++i) value |= uint64_t(bytes[i]) << (8 * i);
        return static_cast<T>(value);
    }
    template <typename T>
    void WriteValue(T value) {
        unsigned char bytes[sizeof(T)];
        for (size_t i = 0; i < sizeof(T); ++i) bytes[i] = static_cast<unsigned char>(uint64_t(value) >> (8 * i));
        WriteBuffer(bytes, sizeof bytes);
    }
};

// A growable stream in memory.
class TMemoryStream : public TStream {
public:
    TMemoryStream() = default;
    explicit TMemoryStream(std::vector<uint8_t> bytes) : data_(std::move(bytes)) {}
    size_t Read(void* buffer, size_t count) override;
    size_t Write(const void* buffer, size_t count) override;
    int64_t Seek(int64_t offset, SeekOrigin origin) override;
    int64_t Size() override { return static_cast<int64_t>(data_.size()); }
    void SetSize(size_t size) { data_.resize(size); }
    void Clear() {
        data_.clear();
        position_ = 0;
    }
    const std::vector<uint8_t>& Bytes() const { return data_; }
    std::vector<uint8_t>& Bytes() { return data_; }
    const uint8_t* Memory() const { return data_.data(); }

private:
    std::vector<uint8_t> data_;
    size_t position_ = 0;
};

// A read-only stream over bytes that someone else owns (a resource, a block).
class TBytesViewStream : public TStream {
public:
    explicit TBytesViewStream(std::span<const uint8_t> bytes) : data_(bytes) {}
    size_t Read(void* buffer, size_t count) override;
    size_t Write(const void* buffer, size_t count) override;  // always 0
    int64_t Seek(int64_t offset, SeekOrigin origin) override;
    int64_t Size() override { return static_cast<int64_t>(data_.size()); }
    std::span<const uint8_t> Bytes() const { return data_; }

private:
    std::span<const uint8_t> data_;
    size_t position_ = 0;
};

enum class FileMode {
    OpenRead,       // existing file, reading; other writers shut out
    OpenReadWrite,  // existing file, reading and writing
    Create,         // new or truncated file, writing
};

// A file on disk. A failed open raises EFOpenError (EFCreateError for Create)
// with "Cannot open file "%s". %s": the full path and the system's error text.
class TFileStream : public TStream {
public:
    TFileStream(const std::string& file_name, FileMode mode);
    size_t Read(void* buffer, size_t count) override;
    size_t Write(const void* buffer, size_t count) override;
    int64_t Seek(int64_t offset, SeekOrigin origin) override;
    const std::string& FileName() const { return file_name_; }

private:
    std::string file_name_;
    platform::File file_;
};

}  // namespace klice
