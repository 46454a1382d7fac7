// Persistence of the control object: property bags, streams and storages
// all carry the same nine settings, and all go through the core's
// UserControl_ReadProperties and UserControl_WriteProperties, so the order,
// the defaults and what a failing step leaves behind are the same whichever
// way a container saves the control.
//
// The stream format (also the "Contents" stream of a storage) is the
// core's (control/saved_stream.h); this layer only moves its bytes through
// IStream and lets the OLE font write and read its own part.
#include <cstring>
#include <limits>

#include "core/control/saved_stream.h"
#include "control/control_object.h"
#include "core/errors.h"
#include "windows/ole_font.h"
#include "windows/property_bag_adapter.h"

namespace velmora::win32 {

namespace {

const wchar_t kContentsStream[] = L"Contents";

// The container's stream as the saved stream's medium, and the OLE font's
// own persistence as the font's part of it: the font reads and writes the
// same IStream at the place the core has reached.
class OleStreamChannel final : public velmora::StreamReader,
                               public velmora::StreamWriter,
                               public velmora::FontStreamPart {
 public:
  explicit OleStreamChannel(IStream* stream) noexcept : stream_(stream) {}

  void Write(const void* data, std::size_t size) override {
    if (size > std::numeric_limits<ULONG>::max()) throw HresultError(STG_E_MEDIUMFULL);
    ULONG written = 0;
    ThrowIfFailed(stream_->Write(data, static_cast<ULONG>(size), &written));
    if (written != size) throw HresultError(STG_E_WRITEFAULT);
  }

  void Read(void* data, std::size_t size) override {
    ULONG read = 0;
    ThrowIfFailed(stream_->Read(data, static_cast<ULONG>(size), &read));
    if (read != size) throw HresultError(STG_E_READFAULT);
  }

  void SaveFont(const velmora::FontRef& font, velmora::StreamWriter&) override {
    ComPtr<IPersistStream> persist = PersistOf(*OleFont::From(font));
    // The stream names the standard font's class, and only that class is
    // made from it: a font object of another class is saved as a standard
    // font with its description, which is what loads back.
    CLSID clsid{};
    if (!persist || FAILED(persist->GetClassID(&clsid)) || !IsEqualCLSID(clsid, CLSID_StdFont))
      persist = PersistOf(*OleFont::Create(*font));
    if (!persist) ThrowTypeMismatch("Font");
    ThrowIfFailed(persist->Save(stream_, FALSE));
  }

  velmora::FontRef LoadFont(velmora::StreamReader&) override {
    std::shared_ptr<OleFont> font = OleFont::Create(velmora::StdFont());
    ComPtr<IPersistStream> persist = PersistOf(*font);
    if (!persist) throw HresultError(E_NOINTERFACE);
    ThrowIfFailed(persist->Load(stream_));
    return font;
  }

 private:
  // Null when the font object cannot save itself into a stream.
  static ComPtr<IPersistStream> PersistOf(const OleFont& font) {
    ComPtr<IPersistStream> persist;
    font.font()->QueryInterface(IID_IPersistStream, reinterpret_cast<void**>(persist.GetAddressOf()));
    return persist;
  }

  IStream* stream_;
};

HRESULT HresultOf(const velmora::SavedStreamError& error) noexcept {
  switch (error.kind()) {
    case velmora::SavedStreamError::Kind::NotOurFormat: return STG_E_INVALIDHEADER;
    case velmora::SavedStreamError::Kind::NewerVersion: return STG_E_OLDDLL;
    case velmora::SavedStreamError::Kind::Damaged: break;
  }
  return STG_E_DOCFILECORRUPT;
}

}  // namespace

void ControlObject::SaveToStream(IStream* stream) {
  velmora::MemoryPropertyBag bag;
  control_.UserControl_WriteProperties(bag);
  OleStreamChannel channel(stream);
  velmora::WriteSavedStream(bag.Entries(), channel, channel);
}

void ControlObject::LoadFromStream(IStream* stream) {
  // The whole stream is read before the control is touched: a damaged one
  // is refused without leaving a half-loaded control.
  OleStreamChannel channel(stream);
  velmora::SavedSettings settings;
  try {
    settings = velmora::ReadSavedStream(channel, channel);
  } catch (const velmora::SavedStreamError& error) {
    throw HresultError(HresultOf(error));
  }
  velmora::MemoryPropertyBag bag;
  for (auto& [key, value] : settings) bag.Set(key, std::move(value));
  control_.UserControl_ReadProperties(bag);
}

namespace {

// IPersistStorage's modes, as bits of storageMode_. Normal mode is 0.
constexpr std::uint8_t kSaveToComplete = 1;   // Save called: no scribbling until SaveCompleted
constexpr std::uint8_t kSaved = 2;            // ... and that Save succeeded
constexpr std::uint8_t kSavedSameAsLoad = 4;  // ... into the storage the object lives in
constexpr std::uint8_t kHandsOff = 8;         // the storage is revoked until SaveCompleted gives one

}  // namespace

template <class Step>
HRESULT ControlObject::Initialize(REFIID iid, HRESULT alreadyDone, Step&& step) noexcept {
  // A container starts an object's persistent life once, either new or
  // from saved settings; a second start would mix two sets of settings.
  // Hosts that create every control new and then load its saved state
  // (setting a property or two in between) are the exception: until
  // something else happens to the new control, a Load still replaces its
  // new-instance settings, once.
  if (initialized_ && !loadMayFollow_) return alreadyDone;
  const ComPtr<IUnknown> keep = KeepAlive();  // the lines after the events that loading raises
  enterToForm_ = control_.TastoInvio() != 0;
  HRESULT hr = ComEdge([&] {
    step();
    return S_OK;
  }, iid);
  if (SUCCEEDED(hr)) {
    initialized_ = true;
    loadMayFollow_ = false;
    cleanAt_ = changes_;
  }
  // Loading sets TastoInvio without its setter; a container that asked
  // which keys the control eats would go on giving Enter to the wrong one.
  if ((control_.TastoInvio() != 0) != enterToForm_) embedding_.ControlInfoChanged();
  return hr;
}

STDMETHODIMP ControlObject::GetClassID(CLSID* clsid) noexcept {
  if (clsid == nullptr) return E_POINTER;
  *clsid = CLSID_VelmoraControl;
  return S_OK;
}

STDMETHODIMP ControlObject::IsDirty() noexcept { return changes_ != cleanAt_ ? S_OK : S_FALSE; }

STDMETHODIMP ControlObject::InitNew() noexcept {
  if (initialized_) return E_UNEXPECTED;
  const HRESULT hr = Initialize(IID_IPersistStreamInit, E_UNEXPECTED, [&] { control_.UserControl_InitProperties(); });
  loadMayFollow_ = SUCCEEDED(hr);
  return hr;
}

// ---- IPersistStreamInit ----------------------------------------------------

STDMETHODIMP ControlObject::Load(IStream* stream) noexcept {
  if (stream == nullptr) return E_POINTER;
  return Initialize(IID_IPersistStreamInit, E_UNEXPECTED, [&] { LoadFromStream(stream); });
}

STDMETHODIMP ControlObject::Save(IStream* stream, BOOL clearDirty) noexcept {
  if (stream == nullptr) return E_POINTER;
  loadMayFollow_ = false;
  const std::uint32_t writing = changes_;
  return ComEdge([&] {
    SaveToStream(stream);
    if (clearDirty) cleanAt_ = writing;
    return S_OK;
  }, IID_IPersistStreamInit);
}

STDMETHODIMP ControlObject::GetSizeMax(ULARGE_INTEGER* size) noexcept {
  if (size == nullptr) return E_POINTER;
  size->QuadPart = 0;
  return ComEdge([&] {
    // The font's share is known only by saving it, so the whole is saved
    // into memory and measured.
    ComPtr<IStream> memory;
    ThrowIfFailed(::CreateStreamOnHGlobal(nullptr, TRUE, &memory));
    SaveToStream(memory.Get());
    STATSTG stat{};
    ThrowIfFailed(memory->Stat(&stat, STATFLAG_NONAME));
    *size = stat.cbSize;
    return S_OK;
  }, IID_IPersistStreamInit);
}

// ---- IPersistStorage -------------------------------------------------------

STDMETHODIMP ControlObject::InitNew(IStorage* storage) noexcept {
  if (storage == nullptr) return E_POINTER;
  if (initialized_) return CO_E_ALREADYINITIALIZED;
  const HRESULT hr = Initialize(IID_IPersistStorage, CO_E_ALREADYINITIALIZED, [&] {
    control_.UserControl_InitProperties();
    storage_ = storage;
  });
  loadMayFollow_ = SUCCEEDED(hr);
  return hr;
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
  loadMayFollow_ = false;
  // From here until SaveCompleted the object writes nothing into its own
  // storage, whether or not this save succeeds.
  storageMode_ = static_cast<std::uint8_t>((storageMode_ & kHandsOff) | kSaveToComplete);
  savedAt_ = changes_;
  return ComEdge([&] {
    ComPtr<IStream> stream;
    ThrowIfFailed(storage->CreateStream(kContentsStream, STGM_CREATE | STGM_WRITE | STGM_SHARE_EXCLUSIVE, 0, 0,
                                        &stream));
    SaveToStream(stream.Get());
    ThrowIfFailed(stream->Commit(STGC_DEFAULT));
    storageMode_ |= sameAsLoad ? kSaved | kSavedSameAsLoad : kSaved;
    return S_OK;
  }, IID_IPersistStorage);
}

STDMETHODIMP ControlObject::SaveCompleted(IStorage* storage) noexcept {
  const bool saving = storageMode_ & kSaveToComplete, handsOff = storageMode_ & kHandsOff;
  // Only a Save or a HandsOffStorage has something to complete, and a
  // storage revoked without a save is given back only by a new one.
  if (!saving && (!handsOff || storage == nullptr)) return E_UNEXPECTED;
  if (storage != nullptr) {
    storage_ = storage;
    // The new storage holds what was just saved; one that replaces a
    // storage revoked without a save holds the state last saved, not the
    // changes since.
    if (storageMode_ & kSaved) cleanAt_ = savedAt_;
    storageMode_ = 0;
  } else {
    if (storageMode_ & kSavedSameAsLoad) cleanAt_ = savedAt_;
    // The save is complete; a revoked storage stays revoked.
    storageMode_ &= kHandsOff;
  }
  return S_OK;
}

STDMETHODIMP ControlObject::HandsOffStorage() noexcept {
  storage_.Reset();
  storageMode_ |= kHandsOff;
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
  loadMayFollow_ = false;
  const std::uint32_t writing = changes_;
  return ComEdge([&] {
    OlePropertyBagAdapter adapter(bag, nullptr);
    control_.UserControl_WriteProperties(adapter);
    if (clearDirty) cleanAt_ = writing;
    return S_OK;
  }, IID_IPersistPropertyBag);
}

}  // namespace velmora::win32
