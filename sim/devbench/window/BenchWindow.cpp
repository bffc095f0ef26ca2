#include "BenchWindow.h"
#include "ui_BenchWindow.h"

#include <QTime>

BenchWindow::BenchWindow(BenchController &controller, QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::BenchWindow)
    , m_controller(controller)
{
    ui->setupUi(this);
    for (int device = 0; device < BenchController::DeviceCount; ++device) {
        QPushButton *button = plugButton(BenchController::Device(device));
        showPlugged(device, controller.isPlugged(BenchController::Device(device)));
        connect(button, &QPushButton::clicked, this, [this, device](bool checked) {
            // The button shows the bench's state, not the click, if the bench refused.
            if (!m_controller.setPlugged(BenchController::Device(device), checked))
                showPlugged(device, !checked);
        });
    }
    connect(&controller, &BenchController::pluggedChanged, this, &BenchWindow::showPlugged);
    connect(&controller, &BenchController::message, this, [this](const QString &text) {
        ui->plainTextEdit_events->appendPlainText(QTime::currentTime().toString(QStringLiteral("[hh:mm:ss] ")) + text);
    });
    const auto outcome = [this](QAbstractButton *button, BenchController::Outcome value) {
        connect(button, &QAbstractButton::toggled, this, [this, value](bool on) {
            if (on)
                m_controller.setOutcome(value);
        });
    };
    outcome(ui->radioButton_success, BenchController::Success);
    outcome(ui->radioButton_failure, BenchController::Failure);
    outcome(ui->radioButton_deviceFinishes, BenchController::DeviceFinishes);
}

BenchWindow::~BenchWindow()
{
    delete ui;
}

QPushButton *BenchWindow::plugButton(BenchController::Device device) const
{
    switch (device) {
    case BenchController::Dac:
        return ui->pushButton_dac;
    case BenchController::VeldDevice:
        return ui->pushButton_veld;
    case BenchController::SecondDac:
    case BenchController::DeviceCount:
        break;
    }
    return ui->pushButton_secondDac;
}

void BenchWindow::showPlugged(int device, bool plugged)
{
    QPushButton *button = plugButton(BenchController::Device(device));
    button->setChecked(plugged);
    button->setText((plugged ? QStringLiteral("Unplug ") : QStringLiteral("Plug in "))
                    + m_controller.deviceLabel(BenchController::Device(device)));
}
