#include "update/MainWindow.h"

#include "release/HttpClass.h"
#include "release/ReleaseServer.h"
#include "release/downloadThread.h"
#include "settings/ConfigFile.h"
#include "settings/Language.h"
#include "settings/ProgramFolder.h"
#include "settings/Theme.h"
#include "update/SelfUpdate.h"
#include "ui_MainWindow.h"

#include <QDebug>
#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>
#include <QTimer>
#include <QUrl>

namespace {
// A server that takes the connection and never answers must not keep the updater
// running for ever before its window is even shown.
constexpr int kLookupTimeoutMs = 30000;
constexpr int kNothingOfferedCloseMs = 100;
} // namespace

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
    , ui(new Ui::MainWindow)
{
    ui->setupUi(this);
    initLanguage();
    setWindowFlags(windowFlags() | Qt::WindowCloseButtonHint);
    setMinimumSize(500, 300);
    setMaximumSize(500, 300);
    Theme::applySilvery();

    ConfigFile::read(ConfigFile::defaultPath(), m_config);
    QString describes;
    const QString version = getUpdateInfo(m_config.productName, m_strDownUrl, m_strMd5Code, describes);
    if (version.isEmpty() || m_strDownUrl.isEmpty()) {
        ui->pushButton_start->setEnabled(false);
        QTimer::singleShot(kNothingOfferedCloseMs, this, [this] {
            qDebug() << "5 seconds have passed!";
            close();
        });
    }

    ui->label_ver->setText(tr("更新版本:") + version);
    ui->textEdit_dec->setText(tr("此版本更新内容:") + QLatin1Char('\n') + describes);
    ui->progressBar->setValue(0);
    m_config.version = version;
    connect(this, &MainWindow::downloadFinish, this, &MainWindow::on_downloadFinish);
}

MainWindow::~MainWindow()
{
    // The worker interrupts its download and waits for its thread when it goes.
    delete m_download;
    delete ui;
}

void MainWindow::initLanguage()
{
    loadLanguage(Language::fromSystemLocale(Language::Caller::Updater));
}

void MainWindow::loadLanguage(const QString &name)
{
    QCoreApplication::removeTranslator(&m_translator);
    if (!Language::install(m_translator, name))
        qDebug() << "Failed to load the catalogue of" << name;
    ui->retranslateUi(this);
}

QString MainWindow::getUpdateInfo(const QString &productName, QString &downUrl, QString &md5Code, QString &describes)
{
    g_httpClass.setTransferTimeout(kLookupTimeoutMs);
    const QString answer = g_httpClass.postForm(releaseLookupUrl(), releaseLookupFields(productName, m_config.version));
    if (answer.isEmpty()) {
        qDebug() << "获取网络数据错误,重新获取!";
        return QString();
    }
    qDebug() << answer;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(answer.toUtf8(), &error);
    if (error.error != QJsonParseError::NoError) {
        qDebug() << "Failed to parse JSON data.";
        return QString();
    }
    const QJsonObject result = document.object().value(QStringLiteral("result")).toObject();
    downUrl = result.value(QStringLiteral("downUrl")).toString();
    md5Code = result.value(QStringLiteral("md5Code")).toString();
    describes = result.value(QStringLiteral("describes")).toString();
    const QString version = result.value(QStringLiteral("versionNumber")).toString();
    qDebug() << "strVer" << version;
    return version;
}

void MainWindow::on_pushButton_start_clicked()
{
    if (m_download && m_download->isRunning())
        return;
    const QUrl url(m_strDownUrl, QUrl::TolerantMode);
    m_strDownloadDir = ProgramFolder::dataPath() + QStringLiteral("/download");
    QDir dir(m_strDownloadDir);
    if (dir.exists())
        qDebug() << "Directory already exists: " << m_strDownloadDir;
    else if (dir.mkpath(QStringLiteral(".")))
        qDebug() << "Directory created successfully: " << m_strDownloadDir;
    else
        qDebug() << "Failed to create directory: " << m_strDownloadDir;
    m_strZipPath = m_strDownloadDir + QStringLiteral("/update_temp.zip");

    // One download at a time: a second worker would write the same archive.
    ui->pushButton_start->setEnabled(false);
    m_download = new downloadThread(this);
    m_download->m_url = url;
    m_download->m_strFilePath = m_strZipPath;
    connect(m_download, &downloadThread::threadMessage, this,
            [this](const QString &message, const QString &) { onThreadMessage(message); });
    connect(m_download, &QThread::finished, m_download, &QObject::deleteLater);
    m_download->start(QThread::InheritPriority);
}

void MainWindow::onThreadMessage(const QString &message)
{
    qDebug() << "sssssssssssssssssssssss=" << message;
    if (downloadThread::isFinish(message)) {
        emit downloadFinish(m_strZipPath);
        return;
    }
    if (downloadThread::isFailure(message)) {
        qDebug() << "Download failed, nothing installed:" << downloadThread::failureReason(message);
        waitForUser();
        return;
    }
    ui->progressBar->setValue(message.toInt());
}

void MainWindow::on_downloadFinish(QString strFilePath)
{
    if (SelfUpdate::verifyAndInstall(strFilePath, m_strMd5Code, ProgramFolder::path()) != SelfUpdate::Outcome::Installed) {
        waitForUser();
        return;
    }
    QThread::sleep(2);
    SelfUpdate::recordVersion(m_config);
    SelfUpdate::restartTool();
    close();
}

void MainWindow::waitForUser()
{
    ui->pushButton_start->setEnabled(true);
}
