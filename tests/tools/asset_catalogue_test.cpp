// The compiled window resource and data files against the game's catalogue:
// what the game looks up by name or index must be there with the stored
// sizes, depths and flags its drawing and sound code rely on.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <variant>
#include <vector>

#include "data/picture_collection.h"
#include "game/level_file.h"
#include "game/pictures.h"

namespace {

std::vector<uint8_t> slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A small independent reading of the component stream, enough to walk the
// stored tree: every value kept as its tag and payload.
struct Value;
using Props = std::vector<std::pair<std::string, Value>>;
struct Value {
    int tag = 0;
    int64_t integer = 0;
    std::string text;            // strings and identifiers
    std::vector<uint8_t> bytes;  // binary blocks
    std::vector<std::string> set;
    std::vector<Props> items;  // collections
};
struct Component {
    std::string class_name, name;
    Props props;
    std::vector<Component> children;
    const Value* Prop(const std::string& path) const {
        for (const auto& [p, v] : props)
            if (p == path) return &v;
        return nullptr;
    }
    const Component* Child(const std::string& n) const {
        for (const Component& c : children)
            if (c.name == n) return &c;
        return nullptr;
    }
};

class Parser {
public:
    explicit Parser(const std::vector<uint8_t>& b, size_t start = 0) : b_(b), p_(start) {}
    Component Root() {
        EXPECT_EQ(std::string(b_.begin() + p_, b_.begin() + p_ + 4), "TPF0");
        p_ += 4;
        return Record();
    }
    bool AtEnd() const { return p_ == b_.size(); }

private:
    uint8_t U8() {
        if (p_ >= b_.size()) throw std::runtime_error("stream ends early");
        return b_[p_++];
    }
    uint32_t U32() {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v |= uint32_t(U8()) << (8 * i);
        return v;
    }
    std::string Str() {
        const size_t n = U8();
        std::string s;
        for (size_t i = 0; i < n; ++i) s += static_cast<char>(U8());
        return s;
    }
    Props List() {
        Props props;
        for (std::string path = Str(); !path.empty(); path = Str()) props.emplace_back(path, Val());
        return props;
    }
    Component Record() {
        Component c;
        c.class_name = Str();
        c.name = Str();
        c.props = List();
        while (b_.at(p_) != 0) c.children.push_back(Record());
        ++p_;
        return c;
    }
    Value Val() {
        Value v;
        v.tag = U8();
        switch (v.tag) {
            case 2: v.integer = static_cast<int8_t>(U8()); break;
            case 3: v.integer = static_cast<int16_t>(U8() | (U8() << 8)); break;
            case 4: v.integer = static_cast<int32_t>(U32()); break;
            case 6:
            case 7: v.text = Str(); break;
            case 8:
            case 9:
            case 13: break;
            case 10: {
                const uint32_t n = U32();
                v.bytes.assign(b_.begin() + p_, b_.begin() + p_ + n);
                p_ += n;
                break;
            }
            case 11:
                for (std::string m = Str(); !m.empty(); m = Str()) v.set.push_back(m);
                break;
            case 14:
                while (b_.at(p_) != 0) {
                    EXPECT_EQ(U8(), 1);
                    v.items.push_back(List());
                }
                ++p_;
                break;
            default: throw std::runtime_error("unexpected tag " + std::to_string(v.tag));
        }
        return v;
    }
    const std::vector<uint8_t>& b_;
    size_t p_;
};

uint32_t le32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (uint32_t(b[at + 3]) << 24);
}

const Component& Form() {
    static const std::vector<uint8_t> bytes = slurp(KLICE_FORM_RESOURCE);
    static const Component form = [] {
        Parser p(bytes);
        Component c = p.Root();
        EXPECT_TRUE(p.AtEnd()) << "bytes after the root record";
        return c;
    }();
    return form;
}

std::string ident_or_number(const Value& v) {
    if (v.tag == 7) return v.text;
    return std::to_string(v.integer);
}

struct PictureRow {
    const char* name;
    int width, height, bits;
    bool transparent;
    const char* key;
    size_t block;
};

