#pragma once

#include <QMap>
#include <QString>

// The release server's base address: the one compiled in, unless the environment
// variable KESTRELUP_RELEASE_SERVER names another (e.g. http://127.0.0.1:8080).
QString releaseServerBase();
// The getOtaInfo address both programs post their lookups to.
QString releaseLookupUrl();
// The five form fields of a lookup for a product at a version.
QMap<QString, QString> releaseLookupFields(const QString &productName, const QString &version);
