#pragma once

#include "settings/AppConfig.h"

#include <QAtomicInt>
#include <QMap>
#include <QObject>

// The release server client of the process. In kestrelup it is also the home of
// the configuration record, which every part of the tool reads through it.
class HttpClass : public QObject
{
    Q_OBJECT

public:
    explicit HttpClass(QObject *parent = nullptr);

    // Posts the fields as an url-encoded form and waits for the answer; empty on any
    // failure, a time-out or an empty body. Callable from any thread with an event loop.
    QString postForm(QString url, QMap<QString, QString> fields);
    static QByteArray encodeForm(const QMap<QString, QString> &fields);

    // Milliseconds without bytes moving before a post or a download is abandoned;
    // 0 waits for Qt.
    void setTransferTimeout(int ms);
    int transferTimeout() const;

    bool readConfig();
    bool writeConfig();
    AppConfig getConfig();
    QString getLang() const;
    void setLang(const QString &lang);
    QString getLastDir() const;
    void setLastDir(const QString &dir);

private:
    AppConfig m_config;
    // Read by download workers while the GUI thread may set it.
    QAtomicInt m_transferTimeout{2000};
};

extern HttpClass g_httpClass;
