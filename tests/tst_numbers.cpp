#include "acquisition/line_settings.h"
#include "common/number_format.h"
#include "common/numeric_value.h"
#include "common/sample_size.h"

#include <QLocale>
#include <QTest>

#include <cmath>
#include <limits>

namespace {

const QLocale kEnglish(QLocale::English, QLocale::UnitedStates);
const QLocale kGerman(QLocale::German, QLocale::Germany);

constexpr double kInf = std::numeric_limits<double>::infinity();

enum PatternId { Milliseconds, Volts, Stopwatch, WholeNumber };

NumberPattern patternFor(int id)
{
    switch (id) {
    case Milliseconds: return kMillisecondsPattern;
    case Volts: return kVoltsPattern;
    case Stopwatch: return kStopwatchPattern;
    default: return NumberPattern{1, false, 0};
    }
}

// What a sample-size request came out as, in one comparable value:
// -1 unchanged, -2 refused, else the size.
int requestCode(const SampleSizeRequest &request)
{
    if (std::holds_alternative<SampleSizeUnchanged>(request))
        return -1;
    if (std::holds_alternative<SampleSizeRefused>(request))
        return -2;
    return std::get<SampleSize>(request).n;
}

constexpr int kUnchanged = -1;
constexpr int kRefused = -2;

} // namespace

class TestNumbers : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void numericValue_data();
    void numericValue();
    void numericValueIgnoresLocale_data();
    void numericValueIgnoresLocale();

    void formatNumber_data();
    void formatNumber();
    void formatNumberDefaultLocale();

    void sampleSize_data();
    void sampleSize();

    void lineSettings_data();
    void lineSettings();
    void malformedLineSettings_data();
    void malformedLineSettings();
};

void TestNumbers::initTestCase()
{
    QLocale::setDefault(kEnglish);
}

void TestNumbers::cleanup()
{
    QLocale::setDefault(kEnglish);
}

void TestNumbers::numericValue_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    QTest::addColumn<bool>("wholeText");

    QTest::newRow("plain") << "768" << 768.0 << true;
    QTest::newRow("leading zeros") << "00012" << 12.0 << true;
    QTest::newRow("blanks inside") << " 1 0 0" << 100.0 << true;
    QTest::newRow("trailing blanks") << "42   " << 42.0 << true;
    QTest::newRow("tab and line feed") << "\t1\n2 " << 12.0 << true;
    QTest::newRow("skipped around point") << "1\t.\n5" << 1.5 << true;
    QTest::newRow("blank after sign") << "- 5" << -5.0 << true;
    QTest::newRow("blanks in exponent") << "2 e 3" << 2000.0 << true;
    QTest::newRow("exponent and stop") << "-3.5e2x" << -350.0 << false;
    QTest::newRow("capital exponent") << "2E3" << 2000.0 << true;
    QTest::newRow("negative exponent") << "2e-3" << 0.002 << true;
    QTest::newRow("plus exponent") << "2e+3" << 2000.0 << true;
    QTest::newRow("exponent without digits") << "1e" << 1.0 << false;
    QTest::newRow("exponent sign without digits") << "1e+" << 1.0 << false;
    QTest::newRow("D is no exponent") << "1d2" << 1.0 << false;
    QTest::newRow("leading point") << ".5" << 0.5 << true;
    QTest::newRow("negative leading point") << "-.5" << -0.5 << true;
    QTest::newRow("plus sign") << "+7" << 7.0 << true;
    QTest::newRow("trailing point") << "7." << 7.0 << true;
    QTest::newRow("second point stops") << "1.2.3" << 1.2 << false;
    QTest::newRow("letter stops") << "12a" << 12.0 << false;
    QTest::newRow("comma stops") << "1,5" << 1.0 << false;
    QTest::newRow("hex upper") << "&HFF" << 255.0 << true;
    QTest::newRow("hex lower") << "&h1f" << 31.0 << true;
    QTest::newRow("hex with blanks") << " & H 1 0 " << 16.0 << true;
    QTest::newRow("hex stops") << "&HFFG" << 255.0 << false;
    QTest::newRow("octal") << "&O17" << 15.0 << true;
    QTest::newRow("octal lower") << "&o17" << 15.0 << true;
    QTest::newRow("octal stops at 8") << "&O18" << 1.0 << false;
    QTest::newRow("hex without digits") << "&H" << 0.0 << false;
    // 2^57 + 24: nearest is 2^57 + 32; rounding digit by digit gives 2^57.
    QTest::newRow("hex beyond 53 bits, rounded once") << "&H200000000000018" << 144115188075855904.0 << true;
    QTest::newRow("octal beyond 53 bits, rounded once") << "&O14000000000000000224" << 216172782113783968.0 << true;
    QTest::newRow("hex overflow") << "&H1" + QString(256, u'0') << kInf << true;
    QTest::newRow("ampersand other letter") << "&Q" << 0.0 << false;
    QTest::newRow("ampersand alone") << "&" << 0.0 << false;
    QTest::newRow("overflow") << "1e999" << kInf << true;
    QTest::newRow("negative overflow") << "-1e999" << -kInf << true;
    QTest::newRow("huge mantissa") << "1234567890e300" << kInf << true;
    QTest::newRow("underflow") << "1e-999" << 0.0 << true;
    QTest::newRow("exponent at the 64-bit limit") << "1e9223372036854775807" << kInf << true;
    QTest::newRow("negative exponent at the 64-bit limit") << "0.1e-9223372036854775808" << 0.0 << true;
    QTest::newRow("large but finite") << "1.5e308" << 1.5e308 << true;
    QTest::newRow("empty") << "" << 0.0 << false;
    QTest::newRow("only blanks") << "  \t\n" << 0.0 << false;
    QTest::newRow("letters") << "abc" << 0.0 << false;
    QTest::newRow("sign only") << "+" << 0.0 << false;
    QTest::newRow("minus only") << "-" << 0.0 << false;
    QTest::newRow("point only") << "." << 0.0 << false;
    QTest::newRow("exponent only") << "e5" << 0.0 << false;
    QTest::newRow("non-ASCII digit") << QStringLiteral("\u0663") << 0.0 << false;
    QTest::newRow("non-ASCII after number") << QStringLiteral("5\u00e9") << 5.0 << false;
}

