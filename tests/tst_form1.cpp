#include "common/rate_limit.h"
#include "display/descriptions.h"
#include "window/dump_box.h"
#include "window/form1.h"
#include "window/product.h"
#include "window/scope_screen.h"
#include "common/sample_size.h"
#include "display/scope_colors.h"
#ifdef Q_OS_UNIX
#include "pseudo_terminal.h"
#endif

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <tuple>

namespace {

const QString kAbsentPort = QStringLiteral("/nonexistent/tarnwick-test-port");

} // namespace

class TestForm1 : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void controlsAsTheWindowOpens_data();
    void controlsAsTheWindowOpens();
    void startState();
    void tabOrderAndFocus();
    void namesForScreenReaders_data();
    void namesForScreenReaders();
    void cursorKeys_data();
    void cursorKeys();
    void traceDescription_data();
    void traceDescription();
    void rateLimit_data();
    void rateLimit();
    void absentPortKeepsRunningAndSaysWhy();
    void portTroubleIsDiagnosedInTheTopRight();
    void unloadClosesThePortThenReleasesTheStopwatch();

    void layout_data();
    void layout();
    void layoutSurvivesATinyWindow();

    void typingASampleSize();
    void sampleSizeTexts_data();
    void sampleSizeTexts();
    void refusedSampleSizeIsMarkedAndTypingOnWorks();
    void smallerSampleSizePullsTheCursorsIn();
    void triggerBoxOnlyMirrorsItsTick();
    void screenShowsGridTraceAndCursors();
};

void TestForm1::controlsAsTheWindowOpens_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QRect>("geometry");

    QTest::newRow("lblDeltaV") << "lblDeltaV" << "0" << QRect(8, 4, 197, 17);
    QTest::newRow("scrollVLine1") << "scrollVLine1" << "" << QRect(8, 24, 197, 21);
    QTest::newRow("scrollVLine2") << "scrollVLine2" << "" << QRect(8, 48, 197, 21);
    QTest::newRow("lblDeltaH") << "lblDeltaH" << "0" << QRect(216, 4, 197, 17);
    QTest::newRow("scrollHLine1") << "scrollHLine1" << "" << QRect(216, 24, 197, 21);
    QTest::newRow("scrollHLine2") << "scrollHLine2" << "" << QRect(216, 48, 197, 21);
    QTest::newRow("chkLookForTrigger") << "chkLookForTrigger" << "Use Trigger Values" << QRect(420, 4, 121, 13);
    QTest::newRow("txtTriggerLow") << "txtTriggerLow" << "20" << QRect(472, 20, 29, 21);
    QTest::newRow("Label1") << "Label1" << "-" << QRect(504, 24, 9, 17);
    QTest::newRow("txtTriggerHigh") << "txtTriggerHigh" << "100" << QRect(512, 20, 29, 21);
    QTest::newRow("Label2") << "Label2" << "Sample Size:" << QRect(420, 52, 73, 17);
    QTest::newRow("txtArraySize") << "txtArraySize" << "768" << QRect(496, 48, 45, 21);
    QTest::newRow("chkPauseRedraw") << "chkPauseRedraw" << "Pause Redraw" << QRect(684, 52, 93, 21);
}

void TestForm1::controlsAsTheWindowOpens()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(QRect, geometry);

    Form1 form(kAbsentPort);
    auto *control = form.findChild<QWidget *>(name);
    QVERIFY(control);
    QCOMPARE(control->geometry(), geometry);
    if (auto *label = qobject_cast<QLabel *>(control))
        QCOMPARE(label->text(), text);
    else if (auto *box = qobject_cast<QLineEdit *>(control))
        QCOMPARE(box->text(), text);
    else if (auto *check = qobject_cast<QCheckBox *>(control)) {
        QCOMPARE(check->text(), text);
        QCOMPARE(check->checkState(), Qt::Unchecked);
    } else if (auto *bar = qobject_cast<QScrollBar *>(control)) {
        QCOMPARE(bar->orientation(), Qt::Horizontal);
        QCOMPARE(bar->minimum(), 0);
        QCOMPARE(bar->maximum(), name.startsWith(u"scrollV") ? 768 : 255);
        QCOMPARE(bar->value(), 0);
        QCOMPARE(bar->singleStep(), 1);
        QCOMPARE(bar->pageStep(), 10);
    } else {
        QFAIL("unexpected kind of control");
    }
    // Every caption is shown whole at the given size.
    if (qobject_cast<QLabel *>(control) || qobject_cast<QCheckBox *>(control)) {
        QStyleOptionButton option;
        option.initFrom(control);
        option.text = text;
        const QRect room = qobject_cast<QCheckBox *>(control)
                ? control->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, control)
                : control->contentsRect();
        const int needed = control->fontMetrics().horizontalAdvance(text);
        QVERIFY2(needed <= room.width(), qPrintable(QStringLiteral("%1 pixels in %2").arg(needed).arg(room.width())));
    }
}

