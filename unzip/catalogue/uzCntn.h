#pragma once
// Generic containers of the archive component: a growable array of object
// references that can own its items, and a sorted variant that places items
// by a binary search over a key and applies a duplicates policy. The
// catalogue's member list and its view lists are built on them.
//
// Ownership: an owning list (the default) deletes an item when it releases
// it, when it is emptied and when it is destroyed. An item handed to an
// owning list belongs to the list from that call on, even when the call
// does not keep it (a dropped duplicate, or an exception): the list deletes
// it then. A non-owning list never deletes anything.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace uz {

// Base of every object kept in the lists.
class TObject {
 public:
  TObject() = default;
  TObject(const TObject&) = default;
  TObject& operator=(const TObject&) = default;
  virtual ~TObject() = default;
  // The class name, as error messages show it.
  virtual std::string ClassName() const { return "TObject"; }
};

class TObjectList : public TObject {
 public:
  // A capacity of this many slots or more is refused; with growth by 16 the
  // largest list therefore holds kMaxItems items.
  static constexpr int kCapacityLimit = 65535;
  static constexpr int kMaxItems = 65520;

  explicit TObjectList(bool ownsItems = true);
  ~TObjectList() override;
  TObjectList(const TObjectList&) = delete;
  TObjectList& operator=(const TObjectList&) = delete;

  std::string ClassName() const override { return "TObjectList"; }

  int Count() const { return static_cast<int>(items_.size()); }
  int Capacity() const { return capacity_; }
  // Raises EListError "Error" for kCapacityLimit or more, or below Count().
  void SetCapacity(int capacity);
  bool OwnsItems() const { return ownsItems_; }
  void SetOwnsItems(bool owns) { ownsItems_ = owns; }

  // The item at index; EListError "Error" outside 0 .. Count()-1.
  TObject* Items(int index) const;
  TObject* operator[](int index) const { return Items(index); }
  template <class T>
  T* ItemAs(int index) const {
    return static_cast<T*>(Items(index));
  }

  // Appends (a sorted list places the item by its key instead). Returns the
  // index the item went to, or -1 when a sorted list dropped it as a
  // duplicate under the ignore policy.
  virtual int Add(TObject* item);
  // Same for an owning list; the unique_ptr form makes the hand-over visible.
  int Add(std::unique_ptr<TObject> item);
  // Inserts before index (0 .. Count(); Count() appends). A sorted list
  // ignores index and places the item as Add does.
  virtual void Insert(int index, TObject* item);
  // Replaces the item at index; an owning list deletes the one replaced.
  // A sorted list raises EListError "Cannot <Put> an Object in a sorted list!".
  virtual void Put(int index, TObject* item);
  // Removes the item at index; an owning list deletes it.
  virtual void Release(int index);
  // Removes every item (an owning list deletes them) and frees the slots:
  // Count() and Capacity() become 0.
  virtual void Empty();
  // Position of the very object (identity), -1 when absent. A sorted list
  // answers with a binary search for the object's key instead.
  virtual int IndexOf(const TObject* item) const;
  virtual TObject* First() const;  // nullptr when empty
  virtual TObject* Last() const;   // nullptr when empty
  // direction 0: the previous item, 1: the next one. For item == nullptr,
  // direction 1 gives the first item and 0 the last. Past either end:
  // nullptr. The item is found by identity, also in a sorted list. An item
  // not held raises EListError "tObject <class> not in item list".
  virtual TObject* Neighbour(const TObject* item, int direction) const;

 protected:
  [[noreturn]] virtual void Error(const std::string& message) const;
  // Adds room for one more item: +4 slots up to 4, +8 up to 8, +16 beyond.
  virtual void Grow();
  // Places item at index (0 .. Count()) without any policy; grows as needed.
  void InsertAt(int index, TObject* item);
  // Deletes item when the list owns its items.
  void Dispose(TObject* item) const;

 private:
  std::vector<TObject*> items_;
  int capacity_ = 0;
  bool ownsItems_;
};

// What a sorted list does with an item whose key is already present.
enum TDuplicates : uint8_t { dupIgnore = 0, dupAccept = 1, dupError = 2 };

class TSortedObjectList : public TObjectList {
 public:
  explicit TSortedObjectList(bool ownsItems = true, TDuplicates duplicates = dupIgnore);

  std::string ClassName() const override { return "TSortedObjectList"; }

  TDuplicates Duplicates() const { return duplicates_; }
  void SetDuplicates(TDuplicates duplicates) { duplicates_ = duplicates; }

  using TObjectList::Add;
  // Places item at the position Find gives for its key. An equal key: the
  // ignore policy drops the item (deleted by an owning list) and returns -1;
  // the error policy raises EListError "Duplicate Object index"; accept
  // inserts it in front of the equal ones.
  int Add(TObject* item) override;
  void Insert(int index, TObject* item) override;
  void Put(int index, TObject* item) override;
  // Binary search for the item's key; -1 when no equal key is held.
  int IndexOf(const TObject* item) const override;

  // The key of an item: the item itself unless a subclass says otherwise.
  virtual const TObject* Key(const TObject* item) const { return item; }
  // Compares the key of an item already held (a) with a key being sought or
  // placed (b): negative puts a before b.
  virtual int Compare(const TObject* a, const TObject* b) const = 0;
  // Binary search for key; returns whether an equal key was met. index
  // receives the position where the key belongs: under the accept policy in
  // front of every equal item, otherwise the equal item the search met.
  virtual bool Find(const TObject* key, int& index) const;

 private:
  TDuplicates duplicates_;
};

}  // namespace uz
