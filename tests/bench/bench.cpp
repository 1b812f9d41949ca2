// The benchmark: runs vennet.exe as a user would and measures what the user
// waits for and what the utility costs the machine, beside a floor program
// that does only the 10 ms poll of 255 keys. Prints a Markdown table of
// medians and 95th percentiles and writes it to the file named by the first
// argument. It fails only when it cannot measure.
//
//   vennet_bench.exe <table.md> [trials]
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/names.h"
#include "tests/e2e/driver.h"

using namespace e2e;

namespace {

int trials = 10;

struct Row {
    std::string what;
    std::string unit;
    std::vector<double> samples;
};
std::vector<Row> rows;

double percentile(std::vector<double> v, double p) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const double at = p * (v.size() - 1);
    const auto lo = static_cast<std::size_t>(at);
    const auto hi = std::min(lo + 1, v.size() - 1);
    return v[lo] + (v[hi] - v[lo]) * (at - lo);
}

void add(const std::string& what, const std::string& unit, std::vector<double> samples) {
    rows.push_back({what, unit, std::move(samples)});
    const Row& r = rows.back();
    std::printf("%-58s median %10.2f  p95 %10.2f %s  (n=%zu)\n", r.what.c_str(),
                percentile(r.samples, 0.5), percentile(r.samples, 0.95), r.unit.c_str(),
                r.samples.size());
    std::fflush(stdout);
}

[[noreturn]] void cannot(const std::string& why) {
    std::fprintf(stderr, "cannot measure: %s\n", why.c_str());
    std::exit(2);
}

bool waitFor(const std::function<bool()>& done, int timeoutMs) {
    const double end = nowMs() + timeoutMs;
    while (nowMs() < end) {
        if (done()) return true;
        Sleep(1);
    }
    return done();
}

HWND visibleBox(DWORD pid) {
    for (HWND w : topLevelWindows(pid, L"#32770"))
        if (IsWindowVisible(w)) return w;
    return nullptr;
}

void closeBoxes(DWORD pid) {
    for (HWND w : topLevelWindows(pid, L"#32770")) PostMessageW(w, WM_COMMAND, IDCANCEL, 0);
    waitFor([&] { return visibleBox(pid) == nullptr; }, 5000);
}

HWND mainWindowOf(const Process& p) {
    HWND w = nullptr;
    waitFor(
        [&] {
            w = p.window(names::kMainWindowClass);
            return w && IsWindowVisible(w);
        },
        10000);
    return w;
}

void setText(HWND control, const wchar_t* text) {
    DWORD_PTR r;
    SendMessageTimeoutW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                        2000, &r);
}

HWND control(HWND main, ControlName c) { return childById(main, names::controlId(c)); }

// Wine does not report another process's processor times, so they are read
// from the host's /proc: the host process whose command line names the exe
// and whose environment holds our Wine prefix.
std::wstring hostProcDir(const std::wstring& exeName) {
    wchar_t prefix[1024] = L"";
    GetEnvironmentVariableW(L"WINEPREFIX", prefix, 1024);
    const std::string wantExe = toCp936(exeName);
    const std::string wantPrefix = "WINEPREFIX=" + toCp936(prefix);
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW(L"Z:\\proc\\*", &found);
    if (find == INVALID_HANDLE_VALUE) return std::wstring();
    std::wstring result;
    do {
        if (found.cFileName[0] < L'0' || found.cFileName[0] > L'9') continue;
        const std::wstring dir = std::wstring(L"Z:\\proc\\") + found.cFileName + L"\\";
        if (readHostFile(dir + L"cmdline").find(wantExe) == std::string::npos) continue;
        if (readHostFile(dir + L"environ").find(wantPrefix) == std::string::npos) continue;
        result = dir;
    } while (result.empty() && FindNextFileW(find, &found));
    FindClose(find);
    return result;
}

// utime + stime of a host process, in ms (the host counts 100 ticks a second).
double hostCpuMs(const std::wstring& procDir) {
    const std::string stat = readHostFile(procDir + L"stat");
    const auto close = stat.rfind(')');
    if (close == std::string::npos) return -1;
    std::istringstream fields(stat.substr(close + 2));
    std::string f;
    double utime = 0, stime = 0;
    for (int i = 3; fields >> f; ++i) {
        if (i == 14) utime = std::atof(f.c_str());
        if (i == 15) {
            stime = std::atof(f.c_str());
            break;
        }
    }
    return (utime + stime) * 10.0;
}

