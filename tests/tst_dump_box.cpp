// The dump box keeps its long line's shaped glyphs from block to block: what
// it paints must still be the text it holds now, caret and wrapping included.
#include "acquisition/dump_text.h"
#include "window/dump_box.h"

#include <QImage>
#include <QScrollBar>
#include <QStringList>
#include <QTest>

#include <vector>

namespace {

QString dumpOf(int n, int first)
{
    std::vector<qint16> readings;
    for (int k = 0; k < n; ++k)
        readings.push_back(qint16((first + 37 * k) % 256));
    return dumpText(readings);
}

struct Painted
{
    QImage wide;
    QImage narrow; // wrapped anew at another width
    int scrollValue = 0;
    int scrollMaximum = 0;
};

// A box that showed each text in turn, painted after each, as a block
// arriving every so often would leave it.
Painted paintedAfter(const QStringList &texts, bool focused)
{
    DumpBox box;
    box.resize(776, 73);
    box.show();
    if (!QTest::qWaitForWindowActive(&box))
        qWarning("the box's window did not become active");
    // Alone in its window the box takes the focus: take it away for the
    // picture without a caret.
    if (focused)
        box.setFocus();
    else
        box.clearFocus();
    Painted painted;
    for (const QString &text : texts) {
        box.showDump(text);
        QCoreApplication::processEvents();
        painted.wide = box.grab().toImage();
    }
    painted.scrollValue = box.verticalScrollBar()->value();
    painted.scrollMaximum = box.verticalScrollBar()->maximum();
    box.resize(300, 73);
    QCoreApplication::processEvents();
    painted.narrow = box.grab().toImage();
    return painted;
}

} // namespace

class TestDumpBox : public QObject
{
    Q_OBJECT

private slots:
    void paintsOnlyTheTextItHoldsNow_data();
    void paintsOnlyTheTextItHoldsNow();
};

void TestDumpBox::paintsOnlyTheTextItHoldsNow_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("after");
    QTest::addColumn<bool>("focused");

    for (const bool focused : {false, true}) {
        const char *caret = focused ? ", with the caret" : "";
        QTest::addRow("same length, other readings%s", caret) << dumpOf(768, 1) << dumpOf(768, 2) << focused;
        QTest::addRow("longer%s", caret) << dumpOf(3, 9) << dumpOf(768, 9) << focused;
        QTest::addRow("shorter%s", caret) << dumpOf(32766, 4) << dumpOf(5, 4) << focused;
    }
}

void TestDumpBox::paintsOnlyTheTextItHoldsNow()
{
    QFETCH(QString, before);
    QFETCH(QString, after);
    QFETCH(bool, focused);

    const Painted reused = paintedAfter({before, after}, focused);
    const Painted fresh = paintedAfter({after}, focused);
    QCOMPARE(reused.scrollValue, 0);
    QCOMPARE(reused.scrollMaximum, fresh.scrollMaximum);
    QCOMPARE(reused.wide.size(), QSize(776, 73));
    QCOMPARE(reused.wide, fresh.wide);
    QCOMPARE(reused.narrow, fresh.narrow);
    if (focused)
        QVERIFY2(fresh.wide != paintedAfter({after}, false).wide, "the caret is in the picture");
}

QTEST_MAIN(TestDumpBox)
#include "tst_dump_box.moc"
