#pragma once
// A Qt engine with both panels of the real resource loaded, and the recorded callbacks cleared.

#include "app/station.h"
#include "platform/engine.h"
#include "platform/qt/qt_engine.h"
#include "setup/catalogue.h"
#include "tests/gui/recorded_callbacks.h"

#include <QLabel>
#include <QList>
#include <QWidget>

#include <qcustomplot.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

inline const char* const resourcePath = ZAN_UI_DIR "/zan_01.uir";

// The caption label the resource puts beside a control, if any.
inline QLabel* CaptionOf(QWidget* control) {
    for (QLabel* label : control->window()->findChildren<QLabel*>())
        if (label->buddy() == control) return label;
    return nullptr;
}

// The traces the rider sees on a graph: shown lines with points, in the order they were plotted.
inline QList<QCPGraph*> Traces(QCustomPlot* plot) {
    QList<QCPGraph*> traces;
    for (int i = 0; i < plot->graphCount(); ++i)
        if (plot->graph(i)->visible() && !plot->graph(i)->data()->isEmpty())
            traces << plot->graph(i);
    return traces;
}

class QtEngineTest : public testing::Test {
  protected:
    void SetUp() override {
        engine = std::make_unique<QtEngine>();
        UseEngine(engine.get());
        AttachStation(*station);
        ClearRecordedCalls();
        afterCall = nullptr;
        mainPanel = LoadPanel(0, resourcePath, MAIN);
        warmupPanel = LoadPanel(0, resourcePath, WARMUP);
        ASSERT_GT(mainPanel, 0);
        ASSERT_GT(warmupPanel, 0);
    }

    void TearDown() override {
        afterCall = nullptr;
        UseEngine(nullptr);
        engine.reset();
    }

    int Handle(int panelNumber) const { return panelNumber == MAIN ? mainPanel : warmupPanel; }
    QWidget* Widget(int control) const { return engine->ControlWidget(mainPanel, control); }
    template <class T> T* Widget(int control) const { return qobject_cast<T*>(Widget(control)); }

    int Attribute(int control, int attribute) const {
        int value = -99;
        GetCtrlAttribute(mainPanel, control, attribute, &value);
        return value;
    }

    std::unique_ptr<QtEngine> engine;
    // The fixture's own station, attached to its engine.
    std::unique_ptr<Station> station = std::make_unique<Station>();
    Station& zan = *station;
    int mainPanel = 0;
    int warmupPanel = 0;
};