const PictureRow kPanak[] = {
    {klice::pictures::kWalk[0], 60, 76, 8, true, "clWhite", 5629},
    {klice::pictures::kWalk[1], 60, 76, 8, true, "clWhite", 5629},
    {klice::pictures::kWalk[2], 60, 76, 8, true, "clWhite", 5629},
    {klice::pictures::kWalk[3], 60, 76, 8, true, "clWhite", 5629},
    {klice::pictures::kJump, 60, 76, 8, true, "clWhite", 5629},
    {klice::pictures::kKey, 30, 30, 8, true, "clBlack", 2029},
    {klice::pictures::kSplash[0], 96, 96, 32, true, "clWhite", 36921},
    {klice::pictures::kSplash[1], 96, 96, 32, true, "clWhite", 36921},
    {klice::pictures::kSplash[2], 96, 96, 32, true, "clWhite", 36921},
    {klice::pictures::kSplash[3], 96, 96, 32, true, "clWhite", 36921},
    {klice::pictures::kTitle, 1024, 768, 24, false, "98304", 2359341},
    {klice::pictures::kMenu, 1024, 768, 24, false, "98304", 2359341},
    {klice::pictures::kSliderKnob, 449, 140, 8, true, "clWhite", 64349},
    {klice::pictures::kUpLit, 127, 79, 8, true, "clWhite", 11181},
    {klice::pictures::kDownLit, 128, 86, 8, true, "clWhite", 12077},
    {klice::pictures::kStartLit, 177, 81, 8, false, "clGreen", 15649},
    {klice::pictures::kEndLit, 190, 88, 8, false, "clWhite", 17965},
    {klice::pictures::kMusicHint, 168, 30, 8, true, "clBlack", 6109},
};

TEST(WindowResource, FormAndComponentsCarryTheirStoredSettings) {
    const Component& form = Form();
    EXPECT_EQ(form.class_name, "Tform1");
    EXPECT_EQ(form.name, "form1");
    EXPECT_EQ(form.Prop("KeyPreview")->tag, 9);
    EXPECT_EQ(form.Prop("OnCreate")->text, "create");
    EXPECT_EQ(form.Prop("OnKeyDown")->text, "keydown");
    std::vector<std::string> names;
    for (const Component& c : form.children) names.push_back(c.name);
    EXPECT_EQ(names, (std::vector<std::string>{"DXDraw", "Edit1", "panak", "ruzne", "krajina", "Timer1", "DXSound1",
                                               "WaveList", "DXInput1", "DXMusic1"}));
    const Component* draw = form.Child("DXDraw");
    ASSERT_NE(draw, nullptr);
    EXPECT_EQ(draw->Prop("Display.Width")->integer, 1024);
    EXPECT_EQ(draw->Prop("Display.Height")->integer, 768);
    EXPECT_EQ(draw->Prop("Display.FixedBitCount")->tag, 8);
    EXPECT_EQ(draw->Prop("Display.FixedRatio")->tag, 9);
    EXPECT_EQ(draw->Prop("Options")->set,
              (std::vector<std::string>{"doFullScreen", "doAllowReboot", "doWaitVBlank", "doCenter", "doRetainedMode",
                                        "doHardware", "doSelectDriver"}));
    EXPECT_EQ(draw->Prop("OnMouseDown")->text, "mouse_down");
    EXPECT_EQ(draw->Prop("OnMouseMove")->text, "mouse_move");
    EXPECT_EQ(draw->Prop("OnMouseUp")->text, "DXDrawMouseUp");
    EXPECT_EQ(form.Child("Edit1")->Prop("Visible")->tag, 8);
    EXPECT_EQ(form.Child("Edit1")->Prop("Text")->text, "Edit1");
    EXPECT_EQ(form.Child("Timer1")->Prop("Interval")->integer, 10);
    EXPECT_EQ(form.Child("Timer1")->Prop("OnTimer")->text, "Timer1Timer");
    for (const char* list : {"panak", "ruzne", "krajina"}) {
        const Component* c = form.Child(list);
        ASSERT_NE(c, nullptr) << list;
        EXPECT_EQ(c->Prop("DXDraw")->text, "DXDraw");
        EXPECT_EQ(c->Prop("Items.ColorTable")->bytes, std::vector<uint8_t>(1024, 0)) << list;
    }
}