void TestForm1::startState()
{
    Form1 form(kAbsentPort);
    QCOMPARE(form.windowTitle(), QStringLiteral("Tarnwick - ") + kProductWebAddress);
    QVERIFY(kProductWebAddress.contains(u".example.org"));
    QCOMPARE(form.size(), QSize(784, 469));
    // A sizable border with the system's usual buttons: nothing customised.
    QCOMPARE(form.windowType(), Qt::Window);
    QVERIFY(!form.windowFlags().testFlag(Qt::CustomizeWindowHint));
    QCOMPARE(form.maximumSize(), QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
    QCOMPARE(form.timerDraw.interval(), 50);
    QVERIFY(form.timerDraw.isActive());

    QCOMPARE(form.m_Samples.size(), size_t(769));
    QVERIFY(std::ranges::all_of(form.m_Samples, [](qint16 s) { return s == 0; }));
    QVERIFY(form.m_CaptureTimer);
    QVERIFY(form.m_RxBuffer.isEmpty());
    QCOMPARE(form.m_XScale, 0.0);
    QCOMPARE(form.m_YScale, 0.0);
    QVERIFY(form.m_Armed);
    QVERIFY(!form.m_UseTrigger);
    QCOMPARE(form.m_MsPerSample, 0.125);
    QVERIFY(form.txtInput->toPlainText().isEmpty());
    QCOMPARE(form.txtInput->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    QCOMPARE(form.Picture1->geometry().topLeft(), QPoint(4, 76));

    // The first ticks draw the all-zero block before any reading has come.
    form.timerDraw_Timer();
    QCOMPARE(form.lblDeltaV->text(), QStringLiteral(".000ms"));
    QCOMPARE(form.lblDeltaH->text(), QStringLiteral("0.00V"));
    QCOMPARE(form.scrollVLine2->accessibleDescription(), QStringLiteral("time between the cursors .000ms"));
    QCOMPARE(form.scrollHLine1->accessibleDescription(), QStringLiteral("voltage between the cursors 0.00V"));
    QTRY_COMPARE(form.Picture1->accessibleDescription(),
                 QStringLiteral("768 readings from 0.00V to 0.00V, .125ms per reading, 96.000ms in all"));
}

void TestForm1::tabOrderAndFocus()
{
    Form1 form(kAbsentPort);
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QCOMPARE(QApplication::focusWidget(), form.txtInput);

    // Tab goes round every control and back to the start, Shift+Tab the other way.
    const QList<QWidget *> expected{form.txtInput,          form.Picture1,      form.scrollVLine1,
                                    form.scrollVLine2,      form.chkLookForTrigger, form.txtTriggerLow,
                                    form.txtTriggerHigh,    form.scrollHLine2,  form.scrollHLine1,
                                    form.txtArraySize,      form.chkPauseRedraw, form.txtInput};
    for (qsizetype i = 1; i < expected.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), expected[i]);
    }
    for (qsizetype i = expected.size() - 2; i >= 0; --i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(QApplication::focusWidget(), expected[i]);
    }
}

void TestForm1::namesForScreenReaders_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("name");

    QTest::newRow("scrollVLine1") << "scrollVLine1" << "Time cursor 1";
    QTest::newRow("scrollVLine2") << "scrollVLine2" << "Time cursor 2";
    QTest::newRow("scrollHLine1") << "scrollHLine1" << "Level cursor 1";
    QTest::newRow("scrollHLine2") << "scrollHLine2" << "Level cursor 2";
    QTest::newRow("txtTriggerLow") << "txtTriggerLow" << "Trigger low bound";
    QTest::newRow("txtTriggerHigh") << "txtTriggerHigh" << "Trigger high bound";
    QTest::newRow("txtArraySize") << "txtArraySize" << "Sample size";
    QTest::newRow("txtInput") << "txtInput" << "Readings of the last block";
    QTest::newRow("Picture1") << "Picture1" << "Scope screen";
    // Labels are named by their text, which a fixed name would silence.
    QTest::newRow("lblDeltaV") << "lblDeltaV" << "";
    QTest::newRow("lblDeltaH") << "lblDeltaH" << "";
    QTest::newRow("lblPortStatus") << "lblPortStatus" << "";
}

