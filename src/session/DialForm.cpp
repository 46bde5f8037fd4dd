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

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setFixedSize(32, 32);
    StatusLabel = new QLabel(QStringLiteral("Dialing..."), this);
    StatusLabel->setObjectName(QStringLiteral("StatusLabel"));
    StatusLabel->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("Authentication: change password")) + 8);
    CheckBox1 = new QCheckBox(QStringLiteral("Keep redialing until connection successful"), this);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    Button2 = new QPushButton(QStringLiteral("&Cancel"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button1 = new QPushButton(QStringLiteral("&Redial"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button2->setAutoDefault(false);
    Button1->setAutoDefault(false);

    auto *top = new QHBoxLayout;
    top->addWidget(Image1, 0, Qt::AlignTop);
    top->addSpacing(8);
    top->addWidget(StatusLabel, 1, Qt::AlignVCenter);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Button2);
    buttons->addWidget(Button1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(CheckBox1);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    Timer1.setObjectName(QStringLiteral("Timer1"));
    Timer1.setInterval(500);
    RedialTimer.setObjectName(QStringLiteral("RedialTimer"));
    RedialTimer.setInterval(8000);
    RedialTimer.setSingleShot(true);
    connect(&Timer1, &QTimer::timeout, this, &TDialForm::Timer1Timer);
    connect(&RedialTimer, &QTimer::timeout, this, &TDialForm::RedialTimerTimer);
    connect(CheckBox1, &QCheckBox::clicked, this, &TDialForm::CheckBox1Click);
    connect(Button1, &QPushButton::clicked, this, &TDialForm::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TDialForm::Button2Click);

    showFrame();
}

void TDialForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect desktop = screen->availableGeometry();
        move(desktop.center() - QPoint(width() / 2, height() / 2));
    }
    m_ctx.shell.KeepRedialing = CheckBox1->isChecked();
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
    if (Button2->isEnabled())
        Button2Click();
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
    Image1->setPixmap(m_frames[m_frame]);
}

void TDialForm::CheckBox1Click()
{
    m_ctx.shell.KeepRedialing = CheckBox1->isChecked();
}

void TDialForm::Button1Click()
{
    PROCEDURE_GUARD(m_ctx, "DialForm", "Button1Click");
    m_dialUp.HangUp();
    StatusLabel->setText(QStringLiteral("Redialing..."));
    RedialTimer.start();
}

void TDialForm::RedialTimerTimer()
{
    PROCEDURE_GUARD(m_ctx, "DialForm", "RedialTimerTimer");
    RedialTimer.stop();
    m_dialUp.Dial();
}

void TDialForm::Button2Click()
{
    PROCEDURE_GUARD(m_ctx, "DialForm", "Button2Click");
    ShellState &shell = m_ctx.shell;
    Button2->setEnabled(false);
    shell.KeepRedialing = false;
    // A redial that is still to come would dial again after the user gave up.
    RedialTimer.stop();
    StatusLabel->setText(QStringLiteral("Disconnecting..."));
    shell.CancelInProgress = true;
    struct Restore {
        TDialForm &form;
        ~Restore()
        {
            form.m_ctx.shell.DialHandle = 0;
            form.Button2->setEnabled(true);
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
