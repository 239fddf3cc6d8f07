#include "diagnostics/win32/TouchDiagnostics.h"

#include <shellapi.h>
#include <shlobj.h>

#include <string>
#include <utility>

#include "app/Gdi.h"
#include "app/WideText.h"
#include "diagnostics/InputLog.h"
#include "diagnostics/SampleClock.h"
#include "diagnostics/TextPattern.h"
#include "diagnostics/win32/ReadoutDrawing.h"
#include "diagnostics/win32/SystemFacts.h"
#include "lang/LanguageArchive.h"
#include "lang/StringLookup.h"
#include "touch/ContactTable.h"

namespace {

struct Session {
    TouchStatistics statistics;
    InputLog log;
    SampleClock clock;
    bool scaleMeasured = false;
};

Session* session = nullptr; // made on first use: the input ring is large once filled
bool readoutOn = false;
std::optional<PhysicalScale> fixedScale;
std::optional<std::wstring> reportFolder;
std::function<void(const std::wstring&)> reportOpener;
std::vector<ReportSectionSource> reportSources;
std::vector<TouchSampleListener> sampleListeners;

// What the readout shows of the system, read when it is switched on: the display query costs
// more than a whole frame.
struct DisplayFacts {
    int width = 0;
    int height = 0;
    double refreshHz = 0;
    int maxTouches = 0;
};
DisplayFacts displayFacts;

ReadoutPainter painter;
int readoutLineHeight = 16;
std::function<int64_t()> arrivalClock;

// The readout drawn is built again when anything but time changed its figures, and at least
// every kReadoutRefreshUs for those that change with time alone (a stuck contact's silence, a
// rest's end): no figure is older than that, which is faster than anyone reads them. Building
// it costs a good part of a frame.
constexpr int64_t kReadoutRefreshUs = 100000;
uint64_t figuresChanged = 0; // counts inputs, resets, new scales and display facts
struct DueReadout {
    Readout readout;
    uint64_t serial = 0;
    uint64_t figures = 0;
    int width = -1;
    int height = -1;
    int lineHeight = -1;
    int64_t builtUs = 0;
    bool valid = false;
};
DueReadout due;

Session& Current() {
    if (!session) {
        session = new Session;
    }
    return *session;
}

int64_t ArrivalUs() {
    if (arrivalClock) {
        return arrivalClock();
    }
    static LARGE_INTEGER frequency{};
    if (!frequency.QuadPart) {
        QueryPerformanceFrequency(&frequency);
    }
    LARGE_INTEGER counter{};
    QueryPerformanceCounter(&counter);
    return static_cast<int64_t>(static_cast<double>(counter.QuadPart) * 1e6 /
                                static_cast<double>(frequency.QuadPart));
}

int64_t NowUs() {
    return Current().clock.Now(ArrivalUs());
}

// The monitor rectangle of the last query, and where the window's client area stood then.
struct MonitorSeen {
    HWND window = nullptr;
    POINT origin{};
    RECT rect{};
};
std::optional<MonitorSeen> monitorSeen;

// Returns the window's monitor rectangle. Under Wine each monitor query costs about a tenth of a
// touch frame, so a touch message asks again only when the client area moved (clientOrigin);
// every other caller asks afresh.
RECT EnsureScale(HWND window, const POINT* clientOrigin = nullptr) {
    Session& s = Current();
    if (fixedScale) {
        s.statistics.SetScale(*fixedScale);
    } else if (!s.scaleMeasured) {
        s.statistics.SetScale(MeasurePhysicalScale(window));
        s.scaleMeasured = true;
    }
    if (clientOrigin && monitorSeen && monitorSeen->window == window &&
        monitorSeen->origin.x == clientOrigin->x && monitorSeen->origin.y == clientOrigin->y) {
        return monitorSeen->rect;
    }
    const RECT monitor = WindowMonitorRect(window);
    s.statistics.SetScreenSize(monitor.right - monitor.left, monitor.bottom - monitor.top);
    POINT origin{0, 0};
    if (clientOrigin) {
        origin = *clientOrigin;
    } else {
        ClientToScreen(window, &origin);
    }
    monitorSeen = MonitorSeen{window, origin, monitor};
    return monitor;
}

DEVMODEW DisplayMode() {
    DEVMODEW mode{};
    mode.dmSize = sizeof(mode);
    EnumDisplaySettingsW(nullptr, ENUM_CURRENT_SETTINGS, &mode);
    return mode;
}

// The readout to draw now, and its serial for the painter.
const DueReadout& ReadoutDue(HDC dc, int width, int height) {
    readoutLineHeight = painter.PrepareFont(dc, width);
    const int64_t now = ArrivalUs();
    if (!due.valid || due.figures != figuresChanged || due.width != width || due.height != height ||
        due.lineHeight != readoutLineHeight || now - due.builtUs >= kReadoutRefreshUs ||
        now < due.builtUs) {
        due.readout = CurrentDiagnosticsReadout(width, height);
        ++due.serial;
        due.figures = figuresChanged;
        due.width = width;
        due.height = height;
        due.lineHeight = readoutLineHeight;
        due.builtUs = now;
        due.valid = true;
    }
    return due;
}

void PrepareReadout(HDC dc, int width, int height) {
    if (readoutOn) {
        const DueReadout& readout = ReadoutDue(dc, width, height);
        painter.Prepare(dc, readout.readout, readout.serial);
    } else {
        painter.PrepareNothing();
    }
}

std::wstring TimeStampForName(const SYSTEMTIME& t) {
    wchar_t text[32];
    wsprintfW(text, L"%04d-%02d-%02d %02d%02d%02d", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
              t.wSecond);
    return text;
}

std::u16string TimeStampForText(const SYSTEMTIME& t) {
    wchar_t text[32];
    wsprintfW(text, L"%04d-%02d-%02d %02d:%02d:%02d", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
              t.wSecond);
    return AsUtf16(text);
}

std::optional<std::wstring> ReportFolder() {
    if (reportFolder) {
        return *reportFolder;
    }
    wchar_t documents[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, documents))) {
        return std::nullopt;
    }
    const std::wstring folder = std::wstring(documents) + L"\\Quillfern";
    if (!CreateDirectoryW(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
        return std::nullopt;
    }
    return folder;
}

