#include "hid/HidReport.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace HidReport {

QByteArray request(unsigned char reportId, quint32 parameter, const unsigned char *payload,
                   int payloadLength)
{
    QByteArray buffer(Size, '\0');
    buffer[0] = static_cast<char>(reportId);
    for (int i = 0; i < 4; ++i)
        buffer[1 + i] = static_cast<char>((parameter >> (8 * i)) & 0xFF);
    if (payload && payloadLength > 0) {
        buffer[5] = static_cast<char>(payload[0]);
        if (payloadLength > 1)
            buffer[6] = static_cast<char>(payload[1]);
    }
    return buffer;
}

QString answerText(const QByteArray &answer)
{
    QString text;
    for (const char byte : answer) {
        if (byte != '\0')
            text.append(QChar(static_cast<uchar>(byte)));
    }
    return text;
}

QString answerMember(const QString &text, unsigned char item)
{
    const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8());
    if (!document.isObject())
        return QString();
    return document.object().value(QString::number(item)).toString();
}

QString reshapeVersion(const QString &version)
{
    const int dot = version.indexOf(QLatin1Char('.'));
    if (dot <= 0)
        return version;
    // Positions past the end of a short answer contribute nothing.
    const QString before = version.mid(dot - 1, 1);
    const QString first = version.mid(dot + 1, 1);
    const QString second = version.mid(dot + 2, 1);
    return QStringLiteral("%1.%2%3").arg(before, first, second);
}

} // namespace HidReport
