#include "TestProgramFolder.h"

#include "settings/ProgramFolder.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>

namespace {

bool copyExecutable(const QString &from, const QString &to)
{
    QDir().mkpath(QFileInfo(to).absolutePath());
    QFile::remove(to);
    return QFile::copy(from, to)
        && QFile::setPermissions(to, QFile::permissions(from) | QFileDevice::ExeOwner);
}

} // namespace

QStringList logEntries(const QTextEdit *view)
{
    static const QRegularExpression stamp(QStringLiteral("^\\[\\d\\d:\\d\\d:\\d\\d\\]"));
    QStringList result;
    for (const QString &line : view->toPlainText().split(QLatin1Char('\n'))) {
        if (stamp.match(line).hasMatch())
            result << line.mid(10);
        else if (!result.isEmpty())
            result.last() += QLatin1Char('\n') + line;
    }
    return result;
}

QStringList treeOf(const QString &path)
{
    QStringList entries;
    QDirIterator it(path, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        entries << QDir(path).relativeFilePath(it.next());
    entries.sort();
    return entries;
}

QByteArray readWholeFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QColor newestEntryColour(const QTextEdit *view)
{
    const QTextBlock first = view->document()->begin();
    return first.begin().fragment().charFormat().foreground().color();
}

TestProgramFolder::TestProgramFolder(int content)
{
    if (content & WithTools) {
        copyExecutable(QStringLiteral(KESTREL_TOVREK_BIN), filePath(QStringLiteral("tovrek/tovrek")));
        copyExecutable(QStringLiteral(KESTREL_BTAPI_LIB), filePath(QStringLiteral("tovrek/libbtapi.so")));
        copyExecutable(QStringLiteral(KESTREL_VELD_BIN), filePath(QStringLiteral("VELD/VELD")));
    }
    if (content & WithSettingFolder)
        QDir().mkpath(filePath(QStringLiteral("setting")));
    QDir().mkpath(filePath(QStringLiteral("download")));

    ProgramFolder::setOverride(path());
    qputenv("KESTREL_HIDSIM_DEVICES", filePath(QStringLiteral("devices.json")).toLocal8Bit());
    qputenv("KESTREL_HIDSIM_LOG", filePath(QStringLiteral("reports.log")).toLocal8Bit());
    // Lookups of a window under test go nowhere but a closed local port, unless a
    // release server stand-in is started afterwards.
    qputenv("KESTRELUP_RELEASE_SERVER", "http://127.0.0.1:1");
    setDevices(QJsonArray());
}

TestProgramFolder::~TestProgramFolder()
{
    ProgramFolder::setOverride(QString());
    qunsetenv("KESTREL_HIDSIM_DEVICES");
    qunsetenv("KESTREL_HIDSIM_LOG");
    qunsetenv("KESTRELUP_RELEASE_SERVER");
}

QString TestProgramFolder::path() const
{
    return m_dir.path();
}

QString TestProgramFolder::filePath(const QString &relative) const
{
    return m_dir.filePath(relative);
}

bool TestProgramFolder::isValid() const
{
    return m_dir.isValid();
}

void TestProgramFolder::setDevices(const QJsonArray &devices)
{
    QJsonObject root;
    root.insert(QStringLiteral("devices"), devices);
    writeFile(QStringLiteral("devices.json"), QJsonDocument(root).toJson());
}

QStringList TestProgramFolder::sentReports() const
{
    QFile file(filePath(QStringLiteral("reports.log")));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

void TestProgramFolder::clearSentReports()
{
    QFile::remove(filePath(QStringLiteral("reports.log")));
}

void TestProgramFolder::writeConfig(const QByteArray &contents)
{
    writeFile(QStringLiteral("setting/config.json"), contents);
}

QByteArray TestProgramFolder::readConfig() const
{
    QFile file(filePath(QStringLiteral("setting/config.json")));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString TestProgramFolder::writeFile(const QString &relative, const QByteArray &contents)
{
    const QString target = filePath(relative);
    QDir().mkpath(QFileInfo(target).absolutePath());
    QFile file(target);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(contents);
    return target;
}

QJsonObject TestProgramFolder::tovrekDevice(const QString &product, const QString &path)
{
    return QJsonObject{
        {QStringLiteral("path"), path},
        {QStringLiteral("vendorId"), 0x32BB},
        {QStringLiteral("productId"), 0x0004},
        {QStringLiteral("usagePage"), 0xFF32},
        {QStringLiteral("usage"), 0x0003},
        {QStringLiteral("manufacturer"), QStringLiteral("Norvo")},
        {QStringLiteral("product"), product},
        {QStringLiteral("nameAnswer"), QStringLiteral("{\"0\":\"%1\"}").arg(product)},
        {QStringLiteral("versionAnswer"), QStringLiteral("{\"3\":\"V1.05\"}")},
    };
}

QJsonObject TestProgramFolder::veldDevice(const QString &product, int productId, int usagePage,
                                          const QString &path)
{
    return QJsonObject{
        {QStringLiteral("path"), path},
        {QStringLiteral("vendorId"), 0x0A12},
        {QStringLiteral("productId"), productId},
        {QStringLiteral("usagePage"), usagePage},
        {QStringLiteral("usage"), 0x0001},
        {QStringLiteral("product"), product},
    };
}
