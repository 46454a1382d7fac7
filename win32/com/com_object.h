// The one shape of every COM object of the library:
//  - ComBase<Derived, Interfaces...>: IUnknown (reference count, the
//    module's live-object count, QueryInterface from a table);
//  - AggregatableComBase: the same for an object a client may aggregate;
//  - DelegatingFacet<Derived, Interfaces...>: interfaces living inside
//    another object, whose references are that object's;
//  - StartCreation: the aggregation rule of every creation function;
//  - UniqueAdvise: an advise connection undone when it goes;
//  - Enumerator<Traits>: the IEnumXxx shape (a snapshot, a position, Clone
//    copying both) for verbs, formats, connection points and connections.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <ocidl.h>
#include <wrl/client.h>

#include <atomic>
#include <cstddef>
#include <utility>

namespace velmora::win32 {

using Microsoft::WRL::ComPtr;

// The module's count of live objects (com_module.h): the module may unload
// only when none is left.
void ModuleAddRef() noexcept;
void ModuleRelease() noexcept;

// The reference count of one object: starts at 1 for the creator's
// reference.
class RefCount {
 public:
  ULONG AddRef() noexcept { return ++count_; }
  // Returns the count left; the caller deletes the object at 0.
  ULONG Release() noexcept { return --count_; }
  ULONG Value() const noexcept { return count_.load(); }

 private:
  std::atomic<ULONG> count_{1};
};

// One row of a QueryInterface table: the interface and where its vtable
// pointer sits in the object.
struct InterfaceEntry {
  const IID* iid;
  std::ptrdiff_t offset;
};

// The offset of Interface's base sub-object inside Class.
template <class Class, class Interface>
std::ptrdiff_t InterfaceOffset() noexcept {
  // Any aligned non-null address works: only the pointer adjustment of the
  // derived-to-base conversion is measured, nothing is read.
  alignas(Class) static char probe[sizeof(Class)];
  auto* object = reinterpret_cast<Class*>(probe);
  return reinterpret_cast<char*>(static_cast<Interface*>(object)) - probe;
}

// A table row for Interface on Class, under Interface's own IID.
template <class Class, class Interface>
InterfaceEntry Entry() noexcept {
  return {&__uuidof(Interface), InterfaceOffset<Class, Interface>()};
}

// A table row answering `iid` with Class's Interface sub-object (for an
// IID that names a base or an alias, such as IDispatch or an event IID).
template <class Class, class Interface>
InterfaceEntry EntryAs(const IID& iid) noexcept {
  return {&iid, InterfaceOffset<Class, Interface>()};
}

// QueryInterface through a table: IUnknown answers with the first row's
// interface (the object's identity); any row whose IID matches answers with
// its sub-object, AddRef'ed. Returns E_POINTER or E_NOINTERFACE (with *ppv
// null) otherwise.
HRESULT QueryInterfaceFromTable(void* object, const InterfaceEntry* table,
                                std::size_t count, REFIID riid, void** ppv) noexcept;

template <std::size_t N>
HRESULT QueryInterfaceFromTable(void* object, const InterfaceEntry (&table)[N],
                                REFIID riid, void** ppv) noexcept {
  return QueryInterfaceFromTable(object, table, N, riid, ppv);
}

// Whether objects of class T hold the module loaded. The library's own
// objects do; a host's own objects (a test's sinks and sites, the demo's
// container) are no objects of the library and declare
// `static constexpr bool kCountedByModule = false;`.
template <class T>
constexpr bool CountedByModule() {
  if constexpr (requires { T::kCountedByModule; }) {
    return T::kCountedByModule;
  } else {
    return true;
  }
}

namespace detail {
// New's last step: the new object counts for the module as its class says.
template <class Derived>
Derived* Counted(Derived* object) noexcept {
  if constexpr (CountedByModule<Derived>()) ModuleAddRef();
  return object;
}

// Release: `destroy` deletes the object (from inside its base, which may
// reach its destructor) when the last reference goes. The count is held at
// one while the object dies: a site or sink released from the destructor
// may AddRef and Release it without a second delete.
template <class Derived, class Destroy>
ULONG Drop(RefCount& refs, Destroy&& destroy) noexcept {
  const ULONG left = refs.Release();
  if (left == 0) {
    refs.AddRef();
    destroy();
    if constexpr (CountedByModule<Derived>()) ModuleRelease();
  }
  return left;
}
}  // namespace detail

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
    return detail::Counted(new Derived(std::forward<Args>(args)...));
  }

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) noexcept override {
    return static_cast<Derived*>(this)->FindInterface(riid, ppv);
  }
  STDMETHODIMP_(ULONG) AddRef() noexcept override { return refs_.AddRef(); }
  STDMETHODIMP_(ULONG) Release() noexcept override {
    return detail::Drop<Derived>(refs_, [this] { delete static_cast<Derived*>(this); });
  }

  HRESULT FindInterface(REFIID riid, void** ppv) noexcept {
    const InterfaceEntry table[] = {Entry<Derived, Interfaces>()...};
    return QueryInterfaceFromTable(static_cast<Derived*>(this), table, riid, ppv);
  }

 private:
  RefCount refs_;
};

