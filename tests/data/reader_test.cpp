#include "data/reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <set>

#include "data/component_stream.h"
#include "data/extended_float.h"
#include "tests/data/test_classes.h"

namespace klice::test {
namespace {

// Root "R" with a widget "First" (extra entries in its list) and a holder
// "Holder1" whose "List" has one item (extra entries in the item's list).
std::vector<uint8_t> TreeWith(const Bytes& widget_props, const Bytes& item_props) {
    Bytes b;
    b.header("TRoot", "R").end();
    b.record("TWidget", "First").text(std::string(widget_props.data.begin(), widget_props.data.end())).end().end();
    b.record("THolder", "Holder1").str("List").tag(TValueType::vaCollection).tag(TValueType::vaList);
    b.text(std::string(item_props.data.begin(), item_props.data.end())).end().end().end().end();
    b.end();
    return b.data;
}

Bytes Payload(int tag, const std::string& ident) {
    Bytes b;
    switch (tag) {
        case 0: return b.raw({0});
        case 1: return b.raw({1, 2, 5, 0});
        case 2: return b.raw({2, 5});
        case 3: return b.raw({3, 0x34, 0x12});
        case 4: return b.raw({4}).i32(70000);
        case 5: return b.raw({5, 0, 0, 0, 0, 0, 0, 0, 0xA0, 0x00, 0x40});  // 2.5
        case 6: return b.raw({6, 1, 'A'});
        case 7: return b.ident(ident);
        case 8: return b.raw({8});
        case 9: return b.raw({9});
        case 10: return b.raw({10}).i32(2).raw({1, 2});
        case 11: return b.raw({11}).str("stBold").str("");
        case 12: return b.raw({12}).i32(1).raw({'A'});
        case 13: return b.raw({13});
        case 14: return b.raw({14, 1}).str("Name").raw({6, 1, 'q', 0, 0});
        case 15: return b.raw({15, 0, 0, 0xC0, 0x3F});  // 1.5f
        case 16: return b.raw({16, 0x10, 0x27, 0, 0, 0, 0, 0, 0});
        case 17: return b.raw({17, 0, 0, 0, 0, 0, 0, 0xF0, 0x3F});
        case 18: return b.raw({18}).i32(1).raw({'A', 0});
        case 19: return b.raw({19, 1, 0, 0, 0, 0, 0, 0, 0x80});
        case 20: return b.raw({20}).i32(1).raw({'A'});
    }
    return b;
}

TEST(ReaderValues, EveryTagIsAcceptedExactlyByTheKindsThatTakeIt) {
    struct Target {
        bool on_item;
        const char* prop;
        std::set<int> accepts;
        const char* ident;
    };
    const Target targets[] = {
        {true, "Width", {2, 3, 4}, "clRed"},          // integer without identifiers
        {true, "Color", {2, 3, 4, 7}, "clRed"},       // integer with the colour table
        {true, "Letter", {6, 12, 18, 20}, "A"},       // character
        {true, "Mode", {0, 7, 8, 9, 13}, "mdOther"},  // enumeration
        {true, "Ratio", {2, 3, 4, 5}, "x"},           // float
        {true, "Name", {6, 12, 18, 20}, "x"},         // string
        {true, "Style", {11}, "x"},                   // set
        {true, "Wide", {6, 12, 18, 20}, "x"},         // wide string
        {true, "Big", {2, 3, 4, 19}, "x"},            // 64-bit integer
        {false, "Buddy", {7, 13}, "First"},           // object: component reference
        {false, "OnCreate", {7, 13}, "create"},       // event
    };
    for (const Target& t : targets) {
        for (int tag = 0; tag <= 20; ++tag) {
            Bytes entry;
            entry.str(t.prop);
            Bytes value = Payload(tag, t.ident);
            entry.data.insert(entry.data.end(), value.data.begin(), value.data.end());
            TRoot root;
            std::string message =
                t.on_item ? ReadError(TreeWith(Bytes(), entry), root) : ReadError(TreeWith(entry, Bytes()), root);
            if (t.accepts.count(tag)) {
                EXPECT_EQ(message, "") << t.prop << " tag " << tag;
            } else {
                std::string where =
                    t.on_item ? "Error reading Holder1.List: Error reading TItem." : "Error reading First.";
                EXPECT_EQ(message, where + t.prop + ": Invalid property value") << "tag " << tag;
            }
        }
    }
}

TEST(ReaderValues, CollectionTagGoesOnlyIntoACollection) {
    for (int tag = 0; tag <= 20; ++tag) {
        if (tag == 13) continue;  // nil reaches the setter, which refuses to copy nothing
        TRoot root;
        Bytes b;
        b.header("TRoot", "R").end().record("TWidget", "First").end().end().record("THolder", "H").str("List");
        Bytes value = Payload(tag, "First");
        b.data.insert(b.data.end(), value.data.begin(), value.data.end());
        b.end().end().end();
        std::string message = ReadError(b.data, root);
        if (tag == 14)
            EXPECT_EQ(message, "");
        else
            EXPECT_EQ(message, "Error reading H.List: Invalid property value") << tag;
    }
}

TEST(ReaderValues, ConversionsSignExtendTranslateAndReencode) {
    Bytes item;
    item.str("Width").raw({3, 0xFE, 0xFF});  // -2 from 16 bits
    item.str("Big").raw({2, 0xFF});          // -1, sign-extended to 64 bits
    item.str("Color").ident("CLWHITE");
    item.str("Mode").raw({13});                                         // "nil"
    item.str("Ratio").raw({5, 0, 0, 0, 0, 0, 0, 0, 0xA0, 0x00, 0xC0});  // -2.5
    item.str("Name").raw({18}).i32(2).raw({0x0D, 0x01, 'a', 0});        // U+010D, 'a'
    item.str("Wide").raw({20}).i32(2).raw({0xC4, 0x8D});                // UTF-8 U+010D
    item.str("Letter").raw({6, 0});
    item.str("Style").raw({11}).str("STITALIC").str("stStrikeOut").str("");
    TRoot root;
    ASSERT_EQ(ReadError(TreeWith(Bytes(), item), root), "");
    TItem* it = root.Holder1->list[0];
    EXPECT_EQ(it->width, -2);
    EXPECT_EQ(it->big, -1);
    EXPECT_EQ(it->color, 0xFFFFFF);
    EXPECT_EQ(it->mode, TMode::mdNil);
    EXPECT_DOUBLE_EQ(it->ratio, -2.5);
    EXPECT_EQ(it->name,
              "\xE8"
              "a");  // the code page's byte for U+010D
    EXPECT_EQ(it->wide, u"\u010D");
    EXPECT_EQ(it->letter, 0);
    EXPECT_EQ(it->style, (TStyles{TStyle::stItalic, TStyle::stStrikeOut}));
}

TEST(ReaderValues, BadIdentifiersCharactersAndSetMembersAreInvalidValues) {
    const std::pair<Bytes, std::string> cases[] = {
        {Bytes().str("Color").ident("clPink"), "Color"},
        {Bytes().str("Width").ident("clRed"), "Width"},
        {Bytes().str("Mode").ident("mdNothing"), "Mode"},
        {Bytes().str("Letter").raw({6, 2, 'a', 'b'}), "Letter"},
        {Bytes().str("Style").raw({11}).str("stBold").str("stHuge").str("stItalic").str(""), "Style"},
    };
    for (const auto& [entry, prop] : cases) {
        TRoot root;
        EXPECT_EQ(ReadError(TreeWith(Bytes(), entry), root),
                  "Error reading Holder1.List: Error reading TItem." + prop + ": Invalid property value");
    }
}

TEST(ReaderValues, ColourIdentifiersMatchInAnyLetterCase) {
    for (const char* spelling : {"clWhite", "clwhite", "CLWHITE", "ClWhItE"}) {
        TRoot root;
        ASSERT_EQ(ReadError(TreeWith(Bytes(), Bytes().str("Color").ident(spelling)), root), "");
        EXPECT_EQ(root.Holder1->list[0]->color, 0xFFFFFF) << spelling;
    }
    TRoot root;
    ASSERT_EQ(ReadError(TreeWith(Bytes(), Bytes().str("Color").ident("clbtnface")), root), "");
    EXPECT_EQ(root.Holder1->list[0]->color, clBtnFace);
}

TEST(ReaderValues, ObjectRoutinesTakeTheirOwnTagsOrIntegers) {
    Bytes b;
    b.raw({15, 0, 0, 0xC0, 0x3F}).int8(3);                       // single 1.5, then 3
    b.raw({16, 0x10, 0x27, 0, 0, 0, 0, 0, 0}).int8(2);           // currency 1.0000, then 2
    b.raw({17, 0, 0, 0, 0, 0, 0, 0xF0, 0x3F}).raw({4}).i32(-7);  // date 1.0, then -7
    b.raw({19, 0, 0, 0, 0, 0, 0, 0, 0x80});                      // int64 minimum
    b.raw({9, 8}).raw({1, 0});
    b.raw({6, 1, 'x'}).raw({7, 1, 'q'});
    TBytesViewStream s(b.data);
    TReader r(s);
    EXPECT_FLOAT_EQ(r.ReadSingle(), 1.5f);
    EXPECT_FLOAT_EQ(r.ReadSingle(), 3.0f);
    EXPECT_EQ(r.ReadCurrency(), 10000);
    EXPECT_EQ(r.ReadCurrency(), 20000);
    EXPECT_DOUBLE_EQ(r.ReadDate(), 1.0);
    EXPECT_DOUBLE_EQ(r.ReadDate(), -7.0);
    EXPECT_EQ(r.ReadInt64(), INT64_MIN);
    EXPECT_TRUE(r.ReadBoolean());
    EXPECT_FALSE(r.ReadBoolean());
    r.ReadListBegin();
    EXPECT_TRUE(r.EndOfList());
    r.ReadListEnd();
    EXPECT_EQ(r.ReadChar(), 'x');
    EXPECT_EQ(r.ReadIdent(), "q");
    EXPECT_EQ(r.Position(), static_cast<int64_t>(b.data.size()));
}

TEST(ReaderValues, AMismatchSkipsTheWholeValueBeforeFailing) {
    Bytes b;
    b.raw({1, 2, 5, 0}).raw({6, 1, 'a'}).raw({0});  // a list holding an int8, a string, a null
    b.raw({0x2A});
    TBytesViewStream s(b.data);
    TReader r(s);
    try {
        r.ReadInteger();
        FAIL();
    } catch (const EReadError& e) {
        EXPECT_EQ(e.Message(), "Invalid property value");
    }
    // The list was skipped: what follows is the string value.
    EXPECT_EQ(r.ReadString(), "a");
    try {
        r.ReadListBegin();
        FAIL();
    } catch (const EReadError& e) {
        EXPECT_EQ(e.Message(), "Invalid property value");
    }
    EXPECT_EQ(r.Position(), static_cast<int64_t>(b.data.size()) - 1);
}

TEST(ReaderValues, SkippingConsumesExactlyEachValue) {
    for (int tag = 0; tag <= 20; ++tag) {
        Bytes b = Payload(tag, "someIdent");
        size_t size = b.data.size();
        b.raw({0x2A});
        TBytesViewStream s(b.data);
        TReader r(s);
        r.SkipValue();
        EXPECT_EQ(r.Position(), static_cast<int64_t>(size)) << tag;
    }
    Bytes unknown;
    unknown.raw({21, 0, 0});
    TBytesViewStream s(unknown.data);
    TReader r(s);
    try {
        r.SkipValue();
        FAIL();
    } catch (const EReadError& e) {
        EXPECT_EQ(e.Message(), "Invalid stream format");
    }
}

TEST(ExtendedFloat, ConvertsBothWaysWithoutTheHostsLongDouble) {
    const uint8_t one[10] = {0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F};
    EXPECT_EQ(ExtendedToDouble(one), 1.0);
    const uint8_t tenth[10] = {0xCD, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xFB, 0x3F};
    EXPECT_DOUBLE_EQ(ExtendedToDouble(tenth), 0.1);
    const uint8_t negative_zero[10] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0x80};
    EXPECT_TRUE(std::signbit(ExtendedToDouble(negative_zero)));
    const uint8_t infinity[10] = {0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x7F};
    EXPECT_TRUE(std::isinf(ExtendedToDouble(infinity)));
    for (double v : {1.0, -2.5, 0.1, 1e300, -1e-300, 5e-324, 123456789.125, 0.0}) {
        uint8_t b[10];
        DoubleToExtended(v, b);
        EXPECT_EQ(ExtendedToDouble(b), v);
    }
    uint8_t b[10];
    DoubleToExtended(1.0, b);
    EXPECT_EQ(std::memcmp(b, one, 10), 0);
    DoubleToExtended(NAN, b);
    EXPECT_TRUE(std::isnan(ExtendedToDouble(b)));
}

TEST(ReaderPaths, DottedPathsWalkIntoSubObjectsAndSubComponents) {
    Bytes widget;
    widget.str("Font.Style").raw({11}).str("stBold").str("");
    widget.str("font.size").int8(12);
    widget.str("Knob.Turns").int8(3);  // a sub-component behind a property without setter
    widget.str("Caption").raw({6, 2, 'h', 'i'});
    TRoot root;
    ASSERT_EQ(ReadError(TreeWith(widget, Bytes()), root), "");
    EXPECT_EQ(root.First->font.style, TStyles{TStyle::stBold});
    EXPECT_EQ(root.First->font.size, 12);
    EXPECT_EQ(root.First->knob->turns, 3);
    EXPECT_EQ(root.First->caption, "hi");
}

TEST(ReaderPaths, BadPathsNameTheirPart) {
    const std::pair<Bytes, std::string> cases[] = {
        {Bytes().str("Nope.Size").int8(1), "Error reading First.Nope.Size: Property Nope does not exist"},
        {Bytes().str("Caption.Size").int8(1), "Error reading First.Caption.Size: Invalid property path"},
        {Bytes().str("Buddy.Caption").int8(1), "Error reading First.Buddy.Caption: Invalid property path"},
        {Bytes().str("Font.Weight").int8(1), "Error reading First.Font.Weight: Property Weight does not exist"},
        {Bytes().str("Font.").int8(1), "Error reading First.Font.: Property  does not exist"},
        {Bytes().str("Knob").int8(1), "Error reading First.Knob: Invalid property value"},
    };
    for (const auto& [entry, message] : cases) {
        TRoot root;
        EXPECT_EQ(ReadError(TreeWith(entry, Bytes()), root), message);
    }
}

TEST(ReaderPaths, ReadOnlyPropertiesRefuseValues) {
    TRoot root;
    Bytes b;
    b.header("TRoot", "R").end().record("THolder", "").str("Fixed").int8(1).end().end().end();
    EXPECT_EQ(ReadError(b.data, root), "Error reading THolder.Fixed: Property is read-only");
}

TEST(ReaderDefined, BinaryAndGeneralDefinedPropertiesReachTheirObjects) {
    Bytes holder;
    holder.header("THolder", "Files").str("List.colortable").raw({10}).i32(3).raw({7, 8, 9});
    holder.str("List").raw({14, 1}).str("Name").raw({6, 1, 'a', 0, 0});
    holder.end().end();
    THolder h(nullptr);
    ASSERT_EQ(ReadError(holder.data, h), "");
    EXPECT_EQ(h.list.color_table, (std::vector<uint8_t>{7, 8, 9}));
    EXPECT_EQ(h.Name(), "Files");

    // A general value ("Left"), and a derived class that declares the same
    // name after its base: the base takes it.
    Bytes tree;
    tree.header("TRoot", "R").end();
    tree.record("TWidget", "First").str("Left").raw({3, 0x10, 0x01}).end().end();
    tree.record("TBigWidget", "Big").str("Left").int8(9).end().end();
    tree.end();
    TRoot root;
    ASSERT_EQ(ReadError(tree.data, root), "");
    EXPECT_EQ(root.First->left, 0x110);
    EXPECT_EQ(root.Big->left, 9);
    EXPECT_EQ(root.Big->defined_by_derived, 0);
}

TEST(ReaderDefined, ABinaryDeclarationWantsABinaryBlock) {
    THolder h(nullptr);
    Bytes b;
    b.header("THolder", "").str("List.ColorTable").int8(4).end().end();
    EXPECT_EQ(ReadError(b.data, h), "Error reading THolder.List.ColorTable: Invalid property value");
}

TEST(ReaderCollections, UnknownItemPropertyIsWrappedByBothLevels) {
    for (const char* holder_name : {"ruzne", ""}) {
        Bytes b;
        b.raw({0xFF, 10, 0}).text("X").raw({0, 0x30, 0x10, 0, 0, 0, 0});
        b.header("THolder", holder_name).str("List").raw({14, 1}).str("Name").raw({6, 1, 'a', 0, 1});
        b.str("Bogus").int8(1).end().end().end().end();
        THolder h(nullptr);
        TBytesViewStream s(b.data);
        std::string outer = *holder_name ? holder_name : "THolder";
        try {
            ReadComponentRes(s, h);
            FAIL();
        } catch (const EReadError& e) {
            EXPECT_EQ(e.Message(),
                      "Error reading " + outer + ".List: Error reading TItem.Bogus: Property Bogus does not exist");
        }
        // The items read before the failure, and the failing one, stay.
        ASSERT_EQ(h.list.Count(), 2);
        EXPECT_EQ(h.list[0]->name, "a");
    }
}

TEST(ReaderCollections, EmptyValueKeepsItemsFullValueReplacesThemOrderNumbersIgnored) {
    THolder h(nullptr);
    h.list.Add();
    h.list.Add();
    Bytes empty;
    empty.header("THolder", "").str("List").raw({14, 0}).end().end();
    ASSERT_EQ(ReadError(empty.data, h), "");
    EXPECT_EQ(h.list.Count(), 2);

    Bytes numbered;
    numbered.header("THolder", "").str("List").raw({14});
    numbered.raw({2, 7, 1}).str("Width").int8(1).end();
    numbered.raw({3, 0, 1, 1}).str("Width").int8(2).end();
    numbered.raw({4}).i32(-1).raw({1}).str("Width").int8(3).end();
    numbered.raw({1}).str("Width").int8(4).end();
    numbered.end().end().end();
    h.list.whole_updates = 0;
    ASSERT_EQ(ReadError(numbered.data, h), "");
    ASSERT_EQ(h.list.Count(), 4);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(h.list[i]->width, i + 1);
    EXPECT_EQ(h.list.whole_updates, 1);  // one report for the whole value

    Bytes broken;
    broken.header("THolder", "").str("List").raw({14, 1}).str("Width").int8(1).end().raw({9});
    h.list.whole_updates = 0;
    EXPECT_NE(ReadError(broken.data, h), "");
    EXPECT_EQ(h.list.UpdateCount(), 0);  // the batch closes on failure too
    EXPECT_EQ(h.list.whole_updates, 1);
}

TEST(ReaderComponents, ChildrenAreCreatedNamedPlacedAndLoadedInReadingOrder) {
    g_log.clear();
    TRoot root;
    Bytes b;
    b.header("TRoot", "Main").end();
    b.record("TWidget", "First").end().end();
    b.record("THolder", "Holder1").end().end();
    b.raw({0xF2, 2, 0}).record("TWidget", "Front").end().end();  // child position 0
    b.end();
    ASSERT_EQ(ReadError(b.data, root), "");
    EXPECT_EQ(root.Name(), "Main");
    ASSERT_EQ(root.ComponentCount(), 3);
    EXPECT_EQ(root.Components(0)->Name(), "Front");
    EXPECT_EQ(root.First, root.FindComponent("first"));
    EXPECT_EQ(root.Holder1->ClassName(), "THolder");
    EXPECT_EQ(g_log, (std::vector<std::string>{"Loaded root Main", "Loaded First", "Loaded Front"}));
    EXPECT_FALSE(root.HasState(csLoading | csReading));
    EXPECT_FALSE(root.First->HasState(csLoading | csReading));
}

TEST(ReaderComponents, InheritedRecordsUpdateExistingComponents) {
    TRoot root;
    auto* first = new TWidget(&root);
    first->SetName("First");
    Bytes b;
    b.header("TRoot", "")
        .end()
        .raw({0xF1})
        .record("TWidget", "FIRST")
        .str("Caption")
        .raw({6, 1, 'z'})
        .end()
        .end()
        .end();
    ASSERT_EQ(ReadError(b.data, root), "");
    EXPECT_EQ(root.ComponentCount(), 1);
    EXPECT_EQ(first->caption, "z");

    Bytes missing;
    missing.header("TRoot", "").end().raw({0xF1}).record("TWidget", "Second").end().end().end();
    EXPECT_EQ(ReadError(missing.data, root), "Ancestor for 'Second' not found");
}

TEST(ReaderComponents, FailingChildIsDestroyedAndTheReadStops) {
    struct Case {
        Bytes child;
        std::string message;
    };
    Case cases[] = {
        {Bytes().record("TMissing", "M").end().end(), "Class TMissing not found"},
        {Bytes().record("TItem", "M").end().end(), "Class TItem not found"},  // no component class
        {Bytes().record("TWidget", "9lives").end().end(), "''9lives'' is not a valid component name"},
        {Bytes().record("TWidget", "EARLY").end().end(), "A component named EARLY already exists"},
        {Bytes().record("TWidget", "Late").str("Width").int8(1).end().end(),
         "Error reading Late.Width: Property Width does not exist"},
    };
    for (Case& c : cases) {
        g_log.clear();
        TRoot root;
        Bytes b;
        b.header("TRoot", "").end().record("TWidget", "Early").end().end();
        b.data.insert(b.data.end(), c.child.data.begin(), c.child.data.end());
        b.record("TWidget", "Never").end().end().end();
        std::string message = ReadError(b.data, root);
        EXPECT_EQ(message, c.message);
        ASSERT_EQ(root.ComponentCount(), 1) << c.message;
        EXPECT_EQ(root.Components(0)->Name(), "Early");
        EXPECT_EQ(std::count(g_log.begin(), g_log.end(), "Loaded Early"), 0);  // no Loaded after a failure
    }
    try {
        TRoot root;
        ReadRootFromBytes(Bytes().header("TRoot", "").end().record("TNope", "").end().end().end().data, root);
    } catch (const EClassNotFound& e) {
        EXPECT_EQ(e.Message(), "Class TNope not found");
    }
}

TEST(ReaderComponents, RootNamesAreUniqueAmongTopLevelComponents) {
    TRoot taken;
    taken.SetName("Shared");
    TRoot taken1;
    taken1.SetName("shared_1");
    TRoot fresh;
    ASSERT_EQ(ReadError(Bytes().header("TRoot", "Shared").end().end().data, fresh), "");
    EXPECT_EQ(fresh.Name(), "Shared_2");
    // Read again into itself, it keeps its name.
    ASSERT_EQ(ReadError(Bytes().header("TRoot", "Shared_2").end().end().data, fresh), "");
    EXPECT_EQ(fresh.Name(), "Shared_2");
}

TEST(ReaderComponents, LoadingPhaseDefersNotificationsToItsEnd) {
    g_log.clear();
    TRoot a, b;
    {
        TLoadingPhase phase;
        ASSERT_EQ(
            ReadError(Bytes().header("TRoot", "PhaseA").end().record("TWidget", "First").end().end().end().data, a),
            "");
        ASSERT_EQ(ReadError(Bytes().header("TRoot", "PhaseB").end().end().data, b), "");
        EXPECT_TRUE(g_log.empty());
        EXPECT_TRUE(a.First->HasState(csLoading));
        phase.Notify();
    }
    EXPECT_EQ(g_log, (std::vector<std::string>{"Loaded root PhaseA", "Loaded First", "Loaded root PhaseB"}));
}

TEST(ReaderEvents, HandlersBindToTheRootsMethodsOfTheRightSignature) {
    Bytes w;
    w.str("OnCreate").ident("CREATE").str("OnKeyDown").ident("keydown").str("OnMouseDown").ident("Mouse_Down");
    TRoot root;
    ASSERT_EQ(ReadError(TreeWith(w, Bytes()), root), "");
    root.First->OnCreate(root.First);
    uint16_t key = 27;
    root.First->OnKeyDown(root.First, key, TShiftState{});
    root.First->OnMouseDown(root.First, TMouseButton::mbLeft, TShiftState{}, 3, 4);
    EXPECT_EQ(root.calls, (std::vector<std::string>{"create First", "key 27", "mouse 3,4"}));
    EXPECT_EQ(root.First->OnKeyDown.MethodName(), "keydown");

    for (const char* bad : {"OnCreate\0keydown", "OnKeyDown\0create", "OnCreate\0nothing"}) {
        std::string prop = bad, method = bad + prop.size() + 1;
        TRoot r;
        EXPECT_EQ(ReadError(TreeWith(Bytes().str(prop).ident(method), Bytes()), r),
                  "Error reading First." + prop + ": Invalid property value");
    }
    TRoot cleared;
    ASSERT_EQ(ReadError(TreeWith(Bytes().str("OnCreate").ident("create").str("OnCreate").raw({13}), Bytes()), cleared),
              "");
    EXPECT_FALSE(cleared.First->OnCreate);
}

TEST(ReaderReferences, ResolvedAfterTheRootsListsOrLeftEmpty) {
    TRoot root;
    Bytes b;
    b.header("TRoot", "").end();
    b.record("TWidget", "First").str("Buddy").ident("second").end().end();
    b.record("TWidget", "Second").str("Buddy").ident("Nobody").end().end();
    b.end();
    ASSERT_EQ(ReadError(b.data, root), "");
    auto* second = static_cast<TWidget*>(root.FindComponent("Second"));
    EXPECT_EQ(root.First->buddy, second);
    EXPECT_EQ(second->buddy, nullptr);
    EXPECT_TRUE(PendingReferences().empty());

    TRoot wrong;
    Bytes w;
    w.header("TRoot", "").end().record("TWidget", "First").str("Buddy").ident("Holder1").end().end();
    w.record("THolder", "Holder1").end().end().end();
    EXPECT_EQ(ReadError(w.data, wrong), "Error reading First.Buddy: Invalid property value");
}

TEST(ReaderReferences, DottedNamesWaitForTheirTopLevelComponent) {
    TRoot root;
    Bytes b;
    b.header("TRoot", "Waiting").end().record("TWidget", "First").str("Buddy").ident("Later.Target").end().end().end();
    ASSERT_EQ(ReadError(b.data, root), "");
    EXPECT_EQ(root.First->buddy, nullptr);
    ASSERT_EQ(PendingReferences().size(), 1u);

    TRoot later;
    Bytes l;
    l.header("TRoot", "Later").end().record("TWidget", "Target").end().end().end();
    ASSERT_EQ(ReadError(l.data, later), "");
    EXPECT_EQ(root.First->buddy, later.FindComponent("Target"));
    EXPECT_TRUE(PendingReferences().empty());

    // An object destroyed while its reference waits takes the entry with it.
    {
        TRoot gone;
        Bytes g;
        g.header("TRoot", "").end().record("TWidget", "First").str("Buddy").ident("Never.There").end().end().end();
        ASSERT_EQ(ReadError(g.data, gone), "");
        EXPECT_EQ(PendingReferences().size(), 1u);
    }
    EXPECT_TRUE(PendingReferences().empty());
}

}  // namespace
}  // namespace klice::test
