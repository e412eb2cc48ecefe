#include "window/termination_signals.h"

#include <QApplication>
#include <QProcess>
#include <QTest>
#include <QWidget>

#include <csignal>
#include <sys/types.h>

class TestTerminationSignals : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { closeWindowsOnTerminationSignals(*qApp); }

    void signalClosesTheWindows_data()
    {
        QTest::addColumn<int>("signalNumber");
        QTest::newRow("SIGTERM") << SIGTERM;
        QTest::newRow("SIGINT") << SIGINT;
    }

    void signalClosesTheWindows()
    {
        QFETCH(int, signalNumber);
        QWidget first;
        QWidget second;
        first.show();
        second.show();
        QVERIFY(QTest::qWaitForWindowExposed(&second));

        // Without the handler the default action would end this test program.
        std::raise(signalNumber);
        QTRY_VERIFY(!first.isVisible() && !second.isVisible());
    }

    void demoEndsWithStatusZero_data() { signalClosesTheWindows_data(); }

    void demoEndsWithStatusZero()
    {
        QFETCH(int, signalNumber);
        QProcess demo;
        demo.setReadChannel(QProcess::StandardError);
        demo.start(QStringLiteral(TARNWICK_DEMO), {});
        // It names its board's line once its window is up and the signals are taken.
        QByteArray said;
        while (!said.contains("simulated board on") && demo.waitForReadyRead(30000))
            said += demo.readAll();
        QVERIFY2(said.contains("simulated board on"), said.constData());

        ::kill(static_cast<pid_t>(demo.processId()), signalNumber);
        QVERIFY(demo.waitForFinished(30000));
        QCOMPARE(demo.exitStatus(), QProcess::NormalExit);
        QCOMPARE(demo.exitCode(), 0);
    }
};

QTEST_MAIN(TestTerminationSignals)
#include "tst_termination_signals.moc"
