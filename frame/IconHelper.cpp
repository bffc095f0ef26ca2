#include "frame/IconHelper.h"

#include <QAbstractButton>
#include <QAtomicPointer>
#include <QCoreApplication>
#include <QDebug>
#include <QFontDatabase>
#include <QLabel>
#include <QMutex>
#include <QMutexLocker>

static void initIconFont()
{
    Q_INIT_RESOURCE(kestrel_iconfont);
}

namespace {
QAtomicPointer<IconHelper> s_instance;
QMutex s_instanceMutex;
} // namespace

IconHelper *IconHelper::Instance()
{
    IconHelper *instance = s_instance.loadAcquire();
    if (instance)
        return instance;
    QMutexLocker locker(&s_instanceMutex);
    instance = s_instance.loadAcquire();
    if (!instance) {
        instance = new IconHelper(QCoreApplication::instance());
        // It dies with the application object; a later application gets a new one.
        QObject::connect(instance, &QObject::destroyed, [] { s_instance.storeRelease(nullptr); });
        s_instance.storeRelease(instance);
    }
    return instance;
}

IconHelper::IconHelper(QObject *parent)
    : QObject(parent)
{
    initIconFont();
    const int fontId = QFontDatabase::addApplicationFont(QStringLiteral(":/image/fontawesome-webfont.ttf"));
    const QStringList families = QFontDatabase::applicationFontFamilies(fontId);
    if (families.isEmpty())
        qDebug() << "load fontawesome-webfont.ttf error";
    else
        m_iconFont = QFont(families.first());
}

void IconHelper::setIcon(QLabel *lab, QChar c, quint32 size)
{
    m_iconFont.setPointSize(int(size));
    lab->setFont(m_iconFont);
    lab->setText(c);
}

void IconHelper::setIcon(QAbstractButton *btn, QChar c, quint32 size)
{
    m_iconFont.setPointSize(int(size));
    btn->setFont(m_iconFont);
    btn->setText(c);
}
