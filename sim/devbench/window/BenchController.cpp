#include "BenchController.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

const char *const kBtapiLog = "btapi.log";
const char *const kVeldLog = "veld-args.log";
const char *const kBtapiFail = "btapi-fail.txt";
const char *const kVeldOutcome = "veld-outcome.txt";
const char *const kVeldVersion = "veld-version.txt";

bool writeLine(const QString &path, const QByteArray &line)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(line + '\n') >= 0;
}

} // namespace

BenchController::BenchController(const QString &workFolder, QObject *parent)
    : QObject(parent)
    , m_folder(workFolder)
{
    QDir().mkpath(m_folder);
    m_device[Dac] = BenchDevice::dac(QStringLiteral("Norvo DAC"), QStringLiteral("V1.05"));
    m_device[VeldDevice] = BenchDevice::veld(QStringLiteral("Velmora V2"));
    m_device[SecondDac] = BenchDevice::dac(QStringLiteral("Norvo DAC"), QStringLiteral("V1.05"));
    m_device[SecondDac].serial = QStringLiteral("0002");
    QFile::remove(filePath(QLatin1String(kBtapiLog)));
    QFile::remove(filePath(QLatin1String(kVeldLog)));
    writeLine(filePath(QLatin1String(kVeldVersion)), "1,05");
    setOutcome(Success);

    connect(&m_poll, &QTimer::timeout, this, &BenchController::pollLogs);
    m_poll.start(250);
}

QString BenchController::deviceLabel(Device device) const
{
    switch (device) {
    case Dac:
        return QStringLiteral("Norvo DAC (tovrek)");
    case VeldDevice:
        return QStringLiteral("Velmora V2 (VELD)");
    case SecondDac:
        return QStringLiteral("second Norvo DAC");
    case DeviceCount:
        break;
    }
    return {};
}

bool BenchController::isPlugged(Device device) const
{
    return m_bench.isPlugged(m_slot[device]);
}

bool BenchController::setPlugged(Device device, bool plugged)
{
    if (plugged == isPlugged(device))
        return true;
    bool done = false;
    if (!plugged)
        done = m_bench.unplug(m_slot[device]);
    else if (m_slot[device] < 0)
        done = (m_slot[device] = m_bench.plug(m_device[device])) >= 0;
    else
        done = m_bench.replug(m_slot[device]);
    if (done) {
        emit message(deviceLabel(device) + (plugged ? QStringLiteral(" plugged in as ") + m_bench.devicePath(m_slot[device])
                                                    : QStringLiteral(" unplugged")));
        emit pluggedChanged(device, plugged);
    } else {
        emit message(QStringLiteral("the bench refused: ") + m_bench.errorString());
    }
    return done;
}

void BenchController::setOutcome(Outcome outcome)
{
    m_outcome = outcome;
    // tovrek's library knows success or a failed update; VELD also knows a device
    // that finishes the update by itself after the transfer.
    writeLine(filePath(QLatin1String(kBtapiFail)), outcome == Failure ? "update" : "");
    const QByteArray veld = outcome == Failure ? "fail" : outcome == DeviceFinishes ? "loader" : "success";
    writeLine(filePath(QLatin1String(kVeldOutcome)), veld);
}

QStringList BenchController::processEnvironment() const
{
    QStringList env = m_bench.processEnvironment();
    env << QStringLiteral("BTAPI_SIM_VID=32bb") << QStringLiteral("BTAPI_SIM_PID=4")
        << QStringLiteral("BTAPI_SIM_PAGE_DELAY_MS=150")
        << QStringLiteral("BTAPI_SIM_LOG=") + filePath(QLatin1String(kBtapiLog))
        << QStringLiteral("BTAPI_SIM_FAIL_FILE=") + filePath(QLatin1String(kBtapiFail))
        << QStringLiteral("VELD_SIM_DELAY_MS=150")
        << QStringLiteral("VELD_SIM_ARGS_LOG=") + filePath(QLatin1String(kVeldLog))
        << QStringLiteral("VELD_SIM_OUTCOME_FILE=") + filePath(QLatin1String(kVeldOutcome))
        << QStringLiteral("VELD_SIM_VERSION_FILE=") + filePath(QLatin1String(kVeldVersion));
    return env;
}

QString BenchController::versionFromPackage(const QString &fileName)
{
    static const QRegularExpression version(QStringLiteral("(\\d+)\\.(\\d+)"));
    const QRegularExpressionMatch match = version.match(QFileInfo(fileName).completeBaseName());
    return match.hasMatch() ? QStringLiteral("V") + match.captured(1) + QLatin1Char('.') + match.captured(2)
                            : QString();
}

QString BenchController::filePath(const QString &name) const
{
    return QDir(m_folder).filePath(name);
}

// The stand-ins append; only lines not seen before count.
void BenchController::pollLogs()
{
    const auto newLines = [this](const QString &name) {
        QFile file(filePath(name));
        if (!file.open(QIODevice::ReadOnly))
            return QStringList();
        const qint64 from = m_logRead.value(name);
        if (file.size() < from)
            m_logRead[name] = 0;
        file.seek(m_logRead.value(name));
        const QByteArray text = file.readAll();
        const int end = text.lastIndexOf('\n') + 1;
        m_logRead[name] = m_logRead.value(name) + end;
        return QString::fromUtf8(text.left(end)).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    };

    static const QRegularExpression package(QStringLiteral("fota_package_filename=(.*?)( \\w+=|$)"));
    for (const QString &line : newLines(QLatin1String(kBtapiLog))) {
        const QRegularExpressionMatch match = package.match(line);
        if (line.contains(QLatin1String("tovrek_task=usbHidDfu")) && match.hasMatch())
            m_pendingPackage = match.captured(1);
        // tovrek lets the device go once the update has run.
        if (line.contains(QLatin1String("tovrek_task=DisconnectDUT")) && !m_pendingPackage.isEmpty()) {
            finishFlash(Dac, m_pendingPackage);
            m_pendingPackage.clear();
        }
    }
    for (const QString &line : newLines(QLatin1String(kVeldLog))) {
        // "<package> <vid> <pid> <usage> <usagePage>"; the package path may hold spaces.
        if (!line.startsWith(QLatin1String("version ")))
            finishFlash(VeldDevice, line.section(QLatin1Char(' '), 0, -5));
    }
}

void BenchController::finishFlash(Device device, const QString &package)
{
    if (m_outcome == Failure) {
        emit message(deviceLabel(device) + QStringLiteral(": flash failed, the device stays as it was"));
        return;
    }
    const QString version = versionFromPackage(package);
    if (!version.isEmpty()) {
        m_device[device].versionAnswer = BenchDevice::jsonAnswer("3", version);
        m_bench.setAnswers(m_slot[device], m_device[device].nameAnswer, m_device[device].versionAnswer);
        if (device == VeldDevice)
            writeLine(filePath(QLatin1String(kVeldVersion)), version.mid(1).replace(QLatin1Char('.'), QLatin1Char(',')).toUtf8());
    }
    emit message(deviceLabel(device) + QStringLiteral(": flashed with ") + QFileInfo(package).fileName()
                 + QStringLiteral(", restarting with ") + (version.isEmpty() ? QStringLiteral("its old version") : version));
    // Off the bus while it restarts, then back as a new arrival.
    const int delay = device == VeldDevice ? 1500 : 300;
    QTimer::singleShot(delay, this, [this, device] {
        if (!setPlugged(device, false))
            return;
        QTimer::singleShot(800, this, [this, device] { setPlugged(device, true); });
    });
}
