#include "frame/QUIWidget.h"

#include "frame/IconHelper.h"
#include "settings/Theme.h"

#include <QAction>
#include <QCloseEvent>
#include <QDebug>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QToolButton>
#include <QVBoxLayout>

static void initThemeImages()
{
    Q_INIT_RESOURCE(kestrel_theme_images);
}

namespace {
// Shared by every frame: only one can be dragged at a time.
bool s_mousePressed = false;
QPoint s_mousePoint;
} // namespace

QUIWidget::QUIWidget()
    : QDialog(nullptr)
{
    initThemeImages();
    applyStyle(static_cast<Style>(Theme::readSavedStyle()));
    initControl();
    initForm();
    bFix = true;
    bCloseHide = false;
    bClose = false;
}

QUIWidget::~QUIWidget()
{
    delete widgetMain;
}

QSize QUIWidget::sizeHint() const
{
    return QSize(600, 450);
}

QSize QUIWidget::minimumSizeHint() const
{
    return QSize(200, 150);
}

void QUIWidget::initControl()
{
    setObjectName(QStringLiteral("QUIWidget"));
    resize(900, 750);

    verticalLayout1 = new QVBoxLayout(this);
    verticalLayout1->setSpacing(0);
    verticalLayout1->setObjectName(QStringLiteral("verticalLayout1"));
    verticalLayout1->setContentsMargins(1, 1, 1, 1);

    widgetMain = new QWidget(this);
    widgetMain->setObjectName(QStringLiteral("widgetMain"));
    widgetMain->setStyleSheet(QString());
    verticalLayout2 = new QVBoxLayout(widgetMain);
    verticalLayout2->setSpacing(0);
    verticalLayout2->setObjectName(QStringLiteral("verticalLayout2"));
    verticalLayout2->setContentsMargins(0, 0, 0, 0);

    widget_title = new QWidget(widgetMain);
    widget_title->setObjectName(QStringLiteral("widget_title"));
    widget_title->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    widget_title->setMinimumSize(QSize(0, 30));
    horizontalLayout4 = new QHBoxLayout(widget_title);
    horizontalLayout4->setSpacing(0);
    horizontalLayout4->setObjectName(QStringLiteral("horizontalLayout4"));
    horizontalLayout4->setContentsMargins(0, 0, 0, 0);

    lab_Ico = new QLabel(widget_title);
    lab_Ico->setObjectName(QStringLiteral("lab_Ico"));
    lab_Ico->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Preferred);
    lab_Ico->setMinimumSize(QSize(30, 0));
    lab_Ico->setAlignment(Qt::AlignCenter);
    horizontalLayout4->addWidget(lab_Ico);

    lab_Title = new QLabel(widget_title);
    lab_Title->setObjectName(QStringLiteral("lab_Title"));
    lab_Title->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    lab_Title->setAlignment(Qt::AlignLeading | Qt::AlignLeft | Qt::AlignVCenter);
    horizontalLayout4->addWidget(lab_Title);

    widget_menu = new QWidget(widget_title);
    widget_menu->setObjectName(QStringLiteral("widget_menu"));
    widget_menu->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Preferred);
    horizontalLayout = new QHBoxLayout(widget_menu);
    horizontalLayout->setSpacing(0);
    horizontalLayout->setObjectName(QStringLiteral("horizontalLayout"));
    horizontalLayout->setContentsMargins(0, 0, 0, 0);

    btnMenu = new QToolButton(widget_menu);
    btnMenu->setObjectName(QStringLiteral("btnMenu"));
    btnMenu->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    btnMenu->setMinimumSize(QSize(30, 0));
    btnMenu->setMaximumSize(QSize(30, 16777215));
    btnMenu->setFocusPolicy(Qt::NoFocus);
    btnMenu->setPopupMode(QToolButton::InstantPopup);
    horizontalLayout->addWidget(btnMenu);

    btnMenu_Min = new QPushButton(widget_menu);
    btnMenu_Min->setObjectName(QStringLiteral("btnMenu_Min"));
    btnMenu_Min->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Expanding);
    btnMenu_Min->setMinimumSize(QSize(30, 0));
    btnMenu_Min->setMaximumSize(QSize(30, 16777215));
    btnMenu_Min->setCursor(QCursor(Qt::ArrowCursor));
    btnMenu_Min->setFocusPolicy(Qt::NoFocus);
    horizontalLayout->addWidget(btnMenu_Min);

    btnMenu_Max = new QPushButton(widget_menu);
    btnMenu_Max->setObjectName(QStringLiteral("btnMenu_Max"));
    btnMenu_Max->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    btnMenu_Max->setMinimumSize(QSize(30, 0));
    btnMenu_Max->setMaximumSize(QSize(30, 16777215));
    btnMenu_Max->setCursor(QCursor(Qt::ArrowCursor));
    btnMenu_Max->setFocusPolicy(Qt::NoFocus);
    horizontalLayout->addWidget(btnMenu_Max);

    btnMenu_Close = new QPushButton(widget_menu);
    btnMenu_Close->setObjectName(QStringLiteral("btnMenu_Close"));
    btnMenu_Close->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    btnMenu_Close->setMinimumSize(QSize(30, 0));
    btnMenu_Close->setMaximumSize(QSize(30, 16777215));
    btnMenu_Close->setCursor(QCursor(Qt::ArrowCursor));
    btnMenu_Close->setFocusPolicy(Qt::NoFocus);
    horizontalLayout->addWidget(btnMenu_Close);

    horizontalLayout4->addWidget(widget_menu);
    verticalLayout2->addWidget(widget_title);

    widget = new QWidget(widgetMain);
    widget->setObjectName(QStringLiteral("widget"));
    verticalLayout3 = new QVBoxLayout(widget);
    verticalLayout3->setSpacing(0);
    verticalLayout3->setObjectName(QStringLiteral("verticalLayout3"));
    verticalLayout3->setContentsMargins(0, 0, 0, 0);
    verticalLayout2->addWidget(widget);

    verticalLayout1->addWidget(widgetMain);

    connect(btnMenu_Min, &QPushButton::clicked, this, &QUIWidget::on_btnMenu_Min_clicked);
    connect(btnMenu_Max, &QPushButton::clicked, this, &QUIWidget::on_btnMenu_Max_clicked);
    connect(btnMenu_Close, &QPushButton::clicked, this, &QUIWidget::on_btnMenu_Close_clicked);
}

