#pragma once

#include <QString>
#include <QtGlobal>

class QMessageLogContext;

// The diagnostic log of kestrelup: log/log_yyyy-MM-dd.txt beside the program, one
// line per Qt message. initLogFile runs once before the main window is built; the
// handler is installed after it, so the window's construction never reaches the file.
void initLogFile();
void outputMessage(QtMsgType type, const QMessageLogContext &context, const QString &msg);

namespace LogFile {
// The day's file chosen by initLogFile; empty before it ran.
QString path();
bool isOpen();
// The banner's line about the system; platform specific.
QString systemLine();
} // namespace LogFile
