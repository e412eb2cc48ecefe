#pragma once

#include "acquisition/capture_state.h"
#include "acquisition/serial_link.h"
#include "common/rate_limit.h"
#include "display/scope_surface.h"

#include <QTimer>
#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QScrollBar;
class DumpBox;
class ScopeScreen;

// The scope's one window. It owns the controls, the serial component, the
// redraw timer and the capture state, and hands each event to its handler.
class Form1 : public QWidget, public CaptureState, private ReadoutDisplay
{
    Q_OBJECT

public:
    // Opens `devicePath` instead of the host's first serial port, and reads
    // what it tells of a failing port from `host`.
    explicit Form1(const QString &devicePath = {}, HostView host = HostView::system(), QWidget *parent = nullptr);
    ~Form1() override;

    QLabel *lblDeltaV;
    QScrollBar *scrollVLine1;
    QScrollBar *scrollVLine2;
    QLabel *lblDeltaH;
    QScrollBar *scrollHLine1;
    QScrollBar *scrollHLine2;
    QCheckBox *chkLookForTrigger;
    QLineEdit *txtTriggerLow;
    QLabel *Label1;
    QLineEdit *txtTriggerHigh;
    QLabel *Label2;
    QLineEdit *txtArraySize;
    QCheckBox *chkPauseRedraw;
    ScopeScreen *Picture1;
    DumpBox *txtInput;
    // Which device the port is and, when it cannot be used, why.
    QLabel *lblPortStatus;
    QTimer timerDraw;
    SerialLink MSComm1;

    void Form_Load();
    void Form_Resize();
    void Form_Unload();
    void chkLookForTrigger_Click();
    void txtArraySize_Change();
    void MSComm1_OnComm();
    void timerDraw_Timer();
    void drawArray();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void createControls();
    void setTabOrder();
    void nameControlsForReaders();
    void describeTrace();
    void announcePortStatus();
    void openPort();
    void MSComm1_ConnectionChanged();
    void showPortStatus();
    void showSampleSizeRefused(bool refused);
    void keepNumericValue(QLineEdit *box, double &value);

    void setTimeReadout(const QString &text) override;
    void setLevelReadout(const QString &text) override;

    bool m_unloaded = false;
    // The trigger bounds' values, worked out whenever a bound's text changes.
    double m_triggerLow = 0.0;
    double m_triggerHigh = 0.0;
    // The scope screen's description follows the blocks, at most once a second.
    RateLimitedAction m_describeTrace{std::chrono::seconds(1), [this] { describeTrace(); }};
    HostView m_host;
    // While the port is not open its trouble may change without news from
    // the port (brltty taking a board plugged in meanwhile): looked at anew.
    QTimer m_portStatusRefresh;
};
