#pragma once

#include <QPlainTextEdit>

// The box that lists the last block's readings: read-only, selectable, with
// a vertical scroll bar, its whole text replaced with every block.
class DumpBox : public QPlainTextEdit
{
    Q_OBJECT

public:
    explicit DumpBox(QWidget *parent = nullptr);

    // Replaces the text and shows it from its beginning.
    void showDump(const QString &dump);
};
