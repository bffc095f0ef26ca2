#pragma once

#include <QByteArray>
#include <QString>

// The feature-report protocol with the devices: 65-byte reports with report ID 5,
// questions answered with a small JSON object as text.
namespace HidReport {

constexpr int Size = 65;
constexpr unsigned char ReportId = 0x05;
constexpr quint32 RebootParameter = 0x1000000A;
constexpr unsigned char NameItem = 0x00;
constexpr unsigned char VersionItem = 0x03;

QByteArray request(unsigned char reportId, quint32 parameter, const unsigned char *payload,
                   int payloadLength);
// Every non-zero byte of the answer, in order, as one character.
QString answerText(const QByteArray &answer);
// The string value of the member named after the item, or empty.
QString answerMember(const QString &text, unsigned char item);
// "V2.05" -> "2.05": the digit before the first dot and the two after it.
QString reshapeVersion(const QString &version);

} // namespace HidReport
