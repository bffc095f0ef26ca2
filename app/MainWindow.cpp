#include "app/MainWindow.h"

#include "ui_MainWindow.h"

#include "app/Dialogs.h"
#include "app/MainFrame.h"
#include "flash/FlashCommandLine.h"
#include "flash/ProcessLauncher.h"
#include "release/HttpClass.h"
#include "settings/Language.h"
#include "settings/ProgramFolder.h"

#include <QCloseEvent>
#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QSslSocket>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTimer>
#include <QUrl>

const char *const MainWindow::PeqToolUrl = "https://download.norvo-audio.example/tools/NorvoPEQ_Setup.zip";

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
    , ui(new Ui::MainWindow)
    , m_deviceNotifier(this)
{
    ui->setupUi(this);
    qDebug() << QSslSocket::sslLibraryBuildVersionString();
    m_localConfig = g_httpClass.getConfig();
    registerDeviceNotify();

    ui->comboBox_lang->blockSignals(true);
    // Each language is named in its own words and never re-translated.
    for (const char *language : {Language::English, Language::SimChinese, Language::TraChinese})
        ui->comboBox_lang->insertItem(ui->comboBox_lang->count(), QIcon(), QString::fromUtf8(language), QVariant());
    initLanguage();
    ui->comboBox_lang->blockSignals(false);

    writeUpgradeNotice();
    m_isUpgrading = false;
    m_initDone = false;

    if (m_upgrade.m_duplicateFound)
        showDuplicateWarning();
    else
        fillDeviceList();

    connect(&m_process, &QProcess::readyReadStandardOutput, &m_process, [this] { onFlashOutput(); },
            Qt::DirectConnection);
    connect(&m_process, &QProcess::readyReadStandardError, &m_process, [this] { onFlashError(); },
            Qt::DirectConnection);
    // Texts printed without a line end ("Load btapi.dll failed!") are complete once
    // the program has ended.
    connect(&m_process, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished), this,
            [this](int exitCode, QProcess::ExitStatus status) { onFlashFinished(exitCode, status); });
    connect(this, &MainWindow::downloadFinish, this, &MainWindow::on_downloadFinish);

    m_initDone = true;
    m_refreshPending = false;
}

MainWindow::~MainWindow()
{
    m_process.disconnect();
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(3000);
    }
    delete ui;
}

QString MainWindow::noDeviceText() const
{
    return QObject::tr("没有找到设备");
}

void MainWindow::writeUpgradeNotice()
{
    insertStringToFirstLine(tr("升级注意:\r1.USB 线直接连接电脑和解码设备，中间不要加 USB 集线器或者其他设备.\r")
                            + tr("2.请暂时关闭电脑上的音乐播放软件或者其他有音乐输出的软件，避免升级过程还在播放音乐.\r")
                            + tr("3.升级开始后, 请勿关闭软件或断开设备连接!如果发生错误, 请重新插拔设备再升级."));
}

QString MainWindow::getTime()
{
    return QDateTime::currentDateTime().toString(QStringLiteral("[hh:mm:ss]"));
}

void MainWindow::insertStringToFirstLine(QString str)
{
    QTextCursor cursor = ui->textEdit_info->textCursor();
    const bool wasEmpty = ui->textEdit_info->document()->isEmpty();
    cursor.movePosition(QTextCursor::Start, QTextCursor::MoveAnchor);
    // A cursor moved to the start would take the format of the text after it; the
    // entry takes the colour the caller set on the view instead (or the theme's).
    QTextCharFormat format;
    const QTextCharFormat current = ui->textEdit_info->currentCharFormat();
    if (current.hasProperty(QTextFormat::ForegroundBrush))
        format.setForeground(current.foreground());
    cursor.insertText(getTime() + str, format);
    if (!wasEmpty)
        cursor.insertBlock();
}

void MainWindow::setControlsEnabled(bool enable)
{
    m_isUpgrading = !enable;
    ui->comboBox_deviceList->setEnabled(enable);
    ui->pushButton_getVer->setEnabled(enable);
    ui->pushButton_reboot->setEnabled(enable);
    ui->pushButton_localUpdate->setEnabled(enable);
    ui->btn_download->setEnabled(enable);
    ui->comboBox_lang->setEnabled(enable);
    ui->progressBar->setValue(0);
}

bool MainWindow::askYesNo(const QString &text)
{
    return Dialogs::askYesNo(tr("提示"), text, tr("确定"), tr("取消"));
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (!m_isUpgrading || ui->comboBox_deviceList->currentText() == noDeviceText()) {
        event->accept();
        return;
    }
    event->ignore();
    Dialogs::information(this, tr("提示"), tr("正在升级中,请勿关闭软件!"));
}

