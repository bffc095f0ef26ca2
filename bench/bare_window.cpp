// The start-up baseline: a Qt Widgets program that shows one window and nothing else.
#include <QApplication>
#include <QWidget>

int main(int argc, char **argv)
{
    QApplication application(argc, argv);
    QWidget window;
    window.resize(640, 480);
    window.show();
    return application.exec();
}
