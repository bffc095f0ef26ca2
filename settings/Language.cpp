#include "settings/Language.h"

#include <QCoreApplication>
#include <QDebug>
#include <QLocale>
#include <QTranslator>

namespace Language {

const char *const English = "English";
const char *const SimChinese = "简体中文";
const char *const TraChinese = "繁体中文";

QString catalogueResource(const QString &name)
{
    if (name == QString::fromUtf8(English))
        return QStringLiteral(":/lang_English.qm");
    if (name == QString::fromUtf8(SimChinese))
        return QStringLiteral(":/lang_SimChinese.qm");
    if (name == QString::fromUtf8(TraChinese))
        return QStringLiteral(":/lang_TraChinese.qm");
    return QString();
}

QString fromSystemLocale(Caller caller)
{
    const QLocale systemLocale = QLocale::system();
    const QString languageName = QLocale::languageToString(systemLocale.language());
    qDebug().noquote() << QStringLiteral("System language: ") + languageName;
    if (languageName == QLatin1String("Chinese")) {
        qDebug().noquote() << QStringLiteral("System language is Chinese systemLocale.script()=")
                                  + QString::number(systemLocale.script());
        if (systemLocale.script() == QLocale::TraditionalHanScript) {
            qDebug() << "System language is Traditional Chinese";
            return QString::fromUtf8(TraChinese);
        }
        if (caller == Caller::Updater)
            qDebug() << "System language is Simplified Chinese";
        return QString::fromUtf8(SimChinese);
    }
    if (caller == Caller::Updater) {
        if (languageName == QLatin1String("English"))
            qDebug() << "System language is English";
        else
            qDebug() << "System language is neither Chinese nor English";
    }
    return QString::fromUtf8(English);
}

bool install(QTranslator &translator, const QString &name)
{
    if (!translator.load(catalogueResource(name)))
        return false;
    QCoreApplication::installTranslator(&translator);
    return true;
}

} // namespace Language
