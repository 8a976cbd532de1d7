// The stream around the values: its signature and resource header, where it
// stands after a read, and how truncated, oversized, deeply nested or
// over-budget streams fail without taking the machine.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "data/component_stream.h"
#include "data/reader.h"
#include "platform/data_budget.h"
#include "platform/resources.h"
#include "tests/data/test_classes.h"
#include "tests/support/allocations.h"

namespace klice::test {
namespace {

bool EndsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

TEST(ReaderStream, SignatureAndResourceHeaderAreChecked) {
    TRoot root;
    EXPECT_EQ(ReadError(Bytes().text("TPF1").str("TRoot").str("").end().end().data, root), "Invalid stream format");
    for (auto header : {std::vector<uint8_t>{0xFE, 10, 0, 'X', 0, 0x30, 0x10, 0, 0, 0, 0},
                        std::vector<uint8_t>{0xFF, 11, 0, 'X', 0, 0x30, 0x10, 0, 0, 0, 0},
                        std::vector<uint8_t>{0xFF, 10, 1, 'X', 0, 0x30, 0x10, 0, 0, 0, 0}}) {
        Bytes b;
        b.data = header;
        b.header("THolder", "").str("List").raw({14, 1, 0, 0}).end().end();
        THolder h(nullptr);
        h.list.Add();
        TBytesViewStream s(b.data);
        try {
            ReadComponentRes(s, h);
            FAIL();
        } catch (const EInvalidImage& e) {
            EXPECT_EQ(e.Message(), "Invalid stream format");
        }
        EXPECT_EQ(h.list.Count(), 1);
    }
}

TEST(ReaderStream, LongResourceNamesAreSkippedWhole) {
    for (size_t length : {0u, 1u, 63u, 69u, 70u, 76u}) {
        Bytes b;
        b.raw({0xFF, 10, 0}).text(std::string(length, 'N')).raw({0, 0x30, 0x10, 0, 0, 0, 0});
        b.header("THolder", "Named").end().end();
        THolder h(nullptr);
        TBytesViewStream s(b.data);
        ReadComponentRes(s, h);
        EXPECT_EQ(h.Name(), "Named") << length;
    }
}

TEST(ReaderStream, TheStreamStandsAfterTheLastByteUsed) {
    for (size_t padding : {0u, 10u, 5000u}) {
        TMemoryStream s;
        Bytes b;
        b.header("THolder", "").str("List.ColorTable").raw({10}).i32(static_cast<int32_t>(padding));
        b.text(std::string(padding, 'c')).end().end();
        size_t used = b.data.size();
        b.text(std::string(9000, '!'));
        s.Write(b.data.data(), b.data.size());
        s.SetPosition(0);
        THolder h(nullptr);
        ReadComponent(s, h);
        EXPECT_EQ(s.Position(), static_cast<int64_t>(used)) << padding;
        EXPECT_EQ(h.list.color_table.size(), padding);
    }
}

std::vector<uint8_t> SmallStream() {
    Bytes b;
    b.header("TRoot", "Small").end();
    b.record("TWidget", "First")
        .str("Caption")
        .raw({12})
        .i32(3)
        .text("abc")
        .str("Font.Style")
        .raw({11})
        .str("stBold")
        .str("");
    b.str("OnCreate").ident("create").str("Left").raw({5, 0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F}).end().end();
    b.record("THolder", "Holder1").str("List.ColorTable").raw({10}).i32(2).raw({1, 2});
    b.str("List")
        .raw({14, 2, 0, 1})
        .str("Wide")
        .raw({18})
        .i32(1)
        .raw({'w', 0})
        .str("Big")
        .raw({19})
        .i32(1)
        .i32(0)
        .end()
        .end();
    b.end().end().end();
    return b.data;
}

TEST(ReaderStream, TruncationAtAnyByteFailsWithStreamReadError) {
    std::vector<uint8_t> full = SmallStream();
    {
        TRoot root;
        ASSERT_EQ(ReadError(full, root), "Error reading First.Left: Invalid property value");
    }
    // "Left" wants an integer; drop the float so the whole stream is good.
    Bytes good;
    good.header("TRoot", "Small").end().record("TWidget", "First").str("Left").int8(1).end().end().end();
    for (const std::vector<uint8_t>* bytes : {&full, &good.data}) {
        for (size_t n = 0; n < bytes->size(); ++n) {
            std::vector<uint8_t> cut(bytes->begin(), bytes->begin() + static_cast<ptrdiff_t>(n));
            TRoot root;
            std::string message = ReadError(cut, root);
            if (bytes == &full && message.find("Left: Invalid property value") != std::string::npos) continue;
            EXPECT_TRUE(EndsWith(message, "Stream read error")) << n << ": " << message;
        }
    }
}

TEST(ReaderStream, OversizedLengthsFailWithoutALargeAllocation) {
    const std::vector<std::pair<std::string, Bytes>> cases = {
        {"List.ColorTable", Bytes().raw({10}).i32(0x7FFFFFF0).raw({1, 2, 3})},
        {"List.ColorTable", Bytes().raw({10}).i32(-5).raw({1, 2, 3})},
        {"Caption", Bytes().raw({12}).i32(0x40000000).text("abc")},
        {"Caption", Bytes().raw({18}).i32(0x3FFFFFFF).text("abcd")},
        {"Caption", Bytes().raw({20}).i32(0x7FFFFFFF).text("abcd")},
        {"Nothing", Bytes().raw({10}).i32(0x7FFFFFFF).text("abcd")},  // skipped, not read
    };
    for (const auto& [path, value] : cases) {
        Bytes b;
        b.header("TRoot", "").end().record(path == "List.ColorTable" ? "THolder" : "TWidget", "").str(path);
        b.data.insert(b.data.end(), value.data.begin(), value.data.end());
        TRoot root;
        // Oversized lengths in a stream must fail before anything of their
        // size is allocated.
        testing::TrackLargestAllocation(true);
        std::string message = ReadError(b.data, root);
        testing::TrackLargestAllocation(false);
        EXPECT_TRUE(EndsWith(message, "Stream read error")) << message;
        EXPECT_LT(testing::LargestAllocation(), 1u << 20) << path;
    }
}

TEST(ReaderStream, DeepNestingFailsInsteadOfExhaustingTheStack) {
    for (int kind = 0; kind < 3; ++kind) {
        Bytes b;
        b.header("TRoot", "").end();
        const int depth = 100000;
        if (kind == 0) {  // nested lists under an unknown property
            b.record("TWidget", "").str("Nothing");
            for (int i = 0; i < depth; ++i) b.raw({1});
        } else if (kind == 1) {  // nested child records
            for (int i = 0; i < depth; ++i) b.record("TWidget", "").end();
        } else {  // collections inside skipped collections
            b.record("TWidget", "").str("Nothing");
            for (int i = 0; i < depth; ++i) b.raw({14, 1}).str("X");
        }
        TRoot root;
        std::string message = ReadError(b.data, root);
        EXPECT_TRUE(EndsWith(message, "Invalid stream format")) << kind << ": " << message.substr(0, 200);
    }
}

// Each costs the stream a few bytes and the reader far more: a stream may
// make only so many (platform/data_budget.h), and one more fails the read.
TEST(ReaderStream, ItemsComponentsReferencesAndBlocksStopAtTheBudget) {
    const auto items = [](int64_t count) {
        Bytes b;
        b.header("TRoot", "R").end().record("THolder", "Holder1").str("List").tag(TValueType::vaCollection);
        for (int64_t i = 0; i < count; ++i) b.tag(TValueType::vaList).end();
        return b.end().end().end().end().data;
    };
    const auto components = [](int64_t count) {
        Bytes b;
        b.header("TRoot", "R").end();
        for (int64_t i = 0; i < count; ++i) b.record("TWidget", "").end().end();
        return b.end().data;
    };
    const auto references = [](int64_t count) {
        Bytes b;
        b.header("TRoot", "R").end().record("TWidget", "First");
        for (int64_t i = 0; i < count; ++i) b.str("Buddy").ident("First");
        return b.end().end().end().data;
    };
    struct Case {
        std::function<std::vector<uint8_t>(int64_t)> stream;
        int64_t limit;
    };
    for (const Case& c :
         {Case{items, platform::budget::kCollectionItems}, Case{components, platform::budget::kStreamComponents},
          Case{references, platform::budget::kStreamReferences}}) {
        {
            TRoot root;
            EXPECT_EQ(ReadError(c.stream(c.limit), root), "") << c.limit;
        }
        TRoot root;
        const std::string message = ReadError(c.stream(c.limit + 1), root);
        EXPECT_TRUE(EndsWith(message, "Invalid stream format")) << c.limit << ": " << message;
    }
    // A binary block longer than any picture or wave the budget admits, with
    // every byte of it in the stream.
    Bytes big;
    big.header("TRoot", "R").end().record("THolder", "Holder1").str("List.ColorTable").tag(TValueType::vaBinary);
    big.i32(int32_t(platform::budget::kBinaryBytes + 1));
    big.data.resize(big.data.size() + platform::budget::kBinaryBytes + 1);
    big.end().end().end();
    testing::TrackLargestAllocation(true);
    TRoot root;
    const std::string message = ReadError(big.data, root);
    testing::TrackLargestAllocation(false);
    EXPECT_TRUE(EndsWith(message, "Stream read error")) << message;
    EXPECT_LT(testing::LargestAllocation(), size_t(1) << 20) << "refused before the copy";
}

TEST(ReaderStream, WindowResourceIsFoundByNameOrReportedMissing) {
    static const std::vector<uint8_t> bytes = Bytes().header("TRoot", "FromResource").end().end().data;
    platform::RegisterResource(platform::RT_RCDATA, "TESTROOT", bytes);
    TRoot root;
    EXPECT_FALSE(ReadComponentResource("NOSUCHROOT", root));
    EXPECT_EQ(root.Name(), "");
    EXPECT_TRUE(ReadComponentResource("testroot", root));
    EXPECT_EQ(root.Name(), "FromResource");
}

}  // namespace
}  // namespace klice::test
