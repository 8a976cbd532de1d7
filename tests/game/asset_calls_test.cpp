#include "game/asset_calls.h"

#include <gtest/gtest.h>

#include <string>

#include "data/errors.h"
#include "data/picture.h"
#include "display/image_list.h"
#include "tests/support/temp_folder.h"

namespace klice {
namespace {

TEST(AssetCalls, FillImageListReplacesTheItemsFromTheFile) {
    const testing::TempFolder dir("asset-calls");
    const std::string path = (dir / "krajina.dat").string();
    {
        TPictureCollection file_items;
        TPictureCollectionItem* item = file_items.Add();
        item->SetName("p3");
        auto dib = std::make_unique<TDIB>();
        dib->SetSize(8, 4, 8);
        item->Picture()->SetGraphic(std::move(dib));
        file_items.SaveToFile(path);
    }
    TComponent owner(nullptr);
    auto* list = new TDXImageList(&owner);
    list->Items()->Add()->SetName("p1");

    fill_image_list(list, path);
    ASSERT_EQ(list->Items()->Count(), 1);
    EXPECT_EQ(list->Items()->Find("P3")->Width(), 8);

    // A missing file fails and leaves the list as it was.
    EXPECT_THROW(fill_image_list(list, (dir / "ruzne.dat").string()), EFOpenError);
    EXPECT_THROW(fill_image_list(nullptr, (dir / "ruzne.dat").string()), EFOpenError);
    EXPECT_EQ(list->Items()->Count(), 1);
}

}  // namespace
}  // namespace klice