void TestForm1::namesForScreenReaders()
{
    QFETCH(QString, control);
    QFETCH(QString, name);
    Form1 form(kAbsentPort);
    auto *widget = form.findChild<QWidget *>(control);
    QVERIFY(widget);
    QCOMPARE(widget->accessibleName(), name);
}

void TestForm1::cursorKeys_data()
{
    QTest::addColumn<QString>("cursor");
    for (const char *cursor : {"scrollVLine1", "scrollVLine2", "scrollHLine1", "scrollHLine2"})
        QTest::newRow(cursor) << cursor;
}

void TestForm1::cursorKeys()
{
    QFETCH(QString, cursor);
    Form1 form(kAbsentPort);
    form.show();
    auto *bar = form.findChild<QScrollBar *>(cursor);
    QVERIFY(bar);
    // Each arrow key and Page Up and Page Down move it by its small and its
    // large step, each pair in opposite ways. (Which way is up to the
    // toolkit: Qt 6.4 moves a horizontal bar left on the right arrow.)
    const auto moved = [bar](Qt::Key key) {
        bar->setValue(50);
        QTest::keyClick(bar, key);
        return bar->value() - 50;
    };
    for (const auto &[key, opposite, step] :
         {std::tuple{Qt::Key_Right, Qt::Key_Left, 1}, {Qt::Key_Up, Qt::Key_Down, 1},
          {Qt::Key_PageUp, Qt::Key_PageDown, 10}}) {
        QCOMPARE(std::abs(moved(key)), step);
        QCOMPARE(moved(opposite), -moved(key));
    }
}

void TestForm1::traceDescription_data()
{
    QTest::addColumn<QList<qint16>>("readings");
    QTest::addColumn<double>("msPerSample");
    QTest::addColumn<QString>("description");

    QList<qint16> step(100, 51);
    std::fill(step.begin() + 50, step.end(), qint16(205));
    QTest::newRow("a step from 1 V to 4 V") << step << 0.125
                                            << "100 readings from 1.00V to 4.02V, .125ms per reading, 12.500ms in all";
    QTest::newRow("one reading") << QList<qint16>{128} << 3.0
                                 << "1 reading from 2.51V to 2.51V, 3.000ms per reading, 3.000ms in all";
    QTest::newRow("the largest block, grouped") << QList<qint16>(32766, 255) << 3.0
                                                << "32,766 readings from 5.00V to 5.00V, 3.000ms per reading, "
                                                   "98,298.000ms in all";
}

void TestForm1::traceDescription()
{
    QFETCH(QList<qint16>, readings);
    QFETCH(double, msPerSample);
    QFETCH(QString, description);
    QCOMPARE(::traceDescription(readings, msPerSample), description);
}

void TestForm1::rateLimit_data()
{
    QTest::addColumn<int>("lastRunUs"); // -1: never ran
    QTest::addColumn<int>("nowUs");
    QTest::addColumn<int>("waitMs");

    QTest::newRow("never ran") << -1 << 0 << 0;
    QTest::newRow("just ran") << 0 << 0 << 1000;
    QTest::newRow("ran 300 ms ago") << 0 << 300'000 << 700;
    QTest::newRow("not quite a second ago") << 0 << 999'600 << 1;
    QTest::newRow("a second ago") << 0 << 1'000'000 << 0;
    QTest::newRow("long ago") << 0 << 5'000'000 << 0;
}

void TestForm1::rateLimit()
{
    QFETCH(int, lastRunUs);
    QFETCH(int, nowUs);
    QFETCH(int, waitMs);
    const RateLimit::Clock::time_point start{};
    RateLimit limit(std::chrono::seconds(1));
    if (lastRunUs >= 0)
        limit.ranAt(start + std::chrono::microseconds(lastRunUs));
    QCOMPARE(limit.waitAt(start + std::chrono::microseconds(nowUs)), std::chrono::milliseconds(waitMs));
}

