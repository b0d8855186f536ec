#include "tests/support/headless_engine.h"

#include "platform/bounded_text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {
// A fixed local date-time for the virtual clock: Monday 7 December 2026, 09:00:00.
constexpr double virtualStartDateTime = 1796634000.0;

void CopyText(const std::string& text, char* out, std::size_t size) {
    if (out == nullptr || size == 0) return;
    const std::size_t count = std::min(text.size(), size - 1);
    std::memcpy(out, text.data(), count);
    out[count] = '\0';
}

std::string Text(const char* text) {
    return text == nullptr ? std::string() : std::string(text);
}
} // namespace

bool HeadlessControl::Dimmed() const {
    const auto found = intAttributes.find(ATTR_DIMMED);
    return found != intAttributes.end() && found->second != 0;
}

bool HeadlessControl::Visible() const {
    const auto found = intAttributes.find(ATTR_VISIBLE);
    return found == intAttributes.end() || found->second != 0;
}

int HeadlessControl::Color() const {
    const auto found = intAttributes.find(ATTR_TEXT_BGCOLOR);
    return found == intAttributes.end() ? -1 : found->second;
}

std::string HeadlessPanel::Title() const {
    const auto found = textAttributes.find(ATTR_TITLE);
    return found == textAttributes.end() ? std::string() : found->second;
}

HeadlessEngine::HeadlessEngine() {
    startDateTime = virtualStartDateTime;
}

HeadlessPanel* HeadlessEngine::Find(int handle) {
    const auto found = panels.find(handle);
    if (found == panels.end() || found->second.discarded) return nullptr;
    return &found->second;
}

HeadlessControl* HeadlessEngine::FindControl(int handle, int control) {
    HeadlessPanel* panel = Find(handle);
    if (panel == nullptr) return nullptr;
    const auto found = panel->controls.find(control);
    return found == panel->controls.end() ? nullptr : &found->second;
}

HeadlessPanel& HeadlessEngine::Panel(int handle) {
    return panels.at(handle);
}

HeadlessPanel& HeadlessEngine::PanelNumber(int panelNumber) {
    return panels.at(HandleOf(panelNumber));
}

int HeadlessEngine::HandleOf(int panelNumber) const {
    int handle = -1;
    for (const auto& [key, panel] : panels)
        if (panel.number == panelNumber) handle = key;
    return handle;
}

HeadlessControl& HeadlessEngine::Control(int handle, int control) {
    return panels.at(handle).controls.at(control);
}

HeadlessDevice& HeadlessEngine::Device(const std::string& name) {
    return devices[name];
}

bool HeadlessEngine::HasDevice(const std::string& name) const {
    return devices.count(name) > 0;
}

HeadlessPort& HeadlessEngine::Port(int port) {
    return ports[port];
}

int HeadlessEngine::InitCVIRTE(void*) {
    return failInit ? 0 : 1;
}

int HeadlessEngine::LoadPanel(int, const char*, int panelNumber) {
    if (failLoadPanel || (panelNumber != MAIN && panelNumber != WARMUP)) return -1;
    const int handle = nextHandle++;
    HeadlessPanel& panel = panels[handle];
    panel.number = panelNumber;
    // Every control of the catalogue exists from the load on, as the resource would give it.
    for (const CatalogueEntry* entry = CatalogueBegin(); entry != CatalogueEnd(); ++entry) {
        if (entry->panel != panelNumber) continue;
        HeadlessControl& control = panel.controls[entry->control];
        control.kind = entry->kind;
        if (StartsDimmed(panelNumber, entry->control)) control.intAttributes[ATTR_DIMMED] = 1;
        if (StartsHidden(panelNumber, entry->control)) control.intAttributes[ATTR_VISIBLE] = 0;
    }
    if (panelNumber == WARMUP) panel.textAttributes[ATTR_TITLE] = "Warmup";
    return handle;
}

int HeadlessEngine::DisplayPanel(int handle) {
    HeadlessPanel* panel = Find(handle);
    if (panel == nullptr) return -1;
    panel->visible = true;
    return 0;
}

int HeadlessEngine::HidePanel(int handle) {
    HeadlessPanel* panel = Find(handle);
    if (panel == nullptr) return -1;
    panel->visible = false;
    return 0;
}

int HeadlessEngine::DiscardPanel(int handle) {
    HeadlessPanel* panel = Find(handle);
    if (panel == nullptr) return -1;
    panel->visible = false;
    panel->discarded = true;
    return 0;
}

