#include "data/picture.h"

#include <algorithm>
#include <cstring>

#include "data/errors.h"
#include "data/filer.h"

namespace klice {

namespace {

std::vector<TGraphicClass>& Registry() {
    // Oldest first; lookups walk it backwards.
    static std::vector<TGraphicClass> classes = [] {
        std::vector<TGraphicClass> c;
        c.push_back({"TBitmap", {"bmp"}, [] { return std::make_unique<TBitmap>(); }});
        c.push_back({"TIcon", {"ico"}, [] { return std::make_unique<TIcon>(); }});
        c.push_back({"TMetafile", {"emf", "wmf"}, [] { return std::make_unique<TMetafile>(); }});
        c.push_back({"TJPEGImage", {"jpeg", "jpg"}, [] { return std::make_unique<TJPEGImage>(); }});
        c.push_back({"TDIB", {"dib"}, [] { return std::make_unique<TDIB>(); }});
        return c;
    }();
    return classes;
}

bool SameExtension(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x + 32);
        if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y + 32);
        if (x != y) return false;
    }
    return true;
}

// A stored length, refused before anything of that size is taken when the
// stream cannot hold it.
std::vector<uint8_t> ReadBlock(TStream& stream, uint64_t length) {
    if (length > static_cast<uint64_t>(stream.Remaining())) throw EReadError(kStreamReadError);
    std::vector<uint8_t> bytes(static_cast<size_t>(length));
    stream.ReadBuffer(bytes.data(), bytes.size());
    return bytes;
}

uint32_t Le32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24); }
uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

}  // namespace

void RegisterGraphicClass(TGraphicClass graphic_class) { Registry().push_back(std::move(graphic_class)); }

void UnregisterGraphicClass(const std::string& name) {
    auto& r = Registry();
    for (auto it = r.rbegin(); it != r.rend(); ++it)
        if (it->name == name) {
            r.erase(std::next(it).base());
            return;
        }
}

const TGraphicClass* FindGraphicClass(const std::string& name) {
    const auto& r = Registry();
    for (auto it = r.rbegin(); it != r.rend(); ++it)
        if (it->name == name) return &*it;
    return nullptr;
}

const TGraphicClass* FindGraphicClassForExtension(const std::string& extension) {
    const auto& r = Registry();
    for (auto it = r.rbegin(); it != r.rend(); ++it)
        for (const std::string& e : it->extensions)
            if (SameExtension(e, extension)) return &*it;
    return nullptr;
}

// ---------------------------------------------------------------------------

void TBitmap::ReadData(TStream& stream) {
    const uint32_t length = stream.ReadValue<uint32_t>();
    std::vector<uint8_t> bytes = ReadBlock(stream, length);
    if (bytes.empty()) {
        dib_ = TDIB();
        Changed();
        return;
    }
    TBytesViewStream view(bytes);
    LoadFromStream(view);
}

void TBitmap::WriteData(TStream& stream) {
    if (Empty()) {
        stream.WriteValue<uint32_t>(0);
        return;
    }
    TMemoryStream file;
    SaveToStream(file);
    stream.WriteValue<uint32_t>(static_cast<uint32_t>(file.Size()));
    stream.WriteBuffer(file.Memory(), file.Bytes().size());
}

void TBitmap::LoadFromStream(TStream& stream) {
    const int64_t start = stream.Position();
    uint8_t magic[2] = {0, 0};
    if (stream.Read(magic, 2) != 2 || magic[0] != 'B' || magic[1] != 'M') throw EInvalidGraphic(kBitmapInvalid);
    stream.SetPosition(start);
    TDIB loaded;
    loaded.LoadFromStream(stream);
    dib_ = loaded;
    Changed();
}

void TBitmap::SaveToStream(TStream& stream) { dib_.SaveToStream(stream); }

// ---------------------------------------------------------------------------

