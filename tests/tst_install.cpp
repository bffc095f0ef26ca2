// The installed layout: the program folder under the prefix, the desktop entry, metainfo,
// icon and udev rule where the system reads them, all valid and naming the same devices
// as the supported-device table.
#include "flash/SupportedDevice.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QSettings>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

namespace {

const QString Prefix = QStringLiteral("/opt/kestrelup");

QString run(const QString &program, const QStringList &arguments, int *exitCode,
            const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(120000))
        *exitCode = -1;
    else
        *exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return QString::fromUtf8(process.readAll());
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

using IdPair = QPair<quint16, quint16>;

QSet<IdPair> tableIds()
{
    QSet<IdPair> ids;
    for (const SupportedDevice &device : supportedDeviceTable())
        ids.insert({device.vendorId, device.productId});
    return ids;
}

} // namespace

class TestInstall : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void programFolderLayout();
    void desktopEntryAndMetainfoValidate();
    void udevRuleOpensEveryTableDevice();
    void metainfoProvidesEveryTableDevice();

private:
    QTemporaryDir m_root;
    QString file(const QString &absolute) const { return m_root.path() + absolute; }
};

void TestInstall::initTestCase()
{
    QVERIFY(m_root.isValid());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DESTDIR"), m_root.path());
    int exitCode = 0;
    const QString output = run(QStringLiteral(KESTREL_CMAKE),
                               {QStringLiteral("--install"), QStringLiteral(KESTREL_BUILD_DIR), QStringLiteral("--prefix"), Prefix},
                               &exitCode, environment);
    QVERIFY2(exitCode == 0, qPrintable(output));
}

void TestInstall::programFolderLayout()
{
    const QStringList programs{QStringLiteral("kestrelup"), QStringLiteral("tovrek/tovrek"), QStringLiteral("bin/kestrelup")};
    for (const QString &program : programs)
        QVERIFY2(QFileInfo(file(Prefix + QLatin1Char('/') + program)).isExecutable(), qPrintable(program));
    QCOMPARE(readFile(file(Prefix + QStringLiteral("/setting/config.json"))),
             readFile(QStringLiteral(KESTREL_SOURCE_DIR "/resources/config.json")));
    // Left for the maker's second flashing program.
    const QDir veld(file(Prefix + QStringLiteral("/VELD")));
    QVERIFY(veld.exists());
    QVERIFY(veld.isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));
    // Nothing the tool writes at run time is shipped.
    for (const char *folder : {"log", "download"})
        QVERIFY2(!QFileInfo::exists(file(Prefix + QLatin1Char('/') + QLatin1String(folder))), folder);
}

void TestInstall::desktopEntryAndMetainfoValidate()
{
    const QString desktop = file(QStringLiteral("/usr/share/applications/" KESTREL_APP_ID ".desktop"));
    int exitCode = 0;
    QString output = run(QStringLiteral("desktop-file-validate"), {desktop}, &exitCode);
    QVERIFY2(exitCode == 0 && output.isEmpty(), qPrintable(output));
    output = run(QStringLiteral("appstreamcli"), {QStringLiteral("validate-tree"), QStringLiteral("--no-net"), m_root.path()},
                 &exitCode);
    QVERIFY2(exitCode == 0, qPrintable(output));

    // The entry starts the installed launcher and names the installed icon.
    QSettings entry(desktop, QSettings::IniFormat);
    entry.setIniCodec("UTF-8");
    entry.beginGroup(QStringLiteral("Desktop Entry"));
    QCOMPARE(entry.value(QStringLiteral("Exec")).toString(), Prefix + QStringLiteral("/bin/kestrelup"));
    QVERIFY(QFileInfo::exists(file(QStringLiteral("/usr/share/icons/hicolor/64x64/apps/")
                                   + entry.value(QStringLiteral("Icon")).toString() + QStringLiteral(".png"))));
}

void TestInstall::udevRuleOpensEveryTableDevice()
{
    const QString rules = QString::fromUtf8(readFile(file(QStringLiteral(KESTREL_UDEV_RULESDIR "/70-kestrelup.rules"))));
    QVERIFY(!rules.isEmpty());
    // sysfs holds lower-case ids and udev compares them exactly.
    const QRegularExpression rule(QString::fromLatin1(
        R"re(^SUBSYSTEM=="hidraw", ATTRS\{idVendor\}=="([0-9a-f]{4})", ATTRS\{idProduct\}=="([0-9a-f]{4})", TAG\+="uaccess"$)re"));
    QSet<IdPair> ids;
    for (const QString &line : rules.split(QLatin1Char('\n'))) {
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const QRegularExpressionMatch match = rule.match(line);
        QVERIFY2(match.hasMatch(), qPrintable(line));
        ids.insert({quint16(match.captured(1).toUInt(nullptr, 16)), quint16(match.captured(2).toUInt(nullptr, 16))});
    }
    QCOMPARE(ids, tableIds());
}

void TestInstall::metainfoProvidesEveryTableDevice()
{
    QXmlStreamReader xml(readFile(file(QStringLiteral("/usr/share/metainfo/" KESTREL_APP_ID ".metainfo.xml"))));
    QSet<QString> modaliases;
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("modalias"))
            modaliases.insert(xml.readElementText());
    }
    QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
    QSet<QString> expected;
    for (const IdPair &id : tableIds())
        expected.insert(QString::asprintf("usb:v%04Xp%04Xd*", id.first, id.second));
    QCOMPARE(modaliases, expected);
}

QTEST_GUILESS_MAIN(TestInstall)
#include "tst_install.moc"
