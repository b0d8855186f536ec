#include "platform/engine.h"

#include "platform/numbers.h"

#include <cassert>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace {
// Each thread runs the engine it was given: a ride read for the review plays on an engine and a
// station of its own, beside the live station's.
thread_local Engine* currentEngine = nullptr;
} // namespace

void UseEngine(Engine* engine) {
    currentEngine = engine;
}

Engine& CurrentEngine() {
    assert(currentEngine != nullptr);
    return *currentEngine;
}

int InitCVIRTE(void* instance, int, int) {
    return CurrentEngine().InitCVIRTE(instance);
}
int LoadPanel(int parent, const char* file, int panelNumber) {
    return CurrentEngine().LoadPanel(parent, file, panelNumber);
}
int DisplayPanel(int panel) {
    return CurrentEngine().DisplayPanel(panel);
}
int HidePanel(int panel) {
    return CurrentEngine().HidePanel(panel);
}
int DiscardPanel(int panel) {
    return CurrentEngine().DiscardPanel(panel);
}
int RunUserInterface() {
    return CurrentEngine().RunUserInterface();
}
int QuitUserInterface(int code) {
    return CurrentEngine().QuitUserInterface(code);
}

int SetCtrlVal(int panel, int control, int value) {
    return CurrentEngine().SetCtrlValInt(panel, control, value);
}
int SetCtrlVal(int panel, int control, double value) {
    return CurrentEngine().SetCtrlValDouble(panel, control, value);
}
int SetCtrlVal(int panel, int control, const char* value) {
    return CurrentEngine().SetCtrlValText(panel, control, value);
}
int GetCtrlVal(int panel, int control, int* value) {
    double read = 0.0;
    const int result = CurrentEngine().GetCtrlValDouble(panel, control, &read);
    // A huge number typed into an integer field saturates instead of being undefined.
    if (result >= 0) *value = TruncToInt(read);
    return result;
}
int GetCtrlVal(int panel, int control, float* value) {
    double read = 0.0;
    const int result = CurrentEngine().GetCtrlValDouble(panel, control, &read);
    if (result >= 0) *value = static_cast<float>(read);
    return result;
}
int GetCtrlVal(int panel, int control, double* value) {
    return CurrentEngine().GetCtrlValDouble(panel, control, value);
}
int GetCtrlVal(int panel, int control, char* value, std::size_t size) {
    return CurrentEngine().GetCtrlValText(panel, control, value, size);
}
int SetCtrlAttribute(int panel, int control, int attribute, int value) {
    return CurrentEngine().SetCtrlAttributeInt(panel, control, attribute, value);
}
int SetCtrlAttribute(int panel, int control, int attribute, double value) {
    return CurrentEngine().SetCtrlAttributeDouble(panel, control, attribute, value);
}
int SetCtrlAttribute(int panel, int control, int attribute, const char* value) {
    return CurrentEngine().SetCtrlAttributeText(panel, control, attribute, value);
}
int GetCtrlAttribute(int panel, int control, int attribute, int* value) {
    return CurrentEngine().GetCtrlAttributeInt(panel, control, attribute, value);
}
int SetPanelAttribute(int panel, int attribute, int value) {
    return CurrentEngine().SetPanelAttributeInt(panel, attribute, value);
}
int SetPanelAttribute(int panel, int attribute, const char* value) {
    return CurrentEngine().SetPanelAttributeText(panel, attribute, value);
}

int PlotY(int panel, int control, const float* samples, int count, int color) {
    return CurrentEngine().PlotY(panel, control, samples, count, color);
}
int PlotXY(int panel, int control, const float* x, const float* y, int count, int color) {
    return CurrentEngine().PlotXY(panel, control, x, y, count, color);
}
int PlotPolar(int panel, int control, const float* angle, const float* radius, int count,
              int color) {
    return CurrentEngine().PlotPolar(panel, control, angle, radius, count, color);
}
int DeleteGraphPlot(int panel, int control, int plotHandle, int refresh) {
    return CurrentEngine().DeleteGraphPlot(panel, control, plotHandle, refresh);
}
int ResetTextBox(int panel, int control, const char* text) {
    return CurrentEngine().ResetTextBox(panel, control, text);
}
int InsertTextBoxLine(int panel, int control, int index, const char* text) {
    return CurrentEngine().InsertTextBoxLine(panel, control, index, text);
}

