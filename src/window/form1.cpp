#include "form1.h"

#include "acquisition/capture_engine.h"
#include "acquisition/port_diagnosis.h"
#include "common/numeric_value.h"
#include "common/sample_size.h"
#include "display/descriptions.h"
#include "display/scope_renderer.h"
#include "dump_box.h"
#include "event_guard.h"
#include "product.h"
#include "scope_screen.h"
#include "window_layout.h"

#include <QAccessible>
#include <QCheckBox>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>

namespace {

constexpr int kRedrawIntervalMs = 50;
constexpr int kPortStatusRefreshMs = 1000;
constexpr QSize kStartClientSize{784, 469};

QScrollBar *cursorBar(QWidget *parent, int maximum)
{
    auto *bar = new QScrollBar(Qt::Horizontal, parent);
    bar->setRange(0, maximum);
    bar->setValue(0);
    bar->setSingleStep(1);
    bar->setPageStep(10);
    bar->setFocusPolicy(Qt::StrongFocus);
    return bar;
}

QCheckBox *checkBox(QWidget *parent, const QString &caption)
{
    auto *box = new QCheckBox(caption, parent);
    // The toolkit's gap between tick and caption would push "Pause Redraw"
    // past its 93 pixels.
    box->setStyleSheet(QStringLiteral("QCheckBox { spacing: 2px; }"));
    return box;
}

template<typename Control>
Control *place(Control *control, const char *name, int left, int top, int width, int height)
{
    control->setObjectName(QLatin1StringView(name));
    control->setGeometry(left, top, width, height);
    return control;
}

} // namespace

Form1::Form1(const QString &devicePath, HostView host, QWidget *parent) : QWidget(parent), m_host(std::move(host))
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(kProductName + QStringLiteral(" - ") + kProductWebAddress);
    resize(kStartClientSize);
    // The control sizes are those of an 8-point face at 96 dpi; the toolkit's
    // larger default would cut off the captions.
    QFont face = font();
    face.setPixelSize(11);
    setFont(face);
    createControls();
    setTabOrder();
    nameControlsForReaders();
    keepNumericValue(txtTriggerLow, m_triggerLow);
    keepNumericValue(txtTriggerHigh, m_triggerHigh);
    txtInput->setFocus();

    MSComm1.setObjectName(QStringLiteral("MSComm1"));
    MSComm1.setDevicePath(devicePath);
    MSComm1.setAccessCheck(m_host.mayOpen);
    connect(&MSComm1, &SerialLink::OnComm, this, &Form1::MSComm1_OnComm);
    connect(&MSComm1, &SerialLink::connectionChanged, this, &Form1::MSComm1_ConnectionChanged);

    timerDraw.setObjectName(QStringLiteral("timerDraw"));
    timerDraw.setTimerType(Qt::PreciseTimer);
    timerDraw.setInterval(kRedrawIntervalMs);
    connect(&timerDraw, &QTimer::timeout, this, &Form1::timerDraw_Timer);
    timerDraw.start();

    m_portStatusRefresh.setInterval(kPortStatusRefreshMs);
    connect(&m_portStatusRefresh, &QTimer::timeout, this, [this] {
        if (!MSComm1.PortOpen())
            showPortStatus();
    });
    m_portStatusRefresh.start();

    Form_Load();
    m_describeTrace.request();

    // Connected after start-up: the handlers run only on the operator's actions.
    // toggled, not stateChanged: the latter is deprecated from Qt 6.7 and its
    // successor is missing before it; the box has two states, so both agree.
    connect(chkLookForTrigger, &QCheckBox::toggled, this, &Form1::chkLookForTrigger_Click);
    connect(txtArraySize, &QLineEdit::textChanged, this, &Form1::txtArraySize_Change);
}

Form1::~Form1()
{
    Form_Unload();
}

void Form1::createControls()
{
    lblDeltaV = place(new QLabel(QStringLiteral("0"), this), "lblDeltaV", 8, 4, 197, 17);
    scrollVLine1 = place(cursorBar(this, 0), "scrollVLine1", 8, 24, 197, 21);
    scrollVLine2 = place(cursorBar(this, 0), "scrollVLine2", 8, 48, 197, 21);
    lblDeltaH = place(new QLabel(QStringLiteral("0"), this), "lblDeltaH", 216, 4, 197, 17);
    scrollHLine1 = place(cursorBar(this, 255), "scrollHLine1", 216, 24, 197, 21);
    scrollHLine2 = place(cursorBar(this, 255), "scrollHLine2", 216, 48, 197, 21);
    chkLookForTrigger = place(checkBox(this, QStringLiteral("Use Trigger Values")), "chkLookForTrigger", 420, 4,
                              121, 13);
    txtTriggerLow = place(new QLineEdit(QStringLiteral("20"), this), "txtTriggerLow", 472, 20, 29, 21);
    Label1 = place(new QLabel(QStringLiteral("-"), this), "Label1", 504, 24, 9, 17);
    txtTriggerHigh = place(new QLineEdit(QStringLiteral("100"), this), "txtTriggerHigh", 512, 20, 29, 21);
    Label2 = place(new QLabel(QStringLiteral("Sample Size:"), this), "Label2", 420, 52, 73, 17);
    txtArraySize = place(new QLineEdit(QStringLiteral("768"), this), "txtArraySize", 496, 48, 45, 21);
    chkPauseRedraw = place(checkBox(this, QStringLiteral("Pause Redraw")), "chkPauseRedraw", 684, 52, 93, 21);
    Picture1 = place(new ScopeScreen(this), "Picture1", 4, 76, 773, 313);
    Picture1->setFocusPolicy(Qt::StrongFocus);
    txtInput = place(new DumpBox(this), "txtInput", 4, 392, 773, 73);

    // In the free space right of the trigger controls, clear of every other control.
    lblPortStatus = place(new QLabel(this), "lblPortStatus", 548, 4, 232, 44);
    lblPortStatus->setWordWrap(true);
    lblPortStatus->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblPortStatus->setTextFormat(Qt::PlainText);
    // So that the command it shows can be copied.
    lblPortStatus->setTextInteractionFlags(Qt::TextSelectableByMouse);
}

