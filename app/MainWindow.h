#pragma once

#include "flash/FlashOutput.h"
#include "flash/FlashRun.h"
#include "hid/DeviceNotifier.h"
#include "hid/UpgradeClass.h"
#include "release/NetworkUpgrade.h"
#include "settings/AppConfig.h"

#include <QMainWindow>
#include <QTranslator>

namespace Ui {
class MainWindow;
}

class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    void setControlsEnabled(bool enable);
    bool askYesNo(const QString &text);
    void fillDeviceList();
    void refreshDeviceList();
    void registerDeviceNotify();
    void initLanguage();
    void loadLanguage(const QString &name);

    bool isUpgrading() const { return m_isUpgrading; }
    bool isRefreshPending() const { return m_refreshPending; }
    UpgradeClass &upgrade() { return m_upgrade; }

    // The address of the maker's equaliser (PEQ) settings tool installer.
    static const char *const PeqToolUrl;

signals:
    void downloadFinish(QString strFilePath);

private slots:
    void on_comboBox_deviceList_currentTextChanged(QString arg1);
    void on_btn_download_clicked();
    void on_pushButton_localUpdate_clicked();
    void on_downloadFinish(QString strFilePath);
    void on_pushButton_getVer_clicked();
    void on_pushButton_reboot_clicked();
    void on_comboBox_lang_currentTextChanged(QString arg1);
    void on_pushButton_url_clicked();
    QString getTime();
    void insertStringToFirstLine(QString str);

protected:
    void closeEvent(QCloseEvent *event) override;
    bool nativeEvent(const QByteArray &eventType, void *message, long *result) override;

private:
    void scheduleDeviceRefresh();
    void appendSupportedDevices();
    void appendDevices(const QStringList &texts);
    void showDuplicateWarning();
    void writeUpgradeNotice();
    void setPeqLinkVisible(bool visible);
    QString noDeviceText() const;
    void startFlash(const QString &commandLine, bool alwaysKill);
    void writeRedEntry(const QString &text);
    void startReleaseLookup(const QString &entry, const QString &name, const QString &version);
    void onReleaseAnswer(quint64 ticket, const QString &message, const QString &firmwareVer);
    void onDownloadMessage(const QString &message);
    void onFlashProgress(quint64 percent);
    void onFlashErrorReport(FlashOutput::ErrorKind kind, const QString &chunk);
    void onFlashEndedWithoutOutcome();
    void finishSuccessfulFlash();
    void failFlash();
    void abortFlash(const QString &message);

    Ui::MainWindow *ui;
    UpgradeClass m_upgrade;
    QString m_strDownloadPath;
    QTranslator m_translator;
    AppConfig m_localConfig;
    bool m_isUpgrading = false;
    bool m_initDone = false;
    bool m_refreshPending = false;
    DeviceNotifier m_deviceNotifier;
    FlashRun m_flash;
    NetworkUpgrade m_network;
};
