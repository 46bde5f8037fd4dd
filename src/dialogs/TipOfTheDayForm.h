#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QPushButton;
struct AppContext;

// "Tip of the day": one short hint at a time, the next one at each opening
// in a run (ctx.shell.LastTipShown), and the switch for showing it at start.
class TTipOfTheDayForm : public QDialog
{
    Q_OBJECT

public:
    explicit TTipOfTheDayForm(AppContext &ctx, QWidget *parent = nullptr);

    QLabel *headingLabel() const { return m_headingLabel; }
    QLabel *tipLabel() const { return m_tipLabel; }
    QCheckBox *showTipsCheck() const { return m_showTipsCheck; }
    QPushButton *closeButton() const { return m_closeButton; }
    QPushButton *nextTipButton() const { return m_nextTipButton; }

    // However the window closes, the check becomes the setting.
    void done(int result) override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void showNextTip();

    AppContext &m_ctx;
    QLabel *m_headingLabel = nullptr;
    QLabel *m_tipLabel = nullptr;
    QCheckBox *m_showTipsCheck = nullptr;
    QPushButton *m_closeButton = nullptr;
    QPushButton *m_nextTipButton = nullptr;
};
