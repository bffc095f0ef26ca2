#pragma once

#include "flash/FlashOutput.h"

#include <QObject>
#include <QProcess>

// One flashing program at a time: starts it, reads what it prints and tells what it
// means. Once a run has told its outcome (or its owner stopped it), later output of
// that run is not read.
class FlashRun : public QObject
{
    Q_OBJECT

public:
    explicit FlashRun(QObject *parent = nullptr);
    ~FlashRun() override;

    // Starts the command line and waits up to 30 s for the program to run. A running
    // program is killed first, always when replaceRunning is set.
    bool start(const QString &commandLine, bool replaceRunning);
    // Ends the run: kills the program, reads no more of it.
    void stop();
    bool hasEnded() const { return m_ended; }
    bool isRunning() const { return m_process.state() != QProcess::NotRunning; }

signals:
    void progress(quint64 percent);
    void succeeded();
    // The device completes the update alone; the program may end without a word.
    void deviceFinishesAlone();
    void failed();
    // A report on standard error, as one chunk.
    void errorReport(FlashOutput::ErrorKind kind, QString chunk);
    // The program gave up or died before telling an outcome.
    void endedWithoutOutcome(int exitCode);

private:
    void onOutput();
    void onError();
    void onFinished(int exitCode, QProcess::ExitStatus status);
    void apply(const QVector<FlashOutput::Event> &events);

    QProcess m_process;
    FlashOutput m_output;
    bool m_ended = false;
    bool m_finishesAlone = false;
};
