#pragma once
// The panels, their controls, popups, the event loop and the desktop, as the application shell
// calls them. Only app/ (and the engines) use them: the subsystems below return what the panel
// should show.

#include "platform/control_kind.h"

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
int PlotPolar(int panel, int control, const float* angle, const float* radius, int count,
              int color);
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
int OpenReviewWindow(const char* path, char* reason, std::size_t size);

// Platform calls.
int EscapeKeyDown();
int KeepPanelOnTop(int panel);
int LaunchBluetoothSettings(int* handle);
int ExecutableHasTerminated(int handle);
