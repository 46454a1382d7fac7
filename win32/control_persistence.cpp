// Persistence of the control object: property bags, streams and storages
// all carry the same nine settings, and all go through the core's
// UserControl_ReadProperties and UserControl_WriteProperties, so the order,
// the defaults and what a failing step leaves behind are the same whichever
// way a container saves the control.
//
// The stream format (also the "Contents" stream of a storage), little
// endian:
//   u32 magic "VLMR", u16 version (1), u16 number of entries, then per
//   entry: u16 key length, the key in UTF-16, u16 value kind, the value:
//     Integer i16 | Long i32 | Double f64 | Boolean i16 (-1/0)
//     String u32 length + UTF-16 | Font: class id + the font's own stream
//     (IPersistStream) | Empty: nothing.
// Keys are named rather than implied by their position so that a later
// version can add settings that this one skips over by reading the defaults.
#include <cstring>
#include <limits>

#include "control_object.h"
#include "errors.h"
#include "ole_font.h"
#include "property_bag_adapter.h"

namespace velmora::win32 {

namespace {

constexpr std::uint32_t kMagic = 0x524D4C56;  // "VLMR"
constexpr std::uint16_t kVersion = 1;
// Bounds that no saved control comes near; a stream beyond them is damaged
// or hostile, and is refused before anything is allocated for it.
constexpr std::uint16_t kMaxEntries = 64;
constexpr std::uint16_t kMaxKeyLength = 256;
constexpr std::uint32_t kMaxTextLength = 16u * 1024 * 1024;

const wchar_t kContentsStream[] = L"Contents";

enum class Kind : std::uint16_t { Empty = 0, Integer = 1, Long = 2, Double = 3, Boolean = 4, String = 5, Font = 6 };

void WriteBytes(IStream* stream, const void* data, std::size_t size) {
  if (size > std::numeric_limits<ULONG>::max()) throw HresultError(STG_E_MEDIUMFULL);
  ULONG written = 0;
  ThrowIfFailed(stream->Write(data, static_cast<ULONG>(size), &written));
  if (written != size) throw HresultError(STG_E_WRITEFAULT);
}

void ReadBytes(IStream* stream, void* data, std::size_t size) {
  ULONG read = 0;
  ThrowIfFailed(stream->Read(data, static_cast<ULONG>(size), &read));
  if (read != size) throw HresultError(STG_E_READFAULT);
}

template <class T>
void Put(IStream* stream, T value) {
  WriteBytes(stream, &value, sizeof value);
}

template <class T>
T Get(IStream* stream) {
  T value{};
  ReadBytes(stream, &value, sizeof value);
  return value;
}

void PutText(IStream* stream, const std::u16string& text) {
  WriteBytes(stream, text.data(), text.size() * sizeof(char16_t));
}

std::u16string GetText(IStream* stream, std::size_t length) {
  std::u16string text(length, u'\0');
  ReadBytes(stream, text.data(), length * sizeof(char16_t));
  return text;
}

[[noreturn]] void Corrupt() { throw HresultError(STG_E_DOCFILECORRUPT); }

void PutFont(IStream* stream, const velmora::Variant& value) {
  auto font = std::dynamic_pointer_cast<velmora::Font>(value.ToObject());
  if (!font) ThrowTypeMismatch("Font");
  ComPtr<IPersistStream> persist;
  ThrowIfFailed(OleFont::From(font)->font()->QueryInterface(IID_IPersistStream,
                                                            reinterpret_cast<void**>(persist.GetAddressOf())));
  CLSID clsid{};
  ThrowIfFailed(persist->GetClassID(&clsid));
  ThrowIfFailed(::WriteClassStm(stream, clsid));
  ThrowIfFailed(persist->Save(stream, FALSE));
}

velmora::Variant GetFont(IStream* stream) {
  CLSID clsid{};
  ThrowIfFailed(::ReadClassStm(stream, &clsid));
  // Only the standard font is made from a stream: a saved control must not
  // be able to create an object of any class it names.
  if (!IsEqualCLSID(clsid, CLSID_StdFont)) ThrowTypeMismatch("Font: not a font object");
  std::shared_ptr<OleFont> font = OleFont::Create(velmora::StdFont());
  ComPtr<IPersistStream> persist;
  ThrowIfFailed(font->font()->QueryInterface(IID_IPersistStream, reinterpret_cast<void**>(persist.GetAddressOf())));
  ThrowIfFailed(persist->Load(stream));
  return velmora::Variant::FromObject(font);
}

void PutValue(IStream* stream, const velmora::Variant& value) {
  using T = velmora::Variant::Type;
  switch (value.type()) {
    case T::Empty: Put(stream, Kind::Empty); break;
    case T::Integer:
      Put(stream, Kind::Integer);
      Put<std::int16_t>(stream, value.ToInteger());
      break;
    case T::Long:
      Put(stream, Kind::Long);
      Put<std::int32_t>(stream, value.ToLong());
      break;
    case T::Double:
      Put(stream, Kind::Double);
      Put<double>(stream, value.ToDouble());
      break;
    case T::Boolean:
      Put(stream, Kind::Boolean);
      Put<std::int16_t>(stream, value.ToBoolean());
      break;
    case T::String: {
      const std::u16string text = value.ToString();
      if (text.size() > kMaxTextLength) ThrowOverflow("Text");
      Put(stream, Kind::String);
      Put<std::uint32_t>(stream, static_cast<std::uint32_t>(text.size()));
      PutText(stream, text);
      break;
    }
    case T::Object:
      Put(stream, Kind::Font);
      PutFont(stream, value);
      break;
  }
}

velmora::Variant GetValue(IStream* stream) {
  switch (Get<Kind>(stream)) {
    case Kind::Empty: return velmora::Variant();
    case Kind::Integer: return velmora::Variant::Integer(Get<std::int16_t>(stream));
    case Kind::Long: return velmora::Variant::Long(Get<std::int32_t>(stream));
    case Kind::Double: return velmora::Variant::Double(Get<double>(stream));
    case Kind::Boolean: return velmora::Variant::Boolean(Get<std::int16_t>(stream) != 0);
    case Kind::String: {
      const auto length = Get<std::uint32_t>(stream);
      if (length > kMaxTextLength) Corrupt();
      return velmora::Variant::String(GetText(stream, length));
    }
    case Kind::Font: return GetFont(stream);
  }
  Corrupt();
}

}  // namespace

void ControlObject::SaveToStream(IStream* stream) {
  velmora::MemoryPropertyBag bag;
  control_.UserControl_WriteProperties(bag);
  const auto& entries = bag.Entries();
  Put(stream, kMagic);
  Put(stream, kVersion);
  Put<std::uint16_t>(stream, static_cast<std::uint16_t>(entries.size()));
  for (const auto& [key, value] : entries) {
    Put<std::uint16_t>(stream, static_cast<std::uint16_t>(key.size()));
    PutText(stream, key);
    PutValue(stream, value);
  }
}

void ControlObject::LoadFromStream(IStream* stream) {
  // The whole stream is read before the control is touched: a damaged one
  // is refused without leaving a half-loaded control.
  if (Get<std::uint32_t>(stream) != kMagic) throw HresultError(STG_E_INVALIDHEADER);
  // A newer format may mean something this version cannot honour.
  if (Get<std::uint16_t>(stream) > kVersion) throw HresultError(STG_E_OLDDLL);
  const auto count = Get<std::uint16_t>(stream);
  if (count > kMaxEntries) Corrupt();
  velmora::MemoryPropertyBag bag;
  for (std::uint16_t i = 0; i < count; ++i) {
    const auto keyLength = Get<std::uint16_t>(stream);
    if (keyLength > kMaxKeyLength) Corrupt();
    std::u16string key = GetText(stream, keyLength);
    bag.Set(key, GetValue(stream));
  }
  control_.UserControl_ReadProperties(bag);
}

template <class Step>
HRESULT ControlObject::Initialize(REFIID iid, HRESULT alreadyDone, Step&& step) noexcept {
  // A container starts an object's persistent life once, either new or
  // from saved settings; a second start would mix two sets of settings.
  if (initialized_) return alreadyDone;
  const ComPtr<IUnknown> keep = KeepAlive();  // the lines after the events that loading raises
  HRESULT hr = Guard(iid, [&] {
    step();
    return S_OK;
  });
  if (SUCCEEDED(hr)) {
    initialized_ = true;
    dirty_ = false;
  }
  return hr;
}

STDMETHODIMP ControlObject::GetClassID(CLSID* clsid) noexcept {
  if (clsid == nullptr) return E_POINTER;
  *clsid = CLSID_VelmoraControl;
  return S_OK;
}

STDMETHODIMP ControlObject::IsDirty() noexcept { return dirty_ ? S_OK : S_FALSE; }

STDMETHODIMP ControlObject::InitNew() noexcept {
  return Initialize(IID_IPersistStreamInit, E_UNEXPECTED, [&] { control_.UserControl_InitProperties(); });
}

// ---- IPersistStreamInit ----------------------------------------------------

STDMETHODIMP ControlObject::Load(IStream* stream) noexcept {
  if (stream == nullptr) return E_POINTER;
  return Initialize(IID_IPersistStreamInit, E_UNEXPECTED, [&] { LoadFromStream(stream); });
}

STDMETHODIMP ControlObject::Save(IStream* stream, BOOL clearDirty) noexcept {
  if (stream == nullptr) return E_POINTER;
  return Guard(IID_IPersistStreamInit, [&] {
    SaveToStream(stream);
    if (clearDirty) dirty_ = false;
    return S_OK;
  });
}

STDMETHODIMP ControlObject::GetSizeMax(ULARGE_INTEGER* size) noexcept {
  if (size == nullptr) return E_POINTER;
  size->QuadPart = 0;
  return Guard(IID_IPersistStreamInit, [&] {
    // The font's share is known only by saving it, so the whole is saved
    // into memory and measured.
    ComPtr<IStream> memory;
    ThrowIfFailed(::CreateStreamOnHGlobal(nullptr, TRUE, &memory));
    SaveToStream(memory.Get());
    STATSTG stat{};
    ThrowIfFailed(memory->Stat(&stat, STATFLAG_NONAME));
    *size = stat.cbSize;
    return S_OK;
  });
}

// ---- IPersistStorage -------------------------------------------------------

STDMETHODIMP ControlObject::InitNew(IStorage* storage) noexcept {
  if (storage == nullptr) return E_POINTER;
  return Initialize(IID_IPersistStorage, CO_E_ALREADYINITIALIZED, [&] {
    control_.UserControl_InitProperties();
    storage_ = storage;
  });
}

STDMETHODIMP ControlObject::Load(IStorage* storage) noexcept {
  if (storage == nullptr) return E_POINTER;
  return Initialize(IID_IPersistStorage, CO_E_ALREADYINITIALIZED, [&] {
    ComPtr<IStream> stream;
    ThrowIfFailed(storage->OpenStream(kContentsStream, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, &stream));
    LoadFromStream(stream.Get());
    storage_ = storage;
  });
}

STDMETHODIMP ControlObject::Save(IStorage* storage, BOOL sameAsLoad) noexcept {
  if (storage == nullptr) return E_POINTER;
  return Guard(IID_IPersistStorage, [&] {
    ComPtr<IStream> stream;
    ThrowIfFailed(storage->CreateStream(kContentsStream, STGM_CREATE | STGM_WRITE | STGM_SHARE_EXCLUSIVE, 0, 0,
                                        &stream));
    SaveToStream(stream.Get());
    ThrowIfFailed(stream->Commit(STGC_DEFAULT));
    // Saved into the storage it came from: clean once the container says
    // the save is complete.
    clearDirtyOnSaveCompleted_ = sameAsLoad != FALSE;
    return S_OK;
  });
}

STDMETHODIMP ControlObject::SaveCompleted(IStorage* storage) noexcept {
  if (storage != nullptr) {
    storage_ = storage;
    dirty_ = false;
  } else if (clearDirtyOnSaveCompleted_) {
    dirty_ = false;
  }
  clearDirtyOnSaveCompleted_ = false;
  return S_OK;
}

STDMETHODIMP ControlObject::HandsOffStorage() noexcept {
  storage_.Reset();
  return S_OK;
}

// ---- IPersistPropertyBag ---------------------------------------------------

STDMETHODIMP ControlObject::Load(IPropertyBag* bag, IErrorLog* log) noexcept {
  if (bag == nullptr) return E_POINTER;
  return Initialize(IID_IPersistPropertyBag, E_UNEXPECTED, [&] {
    OlePropertyBagAdapter adapter(bag, log);
    control_.UserControl_ReadProperties(adapter);
  });
}

STDMETHODIMP ControlObject::Save(IPropertyBag* bag, BOOL clearDirty, BOOL /*saveAllProperties*/) noexcept {
  if (bag == nullptr) return E_POINTER;
  return Guard(IID_IPersistPropertyBag, [&] {
    OlePropertyBagAdapter adapter(bag, nullptr);
    control_.UserControl_WriteProperties(adapter);
    if (clearDirty) dirty_ = false;
    return S_OK;
  });
}

}  // namespace velmora::win32
