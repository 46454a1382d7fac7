// OLE fonts behind the core's Font interface. The control hands its font
// around by reference: Text1 uses one OLE font object, a container or a
// script may hold the same object through IFontDisp and change it later, and
// the text box follows (see EditTextBox::setFont).
//
// Needs COM initialised on the calling thread (the container's thread).
#pragma once

#include <windows.h>
#include <ole2.h>
#include <olectl.h>
#include <wrl/client.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "com/com_object.h"
#include "core/font.h"

namespace velmora::win32 {

class OleFont final : public Font {
 public:
  // Wraps an existing OLE font (an ambient font, one given by a container
  // or a script); the object is shared, not copied.
  explicit OleFont(Microsoft::WRL::ComPtr<IFont> font);

  // A new OLE font with the description's name, size, weight and styles.
  static std::shared_ptr<OleFont> Create(const Font& description);
  // The font of a control that never got one from its container: the
  // classic dialog face at 8.25 points where it exists as itself, else a
  // face that does (see the .cpp).
  static std::shared_ptr<OleFont> CreateDefault();
  // That font's description: one object for the whole module, made once,
  // shared by every control and thread, and never changed. Whoever takes
  // it as a font makes an OLE font of its own from it (From).
  static velmora::FontRef Default();
  // The OLE font behind a font reference: the object itself when it is an
  // OLE font, else a new OLE font with the same description. Refuses null
  // with "invalid property value".
  static std::shared_ptr<OleFont> From(const FontRef& font);

  IFont* font() const { return font_.Get(); }
  Microsoft::WRL::ComPtr<IFontDisp> FontDisp() const;

  std::u16string Name() const override;
  void setName(const std::u16string& name) override;
  double Size() const override;  // points, from the CY size (1/10000 point)
  void setSize(double points) override;
  bool Bold() const override;
  void setBold(bool bold) override;
  bool Italic() const override;
  void setItalic(bool italic) override;
  bool Underline() const override;
  void setUnderline(bool underline) override;
  bool Strikethrough() const override;
  void setStrikethrough(bool strike) override;

 private:
  Microsoft::WRL::ComPtr<IFont> font_;
};

// A font's HFONT held for whoever draws with it (IFont::AddRefHfont, taken
// before): the font may drop its HFONT when it changes, and the lock keeps
// it alive until released here, on replacement or at the end.
class HfontLock {
 public:
  HfontLock() noexcept = default;
  HfontLock(Microsoft::WRL::ComPtr<IFont> font, HFONT hfont) noexcept : font_(std::move(font)), hfont_(hfont) {}
  HfontLock(HfontLock&& other) noexcept : font_(std::move(other.font_)), hfont_(std::exchange(other.hfont_, nullptr)) {}
  HfontLock& operator=(HfontLock&& other) noexcept {
    if (this != &other) {
      reset();
      font_ = std::move(other.font_);
      hfont_ = std::exchange(other.hfont_, nullptr);
    }
    return *this;
  }
  ~HfontLock() { reset(); }

  void reset() noexcept {
    if (hfont_ && font_) font_->ReleaseHfont(hfont_);
    hfont_ = nullptr;
    font_.Reset();
  }

 private:
  Microsoft::WRL::ComPtr<IFont> font_;
  HFONT hfont_ = nullptr;
};

// Follows an OLE font's changes: a property-notify sink advised on the
// font, calling back after every change of one of its properties. Stop (or
// the end of the follower) unadvises and detaches the sink first, so a
// notification the font is sending meanwhile, or still holds the sink for,
// finds nobody to call. The callback must not throw; it may stop or destroy
// the follower.
class FontFollower {
 public:
  explicit FontFollower(std::function<void()> changed) noexcept : changed_(std::move(changed)) {}
  ~FontFollower();
  FontFollower(const FontFollower&) = delete;
  FontFollower& operator=(const FontFollower&) = delete;

  // Follows font instead of whatever was followed before. False, following
  // nothing, when the font sends no notifications (it is still used, as it
  // stands now). Throws std::bad_alloc.
  bool Follow(IFont* font);
  void Stop() noexcept;
  bool Following() const noexcept { return sink_ != nullptr; }

 private:
  class Sink;
  std::function<void()> changed_;
  Sink* sink_ = nullptr;  // one reference, held while following
  ConnectionAdvise advise_;
};

}  // namespace velmora::win32
