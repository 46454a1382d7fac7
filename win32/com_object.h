// The one shape of every COM object of the library:
//  - ComBase<Derived, Interfaces...>: IUnknown (reference count, the
//    module's live-object count, QueryInterface from a table);
//  - AggregatableComBase: the same for an object a client may aggregate;
//  - Enumerator<Traits>: the IEnumXxx shape (a snapshot, a position, Clone
//    copying both) for verbs, formats, connection points and connections.
#pragma once

#include <windows.h>
#include <ole2.h>

#include <cstddef>
#include <utility>

#include "com_util.h"

namespace velmora::win32 {

// IUnknown for a class that implements Interfaces: an atomic reference
// count starting at 1 for the creator, deletion at zero, and the module's
// live-object count, taken by New and given back after the deletion.
// QueryInterface answers from FindInterface: by default one table row per
// interface of the list; a class with aliases or more rows declares its own
// FindInterface. A class declares `friend ComBase;` (its destructor, and
// its constructors when they are private) and is created with New.
//
// Nothing here is virtual and the constructor and destructor do no work of
// their own: the compiler then needs no vtables of this intermediate class
// (every instantiation would otherwise carry a full copy of each
// interface's vtable).
template <class Derived, class... Interfaces>
class ComBase : public Interfaces... {
 public:
  // A new object, counted by the module; throws std::bad_alloc.
  template <class... Args>
  static Derived* New(Args&&... args) {
    auto* object = new Derived(std::forward<Args>(args)...);
    ModuleAddRef();
    return object;
  }

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) noexcept override {
    return static_cast<Derived*>(this)->FindInterface(riid, ppv);
  }
  STDMETHODIMP_(ULONG) AddRef() noexcept override { return refs_.AddRef(); }
  STDMETHODIMP_(ULONG) Release() noexcept override {
    const ULONG left = refs_.Release();
    if (left == 0) {
      // Held at one while the object dies: a site or sink released from
      // the destructor may AddRef and Release it without a second delete.
      refs_.AddRef();
      delete static_cast<Derived*>(this);
      ModuleRelease();
    }
    return left;
  }

  HRESULT FindInterface(REFIID riid, void** ppv) noexcept {
    const InterfaceEntry table[] = {Entry<Derived, Interfaces>()...};
    return QueryInterfaceFromTable(static_cast<Derived*>(this), table, riid, ppv);
  }

 private:
  RefCount refs_;
};

// Answers `created`'s interface riid and drops the creator's reference, so
// that a refused interface deletes the object.
template <class Object>
HRESULT HandOver(Object* created, REFIID riid, void** ppv) noexcept {
  const HRESULT hr = created->QueryInterface(riid, ppv);
  created->Release();
  return hr;
}

// The same for an object a client may aggregate. Its IUnknown delegates to
// the controlling unknown (the aggregator's, or its own inner one when it
// stands alone); Inner() is the non-delegating unknown, the identity and
// reference count an aggregator holds, answering IUnknown itself and the
// rest from Derived::FindInterface.
template <class Derived, class... Interfaces>
class AggregatableComBase : public Interfaces... {
 public:
  template <class... Args>
  static Derived* New(Args&&... args) {
    auto* object = new Derived(std::forward<Args>(args)...);
    ModuleAddRef();
    return object;
  }

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) noexcept override { return outer_->QueryInterface(riid, ppv); }
  STDMETHODIMP_(ULONG) AddRef() noexcept override { return outer_->AddRef(); }
  STDMETHODIMP_(ULONG) Release() noexcept override { return outer_->Release(); }

 protected:
  // `outer` is the aggregator, or null for an object on its own.
  explicit AggregatableComBase(IUnknown* outer) noexcept : inner_(*this), outer_(outer ? outer : &inner_) {}

  IUnknown& Inner() noexcept { return inner_; }
  IUnknown* Controlling() const noexcept { return outer_; }

 private:
  class InnerUnknown final : public IUnknown {
   public:
    explicit InnerUnknown(AggregatableComBase& owner) noexcept : owner_(owner) {}
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) noexcept override {
      if (IsEqualIID(riid, IID_IUnknown) && ppv != nullptr) {
        AddRef();
        *ppv = static_cast<IUnknown*>(this);
        return S_OK;
      }
      return static_cast<Derived&>(owner_).FindInterface(riid, ppv);
    }
    STDMETHODIMP_(ULONG) AddRef() noexcept override { return owner_.refs_.AddRef(); }
    STDMETHODIMP_(ULONG) Release() noexcept override {
      const ULONG left = owner_.refs_.Release();
      if (left == 0) {
        owner_.refs_.AddRef();
        delete &static_cast<Derived&>(owner_);
        ModuleRelease();
      }
      return left;
    }

   private:
    AggregatableComBase& owner_;
  };

  RefCount refs_;
  InnerUnknown inner_;
  IUnknown* outer_;
};

