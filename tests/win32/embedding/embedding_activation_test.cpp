// The control on a form: the OLE activation sequence as the site sees it,
// deactivation and closing giving everything back, verbs, extents, the
// object's fixed answers, ambient user mode, frozen events, and many
// activation cycles and controls destroyed while focused without leaks.
#include <gtest/gtest.h>

#include <windows.h>
#include <ole2.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "com/com_module.h"
#include "com/handles.h"
#include "embedding/ole_embedding.h"
#include "test_container.h"
#include "test_support.h"
#include "velmora_h.h"
#include "windows/win32_platform.h"

namespace velmora::testing {
namespace {

using win32::ModuleObjectCount;

// Only the site calls named in `wanted`, in order.
std::vector<std::string> Only(const Log& log, const std::vector<std::string>& wanted) {
  std::vector<std::string> out;
  for (const std::string& entry : log.entries)
    for (const std::string& w : wanted)
      if (entry == w) out.push_back(entry);
  return out;
}

class Embedding : public OleTest {
 protected:
  void SetUp() override { baseObjects_ = ModuleObjectCount(); }
  void TearDown() override {
    form_.reset();
    EXPECT_EQ(ModuleObjectCount(), baseObjects_) << "objects of the library still alive";
  }
  TestForm& Form() {
    if (!form_) form_ = std::make_unique<TestForm>();
    return *form_;
  }
  Placed* Place(RECT rect = {100, 10, 300, 40}, bool quick = true) {
    Placed* placed = Form().AddControl(CreateTestControl(), rect, quick);
    EXPECT_NE(placed, nullptr) << Form().failure();
    return placed;
  }

