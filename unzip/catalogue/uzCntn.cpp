#include "catalogue/uzCntn.h"

#include <algorithm>

#include "uzExceptions.h"

namespace uz {

TObjectList::TObjectList(bool ownsItems) : ownsItems_(ownsItems) {}

TObjectList::~TObjectList() {
  // Items are deleted last to first, the reverse of the order they came in.
  while (!items_.empty()) {
    TObject* item = items_.back();
    items_.pop_back();
    Dispose(item);
  }
}

void TObjectList::Error(const std::string& message) const { throw EListError(message); }

void TObjectList::Dispose(TObject* item) const {
  if (ownsItems_) delete item;
}

void TObjectList::SetCapacity(int capacity) {
  if (capacity >= kCapacityLimit || capacity < Count()) Error("Error");
  // The reported capacity follows the list's own growth steps; the storage
  // behind it grows geometrically so that filling a large list stays linear.
  std::size_t wanted = static_cast<std::size_t>(capacity);
  if (wanted > items_.capacity()) items_.reserve(std::max(wanted, 2 * items_.capacity()));
  capacity_ = capacity;
}

void TObjectList::Grow() {
  int delta = capacity_ > 8 ? 16 : capacity_ > 4 ? 8 : 4;
  SetCapacity(capacity_ + delta);
}

TObject* TObjectList::Items(int index) const {
  if (index < 0 || index >= Count()) Error("Error");
  return items_[static_cast<std::size_t>(index)];
}

void TObjectList::InsertAt(int index, TObject* item) {
  // An owning list is responsible for item from here on, also when growing fails.
  std::unique_ptr<TObject> guard(ownsItems_ ? item : nullptr);
  if (index < 0 || index > Count()) Error("Error");
  if (Count() == capacity_) Grow();
  items_.insert(items_.begin() + index, item);  // cannot throw: capacity reserved
  guard.release();
}

int TObjectList::Add(TObject* item) {
  int index = Count();
  InsertAt(index, item);
  return index;
}

int TObjectList::Add(std::unique_ptr<TObject> item) {
  if (!ownsItems_) Error("Error");  // a non-owning list would leak it
  return Add(item.release());
}

void TObjectList::Insert(int index, TObject* item) { InsertAt(index, item); }

void TObjectList::Put(int index, TObject* item) {
  std::unique_ptr<TObject> guard(ownsItems_ ? item : nullptr);
  TObject* old = Items(index);
  guard.release();
  items_[static_cast<std::size_t>(index)] = item;
  if (old != item) Dispose(old);
}

void TObjectList::Release(int index) {
  TObject* item = Items(index);
  items_.erase(items_.begin() + index);
  Dispose(item);
}

void TObjectList::Empty() {
  std::vector<TObject*> items;
  items.swap(items_);
  capacity_ = 0;
  for (TObject* item : items) Dispose(item);
}

int TObjectList::IndexOf(const TObject* item) const {
  for (std::size_t i = 0; i < items_.size(); ++i) {
    if (items_[i] == item) return static_cast<int>(i);
  }
  return -1;
}

TObject* TObjectList::First() const { return items_.empty() ? nullptr : items_.front(); }

TObject* TObjectList::Last() const { return items_.empty() ? nullptr : items_.back(); }

TObject* TObjectList::Neighbour(const TObject* item, int direction) const {
  if (item == nullptr) return direction == 1 ? First() : Last();
  // Identity, not the sorted lists' key search: with equal keys that search
  // could name another item than the one asked about.
  int index = TObjectList::IndexOf(item);
  if (index < 0) Error("tObject " + item->ClassName() + " not in item list");
  index += direction == 1 ? 1 : -1;
  return index >= 0 && index < Count() ? items_[static_cast<std::size_t>(index)] : nullptr;
}

TSortedObjectList::TSortedObjectList(bool ownsItems, TDuplicates duplicates)
    : TObjectList(ownsItems), duplicates_(duplicates) {}

bool TSortedObjectList::Find(const TObject* key, int& index) const {
  // Lists are mostly built in order: a key beyond the last item needs one
  // comparison, and lands where the search would put it.
  if (Count() > 0 && Compare(Key(Items(Count() - 1)), key) < 0) {
    index = Count();
    return false;
  }
  int low = 0;
  int high = Count() - 1;
  bool found = false;
  while (low <= high) {
    int middle = (low + high) / 2;  // both within 0 .. 65519: no overflow
    int c = Compare(Key(Items(middle)), key);
    if (c < 0) {
      low = middle + 1;
    } else {
      high = middle - 1;
      if (c == 0) {
        found = true;
        if (duplicates_ != dupAccept) low = middle;
      }
    }
  }
  index = low;
  return found;
}

int TSortedObjectList::Add(TObject* item) {
  std::unique_ptr<TObject> guard(OwnsItems() ? item : nullptr);
  int index = 0;
  if (Find(Key(item), index)) {
    if (duplicates_ == dupIgnore) return -1;  // the guard deletes an owned item
    if (duplicates_ == dupError) Error("Duplicate Object index");
  }
  guard.release();
  InsertAt(index, item);
  return index;
}

void TSortedObjectList::Insert(int /*index*/, TObject* item) { Add(item); }

void TSortedObjectList::Put(int /*index*/, TObject* item) {
  std::unique_ptr<TObject> guard(OwnsItems() ? item : nullptr);
  Error("Cannot <Put> an Object in a sorted list!");
}

int TSortedObjectList::IndexOf(const TObject* item) const {
  int index = 0;
  return Find(Key(item), index) ? index : -1;
}

}  // namespace uz