void TestNumbers::numericValue()
{
    QFETCH(QString, text);
    QFETCH(double, value);
    QFETCH(bool, wholeText);

    const NumberReading reading = readNumber(text);
    QVERIFY2(reading.value == value,
             qPrintable(QStringLiteral("read %1, expected %2").arg(reading.value, 0, 'g', 17).arg(value, 0, 'g', 17)));
    QCOMPARE(reading.wholeText, wholeText);
    QVERIFY(::numericValue(text) == value);
}

void TestNumbers::numericValueIgnoresLocale_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    QTest::newRow("point is the decimal mark") << "1.5" << 1.5;
    QTest::newRow("comma is no decimal mark") << "1,5" << 1.0;
    QTest::newRow("point is no group mark") << "1.500" << 1.5;
}

void TestNumbers::numericValueIgnoresLocale()
{
    QFETCH(QString, text);
    QFETCH(double, value);
    QLocale::setDefault(kGerman);
    QCOMPARE(::numericValue(text), value);
}

void TestNumbers::formatNumber_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("pattern");
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("text");

    // Time readout: cursor distance times milliseconds per sample.
    QTest::newRow("ms 0 x 0.125") << 0 * 0.125 << int(Milliseconds) << kEnglish << ".000";
    QTest::newRow("ms 3 x 0.125") << 3 * 0.125 << int(Milliseconds) << kEnglish << ".375";
    QTest::newRow("ms 8 x 0.125") << 8 * 0.125 << int(Milliseconds) << kEnglish << "1.000";
    QTest::newRow("ms 100 x 0.125") << 100 * 0.125 << int(Milliseconds) << kEnglish << "12.500";
    QTest::newRow("ms 768 x 0.125") << 768 * 0.125 << int(Milliseconds) << kEnglish << "96.000";
    QTest::newRow("ms 500 x 3") << 500 * 3.0 << int(Milliseconds) << kEnglish << "1,500.000";
    QTest::newRow("ms millions") << 1234567.891 << int(Milliseconds) << kEnglish << "1,234,567.891";
    QTest::newRow("ms 768 x 0.096") << 768 * 0.096 << int(Milliseconds) << kEnglish << "73.728";
    QTest::newRow("ms carry into group") << 999.9996 << int(Milliseconds) << kEnglish << "1,000.000";
    QTest::newRow("ms carry to one") << 0.9996 << int(Milliseconds) << kEnglish << "1.000";
    QTest::newRow("ms rounds down") << 0.0004 << int(Milliseconds) << kEnglish << ".000";
    QTest::newRow("ms half away from zero") << 0.0625 << int(Milliseconds) << kEnglish << ".063";
    QTest::newRow("ms half of a thousandth") << 0.0005 << int(Milliseconds) << kEnglish << ".001";
    QTest::newRow("ms half, even neighbour below") << 0.0025 << int(Milliseconds) << kEnglish << ".003";
    QTest::newRow("ms negative half") << -0.0625 << int(Milliseconds) << kEnglish << "-.063";
    QTest::newRow("ms large") << 1e15 << int(Milliseconds) << kEnglish << "1,000,000,000,000,000.000";
    QTest::newRow("ms German") << 1500.0 << int(Milliseconds) << kGerman << "1.500,000";
    QTest::newRow("ms German below one") << 0.375 << int(Milliseconds) << kGerman << ",375";

    // Level readout: (5 / 255) x count difference.
    for (int d : {0, 1, 51, 100, 102, 128, 154, 205, 255}) {
        static const QHash<int, QString> expected{{0, "0.00"},   {1, "0.02"},   {51, "1.00"},
                                                  {100, "1.96"}, {102, "2.00"}, {128, "2.51"},
                                                  {154, "3.02"}, {205, "4.02"}, {255, "5.00"}};
        QTest::addRow("V d=%d", d) << (5.0 / 255.0) * d << int(Volts) << kEnglish << expected.value(d);
    }
    QTest::newRow("V German") << (5.0 / 255.0) * 100 << int(Volts) << kGerman << "1,96";
    QTest::newRow("V no grouping") << 1234.5 << int(Volts) << kEnglish << "1234.50";

    // Stopwatch.
    QTest::newRow("sw 10 ms") << 9.999874285698322 << int(Stopwatch) << kEnglish << "10.000";
    QTest::newRow("sw 1000 ms") << 1000.0 << int(Stopwatch) << kEnglish << "1,000.000";
    QTest::newRow("sw 12345.6789") << 12345.6789 << int(Stopwatch) << kEnglish << "12,345.679";
    QTest::newRow("sw two thirds") << 666.6666666666667 << int(Stopwatch) << kEnglish << "666.667";
    QTest::newRow("sw negative") << -0.013968255742000729 << int(Stopwatch) << kEnglish << "-0.014";
    QTest::newRow("sw zero") << 0.0 << int(Stopwatch) << kEnglish << "0.000";
    QTest::newRow("sw German negative") << -1234.5 << int(Stopwatch) << kGerman << "-1.234,500";

    // No fraction digits: halves go away from zero.
    QTest::newRow("whole 2.5") << 2.5 << int(WholeNumber) << kEnglish << "3";
    QTest::newRow("whole 0.5") << 0.5 << int(WholeNumber) << kEnglish << "1";
    QTest::newRow("whole -2.5") << -2.5 << int(WholeNumber) << kEnglish << "-3";
    QTest::newRow("whole 2.4") << 2.4 << int(WholeNumber) << kEnglish << "2";
    QTest::newRow("whole 9.5") << 9.5 << int(WholeNumber) << kEnglish << "10";
}