void TestForm1::absentPortKeepsRunningAndSaysWhy()
{
    Form1 form(kAbsentPort);
    form.show();
    QVERIFY(!form.MSComm1.PortOpen());
    QVERIFY(form.lblPortStatus->text().contains(kAbsentPort));
    QVERIFY(form.lblPortStatus->text().contains(u"device not found"));
    // The message sits clear of every other control.
    for (QWidget *control : form.findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        if (control != form.lblPortStatus)
            QVERIFY2(!control->geometry().intersects(form.lblPortStatus->geometry()),
                     qPrintable(control->objectName()));
    }
    // The redraw goes on.
    form.scrollVLine1->setValue(8);
    QTRY_COMPARE(form.lblDeltaV->text(), QStringLiteral("1.000ms"));
}

void TestForm1::portTroubleIsDiagnosedInTheTopRight()
{
    // Run as root, a real opening never fails for permission: the host refuses it here.
    QTemporaryDir root;
    const QString device = root.filePath(QStringLiteral("ttyUSB0"));
    QFile node(device);
    QVERIFY(node.open(QIODevice::WriteOnly));
    HostView host;
    host.root = root.path();
    host.mayOpen = [](const QString &) { return false; };
    host.account = [](const QString &) {
        Account account;
        account.user = QStringLiteral("alice");
        account.nodeGroup = QStringLiteral("uucp");
        account.nodeGid = 10;
        return account;
    };
    Form1 form(device, host);
    form.show();

    QVERIFY(!form.MSComm1.PortOpen());
    QLabel *status = form.lblPortStatus;
    QCOMPARE(status->text(), QStringLiteral("permission denied: see the tooltip\nsu - -c \"usermod -aG uucp alice\""));
    QVERIFY(status->toolTip().contains(device));
    QVERIFY(status->toolTip().contains(u"then log out and log in again"));
    QVERIFY(status->textInteractionFlags() & Qt::TextSelectableByMouse);
    // Both lines fit the label, the first on one line.
    const QFontMetrics metrics(status->font());
    QVERIFY(metrics.horizontalAdvance(status->text().section(u'\n', 0, 0)) <= status->width());
    QVERIFY(metrics.boundingRect(status->contentsRect(), Qt::TextWordWrap, status->text()).height()
            <= status->contentsRect().height());
}

void TestForm1::unloadClosesThePortThenReleasesTheStopwatch()
{
#ifndef Q_OS_UNIX
    QSKIP("needs a pseudo-terminal for its line");
#else
    PseudoTerminal line;
    Form1 form(line.slavePath());
    form.show();
    QVERIFY(form.MSComm1.PortOpen());
    QVERIFY(form.close());
    QVERIFY(!form.MSComm1.PortOpen());
    QVERIFY(!form.m_CaptureTimer);
    QVERIFY(!form.timerDraw.isActive());
#endif
}

void TestForm1::layout_data()
{
    QTest::addColumn<QSize>("client");
    QTest::newRow("start size") << QSize(784, 469);
    QTest::newRow("100 wider") << QSize(884, 469);
    QTest::newRow("100 taller") << QSize(784, 569);
    QTest::newRow("both") << QSize(1000, 700);
}

void TestForm1::layout()
{
    QFETCH(QSize, client);
    Form1 form(kAbsentPort);
    form.show();
    QList<QWidget *> fixed = form.findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
    fixed.removeAll(form.Picture1);
    fixed.removeAll(form.txtInput);
    fixed.removeAll(form.chkPauseRedraw);
    QList<QRect> before;
    for (QWidget *w : fixed)
        before.append(w->geometry());

    form.resize(client);
    const int w = client.width(), h = client.height();
    QCOMPARE(form.Picture1->geometry(), QRect(4, 76, w - 8, h - 152));
    QCOMPARE(form.txtInput->geometry(), QRect(4, h - 74, w - 8, 73));
    QCOMPARE(form.chkPauseRedraw->geometry(), QRect(w - 100, 52, 93, 21));
    for (qsizetype i = 0; i < fixed.size(); ++i)
        QCOMPARE(fixed[i]->geometry(), before[i]);
    if (client == QSize(784, 469)) {
        QCOMPARE(form.Picture1->geometry(), QRect(4, 76, 776, 317));
        QCOMPARE(form.txtInput->geometry(), QRect(4, 395, 776, 73));
    }
}

