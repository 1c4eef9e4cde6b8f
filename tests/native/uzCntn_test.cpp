// The component's object lists: growth and the 65,520-item limit, index
// errors, ownership of items, and the sorted lists the catalogue uses.
#include "catalogue/uzCntn.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "uzExceptions.h"

using namespace uz;

namespace {

// An item that counts its deletions, so ownership can be checked.
class TItem : public TObject {
 public:
  TItem(int key, std::string tag, int* deletions = nullptr)
      : key(key), tag(std::move(tag)), deletions_(deletions) {}
  ~TItem() override {
    if (deletions_) ++*deletions_;
  }
  std::string ClassName() const override { return "TItem"; }
  int key;
  std::string tag;

 private:
  int* deletions_;
};

class TByKey : public TSortedObjectList {
 public:
  using TSortedObjectList::TSortedObjectList;
  int Compare(const TObject* a, const TObject* b) const override {
    int ka = static_cast<const TItem*>(a)->key;
    int kb = static_cast<const TItem*>(b)->key;
    return ka < kb ? -1 : ka > kb ? 1 : 0;
  }
};

// Like the catalogue's size order: larger first and never "equal".
class TLargestFirst : public TSortedObjectList {
 public:
  using TSortedObjectList::TSortedObjectList;
  int Compare(const TObject* a, const TObject* b) const override {
    return static_cast<const TItem*>(b)->key > static_cast<const TItem*>(a)->key ? 1 : -1;
  }
};

std::string Tags(const TObjectList& list) {
  std::string tags;
  for (int i = 0; i < list.Count(); ++i) tags += list.ItemAs<TItem>(i)->tag;
  return tags;
}

std::string ListErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const EListError& e) {
    return e.what();
  }
  return "(no EListError)";
}

}  // namespace

TEST(TObjectList, GrowsByFourThenEightThenSixteen) {
  TObjectList list;
  std::vector<int> capacities;
  for (int i = 0; i < 50; ++i) {
    list.Add(std::make_unique<TItem>(i, "x"));
    if (capacities.empty() || capacities.back() != list.Capacity()) {
      capacities.push_back(list.Capacity());
    }
  }
  EXPECT_EQ(capacities, (std::vector<int>{4, 8, 16, 32, 48, 64}));
}

TEST(TObjectList, HoldsAtMost65520Items) {
  TObjectList list(false);
  TItem shared(0, "s");
  for (int i = 0; i < TObjectList::kMaxItems; ++i) list.Add(&shared);
  EXPECT_EQ(list.Count(), 65520);
  EXPECT_EQ(list.Capacity(), 65520);
  EXPECT_EQ(ListErrorOf([&] { list.Add(&shared); }), "Error");
  EXPECT_EQ(list.Count(), 65520);
}

TEST(TObjectList, CapacityLimits) {
  TObjectList list;
  EXPECT_EQ(ListErrorOf([&] { list.SetCapacity(65535); }), "Error");
  list.SetCapacity(65534);
  EXPECT_EQ(list.Capacity(), 65534);
  list.Add(std::make_unique<TItem>(1, "a"));
  list.Add(std::make_unique<TItem>(2, "b"));
  EXPECT_EQ(ListErrorOf([&] { list.SetCapacity(1); }), "Error");
  list.SetCapacity(2);
  EXPECT_EQ(list.Capacity(), 2);
}

TEST(TObjectList, IndexErrors) {
  TObjectList list;
  list.Add(std::make_unique<TItem>(1, "a"));
  EXPECT_EQ(ListErrorOf([&] { list.Items(1); }), "Error");
  EXPECT_EQ(ListErrorOf([&] { list.Items(-1); }), "Error");
  EXPECT_EQ(ListErrorOf([&] { list.Release(1); }), "Error");
  EXPECT_EQ(ListErrorOf([&] { list.Insert(2, new TItem(2, "b")); }), "Error");
  EXPECT_EQ(ListErrorOf([&] { list.Put(5, new TItem(3, "c")); }), "Error");
  EXPECT_EQ(list.Count(), 1);
}

