#include "data/writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "data/component_stream.h"
#include "tests/data/test_classes.h"
#include "tests/support/temp_folder.h"

namespace klice::test {
namespace {

std::vector<uint8_t> Written(TComponent& root) {
    TMemoryStream s;
    WriteComponent(s, root);
    return s.Bytes();
}

bool Contains(const std::vector<uint8_t>& haystack, const std::string& needle) {
    return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end()) != haystack.end();
}

// A tree that uses every kind, a reference, an event, a sub-object, a
// sub-component, a collection with a binary defined property and a general
// defined property.
void Fill(TRoot& root) {
    root.SetName("Main");
    auto* first = new TWidget(&root);
    first->SetName("First");
    auto* second = new TWidget(&root);
    second->SetName("Second");
    auto* holder = new THolder(&root);
    holder->SetName("Holder1");
    first->caption = "Hello";
    second->caption = std::string(300, 'x');
    first->font.style = TStyles{TStyle::stBold, TStyle::stUnderline};
    first->font.size = 38;
    first->font.color = 0xFFFF;
    first->knob->turns = -70000;
    first->buddy = second;
    first->left = 300;
    first->ClassInfo().FindProperty("OnCreate")->set_method(*first, root.ClassInfo().FindMethod("create"), &root);
    first->ClassInfo().FindProperty("OnKeyDown")->set_method(*first, root.ClassInfo().FindMethod("keydown"), &root);
    holder->list.color_table.assign(1024, 0);
    holder->list.color_table[5] = 9;
    const TMode modes[] = {TMode::mdNull, TMode::mdTrue, TMode::mdNil};
    for (int i = 0; i < 3; ++i) {
        auto* item = static_cast<TItem*>(holder->list.Add());
        item->name = "item" + std::to_string(i);
        item->width = i * 1000 - 1;
        item->color = i == 0 ? clWhite : 98304;
        item->visible = i % 2 == 0;
        item->mode = modes[i];
        item->style = TStyles{TStyle::stItalic};
        item->ratio = i == 1 ? 0.1 : 0;
        item->letter = static_cast<char>('a' + i);
        item->big = int64_t(1) << (20 * i);
        item->wide = i == 2 ? u"\u017E\u00E1" : u"";
    }
}

TEST(WriterRoundTrip, ATreeReadsBackEqualAndRewritesIdentically) {
    TRoot original;
    Fill(original);
    std::vector<uint8_t> bytes = Written(original);
    original.SetName("");  // leave the name free for the copy

    TRoot copy;
    ReadRootFromBytes(bytes, copy);
    EXPECT_EQ(copy.Name(), "Main");
    ASSERT_NE(copy.First, nullptr);
    ASSERT_NE(copy.Holder1, nullptr);
    auto* second = static_cast<TWidget*>(copy.FindComponent("Second"));
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(copy.First->caption, "Hello");
    EXPECT_EQ(second->caption, std::string(300, 'x'));
    EXPECT_EQ(copy.First->font.style, (TStyles{TStyle::stBold, TStyle::stUnderline}));
    EXPECT_EQ(copy.First->font.size, 38);
    EXPECT_EQ(copy.First->font.color, 0xFFFF);
    EXPECT_EQ(copy.First->knob->turns, -70000);
    EXPECT_EQ(copy.First->buddy, second);
    EXPECT_EQ(copy.First->left, 300);
    EXPECT_EQ(copy.First->OnCreate.MethodName(), "create");
    copy.First->OnCreate(copy.First);
    EXPECT_EQ(copy.calls, std::vector<std::string>{"create First"});
    EXPECT_EQ(copy.Holder1->list.color_table, original.Holder1->list.color_table);
    ASSERT_EQ(copy.Holder1->list.Count(), 3);
    for (int i = 0; i < 3; ++i) {
        TItem* a = original.Holder1->list[i];
        TItem* b = copy.Holder1->list[i];
        EXPECT_EQ(b->name, a->name);
        EXPECT_EQ(b->width, a->width);
        EXPECT_EQ(b->color, a->color);
        EXPECT_EQ(b->visible, a->visible);
        EXPECT_EQ(b->mode, a->mode);
        EXPECT_EQ(b->style, a->style);
        EXPECT_EQ(b->ratio, a->ratio);
        EXPECT_EQ(b->letter, a->letter);
        EXPECT_EQ(b->big, a->big);
        EXPECT_EQ(b->wide, a->wide);
    }
    EXPECT_EQ(Written(copy), bytes);
}

TEST(WriterRoundTrip, DefaultsReadOnlyValuesAndEmptyValuesStayOut) {
    TRoot root;
    auto* holder = new THolder(&root);
    holder->SetName("H");
    auto* item = static_cast<TItem*>(holder->list.Add());
    (void)item;
    auto* w = new TWidget(&root);
    w->SetName("W");
    std::vector<uint8_t> bytes = Written(root);
    for (const char* absent : {"Width", "Fixed", "Font.", "Knob.", "Left", "Caption", "ColorTable", "Mode", "Big"})
        EXPECT_FALSE(Contains(bytes, absent)) << absent;
    // Colour 0 has the identifier clBlack and has no default, so it is written.
    EXPECT_TRUE(Contains(bytes, "clBlack"));
    EXPECT_TRUE(Contains(bytes, "Visible"));
}

TEST(WriterValues, TagsAreTheSmallestThatHoldTheValue) {
    TMemoryStream s;
    {
        TWriter w(s);
        for (int64_t v : {int64_t(-128), int64_t(127), int64_t(128), int64_t(-32769), int64_t(1) << 40})
            w.WriteInteger(v);
        w.WriteIdent("false");
        w.WriteIdent("TRUE");
        w.WriteIdent("nil");
        w.WriteIdent("Null");
        w.WriteIdent("clRed");
        w.WriteString(std::string(256, 's'));
        w.WriteChar('q');
    }
    const std::vector<uint8_t>& b = s.Bytes();
    const std::vector<uint8_t> head = {2, 0x80, 2, 0x7F, 3,  0x80, 0, 4, 0xFF, 0x7F, 0xFF, 0xFF, 19,  0,  0, 0, 0, 0, 1,
                                       0, 0,    8, 9,    13, 0,    7, 5, 'c',  'l',  'R',  'e',  'd', 12, 0, 1, 0, 0};
    ASSERT_GE(b.size(), head.size());
    EXPECT_EQ(std::vector<uint8_t>(b.begin(), b.begin() + static_cast<ptrdiff_t>(head.size())), head);
    EXPECT_EQ(std::vector<uint8_t>(b.end() - 3, b.end()), (std::vector<uint8_t>{6, 1, 'q'}));

    TMemoryStream t;
    TWriter w(t);
    EXPECT_THROW(w.WriteStr(std::string(256, 'n')), EWriteError);
}

TEST(WriterReferences, ComponentsOfOtherRootsAreNamedThroughTheirRoot) {
    TRoot other;
    other.SetName("OtherRoot");
    auto* target = new TWidget(&other);
    target->SetName("Target");
    TRoot root;
    auto* w = new TWidget(&root);
    w->SetName("First");
    w->buddy = target;
    std::vector<uint8_t> bytes = Written(root);
    EXPECT_TRUE(Contains(bytes, "OtherRoot.Target"));
    TRoot copy;
    ReadRootFromBytes(bytes, copy);
    EXPECT_EQ(copy.First->buddy, target);
}

TEST(WriterResource, HeaderCarriesTheUpperCaseNameFlagsAndSize) {
    THolder holder(nullptr);
    holder.list.Add();
    TMemoryStream s;
    WriteComponentRes(s, "ruzne_obrazky", holder);
    const std::vector<uint8_t>& b = s.Bytes();
    const std::string name = "RUZNE_OBRAZKY";
    ASSERT_GT(b.size(), name.size() + 10);
    EXPECT_EQ(b[0], 0xFF);
    EXPECT_EQ(b[1] | b[2] << 8, 10);
    EXPECT_EQ(std::string(b.begin() + 3, b.begin() + 3 + static_cast<ptrdiff_t>(name.size())), name);
    size_t n = name.size();
    EXPECT_EQ(b[3 + n], 0);
    EXPECT_EQ(b[n + 4] | b[n + 5] << 8, 0x1030);
    uint32_t size = b[n + 6] | b[n + 7] << 8 | b[n + 8] << 16 | uint32_t(b[n + 9]) << 24;
    EXPECT_EQ(size, b.size() - (n + 10));
    EXPECT_EQ(std::string(b.begin() + static_cast<ptrdiff_t>(n) + 10, b.begin() + static_cast<ptrdiff_t>(n) + 14),
              "TPF0");

    TMemoryStream long_name;
    WriteComponentRes(long_name, std::string(80, 'a'), holder);
    EXPECT_EQ(long_name.Bytes()[3 + 63], 0);  // at most 63 characters
    long_name.SetPosition(0);
    THolder copy(nullptr);
    ReadComponentRes(long_name, copy);
    EXPECT_EQ(copy.list.Count(), 1);
    EXPECT_EQ(long_name.Position(), long_name.Size());
}

TEST(WriterResource, FilesRoundTripUnderTheClassName) {
    const testing::TempFolder folder("writer");
    const std::filesystem::path path = folder / "holder.dat";
    THolder holder(nullptr);
    static_cast<TItem*>(holder.list.Add())->name = "p1";
    holder.list.color_table.assign(1024, 0);
    WriteComponentResFile(path.string(), holder);
    THolder copy(nullptr);
    ReadComponentResFile(path.string(), copy);
    ASSERT_EQ(copy.list.Count(), 1);
    EXPECT_EQ(copy.list[0]->name, "p1");
    EXPECT_EQ(copy.list.color_table.size(), 1024u);
    {
        TFileStream f(path.string(), FileMode::OpenRead);  // closed before the removal
        uint8_t head[11];
        f.ReadBuffer(head, sizeof head);
        EXPECT_EQ(std::string(reinterpret_cast<char*>(head + 3), 7), "THOLDER");
    }
    std::filesystem::remove(path);
    EXPECT_THROW(ReadComponentResFile(path.string(), copy), EFOpenError);
}

}  // namespace
}  // namespace klice::test