void HeadlessEngine::Tick(const char* callbackName) {
    if (suspendedTimers > 0 || !timersRunning) return;
    const CtrlCallbackPtr callback = FindCallback(callbackName);
    const int handle = HandleOf(MAIN);
    if (callback != nullptr) callback(handle, 0, EVENT_TIMER_TICK, nullptr, 0, 0);
}

void HeadlessEngine::RunDue() {
    if (runningDue) return;
    runningDue = true;
    for (;;) {
        // The earliest of the two timers and the scheduled actions that is due now.
        double earliest = now + 1.0;
        int which = -1;
        if (!inLinkTick && nextLinkTick <= now && nextLinkTick < earliest) {
            earliest = nextLinkTick;
            which = 0;
        }
        if (!inDisplayTick && nextDisplayTick <= now && nextDisplayTick < earliest) {
            earliest = nextDisplayTick;
            which = 1;
        }
        std::size_t action = scheduled.size();
        for (std::size_t i = 0; i < scheduled.size(); ++i)
            if (scheduled[i].when <= now && scheduled[i].when < earliest) {
                earliest = scheduled[i].when;
                action = i;
                which = 2;
            }
        if (which < 0) break;
        if (which == 0) {
            nextLinkTick += linkTimerMs / 1000.0;
            inLinkTick = true;
            runningDue = false;
            Tick("TIMER");
            runningDue = true;
            inLinkTick = false;
        } else if (which == 1) {
            nextDisplayTick += displayTimerMs / 1000.0;
            inDisplayTick = true;
            runningDue = false;
            Tick("DISPLAY");
            runningDue = true;
            inDisplayTick = false;
        } else {
            std::function<void()> run = std::move(scheduled[action].action);
            scheduled.erase(scheduled.begin() + static_cast<std::ptrdiff_t>(action));
            runningDue = false;
            run();
            runningDue = true;
        }
        if (quitRequested) break;
    }
    runningDue = false;
}

void HeadlessEngine::RunUntil(double until) {
    while (!quitRequested) {
        // A timer whose callback is still running (a question it waits on) does not fire again
        // before the callback returns.
        double next = until + 1.0;
        if (!inLinkTick) next = std::min(next, nextLinkTick);
        if (!inDisplayTick) next = std::min(next, nextDisplayTick);
        for (const Scheduled& entry : scheduled) next = std::min(next, entry.when);
        if (next > until) break;
        if (next > now) now = next;
        RunDue();
    }
    if (!quitRequested && now < until) now = until;
}

void HeadlessEngine::At(double when, std::function<void()> action) {
    scheduled.push_back({when, std::move(action)});
}

int HeadlessEngine::RunUserInterface() {
    quitRequested = false;
    nextLinkTick = now + linkTimerMs / 1000.0;
    nextDisplayTick = now + displayTimerMs / 1000.0;
    RunUntil(runLimit);
    quitRequested = false;
    return quitCode;
}

int HeadlessEngine::QuitUserInterface(int code) {
    quitCode = code;
    quitRequested = true;
    return 0;
}

int HeadlessEngine::SetCtrlValInt(int panel, int control, int value) {
    return SetCtrlValDouble(panel, control, value);
}

int HeadlessEngine::SetCtrlValDouble(int panel, int control, double value) {
    HeadlessControl* found = FindControl(panel, control);
    if (found == nullptr) return -1;
    // Each control holds its own type: single-precision numbers and integers.
    if (found->kind == ControlKind::Numeric)
        found->value = static_cast<float>(value);
    else if (found->kind == ControlKind::NumericInt || found->kind == ControlKind::Selector ||
             found->kind == ControlKind::Switch || found->kind == ControlKind::Led)
        found->value = std::isfinite(value) ? std::trunc(value) : 0.0;
    else
        found->value = value;
    found->setCount += 1;
    return 0;
}

int HeadlessEngine::SetCtrlValText(int panel, int control, const char* value) {
    HeadlessControl* found = FindControl(panel, control);
    if (found == nullptr) return -1;
    found->text = Text(value);
    found->setCount += 1;
    return 0;
}

int HeadlessEngine::GetCtrlValDouble(int panel, int control, double* value) {
    HeadlessControl* found = FindControl(panel, control);
    if (found == nullptr) return -1;
    *value = found->value;
    return 0;
}

int HeadlessEngine::GetCtrlValText(int panel, int control, char* value, std::size_t size) {
    HeadlessControl* found = FindControl(panel, control);
    if (found == nullptr) return -1;
    CopyText(found->text, value, size);
    return 0;
}

