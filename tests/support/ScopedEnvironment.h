#pragma once

#include <QByteArray>
#include <QList>

// Environment variables for the stand-ins a test starts, unset again when it ends.
class ScopedEnvironment
{
public:
    ScopedEnvironment() = default;
    Q_DISABLE_COPY(ScopedEnvironment)
    ~ScopedEnvironment()
    {
        for (const QByteArray &name : qAsConst(m_names))
            qunsetenv(name.constData());
    }
    void set(const char *name, const QByteArray &value)
    {
        qputenv(name, value);
        m_names << name;
    }

private:
    QList<QByteArray> m_names;
};