TEST(WindowResource, PanakHoldsTheEighteenPicturesInOrder) {
    const Value* items = Form().Child("panak")->Prop("Items");
    ASSERT_NE(items, nullptr);
    ASSERT_EQ(items->items.size(), std::size(kPanak));
    for (size_t i = 0; i < std::size(kPanak); ++i) {
        const PictureRow& row = kPanak[i];
        const Props& item = items->items[i];
        SCOPED_TRACE(row.name);
        std::vector<std::string> paths;
        for (const auto& [p, v] : item) paths.push_back(p);
        ASSERT_EQ(paths, (std::vector<std::string>{"Name", "PatternHeight", "PatternWidth", "Picture.Data",
                                                   "SystemMemory", "Transparent", "TransparentColor"}));
        EXPECT_EQ(item[0].second.text, row.name);
        EXPECT_EQ(item[1].second.integer, 0);
        EXPECT_EQ(item[2].second.integer, 0);
        EXPECT_EQ(item[4].second.tag, 8);
        EXPECT_EQ(item[5].second.tag, row.transparent ? 9 : 8);
        EXPECT_EQ(ident_or_number(item[6].second), row.key);
        const std::vector<uint8_t>& data = item[3].second.bytes;
        ASSERT_EQ(data.size(), row.block);
        EXPECT_EQ(std::string(data.begin(), data.begin() + 5), "\x04TDIB");
        const size_t h = 5;  // the bitmap header after the class name
        EXPECT_EQ(le32(data, h), 40u);
        EXPECT_EQ(static_cast<int32_t>(le32(data, h + 4)), row.width);
        EXPECT_EQ(static_cast<int32_t>(le32(data, h + 8)), row.height);  // positive: bottom row first
        EXPECT_EQ(data[h + 14] | (data[h + 15] << 8), row.bits);
        EXPECT_EQ(le32(data, h + 16), row.bits == 32 ? 3u : 0u);
        EXPECT_EQ(le32(data, h + 32), 0u) << "colours used";
        if (row.bits == 32) {
            EXPECT_EQ(le32(data, h + 40), 0xFF0000u);
            EXPECT_EQ(le32(data, h + 44), 0x00FF00u);
            EXPECT_EQ(le32(data, h + 48), 0x0000FFu);
        }
    }
}

// The colour of stored pixel (x, y), counted from the top, of an 8-bit item.
uint32_t rgb8(const std::vector<uint8_t>& data, int width, int height, int x, int y) {
    const size_t table = 5 + 40, pixels = table + 1024;
    const size_t stride = (width + 3) / 4 * 4;
    const uint8_t index = data[pixels + stride * (height - 1 - y) + x];
    const uint8_t* q = &data[table + 4 * index];
    return (q[2] << 16) | (q[1] << 8) | q[0];
}

TEST(WindowResource, PlayerPicturesLetTheProbesSeeThroughThem) {
    const Value* items = Form().Child("panak")->Prop("Items");
    for (int i = 0; i < 5; ++i) {
        const std::vector<uint8_t>& data = items->items[i][3].second.bytes;
        SCOPED_TRACE(kPanak[i].name);
        // Side probes (stored column 13, or 12 and 14 after mirroring and
        // rounding) and the head probe at the top centre must be white, also
        // four rows lower, where they fall while the player is in the air
        // (gravity moves the figure after it was drawn).
        for (int row : {10, 26, 42, 58})
            for (int drop : {0, 4})
                for (int col = 11; col <= 15; ++col)
                    EXPECT_EQ(rgb8(data, 60, 76, col, row + drop), 0xFFFFFFu) << col << "," << row + drop;
        for (int row = 0; row <= 4; ++row)
            for (int col = 28; col <= 32; ++col)
                EXPECT_EQ(rgb8(data, 60, 76, col, row), 0xFFFFFFu) << col << "," << row;
        // The figure itself has neither black (it would hide walls) nor pure red.
        int figure = 0;
        for (int y = 0; y < 76; ++y)
            for (int x = 0; x < 60; ++x) {
                const uint32_t c = rgb8(data, 60, 76, x, y);
                EXPECT_NE(c, 0u);
                EXPECT_NE(c, 0xFF0000u);
                figure += c != 0xFFFFFFu;
            }
        EXPECT_GT(figure, 600) << "a figure is drawn";
    }
}