int HeadlessEngine::SetCtrlAttributeInt(int panel, int control, int attribute, int value) {
    HeadlessControl* found = FindControl(panel, control);
    if (found == nullptr) return -1;
    found->intAttributes[attribute] = value;
    return 0;
}

int HeadlessEngine::SetCtrlAttributeDouble(int panel, int control, int attribute, double value) {
    HeadlessControl* found = FindControl(panel, control);
    if (found == nullptr) return -1;
    found->doubleAttributes[attribute] = value;
    return 0;
}

int HeadlessEngine::SetCtrlAttributeText(int panel, int control, int attribute, const char* value) {
    HeadlessControl* found = FindControl(panel, control);
    if (found == nullptr) return -1;
    found->textAttributes[attribute] = Text(value);
    return 0;
}

int HeadlessEngine::GetCtrlAttributeInt(int panel, int control, int attribute, int* value) {
    HeadlessControl* found = FindControl(panel, control);
    if (found == nullptr) return -1;
    const auto set = found->intAttributes.find(attribute);
    if (set != found->intAttributes.end())
        *value = set->second;
    else
        *value = attribute == ATTR_VISIBLE ? 1 : 0;
    return 0;
}

int HeadlessEngine::SetPanelAttributeInt(int handle, int attribute, int value) {
    HeadlessPanel* panel = Find(handle);
    if (panel == nullptr) return -1;
    panel->intAttributes[attribute] = value;
    return 0;
}

int HeadlessEngine::SetPanelAttributeText(int handle, int attribute, const char* value) {
    HeadlessPanel* panel = Find(handle);
    if (panel == nullptr) return -1;
    panel->textAttributes[attribute] = Text(value);
    return 0;
}

int HeadlessEngine::GetPanelAttributeText(int handle, int attribute, char* value,
                                          std::size_t size) {
    HeadlessPanel* panel = Find(handle);
    if (panel == nullptr) return -1;
    const auto found = panel->textAttributes.find(attribute);
    CopyText(found == panel->textAttributes.end() ? std::string() : found->second, value, size);
    return 0;
}

int HeadlessEngine::PlotY(int panel, int control, const float* samples, int count, int color) {
    HeadlessControl* found = FindControl(panel, control);
    if (found == nullptr || count < 0 || (count > 0 && samples == nullptr)) return -1;
    HeadlessPlot plot;
    plot.samples.assign(samples, samples + count);
    plot.color = color;
    const auto gain = found->doubleAttributes.find(ATTR_XAXIS_GAIN);
    plot.xGain = gain == found->doubleAttributes.end() ? 1.0 : gain->second;
    found->plots.push_back(std::move(plot));
    return static_cast<int>(found->plots.size());
}

int HeadlessEngine::PlotXY(int panel, int control, const float* x, const float* y, int count,
                           int color) {
    if (count > 0 && x == nullptr) return -1;
    const int handle = PlotY(panel, control, y, count, color);
    if (handle > 0) FindControl(panel, control)->plots.back().x.assign(x, x + count);
    return handle;
}

int HeadlessEngine::PlotPolar(int panel, int control, const float* angle, const float* radius,
                              int count, int color) {
    const int handle = PlotXY(panel, control, angle, radius, count, color);
    if (handle > 0) FindControl(panel, control)->plots.back().polar = true;
    return handle;
}

int HeadlessEngine::DeleteGraphPlot(int panel, int control, int plotHandle, int) {
    HeadlessControl* found = FindControl(panel, control);
    if (found == nullptr) return -1;
    if (plotHandle == -1)
        found->plots.clear();
    else if (plotHandle >= 1 && plotHandle <= static_cast<int>(found->plots.size()))
        found->plots.erase(found->plots.begin() + (plotHandle - 1));
    return 0;
}

int HeadlessEngine::ResetTextBox(int panel, int control, const char* text) {
    HeadlessControl* found = FindControl(panel, control);
    if (found == nullptr) return -1;
    found->lines.clear();
    if (text != nullptr && text[0] != '\0') found->lines.emplace_back(text);
    return 0;
}

int HeadlessEngine::InsertTextBoxLine(int panel, int control, int index, const char* text) {
    HeadlessControl* found = FindControl(panel, control);
    if (found == nullptr) return -1;
    if (index < 0 || index >= static_cast<int>(found->lines.size()))
        found->lines.emplace_back(Text(text));
    else
        found->lines.insert(found->lines.begin() + index, Text(text));
    return 0;
}

int HeadlessEngine::ProcessSystemEvents() {
    RunDue();
    return 0;
}

int HeadlessEngine::SuspendTimerCallbacks() {
    suspendedTimers += 1;
    return 0;
}

