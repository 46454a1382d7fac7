// Controls and property pages on several user-interface threads at once,
// each thread its own apartment with its own class object, as a program with
// one window thread per document has them. The main thread waits without pumping messages:
// a control that sends anything to a window of another thread hangs here,
// and the wait's time limit turns that into a failure.
#include <gtest/gtest.h>
#include <windows.h>
#include <ole2.h>
#include <olectl.h>

#include <cstdio>
#include <string>
#include <vector>

#include "com/handles.h"
#include "test_container.h"
#include "test_support.h"
#include "velmora_h.h"

namespace {

using namespace velmora::testing;
using velmora::win32::ComPtr;

using GetClassObject = velmora::testing::GetClassObjectFn;

constexpr int kThreads = 4;
constexpr int kRounds = 6;
constexpr int kPageThreads = 3, kPageRounds = 200;
constexpr DWORD kTimeLimitMs = 120000;

// wine lays out an EDIT's text through text-shaping caches that every
// thread shares without a lock: plain EDIT windows on several threads at
// once corrupt them and crash inside the runtime (Windows' own are
// thread-safe). So each thread's form has an ambient font of its own, and
// the steps that make, type into or destroy an EDIT, or lay text out in the
// control's default font, run one thread at a time. What this test is for
// still races: the module's first-time set-up, the class objects, creation,
// type information, saving and loading, and unloading.
CRITICAL_SECTION g_textLayout;

class OneTextLayoutAtATime {
 public:
  OneTextLayoutAtATime() { EnterCriticalSection(&g_textLayout); }
  ~OneTextLayoutAtATime() { LeaveCriticalSection(&g_textLayout); }
};

// Released once every worker is ready: their first calls into the module
// (its first-time set-up) come at the same moment.
HANDLE g_start = nullptr;

struct Worker {
  int index = 0;
  GetClassObject* getClassObject = nullptr;
  void (*rounds)(Worker&) = nullptr;
  std::string failure;  // empty when every round went well
};

void Fail(Worker& worker, int round, const std::string& what) {
  if (worker.failure.empty()) worker.failure = "round " + std::to_string(round) + ": " + what;
}

// Keys straight to the thread's own Text1, as its message loop would
// deliver them.
void TypeInto(HWND edit, const wchar_t* keys) {
  for (const wchar_t* k = keys; *k; ++k) SendMessageW(edit, WM_CHAR, *k, 1);
}

// What the thread's queue holds now, handled.
void PumpThread() { velmora::testing::Pump(nullptr, 0); }

std::wstring TextOf(IUnknown* control) {
  VARIANT v;
  VariantInit(&v);
  std::wstring text;
  if (SUCCEEDED(velmora::testing::GetProperty(control, velmora::testing::kDispText, &v)) && V_VT(&v) == VT_BSTR)
    text.assign(V_BSTR(&v), SysStringLen(V_BSTR(&v)));
  VariantClear(&v);
  return text;
}

// One apartment: create, place, type into, save, load a copy of, and take
// off the form a control, round after round.
void RunRounds(Worker& worker) {
  WaitForSingleObject(g_start, INFINITE);
  ComPtr<IClassFactory> factory;
  if (FAILED(worker.getClassObject(CLSID_VelmoraControl, IID_IClassFactory, &factory))) {
    Fail(worker, 0, "no class object");
    return;
  }
  TestForm form;
  form.ambients().font = velmora::testing::NewFont(9 + worker.index);
  if (!form.ambients().font) return Fail(worker, 0, "font");
  for (int round = 0; round < kRounds && worker.failure.empty(); ++round) {
    ComPtr<IUnknown> object;
    HRESULT created;
    {
      OneTextLayoutAtATime one;
      created = factory->CreateInstance(nullptr, IID_IUnknown, &object);
    }
    if (FAILED(created)) return Fail(worker, round, "CreateInstance");
    Placed* placed;
    {
      OneTextLayoutAtATime one;
      placed = form.AddControl(object, RECT{10, 10, 200, 40});
      if (!placed) return Fail(worker, round, form.failure());
      TypeInto(placed->Edit(), L"14121967");
    }
    if (placed->Text() != L"14/12/1967") Fail(worker, round, "typed text");

    ComPtr<IStream> stream;
    ComPtr<IPersistStreamInit> persist, copyPersist;
    ComPtr<IUnknown> copy;
    bool saved = SUCCEEDED(CreateStreamOnHGlobal(nullptr, TRUE, &stream)) && SUCCEEDED(object.As(&persist)) &&
                 SUCCEEDED(persist->Save(stream.Get(), TRUE)) &&
                 SUCCEEDED(stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr));
    {
      OneTextLayoutAtATime one;
      saved = saved && SUCCEEDED(factory->CreateInstance(nullptr, IID_IUnknown, &copy)) &&
              SUCCEEDED(copy.As(&copyPersist)) && SUCCEEDED(copyPersist->Load(stream.Get()));
      if (saved && TextOf(copy.Get()) != L"14/12/1967") Fail(worker, round, "loaded text");
      copyPersist.Reset();
      copy.Reset();
    }
    if (!saved) Fail(worker, round, "save and load");
    {
      OneTextLayoutAtATime one;
      form.RemoveControl(placed);
      form.Pump(5);
    }
  }
}

