// The frameless frame around the main window: its title bar, dragging, fixed size,
// the theme menu with setting/style.dat, and closing while a flash runs.
#include "ScopedEnvironment.h"
#include "TestProgramFolder.h"

#include "app/Dialogs.h"
#include "app/MainFrame.h"
#include "app/MainWindow.h"
#include "frame/QUIWidget.h"
#include "release/HttpClass.h"

#include <QAction>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTextEdit>
#include <QToolButton>
#include <QWindow>
#include <QtTest>

namespace {

const QString kRefusal = QStringLiteral("正在升级中,请勿关闭软件!");

QToolButton *themeButton(QUIWidget &frame)
{
    return frame.findChild<QToolButton *>(QStringLiteral("btnMenu"));
}

QStringList menuEntries(QUIWidget &frame)
{
    QStringList texts;
    for (const QAction *action : themeButton(frame)->actions())
        texts << action->text();
    return texts;
}

QStringList checkedEntries(QUIWidget &frame)
{
    QStringList texts;
    for (const QAction *action : themeButton(frame)->actions()) {
        if (action->isChecked())
            texts << action->text();
    }
    return texts;
}

void pick(QUIWidget &frame, const QString &text)
{
    for (QAction *action : themeButton(frame)->actions()) {
        if (action->text() == text) {
            action->trigger();
            return;
        }
    }
    QFAIL(qPrintable(QStringLiteral("no menu entry ") + text));
}

QString paletteColour()
{
    return QApplication::palette().color(QPalette::Window).name().toUpper();
}

// A look that no theme has, so that a test sees whether a theme was applied.
void forgetTheme()
{
    QApplication::setPalette(QPalette(QColor(Qt::red)));
    qApp->setStyleSheet(QString());
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<none>");
}

void sendMouse(QWidget *target, QEvent::Type type, const QPoint &local, Qt::MouseButton button,
               Qt::MouseButtons buttons)
{
    QMouseEvent event(type, local, target->mapToGlobal(local), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

} // namespace

class TestFrame : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void titleBarAsTheToolShowsIt();
    void drag_data();
    void drag();
    void fixedSizeOnceShown();
    void savedTheme_data();
    void savedTheme();
    void pickedThemeIsBackAfterRestart();
    void silveryReplacesAThemeOutsideTheMenu();
    void pickingTheCheckedEntryChangesNothing();
    void close_data();
    void close();
};

void TestFrame::initTestCase()
{
    // A closed frame must not end the test run.
    qApp->setQuitOnLastWindowClosed(false);
}

void TestFrame::init()
{
    Dialogs::setScripted(true);
    forgetTheme();
}

void TestFrame::titleBarAsTheToolShowsIt()
{
    TestProgramFolder folder;
    QUIWidget *frame = createMainFrame(new MainWindow, QStringLiteral("1.2"));
    QScopedPointer<QUIWidget> owner(frame);
    QCOMPARE(g_mainFrame, frame);
    frame->move(40, 30);
    frame->show();
    QVERIFY(QTest::qWaitForWindowExposed(frame));

    QCOMPARE(frame->windowTitle(), QStringLiteral("诺沃升级工具-1.2"));
    QCOMPARE(frame->findChild<QLabel *>(QStringLiteral("lab_Title"))->text(), frame->windowTitle());
    QCOMPARE(frame->findChild<QWidget *>(QStringLiteral("widget_title"))->height(), 35);
    QVERIFY(frame->windowFlags() & Qt::FramelessWindowHint);
    QVERIFY(frame->property("form").toBool());

    const auto glyph = [frame](const char *name) {
        auto *target = frame->findChild<QWidget *>(QLatin1String(name));
        const QString text = target->property("text").toString();
        return QStringLiteral("%1 %2 %3 %4")
            .arg(text.isEmpty() ? 0 : text.at(0).unicode(), 0, 16)
            .arg(target->font().family())
            .arg(target->font().pointSize())
            .arg(target->isVisible() ? "shown" : "hidden");
    };
    QCOMPARE(glyph("lab_Ico"), QStringLiteral("f001 FontAwesome 11 shown"));
    QCOMPARE(glyph("btnMenu"), QStringLiteral("f0d7 FontAwesome 9 shown"));
    QCOMPARE(glyph("btnMenu_Min"), QStringLiteral("f068 FontAwesome 9 shown"));
    QCOMPARE(glyph("btnMenu_Max"), QStringLiteral("f067 FontAwesome 9 hidden"));
    QCOMPARE(glyph("btnMenu_Close"), QStringLiteral("f00d FontAwesome 9 shown"));

    // Without the maximise button a double-click on the title bar leaves the frame as it is.
    const QRect before = frame->geometry();
    QTest::mouseDClick(frame->findChild<QWidget *>(QStringLiteral("widget_title")), Qt::LeftButton);
    QCOMPARE(frame->geometry(), before);

    QCOMPARE(menuEntries(*frame), (QStringList{QStringLiteral("银色"), QStringLiteral("蓝色"), QStringLiteral("灰色"),
                                              QStringLiteral("深灰色"), QStringLiteral("黑色"), QStringLiteral("PS黑色"),
                                              QStringLiteral("黑色扁平"), QStringLiteral("白色扁平")}));
    // Re-titling (the language switch does it) rebuilds the menu with one entry checked.
    frame->setTitle(frame->windowTitle());
    QCOMPARE(menuEntries(*frame).size(), 8);
    QCOMPARE(checkedEntries(*frame), QStringList{QStringLiteral("银色")});
    g_mainFrame = nullptr;
}

void TestFrame::drag_data()
{
    QTest::addColumn<QString>("pressedOn");
    QTest::addColumn<bool>("moves");

    QTest::newRow("title bar") << "widget_title" << true;
    QTest::newRow("title text") << "lab_Title" << true;
    QTest::newRow("label of the main window") << "label_2" << true;
    QTest::newRow("button of the main window") << "pushButton_getVer" << false;
}

void TestFrame::drag()
{
    QFETCH(QString, pressedOn);
    QFETCH(bool, moves);

    TestProgramFolder folder;
    QScopedPointer<QUIWidget> frame(createMainFrame(new MainWindow, QStringLiteral("1.0")));
    frame->move(40, 30);
    frame->show();
    QVERIFY(QTest::qWaitForWindowExposed(frame.data()));
    const QPoint start = frame->pos();

    auto *target = frame->findChild<QWidget *>(pressedOn);
    QVERIFY(target);
    const QPoint at = target->rect().center();
    const QPoint delta(60, 45);
    sendMouse(target, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
    sendMouse(target, QEvent::MouseMove, at + delta, Qt::NoButton, Qt::LeftButton);
    sendMouse(target, QEvent::MouseButtonRelease, at + delta, Qt::LeftButton, Qt::NoButton);

    QCOMPARE(frame->pos(), moves ? start + delta : start);
    // A move after the release drags nothing.
    sendMouse(target, QEvent::MouseMove, at + 2 * delta, Qt::NoButton, Qt::LeftButton);
    QCOMPARE(frame->pos(), moves ? start + delta : start);
    g_mainFrame = nullptr;
}

void TestFrame::fixedSizeOnceShown()
{
    TestProgramFolder folder;
    QScopedPointer<QUIWidget> frame(createMainFrame(new MainWindow, QStringLiteral("1.0")));
    frame->show();
    QVERIFY(QTest::qWaitForWindowExposed(frame.data()));
    const QSize shown = frame->size();
    QCOMPARE(frame->minimumSize(), shown);
    QCOMPARE(frame->maximumSize(), shown);
    frame->resize(shown + QSize(120, 80));
    QCOMPARE(frame->size(), shown);
    g_mainFrame = nullptr;
}

void TestFrame::savedTheme_data()
{
    QTest::addColumn<QByteArray>("saved");  // "<none>": no style.dat
    QTest::addColumn<bool>("settingFolder");
    QTest::addColumn<QString>("palette");
    QTest::addColumn<QString>("checked");
    QTest::addColumn<QByteArray>("savedAfter");

    const QString silver = QStringLiteral("银色");
    QTest::newRow("first start") << QByteArray("<none>") << true << "#F5F5F5" << silver << QByteArray("0");
    QTest::newRow("black") << QByteArray("7") << true << "#464646" << QStringLiteral("黑色") << QByteArray("7");
    QTest::newRow("flat white") << QByteArray("12") << true << "#FFFFFF" << QStringLiteral("白色扁平") << QByteArray("12");
    QTest::newRow("light blue, not offered") << QByteArray("2") << true << "#EAF7FF" << silver << QByteArray("2");
    QTest::newRow("not a number") << QByteArray("dark") << true << "#F5F5F5" << silver << QByteArray("0");
    QTest::newRow("above the table") << QByteArray("13") << true << "#CFDDEE" << silver << QByteArray("13");
    // -1 is also the frame's "nothing applied yet"; it must still get a theme.
    QTest::newRow("negative") << QByteArray("-1") << true << "#CFDDEE" << silver << QByteArray("-1");
    QTest::newRow("no setting folder") << QByteArray("<none>") << false << "#F5F5F5" << silver << QByteArray("<none>");
}

void TestFrame::savedTheme()
{
    QFETCH(QByteArray, saved);
    QFETCH(bool, settingFolder);
    QFETCH(QString, palette);
    QFETCH(QString, checked);
    QFETCH(QByteArray, savedAfter);

    TestProgramFolder folder(settingFolder ? TestProgramFolder::Everything : TestProgramFolder::WithTools);
    const QString styleFile = folder.filePath(QStringLiteral("setting/style.dat"));
    if (saved != "<none>")
        folder.writeFile(QStringLiteral("setting/style.dat"), saved);

    QUIWidget frame;
    QCOMPARE(paletteColour(), palette);
    QVERIFY(qApp->styleSheet().startsWith(QStringLiteral("QPalette{background:") + palette + QLatin1Char(';')));
    QCOMPARE(checkedEntries(frame), QStringList{checked});
    QCOMPARE(readFile(styleFile), savedAfter);
}

void TestFrame::pickedThemeIsBackAfterRestart()
{
    TestProgramFolder folder;
    const QString styleFile = folder.filePath(QStringLiteral("setting/style.dat"));
    {
        QUIWidget frame;
        QCOMPARE(paletteColour(), QStringLiteral("#F5F5F5"));
        pick(frame, QStringLiteral("黑色"));
        QCOMPARE(paletteColour(), QStringLiteral("#464646"));
        QVERIFY(qApp->styleSheet().contains(QLatin1String("color:#949698;")));
        QCOMPARE(checkedEntries(frame), QStringList{QStringLiteral("黑色")});
        QCOMPARE(frame.currentStyle(), int(QUIWidget::Style_Black));
        QCOMPARE(readFile(styleFile), QByteArray("7"));
    }
    forgetTheme();
    QUIWidget restarted;
    QCOMPARE(paletteColour(), QStringLiteral("#464646"));
    QCOMPARE(checkedEntries(restarted), QStringList{QStringLiteral("黑色")});
}

void TestFrame::silveryReplacesAThemeOutsideTheMenu()
{
    TestProgramFolder folder;
    folder.writeFile(QStringLiteral("setting/style.dat"), "2");
    QUIWidget frame;
    QCOMPARE(paletteColour(), QStringLiteral("#EAF7FF"));
    QCOMPARE(checkedEntries(frame), QStringList{QStringLiteral("银色")});

    pick(frame, QStringLiteral("银色"));
    QCOMPARE(paletteColour(), QStringLiteral("#F5F5F5"));
    QVERIFY(qApp->styleSheet().startsWith(QLatin1String("QPalette{background:#F5F5F5;}")));
    QCOMPARE(readFile(folder.filePath(QStringLiteral("setting/style.dat"))), QByteArray("0"));
    QCOMPARE(checkedEntries(frame), QStringList{QStringLiteral("银色")});
}

void TestFrame::pickingTheCheckedEntryChangesNothing()
{
    TestProgramFolder folder;
    folder.writeFile(QStringLiteral("setting/style.dat"), "10");
    QUIWidget frame;
    QCOMPARE(checkedEntries(frame), QStringList{QStringLiteral("PS黑色")});
    // Marks that a new application or save would overwrite.
    forgetTheme();
    folder.writeFile(QStringLiteral("setting/style.dat"), "marker");

    pick(frame, QStringLiteral("PS黑色"));
    QCOMPARE(paletteColour(), QStringLiteral("#FF0000"));
    QCOMPARE(readFile(folder.filePath(QStringLiteral("setting/style.dat"))), QByteArray("marker"));
    QCOMPARE(checkedEntries(frame), QStringList{QStringLiteral("PS黑色")});
}

void TestFrame::close_data()
{
    QTest::addColumn<QString>("route");
    QTest::addColumn<bool>("flashing");

    for (const char *route : {"close button", "frame close", "window system", "escape"}) {
        QTest::newRow(qPrintable(QStringLiteral("%1, idle").arg(QLatin1String(route)))) << route << false;
        QTest::newRow(qPrintable(QStringLiteral("%1, flashing").arg(QLatin1String(route)))) << route << true;
    }
}

void TestFrame::close()
{
    QFETCH(QString, route);
    QFETCH(bool, flashing);

    TestProgramFolder folder;
    folder.setDevices({TestProgramFolder::tovrekDevice(QStringLiteral("DAC"))});
    ScopedEnvironment env;
    env.set("BTAPI_SIM_VID", "32bb");
    env.set("BTAPI_SIM_PID", "4");
    env.set("BTAPI_SIM_PAGE_DELAY_MS", "1000");
    const QString firmware = folder.writeFile(QStringLiteral("download/DAC_v2.bin"), QByteArray(40 * 4096, 'x'));

    auto *window = new MainWindow;
    QScopedPointer<QUIWidget> frame(createMainFrame(window, QStringLiteral("1.0")));
    frame->show();
    QVERIFY(QTest::qWaitForWindowExposed(frame.data()));
    auto *progress = window->findChild<QProgressBar *>(QStringLiteral("progressBar"));
    if (flashing) {
        Dialogs::queueFileName(firmware);
        Dialogs::queueAnswer(QMessageBox::Yes);
        QTest::mouseClick(window->findChild<QPushButton *>(QStringLiteral("pushButton_localUpdate")), Qt::LeftButton);
        QVERIFY(window->isUpgrading());
        QTRY_VERIFY_WITH_TIMEOUT(progress->value() > 0, 15000);
    }
    Dialogs::takeShown();

    if (route == QLatin1String("close button"))
        QTest::mouseClick(frame->findChild<QPushButton *>(QStringLiteral("btnMenu_Close")), Qt::LeftButton);
    else if (route == QLatin1String("frame close"))
        frame->close();
    else if (route == QLatin1String("window system"))
        frame->windowHandle()->close();
    else
        QTest::keyClick(window->findChild<QTextEdit *>(QStringLiteral("textEdit_info")), Qt::Key_Escape);

    QStringList boxes;
    for (const Dialogs::Shown &box : Dialogs::takeShown())
        boxes << box.text;
    if (!flashing) {
        QVERIFY(frame->isHidden());
        QVERIFY(frame->isClose());
        QCOMPARE(boxes, QStringList());
        g_mainFrame = nullptr;
        return;
    }
    QCOMPARE(boxes, QStringList{kRefusal});
    QVERIFY(frame->isVisible());
    QVERIFY(window->isVisible());
    QVERIFY(!frame->isClose());
    // The flash goes on: the progress keeps moving.
    const int before = progress->value();
    QTRY_VERIFY_WITH_TIMEOUT(progress->value() > before, 15000);
    QVERIFY(window->isUpgrading());
    g_mainFrame = nullptr;
}

QTEST_MAIN(TestFrame)
#include "tst_frame.moc"