// Processor time the process used per second of wall time, one sample per
// second.
std::vector<double> cpuPerSecond(const std::wstring& exeName, int seconds) {
    const std::wstring dir = hostProcDir(exeName);
    if (dir.empty()) cannot("the host process of " + toCp936(exeName) + " was not found");
    std::vector<double> out;
    auto total = [&] { return hostCpuMs(dir); };
    for (int s = 0; s < seconds; ++s) {
        const double t0 = nowMs(), c0 = total();
        Sleep(1000);
        out.push_back((total() - c0) / (nowMs() - t0) * 1000.0);
    }
    return out;
}

struct Memory {
    double workingSetKb, privateKb;
};
std::wstring hostProcDir(const std::wstring& exeName);
// Resident and private (anonymous resident) memory of the host process, as
// Wine reports neither for another process.
Memory memoryOf(const std::wstring& exeName) {
    const std::string status = readHostFile(hostProcDir(exeName) + L"status");
    auto field = [&](const char* name) {
        const auto at = status.find(name);
        return at == std::string::npos ? 0.0 : std::atof(status.c_str() + at + std::strlen(name));
    };
    return {field("VmRSS:"), field("RssAnon:")};
}

// Picks notepad by dragging from the picture to its title bar, with the
// idle limit at 0 so that the lock begins at the next tick.
HWND lockOnNotepad(const Process& vennet, const Process& notepad) {
    HWND main = mainWindowOf(vennet);
    HWND pad = nullptr;
    waitFor(
        [&] {
            pad = notepad.window(L"Notepad");
            return pad && IsWindowVisible(pad);
        },
        10000);
    if (!main || !pad) cannot("vennet or notepad did not come up");
    SetWindowPos(pad, HWND_TOP, 600, 20, 380, 200, SWP_SHOWWINDOW);
    setText(control(main, ControlName::编辑框2), L"0");
    SetForegroundWindow(main);
    const POINT from = clientToScreen(control(main, ControlName::图片框1), 64, 64);
    drag(from.x, from.y, 780, 30);
    waitFor([&] { return visibleBox(vennet.pid()) != nullptr; }, 5000);
    closeBoxes(vennet.pid());
    if (!waitFor([&] { return !IsWindowVisible(pad) && !IsWindowVisible(main); }, 10000))
        cannot("the lock did not begin");
    return pad;
}

// Shows a hidden window from outside and times how long it stays visible.
std::vector<double> rehide(HWND window) {
    std::vector<double> out;
    for (int i = 0; i < trials * 2; ++i) {
        ShowWindow(window, SW_SHOWNA);
        const double t0 = nowMs();
        while (IsWindowVisible(window) && nowMs() - t0 < 5000) {
        }
        out.push_back(nowMs() - t0);
        Sleep(20);
    }
    return out;
}

// F2 key-down until a box of vennet's is on the screen.
std::vector<double> f2ToBox(DWORD pid) {
    std::vector<double> out;
    for (int i = 0; i < trials; ++i) {
        const double t0 = nowMs();
        keyDown(VK_F2);
        const bool shown = waitFor([&] { return visibleBox(pid) != nullptr; }, 5000);
        const double t1 = nowMs();
        keyUp(VK_F2);
        if (!shown) cannot("F2 opened no box");
        out.push_back(t1 - t0);
        closeBoxes(pid);
        Sleep(100);
    }
    return out;
}

