#pragma once

#include <QDialog>
#include <QTimer>

class QLabel;
struct AppContext;

// The start-up splash: the program's picture and version, on top and
// centred, for two seconds.
class TSplashForm : public QDialog
{
    Q_OBJECT

public:
    explicit TSplashForm(AppContext &ctx, QWidget *parent = nullptr);

    static constexpr int ShowMilliseconds = 2000;

    QTimer Timer1;

protected:
    void showEvent(QShowEvent *event) override;

private:
    QLabel *m_pictureLabel = nullptr;
    QLabel *m_versionLabel = nullptr;
};

// ShowSplashForm: shows the splash modally until its timer closes it.
void ShowSplashFormWindow(AppContext &ctx, QWidget *parent = nullptr);