void TJPEGImage::Decode(std::vector<uint8_t> data) {
    if (data.empty()) {
        dib_ = TDIB();
        data_.clear();
        Changed();
        return;
    }
    if (data.size() < 2 || data[0] != 0xFF || data[1] != 0xD8) throw EInvalidGraphic(kJpegInvalid);
    TDIB decoded;
    TBytesViewStream view(data);
    decoded.LoadFromStream(view);
    dib_ = decoded;
    data_ = std::move(data);
    Changed();
}

void TJPEGImage::ReadData(TStream& stream) {
    const uint32_t length = stream.ReadValue<uint32_t>();
    Decode(ReadBlock(stream, length));
}

void TJPEGImage::WriteData(TStream& stream) {
    stream.WriteValue<uint32_t>(static_cast<uint32_t>(data_.size()));
    if (!data_.empty()) stream.WriteBuffer(data_.data(), data_.size());
}

void TJPEGImage::LoadFromStream(TStream& stream) {
    Decode(ReadBlock(stream, static_cast<uint64_t>(stream.Remaining())));
}

void TJPEGImage::SaveToStream(TStream& stream) {
    if (!data_.empty()) stream.WriteBuffer(data_.data(), data_.size());
}

// ---------------------------------------------------------------------------

void TIcon::LoadFromStream(TStream& stream) {
    // The directory: reserved 0, type 1 (icon) or 2 (cursor), entry count;
    // then 16 bytes an entry, each ending with its image's size and offset.
    std::vector<uint8_t> head = ReadBlock(stream, 6);
    const uint16_t type = Le16(&head[2]);
    const uint16_t count = Le16(&head[4]);
    if (Le16(&head[0]) != 0 || (type != 1 && type != 2) || count == 0) throw EInvalidGraphic(kIconInvalid);
    std::vector<uint8_t> entries = ReadBlock(stream, uint64_t(count) * 16);
    uint64_t end = 6 + uint64_t(count) * 16;
    for (int i = 0; i < count; ++i) {
        const uint8_t* e = &entries[static_cast<size_t>(i) * 16];
        const uint64_t size = Le32(e + 8), offset = Le32(e + 12);
        if (offset < 6 + uint64_t(count) * 16) throw EInvalidGraphic(kIconInvalid);
        end = std::max(end, offset + size);
    }
    std::vector<uint8_t> images = ReadBlock(stream, end - (6 + uint64_t(count) * 16));
    std::vector<uint8_t> all;
    all.reserve(static_cast<size_t>(end));
    all.insert(all.end(), head.begin(), head.end());
    all.insert(all.end(), entries.begin(), entries.end());
    all.insert(all.end(), images.begin(), images.end());
    data_ = std::move(all);
    width_ = entries[0] == 0 ? 256 : entries[0];
    height_ = entries[1] == 0 ? 256 : entries[1];
    Changed();
}

// ---------------------------------------------------------------------------

void TMetafile::Take(std::vector<uint8_t> data) {
    bool enhanced = false;
    int width = 0, height = 0;
    // An enhanced metafile starts with its header record: type 1, then the
    // bounds (left, top, right, bottom, inclusive), with " EMF" at 40.
    if (data.size() >= 88 && Le32(&data[0]) == 1 && Le32(&data[40]) == 0x464D4520) {
        enhanced = true;
        const int32_t l = static_cast<int32_t>(Le32(&data[8])), t = static_cast<int32_t>(Le32(&data[12]));
        const int32_t r = static_cast<int32_t>(Le32(&data[16])), b = static_cast<int32_t>(Le32(&data[20]));
        const int64_t w = int64_t(r) - l + 1, h = int64_t(b) - t + 1;
        width = (w > 0 && w < (1 << 20)) ? static_cast<int>(w) : 0;
        height = (h > 0 && h < (1 << 20)) ? static_cast<int>(h) : 0;
    }
    data_ = std::move(data);
    enhanced_ = enhanced;
    width_ = width;
    height_ = height;
    Changed();
}

void TMetafile::ReadData(TStream& stream) {
    const uint32_t length = stream.ReadValue<uint32_t>();
    if (length <= 4) {
        Take({});
        return;
    }
    Take(ReadBlock(stream, length - 4u));
}

