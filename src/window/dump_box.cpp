#include "dump_box.h"

#include <QTextCursor>
#include <QTextDocument>
#include <QTextOption>

DumpBox::DumpBox(QWidget *parent) : QPlainTextEdit(parent)
{
    setReadOnly(true);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // The dump is one long line of digits, laid out anew with every block:
    // without kerning, digits need no text shaping, which was most of the
    // window's work at the line rate.
    QFont face = font();
    face.setStyleStrategy(QFont::PreferNoShaping);
    face.setKerning(false);
    setFont(face);
    // Digits and commas run left to right: saying so spares a scan of the
    // whole line for right-to-left characters at every cursor placement.
    QTextOption option = document()->defaultTextOption();
    option.setTextDirection(Qt::LeftToRight);
    document()->setDefaultTextOption(option);
}

void DumpBox::showDump(const QString &dump)
{
    // Straight into the document: setPlainText would lay the long line out
    // two more times, to select it all and to reset its format.
    document()->setPlainText(dump);
    setTextCursor(QTextCursor(document()));
}
