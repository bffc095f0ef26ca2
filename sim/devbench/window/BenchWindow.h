#pragma once

#include "BenchController.h"

#include <QWidget>

namespace Ui {
class BenchWindow;
}
class QPushButton;

// Buttons over a BenchController: plug and unplug the demo's devices, pick how the
// next flash ends, and read what the devices did.
class BenchWindow : public QWidget
{
    Q_OBJECT

public:
    explicit BenchWindow(BenchController &controller, QWidget *parent = nullptr);
    ~BenchWindow() override;

    QPushButton *plugButton(BenchController::Device device) const;

private:
    void showPlugged(int device, bool plugged);

    Ui::BenchWindow *ui;
    BenchController &m_controller;
};
