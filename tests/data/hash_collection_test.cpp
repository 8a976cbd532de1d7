#include "data/hash_collection.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace klice {
namespace {

class NamedItems : public ::testing::Test {
protected:
    THashCollectionItem* add(const std::string& name) {
        auto* item = static_cast<THashCollectionItem*>(items.Add());
        item->SetName(name);
        return item;
    }
    THashCollectionItem* at(int index) { return items.ItemAs<THashCollectionItem>(index); }

    THashCollection items{THashCollectionItem::StaticClass()};
};

TEST(NameBucket, LengthTimesSixteenPlusFirstAndSecondToLast) {
    EXPECT_EQ(NameBucket(""), 0);
    EXPECT_EQ(NameBucket("a"), 16);
    EXPECT_EQ(NameBucket("Z"), 16);
    EXPECT_EQ(NameBucket("\xC8"), 16);  // one character adds no code
    EXPECT_EQ(NameBucket("p1"), 0);     // 32 + 'p' + 'p' = 256
    EXPECT_EQ(NameBucket("P1"), 0);
    EXPECT_EQ(NameBucket("klic"), 20);                // 64 + 'k' + 'i' = 276
    EXPECT_EQ(NameBucket("ctverec"), 56);             // 112 + 'c' + 'e' = 312
    EXPECT_EQ(NameBucket("Zuby1"), 67);               // 80 + 'z' + 'y' = 323
    EXPECT_EQ(NameBucket("abcdefghijklmnopq"), 225);  // 272 + 'a' + 'p' = 481
    // Windows-1250 capitals are lowered first: 32 + 0xE8 + 0xE8 = 496.
    EXPECT_EQ(NameBucket("\xC8k"), 240);
    EXPECT_EQ(NameBucket("\xE8k"), 240);
}

TEST_F(NamedItems, FoundInAnyLetterCase) {
    add("krajina");
    add("p1");
    add("\xC8"
        "ert");  // "Čert"
    EXPECT_EQ(items.IndexOf("P1"), 1);
    EXPECT_EQ(items.IndexOf("KRAJINA"), 0);
    EXPECT_EQ(items.IndexOf("\xE8"
                            "ERT"),
              2);  // "čERT"
    EXPECT_EQ(items.IndexOf("p2"), -1);
    EXPECT_EQ(items.IndexOf("p"), -1);
    EXPECT_EQ(items.IndexOf(""), -1);
}

TEST_F(NamedItems, OneBucketHoldsDifferentNames) {
    add("a");
    add("\xC8");  // "Č", bucket 16 as well
    add("b");
    EXPECT_EQ(items.IndexOf("A"), 0);
    EXPECT_EQ(items.IndexOf("\xE8"), 1);
    EXPECT_EQ(items.IndexOf("b"), 2);
    EXPECT_EQ(items.IndexOf("c"), -1);
}

TEST_F(NamedItems, LaterAssignedNameWins) {
    THashCollectionItem* lower = add("p1");
    add("P1");
    EXPECT_EQ(items.IndexOf("p1"), 1);
    EXPECT_EQ(items.IndexOf("P1"), 1);

    // The same text in other letter case is a new name: the first item now
    // is the newest of the bucket.
    lower->SetName("P1");
    EXPECT_EQ(items.IndexOf("p1"), 0);
    // The very same text changes nothing.
    at(1)->SetName("P1");
    EXPECT_EQ(items.IndexOf("p1"), 0);
    at(1)->SetName("p1");
    EXPECT_EQ(items.IndexOf("P1"), 1);
}

TEST_F(NamedItems, RenamedItemLeavesItsOldBucket) {
    THashCollectionItem* item = add("klic");
    item->SetName("ctverec");
    EXPECT_EQ(items.IndexOf("klic"), -1);
    EXPECT_EQ(items.IndexOf("ctverec"), 0);
    EXPECT_EQ(item->Name(), "ctverec");
}

TEST_F(NamedItems, DestroyedItemsRenumberTheRest) {
    for (int i = 0; i < 6; ++i) add("n" + std::to_string(i));
    items.Delete(1);
    delete at(3);  // "n4"
    EXPECT_EQ(items.IndexOf("n0"), 0);
    EXPECT_EQ(items.IndexOf("n1"), -1);
    EXPECT_EQ(items.IndexOf("n2"), 1);
    EXPECT_EQ(items.IndexOf("n3"), 2);
    EXPECT_EQ(items.IndexOf("n4"), -1);
    EXPECT_EQ(items.IndexOf("n5"), 3);
    add("n1");
    EXPECT_EQ(items.IndexOf("n1"), 4);
    items.Clear();
    EXPECT_EQ(items.IndexOf("n5"), -1);
    add("n5");
    EXPECT_EQ(items.IndexOf("n5"), 0);
}

TEST_F(NamedItems, MovedItemsAreFoundAtTheirNewPlace) {
    add("a");
    add("b");
    add("c");
    at(2)->SetIndex(0);  // c a b
    EXPECT_EQ(items.IndexOf("c"), 0);
    EXPECT_EQ(items.IndexOf("a"), 1);
    EXPECT_EQ(items.IndexOf("b"), 2);
    static_cast<THashCollectionItem*>(items.Insert(1))->SetName("d");  // c d a b
    EXPECT_EQ(items.IndexOf("d"), 1);
    EXPECT_EQ(items.IndexOf("b"), 3);
}

TEST_F(NamedItems, ItemTakenToAnotherCollection) {
    THashCollection other(THashCollectionItem::StaticClass());
    THashCollectionItem* a = add("a");
    add("b");
    a->SetCollection(&other);
    EXPECT_EQ(items.IndexOf("a"), -1);
    EXPECT_EQ(items.IndexOf("b"), 0);
    EXPECT_EQ(other.IndexOf("A"), 0);
    a->SetName("x");
    EXPECT_EQ(other.IndexOf("x"), 0);
    EXPECT_EQ(items.IndexOf("x"), -1);
}

TEST_F(NamedItems, NameIsPublishedAndCopiedByAssign) {
    THashCollectionItem* item = add("old");
    const TPropInfo* name = THashCollectionItem::StaticClass().FindProperty("name");
    ASSERT_NE(name, nullptr);
    ASSERT_EQ(name->kind, TPropKind::String);
    ASSERT_FALSE(name->IsReadOnly());
    name->set_str(*item, "zuby1");  // the way a stream sets it
    EXPECT_EQ(items.IndexOf("ZUBY1"), 0);
    EXPECT_EQ(name->get_str(*item), "zuby1");

    add("leb1");
    THashCollection copy(THashCollectionItem::StaticClass());
    copy.Assign(&items);
    EXPECT_EQ(copy.IndexOf("leb1"), 1);
    EXPECT_EQ(copy.IndexOf("zuby1"), 0);
}

TEST_F(NamedItems, ManyItemsStayFindableThroughDeletions) {
    const int n = 600;  // more items than buckets, so chains grow long
    for (int i = 0; i < n; ++i) add("item" + std::to_string(i));
    for (int i = n - 1; i >= 0; i -= 3) items.Delete(i);  // every third, from the back

    std::vector<std::string> left;
    for (int i = 0; i < n; ++i)
        if ((n - 1 - i) % 3 != 0) left.push_back("item" + std::to_string(i));
    ASSERT_EQ(items.Count(), static_cast<int>(left.size()));
    for (int i = 0; i < static_cast<int>(left.size()); ++i) {
        ASSERT_EQ(items.IndexOf(left[i]), i) << left[i];
        ASSERT_EQ(at(i)->Name(), left[i]);
    }
    EXPECT_EQ(items.IndexOf("item" + std::to_string(n - 1)), -1);
}

}  // namespace
}  // namespace klice
