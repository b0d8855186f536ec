#pragma once
// The engine the tests run the station on: no screen, a virtual clock, popups answered from a
// script, and in-memory serial devices. It keeps every control's value, attributes, lines and
// plotted traces so a test can read back what the rider would have seen.

#include "platform/engine.h"
#include "setup/catalogue.h"

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

struct HeadlessPlot {
    std::vector<float> samples;
    std::vector<float> x; // empty: sample i lies at i times the gain
    int color = 0;
    double xGain = 1.0;
    // A closed curve: x holds the angles in degrees, samples the radii.
    bool polar = false;
};

struct HeadlessControl {
    ControlKind kind = ControlKind::Numeric;
    double value = 0.0;
    std::string text;
    std::vector<std::string> lines; // a text box's lines
    std::vector<HeadlessPlot> plots;
    std::map<int, int> intAttributes;
    std::map<int, double> doubleAttributes;
    std::map<int, std::string> textAttributes;
    int setCount = 0; // how often the program set the value

    bool Dimmed() const;
    bool Visible() const;
    int Color() const; // value background colour, attribute 690; -1 when never set
};

struct HeadlessPanel {
    int number = 0; // resource panel number: 1 warm-up, 2 main
    bool visible = false;
    bool discarded = false;
    bool onTop = false;
    std::map<int, int> intAttributes;
    std::map<int, std::string> textAttributes;
    std::map<int, HeadlessControl> controls;

    std::string Title() const;
};

// A serial device as the station's port sees it: bytes the crank sent wait in input, bytes the
// station wrote collect in sent.
struct HeadlessDevice {
    std::deque<unsigned char> input;
    std::vector<unsigned char> sent;
    double openSeconds = 0.0; // how long an open of this device takes on the virtual clock
    bool failsOpen = false;   // the open takes its time, then fails
    bool busy = false;        // another station holds it: every open fails at once as busy
    bool denied = false;      // not the rider's to open: every open fails at once as denied
    bool gone = false;        // listed, its device gone: every open fails at once as missing
    // Called before each queue-length query, so a test can stream frames on the virtual clock.
    std::function<void(HeadlessDevice&)> feed;
};

struct HeadlessPort {
    bool open = false;
    std::string deviceName;
    long baud = 0;
    int parity = -1;
    int dataBits = 0;
    int stopBits = 0;
    double timeout = 0.0;
};

struct PopupRecord {
    std::string kind; // "confirm", "generic", "file", "dir", "message"
    std::string title;
    std::string message;
};

struct GenericAnswer {
    int button = 1;
    std::string response;
    // Virtual seconds the popup waits for the answer, the timers ticking meanwhile; the program
    // may close it before (DismissPopup), and it then answers 0.
    double openSeconds = 0.0;
};

class HeadlessEngine : public Engine {
  public:
    HeadlessEngine();

    // What the test scripts.
    bool failInit = false;
    bool failLoadPanel = false;
    std::deque<int> confirmAnswers; // ConfirmPopup answers; none left answers 0
    // Virtual seconds each ConfirmPopup waits before its answer, as a modal question: the timers
    // tick meanwhile, except the one whose callback asked; a quit closes it unanswered (0).
    // None left: answered at once.
    std::deque<double> confirmOpenSeconds;
    std::deque<GenericAnswer> genericAnswers; // GenericMessagePopup; none left answers button 1
    std::deque<std::string> fileAnswers;      // FileSelectPopup paths; "" or none = cancel
    std::deque<std::string> dirAnswers;       // DirSelectPopup folders; "" or none = cancel
    double dirPopupSeconds = 0.0;             // how long the rider keeps the folder popup open
    std::function<bool()> escapeKey;          // Escape held; none = never
    int bluetoothSettingsPolls = 1;           // polls before the launched settings end
    std::vector<std::string> printerNames;    // installed printers
    std::string reviewRefusal;                // why a review window does not open; none = it opens

    // What the test reads back.
    std::vector<PopupRecord> popups;
    std::vector<std::string> printed;  // "printer:NAME" or "pdf:PATH" per print
    std::vector<std::string> reviewed; // the path of each review window opened
    int bluetoothLaunches = 0;
    int suspendedTimers = 0; // nesting of SuspendTimerCallbacks
    bool quitRequested = false;

    HeadlessPanel& Panel(int handle);
    // The panel loaded from the given resource panel number (MAIN, WARMUP); the most recent one.
    HeadlessPanel& PanelNumber(int panelNumber);
    HeadlessControl& Control(int handle, int control);
    int HandleOf(int panelNumber) const;

    HeadlessDevice& Device(const std::string& name);
    bool HasDevice(const std::string& name) const;
    HeadlessPort& Port(int port);

