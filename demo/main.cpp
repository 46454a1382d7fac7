// velmora-demo: a form of Velmora controls in their five uses and a plain
// field, hosted by our own container.
//
//   velmora-demo [--form FILE] [--script FILE] [--screenshot FILE.png] [--save-as FILE]
//                [--page-screenshot FILE.png]
//
// Without --script or --screenshot the form opens for a person: type into
// it, F4 (or the menu) opens the focused control's property pages, Ctrl+S
// saves the form file. With --script the keys of the script are typed into
// the form as a user would (SendInput), and after each step the program
// prints what every field shows, where the focus is and which events
// fired; --screenshot then writes a picture of the form, --save-as saves
// the form's properties into another file, --page-screenshot opens the
// focused control's property pages in the OLE property frame and writes a
// picture of it, and the program ends.
#include <windows.h>
#include <ole2.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "com/handles.h"
#include "form.h"
#include "form_bag.h"
#include "form_file.h"
#include "key_script.h"
#include "png_writer.h"
#include "textbox.h"

namespace velmora::demo {
namespace {

void Print(const std::string& text) { std::fwrite(text.data(), 1, text.size(), stdout); }

int Fail(const std::string& text) {
  std::fflush(stdout);
  std::fprintf(stderr, "velmora-demo: %s\n", text.c_str());
  return 1;
}

bool ReadFile(const std::string& path, std::string* text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream all;
  all << in.rdbuf();
  *text = all.str();
  return true;
}

bool WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
  return static_cast<bool>(out.flush());
}

// Runs the message loop until nothing has arrived for quietMs: the Tab
// keystrokes a control sends for Enter and Escape are queued input, so a
// step is over only when they too have been handled.
void PumpUntilIdle(Form& form, DWORD quietMs = 60, DWORD limitMs = 3000) {
  const DWORD start = GetTickCount();
  DWORD lastBusy = start;
  for (;;) {
    MSG msg;
    bool any = false;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      any = true;
      if (!form.PreTranslate(msg)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
      }
    }
    const DWORD now = GetTickCount();
    if (any) lastBusy = now;
    if (now - lastBusy >= quietMs || now - start >= limitMs) return;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
  }
}

bool ExtendedKey(WORD vk) {
  switch (vk) {
    case VK_LEFT: case VK_RIGHT: case VK_UP: case VK_DOWN: case VK_HOME: case VK_END: case VK_DELETE:
    case VK_INSERT: case VK_PRIOR: case VK_NEXT: return true;
    default: return false;
  }
}

// Types one key as the keyboard would: a character through the key that
// makes it in the current layout (with Shift when it needs it), a named key
// through its own code.
void SendStroke(const keys::Key& key) {
  std::vector<INPUT> inputs;
  auto push = [&](WORD vk, bool up) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
    in.ki.dwFlags = (up ? KEYEVENTF_KEYUP : 0) | (ExtendedKey(vk) ? KEYEVENTF_EXTENDEDKEY : 0);
    inputs.push_back(in);
  };
  WORD vk = static_cast<WORD>(key.keyCode);
  int shift = key.shift;
  const bool printable = key.ch >= 0x20 && key.ch != 0x7F;
  if (printable && !(key.shift & kCtrlMask)) {
    const SHORT scan = VkKeyScanW(static_cast<WCHAR>(key.ch));
    if (scan != -1) {
      vk = LOBYTE(scan);
      shift = (HIBYTE(scan) & 1) ? kShiftMask : 0;
    } else {
      INPUT in[2]{};
      for (int k = 0; k < 2; ++k) {
        in[k].type = INPUT_KEYBOARD;
        in[k].ki.wScan = key.ch;
        in[k].ki.dwFlags = KEYEVENTF_UNICODE | (k ? KEYEVENTF_KEYUP : 0);
      }
      SendInput(2, in, sizeof(INPUT));
      return;
    }
  }
  if (shift & kShiftMask) push(VK_SHIFT, false);
  if (shift & kCtrlMask) push(VK_CONTROL, false);
  push(vk, false);
  push(vk, true);
  if (shift & kCtrlMask) push(VK_CONTROL, true);
  if (shift & kShiftMask) push(VK_SHIFT, true);
  SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

