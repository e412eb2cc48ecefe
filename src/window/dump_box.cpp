#include "dump_box.h"

#include <QAccessible>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <QTextOption>

namespace {

// Withholds from screen readers every accessibility event raised while it
// lives. The toolkit has no switch for one widget's text events, and a
// replaced text reaches a reader as a removal, an insertion and two caret
// moves.
class ReadersNotTold
{
public:
    ReadersNotTold() : m_previous(QAccessible::installUpdateHandler([](QAccessibleEvent *) {})) {}
    ~ReadersNotTold() { QAccessible::installUpdateHandler(m_previous); }
    ReadersNotTold(const ReadersNotTold &) = delete;
    ReadersNotTold &operator=(const ReadersNotTold &) = delete;

private:
    QAccessible::UpdateHandler m_previous;
};

} // namespace

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
    {
        // A block every 70 ms would be a flood of speech.
        const ReadersNotTold quiet;
        // One edit that replaces the old text lays the long line out once.
        // Replacing the document's text instead lays it out twice, and the
        // widget's own setPlainText more.
        QTextCursor everything(document());
        everything.select(QTextCursor::Document);
        everything.insertText(dump);
        setTextCursor(QTextCursor(document()));
    }
    if (QAccessible::isActive())
        m_tellReaders.request();
}

void DumpBox::tellReaders()
{
    const QString text = toPlainText();
    QAccessibleTextUpdateEvent event(this, 0, m_toldReaders, text);
    QAccessible::updateAccessibility(&event);
    m_toldReaders = text;
}
