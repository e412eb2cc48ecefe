// Retakes the README's picture of the window: the demo's board for two
// seconds with both pairs of cursors set, then the window grabbed as shown.
//   tarnwick-screenshot OUTPUT.png     (cmake --build build --target screenshot)
#include "demo_board.h"
#include "window/form1.h"

#include <QApplication>
#include <QScrollBar>
#include <QTimer>

#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.png\n", argv[0]);
        return 2;
    }
    const QString output = QString::fromLocal8Bit(argv[1]);

    DemoBoard board;
    Form1 window(board.devicePath());
    window.show();
    // Time cursors one period apart, level cursors near the sine's peaks.
    window.scrollVLine1->setValue(125);
    window.scrollVLine2->setValue(387);
    window.scrollHLine1->setValue(60);
    window.scrollHLine2->setValue(214);
    board.start();

    int result = 0;
    QTimer::singleShot(2000, &window, [&] {
        if (!window.grab().save(output)) {
            std::fprintf(stderr, "tarnwick-screenshot: cannot write %s\n", qPrintable(output));
            result = 1;
        }
        QApplication::quit();
    });
    app.exec();
    return result;
}
