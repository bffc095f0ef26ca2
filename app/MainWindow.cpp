#include "app/MainWindow.h"

#include "ui_MainWindow.h"

#include "app/Dialogs.h"
#include "app/MainFrame.h"
#include "flash/FlashCommandLine.h"
#include "release/HttpClass.h"
#include "release/downloadThread.h"
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
    reportInterruptedFlash();

    if (m_upgrade.m_duplicateFound)
        showDuplicateWarning();
    else
        fillDeviceList();

    connect(&m_flash, &FlashRun::progress, this, &MainWindow::onFlashProgress);
    connect(&m_flash, &FlashRun::succeeded, this, &MainWindow::finishSuccessfulFlash);
    connect(&m_flash, &FlashRun::deviceFinishesAlone, this,
            [this] { insertStringToFirstLine(tr("固件更新中,请等待设备自动升级.....")); });
    connect(&m_flash, &FlashRun::failed, this, &MainWindow::failFlash);
    connect(&m_flash, &FlashRun::errorReport, this, &MainWindow::onFlashErrorReport);
    connect(&m_flash, &FlashRun::endedWithoutOutcome, this, &MainWindow::onFlashEndedWithoutOutcome);
    connect(&m_flash, &FlashRun::endedWhileDeviceFinishes, this, &MainWindow::onFlashEndedWhileDeviceFinishes);
    connect(this, &MainWindow::downloadFinish, this, &MainWindow::on_downloadFinish);

    m_initDone = true;
    m_refreshPending = false;
}

MainWindow::~MainWindow()
{
    // Workers end (and are waited for) while the window can still take their word.
    qDeleteAll(findChildren<downloadThread *>(QString(), Qt::FindDirectChildrenOnly));
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
    if (name.contains(QLatin1String("Tarnik")) || name.contains(QLatin1String("Dravel")))
        setPeqLinkVisible(true);
    ui->lineEdit_filepath->clear();
    if (m_hasInterrupted && !m_offerQueued && m_interrupted.isFor(m_upgrade.getSupportedDevice(arg1))) {
        if (m_interrupted.packageMatches()) {
            // Asked once the window is up, not from inside the list's own signal.
            m_offerQueued = true;
            QTimer::singleShot(0, this, [this, arg1] { offerInterruptedFlash(arg1); });
        } else {
            qDebug() << "Interrupted upgrade not offered, package gone or changed:" << m_interrupted.packagePath;
        }
    }
    if (!name.isEmpty())
        startReleaseLookup(arg1, name, version);
}

