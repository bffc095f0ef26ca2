#pragma once

#include <QColor>
#include <QJsonArray>
#include <QJsonObject>
#include <QString>
#include <QTemporaryDir>

#include "sim/hidsim/HidSim.h"

// A throw-away installation: tovrek with the vendor-library stand-in, VELD, a setting
// folder and a download folder, with the program folder pointed at it. It also owns
// the simulated device file and the log of the reports the devices received.
class QTextEdit;

// The operation log's entries, newest first, each without its "[hh:mm:ss]" stamp;
// the lines of one entry are joined by line feeds.
QStringList logEntries(const QTextEdit *view);
// The text colour of the newest entry (red for the errors).
QColor newestEntryColour(const QTextEdit *view);
// Every entry below a folder (hidden ones too), relative to it, sorted.
QStringList treeOf(const QString &path);
// A file's bytes; empty when it cannot be read.
QByteArray readWholeFile(const QString &path);

class TestProgramFolder
{
public:
    enum Content { WithTools = 1, WithSettingFolder = 2, Everything = WithTools | WithSettingFolder };

    explicit TestProgramFolder(int content = Everything);
    ~TestProgramFolder();

    QString path() const;
    QString filePath(const QString &relative) const;
    bool isValid() const;

    // Plugs exactly these devices in (see sim/hidsim/HidSim.h for the fields).
    void setDevices(const QJsonArray &devices);
    QStringList sentReports() const;
    void clearSentReports();

    void writeConfig(const QByteArray &contents);
    QByteArray readConfig() const;
    QString writeFile(const QString &relative, const QByteArray &contents);

    // A device of the first table row (tovrek) named as given.
    static QJsonObject tovrekDevice(const QString &product, const QString &path = QStringLiteral("sim-dac"));
    // A device served by VELD, of the given ids.
    static QJsonObject veldDevice(const QString &product, int productId = 0x4007, int usagePage = 0xFF00,
                                  const QString &path = QStringLiteral("sim-veld"));

private:
    QTemporaryDir m_dir;
};