std::string machine() {
    std::ostringstream s;
    SYSTEM_INFO si;
    GetNativeSystemInfo(&si);
    s << si.dwNumberOfProcessors << " processors";
    HKEY key;
    wchar_t cpu[128] = L"";
    DWORD size = sizeof cpu;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0", 0,
                      KEY_READ, &key) == ERROR_SUCCESS) {
        RegQueryValueExW(key, L"ProcessorNameString", nullptr, nullptr,
                         reinterpret_cast<BYTE*>(cpu), &size);
        RegCloseKey(key);
    }
    s << ", " << toUtf8(cpu);
    using WineVersion = const char*(CDECL*)();
    if (auto v = reinterpret_cast<WineVersion>(reinterpret_cast<void*>(
            GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version"))))
        s << ", Wine " << v();
    s << ", " << (sizeof(void*) == 8 ? "PE32+ build" : "PE32 build");
    return s.str();
}

std::wstring besideMe(const wchar_t* name) {
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring p = path;
    return p.substr(0, p.find_last_of(L"\\/") + 1) + name;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) cannot("usage: vennet_bench <table.md> [trials]");
    if (argc > 2) trials = std::max(3, std::atoi(argv[2]));
    if (vennetExe().empty()) cannot("VENNET_EXE is not set");

    // Start-up: process start to MainWindow on the screen.
    {
        std::vector<double> startup;
        for (int i = 0; i < trials; ++i) {
            Process v(vennetExe());
            if (!mainWindowOf(v)) cannot("MainWindow did not appear");
            startup.push_back(nowMs() - v.startedAtMs());
        }
        add("start-up: process start to MainWindow shown", "ms", startup);
    }

    // Idle: F2 to the "not locked" box, and the cost of the idle tick and poll.
    Memory idleMemory{};
    {
        Process v(vennetExe());
        HWND main = mainWindowOf(v);
        if (!main) cannot("MainWindow did not appear");
        Sleep(1000);
        add("idle: processor time per second of wall time", "ms/s", cpuPerSecond(L"vennet.exe", trials));
        idleMemory = memoryOf(L"vennet.exe");
        add("idle: F2 key-down to the \"not locked\" box shown", "ms", f2ToBox(v.pid()));
    }

    // Locked on notepad.
    Memory lockedMemory{};
    {
        Process v(vennetExe());
        Process pad(L"C:\\windows\\system32\\notepad.exe");
        HWND target = lockOnNotepad(v, pad);
        HWND main = v.window(names::kMainWindowClass);
        add("locked: target shown by another program, until hidden again", "ms", rehide(target));
        add("locked: MainWindow shown by another program, until hidden again", "ms", rehide(main));
        add("locked: processor time per second of wall time", "ms/s",
            cpuPerSecond(L"vennet.exe", trials));
        lockedMemory = memoryOf(L"vennet.exe");
        add("locked: F2 key-down to the password prompt shown", "ms", f2ToBox(v.pid()));
    }

    // The floor: only the poll.
    Memory floorMemory{};
    std::vector<double> floorCpu;
    {
        Process f(besideMe(L"poll_floor.exe"));
        if (!waitFor([&] { return !topLevelWindows(f.pid()).empty(); }, 10000))
            cannot("poll_floor did not start");
        Sleep(1000);
        floorCpu = cpuPerSecond(L"poll_floor.exe", trials);
        add("floor (255-key poll every 10 ms only): processor time per second", "ms/s", floorCpu);
        floorMemory = memoryOf(L"poll_floor.exe");
    }

    // Exe size.
    WIN32_FILE_ATTRIBUTE_DATA attributes{};
    GetFileAttributesExW(vennetExe().c_str(), GetFileExInfoStandard, &attributes);
    const double exeKb = attributes.nFileSizeLow / 1024.0;

    std::ostringstream md;
    md << "# Vennet benchmark\n\n";
    md << "Machine: " << machine() << ". Trials per figure: " << trials << ".\n\n";
    md << "| measure | median | 95th percentile | unit | samples |\n|---|---:|---:|---|---:|\n";
    char line[256];
    for (const Row& r : rows) {
        std::snprintf(line, sizeof line, "| %s | %.2f | %.2f | %s | %zu |\n", r.what.c_str(),
                      percentile(r.samples, 0.5), percentile(r.samples, 0.95), r.unit.c_str(),
                      r.samples.size());
        md << line;
    }
    md << "\n| memory | resident (KiB) | private, anonymous resident (KiB) |\n|---|---:|---:|\n";
    std::snprintf(line, sizeof line, "| Vennet idle | %.0f | %.0f |\n| Vennet locked | %.0f | %.0f |\n"
                  "| floor | %.0f | %.0f |\n",
                  idleMemory.workingSetKb, idleMemory.privateKb, lockedMemory.workingSetKb,
                  lockedMemory.privateKb, floorMemory.workingSetKb, floorMemory.privateKb);
    md << line;
    const double idleMedian = percentile(rows[1].samples, 0.5);
    const double floorMedian = percentile(floorCpu, 0.5);
    std::snprintf(line, sizeof line,
                  "\nIdle processor time relative to the floor: %.2f x. Executable: %.0f KiB.\n",
                  floorMedian > 0 ? idleMedian / floorMedian : 0.0, exeKb);
    md << line;
    std::printf("%s", md.str().c_str());
    std::ofstream(argv[1]) << md.str();
    return 0;
}
