#pragma once

#include <QDialog>
#include <QPixmap>
#include <QTimer>

class QCheckBox;
class QLabel;
class QPushButton;
class TDialUp;
struct AppContext;

// The small window shown while the program dials a phone-book entry: an
// animated picture, the progress text, "Keep redialing until connection
// successful", "&Redial" and "&Cancel". The tray form fills in its caption
// and text from the dial-up component's events.
class TDialForm : public QDialog
{
    Q_OBJECT

public:
    TDialForm(AppContext &ctx, TDialUp &dialUp, QWidget *parent = nullptr);

    QTimer Timer1;          // the animation
    QTimer RedialTimer;

    // The progress text the tray form writes from the dial-up events.
    QLabel *statusLabel() const { return m_statusLabel; }
    QPushButton *cancelButton() const { return m_cancelButton; }
    QCheckBox *keepRedialingCheck() const { return m_keepRedialingCheck; }

    int frameIndex() const { return m_frame; }
    static constexpr int FrameCount = 3;

    // What the animation timer and the redial timer do when they fire.
    void Timer1Timer();
    void RedialTimerTimer();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    // Escape cancels the call, as the "&Cancel" button does.
    void reject() override;

private:
    void onKeepRedialingClicked();
    void onRedialClicked();
    void onCancelClicked();
    void showFrame();

    AppContext &m_ctx;
    TDialUp &m_dialUp;
    QLabel *m_picture = nullptr;
    QLabel *m_statusLabel = nullptr;
    QPushButton *m_cancelButton = nullptr;
    QPushButton *m_redialButton = nullptr;
    QCheckBox *m_keepRedialingCheck = nullptr;
    QPixmap m_frames[FrameCount];
    int m_frame = 0;
    int m_step = 1;
};