    // The virtual clock: seconds since the engine started, and the local date-time it started at.
    double now = 0.0;
    double startDateTime = 0.0;
    // Runs the timers and scheduled actions up to the given virtual time (seconds from start).
    void RunUntil(double until);
    // Schedules an action at a virtual time, run by RunUntil or the event loop.
    void At(double when, std::function<void()> action);
    // RunUserInterface returns at this virtual time when nothing quit it before.
    double runLimit = 3600.0;
    int linkTimerMs = 20;
    int displayTimerMs = 500;
    bool timersRunning = true;

    int InitCVIRTE(void* instance) override;
    int LoadPanel(int parent, const char* file, int panelNumber) override;
    int DisplayPanel(int panel) override;
    int HidePanel(int panel) override;
    int DiscardPanel(int panel) override;
    int RunUserInterface() override;
    int QuitUserInterface(int code) override;

    int SetCtrlValInt(int panel, int control, int value) override;
    int SetCtrlValDouble(int panel, int control, double value) override;
    int SetCtrlValText(int panel, int control, const char* value) override;
    int GetCtrlValDouble(int panel, int control, double* value) override;
    int GetCtrlValText(int panel, int control, char* value, std::size_t size) override;
    int SetCtrlAttributeInt(int panel, int control, int attribute, int value) override;
    int SetCtrlAttributeDouble(int panel, int control, int attribute, double value) override;
    int SetCtrlAttributeText(int panel, int control, int attribute, const char* value) override;
    int GetCtrlAttributeInt(int panel, int control, int attribute, int* value) override;
    int SetPanelAttributeInt(int panel, int attribute, int value) override;
    int SetPanelAttributeText(int panel, int attribute, const char* value) override;
    int GetPanelAttributeText(int panel, int attribute, char* value, std::size_t size) override;

    int PlotY(int panel, int control, const float* samples, int count, int color) override;
    int PlotXY(int panel, int control, const float* x, const float* y, int count,
               int color) override;
    int PlotPolar(int panel, int control, const float* angle, const float* radius, int count,
                  int color) override;
    int DeleteGraphPlot(int panel, int control, int plotHandle, int refresh) override;
    int ResetTextBox(int panel, int control, const char* text) override;
    int InsertTextBoxLine(int panel, int control, int index, const char* text) override;

    int ProcessSystemEvents() override;
    int SuspendTimerCallbacks() override;
    int ResumeTimerCallbacks() override;

    int ConfirmPopup(const char* title, const char* message) override;
    int GenericMessagePopup(const char* title, const char* message, const char* button1,
                            const char* button2, const char* button3, char* response,
                            int maxResponseLength) override;
    int FileSelectPopup(const char* defaultDirectory, const char* defaultFileSpec,
                        const char* title, char* pathOut, std::size_t size) override;
    int DirSelectPopup(const char* defaultDirectory, const char* title, char* pathOut,
                       std::size_t size) override;
    int MessagePopup(const char* title, const char* message) override;
    int DismissPopup() override;
    int PostDeferredCall(void (*call)(void* data), void* data) override;
    int PostDelayedCall(void (*call)(void* data), void* data, double seconds) override;
    bool popupWaiting = false;
    bool popupDismissed = false;
    int PrintPanel(int panel, const char* printerName, const char* pdfPath) override;
    int OpenReviewWindow(const char* path, char* reason, std::size_t size) override;

    double CurrentDateTime() override;
    double Timer() override;
    void Delay(double seconds) override;
    void Sleep(int milliseconds) override;

    int EscapeKeyDown() override;
    int KeepPanelOnTop(int panel) override;
    int LaunchBluetoothSettings(int* handle) override;
    int ExecutableHasTerminated(int handle) override;

    // The devices made with Device() are the machine's ports.
    int ComPortExists(const char* deviceName) override;
    const char* ComPortPlaces() override;
    int OpenComConfig(int port, const char* deviceName, long baud, int parity, int dataBits,
                      int stopBits, int inputQueue, int outputQueue) override;
    int SetComTime(int port, double seconds) override;
    int CloseCom(int port) override;
    int GetInQLen(int port) override;
    int ComRdByte(int port) override;
    int ComRdBlock(int port, unsigned char* buffer, int count) override;
    int ComWrtByte(int port, int byte) override;

  private:
    struct Scheduled {
        double when;
        std::function<void()> action;
    };
    HeadlessPanel* Find(int handle);
    HeadlessControl* FindControl(int handle, int control);
    HeadlessDevice* BoundDevice(int port);
    void Tick(const char* callbackName);
    // Runs every timer tick and action due by the current virtual time, in time order.
    void RunDue();

    std::map<int, HeadlessPanel> panels;
    std::map<std::string, HeadlessDevice> devices;
    std::map<int, HeadlessPort> ports;
    std::vector<Scheduled> scheduled;
    int nextHandle = 1;
    int quitCode = 0;
    int bluetoothPollsLeft = 0;
    double nextLinkTick = 0.0;
    double nextDisplayTick = 0.0;
    bool inLinkTick = false;
    bool inDisplayTick = false;
    bool runningDue = false;
};
