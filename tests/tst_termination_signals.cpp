#include "window/termination_signals.h"

#include <QApplication>
#include <QTest>
#include <QWidget>

#include <csignal>

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
};

QTEST_MAIN(TestTerminationSignals)
#include "tst_termination_signals.moc"