void TMetafile::WriteData(TStream& stream) {
    stream.WriteValue<uint32_t>(static_cast<uint32_t>(data_.size() + 4));
    if (!data_.empty()) stream.WriteBuffer(data_.data(), data_.size());
}

void TMetafile::LoadFromStream(TStream& stream) { Take(ReadBlock(stream, static_cast<uint64_t>(stream.Remaining()))); }

void TKeptGraphic::SaveToStream(TStream& stream) {
    if (!data_.empty()) stream.WriteBuffer(data_.data(), data_.size());
}

// ---------------------------------------------------------------------------

TDIB* GraphicPixels(TGraphic* graphic) {
    if (auto* dib = dynamic_cast<TDIB*>(graphic)) return dib;
    if (auto* bmp = dynamic_cast<TBitmap*>(graphic)) return &bmp->Dib();
    if (auto* jpeg = dynamic_cast<TJPEGImage*>(graphic)) return &jpeg->Dib();
    return nullptr;
}

KLICE_DESCRIBE_CLASS(TPicture, c) {}

TPicture::TPicture() = default;
TPicture::~TPicture() = default;

void TPicture::Changed() {
    if (OnChange) OnChange(*this);
}

void TPicture::SetGraphic(std::unique_ptr<TGraphic> graphic) {
    graphic_ = std::move(graphic);
    if (graphic_) graphic_->OnChange = [this](TGraphic&) { Changed(); };
    Changed();
}

void TPicture::Assign(const TPersistent* source) {
    if (source == nullptr) {
        SetGraphic(nullptr);
        return;
    }
    const auto* other = dynamic_cast<const TPicture*>(source);
    if (other == nullptr) {
        TPersistent::Assign(source);
        return;
    }
    if (other == this) return;
    if (other->graphic_ == nullptr) {
        SetGraphic(nullptr);
        return;
    }
    TMemoryStream block;
    other->WriteData(block);
    block.SetPosition(0);
    ReadData(block);
}

void TPicture::DefineProperties(TFiler& filer) {
    inherited::DefineProperties(filer);
    filer.DefineBinaryProperty(
        "Data", [this](TStream& s) { ReadData(s); }, [this](TStream& s) { WriteData(s); }, graphic_ != nullptr);
}

void TPicture::ReadData(TStream& stream) {
    const uint8_t length = stream.ReadValue<uint8_t>();
    // The name is read by its own length and nothing more, however long.
    std::string name(length, '\0');
    if (length > 0) stream.ReadBuffer(name.data(), length);
    std::unique_ptr<TGraphic> graphic;
    if (const TGraphicClass* cls = name.empty() ? nullptr : FindGraphicClass(name)) {
        graphic = cls->create();
        graphic->ReadData(stream);  // a failure drops the new graphic only
    }
    SetGraphic(std::move(graphic));
}

void TPicture::WriteData(TStream& stream) const {
    if (!graphic_) return;
    const std::string name = graphic_->ClassName();
    stream.WriteValue<uint8_t>(static_cast<uint8_t>(name.size()));
    stream.WriteBuffer(name.data(), name.size());
    graphic_->WriteData(stream);
}

void TPicture::LoadFromFile(const std::string& file_name) {
    const size_t dot = file_name.find_last_of('.');
    const size_t slash = file_name.find_last_of('/');
    const std::string ext =
        (dot == std::string::npos || (slash != std::string::npos && dot < slash)) ? "" : file_name.substr(dot + 1);
    const TGraphicClass* cls = FindGraphicClassForExtension(ext);
    if (cls == nullptr) throw EInvalidGraphic(Format("Unknown picture file extension (.%s)", ext.c_str()));
    TFileStream file(file_name, FileMode::OpenRead);
    std::unique_ptr<TGraphic> graphic = cls->create();
    graphic->LoadFromStream(file);
    SetGraphic(std::move(graphic));
}

}  // namespace klice
