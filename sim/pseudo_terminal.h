#pragma once

#include <QByteArray>
#include <QString>

// A pseudo-terminal pair standing in for a serial line: the scope opens the
// slave side as its port, the simulated board writes into the master side.
// The line is raw (no echo, no translation of any byte). Closing the master
// hangs up the slave, as unplugging a USB adapter does.
class PseudoTerminal
{
public:
    // Throws std::system_error when the pair cannot be created.
    PseudoTerminal();
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal &) = delete;
    PseudoTerminal &operator=(const PseudoTerminal &) = delete;

    QString slavePath() const { return m_slavePath; }
    // Non-blocking; -1 once closed.
    int masterFd() const { return m_master; }
    bool isOpen() const { return m_master >= 0; }
    void close();

    // Writes every byte, waiting for room; false if the line could not take
    // them within timeoutMs. For small amounts only: it blocks the caller.
    bool writeAll(const QByteArray &bytes, int timeoutMs = 5000);

private:
    int m_master = -1;
    QString m_slavePath;
};
