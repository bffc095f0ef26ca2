#include "app/Dialogs.h"

#include <QAbstractButton>
#include <QDesktopServices>
#include <QFileDialog>
#include <QUrl>

bool Dialogs::s_scripted = false;
QQueue<QMessageBox::StandardButton> Dialogs::s_answers;
QQueue<QString> Dialogs::s_fileNames;
QList<Dialogs::Shown> Dialogs::s_shown;

QMessageBox::StandardButton Dialogs::scriptedAnswer(const Shown &request,
                                                    QMessageBox::StandardButton fallback)
{
    s_shown.append(request);
    return s_answers.isEmpty() ? fallback : s_answers.dequeue();
}

QMessageBox::StandardButton Dialogs::critical(QWidget *parent, const QString &title, const QString &text)
{
    if (s_scripted)
        return scriptedAnswer({QStringLiteral("critical"), title, text}, QMessageBox::Ok);
    return QMessageBox::critical(parent, title, text, QMessageBox::Ok);
}

QMessageBox::StandardButton Dialogs::information(QWidget *parent, const QString &title, const QString &text)
{
    if (s_scripted)
        return scriptedAnswer({QStringLiteral("information"), title, text}, QMessageBox::Ok);
    return QMessageBox::information(parent, title, text, QMessageBox::Ok);
}

QMessageBox::StandardButton Dialogs::question(QWidget *parent, const QString &title, const QString &text)
{
    if (s_scripted)
        return scriptedAnswer({QStringLiteral("question"), title, text}, QMessageBox::No);
    return QMessageBox::question(parent, title, text, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::NoButton);
}

bool Dialogs::askYesNo(const QString &title, const QString &text, const QString &yesText,
                       const QString &noText)
{
    if (s_scripted)
        return scriptedAnswer({QStringLiteral("yesno"), title, text}, QMessageBox::No) == QMessageBox::Yes;
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No);
    box.button(QMessageBox::Yes)->setText(yesText);
    box.button(QMessageBox::No)->setText(noText);
    return box.exec() == QMessageBox::Yes;
}

QString Dialogs::getOpenFileName(QWidget *parent, const QString &caption, const QString &dir,
                                 const QString &filter)
{
    if (s_scripted) {
        s_shown.append({QStringLiteral("file"), caption, dir});
        return s_fileNames.isEmpty() ? QString() : s_fileNames.dequeue();
    }
    return QFileDialog::getOpenFileName(parent, caption, dir, filter);
}

void Dialogs::openUrl(const QUrl &url)
{
    if (s_scripted) {
        s_shown.append({QStringLiteral("url"), QString(), url.toString()});
        return;
    }
    QDesktopServices::openUrl(url);
}

void Dialogs::setScripted(bool scripted)
{
    s_scripted = scripted;
    s_answers.clear();
    s_fileNames.clear();
    s_shown.clear();
}

void Dialogs::queueAnswer(QMessageBox::StandardButton answer)
{
    s_answers.enqueue(answer);
}

void Dialogs::queueFileName(const QString &fileName)
{
    s_fileNames.enqueue(fileName);
}

QList<Dialogs::Shown> Dialogs::takeShown()
{
    QList<Shown> shown = s_shown;
    s_shown.clear();
    return shown;
}