void TestForm1::layoutSurvivesATinyWindow()
{
    Form1 form(kAbsentPort);
    form.show();
    form.resize(5, 100);
    QCOMPARE(form.Picture1->size(), QSize(0, 0));
    QCOMPARE(form.txtInput->geometry(), QRect(4, 26, 0, 73));
    QCOMPARE(form.chkPauseRedraw->x(), -95);
    form.drawArray(); // a collapsed screen draws nothing and does not fail
    form.showMinimized();
    form.showNormal();
    form.resize(784, 469);
    QCOMPARE(form.Picture1->geometry(), QRect(4, 76, 776, 317));
    QCOMPARE(form.txtInput->geometry(), QRect(4, 395, 776, 73));
}

void TestForm1::typingASampleSize()
{
    Form1 form(kAbsentPort);
    form.show();
    for (size_t i = 0; i < form.m_Samples.size(); ++i)
        form.m_Samples[i] = qint16(i % 200 + 1);

    form.txtArraySize->selectAll();
    QList<size_t> sizes;
    QList<std::vector<qint16>> contents;
    QObject::connect(form.txtArraySize, &QLineEdit::textChanged, &form, [&] {
        sizes.append(form.m_Samples.size() - 1);
        contents.append(form.m_Samples);
    });
    QTest::keyClicks(form.txtArraySize, QStringLiteral("1024"));
    QCOMPARE(sizes, (QList<size_t>{1, 10, 102, 1024}));
    QCOMPARE(contents[0], (std::vector<qint16>{1, 2}));          // readings 0 and 1 kept
    QCOMPARE(contents[1][2], qint16(0));                          // the rest dropped, new ones 0
    QCOMPARE(form.m_Samples[1], qint16(2));
    QVERIFY(std::all_of(form.m_Samples.begin() + 2, form.m_Samples.end(), [](qint16 s) { return s == 0; }));
    QCOMPARE(form.scrollVLine1->maximum(), 1024);
    QCOMPARE(form.scrollVLine2->maximum(), 1024);

    for (int i = 0; i < 4; ++i)
        QTest::keyClick(form.txtArraySize, Qt::Key_Backspace);
    QCOMPARE(form.txtArraySize->text(), QString());
    QCOMPARE(form.sampleSize(), 1);
}

void TestForm1::sampleSizeTexts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("n");      // -1: nothing changes
    QTest::addColumn<bool>("marked");

    QTest::newRow("-5") << "-5" << -1 << false;
    QTest::newRow("abc") << "abc" << -1 << false;
    QTest::newRow("0") << "0" << -1 << false;
    QTest::newRow("768.5 to even") << "768.5" << 768 << false;
    QTest::newRow("769.5 to even") << "769.5" << 770 << false;
    QTest::newRow("hexadecimal") << "&H100" << 256 << false;
    QTest::newRow("largest") << "32766" << 32766 << false;
    QTest::newRow("not a number as a whole") << "12a" << -1 << true;
    QTest::newRow("rounds to 0") << "0.4" << -1 << true;
    QTest::newRow("too large") << "40000" << -1 << true;
    QTest::newRow("too large, exponent") << "1e9" << -1 << true;
    QTest::newRow("one too many") << "32767" << -1 << true;
}

void TestForm1::sampleSizeTexts()
{
    QFETCH(QString, text);
    QFETCH(int, n);
    QFETCH(bool, marked);

    Form1 form(kAbsentPort);
    form.m_Samples[5] = 77;
    form.scrollVLine1->setValue(700);
    const std::vector<qint16> before = form.m_Samples;

    form.txtArraySize->setText(text);
    if (n < 0) {
        QCOMPARE(form.m_Samples, before);
        QCOMPARE(form.scrollVLine1->maximum(), 768);
        QCOMPARE(form.scrollVLine1->value(), 700);
    } else {
        QCOMPARE(form.sampleSize(), n);
        QCOMPARE(form.scrollVLine2->maximum(), n);
        QCOMPARE(form.m_Samples[5], qint16(77));
    }
    QCOMPARE(form.txtArraySize->toolTip() == QString::fromLatin1(kSampleSizeHint), marked);
}

void TestForm1::refusedSampleSizeIsMarkedAndTypingOnWorks()
{
    Form1 form(kAbsentPort);
    const QColor normal = form.txtArraySize->palette().color(QPalette::Text);
    form.txtArraySize->setText(QStringLiteral("4000"));
    QCOMPARE(form.sampleSize(), 4000);
    QTest::keyClick(form.txtArraySize, Qt::Key_0);
    QCOMPARE(form.txtArraySize->text(), QStringLiteral("40000"));
    QCOMPARE(form.sampleSize(), 4000);
    QCOMPARE(form.txtArraySize->palette().color(QPalette::Text), QColor(Qt::red));
    QTest::keyClick(form.txtArraySize, Qt::Key_Backspace);
    QCOMPARE(form.sampleSize(), 4000);
    QCOMPARE(form.txtArraySize->palette().color(QPalette::Text), normal);
    QVERIFY(form.txtArraySize->toolTip().isEmpty());
}