  win32::Win32Platform platform_;
  ScopedPlatform installed_{platform_};
  std::unique_ptr<TestForm> form_;
  long baseObjects_ = 0;
};

const std::vector<std::string> kActivationCalls = {"CanInPlaceActivate", "OnInPlaceActivate", "GetWindow",
                                                   "GetWindowContext",   "ShowObject",        "OnUIActivate",
                                                   "OnUIDeactivate",     "OnInPlaceDeactivate"};

TEST_F(Embedding, InPlaceActivationFollowsTheOleOrderAndFillsTheHost) {
  for (bool quick : {true, false}) {
    SCOPED_TRACE(quick ? "quick activation" : "SetClientSite");
    Placed* placed = Place({100, 10, 300, 40}, quick);
    ASSERT_NE(placed, nullptr);
    EXPECT_EQ(Join(Only(placed->log, kActivationCalls)),
              "CanInPlaceActivate, OnInPlaceActivate, GetWindow, GetWindowContext, ShowObject");
    HWND window = placed->ControlWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(GetParent(window), placed->host);
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_TRUE(GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_CONTROLPARENT);
    RECT edit{};
    GetWindowRect(placed->Edit(), &edit);
    EXPECT_EQ(edit.right - edit.left, 200);
    EXPECT_EQ(edit.bottom - edit.top, 30);
    EXPECT_EQ(placed->Text(), L"  /  /    ") << "a new control shows the empty date mask";
    EXPECT_EQ(Form().ActiveObject(), nullptr) << "in-place activation alone is not UI activation";
    Form().RemoveControl(placed);
  }
}

TEST_F(Embedding, UIActivationTakesTheFocusAndDeactivationGivesEverythingBack) {
  Placed* placed = Place();
  ASSERT_NE(placed, nullptr);
  auto ole = As<IOleObject>(placed->object.Get());
  HWND window = placed->ControlWindow();
  placed->log.Clear();
  RECT rect{0, 0, 200, 30};
  ASSERT_EQ(ole->DoVerb(OLEIVERB_UIACTIVATE, nullptr, nullptr, 0, placed->host, &rect), S_OK);
  Form().Pump();
  EXPECT_EQ(Join(Only(placed->log, {"OnUIActivate", "OnFocus(1)"})), "OnUIActivate, OnFocus(1)");
  EXPECT_EQ(GetFocus(), placed->Edit());
  ASSERT_NE(Form().ActiveObject(), nullptr);
  EXPECT_EQ(As<IUnknown>(Form().ActiveObject()).Get(), As<IUnknown>(placed->object.Get()).Get())
      << "the frame's active object is the control";

  placed->log.Clear();
  auto inPlace = As<IOleInPlaceObject>(placed->object.Get());
  ASSERT_EQ(inPlace->InPlaceDeactivate(), S_OK);
  Form().Pump();
  EXPECT_EQ(Join(Only(placed->log, kActivationCalls)), "OnUIDeactivate, OnInPlaceDeactivate");
  EXPECT_EQ(Form().ActiveObject(), nullptr);
  EXPECT_FALSE(IsWindowVisible(window));
  EXPECT_NE(GetParent(window), placed->host) << "the window left the container";
  HWND got = nullptr;
  EXPECT_EQ(inPlace->GetWindow(&got), E_FAIL);
  EXPECT_EQ(got, nullptr);
}

TEST_F(Embedding, ClickingIntoAnInactiveFocusMakesTheControlUIActive) {
  Placed* first = Place({100, 10, 300, 40});
  Placed* second = Place({100, 50, 300, 80});
  ASSERT_TRUE(first && second);
  Form().Focus(first->Edit());
  EXPECT_EQ(Form().uiActive(), first);
  Form().Focus(second->Edit());
  EXPECT_EQ(Form().uiActive(), second);
  EXPECT_EQ(Join(Only(first->log, {"OnUIActivate", "OnUIDeactivate", "OnFocus(1)", "OnFocus(0)"})),
            "OnUIActivate, OnFocus(1), OnFocus(0), OnUIDeactivate")
      << "the container took UI activation away from the first control when the second got it";
}

TEST_F(Embedding, ObjectRectsMoveResizeAndClipTheWindow) {
  Placed* placed = Place();
  ASSERT_NE(placed, nullptr);
  auto inPlace = As<IOleInPlaceObject>(placed->object.Get());
  HWND window = placed->ControlWindow();
  // The form's own edge hides what lies past it: a clip that only repeats
  // that edge needs no region, one that cuts deeper does.
  RECT form{};
  GetClientRect(GetParent(window), &form);
  const LONG edge = form.bottom;
  struct Row {
    const char* name;
    RECT pos, clip;
    bool clipped;
  } rows[] = {
      {"grow", {0, 0, 180, 60}, {0, 0, 400, 400}, false},
      {"shrink", {5, 5, 85, 25}, {0, 0, 400, 400}, false},
      {"half hidden", {0, 0, 180, 30}, {0, 0, 90, 30}, true},
      {"past the form's edge", {0, edge - 10, 180, edge + 20}, form, false},
      {"past the edge and cut inside", {0, edge - 10, 180, edge + 20}, {0, 0, 90, edge}, true},
      {"back inside", {5, 5, 85, 25}, form, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ASSERT_EQ(inPlace->SetObjectRects(&row.pos, &row.clip), S_OK);
    RECT client{};
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, row.pos.right - row.pos.left);
    EXPECT_EQ(client.bottom, row.pos.bottom - row.pos.top);
    RECT edit{};
    GetWindowRect(placed->Edit(), &edit);
    EXPECT_EQ(edit.right - edit.left, client.right) << "Text1 fills the control";
    EXPECT_EQ(edit.bottom - edit.top, client.bottom);
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    const int kind = GetWindowRgn(window, region);
    DeleteObject(region);
    EXPECT_EQ(kind != ERROR, row.clipped) << "region kind " << kind;
  }
  EXPECT_EQ(inPlace->SetObjectRects(nullptr, nullptr), E_INVALIDARG);
}

struct VerbRow {
  const char* name;
  LONG verb;
  HRESULT expected;
  bool visibleAfter;
  bool uiActiveAfter;
};

TEST_F(Embedding, VerbsDoWhatTheyName) {
  const VerbRow rows[] = {
      {"hide", OLEIVERB_HIDE, S_OK, false, false},
      {"show after hide", OLEIVERB_SHOW, S_OK, true, false},
      {"primary activates for the user", OLEIVERB_PRIMARY, S_OK, true, true},
      {"hide leaves UI activation", OLEIVERB_HIDE, S_OK, false, false},
      {"in-place activate shows again", OLEIVERB_INPLACEACTIVATE, S_OK, true, false},
      {"UI activate", OLEIVERB_UIACTIVATE, S_OK, true, true},
      {"open is not offered", OLEIVERB_OPEN, E_NOTIMPL, true, true},
      {"unknown negative verb", -99, E_NOTIMPL, true, true},
      {"unknown positive verb acts as primary", 7, OLEOBJ_S_INVALIDVERB, true, true},
      {"discard undo state", OLEIVERB_DISCARDUNDOSTATE, S_OK, true, true},
  };
  Placed* placed = Place();
  ASSERT_NE(placed, nullptr);
  auto ole = As<IOleObject>(placed->object.Get());
  for (const VerbRow& row : rows) {
    SCOPED_TRACE(row.name);
    RECT rect{0, 0, 200, 30};
    EXPECT_EQ(ole->DoVerb(row.verb, nullptr, nullptr, 0, placed->host, &rect), row.expected);
    Form().Pump();
    EXPECT_EQ(IsWindowVisible(placed->ControlWindow()) != FALSE, row.visibleAfter);
    EXPECT_EQ(Form().ActiveObject() != nullptr, row.uiActiveAfter);
  }
}

TEST_F(Embedding, FixedAnswersOfTheObject) {
  Placed* placed = Place();
  ASSERT_NE(placed, nullptr);
  auto ole = As<IOleObject>(placed->object.Get());
  DWORD status = 0;
  EXPECT_EQ(ole->GetMiscStatus(DVASPECT_CONTENT, &status), S_OK);
  EXPECT_EQ(status, 131473u) << "the value the class registers";
  CLSID clsid{};
  EXPECT_EQ(ole->GetUserClassID(&clsid), S_OK);
  EXPECT_TRUE(IsEqualCLSID(clsid, CLSID_VelmoraControl));
  LPOLESTR type = nullptr;
  ASSERT_EQ(ole->GetUserType(USERCLASSTYPE_FULL, &type), S_OK);
  EXPECT_STREQ(type, L"TextBox Formattato");
  CoTaskMemFree(type);

  ComPtr<IEnumOLEVERB> verbs;
  ASSERT_EQ(ole->EnumVerbs(verbs.GetAddressOf()), S_OK);
  std::vector<LONG> seen;
  OLEVERB verb{};
  ULONG fetched = 0;
  while (verbs->Next(1, &verb, &fetched) == S_OK) {
    seen.push_back(verb.lVerb);
    CoTaskMemFree(verb.lpszVerbName);
  }
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen.front(), OLEIVERB_PRIMARY);
  EXPECT_NE(std::find(seen.begin(), seen.end(), OLEIVERB_UIACTIVATE), seen.end());