DWORD WINAPI WorkerMain(void* argument) {
  auto& worker = *static_cast<Worker*>(argument);
  OleScope apartment(Apartment::kSingleThreaded);
  if (!apartment.ok()) {
    worker.failure = "CoInitializeEx";
    return 1;
  }
  worker.rounds(worker);
  return 0;
}

// Runs the workers at once and waits for them without pumping. A hang
// cannot be undone from here (the stuck threads hold the OCX): it ends
// the program with a failure.
void RunWorkers(GetClassObject* getClassObject, void (*rounds)(Worker&) = &RunRounds, int count = kThreads) {
  // The test container's own window classes, registered here first: its
  // one-time set-up is not made for threads racing into it.
  { TestForm registersClasses; }
  // A control of the main thread, alive while the workers run: the main
  // thread has windows of the control's own, which nothing the workers'
  // controls do may send to, since the main thread does not pump.
  ComPtr<IClassFactory> mainFactory;
  ComPtr<IUnknown> mainControl;
  ASSERT_EQ(getClassObject(CLSID_VelmoraControl, IID_IClassFactory, &mainFactory), S_OK);
  ASSERT_EQ(mainFactory->CreateInstance(nullptr, IID_IUnknown, &mainControl), S_OK);
  ComPtr<_VelmoraControl> mainVtable;
  ASSERT_EQ(mainControl.As(&mainVtable), S_OK);
  BSTR date = SysAllocString(L"14/12/1967");
  EXPECT_EQ(mainVtable->put_Text(date), S_OK);  // not through IDispatch: the workers load the type library first
  SysFreeString(date);
  mainVtable.Reset();
  g_start = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  std::vector<Worker> workers(static_cast<std::size_t>(count));
  std::vector<HANDLE> threads;
  for (Worker& worker : workers) {
    worker.index = static_cast<int>(&worker - workers.data());
    worker.getClassObject = getClassObject;
    worker.rounds = rounds;
    threads.push_back(CreateThread(nullptr, 0, &WorkerMain, &worker, 0, nullptr));
    ASSERT_NE(threads.back(), nullptr);
  }
  Sleep(50);
  SetEvent(g_start);
  if (WaitForMultipleObjects(static_cast<DWORD>(count), threads.data(), TRUE, kTimeLimitMs) != WAIT_OBJECT_0) {
    std::fprintf(stderr, "%s: the workers hang\n", ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::fflush(stderr);
    TerminateProcess(GetCurrentProcess(), 3);
  }
  for (HANDLE thread : threads) CloseHandle(thread);
  CloseHandle(g_start);
  mainControl.Reset();
  mainFactory.Reset();
  for (std::size_t i = 0; i < workers.size(); ++i) EXPECT_EQ(workers[i].failure, "") << "thread " << i;
}

// One apartment's property frame, round after round: a page made, given the
// thread's control, shown, switched to the other mode, left for another tab
// (deactivated), applied and let go.
void RunPageRounds(Worker& worker) {
  WaitForSingleObject(g_start, INFINITE);
  ComPtr<IClassFactory> pages, controls;
  ComPtr<IUnknown> control;
  if (FAILED(worker.getClassObject(CLSID_Generale, IID_IClassFactory, &pages)) ||
      FAILED(worker.getClassObject(CLSID_VelmoraControl, IID_IClassFactory, &controls)) ||
      FAILED(controls->CreateInstance(nullptr, IID_IUnknown, &control))) {
    return Fail(worker, 0, "no page or control");
  }
  HWND frame = CreateWindowExW(0, L"STATIC", L"frame", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 500, 300, nullptr,
                               nullptr, nullptr, nullptr);
  IUnknown* objects[] = {control.Get()};
  const RECT rect{0, 0, 400, 240};
  for (int round = 0; round < kPageRounds && worker.failure.empty(); ++round) {
    ComPtr<IPropertyPage> page;
    if (FAILED(pages->CreateInstance(nullptr, IID_IPropertyPage, &page)) || page->SetObjects(1, objects) != S_OK ||
        page->Activate(frame, &rect, TRUE) != S_OK) {
      return Fail(worker, round, "activate");
    }
    page->Show(SW_SHOW);
    const bool toNumber = round % 2 == 0;
    HWND window = FindWindowExW(frame, nullptr, L"VelmoraGeneralePage", nullptr);
    SendMessageW(FindWindowExW(window, nullptr, L"Button", toNumber ? L"Numero (14.121.967)" : L"Data (14/12/1967)"),
                 BM_CLICK, 0, 0);
    TypeInto(FindWindowExW(window, nullptr, L"Edit", nullptr), L"7");
    UpdateWindow(frame);
    PumpThread();
    if (page->Deactivate() != S_OK || page->IsPageDirty() != S_OK || page->Apply() != S_OK) Fail(worker, round, "apply");
    page->SetObjects(0, nullptr);
    VARIANT mode;
    VariantInit(&mode);
    if (FAILED(velmora::testing::GetProperty(control.Get(), velmora::testing::kDispDateValue, &mode)) ||
        V_VT(&mode) != VT_BOOL || V_BOOL(&mode) != (toNumber ? VARIANT_FALSE : VARIANT_TRUE)) {
      Fail(worker, round, "mode not applied");
    }
    PumpThread();
  }
  DestroyWindow(frame);
}

// The pages' text boxes in the same steps with no code of ours: plain boxes
// of the system made with a text, given one font that every thread shares
// and typed into. wine's boxes share a text layout cache per font among all
// threads, and these steps crash or hang it within a few hundred rounds
// (the pages hold that cache themselves, see page_windows.cpp). Disabled for
// that reason: --gtest_also_run_disabled_tests --gtest_filter=Threads.DISABLED_*
DWORD WINAPI PlainBoxRounds(void*) {
  HFONT font = CreateFontW(-11, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0, DEFAULT_QUALITY, 0,
                           L"MS Sans Serif");
  HWND frame = CreateWindowExW(0, L"STATIC", L"frame", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 100, nullptr,
                               nullptr, nullptr, nullptr);
  for (int round = 0; round < kPageRounds; ++round) {
    HWND boxes[2];
    for (HWND& box : boxes) {
      box = CreateWindowExW(0, L"EDIT", L"10", WS_CHILD | WS_VISIBLE, 0, 0, 100, 20, frame, nullptr, nullptr, nullptr);
      SendMessageW(box, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
    TypeInto(boxes[0], L"7");
    UpdateWindow(frame);
    PumpThread();
    for (HWND box : boxes) DestroyWindow(box);
  }
  DestroyWindow(frame);
  DeleteObject(font);
  return 0;
}

TEST(Threads, DISABLED_PlainTextBoxesSharingAFont) {
  HANDLE threads[kPageThreads];
  for (HANDLE& thread : threads) thread = CreateThread(nullptr, 0, &PlainBoxRounds, nullptr, 0, nullptr);
  EXPECT_EQ(WaitForMultipleObjects(kPageThreads, threads, TRUE, kTimeLimitMs), WAIT_OBJECT_0);
  for (HANDLE thread : threads) CloseHandle(thread);
}

TEST(Threads, PagesOnSeveralThreadsAtOnce) {
  InitializeCriticalSection(&g_textLayout);
  Ocx ocx;
  ASSERT_TRUE(ocx.loaded());
  RunWorkers(ocx.Export<GetClassObject>("DllGetClassObject"), &RunPageRounds, kPageThreads);
  EXPECT_TRUE(ocx.Free());
  DeleteCriticalSection(&g_textLayout);
}

TEST(Threads, ControlsOnSeveralThreadsAtOnce) {
  InitializeCriticalSection(&g_textLayout);
  Ocx ocx;
  ASSERT_TRUE(ocx.loaded());
  const HMODULE first = ocx.get();
  RunWorkers(ocx.Export<GetClassObject>("DllGetClassObject"));
  EXPECT_EQ(ocx.CanUnloadNow(), S_OK);
  ASSERT_TRUE(ocx.Free());

  // Loaded again where the first image is not: anything the first load
  // left behind pointing into it (a window class) fails here.
  void* hold = VirtualAlloc(reinterpret_cast<void*>(first), 0x10000, MEM_RESERVE, PAGE_NOACCESS);
  Ocx again;
  ASSERT_TRUE(again.loaded());
  RunWorkers(again.Export<GetClassObject>("DllGetClassObject"));
  EXPECT_EQ(again.CanUnloadNow(), S_OK);
  EXPECT_TRUE(again.Free());
  if (hold) VirtualFree(hold, 0, MEM_RELEASE);
  DeleteCriticalSection(&g_textLayout);
}

}  // namespace