struct Step {
  std::string title;
  std::string keys;
};

// A script: every line is one step of keys in send-keys notation; a line
// starting with "#" names the step that follows it.
std::vector<Step> ParseScript(const std::string& text) {
  std::vector<Step> steps;
  std::string title;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    if (line[0] == '#') {
      title = line.substr(line.find_first_not_of("# ") == std::string::npos ? line.size()
                                                                            : line.find_first_not_of("# "));
      continue;
    }
    steps.push_back({title, line});
    title.clear();
  }
  return steps;
}

struct Captions {
  std::vector<std::pair<std::string, std::string>> byField;
  std::string Of(const std::string& field) const {
    for (const auto& [name, caption] : byField)
      if (name == field) return caption;
    return field;
  }
};

std::string Pad(const std::string& text, std::size_t width) {
  std::size_t chars = 0;
  for (unsigned char c : text) chars += (c & 0xC0) != 0x80;
  return chars >= width ? text + " " : text + std::string(width - chars, ' ');
}

std::string FieldText(Form::Field& field, bool* red) {
  *red = false;
  if (field.edit) {
    const int n = GetWindowTextLengthW(field.edit);
    std::wstring text(static_cast<std::size_t>(n) + 1, L'\0');
    GetWindowTextW(field.edit, text.data(), n + 1);
    text.resize(static_cast<std::size_t>(n));
    return Narrow(text);
  }
  VARIANT value;
  VariantInit(&value);
  std::string out = "(?)";
  if (SUCCEEDED(field.control->GetProperty(L"Text", &value)) && V_VT(&value) == VT_BSTR) {
    out = Narrow(std::wstring(V_BSTR(&value), SysStringLen(V_BSTR(&value))));
  }
  VariantClear(&value);
  if (SUCCEEDED(field.control->GetProperty(L"ForeColor", &value)) &&
      SUCCEEDED(VariantChangeType(&value, &value, 0, VT_I4)))
    *red = V_I4(&value) == 255;
  VariantClear(&value);
  return out;
}

void PrintForm(Form& form, const Captions& captions) {
  Form::Field* focused = form.FocusedField();
  for (auto& field : form.fields()) {
    bool red = false;
    const std::string text = FieldText(field, &red);
    Print(std::string(&field == focused ? " > " : "   ") + Pad(captions.Of(field.name), 26) + "[" + text + "]" +
          (red ? "  (rosso)" : "") + "\n");
  }
}

void PrintEvents(Form& form) {
  const auto events = form.TakeEvents();
  std::string line = "   eventi:";
  if (events.empty()) line += " nessuno";
  for (std::size_t k = 0; k < events.size();) {
    std::size_t same = k + 1;
    while (same < events.size() && events[same] == events[k]) ++same;
    line += " " + events[k].first + "." + events[k].second;
    if (same - k > 1) line += " x" + std::to_string(same - k);
    line += (same < events.size() ? "," : "");
    k = same;
  }
  Print(line + "\n");
}

