#include "session/DialForm.h"

#include "core/AppContext.h"
#include "store/Store.h"
#include "core/ErrorReport.h"
#include "session/DialUp.h"

#include <QCheckBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace {

// A computer sending one, two or three waves down the line.
QPixmap dialFrame(int waves)
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);

    p.setPen(QPen(QColor(40, 40, 40), 1.5));
    p.setBrush(QColor(210, 220, 235));
    p.drawRoundedRect(QRectF(2.5, 14.5, 15, 11), 1.5, 1.5);
    p.setBrush(QColor(70, 120, 190));
    p.drawRect(QRectF(4.5, 16.5, 11, 7));
    p.setBrush(QColor(160, 160, 160));
    p.drawRect(QRectF(7.5, 26.5, 5, 2));

    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0, 140, 60), 2.0, Qt::SolidLine, Qt::RoundCap));
    const QPointF centre(14, 14);
    for (int i = 0; i < waves; ++i) {
        const qreal r = 6.0 + 5.0 * i;
        p.drawArc(QRectF(centre.x() - r, centre.y() - r, 2 * r, 2 * r), 5 * 16, 80 * 16);
    }
    return pixmap;
}

} // namespace

TDialForm::TDialForm(AppContext &ctx, TDialUp &dialUp, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_ctx(ctx),
      m_dialUp(dialUp)
{
    setObjectName(QStringLiteral("DialForm"));
    setWindowTitle(QStringLiteral("Tallyline - Connecting"));
    for (int i = 0; i < FrameCount; ++i)
        m_frames[i] = dialFrame(i + 1);

    m_picture = new QLabel(this);
    m_picture->setObjectName(QStringLiteral("Picture"));
    m_picture->setFixedSize(32, 32);
    m_statusLabel = new QLabel(QStringLiteral("Dialing..."), this);
    m_statusLabel->setObjectName(QStringLiteral("StatusLabel"));
    m_statusLabel->setMinimumWidth(
        fontMetrics().horizontalAdvance(QStringLiteral("Authentication: change password")) + 8);
    m_keepRedialingCheck = new QCheckBox(QStringLiteral("Keep redialing until connection successful"), this);
    m_keepRedialingCheck->setObjectName(QStringLiteral("KeepRedialingCheck"));
    m_cancelButton = new QPushButton(QStringLiteral("&Cancel"), this);
    m_cancelButton->setObjectName(QStringLiteral("CancelButton"));
    m_redialButton = new QPushButton(QStringLiteral("&Redial"), this);
    m_redialButton->setObjectName(QStringLiteral("RedialButton"));
    m_cancelButton->setAutoDefault(false);
    m_redialButton->setAutoDefault(false);

    auto *top = new QHBoxLayout;
    top->addWidget(m_picture, 0, Qt::AlignTop);
    top->addSpacing(8);
    top->addWidget(m_statusLabel, 1, Qt::AlignVCenter);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_cancelButton);
    buttons->addWidget(m_redialButton);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_keepRedialingCheck);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    Timer1.setObjectName(QStringLiteral("Timer1"));
    Timer1.setInterval(500);
    RedialTimer.setObjectName(QStringLiteral("RedialTimer"));
    RedialTimer.setInterval(8000);
    RedialTimer.setSingleShot(true);
    connect(&Timer1, &QTimer::timeout, this, &TDialForm::Timer1Timer);
    connect(&RedialTimer, &QTimer::timeout, this, &TDialForm::RedialTimerTimer);
    connect(m_keepRedialingCheck, &QCheckBox::clicked, this, &TDialForm::onKeepRedialingClicked);
    connect(m_redialButton, &QPushButton::clicked, this, &TDialForm::onRedialClicked);
    connect(m_cancelButton, &QPushButton::clicked, this, &TDialForm::onCancelClicked);

    showFrame();
}

void TDialForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect desktop = screen->availableGeometry();
        move(desktop.center() - QPoint(width() / 2, height() / 2));
    }
    m_ctx.shell.KeepRedialing = m_keepRedialingCheck->isChecked();
    // The hang-up item is there at once, before the line reports anything.
    m_ctx.connection.ModemConnected = true;
    if (!Timer1.isActive())
        Timer1.start();
}

void TDialForm::hideEvent(QHideEvent *event)
{
    QDialog::hideEvent(event);
    Timer1.stop();
    m_frame = 0;
    m_step = 1;
    showFrame();
}

void TDialForm::reject()
{
    if (m_cancelButton->isEnabled())
        onCancelClicked();
}

// 0, 1, 2, 1, 0, 1, 2, ...
void TDialForm::Timer1Timer()
{
    if (m_frame + m_step < 0 || m_frame + m_step >= FrameCount)
        m_step = -m_step;
    m_frame += m_step;
    showFrame();
}

void TDialForm::showFrame()
{
    m_picture->setPixmap(m_frames[m_frame]);
}

void TDialForm::onKeepRedialingClicked()
{
    m_ctx.shell.KeepRedialing = m_keepRedialingCheck->isChecked();
}

void TDialForm::onRedialClicked()
{
    PROCEDURE_GUARD(m_ctx, "DialForm", "Button1Click");
    m_dialUp.HangUp();
    m_statusLabel->setText(QStringLiteral("Redialing..."));
    RedialTimer.start();
}

void TDialForm::RedialTimerTimer()
{
    PROCEDURE_GUARD(m_ctx, "DialForm", "RedialTimerTimer");
    RedialTimer.stop();
    m_dialUp.Dial();
}

void TDialForm::onCancelClicked()
{
    PROCEDURE_GUARD(m_ctx, "DialForm", "Button2Click");
    ShellState &shell = m_ctx.shell;
    m_cancelButton->setEnabled(false);
    shell.KeepRedialing = false;
    // A redial that is still to come would dial again after the user gave up.
    RedialTimer.stop();
    m_statusLabel->setText(QStringLiteral("Disconnecting..."));
    shell.CancelInProgress = true;
    struct Restore {
        TDialForm &form;
        ~Restore()
        {
            form.m_ctx.shell.DialHandle = 0;
            form.m_cancelButton->setEnabled(true);
            form.m_ctx.shell.CancelInProgress = false;
            form.hide();
        }
    } restore{*this};
    m_dialUp.GetConnections();
    HangUpAllConnections(m_ctx);
    const qint64 handle = shell.DialHandle;
    if (handle != 0 && handle != -1)
        m_dialUp.HangUpHandle(handle);
}
