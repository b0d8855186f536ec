#pragma once
// The run-time engine the station runs on: panels, controls, popups, timers, files, time and the
// serial ports. Every operation goes through one Engine object chosen at start: the Qt engine in
// the program, the headless engine in the tests. Files are real files in both engines; the clock
// and the serial ports belong to the engine, so a test can run an hour of pedalling in
// milliseconds. The operations are declared by what they serve, so each layer names what it
// uses: platform/port.h, platform/clock.h, platform/files.h, platform/texts.h and (for app/ only)
// platform/panel.h.

#include "platform/clock.h"
#include "platform/files.h"
#include "platform/panel.h"
#include "platform/port.h"
#include "platform/texts.h"

#include <cstddef>

// One engine per run; every operation below forwards to it.
struct Engine {
    virtual ~Engine() = default;

    // The one program this engine runs, for the callbacks the engine calls back: each engine
    // serves one program, so two programs on two engines never meet. The engine never reads it.
    void* program = nullptr;

    virtual int InitCVIRTE(void* instance) = 0;
    virtual int LoadPanel(int parent, const char* file, int panelNumber) = 0;
    virtual int DisplayPanel(int panel) = 0;
    virtual int HidePanel(int panel) = 0;
    virtual int DiscardPanel(int panel) = 0;
    virtual int RunUserInterface() = 0;
    virtual int QuitUserInterface(int code) = 0;

    virtual int SetCtrlValInt(int panel, int control, int value) = 0;
    virtual int SetCtrlValDouble(int panel, int control, double value) = 0;
    virtual int SetCtrlValText(int panel, int control, const char* value) = 0;
    virtual int GetCtrlValDouble(int panel, int control, double* value) = 0;
    // Text of a text control; at most size - 1 characters and the terminator.
    virtual int GetCtrlValText(int panel, int control, char* value, std::size_t size) = 0;
    virtual int SetCtrlAttributeInt(int panel, int control, int attribute, int value) = 0;
    virtual int SetCtrlAttributeDouble(int panel, int control, int attribute, double value) = 0;
    virtual int SetCtrlAttributeText(int panel, int control, int attribute, const char* value) = 0;
    virtual int GetCtrlAttributeInt(int panel, int control, int attribute, int* value) = 0;
    virtual int SetPanelAttributeInt(int panel, int attribute, int value) = 0;
    virtual int SetPanelAttributeText(int panel, int attribute, const char* value) = 0;
    virtual int GetPanelAttributeText(int panel, int attribute, char* value, std::size_t size) = 0;

    virtual int PlotY(int panel, int control, const float* samples, int count, int color) = 0;
    // A trace whose samples lie at the given X values, rising; the X gain does not apply.
    virtual int PlotXY(int panel, int control, const float* x, const float* y, int count,
                       int color) = 0;
    // A closed curve around the graph's centre: point i at angle[i] degrees, clockwise from the
    // top, and radius[i] from the centre, in their order; a single point is a dot. The graph is
    // a polar view from then on: square, both axes at the same scale, marked with the angles.
    virtual int PlotPolar(int panel, int control, const float* angle, const float* radius,
                          int count, int color) = 0;
    virtual int DeleteGraphPlot(int panel, int control, int plotHandle, int refresh) = 0;
    virtual int ResetTextBox(int panel, int control, const char* text) = 0;
    virtual int InsertTextBoxLine(int panel, int control, int index, const char* text) = 0;

    virtual int ProcessSystemEvents() = 0;
    virtual int SuspendTimerCallbacks() = 0;
    virtual int ResumeTimerCallbacks() = 0;

    virtual int ConfirmPopup(const char* title, const char* message) = 0;
    // Returns the number of the button pressed, from 1; the typed text goes to response.
    virtual int GenericMessagePopup(const char* title, const char* message, const char* button1,
                                    const char* button2, const char* button3, char* response,
                                    int maxResponseLength) = 0;
    // Returns 0 when cancelled, else a positive code and the full path in pathOut.
    virtual int FileSelectPopup(const char* defaultDirectory, const char* defaultFileSpec,
                                const char* title, char* pathOut, std::size_t size) = 0;
    virtual int DirSelectPopup(const char* defaultDirectory, const char* title, char* pathOut,
                               std::size_t size) = 0;
    virtual int MessagePopup(const char* title, const char* message) = 0;
    // Closes the generic popup waiting for its answer, which then returns 0 (no button).
    virtual int DismissPopup() = 0;
    // Runs call(data) once the callback in progress has returned, from the event loop: a popup
    // opened there leaves every timer ticking while it waits. Outside a callback, at once.
    virtual int PostDeferredCall(void (*call)(void* data), void* data) = 0;
    // Runs call(data) once, from the event loop, when the engine's clock has gone on by the given
    // seconds; everything else runs meanwhile.
    virtual int PostDelayedCall(void (*call)(void* data), void* data, double seconds) = 0;

    // The station's text in the rider's language (platform/texts.h). By default the text as
    // written: the headless engine's tests read the texts the code writes.
    virtual const char* Translated(const char* context, const char* source);

    // Prints the panel on the named printer; with no such printer, writes a PDF file to pdfPath.
    // Returns 1 when printed, 2 when written to pdfPath, negative on failure.
    virtual int PrintPanel(int panel, const char* printerName, const char* pdfPath) = 0;
    // Opens a past ride (a session file) in a review window of its own, beside the panel.
    // Returns 0 once the window opens, or once the file is being read beside the timers (the
    // program then tells a refusal itself); negative with a one-line reason when it refuses at
    // once.
    virtual int OpenReviewWindow(const char* path, char* reason, std::size_t size) = 0;

    // Seconds of local time since 1970-01-01 00:00, as a naive local date-time.
    virtual double CurrentDateTime() = 0;
    // Seconds on a monotonic clock; only differences count.
    virtual double Timer() = 0;
    virtual void Delay(double seconds) = 0;
    virtual void Sleep(int milliseconds) = 0;

    virtual int EscapeKeyDown() = 0;
    // Brings the panel's window to the front and keeps it above the others; 0 if it has no window.
    virtual int KeepPanelOnTop(int panel) = 0;
    virtual int LaunchBluetoothSettings(int* handle) = 0;
    virtual int ExecutableHasTerminated(int handle) = 0;

    // Whether the device "COMk" is there to be tried, and where the engine looks. By default every
    // port is there: an engine without a machine's ports lets the opens tell.
    virtual int ComPortExists(const char* deviceName);
    virtual const char* ComPortPlaces();
    virtual int OpenComConfig(int port, const char* deviceName, long baud, int parity, int dataBits,
                              int stopBits, int inputQueue, int outputQueue) = 0;
    virtual int SetComTime(int port, double seconds) = 0;
    virtual int CloseCom(int port) = 0;
    virtual int GetInQLen(int port) = 0;
    virtual int ComRdByte(int port) = 0;
    // Up to count waiting bytes into buffer: the number read, or negative when the port gave
    // none. By default one ComRdByte a byte; an engine whose port can hand over a block does so
    // in one step, and an engine that replaces ComRdByte replaces this with it.
    virtual int ComRdBlock(int port, unsigned char* buffer, int count);
    virtual int ComWrtByte(int port, int byte) = 0;
};

// The engine in use; a test or main() chooses it before the first operation.
void UseEngine(Engine* engine);
Engine& CurrentEngine();