TEST(WindowResource, ImageListPlaceholdersHaveNoPictures) {
    auto names = [](const Value* items) {
        std::vector<std::string> out;
        for (const Props& item : items->items) {
            EXPECT_EQ(item.size(), 6u);
            for (const auto& [p, v] : item) EXPECT_NE(p, "Picture.Data");
            out.push_back(item[0].second.text);
        }
        return out;
    };
    const Value* ruzne = Form().Child("ruzne")->Prop("Items");
    EXPECT_EQ(names(ruzne), (std::vector<std::string>{"v1", "v2", "v3", "v4", klice::pictures::kBlock,
                                                      klice::pictures::hazard_picture(klice::pictures::kFlame, 1),
                                                      klice::pictures::hazard_picture(klice::pictures::kFlame, 2),
                                                      klice::pictures::hazard_picture(klice::pictures::kFlame, 3),
                                                      klice::pictures::hazard_picture(klice::pictures::kSkull, 1),
                                                      klice::pictures::hazard_picture(klice::pictures::kSkull, 2),
                                                      klice::pictures::hazard_picture(klice::pictures::kSkull, 3),
                                                      klice::pictures::hazard_picture(klice::pictures::kTeeth, 1),
                                                      klice::pictures::hazard_picture(klice::pictures::kTeeth, 2),
                                                      klice::pictures::hazard_picture(klice::pictures::kTeeth, 3),
                                                      klice::pictures::kExitArrow}));
    for (const Props& item : ruzne->items) {
        EXPECT_EQ(item[4].second.tag, 9);
        EXPECT_EQ(item[5].second.text, item[0].second.text == klice::pictures::kExitArrow ? "clWhite" : "clBlack");
    }
    const Value* krajina = Form().Child("krajina")->Prop("Items");
    std::vector<std::string> expected;
    for (int n : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30})
        expected.push_back("p" + std::to_string(n));
    EXPECT_EQ(names(krajina), expected);
    for (const Props& item : krajina->items) {
        EXPECT_EQ(item[4].second.tag, 8);
        EXPECT_EQ(item[5].second.text, "clBlack");
    }
}

TEST(WindowResource, WavesArePcmMonoAtTheirRatesAndSizes) {
    struct WaveRow {
        uint32_t rate, data;
        bool looped;
    };
    const WaveRow rows[] = {{22050, 139488, false}, {22050, 53388, false},  {11025, 728, false},
                            {22050, 11288, false},  {22050, 101230, false}, {16000, 2690816, true},
                            {16000, 1182998, true}};
    const Value* items = Form().Child("WaveList")->Prop("Items");
    EXPECT_EQ(Form().Child("WaveList")->Prop("DXSound")->text, "DXSound1");
    ASSERT_EQ(items->items.size(), 7u);
    for (size_t i = 0; i < 7; ++i) {
        SCOPED_TRACE(i);
        const Props& item = items->items[i];
        ASSERT_EQ(item.size(), 4u);
        EXPECT_EQ(item[1].first, "Looped");
        EXPECT_EQ(item[1].second.tag, rows[i].looped ? 9 : 8);
        EXPECT_EQ(item[2].first, "MaxPlayingCount");
        EXPECT_EQ(item[2].second.integer, 0);
        EXPECT_EQ(item[3].first, "Wave.WAVE");
        const std::vector<uint8_t>& w = item[3].second.bytes;
        ASSERT_EQ(w.size(), rows[i].data + 44);
        EXPECT_EQ(std::string(w.begin(), w.begin() + 4), "RIFF");
        EXPECT_EQ(le32(w, 4), w.size() - 8);
        EXPECT_EQ(std::string(w.begin() + 8, w.begin() + 16), "WAVEfmt ");
        EXPECT_EQ(le32(w, 16), 16u);
        EXPECT_EQ(w[20] | (w[21] << 8), 1);  // PCM
        EXPECT_EQ(w[22] | (w[23] << 8), 1);  // mono
        EXPECT_EQ(le32(w, 24), rows[i].rate);
        EXPECT_EQ(le32(w, 28), rows[i].rate * 2);
        EXPECT_EQ(w[32] | (w[33] << 8), 2);
        EXPECT_EQ(w[34] | (w[35] << 8), 16);
        EXPECT_EQ(std::string(w.begin() + 36, w.begin() + 40), "data");
        EXPECT_EQ(le32(w, 40), rows[i].data);
        // Not silence.
        int loud = 0;
        for (size_t s = 44; s + 1 < w.size(); s += 2)
            loud += std::abs(static_cast<int16_t>(w[s] | (w[s + 1] << 8))) > 1000;
        EXPECT_GT(loud, static_cast<int>(rows[i].data / 2 / 50));
    }
}

