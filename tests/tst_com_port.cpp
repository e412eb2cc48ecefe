// The scope on a Windows host, reading its board through port 1: the first
// serial device Windows lists, here COM1, whose far end writes a counting
// stream (0, 1, ..., 255, 0, ...) at the line's pace.
#include "event_loop.h"
#include "window/dump_box.h"
#include "window/form1.h"

#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include <algorithm>
#include <vector>

class TestComPort : public QObject
{
    Q_OBJECT

private slots:
    void countingLineArrivesWholeAndOnTime();
};

void TestComPort::countingLineArrivesWholeAndOnTime()
{
    Form1 form;
    QVERIFY2(form.MSComm1.PortOpen(), qPrintable(form.lblPortStatus->text()));
    QCOMPARE(form.lblPortStatus->text(), QStringLiteral("Port: COM1"));
    // Long blocks, so the rest of a block's last chunk, which the block's time
    // takes in too, is a small part of it.
    constexpr int kReadings = 8192;
    form.txtArraySize->setText(QString::number(kReadings));
    QCOMPARE(form.sampleSize(), kReadings);

    std::vector<std::vector<qint16>> blocks;
    std::vector<double> msPerSample;
    connect(form.txtInput, &QPlainTextEdit::textChanged, &form, [&] {
        blocks.push_back(form.m_Samples);
        msPerSample.push_back(form.m_MsPerSample);
    });
    constexpr size_t kBlocks = 10;
    QVERIFY(runUntil([&] { return blocks.size() >= kBlocks; }, 60000));

    // Every block a run of the count: nothing lost, repeated or changed.
    for (const std::vector<qint16> &block : blocks) {
        const int first = block[0];
        for (int k = 0; k < kReadings; ++k)
            QCOMPARE(int(block[size_t(k)]), (first + k) % 256);
    }

    // The first block is timed from the opening of the port; the rest from
    // one block's end to the next. The median of those is the line's pace,
    // 11 bits a reading at 115200 baud, whatever a busy host delays one by.
    const double expected = 11.0 / 115200.0 * 1000.0;
    std::vector<double> timed(msPerSample.begin() + 1, msPerSample.end());
    std::ranges::nth_element(timed, timed.begin() + qsizetype(timed.size() / 2));
    const double median = timed[timed.size() / 2];
    qInfo("ms per sample: median %.5f, line %.5f", median, expected);
    QVERIFY2(std::abs(median - expected) <= 0.02 * expected, qPrintable(QString::number(median, 'f', 5)));
}

QTEST_MAIN(TestComPort)
#include "tst_com_port.moc"