TEST(TObjectList, InsertPutReleaseAndIdentity) {
  int deletions = 0;
  TObjectList list;
  auto* a = new TItem(1, "a", &deletions);
  auto* b = new TItem(2, "b", &deletions);
  list.Add(a);
  list.Add(b);
  list.Insert(0, new TItem(0, "z", &deletions));
  list.Insert(3, new TItem(9, "e", &deletions));  // at Count(): appends
  EXPECT_EQ(Tags(list), "zabe");
  EXPECT_EQ(list.IndexOf(b), 2);
  TItem stranger(2, "b");
  EXPECT_EQ(list.IndexOf(&stranger), -1);  // identity, not equality

  list.Put(1, new TItem(5, "p", &deletions));  // the replaced item is deleted
  EXPECT_EQ(deletions, 1);
  EXPECT_EQ(Tags(list), "zpbe");
  list.Release(0);
  EXPECT_EQ(deletions, 2);
  EXPECT_EQ(Tags(list), "pbe");
  EXPECT_EQ(list.First(), list.Items(0));
  EXPECT_EQ(list.Last(), list.Items(2));
}

TEST(TObjectList, OwningListDeletesItemsNonOwningNever) {
  int deletions = 0;
  {
    TObjectList owning;
    for (int i = 0; i < 5; ++i) owning.Add(new TItem(i, "o", &deletions));
    owning.Release(2);
    EXPECT_EQ(deletions, 1);
  }
  EXPECT_EQ(deletions, 5);

  deletions = 0;
  TItem a(1, "a", &deletions), b(2, "b", &deletions);
  {
    TObjectList view(false);
    view.Add(&a);
    view.Add(&b);
    view.Release(0);
    view.Put(0, &a);
    view.Empty();
  }
  EXPECT_EQ(deletions, 0);
}

TEST(TObjectList, EmptyResetsCountAndCapacity) {
  int deletions = 0;
  TObjectList list;
  for (int i = 0; i < 6; ++i) list.Add(new TItem(i, "x", &deletions));
  list.Empty();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.Capacity(), 0);
  EXPECT_EQ(deletions, 6);  // an owning list does not lose its items
  EXPECT_EQ(list.First(), nullptr);
  EXPECT_EQ(list.Last(), nullptr);
}

TEST(TObjectList, UniquePtrIntoNonOwningListIsRefused) {
  TObjectList view(false);
  int deletions = 0;
  EXPECT_EQ(ListErrorOf([&] { view.Add(std::make_unique<TItem>(1, "a", &deletions)); }), "Error");
  EXPECT_EQ(deletions, 1);  // not leaked
  EXPECT_EQ(view.Count(), 0);
}

TEST(TObjectList, Neighbours) {
  TObjectList list;
  auto* a = new TItem(1, "a");
  auto* b = new TItem(2, "b");
  auto* c = new TItem(3, "c");
  list.Add(a);
  list.Add(b);
  list.Add(c);
  EXPECT_EQ(list.Neighbour(nullptr, 1), a);
  EXPECT_EQ(list.Neighbour(nullptr, 0), c);
  EXPECT_EQ(list.Neighbour(b, 1), c);
  EXPECT_EQ(list.Neighbour(b, 0), a);
  EXPECT_EQ(list.Neighbour(c, 1), nullptr);
  EXPECT_EQ(list.Neighbour(a, 0), nullptr);
  TItem stranger(4, "s");
  EXPECT_EQ(ListErrorOf([&] { list.Neighbour(&stranger, 1); }), "tObject TItem not in item list");

  TObjectList none;
  EXPECT_EQ(none.Neighbour(nullptr, 1), nullptr);
  EXPECT_EQ(none.Neighbour(nullptr, 0), nullptr);
}

TEST(TSortedObjectList, PlacesItemsInKeyOrder) {
  TByKey list(true, dupError);
  for (int key : {5, 1, 9, 3, 7, 2, 8}) list.Add(std::make_unique<TItem>(key, std::to_string(key)));
  EXPECT_EQ(Tags(list), "1235789");
  TItem probe(7, "");
  EXPECT_EQ(list.IndexOf(&probe), 4);
  TItem missing(4, "");
  EXPECT_EQ(list.IndexOf(&missing), -1);
  int at = -1;
  EXPECT_FALSE(list.Find(&missing, at));
  EXPECT_EQ(at, 3);  // where 4 would go
  TItem last(10, "");
  EXPECT_FALSE(list.Find(&last, at));
  EXPECT_EQ(at, 7);
}