int ProcessSystemEvents() {
    return CurrentEngine().ProcessSystemEvents();
}
int SuspendTimerCallbacks() {
    return CurrentEngine().SuspendTimerCallbacks();
}
int ResumeTimerCallbacks() {
    return CurrentEngine().ResumeTimerCallbacks();
}

int ConfirmPopup(const char* title, const char* message) {
    return CurrentEngine().ConfirmPopup(title, message);
}
int GenericMessagePopup(const char* title, const char* message, const char* button1,
                        const char* button2, const char* button3, char* response,
                        int maxResponseLength) {
    return CurrentEngine().GenericMessagePopup(title, message, button1, button2, button3, response,
                                               maxResponseLength);
}
int FileSelectPopup(const char* defaultDirectory, const char* defaultFileSpec, const char* title,
                    char* pathOut, std::size_t size) {
    return CurrentEngine().FileSelectPopup(defaultDirectory, defaultFileSpec, title, pathOut, size);
}
int DirSelectPopup(const char* defaultDirectory, const char* title, char* pathOut,
                   std::size_t size) {
    return CurrentEngine().DirSelectPopup(defaultDirectory, title, pathOut, size);
}
int MessagePopup(const char* title, const char* message) {
    return CurrentEngine().MessagePopup(title, message);
}
int DismissPopup() {
    return CurrentEngine().DismissPopup();
}
int PostDeferredCall(void (*call)(void* data), void* data) {
    return CurrentEngine().PostDeferredCall(call, data);
}
int PostDelayedCall(void (*call)(void* data), void* data, double seconds) {
    return CurrentEngine().PostDelayedCall(call, data, seconds);
}
int PrintPanel(int panel, const char* printerName, const char* pdfPath) {
    return CurrentEngine().PrintPanel(panel, printerName, pdfPath);
}
int OpenReviewWindow(const char* path, char* reason, std::size_t size) {
    return CurrentEngine().OpenReviewWindow(path, reason, size);
}

ClockReading ReadClock() {
    Engine& engine = CurrentEngine();
    return ClockReading{engine.Timer(), engine.CurrentDateTime()};
}

int GetCurrentDateTime(double* dateTime) {
    *dateTime = CurrentEngine().CurrentDateTime();
    return 0;
}

namespace {
// Civil date from days since 1970-01-01 (proleptic Gregorian), so the date-time value splits the
// same way on every platform and for any time zone.
void CivilFromDays(long long days, int* year, int* month, int* day) {
    days += 719468;
    const long long era = (days >= 0 ? days : days - 146096) / 146097;
    const long long dayOfEra = days - era * 146097;
    const long long yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const long long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const long long monthPart = (5 * dayOfYear + 2) / 153;
    *day = static_cast<int>(dayOfYear - (153 * monthPart + 2) / 5 + 1);
    *month = static_cast<int>(monthPart < 10 ? monthPart + 3 : monthPart - 9);
    *year = static_cast<int>(yearOfEra + era * 400 + (*month <= 2 ? 1 : 0));
}

long long WholeSeconds(double dateTime) {
    // Guard the conversion: a date-time far outside any calendar is taken as the epoch.
    if (!(dateTime > -1e15 && dateTime < 1e15)) return 0;
    const long long whole = static_cast<long long>(dateTime);
    return whole > dateTime ? whole - 1 : whole;
}
} // namespace

