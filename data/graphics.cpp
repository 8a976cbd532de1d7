#include "data/graphics.h"

namespace klice {

void TGraphic::LoadFromFile(const std::string& file_name) {
    TFileStream stream(file_name, FileMode::OpenRead);
    LoadFromStream(stream);
}

void TGraphic::SaveToFile(const std::string& file_name) {
    TFileStream stream(file_name, FileMode::Create);
    SaveToStream(stream);
}

void TGraphic::Changed() {
    if (OnChange) OnChange(*this);
}

}  // namespace klice