void QUIWidget::initForm()
{
    setIcon(Lab_Ico, QChar(0xF001), 11);
    setIcon(BtnMenu, QChar(0xF0D7));
    setIcon(BtnMenu_Min, QChar(0xF068));
    setIcon(BtnMenu_Max, QChar(0xF067));
    setIcon(BtnMenu_Close, QChar(0xF00D));

    const QString demoTitle = QStringLiteral("QUI Demo");
    if (title != demoTitle) {
        title = demoTitle;
        lab_Title->setText(title);
        setWindowTitle(lab_Title->text());
    }
    initStyleMenu();

    const Qt::Alignment leftCentred = Qt::AlignLeft | Qt::AlignVCenter;
    if (alignment != leftCentred) {
        alignment = leftCentred;
        lab_Title->setAlignment(alignment);
    }

    btnMenu->setVisible(false);
    mainWidget = nullptr;
    max = false;
    location = geometry();
    setProperty("form", true);
    setWindowFlags(Qt::FramelessWindowHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                   | Qt::WindowMaximizeButtonHint);
    installEventFilter(this);
    widget_title->installEventFilter(this);
    initStyleMenu();
}

QWidget *QUIWidget::widgetOf(QUIWidget::Widget which) const
{
    switch (which) {
    case Lab_Ico:
        return lab_Ico;
    case BtnMenu:
        return btnMenu;
    case BtnMenu_Min:
        return btnMenu_Min;
    case BtnMenu_Max:
        return btnMenu_Max;
    case BtnMenu_Close:
        return btnMenu_Close;
    }
    return nullptr;
}

void QUIWidget::setIcon(QUIWidget::Widget which, QChar str, uint size)
{
    if (which == Lab_Ico)
        IconHelper::Instance()->setIcon(lab_Ico, str, size);
    else if (auto *button = qobject_cast<QAbstractButton *>(widgetOf(which)))
        IconHelper::Instance()->setIcon(button, str, size);
}

