#include "data/persistent.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "data/events.h"

namespace klice {
namespace {

std::vector<std::string> g_destroyed;

enum class TLamp { lpOff, lpDim, lpBright };
const TTypeInfo& LampType() {
    static const TTypeInfo t("TLamp", std::vector<std::string>{"lpOff", "lpDim", "lpBright"});
    return t;
}
using TLamps = TSet<TLamp>;

class TGadget : public TComponent {
    KLICE_CLASS(TGadget, TComponent)
public:
    explicit TGadget(TComponent* owner) : TComponent(owner) {}
    ~TGadget() override { g_destroyed.push_back(Name()); }
    int32_t Width() const { return width_; }
    void SetWidth(int32_t w) { width_ = w; }
    TColor color = clBlack;
    TLamp lamp = TLamp::lpOff;
    TLamps lamps;
    std::string caption;
    int32_t read_only = 7;
    TKeyEvent OnKeyDown;
    TNotifyEvent OnClick;

private:
    int32_t width_ = 0;
};

KLICE_DESCRIBE_CLASS(TGadget, c) {
    c.Integer("Width", &TGadget::Width, &TGadget::SetWidth);
    c.Color("Color", &TGadget::color, &TGadget::color);
    c.Enum("Lamp", &TGadget::lamp, &TGadget::lamp, LampType());
    c.Set("Lamps", &TGadget::lamps, &TGadget::lamps, LampType());
    c.String("Caption", &TGadget::caption, &TGadget::caption);
    c.Integer("ReadOnly", &TGadget::read_only);
    c.Event("OnKeyDown", &TGadget::OnKeyDown);
    c.Event("OnClick", &TGadget::OnClick);
}

class TBigGadget : public TGadget {
    KLICE_CLASS(TBigGadget, TGadget)
public:
    using TGadget::TGadget;
    int32_t depth = 0;
};
KLICE_DESCRIBE_CLASS(TBigGadget, c) { c.Integer("Depth", &TBigGadget::depth, &TBigGadget::depth); }

class TBoard : public TComponent {
    KLICE_CLASS(TBoard, TComponent)
public:
    explicit TBoard(TComponent* owner) : TComponent(owner) {}
    TGadget* Lever = nullptr;
    TBigGadget* Big = nullptr;
    std::vector<std::string> calls;
    void press(TObject*, uint16_t& key, TShiftState shift) {
        calls.push_back("press " + std::to_string(key) + (shift.Contains(TShiftStateFlag::ssShift) ? " shift" : ""));
        key = 0;
    }
    void click(TObject* sender) { calls.push_back("click " + static_cast<TComponent*>(sender)->Name()); }
};
KLICE_DESCRIBE_CLASS(TBoard, c) {
    c.Member("Lever", &TBoard::Lever);
    c.Member("Big", &TBoard::Big);
    c.Method("press", &TBoard::press);
    c.Method("Click", &TBoard::click);
}

class TCountingCollection : public TCollection {
public:
    using TCollection::TCollection;
    int whole_updates = 0;
    int item_updates = 0;
    std::vector<TCollectionNotification> notes;

protected:
    void Update(TCollectionItem* item) override { ++(item ? item_updates : whole_updates); }
    void Notify(TCollectionItem*, TCollectionNotification n) override { notes.push_back(n); }
};

class TTag : public TCollectionItem {
    KLICE_CLASS(TTag, TCollectionItem)
public:
    explicit TTag(TCollection* c) : TCollectionItem(c) {}
    void SetValue(int v) {
        value = v;
        Changed(false);
    }
    void Assign(const TPersistent* source) override {
        if (auto* t = dynamic_cast<const TTag*>(source))
            value = t->value;
        else
            TCollectionItem::Assign(source);
    }
    int value = 0;
};
KLICE_DESCRIBE_CLASS(TTag, c) { c.Integer("Value", &TTag::value, &TTag::value); }

TEST(ComponentNames, ValidationDuplicatesAndLookupIgnoreLetterCase) {
    TBoard board(nullptr);
    auto* a = new TGadget(&board);
    auto* b = new TGadget(&board);
    a->SetName("Alpha_1");
    EXPECT_EQ(board.FindComponent("aLPHA_1"), a);
    EXPECT_EQ(board.FindComponent(""), nullptr);
    try {
        b->SetName("ALPHA_1");
        FAIL();
    } catch (const EComponentError& e) {
        EXPECT_EQ(e.Message(), "A component named ALPHA_1 already exists");
    }
    for (const char* bad : {"1abc", "a b", "a.b", "-"}) {
        try {
            b->SetName(bad);
            FAIL() << bad;
        } catch (const EComponentError& e) {
            EXPECT_EQ(e.Message(), std::string("''") + bad + "'' is not a valid component name");
        }
    }
    EXPECT_EQ(b->Name(), "");
    a->SetName("alpha_1");  // the same name in other letter case is a rename
    EXPECT_EQ(a->Name(), "alpha_1");
    b->SetName("_x9");
    b->SetName("");
    EXPECT_EQ(board.FindComponent("_x9"), nullptr);
}

TEST(ComponentNames, OwnerMembersFollowNamesAndClassesOfTheirComponents) {
    TBoard board(nullptr);
    auto* lever = new TGadget(&board);
    lever->SetName("lever");
    EXPECT_EQ(board.Lever, lever);
    lever->SetName("other");
    EXPECT_EQ(board.Lever, nullptr);
    auto* plain = new TGadget(&board);
    plain->SetName("Big");  // a TGadget does not fit a TBigGadget member
    EXPECT_EQ(board.Big, nullptr);
    delete plain;
    auto* big = new TBigGadget(&board);
    big->SetName("Big");
    EXPECT_EQ(board.Big, big);
    delete big;
    EXPECT_EQ(board.Big, nullptr);
    EXPECT_EQ(&TBigGadget::StaticClass(), board.ClassInfo().FindMemberClass("tbiggadget"));
}

TEST(ComponentOwnership, OwnerFreesChildrenNewestFirstAndTracksTopLevel) {
    g_destroyed.clear();
    auto* board = new TBoard(nullptr);
    board->SetName("OwnershipBoard");
    EXPECT_EQ(FindTopLevelComponent("ownershipboard"), board);
    for (const char* n : {"a", "b", "c"}) (new TGadget(board))->SetName(n);
    ASSERT_EQ(board->ComponentCount(), 3);
    board->Components(0)->SetComponentIndex(2);
    EXPECT_EQ(board->Components(2)->Name(), "a");
    auto* loose = new TGadget(nullptr);
    loose->SetName("loose");
    board->InsertComponent(loose);
    EXPECT_EQ(FindTopLevelComponent("loose"), nullptr);
    delete board;
    EXPECT_EQ(g_destroyed, (std::vector<std::string>{"loose", "a", "c", "b"}));
    EXPECT_EQ(FindTopLevelComponent("ownershipboard"), nullptr);
}

class TWatcher : public TComponent {
public:
    explicit TWatcher(TComponent* owner) : TComponent(owner) {}
    const TClassInfo& ClassInfo() const override { return TComponent::StaticClass(); }
    TComponent* watched = nullptr;
    void Notification(TComponent* c, TOperation op) override {
        TComponent::Notification(c, op);
        if (op == TOperation::Remove && c == watched) watched = nullptr;
    }
};

TEST(ComponentOwnership, RemovalIsToldToSiblingsAndFreeNotificationPartners) {
    TBoard board(nullptr);
    auto* sibling_watcher = new TWatcher(&board);
    auto* target = new TGadget(&board);
    sibling_watcher->watched = target;
    TWatcher far(nullptr);
    far.watched = target;
    target->FreeNotification(&far);
    delete target;
    EXPECT_EQ(sibling_watcher->watched, nullptr);
    EXPECT_EQ(far.watched, nullptr);
}

TEST(ClassInfo, PropertiesAreFoundIgnoringCaseWithAncestorsFirst) {
    const TClassInfo& info = TBigGadget::StaticClass();
    EXPECT_TRUE(info.InheritsFrom(TComponent::StaticClass()));
    EXPECT_TRUE(info.IsComponentClass());
    EXPECT_FALSE(TTag::StaticClass().IsComponentClass());
    auto props = info.Properties();
    ASSERT_GE(props.size(), 3u);
    EXPECT_EQ(props.front()->name, "Name");
    EXPECT_EQ(props.back()->name, "Depth");
    EXPECT_EQ(info.FindProperty("wIDTH")->kind, TPropKind::Integer);
    EXPECT_EQ(info.FindProperty("nope"), nullptr);
    EXPECT_TRUE(info.FindProperty("ReadOnly")->IsReadOnly());
    EXPECT_FALSE(info.FindProperty("Width")->IsReadOnly());
    EXPECT_EQ(TTag::StaticClass().FindProperty("value")->kind, TPropKind::Integer);
}

TEST(ClassInfo, AccessorsConvertBetweenStoredOrdinalsAndMemberTypes) {
    TBigGadget g(nullptr);
    const TClassInfo& info = g.ClassInfo();
    info.FindProperty("Width")->set_ord(g, -5);
    EXPECT_EQ(g.Width(), -5);
    info.FindProperty("Lamp")->set_ord(g, 2);
    EXPECT_EQ(g.lamp, TLamp::lpBright);
    info.FindProperty("Lamps")->set_ord(g, 0b101);
    EXPECT_TRUE(g.lamps.Contains(TLamp::lpOff));
    EXPECT_FALSE(g.lamps.Contains(TLamp::lpDim));
    EXPECT_EQ(info.FindProperty("Lamps")->get_ord(g), 5);
    info.FindProperty("Caption")->set_str(g, "hi");
    EXPECT_EQ(info.FindProperty("caption")->get_str(g), "hi");
    info.FindProperty("Depth")->set_ord(g, 3);
    EXPECT_EQ(g.depth, 3);
}

TEST(ClassInfo, FactoriesAndTheGlobalRegistry) {
    RegisterClass(TGadget::StaticClass());
    RegisterClass(TGadget::StaticClass());  // twice is harmless
    EXPECT_EQ(GetClass("tgadget"), &TGadget::StaticClass());
    TBoard board(nullptr);
    TComponent* made = FindClass("TGadget").CreateComponent(&board);
    EXPECT_EQ(made->ClassName(), "TGadget");
    EXPECT_EQ(made->Owner(), &board);
    EXPECT_FALSE(TComponent::StaticClass().CanCreateItem());
    EXPECT_TRUE(TTag::StaticClass().CanCreateItem());
    try {
        FindClass("TNothing");
        FAIL();
    } catch (const EClassNotFound& e) {
        EXPECT_EQ(e.Message(), "Class TNothing not found");
    }
    UnRegisterClass(TGadget::StaticClass());
    EXPECT_EQ(GetClass("TGadget"), nullptr);
}

TEST(Events, BindOnlyToPublishedMethodsOfTheSameSignature) {
    TBoard board(nullptr);
    TGadget g(nullptr);
    g.SetName("g");
    const TPropInfo* key = g.ClassInfo().FindProperty("OnKeyDown");
    const TPropInfo* click = g.ClassInfo().FindProperty("OnClick");
    const TMethodInfo* press = board.ClassInfo().FindMethod("PRESS");
    const TMethodInfo* clicked = board.ClassInfo().FindMethod("click");
    ASSERT_NE(press, nullptr);
    ASSERT_NE(clicked, nullptr);
    EXPECT_FALSE(click->set_method(g, press, &board));
    EXPECT_FALSE(key->set_method(g, clicked, &board));
    EXPECT_FALSE(g.OnClick);
    ASSERT_TRUE(key->set_method(g, press, &board));
    ASSERT_TRUE(click->set_method(g, clicked, &board));
    uint16_t k = 65;
    g.OnKeyDown(&g, k, TShiftState{TShiftStateFlag::ssShift});
    g.OnClick(&g);
    EXPECT_EQ(k, 0);  // the handler's change of Key reaches the caller
    EXPECT_EQ(board.calls, (std::vector<std::string>{"press 65 shift", "click g"}));
    EXPECT_EQ(key->get_method(g), "press");
    click->set_method(g, nullptr, &board);
    EXPECT_FALSE(g.OnClick);
    EXPECT_EQ(click->get_method(g), "");
}

TEST(Collections, AddDeleteIndexAndBatchedChangeReports) {
    TCountingCollection list(TTag::StaticClass());
    auto* first = static_cast<TTag*>(list.Add());
    list.Add();
    EXPECT_EQ(list.whole_updates, 2);
    first->SetValue(4);
    EXPECT_EQ(list.item_updates, 1);
    list.BeginUpdate();
    list.Add();
    first->SetValue(5);
    list.Delete(1);
    list.BeginUpdate();
    list.EndUpdate();
    EXPECT_EQ(list.whole_updates, 2);
    list.EndUpdate();
    EXPECT_EQ(list.whole_updates, 3);
    EXPECT_EQ(list.item_updates, 1);
    EXPECT_EQ(list.Count(), 2);
    EXPECT_EQ(first->Index(), 0);
    first->SetIndex(1);
    EXPECT_EQ(first->Index(), 1);
    EXPECT_EQ(list.Items(1), first);
    EXPECT_EQ(first->GetOwner(), &list);
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.whole_updates, 5);  // the move and the clear
    EXPECT_NE(std::find(list.notes.begin(), list.notes.end(), TCollectionNotification::Deleting), list.notes.end());
    EXPECT_THROW(list.Items(0), EInvalidOperation);
}

TEST(Collections, AssignCopiesItemsAndForeignSourcesAreRefused) {
    TCollection a(TTag::StaticClass()), b(TTag::StaticClass());
    static_cast<TTag*>(a.Add())->value = 1;
    static_cast<TTag*>(a.Add())->value = 2;
    b.Add();
    b.Assign(&a);
    ASSERT_EQ(b.Count(), 2);
    EXPECT_EQ(b.ItemAs<TTag>(1)->value, 2);
    TGadget g(nullptr);
    try {
        b.Assign(&g);
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), "Cannot assign a TGadget to a TCollection");
    }
}

TEST(Colors, FiftyTwoDistinctIdentifiersMatchedInAnyCase) {
    auto ids = ColorIdentifiers();
    EXPECT_EQ(ids.size(), 52u);
    std::set<std::string> names;
    for (const auto& e : ids) names.insert(e.name);
    EXPECT_EQ(names.size(), 52u);
    EXPECT_EQ(IdentToColor("clwhite"), 0xFFFFFF);
    EXPECT_EQ(IdentToColor("CLMENUBAR"), static_cast<TColor>(0xFF00001E));
    EXPECT_EQ(IdentToColor("clHotLight"), static_cast<TColor>(0xFF00001A));
    EXPECT_EQ(IdentToColor("clNone"), 0x1FFFFFFF);
    EXPECT_EQ(IdentToColor("clSkyBlue"), 0xF0CAA6);
    EXPECT_FALSE(IdentToColor("clPink"));
    EXPECT_STREQ(ColorToIdent(0x008000), "clGreen");
    EXPECT_EQ(ColorToIdent(98304), nullptr);
}

}  // namespace
}  // namespace klice
