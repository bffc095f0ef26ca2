#pragma once

#include <QString>
#include <QThread>
#include <QUrl>

// One network job in a thread of its own: the firmware lookup of a device (when
// m_strFilePath is empty) or the download of m_url into m_strFilePath. Everything it
// has to say goes through threadMessage: the server's answer in lookup mode; in
// download mode percentages, then either "download finish" or a failure message
// (see isFailure), after which no package is left at the path. Downloads and lookups
// give up once no bytes moved for g_httpClass.transferTimeout().
//
// Destroying the object interrupts the job and waits for the thread, so an owner
// that deletes it (or a parent window that closes) never leaves the thread running.
class downloadThread : public QThread
{
    Q_OBJECT

public:
    explicit downloadThread(QObject *parent = nullptr);
    ~downloadThread() override;

    static QString finishMessage();
    static bool isFinish(const QString &message);
    static bool isFailure(const QString &message);
    // What failed, for the user: the text after the failure prefix.
    static QString failureReason(const QString &message);

    // Fetches url into path; empty when the whole body arrived and was put in place,
    // otherwise what failed. Emits percentages while it runs.
    QString downloadFile(const QUrl &url, const QString &path);

    QString m_strProductName;
    QString m_strFirmwareVer;
    QString m_strDefaultVer;
    QUrl m_url;
    QString m_strFilePath;

signals:
    void threadMessage(QString message, QString firmware_ver);

protected:
    void run() override;

private:
    void lookUp();
};
