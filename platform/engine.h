#pragma once
// The run-time engine operations the station calls: panels, controls, popups, timers, files, time
// and the serial ports. Every call goes through one Engine object chosen at start: the Qt engine in
// the program, the headless engine in the tests. Files are real files in both engines; the clock
// and the serial ports belong to the engine, so a test can run an hour of pedalling in
// milliseconds.

#include <cstddef>

// Events passed to callbacks.
constexpr int EVENT_COMMIT = 1;
constexpr int EVENT_LEFT_DOUBLE_CLICK = 4;
constexpr int EVENT_TIMER_TICK = 15;

// Control and panel attributes the station sets.
constexpr int ATTR_DIMMED = 500;
constexpr int ATTR_VISIBLE = 530;
constexpr int ATTR_ZPLANE_POSITION = 610;
constexpr int ATTR_LABEL_TEXT = 641;
constexpr int ATTR_TEXT_BGCOLOR = 690;
constexpr int ATTR_CMD_BUTTON_COLOR = 880;
constexpr int ATTR_IMAGE_FILE = 1050;
constexpr int ATTR_XNAME = 1086;
constexpr int ATTR_YNAME = 1093;
constexpr int ATTR_XAXIS_GAIN = 1124;
constexpr int ATTR_TITLE = 573;
constexpr int ATTR_WINDOW_ZOOM = 597;
constexpr int VAL_MAXIMIZE = 2;

// Print attributes.
constexpr int ATTR_PRINTER_NAME = 1325;

// File modes of CVI_OpenFile.
constexpr int VAL_READ_WRITE = 0;
constexpr int VAL_READ_ONLY = 1;
constexpr int VAL_WRITE_ONLY = 2;
constexpr int VAL_TRUNCATE = 0;
constexpr int VAL_ASCII = 1;

// Colours, 24-bit RGB.
constexpr int MakeColor(int red, int green, int blue) {
    return (red << 16) | (green << 8) | blue;
}
constexpr int VAL_RED = MakeColor(255, 0, 0);
constexpr int VAL_GREEN = MakeColor(0, 255, 0);
constexpr int VAL_BLUE = MakeColor(0, 0, 255);
constexpr int VAL_CYAN = MakeColor(0, 255, 255);
constexpr int VAL_YELLOW = MakeColor(255, 255, 0);
constexpr int VAL_WHITE = MakeColor(255, 255, 255);
constexpr int VAL_LT_GRAY = MakeColor(192, 192, 192);
constexpr int VAL_ORANGE = MakeColor(255, 128, 0);
constexpr int VAL_BLACK = MakeColor(0, 0, 0);

// The engine's callback form: a callback is declared as ZAN_CALLBACK(NAME);
#define ZAN_CALLBACK(name)                                                                         \
    int name(int panel, int control, int event, void* callbackData, int eventData1, int eventData2)
using CtrlCallbackPtr = int (*)(int panel, int control, int event, void* callbackData,
                                int eventData1, int eventData2);

// The callback table of the program: the engine finds a control's callback by its name.
CtrlCallbackPtr FindCallback(const char* name);
// The program's own words for a control of its resource, for screen readers: the label the
// rider reads (with its unit) and the name the code uses. False for a control it does not name.
bool DescribeControl(int panel, int control, const char** label, const char** name);

// One engine per run; every operation below forwards to it.
struct Engine {
    virtual ~Engine() = default;

    // The program's own state, in parts, which its routines reach through the engine they run on:
    // each engine serves one program, so two programs on two engines never share a part. Each
    // part is filed under a key of its own (see platform/program_part.h).
    static constexpr int partCapacity = 8;
    const void* partKeys[partCapacity] = {};
    void* parts[partCapacity] = {};

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