void QUIWidget::setPixmap(QUIWidget::Widget which, QString file, QSize size)
{
    const QPixmap pixmap(file);
    if (which == Lab_Ico)
        lab_Ico->setPixmap(pixmap.scaled(size, Qt::KeepAspectRatio, Qt::FastTransformation));
    else if (auto *button = qobject_cast<QAbstractButton *>(widgetOf(which)))
        button->setIcon(QIcon(file));
}

void QUIWidget::setVisible(QUIWidget::Widget which, bool visible)
{
    if (QWidget *target = widgetOf(which))
        target->setVisible(visible);
}

void QUIWidget::setOnlyCloseBtn()
{
    btnMenu_Min->setVisible(false);
    btnMenu_Max->setVisible(false);
}

void QUIWidget::setOnlyMinBtn()
{
    btnMenu->setVisible(false);
    btnMenu_Max->setVisible(false);
    btnMenu_Close->setVisible(false);
}

void QUIWidget::setNoBtn()
{
    btnMenu_Min->setVisible(false);
    btnMenu_Max->setVisible(false);
    btnMenu_Close->setVisible(false);
}

void QUIWidget::setNoMaxBtn()
{
    btnMenu_Max->setVisible(false);
}

void QUIWidget::setTitleHeight(int height)
{
    widget_title->setFixedHeight(height);
}

void QUIWidget::setBtnWidth(int width)
{
    lab_Ico->setFixedWidth(width);
    btnMenu->setFixedWidth(width);
    btnMenu_Min->setFixedWidth(width);
    btnMenu_Max->setFixedWidth(width);
    btnMenu_Close->setFixedWidth(width);
}

void QUIWidget::setTitle(QString newTitle)
{
    if (title != newTitle) {
        title = newTitle;
        lab_Title->setText(title);
        setWindowTitle(lab_Title->text());
    }
    // Rebuilt every time: a language switch re-titles the frame and renames the themes.
    initStyleMenu();
}

void QUIWidget::setAlignment(Qt::Alignment newAlignment)
{
    if (alignment != newAlignment) {
        alignment = newAlignment;
        lab_Title->setAlignment(alignment);
    }
}

void QUIWidget::setMainWidget(QWidget *hosted, bool binstallEventFilter)
{
    // The filter goes on the hosted window in any case: the drag and the close guard need it.
    Q_UNUSED(binstallEventFilter)
    if (mainWidget || !hosted)
        return;
    widget->layout()->addWidget(hosted);
    resize(hosted->width(), hosted->height() + widget_title->height());
    mainWidget = hosted;
    mainWidget->installEventFilter(this);
}

void QUIWidget::setFix(bool fix)
{
    bFix = fix;
}

void QUIWidget::setCloseHide(bool closeHide)
{
    bCloseHide = closeHide;
}

bool QUIWidget::isClose()
{
    return bClose;
}

// ---- Events ----

bool QUIWidget::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton) {
            s_mousePressed = true;
            s_mousePoint = mouse->globalPos() - pos();
            return true;
        }
        break;
    }
    case QEvent::MouseButtonRelease:
        s_mousePressed = false;
        return true;
    case QEvent::MouseMove: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (!max && s_mousePressed && mouse->buttons() != Qt::NoButton) {
            move(mouse->globalPos() - s_mousePoint);
            return true;
        }
        break;
    }
    case QEvent::MouseButtonDblClick:
        if (btnMenu_Max->isVisible()) {
            on_btnMenu_Max_clicked();
            return true;
        }
        break;
    case QEvent::Hide:
        if (watched == mainWidget)
            return true;
        break;
    case QEvent::Close:
        return filterClose(watched, event);
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}

// Whether the hosted window's own close guard lets it close (it refuses while a flash
// runs). The question reaches its close handling directly, past this filter.
bool QUIWidget::hostedWindowAgreesToClose()
{
    if (!mainWidget)
        return true;
    QCloseEvent question;
    static_cast<QObject *>(mainWidget)->event(&question);
    return question.isAccepted();
}

bool QUIWidget::filterClose(QObject *watched, QEvent *event)
{
    if (bCloseHide) {
        qDebug() << "Close event intercepted.";
        hide();
        return true;
    }
    if (watched == mainWidget) {
        // The hosted window answers this very event; the frame follows its answer.
        static_cast<QObject *>(mainWidget)->event(event);
        if (!event->isAccepted())
            return true;
        qDebug() << "Close event intercepted.";
        bClose = true;
        m_closeAgreed = true;
        close();
        m_closeAgreed = false;
        return true;
    }
    // Closing the frame ends the program and with it a running flash: the hosted
    // window is asked first, and a refusal keeps both open.
    if (!m_closeAgreed && !hostedWindowAgreesToClose()) {
        event->ignore();
        return true;
    }
    qDebug() << "Close event intercepted.";
    bClose = true;
    if (watched != this) {
        m_closeAgreed = true;
        close();
        m_closeAgreed = false;
    }
    return false;
}

