#pragma once
// The engine of the real program: the panels are ui/zan_01.uir compiled in by uic, the
// controls are Qt widgets, the timers QTimers, the popups real dialogs and the graph a
// QCustomPlot. Every operation runs on the thread that created the QApplication.

#include "platform/control_kind.h"
#include "platform/engine.h"
#include "platform/text_language.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QPointer>
#include <QString>

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

class QCustomPlot;
class QObject;
class QProcess;
class QTimer;
class QWidget;

// The file of an image a control names: in the working folder, else beside the program (the
// Windows folder, a build), else in the installed data folder, ZAN_INSTALLED_DATA from the
// program's folder (/usr/share/zan-station for /usr/bin/zan_pc). Empty when none holds it.
QString FindImageFile(const QString& name, const QString& programFolder);

// Loads the catalogue of the station's texts in the language into the application, in place of
// the one loaded before; the texts as written need none. Called before the panels are loaded:
// their labels are looked up as they are built. False when the catalogue does not load.
bool UseTextLanguage(TextLanguage language);

class QtEngine : public Engine {
  public:
    QtEngine();
    ~QtEngine() override;
    QtEngine(const QtEngine&) = delete;
    QtEngine& operator=(const QtEngine&) = delete;

    // For the GUI tests and the screenshot: the panel's window, a control's widget, a graph.
    QWidget* PanelWindow(int panel) const;
    QWidget* ControlWidget(int panel, int control) const;
    // The graph's plot, its axes fitted to the plots so far.
    QCustomPlot* GraphPlot(int panel, int control);

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
    // Looked up in the application's catalogue, as the panels' labels are.
    const char* Translated(const char* context, const char* source) override;
    int PrintPanel(int panel, const char* printerName, const char* pdfPath) override;
    // The review window is the program's, above the engine: the program gives the engine the
    // routine that opens it (which reads the ride beside the timers and tells a refusal itself).
    int OpenReviewWindow(const char* path, char* reason, std::size_t size) override;
    void (*reviewOpener)(const char* path) = nullptr;
    // Nobody is at the window (a quit asked for by a signal): a message popup goes to the
    // standard error instead.
    bool popupsToStandardError = false;

    double CurrentDateTime() override;
    double Timer() override;
    void Delay(double seconds) override;
    void Sleep(int milliseconds) override;

    int EscapeKeyDown() override;
    int KeepPanelOnTop(int panel) override;
    int LaunchBluetoothSettings(int* handle) override;
    int ExecutableHasTerminated(int handle) override;

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
    struct Graph;
    struct Control {
        QWidget* widget = nullptr;
        ControlKind kind = ControlKind::Decoration;
        // A numeric control keeps its value here, in single precision: the spin box shows it
        // rounded to its decimals, but the program reads back what it wrote.
        double value = 0.0;
        std::map<int, int> intAttributes;
        std::map<int, double> doubleAttributes;
        CtrlCallbackPtr callback = nullptr;
        std::unique_ptr<Graph> graph;
        // A numeric entry commits on Enter, or on leaving it after the rider changed it.
        bool enterPressed = false;
        bool changedByUser = false;
        // A lamp has been given its look once.
        bool styled = false;
        ~Control();
    };
    struct Panel {
        QPointer<QWidget> window;
        int resourceNumber = 0;
        std::map<int, Control> controls;
        std::vector<QTimer*> timers;
    };

    Panel* FindPanel(int panel) const;
    Control* FindControl(int panel, int control) const;
    void AttachControl(int handle, Panel& panel, QWidget* widget);
    void ConnectCallback(int handle, int id, Control& control, const QString& callbackName);
    void StartTimers(Panel& panel);
    void Fire(int panel, int control, int event);
    // Setting a value never fires the control's callback.
    int SetValue(Control& control, double number, const QString& text, bool isText);
    int ApplyAttribute(Control& control, int attribute, int number, double real,
                       const QString& text);
    void ApplyColors(Control& control);
    // Enter on a focused control's button presses it; installed on the application.
    static std::unique_ptr<QObject> MakeCommandKeys();
    void SetupGraph(Control& control);
    void RescaleGraph(Graph& graph);
    void NameGraphAxis(Graph& graph, bool xAxis, const QString& name);
    void MarkGraphStale(Graph& graph);
    void SettleGraph(Graph& graph);
    // Every graph with plots come or gone fits its axes and takes its points.
    void SettleGraphs();
    template <typename XAt>
    int PlotTrace(int panel, int control, XAt xAt, const float* samples, int count, int color);

    // The rider's presses while the program holds its callbacks (the device search, the wait for
    // the Bluetooth settings) wait for its end, a press repeated meanwhile counted once: a quit
    // pressed during the search quits once, after it.
    struct HeldCall {
        CtrlCallbackPtr callback;
        int panel;
        int control;
        int event;
    };
    void CallOrHold(CtrlCallbackPtr callback, int panel, int control, int event);
    void RunHeldCalls();

    friend class QtEngineFilter;

    std::map<int, std::unique_ptr<Panel>> panels;
    std::vector<QPointer<QWidget>> discarded; // deleted at the next turn of the event loop
    int nextHandle = 1;
    bool running = false;
    bool quitRequested = false;
    int quitCode = 0;
    bool timersSuspended = false;
    bool escapeDown = false;
    bool pollingEscape = false;
    std::vector<HeldCall> heldCalls;
    int staleGraphs = 0;            // graphs marked stale since the last settling of all
    QPointer<QDialog> genericPopup; // the generic popup waiting for its answer
    bool popupDismissed = false;
    QElapsedTimer clock;
    std::unique_ptr<QObject> filter;
    std::unique_ptr<QObject> commandKeys = MakeCommandKeys();
    std::map<int, std::unique_ptr<QProcess>> launched;
    // Every translated text handed out, kept for the program's life (texts are few).
    std::set<std::string, std::less<>> translatedTexts;
    int nextLaunch = 1;
};
