#pragma once

// Small pieces the benchmark programs share: medians, the lateness of a GUI timer,
// the peak resident memory, and a plain-text table.
#include <QElapsedTimer>
#include <QFile>
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <QVector>

#include <algorithm>
#include <cstdio>

namespace bench {

inline double median(QVector<double> values)
{
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    const int n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// A timer on the GUI thread that should fire every few milliseconds; how late its
// ticks come is how long the event loop was kept from running.
class StallMeter : public QObject
{
public:
    explicit StallMeter(int intervalMs = 5) : m_intervalMs(intervalMs)
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(intervalMs);
        QObject::connect(&m_timer, &QTimer::timeout, this, [this] {
            const qint64 now = m_clock.nsecsElapsed();
            if (m_last >= 0 && now - m_last - qint64(m_intervalMs) * 1000000 > m_worst) {
                m_worst = now - m_last - qint64(m_intervalMs) * 1000000;
                m_worstAt = m_last;
            }
            m_last = now;
        });
    }
    void start()
    {
        m_worst = 0;
        m_worstAt = 0;
        m_last = -1;
        m_clock.start();
        m_timer.start();
    }
    // When the longest stall began, in milliseconds since start().
    double worstAtMs() const { return m_worstAt / 1e6; }
    // The longest stall in milliseconds since start().
    double stop()
    {
        m_timer.stop();
        return double(std::max<qint64>(m_worst, 0)) / 1e6;
    }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    int m_intervalMs;
    qint64 m_last = -1;
    qint64 m_worst = 0;
    qint64 m_worstAt = 0;
};

// Peak resident memory of this process so far, in MiB (Linux).
inline double peakResidentMiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    }
    return 0;
}

// Resets the peak to the current resident size, so a later reading covers only what
// came after (Linux 4.0 and later).
inline void resetPeakResident()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

inline void printTable(const QString &title, const QStringList &header, const QVector<QStringList> &rows)
{
    QVector<int> widths(header.size());
    for (int c = 0; c < header.size(); ++c) {
        widths[c] = header[c].size();
        for (const QStringList &row : rows)
            widths[c] = std::max(widths[c], int(row.value(c).size()));
    }
    auto line = [&](const QStringList &cells) {
        QString text = QStringLiteral("|");
        for (int c = 0; c < header.size(); ++c)
            text += QLatin1Char(' ') + cells.value(c).leftJustified(widths[c]) + QStringLiteral(" |");
        std::printf("%s\n", qPrintable(text));
    };
    std::printf("\n%s\n\n", qPrintable(title));
    line(header);
    QStringList rule;
    for (int w : widths)
        rule << QString(w, QLatin1Char('-'));
    line(rule);
    for (const QStringList &row : rows)
        line(row);
    std::fflush(stdout);
}

inline QString number(double value, int decimals = 1)
{
    return QString::number(value, 'f', decimals);
}

} // namespace bench
