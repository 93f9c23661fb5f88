// Drives a running Pictor from outside, as a user would: pointer moves and key releases with SendInput,
// edits set with WM_SETTEXT. Used by the benchmark, soak and demo scripts.
//
//   pictor_driver snapshot RUNS WIDTH HEIGHT [green]
//                                              time W releases: input held, PNG complete, thumbnail shown;
//                                              with green, over a 60 x 2 bar of the ring's green under the
//                                              ring's top line
//   pictor_driver soak COUNT                   COUNT snapshots, each file checked, resource use followed
//   pictor_driver burst COUNT                  COUNT full-screen releases at once, files and memory checked
//   pictor_driver pointer MOVES                process CPU time of the hook processes for MOVES moves
//   pictor_driver folder RUNS                  pointer moves held while "Öffne Zielordner" runs, against idle
//   pictor_driver demo                         one snapshot over the main window, then quit
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "app/imaging.h"
#include "toolkit/dib_section.h"
#include "bench/subject_window.h"

namespace {

struct pictor_windows {
    DWORD process_id = 0;
    HWND main = nullptr;
    HWND frame = nullptr;
    std::vector<HWND> edits;  // width, height, subfolder
};

BOOL CALLBACK collect_edit(HWND child, LPARAM context)
{
    wchar_t name[32] = {};
    GetClassNameW(child, name, 32);
    if (_wcsicmp(name, L"Edit") == 0)
        reinterpret_cast<std::vector<HWND>*>(context)->push_back(child);
    return TRUE;
}

bool find_pictor(pictor_windows& pictor, DWORD timeout_ms)
{
    const ULONGLONG deadline = GetTickCount64() + timeout_ms;
    do {
        pictor.main = FindWindowW(L"Pictor.MainWindow", nullptr);
        pictor.frame = FindWindowW(L"Pictor.FrameWindow", nullptr);
        pictor.edits.clear();
        if (pictor.main != nullptr)
            EnumChildWindows(pictor.main, collect_edit, reinterpret_cast<LPARAM>(&pictor.edits));
        if (pictor.main != nullptr && pictor.frame != nullptr && pictor.edits.size() >= 3) {
            GetWindowThreadProcessId(pictor.main, &pictor.process_id);
            return true;
        }
        Sleep(50);
    } while (GetTickCount64() < deadline);
    return false;
}

void set_text(HWND edit, const wchar_t* text)
{
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text), SMTO_NORMAL, 5000, &ignored);
}

void move_pointer(int x, int y)
{
    INPUT input{};
    input.type = INPUT_MOUSE;
    const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    input.mi.dx = static_cast<LONG>((static_cast<long long>(x) * 65536 + width - 1) / width);
    input.mi.dy = static_cast<LONG>((static_cast<long long>(y) * 65536 + height - 1) / height);
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &input, sizeof(input));
}

void send_key(WORD vk, bool up)
{
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = vk;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    SendInput(1, &input, sizeof(input));
}

// Under Wine, GetCursorPos answers with the injected position only for a short while (then it asks the
// display, whose pointer injected moves do not move), so the pointer is placed again right before W.
void release_w_at(POINT pointer)
{
    move_pointer(pointer.x, pointer.y);
    send_key(0x57, false);
    send_key(0x57, true);
}

