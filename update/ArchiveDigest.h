#pragma once

#include <QString>

// The MD5 digest of a file as lower-case hexadecimal text, read in 4096-byte pieces;
// empty when the file cannot be opened or read to its end.
QString fileMd5Hex(const QString &path);