    // Prints the panel on the named printer; with no such printer, writes a PDF file to pdfPath.
    // Returns 1 when printed, 2 when written to pdfPath, negative on failure.
    virtual int PrintPanel(int panel, const char* printerName, const char* pdfPath) = 0;

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
// Files a part of the program's state under key with the engine in use, replacing the part filed
// there before; the part found under a key, or nullptr.
void AttachProgramPart(const void* key, void* part);
void* ProgramPart(const void* key);
Engine& CurrentEngine();

// The operations, as the station calls them.
int InitCVIRTE(void* instance, int, int);
int LoadPanel(int parent, const char* file, int panelNumber);
int DisplayPanel(int panel);
int HidePanel(int panel);
int DiscardPanel(int panel);
int RunUserInterface();
int QuitUserInterface(int code);

int SetCtrlVal(int panel, int control, int value);
int SetCtrlVal(int panel, int control, double value);
int SetCtrlVal(int panel, int control, const char* value);
int GetCtrlVal(int panel, int control, int* value);
int GetCtrlVal(int panel, int control, float* value);
int GetCtrlVal(int panel, int control, double* value);
int GetCtrlVal(int panel, int control, char* value, std::size_t size);
int SetCtrlAttribute(int panel, int control, int attribute, int value);
int SetCtrlAttribute(int panel, int control, int attribute, double value);
int SetCtrlAttribute(int panel, int control, int attribute, const char* value);
int GetCtrlAttribute(int panel, int control, int attribute, int* value);
int SetPanelAttribute(int panel, int attribute, int value);
int SetPanelAttribute(int panel, int attribute, const char* value);

int PlotY(int panel, int control, const float* samples, int count, int color);
int PlotXY(int panel, int control, const float* x, const float* y, int count, int color);
int DeleteGraphPlot(int panel, int control, int plotHandle, int refresh);
int ResetTextBox(int panel, int control, const char* text);
// Appends a line at the end of a text box.
int InsertTextBoxLine(int panel, int control, int index, const char* text);

int ProcessSystemEvents();
int SuspendTimerCallbacks();
int ResumeTimerCallbacks();

int ConfirmPopup(const char* title, const char* message);
int GenericMessagePopup(const char* title, const char* message, const char* button1,
                        const char* button2, const char* button3, char* response,
                        int maxResponseLength);
int FileSelectPopup(const char* defaultDirectory, const char* defaultFileSpec, const char* title,
                    char* pathOut, std::size_t size);
int DirSelectPopup(const char* defaultDirectory, const char* title, char* pathOut,
                   std::size_t size);
int MessagePopup(const char* title, const char* message);
int DismissPopup();
int PostDeferredCall(void (*call)(void* data), void* data);
int PostDelayedCall(void (*call)(void* data), void* data, double seconds);
int PrintPanel(int panel, const char* printerName, const char* pdfPath);

// Time and waiting.
int GetCurrentDateTime(double* dateTime);
int GetDateTimeElements(double dateTime, int* hour, int* minute, int* second, int* month, int* day,
                        int* year);
// Formats a date-time (or an elapsed time, taken modulo 24 hours) with strftime codes.
int FormatDateTimeString(double dateTime, const char* format, char* buffer, std::size_t size);
// The time of day as "hh:mm:ss".
int TimeStr(char* buffer, std::size_t size);
double Timer();
void Delay(double seconds);
void Sleep(int milliseconds);

// Platform calls.
int EscapeKeyDown();
int KeepPanelOnTop(int panel);
int LaunchBluetoothSettings(int* handle);
int ExecutableHasTerminated(int handle);

// Serial ports.
int OpenComConfig(int port, const char* deviceName, long baud, int parity, int dataBits,
                  int stopBits, int inputQueue, int outputQueue);
int SetComTime(int port, double seconds);
int CloseCom(int port);
int GetInQLen(int port);
int ComRdByte(int port);
// Reads up to count waiting bytes in one call; the number read, or negative when none came.
int ComRdBlock(int port, unsigned char* buffer, int count);
int ComWrtByte(int port, int byte);

// Text files: real files in every engine. Handles are small positive numbers; -1 on failure.
int CVI_OpenFile(const char* path, int mode, int action, int fileType);
// Closes the file; negative if anything written could not be stored.
int CVI_CloseFile(int handle);
// Reads the next line; keeps at most maxChars characters of it, skips the rest of the line.
// Returns the characters kept, -2 at the end of the file, -1 on a bad handle.
int ReadLine(int handle, char* buffer, int maxChars);
// Writes the text and a line end; returns the characters written, -1 on failure.
int WriteLine(int handle, const char* text, int length);
// Flushes the file and has the system store it on disk; 0 on success.
int SyncFile(int handle);
// True while path names the file open under handle; false once that file was deleted or moved
// away, or another file took its name.
bool FileIsAt(int handle, const char* path);
// Writes all that the file open for reading and writing under source holds, from its start, to
// the file open under target; source then writes on at its end. 0 on success.
int CopyOpenFile(int source, int target);
bool FileExists(const char* path);
int MakeDir(const char* name);
int GetDir(char* buffer, std::size_t size);
// Replaces target by source in one step; 0 on success.
int RenameFile(const char* source, const char* target);
// Copies a regular file's bytes over target; 0 on success, -1 for anything else it names.
int CopyRegularFile(const char* source, const char* target);

// What reading a small text file whole came to.
enum class SmallFileRead { Read, Missing, Folder, NotAFile, CannotRead };
// Reads at most capacity bytes of a small text file (the rest is left unread) into buffer, with
// their number in size. Only a regular file is opened: a folder, a device or a pipe is refused
// at once, so no read ever waits or runs on without end.
SmallFileRead ReadSmallFile(const char* path, char* buffer, std::size_t capacity,
                            std::size_t* size);
int RemoveFile(const char* path);
