#include "flash/FlashOutput.h"

#include <QStringList>

namespace {

bool isEcho(const QString &line)
{
    // tovrek's usage line and the echo of its arguments: a firmware path holding
    // "fail" must not count as an outcome.
    return line.startsWith(QLatin1String("use:tovrek")) || line.startsWith(QLatin1String(" bin_path="));
}

bool progressPercent(const QString &line, quint64 &percent)
{
    const QString marker = QStringLiteral("write page: ");
    const int at = line.indexOf(marker);
    QString rest = at >= 0 ? line.mid(at + marker.size()) : line;
    rest.remove(QLatin1Char('\r'));
    const QStringList parts = rest.split(QStringLiteral(" / "));
    if (parts.size() != 2)
        return false;
    const quint64 done = parts.at(0).toUInt();
    const quint64 total = parts.at(1).toUInt();
    if (total == 0)
        return false;
    percent = done * 100 / total;
    return true;
}

} // namespace

bool FlashOutput::interpretLine(const QString &line, Event &event)
{
    if (isEcho(line))
        return false;
    if (line.contains(QLatin1String("write page:"))) {
        event.kind = Event::Progress;
        return progressPercent(line, event.percent);
    }
    if (line.contains(QLatin1String("FOTA done\r"))) {
        event.kind = Event::Success;
        return true;
    }
    if (line.contains(QLatin1String("FOTA done, wait loader update code ..."))) {
        event.kind = Event::LoaderUpdate;
        return true;
    }
    // tovrek's own connection and write errors say so in Chinese, without "fail".
    if (line.contains(QLatin1String("fail")) || line.contains(QStringLiteral("链接USB错误"))
        || line.contains(QStringLiteral("写固件错误"))) {
        event.kind = Event::Failure;
        return true;
    }
    return false;
}

QVector<FlashOutput::Event> FlashOutput::feed(const QByteArray &chunk)
{
    QVector<Event> events;
    m_tail.append(chunk);
    int start = 0;
    for (int i = 0; i < m_tail.size(); ++i) {
        const char c = m_tail.at(i);
        if (c != '\n' && c != '\r')
            continue;
        const int end = c == '\r' ? i + 1 : i;
        const QString line = QString::fromLocal8Bit(m_tail.mid(start, end - start));
        Event event{Event::Progress};
        if (!line.isEmpty() && interpretLine(line, event))
            events.append(event);
        start = i + 1;
    }
    m_tail.remove(0, start);
    return events;
}

QVector<FlashOutput::Event> FlashOutput::finish()
{
    QVector<Event> events;
    const QString line = QString::fromLocal8Bit(m_tail);
    m_tail.clear();
    Event event{Event::Progress};
    if (!line.isEmpty() && interpretLine(line, event))
        events.append(event);
    return events;
}

void FlashOutput::reset()
{
    m_tail.clear();
}

FlashOutput::ErrorKind FlashOutput::interpretError(const QString &chunk)
{
    if (chunk.contains(QLatin1String("[FOTA] command fail(-1)")))
        return ErrorKind::CommandFailed;
    if (chunk.contains(QLatin1String("Error")) || chunk.contains(QLatin1String("err "))) {
        if (chunk.contains(QLatin1String("Unable to read, err 1167")))
            return ErrorKind::UnableToRead;
        if (chunk.contains(QLatin1String("received from the chip")))
            return ErrorKind::ChipSuccess;
        return ErrorKind::Nothing;
    }
    if (chunk.contains(QLatin1String("no device to read")))
        return ErrorKind::Updating;
    return ErrorKind::Nothing;
}