void QUIWidget::resizeEvent(QResizeEvent *event)
{
    if (bFix) {
        setFixedSize(size());
        return;
    }
    QDialog::resizeEvent(event);
}

void QUIWidget::closeEvent(QCloseEvent *event)
{
    qDebug() << "QUIWidget::closeEvent";
    QDialog::closeEvent(event);
}

void QUIWidget::keyPressEvent(QKeyEvent *event)
{
    // A dialog hides itself on Escape, which would leave the program running without a
    // window (or end a flash's window); Escape closes like the close button instead.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QDialog::keyPressEvent(event);
}

// ---- Buttons ----

void QUIWidget::on_btnMenu_Min_clicked()
{
    showMinimized();
}

void QUIWidget::on_btnMenu_Max_clicked()
{
    if (!max) {
        location = geometry();
        QScreen *screen = QGuiApplication::primaryScreen();
        setGeometry(screen ? screen->availableGeometry() : location);
    } else {
        setGeometry(location);
    }
    max = !max;
}

void QUIWidget::on_btnMenu_Close_clicked()
{
    if (!mainWidget || mainWidget->close()) {
        // Closing the hosted window has already closed the frame.
        if (isVisible())
            close();
    }
}

// ---- Colour themes ----

namespace {

QStringList styleNames()
{
    return {QUIWidget::tr("银色"),   QUIWidget::tr("蓝色"),   QUIWidget::tr("浅蓝色"),   QUIWidget::tr("深蓝色"),
            QUIWidget::tr("灰色"),   QUIWidget::tr("浅灰色"), QUIWidget::tr("深灰色"),   QUIWidget::tr("黑色"),
            QUIWidget::tr("浅黑色"), QUIWidget::tr("深黑色"), QUIWidget::tr("PS黑色"),   QUIWidget::tr("黑色扁平"),
            QUIWidget::tr("白色扁平")};
}

} // namespace

void QUIWidget::applyStyle(QUIWidget::Style style)
{
    if (m_styleSaved && style == m_currentStyle)
        return;
    Theme::apply(style);
    // Unsaved, the number stays as it was, so that the same theme is tried again.
    if (Theme::saveStyle(style)) {
        m_currentStyle = style;
        m_styleSaved = true;
    }
}

void QUIWidget::initStyleMenu()
{
    const QStringList offered = {tr("银色"), tr("蓝色"), tr("灰色"), tr("深灰色"),
                                 tr("黑色"), tr("PS黑色"), tr("黑色扁平"), tr("白色扁平")};
    const QStringList names = styleNames();

    const QList<QAction *> old = btnMenu->actions();
    for (QAction *action : old) {
        btnMenu->removeAction(action);
        action->deleteLater();
    }
    m_checkedStyleAction = nullptr;

    // A theme the menu does not offer shows silvery checked; it stays the applied one,
    // so that picking silvery then applies silvery.
    QString checkedName = names.value(m_currentStyle);
    if (!offered.contains(checkedName))
        checkedName = names.value(Style_Silvery);

    for (const QString &name : offered) {
        auto *action = new QAction(name, this);
        btnMenu->addAction(action);
        if (name == checkedName) {
            action->setCheckable(true);
            action->setChecked(true);
            m_checkedStyleAction = action;
        }
        connect(action, &QAction::triggered, this, &QUIWidget::changeStyle);
    }
}

void QUIWidget::changeStyle()
{
    auto *action = qobject_cast<QAction *>(sender());
    if (!action)
        return;
    if (m_checkedStyleAction) {
        m_checkedStyleAction->setChecked(false);
        m_checkedStyleAction->setCheckable(false);
    }
    action->setCheckable(true);
    action->setChecked(true);
    m_checkedStyleAction = action;

    const int number = styleNames().indexOf(action->text());
    if (number >= 0)
        applyStyle(static_cast<Style>(number));
}