void Form1::setTabOrder()
{
    const QWidget *order[] = {txtInput,          Picture1,      scrollVLine1,   scrollVLine2,
                              chkLookForTrigger, txtTriggerLow, txtTriggerHigh, scrollHLine2,
                              scrollHLine1,      txtArraySize,  chkPauseRedraw};
    for (size_t i = 1; i < std::size(order); ++i)
        QWidget::setTabOrder(const_cast<QWidget *>(order[i - 1]), const_cast<QWidget *>(order[i]));
}

void Form1::nameControlsForReaders()
{
    // Names for what has no caption of its own. The readouts and the port
    // status keep none: a label's text is its name, and its changes reach a
    // reader only while no fixed name is set.
    scrollVLine1->setAccessibleName(QStringLiteral("Time cursor 1"));
    scrollVLine2->setAccessibleName(QStringLiteral("Time cursor 2"));
    scrollHLine1->setAccessibleName(QStringLiteral("Level cursor 1"));
    scrollHLine2->setAccessibleName(QStringLiteral("Level cursor 2"));
    txtTriggerLow->setAccessibleName(QStringLiteral("Trigger low bound"));
    txtTriggerHigh->setAccessibleName(QStringLiteral("Trigger high bound"));
    txtArraySize->setAccessibleName(QStringLiteral("Sample size"));
    txtInput->setAccessibleName(QStringLiteral("Readings of the last block"));
    Picture1->setAccessibleName(QStringLiteral("Scope screen"));
}

void Form1::keepNumericValue(QLineEdit *box, double &value)
{
    // A text's value changes only with the text, however long it is.
    value = numericValue(box->text());
    connect(box, &QLineEdit::textChanged, this, [&value](const QString &text) { value = numericValue(text); });
}

void Form1::Form_Load()
{
    m_Samples.assign(kStartSampleSize + 1, 0);
    m_CaptureTimer = std::make_unique<clsTimer>();
    openPort();
    // The stopwatch is reset, and the first block timed from the first
    // readings after the opening: the board may be resetting meanwhile.
    restartCapture(*this);
    scrollVLine1->setMaximum(sampleSize());
    scrollVLine2->setMaximum(sampleSize());
    m_Armed = true;
    m_UseTrigger = false;
    m_MsPerSample = 0.125;
}

void Form1::openPort()
{
    // A port that cannot be opened does not stop the scope: the window says
    // why, and the port is watched for until it can be opened.
    try {
        MSComm1.setCommPort(1);
        MSComm1.setSettings(QStringLiteral("115200,N,8,2"));
        MSComm1.setInputLen(0);
        MSComm1.setRThreshold(1);
        MSComm1.setPortOpen(true);
    } catch (const PortError &) {
    }
    showPortStatus();
    // Told once the window is up, where a reader can hear it.
    if (!MSComm1.PortOpen())
        QMetaObject::invokeMethod(this, &Form1::announcePortStatus, Qt::QueuedConnection);
}

void Form1::Form_Unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    timerDraw.stop();
    m_portStatusRefresh.stop();
    MSComm1.setPortOpen(false);
    m_CaptureTimer.reset();
}

void Form1::Form_Resize()
{
    const WindowLayout layout = layoutFor(size(), Picture1->geometry(), txtInput->geometry(),
                                          chkPauseRedraw->geometry());
    Picture1->setGeometry(layout.scopeScreen);
    txtInput->setGeometry(layout.dumpBox);
    chkPauseRedraw->setGeometry(layout.pauseBox);
}

void Form1::chkLookForTrigger_Click()
{
    m_UseTrigger = chkLookForTrigger->checkState() != Qt::Unchecked;
}

void Form1::txtArraySize_Change()
{
    runHandler("txtArraySize_Change", [this] {
        const SampleSizeRequest request = readSampleSize(txtArraySize->text());
        if (std::holds_alternative<SampleSizeUnchanged>(request))
            return;
        const auto *size = std::get_if<SampleSize>(&request);
        showSampleSizeRefused(size == nullptr);
        if (size == nullptr)
            return;
        m_Samples.resize(size_t(size->n) + 1, 0);
        scrollVLine1->setMaximum(sampleSize());
        scrollVLine2->setMaximum(sampleSize());
        m_describeTrace.request();
    });
}

