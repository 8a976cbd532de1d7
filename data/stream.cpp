#include "data/stream.h"

#include <algorithm>
#include <cstring>

#include "data/errors.h"

namespace klice {

int64_t TStream::Size() {
    int64_t here = Seek(0, SeekOrigin::Current);
    int64_t end = Seek(0, SeekOrigin::End);
    Seek(here, SeekOrigin::Begin);
    return end;
}

int64_t TStream::Remaining() {
    int64_t rest = Size() - Position();
    return rest > 0 ? rest : 0;
}

void TStream::ReadBuffer(void* buffer, size_t count) {
    if (count != 0 && Read(buffer, count) != count) throw EReadError(kStreamReadError);
}

void TStream::WriteBuffer(const void* buffer, size_t count) {
    if (count != 0 && Write(buffer, count) != count) throw EWriteError(kStreamWriteError);
}

int64_t TStream::CopyFrom(TStream& source, int64_t count) {
    if (count == 0) {
        source.SetPosition(0);
        count = source.Size();
    }
    std::vector<uint8_t> chunk(static_cast<size_t>(std::min<int64_t>(count, 1 << 16)));
    int64_t left = count;
    while (left > 0) {
        size_t n = static_cast<size_t>(std::min<int64_t>(left, static_cast<int64_t>(chunk.size())));
        source.ReadBuffer(chunk.data(), n);
        WriteBuffer(chunk.data(), n);
        left -= static_cast<int64_t>(n);
    }
    return count;
}

static int64_t SeekWithin(int64_t position, int64_t size, int64_t offset, SeekOrigin origin) {
    int64_t base = origin == SeekOrigin::Begin ? 0 : origin == SeekOrigin::Current ? position : size;
    int64_t target = base + offset;
    return target < 0 ? 0 : target;
}

size_t TMemoryStream::Read(void* buffer, size_t count) {
    if (position_ >= data_.size()) return 0;
    size_t n = std::min(count, data_.size() - position_);
    std::memcpy(buffer, data_.data() + position_, n);
    position_ += n;
    return n;
}

size_t TMemoryStream::Write(const void* buffer, size_t count) {
    if (count == 0) return 0;
    if (position_ + count > data_.size()) data_.resize(position_ + count);
    std::memcpy(data_.data() + position_, buffer, count);
    position_ += count;
    return count;
}

int64_t TMemoryStream::Seek(int64_t offset, SeekOrigin origin) {
    position_ = static_cast<size_t>(SeekWithin(static_cast<int64_t>(position_), Size(), offset, origin));
    return static_cast<int64_t>(position_);
}

size_t TBytesViewStream::Read(void* buffer, size_t count) {
    if (position_ >= data_.size()) return 0;
    size_t n = std::min(count, data_.size() - position_);
    std::memcpy(buffer, data_.data() + position_, n);
    position_ += n;
    return n;
}

size_t TBytesViewStream::Write(const void*, size_t) { return 0; }

int64_t TBytesViewStream::Seek(int64_t offset, SeekOrigin origin) {
    position_ = static_cast<size_t>(SeekWithin(static_cast<int64_t>(position_), Size(), offset, origin));
    return static_cast<int64_t>(position_);
}

TFileStream::TFileStream(const std::string& file_name, FileMode mode) : file_name_(file_name) {
    platform::FileAccess access = mode == FileMode::OpenRead        ? platform::FileAccess::Read
                                  : mode == FileMode::OpenReadWrite ? platform::FileAccess::ReadWrite
                                                                    : platform::FileAccess::CreateReadWrite;
    int error = file_.Open(file_name, access);
    if (error != 0) {
        std::string message = Format("Cannot open file \"%s\". %s", platform::ExpandFileName(file_name).c_str(),
                                     platform::SystemErrorMessage(error).c_str());
        if (mode == FileMode::Create) throw EFCreateError(message);
        throw EFOpenError(message);
    }
}

size_t TFileStream::Read(void* buffer, size_t count) {
    long long n = file_.Read(buffer, count);
    return n < 0 ? 0 : static_cast<size_t>(n);
}

size_t TFileStream::Write(const void* buffer, size_t count) {
    long long n = file_.Write(buffer, count);
    return n < 0 ? 0 : static_cast<size_t>(n);
}

int64_t TFileStream::Seek(int64_t offset, SeekOrigin origin) { return file_.Seek(offset, static_cast<int>(origin)); }

}  // namespace klice