int GetDateTimeElements(double dateTime, int* hour, int* minute, int* second, int* month, int* day,
                        int* year) {
    const long long whole = WholeSeconds(dateTime);
    long long days = whole / 86400;
    long long secondOfDay = whole % 86400;
    if (secondOfDay < 0) {
        secondOfDay += 86400;
        days -= 1;
    }
    *hour = static_cast<int>(secondOfDay / 3600);
    *minute = static_cast<int>(secondOfDay / 60 % 60);
    *second = static_cast<int>(secondOfDay % 60);
    CivilFromDays(days, year, month, day);
    return 0;
}

int FormatDateTimeString(double dateTime, const char* format, char* buffer, std::size_t size) {
    if (size == 0) return -1;
    std::tm parts{};
    int year = 1970;
    GetDateTimeElements(dateTime, &parts.tm_hour, &parts.tm_min, &parts.tm_sec, &parts.tm_mon,
                        &parts.tm_mday, &year);
    parts.tm_mon -= 1;
    parts.tm_year = year - 1900;
    if (std::strftime(buffer, size, format, &parts) == 0) {
        buffer[0] = '\0';
        return -1;
    }
    return 0;
}

int TimeStr(char* buffer, std::size_t size) {
    return FormatDateTimeString(CurrentEngine().CurrentDateTime(), "%H:%M:%S", buffer, size);
}

double Timer() {
    return CurrentEngine().Timer();
}
void Delay(double seconds) {
    CurrentEngine().Delay(seconds);
}
void Sleep(int milliseconds) {
    CurrentEngine().Sleep(milliseconds);
}

int EscapeKeyDown() {
    return CurrentEngine().EscapeKeyDown();
}
int KeepPanelOnTop(int panel) {
    return CurrentEngine().KeepPanelOnTop(panel);
}
int LaunchBluetoothSettings(int* handle) {
    return CurrentEngine().LaunchBluetoothSettings(handle);
}
int ExecutableHasTerminated(int handle) {
    return CurrentEngine().ExecutableHasTerminated(handle);
}

const char* PortOpenProblem(int result) {
    if (result >= 0) return nullptr;
    if (result == portOpenBusy) return "busy: another station or program has it open";
#ifdef _WIN32
    if (result == portOpenDenied) return "no permission to open it";
#else
    if (result == portOpenDenied)
        return "no permission to open it: add yourself to the dialout group (sudo adduser $USER "
               "dialout), then log in again";
#endif
    if (result == portOpenMissing) return "missing: no such device";
    return "it is no serial port this station can use";
}

const char* Translated(const char* context, const char* source) {
    return CurrentEngine().Translated(context, source);
}

int ComPortExists(const char* deviceName) {
    return CurrentEngine().ComPortExists(deviceName);
}
const char* ComPortPlaces() {
    return CurrentEngine().ComPortPlaces();
}

int OpenComConfig(int port, const char* deviceName, long baud, int parity, int dataBits,
                  int stopBits, int inputQueue, int outputQueue) {
    return CurrentEngine().OpenComConfig(port, deviceName, baud, parity, dataBits, stopBits,
                                         inputQueue, outputQueue);
}
int SetComTime(int port, double seconds) {
    return CurrentEngine().SetComTime(port, seconds);
}
int CloseCom(int port) {
    return CurrentEngine().CloseCom(port);
}
int GetInQLen(int port) {
    return CurrentEngine().GetInQLen(port);
}
int ComRdByte(int port) {
    return CurrentEngine().ComRdByte(port);
}
int ComRdBlock(int port, unsigned char* buffer, int count) {
    return CurrentEngine().ComRdBlock(port, buffer, count);
}
int ComWrtByte(int port, int byte) {
    return CurrentEngine().ComWrtByte(port, byte);
}

const char* Engine::Translated(const char*, const char* source) {
    return source;
}

int Engine::ComPortExists(const char*) {
    return 1;
}
const char* Engine::ComPortPlaces() {
    return "COM1 to COM64";
}

int Engine::ComRdBlock(int port, unsigned char* buffer, int count) {
    int read = 0;
    while (read < count) {
        const int byte = ComRdByte(port);
        if (byte < 0) return read > 0 ? read : byte;
        buffer[read++] = static_cast<unsigned char>(byte);
    }
    return read;
}