  auto inPlace = As<IOleInPlaceObject>(placed->object.Get());
  EXPECT_EQ(inPlace->ReactivateAndUndo(), INPLACE_E_NOTUNDOABLE);
  EXPECT_EQ(ole->DoVerb(OLEIVERB_OPEN, nullptr, nullptr, 0, nullptr, nullptr), E_NOTIMPL);
}

TEST_F(Embedding, ExtentRoundTripsInHimetricAndFollowsTheShownSize) {
  ComPtr<IUnknown> object = CreateTestControl();
  auto ole = As<IOleObject>(object.Get());
  SIZEL size{};
  ASSERT_EQ(ole->GetExtent(DVASPECT_CONTENT, &size), S_OK);
  EXPECT_EQ(size.cx, 1984);
  EXPECT_EQ(size.cy, 529);
  SIZEL wanted{5000, 700};
  EXPECT_EQ(ole->SetExtent(DVASPECT_CONTENT, &wanted), S_OK);
  EXPECT_EQ(ole->GetExtent(DVASPECT_CONTENT, &size), S_OK);
  EXPECT_EQ(size.cx, 5000);
  EXPECT_EQ(size.cy, 700);
  EXPECT_EQ(ole->SetExtent(DVASPECT_ICON, &wanted), DV_E_DVASPECT);
  auto quick = As<IQuickActivate>(object.Get());
  EXPECT_EQ(quick->GetContentExtent(&size), S_OK);
  EXPECT_EQ(size.cx, 5000);
}

TEST_F(Embedding, AdviseSinksHearCloseAndViewChangesAndAreGivenBack) {
  AdviseSink sink;
  {
    Placed* placed = Place();
    ASSERT_NE(placed, nullptr);
    auto ole = As<IOleObject>(placed->object.Get());
    auto view = As<IViewObject2>(placed->object.Get());
    DWORD cookie = 0;
    ASSERT_EQ(ole->Advise(&sink, &cookie), S_OK);
    ASSERT_EQ(view->SetAdvise(DVASPECT_CONTENT, 0, &sink), S_OK);
    ASSERT_EQ(PutText(placed->object.Get(), L"12/12/2012"), S_OK);
    EXPECT_GE(sink.viewChanges, 1) << "a new text is a new look";
    ComPtr<IEnumSTATDATA> advises;
    EXPECT_EQ(ole->EnumAdvise(advises.GetAddressOf()), S_OK);
    advises.Reset();
    EXPECT_EQ(ole->Close(OLECLOSE_NOSAVE), S_OK);
    EXPECT_EQ(sink.closes, 1);
    EXPECT_EQ(ole->Unadvise(cookie), S_OK);
    EXPECT_EQ(ole->Unadvise(cookie), OLE_E_NOCONNECTION);
    Form().RemoveControl(placed);
  }
  EXPECT_EQ(sink.References(), 1u) << "every reference to the sink was released";
}

TEST_F(Embedding, DesignModeKeepsInputFromTheControlUntilUserMode) {
  Form().ambients().userMode = false;
  Placed* placed = Place();
  ASSERT_NE(placed, nullptr);
  EXPECT_FALSE(IsWindowEnabled(placed->ControlWindow())) << "the designer works with the control, not the user";
  EXPECT_TRUE(IsWindowEnabled(placed->Edit())) << "Text1's own Enabled is untouched";
  Form().ambients().userMode = true;
  Form().AmbientChanged(DISPID_AMBIENT_USERMODE);
  EXPECT_TRUE(IsWindowEnabled(placed->ControlWindow()));
}

TEST_F(Embedding, ManyActivationsAndFocusedDestructionLeakNothing) {
  const int windowsBefore = ThreadWindows();
  Placed* placed = Place();
  ASSERT_NE(placed, nullptr);
  auto ole = As<IOleObject>(placed->object.Get());
  auto inPlace = As<IOleInPlaceObject>(placed->object.Get());
  for (int i = 0; i < 60; ++i) {
    RECT rect{0, 0, 200, 30};
    ASSERT_EQ(ole->DoVerb(i % 2 ? OLEIVERB_UIACTIVATE : OLEIVERB_INPLACEACTIVATE, nullptr, nullptr, 0,
                          placed->host, &rect),
              S_OK);
    if (i % 3 == 0) {
      ASSERT_EQ(ole->Close(OLECLOSE_NOSAVE), S_OK);
    } else {
      ASSERT_EQ(inPlace->InPlaceDeactivate(), S_OK);
    }
  }
  ole.Reset();
  inPlace.Reset();
  Form().RemoveControl(placed);
  for (int i = 0; i < 20; ++i) {
    Placed* focused = Place({100, 10, 300, 40});
    ASSERT_NE(focused, nullptr);
    Form().Focus(focused->Edit());
    ASSERT_EQ(GetFocus(), focused->Edit());
    Form().Type(L"12");
    Form().RemoveControl(focused);
    Form().Pump(5);
  }
  form_.reset();
  EXPECT_EQ(ThreadWindows(), windowsBefore);
}

// The OCX itself, as a container loads it: controls from its class factory
// placed, typed into, activated and closed, and then nothing keeps the
// library loaded.
TEST(EmbeddedOcx, UnloadsAfterEveryControlIsReleased) {
  OleScope ole;
  win32::Win32Platform platform;
  ScopedPlatform installed(platform);
  Ocx ocx;
  {
    ComPtr<IClassFactory> factory = ocx.Factory(CLSID_VelmoraControl);
    ASSERT_NE(factory, nullptr);
    TestForm form;
    HWND field = form.AddField(10, 10);
    for (int i = 0; i < 3; ++i) {
      ComPtr<IUnknown> control;
      ASSERT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(control.GetAddressOf())), S_OK);
      Placed* placed = form.AddControl(control, RECT{110, 10 + 35 * i, 310, 40 + 35 * i}, i % 2 == 0);
      ASSERT_NE(placed, nullptr) << form.failure();
    }
    Placed* first = form.controls().front().get();
    form.Focus(first->Edit());
    form.Type(L"311299\r");
    EXPECT_EQ(first->Text(), L"  /  /    ") << "the year was left incomplete";
    EXPECT_NE(GetFocus(), first->Edit()) << "Enter moved on";
    EXPECT_EQ(Join(first->log.Events()), "Change, Change, Change, Change, Change, Change, Change, DataNonValida")
        << "the incomplete date is wiped when the field is left";
    form.Focus(form.controls().back()->Edit());
    EXPECT_EQ(ocx.CanUnloadNow(), S_FALSE) << "controls alive";
    form.RemoveControl(form.controls().back().get());  // destroyed while focused
    (void)field;
  }
  EXPECT_EQ(ocx.CanUnloadNow(), S_OK);
}

}  // namespace
}  // namespace velmora::testing
