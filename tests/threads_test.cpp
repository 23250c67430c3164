// Docklets on threads of their own: a dock that gives each docklet a thread
// (the docklet's window made there, its messages pumped there, every call of
// it made there) runs docklets of this module at the same time. Four such
// docklets are started together, created, ticked, saved and destroyed, round
// after round; in each round two of them ask for their settings sheet at the
// same moment, and the one sheet the module opens stays open while the
// others refresh.
#include "harness.h"

#include <prsht.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <atomic>
#include <thread>

#include "footprint.h"

namespace {

const int THREADS = 4;
const int ROUNDS = 10;
const int WARM_UP_ROUNDS = 2; // the heap is measured from here on
const int TICKS = 100;
const int TICK_OF_THE_SHEET = 10;
// The docklets without a sheet wait at this tick until the sheet is open,
// then refresh while it is.
const int TICK_WHILE_THE_SHEET_IS_OPEN = 50;
const DWORD LONGEST_WAIT = 30000;
// Each driver call takes a while, so that calls that are not kept apart meet.
const char SCENARIO[] = "temperature 61\nname 0 GeForce Sim 9000\nlatency 2\n";
const wchar_t WINDOW_CLASS[] = L"MoravelThreadedDocklet";

// What each docklet's section sets, and the label it must show throughout.
struct DockletSettings {
    const char* keys;
    const char* label;
};
const DockletSettings SETTINGS[THREADS] = {
    {"LabelData=2\nCelcius=1\nDockletData=2\n", "GPU Temperature: 61 \xB0" "C"},
    {"LabelData=4\nTitle=Docklet one\nDockletData=1\n", "Docklet one"},
    {"LabelData=2\nCelcius=0\nDockletData=2\nFontSize=30\n", "GPU Temperature: 141 \xB0" "F"},
    {"LabelData=8\nDockletData=1\nShadow=0\n", "GeForce Sim 9000"},
};

std::string Section(int index)
{
    return "Docklet" + std::to_string(index);
}

// What the threads of one round share.
struct Round {
    const dockhost::DockletEntryPoints* entry = nullptr;
    HMODULE module = nullptr;
    std::string ini;
    int contenders[2] = {}; // ask for their sheets at the same moment
    std::atomic<int> arrived{0};
    HANDLE sheetOpen = nullptr; // set once the sheet shows and every page was visited
    std::atomic<int> othersDone{0}; // docklets that asked for no sheet and did all their ticks
    std::atomic<bool> loserCounted{false};
    HANDLE start = nullptr;

    bool Contends(int index) const { return index == contenders[0] || index == contenders[1]; }
};

struct ThreadResult {
    const dockhost::DockletEntryPoints* entry = nullptr;
    HWND hwnd = nullptr;
    void* instance = nullptr;
    bool created = false;
    harness::Pixels lastOverlay;
    // A contender: what its OnConfigure returned, whether it had the sheet
    // (every page visited, closed with OK), and the sheets in the process
    // once the other's was open.
    INT_PTR configureResult = -2;
    bool hadTheSheet = false;
    int sheetsSeen = -1;
};

// Other test programs share the desktop and may have a sheet of their own open.
BOOL CALLBACK CountSheet(HWND window, LPARAM lParam)
{
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == GetCurrentProcessId() && IsWindowVisible(window) &&
        dockhost::WindowText(window) == harness::SHEET_CAPTION)
        ++*reinterpret_cast<int*>(lParam);
    return TRUE;
}

int SheetsInProcess()
{
    int sheets = 0;
    EnumWindows(CountSheet, reinterpret_cast<LPARAM>(&sheets));
    return sheets;
}

// Waits for `event` with the thread's messages pumped meanwhile: windows of
// other threads may send this thread's window messages and wait for the answer.
void WaitPumping(HANDLE event, DWORD timeout)
{
    for (DWORD started = GetTickCount(), waited = 0; waited < timeout; waited = GetTickCount() - started) {
        if (MsgWaitForMultipleObjects(1, &event, FALSE, timeout - waited, QS_ALLINPUT) == WAIT_OBJECT_0)
            return;
        dockhost::PumpFor(0);
    }
}

// The user of a contender's sheet, ticked by a timer of the contender's
// thread while the sheet's loop runs: every page, then OK once the others
// have refreshed while it was open.
struct SheetUser {
    Round* round = nullptr;
    int page = 0;
    bool pressedOk = false;
};
thread_local SheetUser* sheetUser = nullptr;