void TestForm1::smallerSampleSizePullsTheCursorsIn()
{
    Form1 form(kAbsentPort);
    form.scrollVLine1->setValue(700);
    form.scrollVLine2->setValue(300);
    form.txtArraySize->setText(QStringLiteral("500"));
    QCOMPARE(form.scrollVLine1->maximum(), 500);
    QCOMPARE(form.scrollVLine2->maximum(), 500);
    QCOMPARE(form.scrollVLine1->value(), 500);
    QCOMPARE(form.scrollVLine2->value(), 300);
}

void TestForm1::triggerBoxOnlyMirrorsItsTick()
{
    Form1 form(kAbsentPort);
    form.m_Armed = false;
    form.m_RxBuffer = QByteArray("\x05\x06", 2);
    const FixedPoint4 start = form.m_CaptureTimer->m_StartTime;

    form.chkLookForTrigger->click();
    QVERIFY(form.m_UseTrigger);
    form.chkLookForTrigger->click();
    QVERIFY(!form.m_UseTrigger);
    QVERIFY(!form.m_Armed);
    QCOMPARE(form.m_RxBuffer, QByteArray("\x05\x06", 2));
    QCOMPARE(form.m_CaptureTimer->m_StartTime, start);
}

void TestForm1::screenShowsGridTraceAndCursors()
{
    Form1 form(kAbsentPort);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.txtArraySize->setText(QStringLiteral("100"));
    for (int i = 0; i < 100; ++i)
        form.m_Samples[size_t(i)] = qint16(i < 50 ? 51 : 205); // a step from the 1 V to the 4 V line
    form.scrollVLine1->setValue(25);
    form.scrollVLine2->setValue(100);
    form.scrollHLine1->setValue(102);
    form.scrollHLine2->setValue(0);
    form.drawArray();

    const QImage picture = form.Picture1->picture();
    const int w = picture.width(), h = picture.height();
    QVERIFY(w > 700 && h > 300);
    const auto row = [h](int counts) { return int(std::floor(h - counts * (h / 265.0) + 0.5)); };
    const auto column = [w](int step) { return std::min(int(std::floor(step * (w / 100.0) + 0.5)), w - 1); };
    QCOMPARE(picture.pixel(column(60), row(154)), ScopeColors::kGrid);       // a grid line with no trace on it
    QCOMPARE(picture.pixel(column(10), row(51)), ScopeColors::kTrace);       // the trace over the 1 V line
    QCOMPARE(picture.pixel(column(70), row(205)), ScopeColors::kTrace);      // and over the 4 V line
    QCOMPARE(picture.pixel(column(25), row(230)), ScopeColors::kTimeCursor); // cursor at 25
    QCOMPARE(picture.pixel(w - 1, row(230)), ScopeColors::kTimeCursor);      // cursor at U, on the right edge
    QCOMPARE(picture.pixel(column(40), row(102)), ScopeColors::kLevelCursor);
    QCOMPARE(picture.pixel(column(40), h - 1), ScopeColors::kLevelCursor);   // level 0, on the bottom edge
    QCOMPARE(picture.pixel(column(40), row(128)), ScopeColors::kBackground);

    // The grabbed window shows the same picture inside the screen's frame.
    const QImage window = form.grab().toImage();
    const QPoint origin = form.Picture1->mapTo(&form, form.Picture1->contentsRect().topLeft());
    QCOMPARE(window.pixel(origin + QPoint(column(70), row(205))), ScopeColors::kTrace);
    QCOMPARE(form.lblDeltaV->text(), QStringLiteral("9.375ms"));
    QCOMPARE(form.lblDeltaH->text(), QStringLiteral("2.00V"));
    QCOMPARE(form.scrollVLine1->accessibleDescription(), QStringLiteral("time between the cursors 9.375ms"));
    QCOMPARE(form.scrollHLine2->accessibleDescription(), QStringLiteral("voltage between the cursors 2.00V"));

    // A tick with nothing to draw leaves the picture standing.
    form.m_Samples.assign(1, 0);
    form.timerDraw_Timer();
    QCOMPARE(form.Picture1->picture(), picture);
}

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
