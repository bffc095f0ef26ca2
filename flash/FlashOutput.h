#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>

// Reads what a flashing program prints during a flash.
//
// Standard output is taken line by line: a pipe merges and splits writes at random,
// so an unfinished tail waits for the next read. A line ends at a line feed or right
// after a carriage return (which stays with it, telling "FOTA done\r" from the loader
// notice). Standard error is judged chunk by chunk: its texts form one report.
class FlashOutput
{
public:
    struct Event
    {
        enum Kind { Progress, Success, LoaderUpdate, Failure };
        Kind kind;
        quint64 percent = 0;
    };

    enum class ErrorKind {
        Nothing,
        CommandFailed,  // abort with the translated failure text
        UnableToRead,   // stop the program, abort with the program's own report
        ChipSuccess,    // the chip answered: the update is done
        Updating,       // progress note
    };

    QVector<Event> feed(const QByteArray &chunk);
    // What is left once the program has ended (texts printed without a line end).
    QVector<Event> finish();
    void reset();

    static bool interpretLine(const QString &line, Event &event);
    static ErrorKind interpretError(const QString &chunk);

private:
    QByteArray m_tail;
};
