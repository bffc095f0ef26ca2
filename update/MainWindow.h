#pragma once

#include "settings/AppConfig.h"

#include <QMainWindow>
#include <QPointer>
#include <QTranslator>

namespace Ui {
class MainWindow;
}
class downloadThread;

// The updater's window: shows the offered tool release, downloads it on Start,
// verifies and installs it, then starts the tool again and closes.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // The offered versionNumber, empty when nothing is offered or the lookup failed.
    QString getUpdateInfo(const QString &productName, QString &downUrl, QString &md5Code, QString &describes);

signals:
    void downloadFinish(QString strFilePath);

private slots:
    void on_downloadFinish(QString strFilePath);
    void on_pushButton_start_clicked();

private:
    void initLanguage();
    void loadLanguage(const QString &name);
    void onThreadMessage(const QString &message);
    void waitForUser();

    Ui::MainWindow *ui;
    QString m_strZipPath;
    QString m_strMd5Code;
    QString m_strDownloadDir;
    AppConfig m_config;
    QString m_strDownUrl;
    QTranslator m_translator;
    QPointer<downloadThread> m_download;
};