void CALLBACK UseSheet(HWND, UINT, UINT_PTR, DWORD)
{
    SheetUser* user = sheetUser;
    HWND sheet = dockhost::FindThreadWindow(harness::SHEET_CAPTION);
    if (!user || !sheet || user->pressedOk)
        return;
    if (user->page < 4) {
        SendMessageW(sheet, PSM_SETCURSEL, static_cast<WPARAM>(user->page), 0);
        if (reinterpret_cast<HWND>(SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0)) ==
            dockhost::SheetPage(sheet, user->page))
            ++user->page;
        if (user->page == 4)
            SetEvent(user->round->sheetOpen);
        return;
    }
    // The other contender has counted the sheets (or there are two, and no
    // other contender will).
    Round& round = *user->round;
    if (round.othersDone.load() == THREADS - 2 && (round.loserCounted.load() || SheetsInProcess() > 1)) {
        PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
        user->pressedOk = true;
    }
}

void AskForTheSheet(Round& round, ThreadResult& result)
{
    // Both at once.
    ++round.arrived;
    for (DWORD started = GetTickCount(); round.arrived.load() < 2 && GetTickCount() - started < LONGEST_WAIT;)
        dockhost::PumpFor(0);
    SheetUser user;
    user.round = &round;
    sheetUser = &user;
    const UINT_PTR timer = SetTimer(nullptr, 0, 20, UseSheet);
    result.configureResult = round.entry->OnConfigure(result.instance);
    KillTimer(nullptr, timer);
    sheetUser = nullptr;
    result.hadTheSheet = user.pressedOk;
    if (!result.hadTheSheet) {
        WaitPumping(round.sheetOpen, LONGEST_WAIT);
        result.sheetsSeen = SheetsInProcess();
        round.loserCounted = true;
    }
}

LRESULT CALLBACK DockletWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* result = reinterpret_cast<ThreadResult*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    // Every message goes to the docklet first, as a dock host does.
    if (result && result->instance)
        result->entry->OnProcessMessage(result->instance, hwnd, message, wParam, lParam);
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

// One docklet's life on a thread of its own.
void RunDocklet(Round& round, int index, ThreadResult& result)
{
    result.entry = round.entry;
    result.hwnd = CreateWindowExW(0, WINDOW_CLASS, L"Moravel Docklet", WS_POPUP, 40 + index * 270, 40, 256, 284,
                                  nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!result.hwnd)
        return;
    SetWindowLongPtrW(result.hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&result));
    const dockhost::DockletEntryPoints& entry = *round.entry;
    const std::string section = Section(index);
    WaitPumping(round.start, INFINITE);

    result.instance = entry.OnCreate(result.hwnd, round.module, const_cast<char*>(round.ini.c_str()),
                                     const_cast<char*>(section.c_str()));
    result.created = result.instance != nullptr;
    for (int tick = 0; tick < TICKS && result.instance; ++tick) {
        if (round.Contends(index) && tick == TICK_OF_THE_SHEET)
            AskForTheSheet(round, result);
        if (!round.Contends(index) && tick == TICK_WHILE_THE_SHEET_IS_OPEN)
            WaitPumping(round.sheetOpen, LONGEST_WAIT);
        entry.OnProcessMessage(result.instance, result.hwnd, WM_TIMER, REFRESH_TIMER_ID, 0);
        dockhost::PumpFor(0);
    }
    if (!round.Contends(index))
        ++round.othersDone;
    {
        std::lock_guard<std::recursive_mutex> guard(dockhost::Services().guard);
        result.lastOverlay =
            harness::Capture(dockhost::ClassCopyOf(dockhost::Services().views[result.hwnd].overlay.native()).get());
    }
    if (result.instance) {
        entry.OnSave(result.instance, const_cast<char*>(round.ini.c_str()), const_cast<char*>(section.c_str()),
                     FALSE);
        void* instance = result.instance;
        result.instance = nullptr; // no message reaches it after this
        entry.OnDestroy(instance, result.hwnd);
    }
    DestroyWindow(result.hwnd);
    dockhost::PumpFor(0);
}

std::vector<std::string> SectionLines(const std::string& ini, const std::string& section)
{
    std::vector<char> buffer(32768, '\0');
    GetPrivateProfileSectionA(section.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()), ini.c_str());
    std::vector<std::string> lines;
    for (const char* line = buffer.data(); *line; line += strlen(line) + 1)
        lines.push_back(line);
    return lines;
}

bool EveryHeapValid()
{
    HANDLE heaps[64];
    const DWORD count = GetProcessHeaps(64, heaps);
    for (DWORD i = 0; i < count && i < 64; ++i)
        if (!HeapValidate(heaps[i], 0, nullptr))
            return false;
    return true;
}

