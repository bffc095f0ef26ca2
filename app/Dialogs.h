#pragma once

#include <QList>
#include <QMessageBox>
#include <QQueue>
#include <QString>

class QUrl;
class QWidget;

// Every modal box, file dialog and browser hand-off of the tool goes through here,
// so that a test can answer them in advance instead of blocking on them.
class Dialogs
{
public:
    struct Shown
    {
        QString kind;  // "critical", "information", "question", "yesno", "file", "url"
        QString title;
        QString text;  // the file dialog's start folder, the url
    };

    static QMessageBox::StandardButton critical(QWidget *parent, const QString &title, const QString &text);
    static QMessageBox::StandardButton information(QWidget *parent, const QString &title, const QString &text);
    static QMessageBox::StandardButton question(QWidget *parent, const QString &title, const QString &text);
    static bool askYesNo(const QString &title, const QString &text, const QString &yesText,
                         const QString &noText);
    static QString getOpenFileName(QWidget *parent, const QString &caption, const QString &dir,
                                   const QString &filter);
    static void openUrl(const QUrl &url);

    // Scripted mode: nothing is shown; boxes take the queued answers (or close as
    // No / Ok when none is queued) and every request is recorded.
    static void setScripted(bool scripted);
    static void queueAnswer(QMessageBox::StandardButton answer);
    static void queueFileName(const QString &fileName);
    static QList<Shown> takeShown();

private:
    static QMessageBox::StandardButton scriptedAnswer(const Shown &request,
                                                      QMessageBox::StandardButton fallback);

    static bool s_scripted;
    static QQueue<QMessageBox::StandardButton> s_answers;
    static QQueue<QString> s_fileNames;
    static QList<Shown> s_shown;
};