// The form as it shows on the screen, as rows of RGB pixels.
bool Screenshot(HWND hwnd, const std::string& path) {
  RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
  // The client area with the menu bar above it: the frame is the window
  // manager's (none under a virtual display).
  RECT r, client;
  GetWindowRect(hwnd, &r);
  GetClientRect(hwnd, &client);
  MapWindowPoints(hwnd, nullptr, reinterpret_cast<POINT*>(&client), 2);
  if (GetMenu(hwnd)) r.top = client.top - GetSystemMetrics(SM_CYMENU);
  else r.top = client.top;
  r.left = client.left;
  r.right = client.right;
  r.bottom = client.bottom;
  const int w = r.right - r.left, h = r.bottom - r.top;
  const win32::WindowDc screen;
  const win32::UniqueMemoryDc mem(CreateCompatibleDC(screen.get()));
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = w;
  info.bmiHeader.biHeight = -h;  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  const win32::UniqueHbitmap bitmap(CreateDIBSection(screen.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  bool ok = mem && bitmap && bits;
  if (ok) {
    const win32::SelectedObject selected(mem.get(), bitmap.get());
    ok = BitBlt(mem.get(), 0, 0, w, h, screen.get(), r.left, r.top, SRCCOPY) != FALSE;
    GdiFlush();
  }
  std::vector<std::uint8_t> rgb;
  if (ok) {
    rgb.resize(static_cast<std::size_t>(w) * h * 3);
    const auto* px = static_cast<const std::uint8_t*>(bits);
    for (std::size_t k = 0; k < static_cast<std::size_t>(w) * h; ++k) {
      rgb[k * 3] = px[k * 4 + 2];
      rgb[k * 3 + 1] = px[k * 4 + 1];
      rgb[k * 3 + 2] = px[k * 4];
    }
  }
  return ok && WriteFile(path, EncodePng(static_cast<std::uint32_t>(w), static_cast<std::uint32_t>(h), rgb));
}

// --page-screenshot: the property frame is modal, so a timer that runs
// inside its loop finds the frame, takes its picture and closes it.
struct FrameShot {
  HWND form = nullptr;
  std::string path;
  bool written = false;
};
FrameShot* g_frameShot = nullptr;

BOOL CALLBACK FindFrame(HWND hwnd, LPARAM found) {
  if (hwnd == g_frameShot->form || !IsWindowVisible(hwnd)) return TRUE;
  *reinterpret_cast<HWND*>(found) = hwnd;
  return FALSE;
}

void CALLBACK ShootFrame(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND frame = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), &FindFrame, reinterpret_cast<LPARAM>(&frame));
  if (!frame) return;  // not shown yet: the next tick
  KillTimer(nullptr, timer);
  g_frameShot->written = Screenshot(frame, g_frameShot->path);
  PostMessageW(frame, WM_COMMAND, IDCANCEL, 0);
}

void FocusFirstField(Form& form) {
  SetForegroundWindow(form.Window());
  if (form.fields().empty()) return;
  Form::Field& first = form.fields().front();
  if (first.control) first.control->UIActivate();
  else SetFocus(first.edit);
}