void TestNumbers::formatNumber()
{
    QFETCH(double, value);
    QFETCH(int, pattern);
    QFETCH(QLocale, locale);
    QFETCH(QString, text);
    QCOMPARE(::formatNumber(value, patternFor(pattern), locale), text);
}

void TestNumbers::formatNumberDefaultLocale()
{
    QCOMPARE(::formatNumber(1500.0, kMillisecondsPattern), QStringLiteral("1,500.000"));
    QLocale::setDefault(kGerman);
    QCOMPARE(::formatNumber(1500.0, kMillisecondsPattern), QStringLiteral("1.500,000"));
}

void TestNumbers::sampleSize_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("result");

    QTest::newRow("start size") << "768" << 768;
    QTest::newRow("one") << "1" << 1;
    QTest::newRow("half to even below") << "768.5" << 768;
    QTest::newRow("half to even above") << "769.5" << 770;
    QTest::newRow("1.5 to 2") << "1.5" << 2;
    QTest::newRow("2.5 to 2") << "2.5" << 2;
    QTest::newRow("below half") << "10.4" << 10;
    QTest::newRow("hex") << "&H10" << 16;
    QTest::newRow("blanks") << " 4 000 " << 4000;
    QTest::newRow("exponent") << "1e3" << 1000;
    QTest::newRow("largest") << "32766" << 32766;
    QTest::newRow("largest plus fraction") << "32766.4" << 32766;
    QTest::newRow("32766.5 to even") << "32766.5" << 32766;
    QTest::newRow("32767") << "32767" << kRefused;
    QTest::newRow("32766.6") << "32766.6" << kRefused;
    QTest::newRow("40000") << "40000" << kRefused;
    QTest::newRow("1e9") << "1e9" << kRefused;
    QTest::newRow("infinite") << "1e999" << kRefused;
    QTest::newRow("not whole text") << "12a" << kRefused;
    QTest::newRow("second point") << "12.5.1" << kRefused;
    QTest::newRow("rounds to zero") << "0.4" << kRefused;
    QTest::newRow("half rounds to zero") << "0.5" << kRefused;
    QTest::newRow("negative") << "-5" << kUnchanged;
    QTest::newRow("negative junk") << "-5x" << kUnchanged;
    QTest::newRow("letters") << "abc" << kUnchanged;
    QTest::newRow("zero") << "0" << kUnchanged;
    QTest::newRow("zero with junk") << "0abc" << kUnchanged;
    QTest::newRow("empty") << "" << kUnchanged;
    QTest::newRow("negative infinite") << "-1e999" << kUnchanged;
}

