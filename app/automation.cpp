#include "app/automation.h"

#include "app/station.h"
#include "measure/power.h"
#include "platform/engine.h"
#include "setup/catalogue.h"

#include <QApplication>
#include <QDialog>
#include <QTimer>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {
// The longest a script may run, and the highest number a step may give.
constexpr double longestSeconds = 86400.0;
constexpr long highestValue = 99999;

struct NamedAction {
    const char* name;
    AutomationAction action;
    bool takesValue;
};

constexpr NamedAction namedActions[] = {
    {"session", AutomationAction::Session, false},
    {"turn", AutomationAction::Turn, false},
    {"capture", AutomationAction::Capture, false},
    {"plot", AutomationAction::Plot, true},
    {"code", AutomationAction::Code, true},
    {"quit", AutomationAction::Quit, false},
    {"histories", AutomationAction::Histories, true},
    {"reconnect", AutomationAction::Reconnect, false},
    {"readouts", AutomationAction::Readouts, false},
};

bool ParseStep(const std::string& text, AutomationStep& step, std::string& error) {
    const std::string::size_type colon = text.find(':');
    if (colon == std::string::npos) {
        error = "\"" + text + "\" has no \"seconds:\" before its action";
        return false;
    }
    const std::string when = text.substr(0, colon);
    char* end = nullptr;
    errno = 0;
    const double seconds = std::strtod(when.c_str(), &end);
    if (when.empty() || *end != '\0' || errno != 0 || !(seconds >= 0.0) ||
        seconds > longestSeconds) {
        error = "\"" + when + "\" is no time from 0 to 86400 seconds";
        return false;
    }
    std::string name = text.substr(colon + 1);
    std::string value;
    const std::string::size_type equals = name.find('=');
    if (equals != std::string::npos) {
        value = name.substr(equals + 1);
        name.resize(equals);
    }
    for (const NamedAction& known : namedActions) {
        if (name != known.name) continue;
        if (known.takesValue != (equals != std::string::npos)) {
            error = "\"" + text + "\": " + name + (known.takesValue ? " needs" : " takes no") +
                    " \"=number\"";
            return false;
        }
        long number = 0;
        if (known.takesValue) {
            errno = 0;
            number = std::strtol(value.c_str(), &end, 10);
            if (value.empty() || *end != '\0' || errno != 0 || number < 0 ||
                number > highestValue) {
                error = "\"" + value + "\" is no number from 0 to 99999";
                return false;
            }
        }
        step = {static_cast<int>(std::lround(seconds * 1000.0)), known.action,
                static_cast<int>(number)};
        return true;
    }
    error = "unknown action \"" + name + "\"";
    return false;
}

void Press(const char* callbackName) {
    const Station& zan = EngineStation();
    if (CtrlCallbackPtr command = FindCallback(callbackName))
        command(zan.setup.mainPanel, 0, EVENT_COMMIT, nullptr, 0, 0);
}

// What the panel shows of the crank, as the rider reads it, appended to readouts.txt in the
// working folder: a script run without a console (a window program on Windows) reads it there.
void KeepShownReadouts(const Station& zan) {
    double power = 0.0;
    double cadence = 0.0;
    GetCtrlVal(zan.setup.mainPanel, MAIN_POWER_TOTAL, &power);
    GetCtrlVal(zan.setup.mainPanel, MAIN_CADENCE, &cadence);
    if (std::FILE* file = std::fopen("readouts.txt", "a")) {
        std::fprintf(file, "power %.1f cadence %.1f\n", power, cadence);
        std::fclose(file);
    }
}

// Answers the next popup as a rider who cancels it, once it shows (within two seconds).
void CancelNextPopup() {
    auto* poll = new QTimer(QCoreApplication::instance());
    auto looks = std::make_shared<int>(0);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, looks] {
        if (auto* popup = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            popup->reject();
            poll->deleteLater();
        } else if (++*looks >= 100) {
            poll->deleteLater();
        }
    });
    poll->start(20);
}
} // namespace

bool ParseAutomation(const std::string& script, std::vector<AutomationStep>& steps,
                     std::string& error) {
    steps.clear();
    std::string::size_type start = 0;
    while (start <= script.size()) {
        std::string::size_type end = script.find(';', start);
        if (end == std::string::npos) end = script.size();
        const std::string text = script.substr(start, end - start);
        start = end + 1;
        if (text.empty()) continue;
        AutomationStep step{};
        if (!ParseStep(text, step, error)) {
            steps.clear();
            return false;
        }
        steps.push_back(step);
    }
    return true;
}

void RunAutomationStep(const AutomationStep& step) {
    const Station& zan = EngineStation();
    switch (step.action) {
    case AutomationAction::Session:
        if (zan.record.sessionActive == 0) CancelNextPopup();
        Press("SAVE");
        break;
    case AutomationAction::Turn:
        Press("SAVET");
        break;
    case AutomationAction::Capture:
        Press("SAVE10");
        break;
    case AutomationAction::Plot:
        SetCtrlVal(zan.setup.mainPanel, MAIN_PLOT_MODE, step.value);
        break;
    case AutomationAction::Code:
        SetCtrlVal(zan.setup.mainPanel, MAIN_ACCESS_CODE, step.value);
        if (CtrlCallbackPtr enter = FindCallback("PWD"))
            enter(zan.setup.mainPanel, MAIN_ACCESS_CODE, EVENT_COMMIT, nullptr, 0, 0);
        break;
    case AutomationAction::Quit:
        Press("FINE");
        break;
    case AutomationAction::Histories:
        FillHistoriesForMeasuring(EngineStation().measure, step.value);
        break;
    case AutomationAction::Reconnect:
        Press("ONLINE");
        break;
    case AutomationAction::Readouts:
        KeepShownReadouts(zan);
        break;
    }
}

void ScheduleAutomation(const std::vector<AutomationStep>& steps) {
    for (const AutomationStep& step : steps)
        QTimer::singleShot(step.milliseconds, QCoreApplication::instance(),
                           [step] { RunAutomationStep(step); });
}
