#include "dump_box.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
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
    // Nothing to undo in a list the program rewrites.
    document()->setUndoRedoEnabled(false);
    // The text is one line in one block, kept through every replacement.
    // Keeping its shaped glyphs spares shaping it anew at every paint and
    // at every placing of the caret.
    document()->firstBlock().layout()->setCacheEnabled(true);
}

void DumpBox::showDump(const QString &dump)
{
    // One edit that replaces the old text lays the long line out once.
    // Replacing the document's text instead lays it out twice, and the
    // widget's own setPlainText more.
    QTextCursor everything(document());
    everything.select(QTextCursor::Document);
    everything.insertText(dump);
    setTextCursor(QTextCursor(document()));
}