double now_ms()
{
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

std::wstring snapshot_folder(const wchar_t* subfolder)
{
    wchar_t pictures[MAX_PATH] = {};
    PWSTR known = nullptr;
    std::wstring folder;
    static const GUID pictures_id = {0x33E28130, 0x4E1E, 0x4676, {0x83, 0x5A, 0x98, 0x39, 0x5C, 0x3B, 0xC3, 0xBB}};
    using get_known_folder = HRESULT(WINAPI*)(REFGUID, DWORD, HANDLE, PWSTR*);
    auto get = reinterpret_cast<get_known_folder>(
        reinterpret_cast<void*>(GetProcAddress(LoadLibraryW(L"shell32.dll"), "SHGetKnownFolderPath")));
    if (get != nullptr && SUCCEEDED(get(pictures_id, 0, nullptr, &known))) {
        wcsncpy(pictures, known, MAX_PATH - 1);
        CoTaskMemFree(known);
        folder = std::wstring(pictures) + L"\\Pictor";
        if (subfolder != nullptr && *subfolder != 0)
            folder += std::wstring(L"\\") + subfolder;
    }
    return folder;
}

std::set<std::wstring> png_files(const std::wstring& folder)
{
    std::set<std::wstring> names;
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW((folder + L"\\*.png").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do
        names.insert(found.cFileName);
    while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

// Waits for a file not in before that the writer has finished; empty on timeout.
std::wstring wait_for_new_file(const std::wstring& folder, const std::set<std::wstring>& before, DWORD timeout_ms)
{
    const ULONGLONG deadline = GetTickCount64() + timeout_ms;
    do {
        for (const auto& name : png_files(folder)) {
            if (before.count(name))
                continue;
            const std::wstring path = folder + L"\\" + name;
            HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
            if (file != INVALID_HANDLE_VALUE) {
                CloseHandle(file);
                return name;
            }
        }
        Sleep(1);
    } while (GetTickCount64() < deadline);
    return std::wstring();
}

// Sets the frame size through the edits and puts the pointer where the frame covers the given rectangle.
POINT frame_at(const pictor_windows& pictor, int left, int top, int width, int height, const wchar_t* subfolder)
{
    set_text(pictor.edits[0], std::to_wstring(width).c_str());
    set_text(pictor.edits[1], std::to_wstring(height).c_str());
    set_text(pictor.edits[2], subfolder);
    const POINT pointer{left + width / 2, top + height / 2};
    move_pointer(pointer.x, pointer.y);
    Sleep(200);
    return pointer;
}

// The preview control: the child of the main window that is neither an edit nor a button and is square.
HWND find_preview(HWND main)
{
    for (HWND child = GetWindow(GetWindow(main, GW_CHILD), GW_HWNDFIRST); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        RECT rect{};
        GetClientRect(child, &rect);
        if (rect.right >= 100 && rect.right == rect.bottom)
            return child;
    }
    return nullptr;
}

// A fingerprint of what the screen shows over a window.
std::uint64_t screen_fingerprint(HWND window)
{
    RECT rect{};
    GetWindowRect(window, &rect);
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    std::uint32_t* pixels = nullptr;
    kite::unique_bitmap bitmap = kite::top_down_dib(width, height, pixels);
    const kite::window_dc screen(nullptr);
    kite::unique_memory_dc memory(CreateCompatibleDC(screen.get()));
    std::uint64_t hash = 1469598103934665603ull;
    if (!bitmap || !memory)
        return hash;
    const HGDIOBJ previous = SelectObject(memory.get(), bitmap.get());
    BitBlt(memory.get(), 0, 0, width, height, screen.get(), rect.left, rect.top, SRCCOPY);
    GdiFlush();
    for (int i = 0; i < width * height; ++i)
        hash = (hash ^ (pixels[i] & 0x00FFFFFFu)) * 1099511628211ull;
    SelectObject(memory.get(), previous);
    return hash;
}

struct snapshot_timing {
    double key_up = 0;        // W's key-up held by the hooks (SendInput returns once they have run)
    double moves_after = 0;   // the longest of five pointer moves sent right after the key-up
    double moves_during = 0;  // the longest pointer move sent while the snapshot was copied and written
    double moves_idle = 0;    // the longest of the same moves with no snapshot under way
    double to_copy = 0;       // key-up to the frame hidden for the copy of the screen
    double file = 0;          // key-up to the PNG complete under its name
    double thumbnail = 0;     // key-up to the preview showing the new thumbnail
};

// The longest SendInput of count pointer moves around the pointer, one every 2 ms.
double longest_moves(POINT pointer, int count)
{
    double longest = 0;
    for (int i = 1; i <= count; ++i) {
        const double sent = now_ms();
        move_pointer(pointer.x + (i % 2), pointer.y);
        longest = std::max(longest, now_ms() - sent);
        Sleep(2);
    }
    move_pointer(pointer.x, pointer.y);
    return longest;
}

// One W release with pointer moves right after it and all through it; false when no file or no new
// thumbnail came. Threads of their own watch for the frame to hide (the copy), the file and the thumbnail
// from the key-up on, so that a program which holds the key-up until it is done is timed by when its file
// is complete, not by when SendInput returned.
bool time_one_snapshot(const pictor_windows& pictor, HWND preview, POINT pointer, const std::wstring& folder,
                       snapshot_timing& timing)
{
    const auto before = png_files(folder);
    const std::uint64_t shown = screen_fingerprint(preview);
    timing = snapshot_timing();
    timing.moves_idle = longest_moves(pointer, 10);
    move_pointer(pointer.x, pointer.y);
    send_key(0x57, false);
    std::wstring name;
    std::atomic<bool> done{false}, written{false};
    const double start = now_ms();
    std::thread copy_watcher([&] {
        while (!done && timing.to_copy == 0) {
            if (!IsWindowVisible(pictor.frame))
                timing.to_copy = now_ms() - start;
            Sleep(0);
        }
    });
    std::thread watcher([&] {
        unsigned polls = 0;
        while (now_ms() - start < 15000 && (timing.file == 0 || timing.thumbnail == 0)) {
            if (timing.file == 0) {
                name = wait_for_new_file(folder, before, 0);
                if (!name.empty()) {
                    timing.file = now_ms() - start;
                    written = true;
                }
            }
            // The screen is read less often than the folder: every read is work for the display too.
            if (timing.thumbnail == 0 && ++polls % 10 == 0 && screen_fingerprint(preview) != shown)
                timing.thumbnail = now_ms() - start;
            Sleep(1);
        }
        done = true;
    });
    send_key(0x57, true);
    timing.key_up = now_ms() - start;
    timing.moves_after = longest_moves(pointer, 5);
    while (!done && !written) {
        const double sent = now_ms();
        move_pointer(pointer.x + 1, pointer.y);
        move_pointer(pointer.x, pointer.y);
        timing.moves_during = std::max(timing.moves_during, (now_ms() - sent) / 2);
        Sleep(2);
    }
    watcher.join();
    done = true;
    copy_watcher.join();
    if (!name.empty())
        DeleteFileW((folder + L"\\" + name).c_str());
    return timing.file > 0 && timing.thumbnail > 0;
}

// A 60 x 2 bar of the ring's green exactly under the top line of the frame at (left, top), in the middle
// of the subject window, in the subject's client coordinates.
RECT green_bar_under_ring(const RECT& place, int top)
{
    const int middle = (place.right - place.left) / 2;
    return RECT{middle - 30, top - place.top, middle + 30, top - place.top + 2};
}

int snapshot_bench(const pictor_windows& pictor, int runs, int width, int height, bool green)
{
    // A size of 0 stands for the whole work area.
    RECT area{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    RECT main{};
    GetWindowRect(pictor.main, &main);
    // The subject lies beside the main window, so the preview stays in sight.
    const RECT place{main.right + 10, area.top, area.right, area.bottom};
    int left = area.left, top = area.top;
    if (width <= 0 || height <= 0) {
        width = area.right - area.left;
        height = area.bottom - area.top;
    } else {
        left = (place.left + place.right - width) / 2;
        top = (place.top + place.bottom - height) / 2;
    }
    subject_window subject(place);
    HWND preview = find_preview(pictor.main);
    if (!subject.ready() || preview == nullptr) {
        std::printf("no subject window or no preview\n");
        return 1;
    }
    if (green)
        subject.show_green_bar(green_bar_under_ring(place, top));
    const wchar_t* subfolder = L"bench";
    const POINT pointer = frame_at(pictor, left, top, width, height, subfolder);
    std::printf("rect %d %d %d %d\n", left, top, width, height);
    const std::wstring folder = snapshot_folder(subfolder);
    std::vector<double> held, key_up, after, during, idle, to_copy, file, thumbnail;
    for (int run = 0; run <= runs; ++run) {
        subject.next_look();
        snapshot_timing timing;
        if (!time_one_snapshot(pictor, preview, pointer, folder, timing)) {
            std::printf("run %d: no file or no thumbnail\n", run);
            return 1;
        }
        if (run == 0)  // warm-up, not counted
            continue;
        held.push_back(std::max(timing.key_up, timing.moves_after));
        key_up.push_back(timing.key_up);
        after.push_back(timing.moves_after);
        during.push_back(timing.moves_during);
        idle.push_back(timing.moves_idle);
        if (timing.to_copy > 0)
            to_copy.push_back(timing.to_copy);
        file.push_back(timing.file);
        thumbnail.push_back(timing.thumbnail);
    }
    std::printf("pictor %dx%d%s, medians of %d: W key-up held %.2f ms (longest %.1f); longest pointer move right "
                "after %.2f ms, during the snapshot %.2f ms, idle %.2f ms; key-up to copy %.2f ms (%zu seen); "
                "key-up to file %.1f ms, to thumbnail %.1f ms\n",
                width, height, green ? " over green on the ring's line" : "", runs, median(key_up),
                *std::max_element(key_up.begin(), key_up.end()), median(after), median(during), median(idle),
                median(to_copy), to_copy.size(), median(file), median(thumbnail));
    std::printf("pictor-median-ms %dx%d %.2f\n", width, height, median(file));
    std::printf("pictor-held-median-ms %dx%d %.2f\n", width, height, median(held));
    std::printf("pictor-key-up-median-ms %dx%d %.2f\n", width, height, median(key_up));
    return 0;
}

struct resource_use {
    DWORD gdi = 0;
    DWORD user = 0;
    DWORD handles = 0;
    SIZE_T private_bytes = 0;
};

resource_use measure(HANDLE process)
{
    resource_use use;
    use.gdi = GetGuiResources(process, GR_GDIOBJECTS);
    use.user = GetGuiResources(process, GR_USEROBJECTS);
    GetProcessHandleCount(process, &use.handles);
    PROCESS_MEMORY_COUNTERS_EX memory{};
    // Some systems leave PrivateUsage at 0; the page-file usage is the same commit charge there.
    if (GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof(memory)))
        use.private_bytes = memory.PrivateUsage != 0 ? memory.PrivateUsage : memory.PagefileUsage;
    return use;
}

bool valid_png(const std::wstring& path, int width, int height)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    unsigned char signature[8] = {};
    DWORD read = 0;
    if (file != INVALID_HANDLE_VALUE) {
        ReadFile(file, signature, 8, &read, nullptr);
        CloseHandle(file);
    }
    static const unsigned char png[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (read != 8 || std::memcmp(signature, png, 8) != 0)
        return false;
    imaging_factory factory;
    wic_image image(factory);
    if (!image.load(path))
        return false;
    UINT w = 0, h = 0;
    image.image.get()->GetSize(&w, &h);
    return static_cast<int>(w) == width && static_cast<int>(h) == height;
}

int soak(const pictor_windows& pictor, int count)
{
    const int width = 320, height = 200;
    const wchar_t* subfolder = L"soak";
    const POINT pointer = frame_at(pictor, 600, 300, width, height, subfolder);
    const std::wstring folder = snapshot_folder(subfolder);
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pictor.process_id);
    if (process == nullptr) {
        std::printf("cannot open Pictor's process\n");
        return 1;
    }
    resource_use first{}, warm{};
    int invalid = 0;
    for (int i = 0; i < count; ++i) {
        const auto before = png_files(folder);
        release_w_at(pointer);
        const std::wstring name = wait_for_new_file(folder, before, 10000);
        if (name.empty() || !valid_png(folder + L"\\" + name, width, height)) {
            ++invalid;
            std::printf("snapshot %d: %s\n", i, name.empty() ? "no file" : "not a PNG of the frame's size");
        }
        if (!name.empty())
            DeleteFileW((folder + L"\\" + name).c_str());
        if (i == 0)
            first = measure(process);
        if (i == 19)
            warm = measure(process);
        if ((i + 1) % 100 == 0) {
            const resource_use now = measure(process);
            std::printf("after %4d: GDI objects %lu, USER objects %lu, handles %lu, private bytes %lu KiB\n", i + 1,
                        now.gdi, now.user, now.handles, static_cast<unsigned long>(now.private_bytes / 1024));
        }
    }
    const resource_use last = measure(process);
    CloseHandle(process);
    std::printf("first: GDI %lu, USER %lu, handles %lu, private %lu KiB\n", first.gdi, first.user, first.handles,
                static_cast<unsigned long>(first.private_bytes / 1024));
    std::printf("last:  GDI %lu, USER %lu, handles %lu, private %lu KiB\n", last.gdi, last.user, last.handles,
                static_cast<unsigned long>(last.private_bytes / 1024));
    // After a warm-up of 20 snapshots nothing may keep growing with the number of snapshots.
    const bool gdi_flat = last.gdi <= warm.gdi;
    const bool user_flat = last.user <= warm.user;
    const bool handles_flat = last.handles <= warm.handles + 2;
    const bool memory_flat = last.private_bytes <= warm.private_bytes + 4 * 1024 * 1024;
    std::printf("invalid files: %d of %d\n", invalid, count);
    std::printf("growth after warm-up: GDI %+ld, USER %+ld, handles %+ld, private %+ld KiB\n",
                static_cast<long>(last.gdi) - static_cast<long>(warm.gdi),
                static_cast<long>(last.user) - static_cast<long>(warm.user),
                static_cast<long>(last.handles) - static_cast<long>(warm.handles),
                static_cast<long>((static_cast<long long>(last.private_bytes) - warm.private_bytes) / 1024));
    // A measure the system does not answer (all zero) proves nothing; at least memory must be answered.
    if (last.gdi == 0 && last.user == 0)
        std::printf("GDI and USER object counts: not answered by this system\n");
    if (last.handles == 0)
        std::printf("handle count: not answered by this system\n");
    const bool measured = last.private_bytes != 0;
    if (!measured)
        std::printf("private bytes: not answered by this system\n");
    const bool passed = invalid == 0 && measured && gdi_flat && user_flat && handles_flat && memory_flat;
    std::printf("soak: %s\n", passed ? "passed" : "FAILED");
    return passed ? 0 : 1;
}

// COUNT full-screen releases in a row, faster than the files can be written: every file must arrive as a PNG
// of the frame's size, and the memory must go back to its level before the burst.
int burst(const pictor_windows& pictor, int count)
{
    RECT area{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    const int width = area.right - area.left, height = area.bottom - area.top;
    const wchar_t* subfolder = L"burst";
    const POINT pointer = frame_at(pictor, area.left, area.top, width, height, subfolder);
    const std::wstring folder = snapshot_folder(subfolder);
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pictor.process_id);
    if (process == nullptr) {
        std::printf("cannot open Pictor's process\n");
        return 1;
    }
    // One snapshot first, so that the imaging component is loaded before the level is taken.
    auto known = png_files(folder);
    release_w_at(pointer);
    const std::wstring warm_up = wait_for_new_file(folder, known, 20000);
    Sleep(1000);
    const resource_use before = measure(process);

    known = png_files(folder);
    const double start = now_ms();
    for (int i = 0; i < count; ++i)
        release_w_at(pointer);
    const double released = now_ms() - start;
    const resource_use peak = measure(process);
    std::set<std::wstring> fresh;
    const double deadline = now_ms() + 120000;
    while (static_cast<int>(fresh.size()) < count && now_ms() < deadline) {
        // A snapshot appears under its name only once it is complete.
        for (const auto& name : png_files(folder))
            if (known.count(name) == 0)
                fresh.insert(name);
        Sleep(20);
    }
    const double written = now_ms() - start;
    int invalid = 0;
    for (const auto& name : fresh)
        if (!valid_png(folder + L"\\" + name, width, height))
            ++invalid;
    Sleep(2000);
    const resource_use after = measure(process);
    CloseHandle(process);
    for (const auto& name : fresh)
        DeleteFileW((folder + L"\\" + name).c_str());
    if (!warm_up.empty())
        DeleteFileW((folder + L"\\" + warm_up).c_str());

    const long kib = 1024;
    std::printf("burst of %d at %dx%d: released in %.0f ms, all written after %.0f ms\n", count, width, height,
                released, written);
    std::printf("burst files: %zu of %d, invalid %d\n", fresh.size(), count, invalid);
    std::printf("burst private bytes: before %ld KiB, right after the releases %ld KiB, 2 s after the last file "
                "%ld KiB\n",
                static_cast<long>(before.private_bytes / kib), static_cast<long>(peak.private_bytes / kib),
                static_cast<long>(after.private_bytes / kib));
    const bool measured = before.private_bytes != 0;
    const bool returned = after.private_bytes <= before.private_bytes + 8 * 1024 * 1024;
    const bool passed = static_cast<int>(fresh.size()) == count && invalid == 0 && measured && returned;
    std::printf("burst: %s\n", passed ? "passed" : "FAILED");
    return passed ? 0 : 1;
}

double cpu_ms(HANDLE process)
{
    FILETIME created, ended, kernel, user;
    if (!GetProcessTimes(process, &created, &ended, &kernel, &user))
        return 0;
    auto ms = [](const FILETIME& t) {
        return static_cast<double>((static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 10000.0;
    };
    return ms(kernel) + ms(user);
}

// CPU time a process spends on MOVES pointer moves.
int pointer_cost(DWORD process_id, int moves, const char* label)
{
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, process_id);
    if (process == nullptr)
        return 1;
    const double before = cpu_ms(process);
    const double start = now_ms();
    for (int i = 0; i < moves; ++i)
        move_pointer(200 + i % 800, 200 + (i * 7) % 600);
    const double elapsed = now_ms() - start;
    Sleep(200);
    const double spent = cpu_ms(process) - before;
    CloseHandle(process);
    std::printf("%s: %d moves, process CPU %.1f ms (%.2f us per move), wall %.0f ms\n", label, moves, spent,
                spent * 1000.0 / moves, elapsed);
    std::printf("cpu-us-per-move %s %.3f\n", label, spent * 1000.0 / moves);
    return 0;
}

int demo(const pictor_windows&)
{
    // The frame over a window of another program, here the text editor the script opened. Under Wine a
    // program's screen copy shows its own windows black, so Pictor's own form would be a poor subject.
    HWND subject = nullptr;
    for (int tries = 0; tries < 100 && subject == nullptr; ++tries) {
        subject = FindWindowW(L"Notepad", nullptr);
        Sleep(100);
    }
    int x = 960, y = 540;
    RECT area{};
    if (subject != nullptr && GetWindowRect(subject, &area)) {
        x = (area.left + area.right) / 2;
        y = (area.top + area.bottom) / 2;
    }
    const std::wstring folder = snapshot_folder(nullptr);
    const auto before = png_files(folder);
    move_pointer(x, y);
    Sleep(500);
    release_w_at(POINT{x, y});
    const std::wstring name = wait_for_new_file(folder, before, 10000);
    if (name.empty()) {
        std::printf("no snapshot was written\n");
        return 1;
    }
    std::wprintf(L"%ls\\%ls\n", folder.c_str(), name.c_str());
    return 0;
}

struct window_census {
    DWORD skip_a;
    DWORD skip_b;
    std::vector<HWND> windows;
};

BOOL CALLBACK count_foreign_window(HWND window, LPARAM context)
{
    auto& census = *reinterpret_cast<window_census*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (IsWindowVisible(window) && owner != census.skip_a && owner != census.skip_b)
        census.windows.push_back(window);
    return TRUE;
}

std::vector<HWND> foreign_windows(DWORD pictor_process)
{
    window_census census{pictor_process, GetCurrentProcessId(), {}};
    EnumWindows(count_foreign_window, reinterpret_cast<LPARAM>(&census));
    return census.windows;
}

// The longest of a few pointer moves, each timed from SendInput to its return (after the hooks ran).
double longest_move_ms(int first_x)
{
    double longest = 0;
    for (int i = 0; i < 10; ++i) {
        const double start = now_ms();
        move_pointer(first_x + 15 * i, 500);
        longest = std::max(longest, now_ms() - start);
        Sleep(20);
    }
    return longest;
}

// Each run: pointer moves with nothing else going on, then the same moves right after "Öffne Zielordner" is
// chosen for a folder that does not exist yet. The folder window the shell opens is closed again.
int folder_bench(const pictor_windows& pictor, int runs)
{
    std::vector<double> idle, opening;
    for (int run = 0; run < runs; ++run) {
        const std::wstring subfolder = L"Bench-Ordner-" + std::to_wstring(run);
        const std::wstring folder = snapshot_folder(subfolder.c_str());
        RemoveDirectoryW(folder.c_str());
        set_text(pictor.edits[2], subfolder.c_str());
        const std::vector<HWND> before = foreign_windows(pictor.process_id);
        idle.push_back(longest_move_ms(600));
        PostMessageW(pictor.main, WM_COMMAND, MAKEWPARAM(4096, 0), 0);
        Sleep(20);
        opening.push_back(longest_move_ms(600));
        const ULONGLONG deadline = GetTickCount64() + 10000;
        while (GetFileAttributesW(folder.c_str()) == INVALID_FILE_ATTRIBUTES && GetTickCount64() < deadline)
            Sleep(20);
        for (int wait = 0; wait < 100; ++wait) {
            std::vector<HWND> fresh;
            for (HWND window : foreign_windows(pictor.process_id))
                if (std::find(before.begin(), before.end(), window) == before.end())
                    fresh.push_back(window);
            if (!fresh.empty()) {
                for (HWND window : fresh)
                    PostMessageW(window, WM_CLOSE, 0, 0);
                break;
            }
            Sleep(50);
        }
        Sleep(300);
        RemoveDirectoryW(folder.c_str());
        std::printf("run %d: longest move idle %.2f ms, while the folder opens %.2f ms\n", run, idle.back(),
                    opening.back());
    }
    set_text(pictor.edits[2], L"");
    std::printf("folder-idle-median-ms %.2f\n", median(idle));
    std::printf("folder-opening-median-ms %.2f\n", median(opening));
    std::printf("folder-opening-longest-ms %.2f\n", *std::max_element(opening.begin(), opening.end()));
    return 0;
}

// Releases Q and answers "Pictor beenden?" with Yes.
int quit(const pictor_windows& pictor)
{
    send_key(0x51, false);
    send_key(0x51, true);
    const ULONGLONG deadline = GetTickCount64() + 10000;
    while (GetTickCount64() < deadline) {
        HWND box = FindWindowW(L"#32770", L"Pictor");
        DWORD owner = 0;
        if (box != nullptr && GetWindowThreadProcessId(box, &owner) && owner == pictor.process_id) {
            PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDYES, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, IDYES)));
            return 0;
        }
        Sleep(50);
    }
    std::printf("the quit question did not appear\n");
    return 1;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2) {
        std::printf("usage: pictor_driver snapshot RUNS W H [green] | soak COUNT | burst COUNT | pointer MOVES [PID LABEL] | "
                    "folder RUNS | demo | quit\n");
        return 2;
    }
    const std::wstring mode = argv[1];
    if (mode == L"pointer" && argc >= 5) {
        char label[64] = {};
        WideCharToMultiByte(CP_UTF8, 0, argv[4], -1, label, sizeof(label) - 1, nullptr, nullptr);
        return pointer_cost(static_cast<DWORD>(_wtoi(argv[3])), _wtoi(argv[2]), label);
    }
    pictor_windows pictor;
    if (!find_pictor(pictor, 20000)) {
        std::printf("Pictor's windows were not found\n");
        return 1;
    }
    if (mode == L"snapshot" && argc >= 5)
        return snapshot_bench(pictor, _wtoi(argv[2]), _wtoi(argv[3]), _wtoi(argv[4]),
                              argc >= 6 && std::wstring(argv[5]) == L"green");
    if (mode == L"soak" && argc >= 3)
        return soak(pictor, _wtoi(argv[2]));
    if (mode == L"burst" && argc >= 3)
        return burst(pictor, _wtoi(argv[2]));
    if (mode == L"pointer" && argc >= 3)
        return pointer_cost(pictor.process_id, _wtoi(argv[2]), "pictor");
    if (mode == L"folder" && argc >= 3)
        return folder_bench(pictor, _wtoi(argv[2]));
    if (mode == L"demo")
        return demo(pictor);
    if (mode == L"quit")
        return quit(pictor);
    std::printf("unknown mode\n");
    return 2;
}