int Run(int argc, char** argv) {
  std::string formPath = "form.txt", scriptPath, screenshotPath, saveAsPath, pagePath;
  for (int k = 1; k < argc; ++k) {
    const std::string arg = argv[k];
    auto value = [&](std::string* out) {
      if (k + 1 >= argc) return false;
      *out = argv[++k];
      return true;
    };
    bool ok = true;
    if (arg == "--form") ok = value(&formPath);
    else if (arg == "--script") ok = value(&scriptPath);
    else if (arg == "--screenshot") ok = value(&screenshotPath);
    else if (arg == "--save-as") ok = value(&saveAsPath);
    else if (arg == "--page-screenshot") ok = value(&pagePath);
    else ok = false;
    if (!ok)
      return Fail("usage: velmora-demo [--form FILE] [--script FILE] [--screenshot FILE.png] [--save-as FILE]"
                  " [--page-screenshot FILE.png]");
  }
  const bool headless = !scriptPath.empty() || !screenshotPath.empty() || !saveAsPath.empty() || !pagePath.empty();

  std::string text;
  if (!ReadFile(formPath, &text)) return Fail("cannot read the form file " + formPath);
  FormFile file;
  try {
    file = FormFile::Parse(text);
  } catch (const FormFileError& e) {
    return Fail(formPath + ": " + e.what());
  }
  std::vector<Step> steps;
  if (!scriptPath.empty()) {
    std::string script;
    if (!ReadFile(scriptPath, &script)) return Fail("cannot read the script " + scriptPath);
    steps = ParseScript(script);
    for (const Step& step : steps) {
      try {
        const std::wstring wide = Widen(step.keys);
        for (const keys::Key& key : keys::ParseKeys(std::u16string(wide.begin(), wide.end())))
          if (key.kind == keys::Key::Kind::Blur || key.kind == keys::Key::Kind::Focus)
            throw keys::KeyScriptError("{BLUR} and {FOCUS} have no place on a real form: move with {TAB}");
      } catch (const keys::KeyScriptError& e) {
        return Fail(scriptPath + ": " + step.keys + ": " + e.what());
      }
    }
  }
  Captions captions;
  for (const auto& section : file.sections) {
    const std::string* caption = section.Find("Caption");
    captions.byField.emplace_back(section.name, caption ? ParseValue(*caption).text : section.name);
  }

  auto form = Form::Create(L"Velmora - modulo dimostrativo", true);
  if (!form) return Fail("cannot create the form window");
  std::string error;
  if (FAILED(form->Load(file, &error))) return Fail(formPath + ": " + error);

  bool quit = false;
  auto save = [&](const std::string& path) {
    std::string why;
    if (FAILED(form->Save(file, &why))) return Fail(why) == 0;
    // Written beside the form and then put in its place, so a save that
    // fails half-way leaves the form as it was.
    if (!ReplaceFileContents(path, "; Velmora: il modulo dimostrativo, un campo per sezione\n" + file.Write(), &why))
      return Fail(why) == 0;
    return true;
  };
  form->OnCommand([&](WORD command) {
    if (command == kCommandExit) quit = true;
    if (command == kCommandSave) save(formPath);
    if (command == kCommandProperties) {
      Form::Field* field = form->FocusedField();
      if (field && field->control) field->control->ShowPropertyFrame(form->Window());
    }
  });
  form->Show();
  FocusFirstField(*form);
  PumpUntilIdle(*form);
  form->TakeEvents();  // what loading and showing fired is not the user's doing

  if (!headless) {
    MSG msg;
    while (!quit && GetMessageW(&msg, nullptr, 0, 0) > 0) {
      if (!form->PreTranslate(msg)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
      }
    }
    return 0;
  }

  if (!steps.empty()) {
    const std::size_t slash = formPath.find_last_of("/\\");
    Print("Modulo " + (slash == std::string::npos ? formPath : formPath.substr(slash + 1)) + ", all'apertura:\n");
    PrintForm(*form, captions);
  }
  int number = 0;
  for (const Step& step : steps) {
    Print("\n-- " + std::to_string(++number) + ". " + (step.title.empty() ? step.keys : step.title) + "\n");
    Print("   tasti: " + step.keys + "\n");
    const std::wstring wide = Widen(step.keys);
    for (const keys::Key& key : keys::ParseKeys(std::u16string(wide.begin(), wide.end()))) {
      if (key.kind == keys::Key::Kind::Select) {
        SendMessageW(GetFocus(), EM_SETSEL, static_cast<WPARAM>(key.start),
                     static_cast<LPARAM>(key.start + key.length));
      } else {
        SendStroke(key);
      }
      PumpUntilIdle(*form, 20);
    }
    PumpUntilIdle(*form);
    PrintForm(*form, captions);
    PrintEvents(*form);
  }
  std::fflush(stdout);
  int rc = 0;
  if (!screenshotPath.empty()) {
    // A picture of a cut form is no picture of the form: what does not fit
    // at this resolution is named, and the run fails.
    for (const std::string& misfit : form->Misfits()) rc = Fail("at " + std::to_string(ScreenDpi(false)) + " DPI, " + misfit);
    if (!Screenshot(form->Window(), screenshotPath)) rc = Fail("cannot write the picture " + screenshotPath);
  }
  if (!saveAsPath.empty() && !save(saveAsPath)) rc = 1;
  if (!pagePath.empty()) {
    // The property pages of the field that has the focus, as F4 opens them.
    Form::Field* field = form->FocusedField();
    if (!field || !field->control) field = &form->fields().front();
    FrameShot shot{form->Window(), pagePath, false};
    g_frameShot = &shot;
    const UINT_PTR timer = SetTimer(nullptr, 0, 300, &ShootFrame);
    const HRESULT hr = field->control ? field->control->ShowPropertyFrame(form->Window()) : E_UNEXPECTED;
    KillTimer(nullptr, timer);
    g_frameShot = nullptr;
    if (FAILED(hr)) {
      rc = Fail("the property frame did not open (" + HresultText(hr) + ")");
    } else if (!shot.written) {
      rc = Fail("cannot write the picture " + pagePath);
    }
  }
  form.reset();
  return rc;
}

}  // namespace
}  // namespace velmora::demo

int main(int argc, char** argv) {
  if (FAILED(OleInitialize(nullptr))) {
    std::fprintf(stderr, "velmora-demo: OLE could not be initialised\n");
    return 1;
  }
  int rc = velmora::demo::Run(argc, argv);
  OleUninitialize();
  return rc;
}
