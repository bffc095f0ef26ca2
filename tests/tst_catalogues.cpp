// The compiled-in catalogues of kestrelup: every message of the translation
// table with its exact text, and a finished translation for every tr() text of
// the sources.
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTranslator>
#include <QXmlStreamReader>
#include <QtTest>

namespace {

const char *const Catalogues[] = { ":/lang_English.qm", ":/lang_SimChinese.qm", ":/lang_TraChinese.qm" };

QString unescape(QString text)
{
    return text.replace(QLatin1String("\\n"), QLatin1String("\n")).replace(QLatin1String("\\r"), QLatin1String("\r"));
}

struct Message {
    QString context;
    QString source;
};

// The messages of a .ts file; lupdate writes control characters as <byte
// value="xd"/>.
QVector<Message> readTs(const QString &path)
{
    QVector<Message> messages;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return messages;
    QXmlStreamReader xml(&file);
    QString context;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        if (xml.name() == QLatin1String("name")) {
            context = xml.readElementText();
        } else if (xml.name() == QLatin1String("source")) {
            QString source;
            while (!(xml.readNext() == QXmlStreamReader::EndElement && xml.name() == QLatin1String("source"))
                   && !xml.atEnd()) {
                if (xml.isCharacters())
                    source += xml.text();
                else if (xml.isStartElement() && xml.name() == QLatin1String("byte"))
                    source += QChar(xml.attributes().value(QLatin1String("value")).mid(1).toUInt(nullptr, 16));
            }
            messages.append({ context, source });
        }
    }
    return messages;
}

} // namespace

class TestCatalogues : public QObject {
    Q_OBJECT

private slots:
    void tableTranslations_data();
    void tableTranslations();
    void everyCodeTextIsTranslated();
};

void TestCatalogues::tableTranslations_data()
{
    QTest::addColumn<QString>("catalogue");
    QTest::addColumn<QString>("context");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("expected");

    QFile table(QStringLiteral(KESTREL_TEST_DATA "/kestrelup_catalogue.tsv"));
    QVERIFY(table.open(QIODevice::ReadOnly | QIODevice::Text));
    const QStringList rows = QString::fromUtf8(table.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts).mid(1);
    QCOMPARE(rows.size(), 50);
    QMap<QString, int> perContext;
    for (const QString &row : rows) {
        const QStringList fields = row.split(QLatin1Char('\t'));
        QCOMPARE(fields.size(), 5);
        ++perContext[fields.at(0)];
        for (int language = 0; language < 3; ++language) {
            const QString catalogue = QString::fromLatin1(Catalogues[language]);
            QTest::addRow("%s %s %s", Catalogues[language] + 7, qPrintable(fields.at(0)), qPrintable(fields.at(1)))
                << catalogue << fields.at(0) << unescape(fields.at(1)) << unescape(fields.at(2 + language));
        }
    }
    QCOMPARE(perContext.value(QStringLiteral("MainWindow")), 34);
    QCOMPARE(perContext.value(QStringLiteral("QObject")), 3);
    QCOMPARE(perContext.value(QStringLiteral("QUIWidget")), 13);
}

void TestCatalogues::tableTranslations()
{
    QFETCH(QString, catalogue);
    QFETCH(QString, context);
    QFETCH(QString, source);
    QFETCH(QString, expected);

    QTranslator translator;
    QVERIFY(translator.load(catalogue));
    QCOMPARE(translator.translate(qPrintable(context), source.toUtf8().constData()), expected);
}

void TestCatalogues::everyCodeTextIsTranslated()
{
    QTemporaryDir dir;
    const QString extracted = dir.filePath(QStringLiteral("code.ts"));
    QStringList arguments{ QStringLiteral("-silent"), QStringLiteral("-locations"), QStringLiteral("none"),
                           QStringLiteral("-extensions"), QStringLiteral("cpp,h,ui") };
    arguments += QStringLiteral(KESTREL_CODE_DIRS).split(QLatin1Char('|'));
    arguments << QStringLiteral("-ts") << extracted;
    QProcess lupdate;
    lupdate.start(QStringLiteral(KESTREL_LUPDATE), arguments);
    QVERIFY(lupdate.waitForFinished(120000));
    QCOMPARE(lupdate.exitCode(), 0);

    const QVector<Message> messages = readTs(extracted);
    // The device row's texts at least; an empty extraction would prove nothing.
    QVERIFY2(messages.size() >= 20, qPrintable(QString::number(messages.size())));

    QStringList missing;
    for (const char *catalogue : Catalogues) {
        QTranslator translator;
        QVERIFY(translator.load(QString::fromLatin1(catalogue)));
        for (const Message &message : messages) {
            if (translator.translate(qPrintable(message.context), message.source.toUtf8().constData()).isEmpty())
                missing << QStringLiteral("%1 %2: \"%3\"")
                               .arg(QString::fromLatin1(catalogue + 2), message.context,
                                    QString(message.source)
                                        .replace(QLatin1Char('\r'), QLatin1String("\\r"))
                                        .replace(QLatin1Char('\n'), QLatin1String("\\n")));
        }
    }
    if (!missing.isEmpty())
        qWarning().noquote() << "Source texts without a finished translation (run "
                                "the kestrel_lupdate target, then translate):\n  "
                + missing.join(QLatin1String("\n  "));
    QVERIFY2(missing.isEmpty(), qPrintable(QString::number(missing.size()) + QStringLiteral(" texts untranslated")));
}

QTEST_GUILESS_MAIN(TestCatalogues)
#include "tst_catalogues.moc"
