// Pictures and the graphic classes a picture data block may name.
//
// A picture holds at most one graphic. Its stored form, the defined property
// "Data", is one length byte, the graphic's class name and then the graphic's
// own data. Class names are looked up among the registered graphic classes
// exactly as written (letter case counts), the most recent registration
// first; a name nobody registered leaves the picture empty.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "data/dib.h"
#include "data/graphics.h"
#include "data/persistent.h"

namespace klice {

inline constexpr const char* kBitmapInvalid = "Bitmap image is not valid";
inline constexpr const char* kIconInvalid = "Icon image is not valid";
inline constexpr const char* kMetafileInvalid = "Metafile is not valid";

// ---------------------------------------------------------------------------
// The graphic class registry.

struct TGraphicClass {
    std::string name;                     // "TDIB"
    std::vector<std::string> extensions;  // "dib"
    std::function<std::unique_ptr<TGraphic>()> create;
};

// Adds a class; it is found before every class registered earlier.
void RegisterGraphicClass(TGraphicClass graphic_class);
// Removes the newest registration of that name (tests).
void UnregisterGraphicClass(const std::string& name);
// The newest class of exactly that name, or nullptr.
const TGraphicClass* FindGraphicClass(const std::string& name);
// The newest class registered for a file extension (without the dot, letter
// case ignored), or nullptr.
const TGraphicClass* FindGraphicClassForExtension(const std::string& extension);

// ---------------------------------------------------------------------------
// Graphic classes besides TDIB. Each keeps the bytes it was read from, so
// that writing gives back the same block.

// A graphic whose pixels, once decoded, are a DIB: its size is the DIB's.
class TDecodedGraphic : public TGraphic {
public:
    int Width() const override { return dib_.Width(); }
    int Height() const override { return dib_.Height(); }
    bool Empty() const override { return dib_.Empty(); }
    TDIB& Dib() { return dib_; }

protected:
    TDIB dib_;
};

// A bitmap file: 32-bit length, then a 14-byte file header starting "BM"
// and the DIB. A length of 0 is the empty bitmap.
class TBitmap : public TDecodedGraphic {
public:
    const char* ClassName() const override { return "TBitmap"; }
    void ReadData(TStream& stream) override;
    void WriteData(TStream& stream) override;
    void LoadFromStream(TStream& stream) override;
    void SaveToStream(TStream& stream) override;
};

// JPEG data: 32-bit length, then the JPEG stream, decoded to 24 bits.
class TJPEGImage : public TDecodedGraphic {
public:
    const char* ClassName() const override { return "TJPEGImage"; }
    void ReadData(TStream& stream) override;
    void WriteData(TStream& stream) override;
    void LoadFromStream(TStream& stream) override;
    void SaveToStream(TStream& stream) override;
    const std::vector<uint8_t>& Data() const { return data_; }

private:
    void Decode(std::vector<uint8_t> data);
    std::vector<uint8_t> data_;
};

// A graphic whose file image is kept as it was read and drawn as nothing:
// it only reports a size taken from its header.
class TKeptGraphic : public TGraphic {
public:
    int Width() const override { return width_; }
    int Height() const override { return height_; }
    bool Empty() const override { return data_.empty(); }
    void SaveToStream(TStream& stream) override;
    const std::vector<uint8_t>& Data() const { return data_; }

protected:
    std::vector<uint8_t> data_;
    int width_ = 0, height_ = 0;
};

// An icon file image: the directory, its entries and their images. The
// icon reports the size of its first entry.
class TIcon : public TKeptGraphic {
public:
    const char* ClassName() const override { return "TIcon"; }
    void ReadData(TStream& stream) override { LoadFromStream(stream); }
    void WriteData(TStream& stream) override { SaveToStream(stream); }
    void LoadFromStream(TStream& stream) override;
};

// A metafile: 32-bit length counting itself, then an enhanced metafile
// (recognised by its header) or a Windows metafile. An enhanced metafile
// reports the size of its bounds.
class TMetafile : public TKeptGraphic {
public:
    const char* ClassName() const override { return "TMetafile"; }
    bool Enhanced() const { return enhanced_; }
    void ReadData(TStream& stream) override;
    void WriteData(TStream& stream) override;
    void LoadFromStream(TStream& stream) override;

private:
    void Take(std::vector<uint8_t> data);
    bool enhanced_ = false;
};

// The pixels of a graphic that has them (TDIB, TBitmap, TJPEGImage), or
// nullptr for one that draws nothing.
TDIB* GraphicPixels(TGraphic* graphic);

// ---------------------------------------------------------------------------

class TPicture : public TPersistent {
    KLICE_CLASS(TPicture, TPersistent)
public:
    TPicture();
    ~TPicture() override;

    TGraphic* Graphic() const { return graphic_.get(); }
    // Takes the graphic (nullptr empties the picture) and reports a change.
    void SetGraphic(std::unique_ptr<TGraphic> graphic);
    int Width() const { return graphic_ ? graphic_->Width() : 0; }
    int Height() const { return graphic_ ? graphic_->Height() : 0; }

    // Copies another picture's graphic through its stored form.
    void Assign(const TPersistent* source) override;
    void DefineProperties(TFiler& filer) override;

    // The block of the "Data" property. Reading replaces the graphic only
    // when the new one was read whole.
    void ReadData(TStream& stream);
    void WriteData(TStream& stream) const;

    // A picture file, its class chosen by the file's extension.
    void LoadFromFile(const std::string& file_name);

    std::function<void(TPicture&)> OnChange;

private:
    void Changed();
    std::unique_ptr<TGraphic> graphic_;
};

}  // namespace klice
