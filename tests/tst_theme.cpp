// The thirteen compiled-in themes and the icon font: every sheet parses, names only
// images that exist and carries its colours where the programs read them.
#include "TestProgramFolder.h"

#include "app/Dialogs.h"
#include "app/MainFrame.h"
#include "app/MainWindow.h"
#include "frame/IconHelper.h"
#include "frame/QUIWidget.h"
#include "settings/Theme.h"

#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QtTest>

#include <functional>

namespace {

QStringList s_warnings;

void collectWarnings(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type != QtDebugMsg && type != QtInfoMsg)
        s_warnings << message;
}

QString readSheet(const QString &resource)
{
    QFile file(resource);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

} // namespace

class TestTheme : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void sheet_data();
    void sheet();
    void brokenSheetIsNoticed();
    void unknownNumberChoosesBlue_data();
    void unknownNumberChoosesBlue();
    void glyphSizesStayPerWidget();

private:
    void applyAndCollect(const std::function<void()> &apply);

    TestProgramFolder *m_folder = nullptr;
    QUIWidget *m_frame = nullptr;
};

void TestTheme::initTestCase()
{
    Dialogs::setScripted(true);
    m_folder = new TestProgramFolder;
    m_folder->setDevices({TestProgramFolder::tovrekDevice(QStringLiteral("DAC"))});
    m_frame = createMainFrame(new MainWindow, QStringLiteral("1.0"));
    m_frame->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_frame));
}

void TestTheme::cleanupTestCase()
{
    delete m_frame;
    g_mainFrame = nullptr;
    delete m_folder;
}

void TestTheme::applyAndCollect(const std::function<void()> &apply)
{
    s_warnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler(collectWarnings);
    apply();
    // Every widget of the frame and the main window is polished with the new sheet.
    const QList<QWidget *> widgets = m_frame->findChildren<QWidget *>();
    for (QWidget *widget : widgets)
        widget->ensurePolished();
    m_frame->repaint();
    QCoreApplication::processEvents();
    qInstallMessageHandler(previous);
}

void TestTheme::sheet_data()
{
    QTest::addColumn<int>("style");
    QTest::addColumn<QString>("resource");
    QTest::addColumn<QString>("palette");
    QTest::addColumn<QString>("text");

    QTest::newRow("silvery") << 0 << ":/qss/silvery.css" << "#F5F5F5" << "#000000";
    QTest::newRow("blue") << 1 << ":/qss/blue.css" << "#CFDDEE" << "#324C6C";
    QTest::newRow("light blue") << 2 << ":/qss/lightblue.css" << "#EAF7FF" << "#386487";
    QTest::newRow("dark blue") << 3 << ":/qss/darkblue.css" << "#0E1A32" << "#7AAFE3";
    QTest::newRow("gray") << 4 << ":/qss/gray.css" << "#F0F0F0" << "#000000";
    QTest::newRow("light gray") << 5 << ":/qss/lightgray.css" << "#F0F0F0" << "#6F6F6F";
    QTest::newRow("dark gray") << 6 << ":/qss/darkgray.css" << "#EBECF0" << "#5D5C6C";
    QTest::newRow("black") << 7 << ":/qss/black.css" << "#464646" << "#949698";
    QTest::newRow("light black") << 8 << ":/qss/lightblack.css" << "#616F76" << "#949698";
    QTest::newRow("deep black") << 9 << ":/qss/darkblack.css" << "#1F2026" << "#949698";
    QTest::newRow("PS black") << 10 << ":/qss/psblack.css" << "#444444" << "#949698";
    QTest::newRow("flat black") << 11 << ":/qss/flatblack.css" << "#2E2F30" << "#BEC0C2";
    QTest::newRow("flat white") << 12 << ":/qss/flatwhite.css" << "#FFFFFF" << "#57595B";
}

void TestTheme::sheet()
{
    QFETCH(int, style);
    QFETCH(QString, resource);
    QFETCH(QString, palette);
    QFETCH(QString, text);

    QCOMPARE(Theme::sheetResource(style), resource);
    const QString sheet = readSheet(resource);
    QCOMPARE(sheet.mid(20, 7), palette);
    QCOMPARE(Theme::paletteColour(sheet), palette);
    QCOMPARE(Theme::textColour(sheet), text);

    // The frame is styled by its names, and each theme has its own 18 images.
    for (const char *name : {"[form=\"true\"]", "#widget_title", "#lab_Title", "#widget_menu", "#btnMenu",
                             "#btnMenu_Min", "#btnMenu_Max", "#btnMenu_Close"})
        QVERIFY2(sheet.contains(QLatin1String(name)), name);
    const QString folder = resource.chopped(4);
    QStringList named;
    static const QRegularExpression url(QStringLiteral("url\\(([^)]*)\\)"));
    for (auto it = url.globalMatch(sheet); it.hasNext();) {
        const QString image = it.next().captured(1);
        QVERIFY2(image.startsWith(folder + QLatin1Char('/')), qPrintable(image));
        QVERIFY2(QFile::exists(image), qPrintable(image));
        named << image;
    }
    named.removeDuplicates();
    QCOMPARE(named.size(), 18);
    QCOMPARE(QDir(folder).entryList(QDir::Files).size(), 18);

    bool applied = false;
    applyAndCollect([&] { applied = Theme::apply(style); });
    QVERIFY(applied);
    QCOMPARE(s_warnings, QStringList());
    QCOMPARE(qApp->styleSheet(), sheet);
    QCOMPARE(QApplication::palette().color(QPalette::Window), QColor(palette));
}

// The parse check above would pass vacuously if Qt stayed quiet about bad sheets.
void TestTheme::brokenSheetIsNoticed()
{
    applyAndCollect([] { qApp->setStyleSheet(QStringLiteral("QPushButton{color:#000000;")); });
    QVERIFY(!s_warnings.isEmpty());
    Theme::applySilvery();
}

void TestTheme::unknownNumberChoosesBlue_data()
{
    QTest::addColumn<int>("style");
    QTest::newRow("13") << 13;
    QTest::newRow("-1") << -1;
    QTest::newRow("large") << 100000;
}

void TestTheme::unknownNumberChoosesBlue()
{
    QFETCH(int, style);
    QCOMPARE(Theme::sheetResource(style), QStringLiteral(":/qss/blue.css"));
    QVERIFY(Theme::apply(style));
    QCOMPARE(QApplication::palette().color(QPalette::Window), QColor(QStringLiteral("#CFDDEE")));
}

void TestTheme::glyphSizesStayPerWidget()
{
    QLabel label;
    QPushButton button;
    IconHelper::Instance()->setIcon(&label, QChar(0xF001), 11);
    IconHelper::Instance()->setIcon(&button, QChar(0xF00D), 9);
    QCOMPARE(IconHelper::Instance(), IconHelper::Instance());
    QCOMPARE(label.font().pointSize(), 11);
    QCOMPARE(button.font().pointSize(), 9);
    QCOMPARE(label.font().family(), QStringLiteral("FontAwesome"));
    QCOMPARE(label.text(), QString(QChar(0xF001)));
    QCOMPARE(button.text(), QString(QChar(0xF00D)));
}

QTEST_MAIN(TestTheme)
#include "tst_theme.moc"