TEST(TSortedObjectList, AcceptPolicyPutsNewEqualItemsInFront) {
  TByKey list(true, dupAccept);
  list.Add(std::make_unique<TItem>(1, "x"));
  list.Add(std::make_unique<TItem>(5, "A"));
  list.Add(std::make_unique<TItem>(5, "B"));
  list.Add(std::make_unique<TItem>(9, "y"));
  list.Add(std::make_unique<TItem>(5, "C"));
  EXPECT_EQ(Tags(list), "xCBAy");

  // Longer runs: the search must go on left past the first equal item it meets.
  TByKey run(true, dupAccept);
  for (const char* tag : {"A", "B", "C", "D", "E", "F", "G"})
    run.Add(std::make_unique<TItem>(5, tag));
  EXPECT_EQ(Tags(run), "GFEDCBA");
}

TEST(TSortedObjectList, IgnorePolicyDropsTheNewItem) {
  int deletions = 0;
  TByKey list(true, dupIgnore);
  list.Add(new TItem(1, "a", &deletions));
  list.Add(new TItem(2, "b", &deletions));
  EXPECT_EQ(list.Add(new TItem(2, "B", &deletions)), -1);
  EXPECT_EQ(list.Count(), 2);
  EXPECT_EQ(Tags(list), "ab");
  EXPECT_EQ(deletions, 1);  // the dropped item is not leaked
}

TEST(TSortedObjectList, ErrorPolicyRaisesAndKeepsEarlierItems) {
  int deletions = 0;
  TByKey list(true, dupError);
  list.Add(new TItem(1, "a", &deletions));
  list.Add(new TItem(2, "b", &deletions));
  EXPECT_EQ(ListErrorOf([&] { list.Add(new TItem(1, "c", &deletions)); }),
            "Duplicate Object index");
  EXPECT_EQ(Tags(list), "ab");
  EXPECT_EQ(deletions, 1);
}

TEST(TSortedObjectList, CompareWithoutEqualityPlacesTiesBehind) {
  TLargestFirst list(false, dupAccept);
  TItem a(5, "A"), b(9, "B"), c(5, "C"), d(1, "D"), e(5, "E");
  for (TItem* item : {&a, &b, &c, &d, &e}) list.Add(item);
  EXPECT_EQ(Tags(list), "BACED");
  EXPECT_EQ(list.IndexOf(&a), -1);       // a key search never meets "equal"
  EXPECT_EQ(list.Neighbour(&c, 1), &e);  // neighbours are found by identity
}

TEST(TSortedObjectList, PutIsRefusedAndInsertIgnoresTheIndex) {
  int deletions = 0;
  TByKey list(true, dupAccept);
  list.Add(new TItem(3, "c", &deletions));
  list.Insert(0, new TItem(4, "d", &deletions));
  list.Insert(5, new TItem(1, "a", &deletions));
  EXPECT_EQ(Tags(list), "acd");
  EXPECT_EQ(ListErrorOf([&] { list.Put(0, new TItem(0, "z", &deletions)); }),
            "Cannot <Put> an Object in a sorted list!");
  EXPECT_EQ(deletions, 1);
  EXPECT_EQ(Tags(list), "acd");
}

TEST(TSortedObjectList, NeighbourWithEqualKeysUsesTheItemAskedAbout) {
  TByKey list(false, dupAccept);
  TItem a(1, "A"), b(1, "B"), c(1, "C");
  list.Add(&a);
  list.Add(&b);
  list.Add(&c);  // order C, B, A
  EXPECT_EQ(list.Neighbour(&b, 1), &a);
  EXPECT_EQ(list.Neighbour(&b, 0), &c);
  EXPECT_EQ(list.Neighbour(&a, 1), nullptr);
}
