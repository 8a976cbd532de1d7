#include "sound/wave.h"

#include <algorithm>
#include <cstring>

#include "data/errors.h"
#include "data/filer.h"
#include "platform/data_budget.h"
#include "sound/sound_errors.h"

namespace klice {

namespace {

uint32_t Le32(const uint8_t* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

bool IsId(const uint8_t* p, const char* id) { return std::memcmp(p, id, 4) == 0; }

[[noreturn]] void ReadError() { throw EReadError(kStreamReadError); }

}  // namespace

// ---------------------------------------------------------------- stream

TWaveStream::TWaveStream(TStream& stream) : stream_(stream) {}

TWaveStream::~TWaveStream() {
    try {
        Close();
    } catch (...) {
        // A destructor cannot report a failed header write; Close can.
    }
}

void TWaveStream::SetFormat(const void* block, size_t size) {
    const auto* p = static_cast<const uint8_t*>(block);
    format_.assign(p, p + size);
}

void TWaveStream::CheckOpened() const {
    if (!opened_) throw EWaveStreamError(kStreamNotOpened);
}

void TWaveStream::Open(bool write) {
    if (opened_) throw EWaveStreamError(kStreamAlreadyOpen);
    start_ = stream_.Position();
    data_size_ = 0;
    data_read_ = 0;
    if (write) {
        if (format_.empty()) throw EWaveStreamError(kFormatInvalid);
        const uint8_t placeholder[12] = {};
        stream_.WriteBuffer(placeholder, sizeof placeholder);
        stream_.WriteBuffer("fmt ", 4);
        stream_.WriteValue<uint32_t>(uint32_t(format_.size()));
        stream_.WriteBuffer(format_.data(), format_.size());
        stream_.WriteBuffer("data", 4);
        data_size_field_ = stream_.Position();
        stream_.WriteValue<uint32_t>(0);
        data_position_ = stream_.Position();
    } else {
        format_.clear();
        uint8_t header[12] = {};
        stream_.Read(header, sizeof header);
        if (!IsId(header, "RIFF") || !IsId(header + 8, "WAVE")) throw EWaveStreamError(kWaveInvalid);
        ScanChunks();
    }
    writing_ = write;
    opened_ = true;
}

void TWaveStream::ScanChunks() {
    bool have_data = false;
    data_position_ = 0;
    for (;;) {
        // Zero-filled first, so the end of the stream reads as an empty id.
        uint8_t header[8] = {};
        stream_.Read(header, sizeof header);
        if (IsId(header, "\0\0\0\0")) break;
        const uint32_t size = Le32(header + 4);
        if (IsId(header, "fmt ")) {
            if (stream_.Remaining() < int64_t(size)) ReadError();
            std::vector<uint8_t> block(size);
            stream_.ReadBuffer(block.data(), size);
            format_ = std::move(block);
        } else {
            if (IsId(header, "data")) {
                have_data = true;
                data_size_ = size;
                data_position_ = stream_.Position();
            }
            // Exactly the stated size: odd chunks are not padded.
            stream_.Seek(int64_t(size), SeekOrigin::Current);
        }
    }
    if (!have_data) data_size_ = 0;
}

size_t TWaveStream::Read(void* buffer, size_t count) {
    CheckOpened();
    if (writing_) return 0;
    count = std::min<size_t>(count, data_size_ - data_read_);
    if (count == 0) return 0;
    stream_.SetPosition(data_position_ + data_read_);
    const size_t n = stream_.Read(buffer, count);
    data_read_ += uint32_t(n);
    return n;
}

uint32_t TWaveStream::DataAvailable() {
    CheckOpened();
    const int64_t held = std::max<int64_t>(0, stream_.Size() - data_position_);
    return uint32_t(std::min<int64_t>(held, data_size_));
}

void TWaveStream::ReadBuffer(void* buffer, size_t count) {
    if (Read(buffer, count) != count) ReadError();
}

size_t TWaveStream::Write(const void* buffer, size_t count) {
    CheckOpened();
    if (!writing_) return 0;
    const size_t n = stream_.Write(buffer, count);
    data_size_ += uint32_t(n);
    return n;
}

void TWaveStream::Close() {
    if (!opened_) return;
    opened_ = false;
    if (writing_) FinishHeader();
    writing_ = false;
}

void TWaveStream::FinishHeader() {
    const int64_t end = stream_.Position();
    stream_.SetPosition(start_);
    stream_.WriteBuffer("RIFF", 4);
    stream_.WriteValue<uint32_t>(uint32_t(stream_.Size() - start_ - 8));
    stream_.WriteBuffer("WAVE", 4);
    stream_.SetPosition(data_size_field_);
    stream_.WriteValue<uint32_t>(data_size_);
    stream_.SetPosition(end);
}

// ---------------------------------------------------------------- wave

KLICE_DESCRIBE_CLASS(TWave, c) {}

void TWave::Assign(const TPersistent* source) {
    const auto* wave = dynamic_cast<const TWave*>(source);
    if (!wave) {
        inherited::Assign(source);
        return;
    }
    if (wave == this) return;
    format_ = wave->format_;
    SetSize(wave->size_);
    std::copy(wave->data_.begin(), wave->data_.begin() + ptrdiff_t(wave->size_), data_.begin());
}

void TWave::DefineProperties(TFiler& filer) {
    inherited::DefineProperties(filer);
    filer.DefineBinaryProperty(
        "WAVE", [this](TStream& stream) { LoadFromStream(stream); }, [this](TStream& stream) { SaveToStream(stream); },
        !format_.empty() && size_ > 0);
}

void TWave::SetFormat(const void* block, size_t size) {
    const auto* p = static_cast<const uint8_t*>(block);
    format_.assign(p, p + size);
}

void TWave::SetSize(size_t size) {
    const size_t blocks = (size + kCapacityBlock - 1) / kCapacityBlock;
    if (blocks != data_.size() / kCapacityBlock) {
        std::vector<uint8_t> block(blocks * kCapacityBlock);
        std::copy_n(data_.begin(), std::min(size_, size), block.begin());
        data_ = std::move(block);
    }
    size_ = size;
}

void TWave::Clear() {
    format_.clear();
    SetSize(0);
}

void TWave::LoadFromStream(TStream& stream) {
    TWaveStream wave(stream);
    wave.Open(false);
    const std::vector<uint8_t>& format = wave.Format();
    const uint32_t size = wave.DataSize();
    // A stated size the stream cannot hold fails before anything is allocated.
    if (wave.DataAvailable() < size) ReadError();
    if (size > platform::budget::kWaveBytes) throw EWaveStreamError(kWaveInvalid);
    Clear();
    SetFormat(format.data(), format.size());
    SetSize(size);
    wave.ReadBuffer(Data(), size);
    wave.Close();
}

void TWave::SaveToStream(TStream& stream) const {
    if (format_.empty() || size_ == 0) return;
    TWaveStream wave(stream);
    wave.SetFormat(format_.data(), format_.size());
    wave.Open(true);
    if (wave.Write(data_.data(), size_) != size_) throw EWriteError(kStreamWriteError);
    wave.Close();
}

}  // namespace klice