TEST(PictureFiles, LoadIntoPictureCollectionsWithTheNamesTheGameAsksFor) {
    klice::TPictureCollection krajina;
    krajina.LoadFromFile(std::string(KLICE_BUILT_DATA_DIR) + "/krajina.dat");
    for (int n : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 21, 22, 23, 24, 25}) {
        klice::TPictureCollectionItem* item = krajina.Find("p" + std::to_string(n));
        EXPECT_EQ(item->Width(), 1024);
        EXPECT_EQ(item->Height(), 768);
        EXPECT_FALSE(item->Transparent);
    }
    klice::TPictureCollection ruzne;
    ruzne.LoadFromFile(std::string(KLICE_BUILT_DATA_DIR) + "/ruzne.dat");
    namespace pictures = klice::pictures;
    std::vector<std::string> names = {pictures::kBlock, pictures::kExitArrow};
    for (const char* kind : pictures::kHazards)
        for (int i = 1; i <= pictures::kHazardPictures; ++i) names.push_back(pictures::hazard_picture(kind, i));
    for (const std::string& name : names) {
        klice::TPictureCollectionItem* item = ruzne.Find(name);
        EXPECT_GT(item->Width(), 0) << name;
        EXPECT_TRUE(item->Transparent) << name;
    }
    EXPECT_EQ(ruzne.Find(klice::pictures::kBlock)->Width(), 80);
    EXPECT_EQ(ruzne.Find(klice::pictures::kBlock)->Height(), 20);
    EXPECT_EQ(ruzne.Find(klice::pictures::kExitArrow)->TransparentColor(), 0xFFFFFFu);
}

TEST(LevelFiles, EveryLevelHasSixKeysAndGroupsWithinTen) {
    for (int level = 1; level <= klice::kLevelCount; ++level) {
        SCOPED_TRACE(level);
        const klice::level_record r =
            klice::read_level_file(std::string(KLICE_BUILT_DATA_DIR) + "/p" + std::to_string(level) + ".dat");
        EXPECT_EQ(r.start_x, 120);
        for (int k = 0; k < 6; ++k) EXPECT_NE(r.objects[k].active, 0);
        for (int32_t count : {r.block_count, r.al_count, r.leb_count, r.zuby_count}) {
            EXPECT_GE(count, 0);
            EXPECT_LE(count, 10);
        }
        for (int i = 0; i < klice::kObjectCount; ++i) {
            const int first = i < 6 ? 0 : i < 16 ? 6 : 6 + (i - 6) / 10 * 10;
            const int32_t used = i < 6    ? 6
                                 : i < 16 ? r.block_count
                                 : i < 26 ? r.al_count
                                 : i < 36 ? r.leb_count
                                          : r.zuby_count;
            static const klice::level_object unused{};
            if (i - first >= used) {
                EXPECT_EQ(std::memcmp(&r.objects[i], &unused, 32), 0) << "slot " << i;
            } else if (i >= 16) {
                EXPECT_TRUE(r.objects[i].frame >= 1 && r.objects[i].frame <= 20) << "slot " << i;
            }
        }
    }
}

}  // namespace