void MainWindow::fillDeviceList()
{
    ui->comboBox_deviceList->clear();
    appendSupportedDevices();
}

void MainWindow::appendSupportedDevices()
{
    appendDevices(m_upgrade.listSupportedDevices());
}

void MainWindow::appendDevices(const QStringList &texts)
{
    for (const QString &text : texts)
        ui->comboBox_deviceList->insertItem(ui->comboBox_deviceList->count(), QIcon(), text, QVariant());
}

void MainWindow::showDuplicateWarning()
{
    Dialogs::critical(nullptr, tr("提示"), tr("注意:检测到有多个相同ID值的设备,为防止升级错误,请先拔除再升级!"));
}

// ---- Device list and selection ----

void MainWindow::registerDeviceNotify()
{
    m_deviceNotifier.registerWindow(this);
    connect(&m_deviceNotifier, &DeviceNotifier::deviceChanged, this, &MainWindow::scheduleDeviceRefresh);
}

bool MainWindow::nativeEvent(const QByteArray &eventType, void *message, long *result)
{
    if (DeviceNotifier::isDeviceChange(message))
        scheduleDeviceRefresh();
    return QMainWindow::nativeEvent(eventType, message, result);
}

void MainWindow::scheduleDeviceRefresh()
{
    // One refresh covers every notification of the next second.
    if (m_refreshPending)
        return;
    m_refreshPending = true;
    QTimer::singleShot(1000, this, [this] { refreshDeviceList(); });
}

void MainWindow::refreshDeviceList()
{
    ui->comboBox_deviceList->clear();
    if (m_upgrade.enumerateDevices())
        showDuplicateWarning();
    else
        appendSupportedDevices();
    m_refreshPending = false;
}

void MainWindow::setPeqLinkVisible(bool visible)
{
    ui->label_space->setVisible(visible);
    ui->pushButton_url->setVisible(visible);
}

void MainWindow::on_comboBox_deviceList_currentTextChanged(QString arg1)
{
    if (m_isUpgrading)
        return;
    setPeqLinkVisible(arg1.contains(QLatin1String("Velmora")) || arg1.contains(QLatin1String("Sorvik")));
    if (ui->comboBox_deviceList->currentText() == noDeviceText())
        return;
    qDebug() << "on_comboBox_deviceList_currentTextChanged= 从网络获取版本";
    QString name;
    const QString version = m_upgrade.getFirmwareVersion(arg1, name);
    Q_UNUSED(version)
    if (name.contains(QLatin1String("Tarnik")) || name.contains(QLatin1String("Dravel")))
        setPeqLinkVisible(true);
    ui->lineEdit_filepath->clear();
    // The release lookup for the selected device is started here once the release
    // client exists.
}

void MainWindow::on_pushButton_getVer_clicked()
{
    if (m_upgrade.m_duplicateFound)
        return;
    QString name;
    const QString version = m_upgrade.getFirmwareVersion(ui->comboBox_deviceList->currentText(), name);
    ui->lineEdit_filepath->clear();
    if (!name.isEmpty() && !version.isEmpty())
        insertStringToFirstLine(tr("[当前固件版本:%1]").arg(version));
}

void MainWindow::on_pushButton_reboot_clicked()
{
    if (m_upgrade.m_duplicateFound)
        return;
    m_upgrade.rebootDevice(ui->comboBox_deviceList->currentText());
}

void MainWindow::on_pushButton_url_clicked()
{
    Dialogs::openUrl(QUrl(QString::fromLatin1(PeqToolUrl)));
}

// ---- Language ----

void MainWindow::initLanguage()
{
    QString name = g_httpClass.getLang();
    if (name.isEmpty())
        name = Language::fromSystemLocale(Language::Caller::Tool);
    else
        qDebug().noquote() << QStringLiteral("System language: ")
                                  + QLocale::languageToString(QLocale::system().language());

    // A saved name that is none of the three loads nothing and leaves the box as it is.
    const int index = ui->comboBox_lang->findText(name);
    if (index < 0)
        return;
    ui->comboBox_lang->setCurrentIndex(index);
    loadLanguage(name);
}

void MainWindow::loadLanguage(const QString &name)
{
    if (!Language::install(m_translator, name))
        return;
    ui->retranslateUi(this);
    g_httpClass.setLang(name);
}

void MainWindow::on_comboBox_lang_currentTextChanged(QString arg1)
{
    if (m_initDone) {
        loadLanguage(arg1);
        setMainFrameTitle(QObject::tr("诺沃升级工具") + QLatin1Char('-') + m_localConfig.version);
        // The entry for no device found follows the language too.
        const QStringList devices = m_upgrade.listSupportedDevices();
        if (!devices.isEmpty()) {
            ui->comboBox_deviceList->clear();
            appendDevices(devices);
        }
    }
    ui->textEdit_info->setText(QString());
    writeUpgradeNotice();
}

