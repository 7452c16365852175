#pragma once
#include <QString>

// What the transfer protocol shows and reads while it runs. The loader dialog
// maps these onto its controls; the command-line tool onto standard error.
class LoaderView
{
public:
    virtual ~LoaderView() = default;

    // The port chosen at the moment of opening; empty when none is offered.
    virtual QString currentPortName() const = 0;

    virtual void clearLog() = 0;
    virtual void appendLog(const QString& line) = 0;
    // A line of the image's bytes in hexadecimal: part of the log, which a
    // terminal may leave out.
    virtual void appendDump(const QString& line) { appendLog(line); }

    // Back to "no progress" (the bar's reset, not value 0).
    virtual void resetProgress() = 0;
    // 0..880: the index of the image byte just written.
    virtual void setProgress(int value) = 0;

    // The dialog's buttons; a view without them (the command line) has nothing to change.
    virtual void setPortButtonText(const QString&) {}
    virtual void setTransferButtonText(const QString&) {}
    virtual void setPortButtonEnabled(bool) {}
    virtual void setTransferButtonEnabled(bool) {}
    virtual void setExitButtonEnabled(bool) {}
};