// ---------------------------------------------------------------------------
// Enumerators

// What Next answers when the caller gives no place for the count fetched:
// the rule each interface has always answered with.
enum class MissingFetched {
  kInvalidArgUnlessOne,  // E_INVALIDARG unless exactly one item is asked for
  kPointerAboveOne,      // E_POINTER when more than one item is asked for
};

// The position of an enumerator over `size` items and the checks of Next,
// out of line for every kind.
class EnumeratorCursor {
 public:
  EnumeratorCursor(std::size_t size, std::size_t position) noexcept : size_(size), position_(position) {}
  // S_OK when Next may go on, else the error it answers.
  static HRESULT CheckNext(ULONG count, const void* out, const ULONG* fetched, MissingFetched rule) noexcept;
  // Moves on by `count`, at most to the end: S_FALSE when fewer were left.
  HRESULT Skip(ULONG count) noexcept;
  void Reset() noexcept { position_ = 0; }
  bool AtEnd() const noexcept { return position_ >= size_; }
  std::size_t position() const noexcept { return position_; }
  void Advance() noexcept { ++position_; }
  void Back(std::size_t count) noexcept { position_ -= count; }

 private:
  std::size_t size_;
  std::size_t position_;
};

// Traits names: Interface (IEnumXxx), Element (what Next hands out), Items
// (a copyable snapshot with size() and operator[]), kMissingFetched, and
//   static bool Hand(const Item&, Element* out)  a caller-owned copy; false
//                                                 when out of memory
//   static void TakeBack(Element&)               undoes one Hand
template <class Traits>
class Enumerator final : public ComBase<Enumerator<Traits>, typename Traits::Interface> {
 public:
  using Interface = typename Traits::Interface;
  using Element = typename Traits::Element;
  using Items = typename Traits::Items;

  explicit Enumerator(Items items, std::size_t position = 0)
      : items_(std::move(items)), cursor_(items_.size(), position) {}
  ~Enumerator() = default;

  // A new enumerator at the start of `items`, as the interface.
  static HRESULT Create(Items items, Interface** out) noexcept {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    return ComEdge([&] {
      *out = Enumerator::New(std::move(items));
      return S_OK;
    });
  }

  STDMETHODIMP Next(ULONG count, Element* out, ULONG* fetched) noexcept override {
    const HRESULT checked = EnumeratorCursor::CheckNext(count, out, fetched, Traits::kMissingFetched);
    if (checked != S_OK) return checked;
    ULONG done = 0;
    while (done < count && !cursor_.AtEnd()) {
      if (!Traits::Hand(items_[cursor_.position()], &out[done])) {
        // All or nothing: what was handed is taken back.
        cursor_.Back(done);
        while (done > 0) Traits::TakeBack(out[--done]);
        if (fetched) *fetched = 0;
        return E_OUTOFMEMORY;
      }
      ++done;
      cursor_.Advance();
    }
    if (fetched) *fetched = done;
    return done == count ? S_OK : S_FALSE;
  }
  STDMETHODIMP Skip(ULONG count) noexcept override { return cursor_.Skip(count); }
  STDMETHODIMP Reset() noexcept override {
    cursor_.Reset();
    return S_OK;
  }
  STDMETHODIMP Clone(Interface** out) noexcept override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    return ComEdge([&] {
      *out = Enumerator::New(items_, cursor_.position());
      return S_OK;
    });
  }

 private:
  Items items_;
  EnumeratorCursor cursor_;
};

// A fixed table of rows, as an enumerator's snapshot: nothing is copied.
template <class Row>
class TableItems {
 public:
  template <std::size_t N>
  constexpr TableItems(const Row (&rows)[N]) noexcept : rows_(rows), size_(N) {}
  std::size_t size() const noexcept { return size_; }
  const Row& operator[](std::size_t i) const noexcept { return rows_[i]; }

 private:
  const Row* rows_;
  std::size_t size_;
};

}  // namespace velmora::win32