// ---- Upgrades ----

void MainWindow::on_btn_download_clicked()
{
    if (m_upgrade.m_duplicateFound) {
        showDuplicateWarning();
        return;
    }
    if (ui->comboBox_deviceList->currentText() == noDeviceText()) {
        Dialogs::critical(nullptr, tr("提示"), noDeviceText());
        return;
    }
    // Releases are offered once the release client looks them up; until then no
    // device has a newer firmware to download.
    const ReleaseInfo release = m_upgrade.m_releaseInfo;
    if (release.downUrl.isEmpty()) {
        Dialogs::information(nullptr, tr("提示"), tr("此设备无最新的固件"));
        return;
    }
}

void MainWindow::on_downloadFinish(QString strFilePath)
{
    ui->lineEdit_filepath->setText(strFilePath);
    setControlsEnabled(false);
    insertStringToFirstLine(tr("升级开始,请勿关闭软件或断开设备连接!如果发生错误,请重新插拔设备再升级."));
    qDebug() << "dowload file: " << strFilePath;
    const QString current = ui->comboBox_deviceList->currentText();
    const SupportedDevice row = m_upgrade.getSupportedDevice(current);
    startFlash(FlashCommandLine::flash(ProgramFolder::path(), row, strFilePath), true);
}

void MainWindow::on_pushButton_localUpdate_clicked()
{
    if (m_upgrade.m_duplicateFound) {
        showDuplicateWarning();
        return;
    }
    const QString current = ui->comboBox_deviceList->currentText();
    if (current == noDeviceText()) {
        Dialogs::critical(nullptr, tr("提示"), noDeviceText());
        return;
    }
    QString startDir = g_httpClass.getLastDir();
    if (startDir.isEmpty())
        startDir = ProgramFolder::dataPath() + QStringLiteral("/download");
    const QString filePath = Dialogs::getOpenFileName(nullptr, QStringLiteral("Open File"), startDir,
                                                      QStringLiteral("bin file (*.bin)"));
    if (filePath.isEmpty()) {
        qDebug() << "No file selected.";
        return;
    }
    if (!askYesNo(tr("确定要升级本固件吗?")))
        return;
    g_httpClass.setLastDir(QFileInfo(filePath).dir().absolutePath());
    ui->lineEdit_filepath->setText(filePath);

    // The row carries the program path and the numbers of the selected device.
    const SupportedDevice row = m_upgrade.getSupportedDevice(current);
    QString model = row.name;
    model.remove(QStringLiteral("Norvo "));
    model.remove(QStringLiteral("VORURODIRORI "));
    if (!filePath.contains(model)) {
        const auto answer = Dialogs::question(
            nullptr, tr("提示"),
            tr("注意:选择的固件可能不是设备的升级固件,\n继续升级可能会导致错误,设备无法启动, 是否继续升级?"));
        if (answer == QMessageBox::No)
            return;
    }

    setControlsEnabled(false);
    insertStringToFirstLine(tr("升级开始,请勿关闭软件或断开设备连接!如果发生错误,请重新插拔设备再升级."));
    qDebug() << "Selected file: " << filePath;
    startFlash(FlashCommandLine::flash(ProgramFolder::path(), row, filePath), false);
}

void MainWindow::startFlash(const QString &commandLine, bool alwaysKill)
{
    if (!alwaysKill)
        qDebug() << "cmd=" << commandLine;
    if (alwaysKill || m_process.state() == QProcess::Running) {
        // The previous run is being replaced: its end is no outcome of this one.
        m_flashEnded = true;
        m_process.kill();
        // It must be gone before the process object can start again.
        m_process.waitForFinished(3000);
    }
    m_process.closeReadChannel(QProcess::StandardOutput);
    m_flashOutput.reset();
    m_flashEnded = false;
    m_deviceFinishesAlone = false;

    ProcessLauncher::start(m_process, commandLine);
    if (m_process.waitForStarted(30000))
        return;

    setControlsEnabled(true);
    qDebug() << "Failed to start process";
    writeRedEntry(tr("升级发生了错误,可能是设备没正确连接或者工具路径问题.\r")
                  + tr("1.设备没正确连接问题请重新插拔设备再重试\r")
                  + tr("2.工具路径问题请安装到非中文路径并且不带空格符号的路径下面再重试."));
}

void MainWindow::writeRedEntry(const QString &text)
{
    ui->textEdit_info->setTextColor(Qt::red);
    insertStringToFirstLine(text);
    ui->textEdit_info->setTextColor(Qt::black);
}