void TestNumbers::sampleSize()
{
    QFETCH(QString, text);
    QFETCH(int, result);
    QCOMPARE(requestCode(readSampleSize(text)), result);
}

void TestNumbers::lineSettings_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("baud");
    QTest::addColumn<int>("parity");
    QTest::addColumn<int>("dataBits");
    QTest::addColumn<int>("stopBits");

    QTest::newRow("scope's line") << "115200,N,8,2" << 115200 << int(QSerialPort::NoParity)
                                  << int(QSerialPort::Data8) << int(QSerialPort::TwoStop);
    QTest::newRow("even") << "9600,E,7,1" << 9600 << int(QSerialPort::EvenParity) << int(QSerialPort::Data7)
                          << int(QSerialPort::OneStop);
    QTest::newRow("odd, one and a half") << "300,O,5,1.5" << 300 << int(QSerialPort::OddParity)
                                         << int(QSerialPort::Data5) << int(QSerialPort::OneAndHalfStop);
    QTest::newRow("mark") << "19200,M,6,1" << 19200 << int(QSerialPort::MarkParity) << int(QSerialPort::Data6)
                          << int(QSerialPort::OneStop);
    QTest::newRow("space") << "1200,S,8,2" << 1200 << int(QSerialPort::SpaceParity) << int(QSerialPort::Data8)
                           << int(QSerialPort::TwoStop);
}

void TestNumbers::lineSettings()
{
    QFETCH(QString, text);
    QFETCH(int, baud);
    QFETCH(int, parity);
    QFETCH(int, dataBits);
    QFETCH(int, stopBits);
    const std::optional<LineSettings> settings = LineSettings::parse(text);
    QVERIFY(settings.has_value());
    QCOMPARE(settings->baudRate, baud);
    QCOMPARE(int(settings->parity), parity);
    QCOMPARE(int(settings->dataBits), dataBits);
    QCOMPARE(int(settings->stopBits), stopBits);
}

void TestNumbers::malformedLineSettings_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << "";
    QTest::newRow("baud only") << "115200";
    QTest::newRow("three fields") << "115200,N,8";
    QTest::newRow("five fields") << "115200,N,8,2,1";
    QTest::newRow("baud not a number") << "fast,N,8,1";
    QTest::newRow("baud zero") << "0,N,8,1";
    QTest::newRow("baud negative") << "-9600,N,8,1";
    QTest::newRow("baud fraction") << "9600.5,N,8,1";
    QTest::newRow("unknown parity") << "9600,X,8,1";
    QTest::newRow("empty parity") << "9600,,8,1";
    QTest::newRow("parity word") << "9600,None,8,1";
    QTest::newRow("four data bits") << "9600,N,4,1";
    QTest::newRow("nine data bits") << "9600,N,9,1";
    QTest::newRow("data bits not a number") << "9600,N,x,1";
    QTest::newRow("zero stop bits") << "9600,N,8,0";
    QTest::newRow("three stop bits") << "9600,N,8,3";
    QTest::newRow("stop bits 2.5") << "9600,N,8,2.5";
    QTest::newRow("semicolons") << "9600;N;8;1";
}

void TestNumbers::malformedLineSettings()
{
    QFETCH(QString, text);
    QVERIFY(!LineSettings::parse(text).has_value());
}

QTEST_GUILESS_MAIN(TestNumbers)
#include "tst_numbers.moc"