// The one aggregation rule, checked at the start of every class's creation
// function (the class factory relies on it): ppv is checked and emptied,
// and an outer unknown is refused with CLASS_E_NOAGGREGATION by a class
// that cannot be aggregated, and by one that can unless the interface asked
// for is IUnknown (an aggregated object hands out only its inner unknown at
// creation). S_OK: the creation goes on.
enum class Aggregation { Refused, Allowed };
inline HRESULT StartCreation(IUnknown* outer, REFIID riid, void** ppv, Aggregation aggregation) noexcept {
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  if (outer != nullptr && (aggregation == Aggregation::Refused || !IsEqualIID(riid, IID_IUnknown)))
    return CLASS_E_NOAGGREGATION;
  return S_OK;
}

// Answers `created`'s interface riid and drops the creator's reference, so
// that a refused interface deletes the object.
template <class Object>
HRESULT HandOver(Object* created, REFIID riid, void** ppv) noexcept {
  const HRESULT hr = created->QueryInterface(riid, ppv);
  created->Release();
  return hr;
}

// Interfaces that live inside another object (a member of it) and count
// their references on that object's controlling unknown, so whoever holds
// one of them holds the whole object alive. QueryInterface answers from
// Derived::FindInterface; by default it goes to the controlling unknown
// too (the facet shares the object's identity). A facet with an identity
// of its own (a connection point) declares its own FindInterface.
//
// As for ComBase, nothing here is virtual beyond IUnknown's own methods,
// and the constructor only keeps the pointer: no vtables of this class.
template <class Derived, class... Interfaces>
class DelegatingFacet : public Interfaces... {
 public:
  DelegatingFacet(const DelegatingFacet&) = delete;
  DelegatingFacet& operator=(const DelegatingFacet&) = delete;

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) noexcept override {
    return static_cast<Derived*>(this)->FindInterface(riid, ppv);
  }
  STDMETHODIMP_(ULONG) AddRef() noexcept override { return controlling_->AddRef(); }
  STDMETHODIMP_(ULONG) Release() noexcept override { return controlling_->Release(); }

  HRESULT FindInterface(REFIID riid, void** ppv) noexcept { return controlling_->QueryInterface(riid, ppv); }

 protected:
  explicit DelegatingFacet(IUnknown* controlling) noexcept : controlling_(controlling) {}
  ~DelegatingFacet() = default;

  IUnknown* Controlling() const noexcept { return controlling_; }

 private:
  IUnknown* controlling_;
};

// The same as ComBase for an object a client may aggregate. Its IUnknown
// delegates to the controlling unknown (the aggregator's, or its own inner
// one when it stands alone); Inner() is the non-delegating unknown, the
// identity and reference count an aggregator holds, answering IUnknown
// itself and the rest from Derived::FindInterface.
template <class Derived, class... Interfaces>
class AggregatableComBase : public DelegatingFacet<AggregatableComBase<Derived, Interfaces...>, Interfaces...> {
  using Facet = DelegatingFacet<AggregatableComBase, Interfaces...>;

 public:
  template <class... Args>
  static Derived* New(Args&&... args) {
    return detail::Counted(new Derived(std::forward<Args>(args)...));
  }