void MainWindow::onFlashOutput()
{
    const QByteArray bytes = m_process.readAllStandardOutput();
    qDebug() << "Standard Output: " << bytes;
    if (bytes.isEmpty() || m_flashEnded)
        return;
    applyFlashEvents(m_flashOutput.feed(bytes));
}

void MainWindow::onFlashFinished(int exitCode, QProcess::ExitStatus status)
{
    if (m_flashEnded)
        return;
    onFlashOutput();
    applyFlashEvents(m_flashOutput.finish());
    if (m_flashEnded)
        return;
    // A program that gave up or died without a word (tovrek refusing a path that does
    // not fit the vendor library) would otherwise leave the window busy for good. A
    // device that finishes the update alone is left to do so.
    if (m_isUpgrading && !m_deviceFinishesAlone && (status == QProcess::CrashExit || exitCode != 0)) {
        qDebug() << "Flashing program ended with" << exitCode << "before telling an outcome";
        failFlash();
    }
}

void MainWindow::applyFlashEvents(const QVector<FlashOutput::Event> &events)
{
    // The bar repaints at once on every new value; a fast flashing program's read can
    // hold hundreds of lines, so the bar takes them all and paints once afterwards.
    const bool batch = events.size() > 1;
    if (batch)
        ui->progressBar->setUpdatesEnabled(false);
    for (const FlashOutput::Event &event : events) {
        if (m_flashEnded)
            break;
        applyFlashEvent(event);
    }
    if (batch)
        ui->progressBar->setUpdatesEnabled(true);
}

void MainWindow::applyFlashEvent(const FlashOutput::Event &event)
{
    switch (event.kind) {
    case FlashOutput::Event::Progress:
        if (event.percent == 100)
            insertStringToFirstLine(tr("数据下载完毕,等待设备重启.....请稍候!"));
        ui->progressBar->setValue(static_cast<int>(qMin<quint64>(event.percent, INT_MAX)));
        break;
    case FlashOutput::Event::Success:
        m_flashEnded = true;
        finishSuccessfulFlash();
        break;
    case FlashOutput::Event::LoaderUpdate:
        m_deviceFinishesAlone = true;
        insertStringToFirstLine(tr("固件更新中,请等待设备自动升级....."));
        break;
    case FlashOutput::Event::Failure:
        failFlash();
        break;
    }
}

void MainWindow::failFlash()
{
    m_flashEnded = true;
    setControlsEnabled(true);
    m_process.kill();
    const QString text = tr("升级出错,请重新插拔设备,重启软件再升级!");
    Dialogs::information(nullptr, tr("提示"), text);
    insertStringToFirstLine(text);
}

void MainWindow::finishSuccessfulFlash()
{
    setControlsEnabled(true);
    insertStringToFirstLine(tr("升级完毕!"));
    ui->comboBox_deviceList->clear();
    if (m_upgrade.enumerateDevices())
        showDuplicateWarning();
    appendSupportedDevices();
    on_comboBox_deviceList_currentTextChanged(ui->comboBox_deviceList->currentText());
    Dialogs::information(nullptr, tr("提示"), tr("升级完毕!"));
}

void MainWindow::onFlashError()
{
    const QByteArray bytes = m_process.readAllStandardError();
    qDebug() << "Standard Error Output: " << bytes;
    if (bytes.isEmpty())
        return;
    if (ui->comboBox_deviceList->currentText() == noDeviceText())
        setControlsEnabled(true);

    const QString chunk = QString::fromLocal8Bit(bytes);
    switch (FlashOutput::interpretError(chunk)) {
    case FlashOutput::ErrorKind::CommandFailed:
        abortFlash(tr("升级出错,请重新插拔设备,重启软件再升级!"));
        break;
    case FlashOutput::ErrorKind::UnableToRead:
        m_process.kill();
        abortFlash(chunk);
        break;
    case FlashOutput::ErrorKind::ChipSuccess:
        m_flashEnded = true;
        setControlsEnabled(true);
        m_process.kill();
        insertStringToFirstLine(tr("升级完毕!"));
        Dialogs::information(nullptr, tr("提示"), tr("升级完毕!"));
        on_comboBox_deviceList_currentTextChanged(ui->comboBox_deviceList->currentText());
        break;
    case FlashOutput::ErrorKind::Updating:
        m_deviceFinishesAlone = true;
        insertStringToFirstLine(tr("设备更新中.....请稍候!"));
        break;
    case FlashOutput::ErrorKind::Nothing:
        break;
    }
}

void MainWindow::abortFlash(const QString &message)
{
    if (!m_isUpgrading)
        return;
    m_flashEnded = true;
    setControlsEnabled(true);
    m_process.kill();
    Dialogs::information(nullptr, tr("提示"), message);
}