int HeadlessEngine::ResumeTimerCallbacks() {
    if (suspendedTimers > 0) suspendedTimers -= 1;
    return 0;
}

int HeadlessEngine::ConfirmPopup(const char* title, const char* message) {
    popups.push_back({"confirm", Text(title), Text(message)});
    if (!confirmOpenSeconds.empty()) {
        const double end = now + confirmOpenSeconds.front();
        confirmOpenSeconds.pop_front();
        while (!quitRequested && now < end) RunUntil(std::min(end, now + linkTimerMs / 1000.0));
        if (quitRequested) return 0;
    }
    if (confirmAnswers.empty()) return 0;
    const int answer = confirmAnswers.front();
    confirmAnswers.pop_front();
    return answer;
}

int HeadlessEngine::GenericMessagePopup(const char* title, const char* message, const char*,
                                        const char*, const char*, char* response,
                                        int maxResponseLength) {
    popups.push_back({"generic", Text(title), Text(message)});
    GenericAnswer answer;
    if (!genericAnswers.empty()) {
        answer = genericAnswers.front();
        genericAnswers.pop_front();
    }
    if (answer.openSeconds > 0.0 && !inLinkTick && !inDisplayTick) {
        popupWaiting = true;
        popupDismissed = false;
        const double end = now + answer.openSeconds;
        while (!popupDismissed && !quitRequested && now < end)
            RunUntil(std::min(end, now + linkTimerMs / 1000.0));
        popupWaiting = false;
        if (popupDismissed) return 0;
    }
    // The dialog's field takes at most maxResponseLength characters.
    std::string typed = answer.response;
    if (maxResponseLength >= 0 && typed.size() > static_cast<std::size_t>(maxResponseLength))
        typed.resize(static_cast<std::size_t>(maxResponseLength));
    if (response != nullptr && maxResponseLength >= 0)
        CopyText(typed, response, static_cast<std::size_t>(maxResponseLength) + 1);
    return answer.button;
}

int HeadlessEngine::FileSelectPopup(const char*, const char*, const char* title, char* pathOut,
                                    std::size_t size) {
    popups.push_back({"file", Text(title), ""});
    std::string answer;
    if (!fileAnswers.empty()) {
        answer = fileAnswers.front();
        fileAnswers.pop_front();
    }
    CopyText(answer, pathOut, size);
    return answer.empty() ? 0 : 1;
}

int HeadlessEngine::DirSelectPopup(const char*, const char* title, char* pathOut,
                                   std::size_t size) {
    popups.push_back({"dir", Text(title), ""});
    // The open popup holds the timers back; each fires once when it closes, as Qt's do.
    now += dirPopupSeconds;
    nextLinkTick = std::max(nextLinkTick, now);
    nextDisplayTick = std::max(nextDisplayTick, now);
    std::string answer;
    if (!dirAnswers.empty()) {
        answer = dirAnswers.front();
        dirAnswers.pop_front();
    }
    CopyText(answer, pathOut, size);
    return answer.empty() ? 0 : 1;
}

int HeadlessEngine::MessagePopup(const char* title, const char* message) {
    popups.push_back({"message", Text(title), Text(message)});
    return 0;
}

int HeadlessEngine::PrintPanel(int panel, const char* printerName, const char* pdfPath) {
    if (Find(panel) == nullptr) return -1;
    const std::string printer = Text(printerName);
    if (std::find(printerNames.begin(), printerNames.end(), printer) != printerNames.end()) {
        printed.push_back("printer:" + printer);
        return 1;
    }
    std::FILE* file = std::fopen(pdfPath, "wb");
    if (file == nullptr) return -1;
    std::fputs("%PDF-1.4\n% headless print of the main panel\n", file);
    const bool failed = std::fclose(file) != 0;
    if (failed) return -1;
    printed.push_back("pdf:" + Text(pdfPath));
    return 2;
}

int HeadlessEngine::OpenReviewWindow(const char* path, char* reason, std::size_t size) {
    if (!reviewRefusal.empty()) {
        FormatText(reason, size, "%s", reviewRefusal.c_str());
        return -1;
    }
    reviewed.push_back(Text(path));
    return 0;
}

double HeadlessEngine::CurrentDateTime() {
    return startDateTime + now;
}

double HeadlessEngine::Timer() {
    return now;
}

void HeadlessEngine::Delay(double seconds) {
    if (seconds > 0.0) now += seconds;
}

void HeadlessEngine::Sleep(int milliseconds) {
    if (milliseconds > 0) now += milliseconds / 1000.0;
}

