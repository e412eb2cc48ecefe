#include "window/form1.h"
#ifdef Q_OS_UNIX
#include "window/termination_signals.h"
#endif

#include <QApplication>
#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

namespace {

// The scalable icon drawn at the sizes title bars and task switchers ask for;
// Qt reads SVG into an icon only through a plugin the system may lack.
QIcon applicationIcon()
{
    QSvgRenderer drawing(QStringLiteral(":/icons/" TARNWICK_APP_ID ".svg"));
    QIcon icon;
    for (const int side : {16, 24, 32, 48, 64, 128, 256}) {
        QPixmap pixmap(side, side);
        pixmap.fill(Qt::transparent);
        {
            QPainter painter(&pixmap);
            drawing.render(&painter);
        }
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // Ties the window to the installed desktop entry, whose icon desktops show.
    QGuiApplication::setDesktopFileName(QStringLiteral(TARNWICK_APP_ID));
    QApplication::setWindowIcon(applicationIcon());
#ifdef Q_OS_UNIX
    // Windows asks a program to end by closing its windows, which needs nothing more.
    closeWindowsOnTerminationSignals(app);
#endif
    Form1 window;
    window.show();
    return app.exec();
}
