// The demo form: a window of fields one under the other, each a caption
// and either a hosted control or a plain edit box, built from the form file
// and saved back into it.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "container.h"
#include "form_file.h"

namespace velmora::demo {

// Menu and accelerator commands of the form.
enum FormCommand : WORD { kCommandSave = 101, kCommandProperties = 102, kCommandExit = 103 };

class Form final : public SiteHost {
 public:
  struct Field {
    std::string name;
    HWND label = nullptr;
    HWND edit = nullptr;                   // a plain field
    std::unique_ptr<ControlSite> control;  // a hosted control
  };

  // A new top-level form window (hidden until Show); with a menu for a
  // person, without one for programs that only measure.
  static std::unique_ptr<Form> Create(const std::wstring& title, bool withMenu);
  ~Form();
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;

  // The fields of the file, one per section: Class is a control's ProgID,
  // or "Edit" for a plain field; Caption its label; every other key is the
  // control's own and goes through its property bag. On failure, error
  // names the field and what went wrong.
  HRESULT Load(FormFile& file, std::string* error);
  // Each control writes its properties into its own section.
  HRESULT Save(FormFile& file, std::string* error);

  // One field, at the next row (or at rect when given: the benchmark
  // places hundreds).
  HRESULT AddControl(const std::string& name, REFCLSID clsid, IPropertyBag* bag, const RECT* rect = nullptr,
                     const char** failedStep = nullptr);
  HWND AddPlainEdit(const std::string& name, const RECT* rect = nullptr);
  void AddCaption(const std::wstring& caption);
  // Closes every control and destroys every field's window.
  void Clear();

  std::vector<Field>& fields() { return fields_; }
  // The field that holds the focus, or nullptr.
  Field* FocusedField();
  // Events fired since the last call, in order: (field, event).
  std::vector<std::pair<std::string, std::string>> TakeEvents() { return std::exchange(events_, {}); }

  // What does not fit: a caption cut by its label, a field past the form's
  // edge or under its caption; empty when the form is whole.
  std::vector<std::string> Misfits();

  void Show();
  // Keyboard duties of the message loop (see PreTranslateFormMessage).
  bool PreTranslate(MSG& msg);
  void OnCommand(std::function<void(WORD)> handler) { onCommand_ = std::move(handler); }

  // SiteHost
  HWND Window() override { return hwnd_; }
  IOleInPlaceFrame* Frame() override { return frame_.Get(); }
  HACCEL Accelerators() override { return accelerators_; }
  HRESULT AmbientFont(IFontDisp** font) override;
  void UIActivating(ControlSite* site) override;
  void UIDeactivated(ControlSite* site) override;
  void EventFired(const std::string& field, const std::string& event) override;
  bool ReflectsMessages() override { return reflects_; }
  HRESULT CreateControl(REFCLSID clsid, IOleObject** object) override;
  // Sends the notifications of the form's children back to them (OCM_
  // messages), as form engines do; off by default.
  void ReflectMessages(bool on) { reflects_ = on; }

 private:
  Form() = default;
  static LRESULT CALLBACK WindowProc(HWND, UINT, WPARAM, LPARAM);
  RECT NextRow(int& top);
  // The pending caption's label beside a row, or nullptr without one.
  HWND AddLabel(const RECT& row);

  HWND hwnd_ = nullptr;
  HFONT font_ = nullptr;
  HACCEL accelerators_ = nullptr;
  ComPtr<IOleInPlaceFrame> frame_;
  std::vector<Field> fields_;
  std::vector<std::pair<std::string, std::string>> events_;
  ControlSite* uiActive_ = nullptr;
  std::function<void(WORD)> onCommand_;
  int nextTop_ = 0;  // set from the screen's resolution
  std::wstring pendingCaption_;
  bool reflects_ = false;
  CLSID factoryClass_{};
  ComPtr<IClassFactory> factory_;  // the class object last used, kept as form engines keep it
};

}  // namespace velmora::demo
