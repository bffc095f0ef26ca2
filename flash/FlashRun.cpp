#include "flash/FlashRun.h"

#include "flash/ProcessLauncher.h"

#include <QDebug>

FlashRun::FlashRun(QObject *parent)
    : QObject(parent)
{
    connect(&m_process, &QProcess::readyReadStandardOutput, this, [this] { onOutput(); });
    connect(&m_process, &QProcess::readyReadStandardError, this, [this] { onError(); });
    // Texts printed without a line end ("Load btapi.dll failed!") are complete once
    // the program has ended.
    connect(&m_process, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished), this,
            [this](int exitCode, QProcess::ExitStatus status) { onFinished(exitCode, status); });
}

FlashRun::~FlashRun()
{
    m_process.disconnect();
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(3000);
    }
}

bool FlashRun::start(const QString &commandLine, bool replaceRunning)
{
    if (replaceRunning || m_process.state() == QProcess::Running) {
        // The previous run is being replaced: its end is no outcome of this one.
        m_ended = true;
        m_process.kill();
        // It must be gone before the process object can start again.
        m_process.waitForFinished(3000);
    }
    m_process.closeReadChannel(QProcess::StandardOutput);
    m_output.reset();
    m_ended = false;
    m_finishesAlone = false;

    ProcessLauncher::start(m_process, commandLine);
    if (m_process.waitForStarted(30000))
        return true;
    qDebug() << "Failed to start process";
    m_ended = true;
    return false;
}

void FlashRun::stop()
{
    m_ended = true;
    m_process.kill();
}

void FlashRun::onOutput()
{
    const QByteArray bytes = m_process.readAllStandardOutput();
    qDebug() << "Standard Output: " << bytes;
    if (bytes.isEmpty() || m_ended)
        return;
    apply(m_output.feed(bytes));
}

void FlashRun::onError()
{
    const QByteArray bytes = m_process.readAllStandardError();
    qDebug() << "Standard Error Output: " << bytes;
    if (bytes.isEmpty())
        return;
    const QString chunk = QString::fromLocal8Bit(bytes);
    const FlashOutput::ErrorKind kind = FlashOutput::interpretError(chunk);
    if (kind == FlashOutput::ErrorKind::Updating)
        m_finishesAlone = true;
    emit errorReport(kind, chunk);
}

void FlashRun::onFinished(int exitCode, QProcess::ExitStatus status)
{
    if (m_ended)
        return;
    onOutput();
    apply(m_output.finish());
    if (m_ended)
        return;
    // A program that gave up or died without a word (tovrek refusing a path that does
    // not fit the vendor library) would otherwise leave its owner waiting for good. A
    // device that finishes the update alone is left to do so.
    if (!m_finishesAlone && (status == QProcess::CrashExit || exitCode != 0)) {
        qDebug() << "Flashing program ended with" << exitCode << "before telling an outcome";
        emit endedWithoutOutcome(exitCode);
    }
}

void FlashRun::apply(const QVector<FlashOutput::Event> &events)
{
    for (const FlashOutput::Event &event : events) {
        if (m_ended)
            return;
        switch (event.kind) {
        case FlashOutput::Event::Progress:
            emit progress(event.percent);
            break;
        case FlashOutput::Event::Success:
            m_ended = true;
            emit succeeded();
            break;
        case FlashOutput::Event::LoaderUpdate:
            m_finishesAlone = true;
            emit deviceFinishesAlone();
            break;
        case FlashOutput::Event::Failure:
            emit failed();
            break;
        }
    }
}
