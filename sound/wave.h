// A sampled sound in PCM form and the RIFF WAVE image it travels in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "data/persistent.h"
#include "data/stream.h"

namespace klice {

// Reads and writes the chunks of a RIFF WAVE image on another stream, from
// that stream's position at Open.
class TWaveStream {
public:
    explicit TWaveStream(TStream& stream);
    // Closes an open stream; a writing stream gets its header then.
    ~TWaveStream();
    TWaveStream(const TWaveStream&) = delete;
    TWaveStream& operator=(const TWaveStream&) = delete;

    // Reading: checks the tags and scans the chunks (EWaveStreamError "Wave
    // is invalid"); then Format and DataSize tell what was found and Read
    // gives the samples. Writing: needs a format ("Format is invalid") and
    // writes everything up to the first sample.
    void Open(bool write);
    void Close();
    bool Opened() const { return opened_; }
    bool Writing() const { return writing_; }

    const std::vector<uint8_t>& Format() const { return format_; }
    void SetFormat(const void* block, size_t size);
    // Bytes of the "data" chunk: as stated when reading (0 without one), as
    // written so far when writing.
    uint32_t DataSize() const { return data_size_; }
    // Bytes of the data chunk the underlying stream really holds.
    uint32_t DataAvailable();

    // Sample bytes, never past the data chunk's stated size; returns the
    // count read.
    size_t Read(void* buffer, size_t count);
    // Exactly count bytes or EReadError "Stream read error".
    void ReadBuffer(void* buffer, size_t count);
    size_t Write(const void* buffer, size_t count);

private:
    void CheckOpened() const;
    void ScanChunks();
    void FinishHeader();

    TStream& stream_;
    bool opened_ = false;
    bool writing_ = false;
    int64_t start_ = 0;
    std::vector<uint8_t> format_;
    uint32_t data_size_ = 0;
    int64_t data_position_ = 0;  // stream position of the first sample
    uint32_t data_read_ = 0;
    int64_t data_size_field_ = 0;  // where the data chunk's size goes when writing
};

// The samples of a sound and its stored format block ("fmt " as stored).
// Stored by its owner as the binary block "WAVE", a whole RIFF WAVE image.
class TWave : public TPersistent {
    KLICE_CLASS(TWave, TPersistent)
public:
    static constexpr size_t kCapacityBlock = 8096;

    TWave() = default;
    void Assign(const TPersistent* source) override;
    void DefineProperties(TFiler& filer) override;

    const std::vector<uint8_t>& Format() const { return format_; }
    size_t FormatSize() const { return format_.size(); }
    void SetFormat(const void* block, size_t size);

    const uint8_t* Data() const { return data_.data(); }
    uint8_t* Data() { return data_.data(); }
    size_t Size() const { return size_; }
    // Keeps the first min(old, new) bytes; the block is reallocated only when
    // the count of whole 8096-byte blocks changes.
    void SetSize(size_t size);
    size_t Capacity() const { return data_.size(); }
    bool Empty() const { return format_.empty() && size_ == 0; }
    void Clear();

    // A RIFF WAVE image at the stream's position.
    void LoadFromStream(TStream& stream);
    // Nothing is written when the format or the samples are empty.
    void SaveToStream(TStream& stream) const;

private:
    std::vector<uint8_t> format_;
    std::vector<uint8_t> data_;  // capacity: whole blocks
    size_t size_ = 0;
};

}  // namespace klice