void MainWindow::reportInterruptedFlash()
{
    if (!FlashRecord::read(FlashRecord::defaultPath(), m_interrupted))
        return;
    m_hasInterrupted = true;
    qDebug() << "Interrupted upgrade found:" << m_interrupted.deviceName << m_interrupted.packagePath;
    writeRedEntry(tr("上次对 %1 的升级(%2)被中断,设备的固件可能不完整!")
                      .arg(m_interrupted.deviceName,
                           m_interrupted.time.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"))));
}

void MainWindow::offerInterruptedFlash(const QString &entry)
{
    m_offerQueued = false;
    // The device may have gone, or an upgrade begun, since the offer was queued.
    if (!m_hasInterrupted || m_isUpgrading || ui->comboBox_deviceList->currentText() != entry)
        return;
    const SupportedDevice row = m_upgrade.getSupportedDevice(entry);
    if (!m_interrupted.isFor(row) || !m_interrupted.packageMatches())
        return;
    const QString packagePath = m_interrupted.packagePath;
    if (!askYesNo(tr("上次对 %1 的升级被中断,是否用固件 %2 重新升级?")
                      .arg(m_interrupted.deviceName, QDir::toNativeSeparators(packagePath)))) {
        endFlashRecord();
        return;
    }
    ui->lineEdit_filepath->setText(packagePath);
    setControlsEnabled(false);
    insertStringToFirstLine(tr("升级开始,请勿关闭软件或断开设备连接!如果发生错误,请重新插拔设备再升级."));
    qDebug() << "Interrupted upgrade again: " << packagePath;
    startFlash(entry, row, packagePath, false);
}

void MainWindow::startReleaseLookup(const QString &entry, const QString &name, const QString &version)
{
    auto *worker = new downloadThread(this);
    worker->m_strProductName = name;
    worker->m_strFirmwareVer = version;
    worker->m_strDefaultVer = m_upgrade.getDefaultVersion(entry);
    const quint64 ticket = m_network.lookupStarted(entry);
    connect(worker, &downloadThread::threadMessage, this,
            [this, ticket](QString message, QString firmwareVer) { onReleaseAnswer(ticket, message, firmwareVer); });
    worker->start(QThread::InheritPriority);
}

void MainWindow::onReleaseAnswer(quint64 ticket, const QString &message, const QString &firmwareVer)
{
    // An answer for a device no longer selected (or overtaken by a later lookup) would
    // offer one device's firmware for another.
    if (!m_network.acceptsLookup(ticket, ui->comboBox_deviceList->currentText())) {
        qDebug() << "Dropped a late release answer";
        return;
    }
    if (isRefusedReleaseAnswer(message)) {
        m_upgrade.m_releaseInfo = ReleaseInfo();
        return;
    }
    m_upgrade.parseReleaseInfo(message);
    const ReleaseInfo &info = m_upgrade.m_releaseInfo;
    qDebug() << "fileName: " << info.fileName;
    qDebug() << "downUrl: " << info.downUrl;
    qDebug() << "showNumber: " << info.showNumber;
    qDebug() << "packageSize: " << info.packageSize;
    qDebug() << "languageCode: " << info.languageCode;
    qDebug() << "md5Code: " << info.md5Code;
    qDebug() << "isDownVersion: " << info.isDownVersion;
    qDebug() << "describes: " << info.describes;
    qDebug() << "versionNumber: " << info.versionNumber;
    qDebug() << "productName: " << info.productName;
    qDebug() << "code: " << info.code;
    if (info.downUrl.isEmpty()) {
        m_upgrade.m_releaseInfo = ReleaseInfo();
        return;
    }
    QString notes = info.describes;
    notes.replace(QLatin1String("\\n"), QLatin1String("\n"));
    insertStringToFirstLine(tr("[当前固件版本:%1]\n").arg(firmwareVer)
                            + tr("%1 最新版本:%2\n此版本更新内容:\n%3\n如果你需要更新此版本,请点击\"网络升级\"按钮")
                                  .arg(info.productName, info.versionNumber, notes));
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
    const ReleaseInfo release = m_upgrade.m_releaseInfo;
    if (release.downUrl.isEmpty()) {
        Dialogs::information(nullptr, tr("提示"), tr("此设备无最新的固件"));
        return;
    }
    // A second worker on the same file would end in a second flash over the first.
    if (m_network.isDownloading()) {
        qDebug() << "A download is already running";
        return;
    }
    const QUrl url(release.downUrl);
    QString name;
    m_upgrade.getToolPath(ui->comboBox_deviceList->currentText(), name);
    const NetworkUpgrade::Plan plan = m_network.plan(release, name, ProgramFolder::dataPath() + QStringLiteral("/download"));
    if (plan.step == NetworkUpgrade::Step::Refuse) {
        writeRedEntry(tr("固件信息有误,文件名不安全,已取消升级."));
        return;
    }
    m_strDownloadPath = plan.path;
    if (plan.step == NetworkUpgrade::Step::FlashCached) {
        insertStringToFirstLine(tr("固件已经存在,开始升级."));
        emit downloadFinish(m_strDownloadPath);
        return;
    }

    auto *worker = new downloadThread(this);
    worker->m_url = url;
    worker->m_strFilePath = m_strDownloadPath;
    m_network.downloadStarted(ui->comboBox_deviceList->currentText(), release.md5Code);
    connect(worker, &downloadThread::threadMessage, this,
            [this](QString message, QString) { onDownloadMessage(message); });
    worker->start(QThread::InheritPriority);
}

void MainWindow::onDownloadMessage(const QString &message)
{
    qDebug() << "sssssssssssssssssssssss=" << message;
    if (!downloadThread::isFinish(message) && !downloadThread::isFailure(message)) {
        const int percent = message.toInt();
        ui->progressBar->setValue(percent);
        // Thousands of reports of a large package would flood the log.
        if (m_network.progressChanged(percent))
            insertStringToFirstLine(tr("下载最新固件\n当前下载进度:%1%").arg(message));
        return;
    }
    switch (m_network.downloadEnded(message, m_strDownloadPath, ui->comboBox_deviceList->currentText())) {
    case NetworkUpgrade::Outcome::Flash:
        insertStringToFirstLine(tr("固件下载完毕,开始升级."));
        emit downloadFinish(m_strDownloadPath);
        break;
    case NetworkUpgrade::Outcome::Failed:
        setControlsEnabled(true);
        writeRedEntry(tr("固件下载失败:%1").arg(downloadThread::failureReason(message)));
        break;
    case NetworkUpgrade::Outcome::Damaged:
        setControlsEnabled(true);
        writeRedEntry(tr("固件校验失败,文件已损坏,已取消升级."));
        break;
    case NetworkUpgrade::Outcome::OtherDevice:
        setControlsEnabled(true);
        writeRedEntry(tr("下载期间选择的设备已改变,未升级."));
        break;
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
    startFlash(current, row, strFilePath, true);
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
    startFlash(current, row, filePath, false);
}

void MainWindow::startFlash(const QString &entry, const SupportedDevice &row, const QString &filePath,
                            bool alwaysKill)
{
    const QString commandLine = FlashCommandLine::flash(ProgramFolder::path(), row, filePath);
    if (!alwaysKill)
        qDebug() << "cmd=" << commandLine;
    // Nothing to write but the erase: a device flashed with it would not start again.
    const QFileInfo package(filePath);
    if (package.isFile() && package.size() == 0) {
        qDebug() << "Refused an empty package: " << filePath;
        setControlsEnabled(true);
        const QString text = tr("固件文件是空的,无法升级!");
        writeRedEntry(text);
        Dialogs::critical(nullptr, tr("提示"), text);
        return;
    }

    FlashRecord record = FlashRecord::forFlash(row, filePath);
    const QString name = entry.section(QLatin1Char('('), 0, 0);
    if (!name.isEmpty())
        record.deviceName = name;
    // Without the record the flash still runs; only a cut-off would go unnoticed.
    if (!record.write(FlashRecord::defaultPath()))
        qDebug() << "Flash record not written: " << FlashRecord::defaultPath();
    m_hasInterrupted = false;
    if (m_flash.start(commandLine, alwaysKill))
        return;

    endFlashRecord();
    setControlsEnabled(true);
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

void MainWindow::onFlashProgress(quint64 percent)
{
    if (percent == 100)
        insertStringToFirstLine(tr("数据下载完毕,等待设备重启.....请稍候!"));
    // The bar repaints at once on every new value, and one read of a fast flashing
    // program holds hundreds of lines: it takes them all and paints once afterwards.
    QProgressBar *bar = ui->progressBar;
    if (bar->updatesEnabled()) {
        bar->setUpdatesEnabled(false);
        QTimer::singleShot(0, bar, [bar] { bar->setUpdatesEnabled(true); });
    }
    bar->setValue(static_cast<int>(qMin<quint64>(percent, INT_MAX)));
}

void MainWindow::onFlashEndedWithoutOutcome()
{
    if (m_isUpgrading)
        failFlash();
}

void MainWindow::onFlashEndedWhileDeviceFinishes()
{
    // Told even when the device has already left the list: it is restarting.
    endFlashRecord();
    setControlsEnabled(true);
    const QString text = tr("设备正在自行完成升级,请勿拔出设备,直到设备重启!");
    insertStringToFirstLine(text);
    Dialogs::information(nullptr, tr("提示"), text);
}

void MainWindow::endFlashRecord()
{
    if (!FlashRecord::remove(FlashRecord::defaultPath()))
        qDebug() << "Flash record not removed: " << FlashRecord::defaultPath();
    m_hasInterrupted = false;
}

void MainWindow::failFlash()
{
    m_flash.stop();
    endFlashRecord();
    setControlsEnabled(true);
    const QString text = tr("升级出错,请重新插拔设备,重启软件再升级!");
    Dialogs::information(nullptr, tr("提示"), text);
    insertStringToFirstLine(text);
}

void MainWindow::finishSuccessfulFlash()
{
    endFlashRecord();
    setControlsEnabled(true);
    insertStringToFirstLine(tr("升级完毕!"));
    ui->comboBox_deviceList->clear();
    if (m_upgrade.enumerateDevices())
        showDuplicateWarning();
    appendSupportedDevices();
    on_comboBox_deviceList_currentTextChanged(ui->comboBox_deviceList->currentText());
    Dialogs::information(nullptr, tr("提示"), tr("升级完毕!"));
}

void MainWindow::onFlashErrorReport(FlashOutput::ErrorKind kind, const QString &chunk)
{
    // A device unplugged mid-flash leaves the list first; the report that follows still
    // ends that upgrade and must say why.
    const bool wasUpgrading = m_isUpgrading;
    if (ui->comboBox_deviceList->currentText() == noDeviceText())
        setControlsEnabled(true);

    switch (kind) {
    case FlashOutput::ErrorKind::CommandFailed:
        abortFlash(tr("升级出错,请重新插拔设备,重启软件再升级!"), wasUpgrading);
        break;
    case FlashOutput::ErrorKind::UnableToRead:
        m_flash.stop();
        abortFlash(chunk, wasUpgrading);
        break;
    case FlashOutput::ErrorKind::ChipSuccess:
        m_flash.stop();
        endFlashRecord();
        setControlsEnabled(true);
        insertStringToFirstLine(tr("升级完毕!"));
        Dialogs::information(nullptr, tr("提示"), tr("升级完毕!"));
        on_comboBox_deviceList_currentTextChanged(ui->comboBox_deviceList->currentText());
        break;
    case FlashOutput::ErrorKind::Updating:
        insertStringToFirstLine(tr("设备更新中.....请稍候!"));
        break;
    case FlashOutput::ErrorKind::Nothing:
        break;
    }
}

void MainWindow::abortFlash(const QString &message, bool wasUpgrading)
{
    if (!wasUpgrading)
        return;
    m_flash.stop();
    endFlashRecord();
    setControlsEnabled(true);
    Dialogs::information(nullptr, tr("提示"), message);
}
