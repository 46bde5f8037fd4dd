#include "session/TaskBarWindowForm.h"

#include "core/AppContext.h"
#include "core/GlobalErrorHandler.h"

#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPointer>
#include <QRubberBand>
#include <QScreen>

TTaskBarWindowForm::TTaskBarWindowForm(AppContext &ctx, QWidget *parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus),
      m_ctx(ctx)
{
    setObjectName(QStringLiteral("TaskBarWindowForm"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setCursor(Qt::SizeAllCursor);
    const QStringList captions = MonitorDesignCaptions();
    static const char *names[MonitorTextCount] = {"TimerFloatingText", "AccountText",       "DailyText",
                                                  "ReceivedText",      "TransmittedText",   "TotalReceivedText",
                                                  "TotalTransmittedText"};
    for (int i = 0; i < MonitorTextCount; ++i) {
        auto *text = new QLabel(captions[i], this);
        text->setObjectName(QLatin1String(names[i]));
        text->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        text->setAlignment(Qt::AlignCenter);
        text->setAutoFillBackground(true);
        QPalette palette = text->palette();
        palette.setColor(QPalette::Window, QColor(0xC0, 0xC0, 0xC0));
        palette.setColor(QPalette::WindowText, Qt::black);
        text->setPalette(palette);
        text->setCursor(Qt::SizeAllCursor);
        text->installEventFilter(this);
        m_texts[i] = text;
    }
    m_dragFrame = new QRubberBand(QRubberBand::Rectangle, nullptr);
    connect(&ctx.events, &EngineEvents::sessionPriced, this, &TTaskBarWindowForm::refresh);
}

TTaskBarWindowForm::~TTaskBarWindowForm()
{
    delete m_dragFrame;
}

QSize TTaskBarWindowForm::screenSize() const
{
    const QScreen *s = screen() ? screen() : QGuiApplication::primaryScreen();
    return s ? s->geometry().size() : QSize(m_ctx.startup.screenWidth, m_ctx.startup.screenHeight);
}

void TTaskBarWindowForm::LayoutSessionMonitor()
{
    const Settings &s = m_ctx.settings;
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(qMax(1, s.SessionMonitorFontSize));
    font.setBold(s.SessionMonitorFontBold);
    const QStringList samples = MonitorSampleTexts();
    std::array<int, MonitorTextCount> widths{};
    int transmittedHeight = 0;
    for (int i = 0; i < MonitorTextCount; ++i) {
        QLabel *text = m_texts[i];
        text->setFont(font);
        text->setText(samples[i]);
        text->setMinimumSize(0, 0);
        text->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        text->adjustSize();
        // From here on the text keeps its sample's size whatever it shows.
        text->setFixedSize(text->size());
        text->move(text->x(), 0);
        widths[i] = text->width();
        if (i == TransmittedText)
            transmittedHeight = text->height();
    }
    const MonitorLayout layout = ::LayoutSessionMonitor(widths, transmittedHeight, MonitorTextsShown(s));
    for (int i = 0; i < MonitorTextCount; ++i) {
        m_texts[i]->move(layout.left[i], 0);
        m_texts[i]->setVisible(layout.visible[i]);
    }
    setFixedSize(layout.width, layout.height);
}

void TTaskBarWindowForm::applyCaptions(const MonitorCaptions &captions)
{
    for (int i = 0; i < MonitorTextCount; ++i) {
        if (!captions[i].isNull())
            m_texts[i]->setText(captions[i]);
    }
}

void TTaskBarWindowForm::refresh()
{
    try {
        applyCaptions(UpdateSessionMonitor(m_ctx));
    } catch (...) {
        GlobalErrorHandler(m_ctx, std::current_exception());
    }
}

void TTaskBarWindowForm::moveToSavedPosition()
{
    move(m_ctx.settings.TaskBarWindowX, m_ctx.settings.TaskBarWindowY);
}

void TTaskBarWindowForm::showMonitor()
{
    setWindowTitle(QString());
    show();
    raise();
}

void TTaskBarWindowForm::hideMonitor()
{
    hide();
}

void TTaskBarWindowForm::showEvent(QShowEvent *event)
{
    moveToSavedPosition();
    LayoutSessionMonitor();
    QWidget::showEvent(event);
}

bool TTaskBarWindowForm::eventFilter(QObject *watched, QEvent *event)
{
    auto *text = qobject_cast<QWidget *>(watched);
    if (!text || text->parent() != this)
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton)
            TimerFloatingTextMouseDown(text, mouse->position().toPoint());
        return true;
    }
    case QEvent::MouseMove:
        if (m_dragging)
            TimerFloatingTextMouseMove(static_cast<QMouseEvent *>(event)->position().toPoint());
        return true;
    case QEvent::MouseButtonRelease:
        if (m_dragging && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton)
            TimerFloatingTextMouseUp();
        return true;
    default:
        return QWidget::eventFilter(watched, event);
    }
}

void TTaskBarWindowForm::TimerFloatingTextMouseDown(QWidget *text, const QPoint &point)
{
    m_captured = text;
    text->grabMouse();
    m_downPoint = point;
    m_lastPoint = point;
    m_dragRect = frameGeometry();
    m_dragFrame->setGeometry(m_dragRect);
    m_dragFrame->show();
    m_dragging = true;
}

void TTaskBarWindowForm::TimerFloatingTextMouseMove(const QPoint &point)
{
    m_lastPoint = point;
    const QRect moved(pos() + (point - m_downPoint), size());
    m_dragRect = SnapMonitorRect(moved, screenSize());
    m_dragFrame->setGeometry(m_dragRect);
}

void TTaskBarWindowForm::TimerFloatingTextMouseUp()
{
    if (m_captured)
        m_captured->releaseMouse();
    m_captured = nullptr;
    m_dragFrame->hide();
    move(m_dragRect.topLeft());
    m_dragging = false;
    m_ctx.settings.TaskBarWindowX = x();
    m_ctx.settings.TaskBarWindowY = y();
}