// What a round showed of each docklet: its labels, its last overlay (the
// same settings and readings every round: the same pixels) and what it saved.
void CheckDocklet(int index, const ThreadResult& result, const std::string& ini, harness::Pixels& firstOverlay)
{
    SCOPED_TRACE("docklet " + std::to_string(index));
    ASSERT_TRUE(result.created);
    dockhost::HostServices& host = dockhost::Services();
    int labels = 0;
    for (const dockhost::ServiceCall& call : host.calls)
        if (call.service == "DockletSetLabel" && call.hwnd == result.hwnd) {
            ++labels;
            EXPECT_EQ(call.text, SETTINGS[index].label) << "label " << labels;
        }
    EXPECT_GE(labels, TICKS + 1) << "a label at creation and at every tick";
    EXPECT_GE(host.views[result.hwnd].overlaysReceived, TICKS + 1);

    ASSERT_FALSE(result.lastOverlay.Empty());
    if (firstOverlay.Empty())
        firstOverlay = result.lastOverlay;
    else
        EXPECT_TRUE(result.lastOverlay.argb == firstOverlay.argb) << "the overlay changed";

    const std::vector<std::string> lines = SectionLines(ini, Section(index));
    EXPECT_EQ(lines.size(), 25u) << "keys saved";
    for (const char* key = SETTINGS[index].keys; *key;) {
        const char* end = strchr(key, '\n');
        const std::string line(key, end);
        EXPECT_NE(std::find(lines.begin(), lines.end(), line), lines.end()) << line << " not saved";
        key = end + 1;
    }
}

} // namespace

TEST(ThreadedDock, FourDockletsOnFourThreadsRoundAfterRound)
{
    ASSERT_TRUE(harness::LoadScenario(SCENARIO));
    dockhost::Dock dock; // loads the module as a dock does; GDI+ for the host's side
    ASSERT_TRUE(dock.LoadModule(harness::ModulePath()));
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = DockletWindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = WINDOW_CLASS;
    ASSERT_NE(RegisterClassExW(&windowClass), 0);

    const std::string ini = harness::TempFolder() + "threads.ini";
    std::string content;
    for (int i = 0; i < THREADS; ++i)
        content += "[" + Section(i) + "]\n" + SETTINGS[i].keys;
    ASSERT_TRUE(harness::WriteFile(ini, content));

    harness::Pixels firstOverlays[THREADS];
    SIZE_T heapAfterWarmUp = 0;
    for (int roundIndex = 0; roundIndex < ROUNDS && !HasFatalFailure(); ++roundIndex) {
        if (roundIndex == WARM_UP_ROUNDS)
            heapAfterWarmUp = dockhost::HeapBytesInUse();
        SCOPED_TRACE("round " + std::to_string(roundIndex));
        Round round;
        round.entry = &dock.Entry();
        round.module = dock.Module();
        round.ini = ini;
        round.contenders[0] = roundIndex % THREADS;
        round.contenders[1] = (roundIndex + 1) % THREADS;
        round.start = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        round.sheetOpen = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        ThreadResult results[THREADS];
        std::vector<std::thread> threads;
        for (int i = 0; i < THREADS; ++i)
            threads.emplace_back(RunDocklet, std::ref(round), i, std::ref(results[i]));
        SetEvent(round.start); // all at once
        for (std::thread& thread : threads)
            thread.join();
        CloseHandle(round.start);
        CloseHandle(round.sheetOpen);

        EXPECT_TRUE(EveryHeapValid()) << "a heap was damaged";
        const ThreadResult& first = results[round.contenders[0]];
        const ThreadResult& second = results[round.contenders[1]];
        EXPECT_EQ(first.configureResult, 0);
        EXPECT_EQ(second.configureResult, 0);
        EXPECT_NE(first.hadTheSheet, second.hadTheSheet) << "one sheet for the module, used to the end";
        const ThreadResult& loser = first.hadTheSheet ? second : first;
        EXPECT_EQ(loser.sheetsSeen, 1) << "sheets open while the other docklet's was";
        for (int i = 0; i < THREADS; ++i)
            CheckDocklet(i, results[i], ini, firstOverlays[i]);

        // What the host kept of this round goes, the overlays deleted as the dock deletes them.
        dockhost::HostServices& host = dockhost::Services();
        for (const ThreadResult& result : results)
            host.views.erase(result.hwnd);
        std::vector<dockhost::ServiceCall>().swap(host.calls);
    }
    // The driver was started once for the process, and no two calls were in
    // it at once.
    EXPECT_EQ(harness::DriverCallCount("init"), 1);
    EXPECT_EQ(harness::DriverCallCount("overlaps"), 0) << "calls from two docklets inside the driver at once";

    const long long heapGrowth =
        static_cast<long long>(dockhost::HeapBytesInUse()) - static_cast<long long>(heapAfterWarmUp);
    printf("[ figures  ] %d rounds of %d docklets on threads of their own, %d ticks each, a sheet open in each: "
           "heap %+lld bytes over the last %d rounds\n",
           ROUNDS, THREADS, TICKS, heapGrowth, ROUNDS - WARM_UP_ROUNDS);
    // Each sheet leaves Wine's version 6 common controls some 500 bytes.
    EXPECT_LT(heapGrowth, 64 * 1024) << "heap kept by the rounds";
    UnregisterClassW(WINDOW_CLASS, GetModuleHandleW(nullptr));
}
