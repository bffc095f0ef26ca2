#pragma once

#include <QDialog>
#include <QRect>

class QAction;
class QHBoxLayout;
class QLabel;
class QPushButton;
class QToolButton;
class QVBoxLayout;

// The frameless window that hosts a program's main window under its own title bar:
// icon glyph, title, colour-theme drop-down, minimise, maximise and close.
class QUIWidget : public QDialog
{
    Q_OBJECT
    Q_PROPERTY(QString title READ getTitle WRITE setTitle)
    Q_PROPERTY(Qt::Alignment alignment READ getAlignment WRITE setAlignment)

public:
    enum Widget {
        Lab_Ico = 0,
        BtnMenu = 1,
        BtnMenu_Min = 2,
        BtnMenu_Max = 3,
        BtnMenu_Close = 4
    };
    Q_ENUM(Widget)

    // Fixed to int: style.dat may hold any number, and it is kept as read.
    enum Style : int {
        Style_Silvery = 0,
        Style_Blue = 1,
        Style_LightBlue = 2,
        Style_DarkBlue = 3,
        Style_Gray = 4,
        Style_LightGray = 5,
        Style_DarkGray = 6,
        Style_Black = 7,
        Style_LightBlack = 8,
        Style_DarkBlack = 9,
        Style_PSBlack = 10,
        Style_FlatBlack = 11,
        Style_FlatWhite = 12
    };
    Q_ENUM(Style)

    QUIWidget();
    ~QUIWidget() override;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    QString getTitle() const { return title; }
    Qt::Alignment getAlignment() const { return alignment; }
    // The number of the theme applied last, -1 before any.
    int currentStyle() const { return m_currentStyle; }

    void applyStyle(QUIWidget::Style style);
    void initStyleMenu();

    // Keeps QWidget::setVisible(bool) reachable beside the title-bar overload.
    using QDialog::setVisible;

public slots:
    void setIcon(QUIWidget::Widget widget, QChar str, uint size = 9);
    void setPixmap(QUIWidget::Widget widget, QString file, QSize size = QSize(16, 16));
    void setVisible(QUIWidget::Widget widget, bool visible = true);
    void setOnlyCloseBtn();
    void setOnlyMinBtn();
    void setNoBtn();
    void setNoMaxBtn();
    void setTitleHeight(int height);
    void setBtnWidth(int width);
    void setTitle(QString title);
    void setAlignment(Qt::Alignment alignment);
    void setMainWidget(QWidget *mainWidget, bool binstallEventFilter = false);
    void setFix(bool bFix);
    void setCloseHide(bool bCloseHide);
    bool isClose();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private slots:
    void initControl();
    void initForm();
    void changeStyle();
    void on_btnMenu_Min_clicked();
    void on_btnMenu_Max_clicked();
    void on_btnMenu_Close_clicked();

private:
    QWidget *widgetOf(QUIWidget::Widget widget) const;
    bool hostedWindowAgreesToClose();
    bool filterClose(QObject *watched, QEvent *event);

    QVBoxLayout *verticalLayout1 = nullptr;
    QWidget *widgetMain = nullptr;
    QVBoxLayout *verticalLayout2 = nullptr;
    QWidget *widget_title = nullptr;
    QHBoxLayout *horizontalLayout4 = nullptr;
    QLabel *lab_Ico = nullptr;
    QLabel *lab_Title = nullptr;
    QWidget *widget_menu = nullptr;
    QHBoxLayout *horizontalLayout = nullptr;
    QToolButton *btnMenu = nullptr;
    QPushButton *btnMenu_Min = nullptr;
    QPushButton *btnMenu_Max = nullptr;
    QPushButton *btnMenu_Close = nullptr;
    QWidget *widget = nullptr;
    QVBoxLayout *verticalLayout3 = nullptr;

    bool max = false;
    QRect location;
    QWidget *mainWidget = nullptr;
    QString title;
    Qt::Alignment alignment;
    bool bFix = true;
    bool bCloseHide = false;
    bool bClose = false;
    int m_currentStyle = -1;
    QAction *m_checkedStyleAction = nullptr;
    // The hosted window has already agreed to the close that is under way.
    bool m_closeAgreed = false;
    // False until a theme has been applied and saved: a saved -1 still gets one.
    bool m_styleSaved = false;
};