// Creates the file anew (never over an existing one) and writes all bytes.
bool WriteNewFile(const std::wstring& path, const std::string& bytes) {
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD written = 0;
    const bool ok =
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
        written == bytes.size();
    CloseHandle(file);
    if (!ok) {
        DeleteFileW(path.c_str());
    }
    return ok;
}

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void ShowReportFailure(HWND window, const std::wstring& what) {
    const std::u16string text = FormatPattern(LookupString(35), {ToUtf16(what)});
    const char16_t* caption = LookupString(60);
    MessageBoxW(window, AsWide(text.c_str()), caption ? AsWide(caption) : L"",
                MB_OK | MB_ICONERROR);
}

} // namespace

void DiagnosticsFeedTouchInputs(HWND window, const TOUCHINPUT* inputs, UINT count) {
    Session& s = Current();
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    const RECT monitor = EnsureScale(window, &origin);
    const int64_t arrival = ArrivalUs();
    ++figuresChanged;
    for (UINT i = 0; i < count; ++i) {
        const TOUCHINPUT& in = inputs[i];
        TouchSample sample;
        sample.timeUs = s.clock.Stamp(in.dwTime, arrival);
        sample.id = in.dwID;
        sample.flags = in.dwFlags;
        // Hundredths of a screen pixel; millimetres count from the monitor's corner.
        const double x = in.x / 100.0;
        const double y = in.y / 100.0;
        sample.screenX = x - monitor.left;
        sample.screenY = y - monitor.top;
        sample.clientX = x - origin.x;
        sample.clientY = y - origin.y;
        if (in.dwMask & TOUCHINPUTMASKF_CONTACTAREA) {
            sample.widthPx = in.cxContact / 100.0;
            sample.heightPx = in.cyContact / 100.0;
        }
        s.log.Add(sample);
        s.statistics.Add(sample);
        for (const TouchSampleListener& listener : sampleListeners) {
            listener(sample);
        }
    }
}

bool DiagnosticsReadoutOn() {
    return readoutOn;
}

void ToggleDiagnosticsReadout(HWND window) {
    readoutOn = !readoutOn;
    ++figuresChanged;
    if (readoutOn) {
        EnsureScale(window);
        const DEVMODEW mode = DisplayMode();
        displayFacts = {static_cast<int>(mode.dmPelsWidth), static_cast<int>(mode.dmPelsHeight),
                        static_cast<double>(mode.dmDisplayFrequency),
                        GetSystemMetrics(SM_MAXIMUMTOUCHES)};
        SetTimer(window, kDiagnosticsTimerId, kDiagnosticsTimerMs, nullptr);
    } else {
        KillTimer(window, kDiagnosticsTimerId);
    }
    InvalidateRect(window, nullptr, FALSE);
}

void HandleDiagnosticsTimer(HWND window, UINT_PTR timerId) {
    if (timerId != kDiagnosticsTimerId || !readoutOn) {
        return;
    }
    Current().statistics.Tick(NowUs());
    InvalidateRect(window, nullptr, FALSE);
}

Readout CurrentDiagnosticsReadout(int width, int height) {
    Session& s = Current();
    const int64_t now = NowUs();
    s.statistics.Tick(now);
    ReadoutContext context;
    context.width = width;
    context.height = height;
    context.lineHeight = readoutLineHeight;
    context.contactRadius = ContactRadius;
    context.displayWidth = displayFacts.width;
    context.displayHeight = displayFacts.height;
    context.maxTouches = displayFacts.maxTouches;
    context.refreshHz = displayFacts.refreshHz;
    context.nowUs = now;
    return BuildReadout(s.statistics, context);
}

