#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

// Release archives made with Info-ZIP's zip, the tool the maker packs releases with.
namespace ZipFixture {

// Packs the files (relative path -> contents) into zipPath, adding the paths in the
// order given; a path ending in "/" adds that folder's own entry. Executable bits are
// set on paths listed in executables. False when zip failed.
bool make(const QString &zipPath, const QMap<QString, QByteArray> &files, const QStringList &order,
          const QStringList &executables = {});

// Replaces equal-length texts in the archive's bytes, to forge entry names zip would
// never write (such as "../x").
bool patch(const QString &zipPath, const QMap<QByteArray, QByteArray> &replacements);

// Every file and folder below root (hidden ones included) with the file contents;
// folders map to "<dir>".
QMap<QString, QByteArray> snapshot(const QString &root);

} // namespace ZipFixture
