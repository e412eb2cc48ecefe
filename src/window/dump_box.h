#pragma once

#include "common/rate_limit.h"

#include <QPlainTextEdit>

// The box that lists the last block's readings: read-only, selectable, with
// a vertical scroll bar, its whole text replaced with every block.
class DumpBox : public QPlainTextEdit
{
    Q_OBJECT

public:
    explicit DumpBox(QWidget *parent = nullptr);

    // Replaces the text and shows it from its beginning. Screen readers
    // hear of a new text at most once a second.
    void showDump(const QString &dump);

private:
    void tellReaders();

    RateLimitedAction m_tellReaders{std::chrono::seconds(1), [this] { tellReaders(); }};
    // The text screen readers were last told of.
    QString m_toldReaders;
};