void AddDiagnosticsReadoutChanges(HDC dc, int width, int height, HRGN area) {
    PrepareReadout(dc, width, height);
    painter.AddChanges(area);
}

void DrawDiagnosticsReadout(HDC dc, int width, int height, HRGN area) {
    PrepareReadout(dc, width, height);
    painter.Draw(dc, area);
}

SystemFacts GatherSystemFacts(HWND window) {
    Session& s = Current();
    EnsureScale(window);
    const DEVMODEW mode = DisplayMode();
    SystemFacts facts;
    facts.program = NeutralStrings[0] ? std::u16string(NeutralStrings[0]) : u"Quillfern";
    const std::wstring version = WindowsVersionText();
    facts.windowsVersion = ToUtf16(version);
    facts.displayWidth = static_cast<int>(mode.dmPelsWidth);
    facts.displayHeight = static_cast<int>(mode.dmPelsHeight);
    facts.refreshHz = static_cast<int>(mode.dmDisplayFrequency);
    facts.scale = s.statistics.Scale();
    facts.digitizerFlags = static_cast<uint32_t>(GetSystemMetrics(SM_DIGITIZER));
    facts.maxTouches = GetSystemMetrics(SM_MAXIMUMTOUCHES);
    facts.timeSource = s.clock.Source();
    facts.inputsSeen = s.log.Total();
    facts.inputsKept = s.log.Size();
    return facts;
}

std::optional<std::wstring> WriteDiagnosticsReport(HWND window) {
    Session& s = Current();
    s.statistics.Tick(NowUs());
    SYSTEMTIME now{};
    GetLocalTime(&now);
    const std::optional<std::wstring> folder = ReportFolder();
    if (!folder) {
        ShowReportFailure(window, reportFolder.value_or(L"Documents\\Quillfern"));
        return std::nullopt;
    }
    const std::wstring stem = *folder + L"\\Quillfern report " + TimeStampForName(now);
    std::wstring text;
    std::wstring csv;
    for (int n = 1; n < 1000; ++n) {
        const std::wstring suffix = n == 1 ? L"" : L" (" + std::to_wstring(n) + L")";
        text = stem + suffix + L".txt";
        csv = stem + suffix + L" inputs.csv";
        if (!Exists(text) && !Exists(csv)) {
            break;
        }
    }
    std::vector<ReportSection> extra;
    for (const ReportSectionSource& source : reportSources) {
        for (ReportSection& section : source(text)) {
            extra.push_back(std::move(section));
        }
    }
    const std::u16string report =
        BuildSessionReport(TimeStampForText(now), GatherSystemFacts(window), s.statistics, extra);
    if (!WriteNewFile(text, ToUtf8File(report))) {
        ShowReportFailure(window, text);
        return std::nullopt;
    }
    if (!WriteNewFile(csv, s.log.Csv())) {
        DeleteFileW(text.c_str());
        ShowReportFailure(window, csv);
        return std::nullopt;
    }
    if (reportOpener) {
        reportOpener(text);
    } else {
        ShellExecuteW(window, L"open", text.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    }
    return text;
}

void AddDiagnosticsReportSource(ReportSectionSource source) {
    reportSources.push_back(std::move(source));
}

void AddDiagnosticsSampleListener(TouchSampleListener listener) {
    sampleListeners.push_back(std::move(listener));
}

const TouchStatistics& DiagnosticsStatistics() {
    return Current().statistics;
}

PhysicalScale DiagnosticsScale() {
    return Current().statistics.Scale();
}

PhysicalScale MeasureDiagnosticsScale(HWND window) {
    EnsureScale(window);
    return Current().statistics.Scale();
}

void SetDiagnosticsScale(std::optional<PhysicalScale> scale) {
    fixedScale = scale;
    ++figuresChanged;
    Current().scaleMeasured = false;
    Current().statistics.SetScale(scale.value_or(PhysicalScale{}));
}

void SetDiagnosticsReportFolder(std::optional<std::wstring> folder) {
    reportFolder = std::move(folder);
}

void SetDiagnosticsReportOpener(std::function<void(const std::wstring&)> opener) {
    reportOpener = std::move(opener);
}

void ResetDiagnostics() {
    delete session;
    session = nullptr;
    monitorSeen.reset();
    ++figuresChanged;
}

void DiagnosticsDisplayChanged() {
    monitorSeen.reset();
}

int64_t DiagnosticsArrivalUs() {
    return ArrivalUs();
}

void SetDiagnosticsClock(std::function<int64_t()> arrivalUs) {
    arrivalClock = std::move(arrivalUs);
    ++figuresChanged;
}