int HeadlessEngine::EscapeKeyDown() {
    return escapeKey && escapeKey() ? 1 : 0;
}

int HeadlessEngine::KeepPanelOnTop(int handle) {
    HeadlessPanel* panel = Find(handle);
    if (panel == nullptr || !panel->visible) return 0;
    panel->onTop = true;
    return 1;
}

int HeadlessEngine::LaunchBluetoothSettings(int* handle) {
    bluetoothLaunches += 1;
    bluetoothPollsLeft = bluetoothSettingsPolls;
    if (handle != nullptr) *handle = bluetoothLaunches;
    return 0;
}

int HeadlessEngine::ExecutableHasTerminated(int) {
    if (bluetoothPollsLeft > 0) {
        bluetoothPollsLeft -= 1;
        now += 0.001;
        return 0;
    }
    return 1;
}

HeadlessDevice* HeadlessEngine::BoundDevice(int port) {
    const auto found = ports.find(port);
    if (found == ports.end() || !found->second.open) return nullptr;
    const auto device = devices.find(found->second.deviceName);
    return device == devices.end() ? nullptr : &device->second;
}

int HeadlessEngine::ComPortExists(const char* deviceName) {
    return HasDevice(Text(deviceName)) ? 1 : 0;
}

const char* HeadlessEngine::ComPortPlaces() {
    return "the test's devices";
}

int HeadlessEngine::OpenComConfig(int port, const char* deviceName, long baud, int parity,
                                  int dataBits, int stopBits, int, int) {
    HeadlessPort& opened = ports[port];
    opened = HeadlessPort{};
    const std::string name = Text(deviceName);
    const auto device = devices.find(name);
    if (device == devices.end()) return portOpenMissing;
    if (device->second.busy) return portOpenBusy;
    if (device->second.denied) return portOpenDenied;
    if (device->second.gone) return portOpenMissing;
    now += device->second.openSeconds;
    if (device->second.failsOpen) return -1;
    opened.open = true;
    opened.deviceName = name;
    opened.baud = baud;
    opened.parity = parity;
    opened.dataBits = dataBits;
    opened.stopBits = stopBits;
    return 0;
}

int HeadlessEngine::SetComTime(int port, double seconds) {
    const auto found = ports.find(port);
    if (found == ports.end() || !found->second.open) return -1;
    found->second.timeout = seconds;
    return 0;
}

int HeadlessEngine::CloseCom(int port) {
    const auto found = ports.find(port);
    if (found == ports.end() || !found->second.open) return -1;
    found->second.open = false;
    return 0;
}

int HeadlessEngine::GetInQLen(int port) {
    HeadlessDevice* device = BoundDevice(port);
    if (device == nullptr) return 0;
    if (device->feed) device->feed(*device);
    return static_cast<int>(device->input.size());
}

int HeadlessEngine::ComRdByte(int port) {
    HeadlessDevice* device = BoundDevice(port);
    if (device == nullptr || device->input.empty()) return -1;
    const int byte = device->input.front();
    device->input.pop_front();
    return byte;
}

int HeadlessEngine::ComRdBlock(int port, unsigned char* buffer, int count) {
    HeadlessDevice* device = BoundDevice(port);
    if (device == nullptr || device->input.empty() || count <= 0) return -1;
    const auto taken = std::min(device->input.size(), static_cast<std::size_t>(count));
    const auto end = device->input.begin() + static_cast<std::ptrdiff_t>(taken);
    std::copy(device->input.begin(), end, buffer);
    device->input.erase(device->input.begin(), end);
    return static_cast<int>(taken);
}

int HeadlessEngine::ComWrtByte(int port, int byte) {
    HeadlessDevice* device = BoundDevice(port);
    if (device == nullptr) return -1;
    device->sent.push_back(static_cast<unsigned char>(byte & 0xFF));
    return 1;
}

int HeadlessEngine::DismissPopup() {
    if (!popupWaiting) return -1;
    popupDismissed = true;
    return 0;
}

int HeadlessEngine::PostDelayedCall(void (*call)(void* data), void* data, double seconds) {
    At(now + std::max(seconds, 0.0), [call, data] { call(data); });
    return 0;
}

int HeadlessEngine::PostDeferredCall(void (*call)(void* data), void* data) {
    // Inside a tick the call waits for the tick to end, as an event loop would run it; called
    // from a test directly, it runs at once.
    if (inLinkTick || inDisplayTick)
        At(now, [call, data] { call(data); });
    else
        call(data);
    return 0;
}