 protected:
  // `outer` is the aggregator, or null for an object on its own. (Only the
  // inner unknown's address is taken before it is built.)
  explicit AggregatableComBase(IUnknown* outer) noexcept : Facet(outer ? outer : &inner_), inner_(*this) {}

  IUnknown& Inner() noexcept { return inner_; }

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
      return detail::Drop<Derived>(owner_.refs_, [this] { delete &static_cast<Derived&>(owner_); });
    }

   private:
    AggregatableComBase& owner_;
  };

  RefCount refs_;
  InnerUnknown inner_;
};

// The base of a host's own objects (a test's sinks and sites, the demo's
// container): the same skeleton, but no object of the library, so it does
// not count for the library's unloading.
template <class Derived, class... Interfaces>
class HostComBase : public ComBase<Derived, Interfaces...> {
 public:
  static constexpr bool kCountedByModule = false;
  // The references held on the object, its creator's included (what a
  // host's test checks was given back).
  ULONG References() noexcept {
    this->AddRef();
    return this->Release();
  }
};

// ---------------------------------------------------------------------------
// Advise connections

// One advise connection (a cookie and the object that gave it), undone by
// Unadvise(cookie) when it goes: connection points (IConnectionPoint),
// data advise (IDataObject::DUnadvise), OLE advise (IOleObject).
template <class Source, HRESULT (STDMETHODCALLTYPE Source::*Unadvise)(DWORD)>
class UniqueAdvise {
 public:
  UniqueAdvise() noexcept = default;
  UniqueAdvise(UniqueAdvise&& other) noexcept
      : source_(std::move(other.source_)), cookie_(std::exchange(other.cookie_, 0)) {}
  UniqueAdvise& operator=(UniqueAdvise&& other) noexcept {
    if (this != &other) {
      reset();
      source_ = std::move(other.source_);
      cookie_ = std::exchange(other.cookie_, 0);
    }
    return *this;
  }
  ~UniqueAdvise() { reset(); }

  // Takes a connection made: `source` gave `cookie`.
  void Attach(ComPtr<Source> source, DWORD cookie) noexcept {
    reset();
    source_ = std::move(source);
    cookie_ = cookie;
  }
  DWORD cookie() const noexcept { return cookie_; }
  Source* source() const noexcept { return source_.Get(); }
  // Hands the cookie over, still connected: the caller disconnects.
  DWORD release() noexcept {
    source_.Reset();
    return std::exchange(cookie_, 0);
  }
  explicit operator bool() const noexcept { return source_ && cookie_ != 0; }
  // Disconnects now (the source may call back: nothing of this is used
  // after the call).
  void reset() noexcept {
    ComPtr<Source> source = std::move(source_);
    const DWORD cookie = std::exchange(cookie_, 0);
    if (source && cookie != 0) (source.Get()->*Unadvise)(cookie);
  }

 private:
  ComPtr<Source> source_;
  DWORD cookie_ = 0;
};

using ConnectionAdvise = UniqueAdvise<IConnectionPoint, &IConnectionPoint::Unadvise>;

// Connects `sink` to the connection point `iid` of `object` (found through
// IConnectionPointContainer); empty when the object has no such point or
// refuses the sink, with that HRESULT in *result when asked.
ConnectionAdvise AdviseConnection(IUnknown* object, REFIID iid, IUnknown* sink, HRESULT* result = nullptr) noexcept;

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

// The names an enumerator's traits give: Interface (IEnumXxx), Element
// (what Next hands out), Items (a copyable snapshot with size() and
// operator[]) and the rule for a missing count.
template <class IEnum, class ElementType, class ItemsType, MissingFetched rule>
struct EnumeratorTraits {
  using Interface = IEnum;
  using Element = ElementType;
  using Items = ItemsType;
  static constexpr MissingFetched kMissingFetched = rule;
};

// Traits derive from EnumeratorTraits and add
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
    try {
      *out = Enumerator::New(std::move(items));
      return S_OK;
    } catch (...) {
      return E_OUTOFMEMORY;  // copying the snapshot is all that can fail
    }
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
    try {
      *out = Enumerator::New(items_, cursor_.position());
      return S_OK;
    } catch (...) {
      return E_OUTOFMEMORY;
    }
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