void Form1::showSampleSizeRefused(bool refused)
{
    QPalette palette = txtArraySize->palette();
    palette.setColor(QPalette::Text, refused ? QColor(Qt::red) : this->palette().color(QPalette::Text));
    txtArraySize->setPalette(palette);
    txtArraySize->setToolTip(refused ? QString::fromLatin1(kSampleSizeHint) : QString());
}

void Form1::MSComm1_OnComm()
{
    runHandler("MSComm1_OnComm", [this] {
        const CommNotification notification{
                .commEvent = MSComm1.CommEvent(),
                .paused = chkPauseRedraw->checkState() != Qt::Unchecked,
                .triggerLow = m_triggerLow,
                .triggerHigh = m_triggerHigh,
                .readInput = [this] { return MSComm1.Input(); },
        };
        if (const std::optional<QString> dump = handleCommNotification(*this, notification)) {
            txtInput->showDump(*dump);
            m_describeTrace.request();
        }
    });
}

void Form1::MSComm1_ConnectionChanged()
{
    // A block under way when the port went is given up; the next one is
    // timed from the first readings after the reopening, as after the opening.
    if (MSComm1.PortOpen())
        restartCapture(*this);
    showPortStatus();
    announcePortStatus();
}

void Form1::announcePortStatus()
{
    // A label's new text is spoken only when the reader is on it; an alert,
    // and from Qt 6.8 an announcement, wherever the reader is.
    QAccessibleEvent alert(lblPortStatus, QAccessible::Alert);
    QAccessible::updateAccessibility(&alert);
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
    QAccessibleAnnouncementEvent announcement(lblPortStatus, lblPortStatus->text());
    announcement.setPoliteness(QAccessible::AnnouncementPoliteness::Assertive);
    QAccessible::updateAccessibility(&announcement);
#endif
}

void Form1::showPortStatus()
{
    const QString device = MSComm1.deviceName().isEmpty() ? QStringLiteral("Serial port 1") : MSComm1.deviceName();
    const QString failure = MSComm1.failure();
    QString text;
    QString tip;
    const std::optional<PortAdvice> advice =
            diagnosePort(MSComm1.deviceName(), failure, MSComm1.usbDeviceListed(), m_host);
    if (advice) {
        // The label holds two short lines; the tooltip tells it all.
        text = advice->summary + u'\n' + advice->remedy;
        tip = advice->details;
    } else if (failure.isEmpty()) {
        text = tip = QStringLiteral("Port: %1").arg(device);
    } else {
        text = tip = QStringLiteral("%1: %2. Waiting for the port.").arg(device, failure);
    }
    const QString style = failure.isEmpty() && !advice ? QString() : QStringLiteral("color: red");
    // Set anew only when changed, which would lose the operator's selection.
    if (lblPortStatus->text() != text)
        lblPortStatus->setText(text);
    if (lblPortStatus->styleSheet() != style)
        lblPortStatus->setStyleSheet(style);
    if (lblPortStatus->toolTip() != tip)
        lblPortStatus->setToolTip(tip);
}

void Form1::timerDraw_Timer()
{
    if (sampleSize() > 0)
        runHandler("drawArray", [this] { drawArray(); });
}

void Form1::drawArray()
{
    const ScopeFrame frame{
            .samples = m_Samples,
            .timeCursor1 = scrollVLine1->value(),
            .timeCursor2 = scrollVLine2->value(),
            .levelCursor1 = scrollHLine1->value(),
            .levelCursor2 = scrollHLine2->value(),
            .msPerSample = m_MsPerSample,
    };
    drawScope(*Picture1, *this, frame, m_XScale, m_YScale);
}

void Form1::describeTrace()
{
    // As with the redraw, there is no trace to describe without a reading.
    if (sampleSize() < 1)
        return;
    runHandler("describeTrace", [this] {
        const std::span<const qint16> drawn = std::span(m_Samples).first(size_t(sampleSize()));
        Picture1->setAccessibleDescription(traceDescription(drawn, m_MsPerSample));
    });
}

void Form1::setTimeReadout(const QString &text)
{
    // Every tick writes the readouts: only a change is news to a reader.
    if (text == lblDeltaV->text())
        return;
    lblDeltaV->setText(text);
    for (QScrollBar *cursor : {scrollVLine1, scrollVLine2})
        cursor->setAccessibleDescription(timeCursorDescription(text));
}

void Form1::setLevelReadout(const QString &text)
{
    if (text == lblDeltaH->text())
        return;
    lblDeltaH->setText(text);
    for (QScrollBar *cursor : {scrollHLine1, scrollHLine2})
        cursor->setAccessibleDescription(levelCursorDescription(text));
}

void Form1::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    Form_Resize();
}

void Form1::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        Form_Resize();
}

void Form1::closeEvent(QCloseEvent *event)
{
    Form_Unload();
    event->accept();
}
