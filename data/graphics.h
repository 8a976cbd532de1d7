// The graphic base class: an image that a picture holds and that reads and
// writes its own data. A picture data block stores the graphic's class name
// and then that data; the file form is what a picture file of the class holds.
#pragma once

#include <functional>
#include <string>

#include "data/stream.h"
#include "platform/exception.h"

namespace klice {

// Graphic data that cannot be decoded ("DIB is invalid").
KLICE_DECLARE_EXCEPTION(EInvalidGraphic, Exception);
// An operation the graphic cannot carry out in its present form.
KLICE_DECLARE_EXCEPTION(EInvalidGraphicOperation, Exception);

class TGraphic {
public:
    TGraphic() = default;
    TGraphic(const TGraphic&) = delete;
    TGraphic& operator=(const TGraphic&) = delete;
    virtual ~TGraphic() = default;

    // The class name written before the data in a picture data block.
    virtual const char* ClassName() const = 0;

    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual bool Empty() const = 0;

    // The graphic's own data as it follows the class name in a picture data
    // block. A failed read leaves the graphic as it was.
    virtual void ReadData(TStream& stream) = 0;
    virtual void WriteData(TStream& stream) = 0;

    // The file form of the graphic.
    virtual void LoadFromStream(TStream& stream) = 0;
    virtual void SaveToStream(TStream& stream) = 0;
    void LoadFromFile(const std::string& file_name);
    void SaveToFile(const std::string& file_name);

    // Called after every change of the image (a holder repaints or records it).
    std::function<void(TGraphic&)> OnChange;

protected:
    void Changed();
};

}  // namespace klice
